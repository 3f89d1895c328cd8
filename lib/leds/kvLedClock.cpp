#include "kvLedClock.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

using kv::DecodeTime, kv::Now, kv::Rect, kv::Round;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvLedClock>();

// The dot font: nine row bytes per character, top row first; bit 0 is the rightmost of the
// six columns. The digits are seven-segment figures drawn with dots.
constexpr int kGlyphRows = 9;
constexpr int kGlyphColumns = 6;
constexpr std::array<std::array<uint8_t, kGlyphRows>, 11> kDotFont = {{
    {0x1E, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x1E},  // 0
    {0x01, 0x01, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x01},  // 1
    {0x1E, 0x01, 0x01, 0x01, 0x1E, 0x20, 0x20, 0x20, 0x1E},  // 2
    {0x1E, 0x01, 0x01, 0x01, 0x1E, 0x01, 0x01, 0x01, 0x1E},  // 3
    {0x21, 0x21, 0x21, 0x21, 0x1E, 0x01, 0x01, 0x01, 0x01},  // 4
    {0x1E, 0x20, 0x20, 0x20, 0x1E, 0x01, 0x01, 0x01, 0x1E},  // 5
    {0x1E, 0x20, 0x20, 0x20, 0x1E, 0x21, 0x21, 0x21, 0x1E},  // 6
    {0x1E, 0x01, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x01},  // 7
    {0x1E, 0x21, 0x21, 0x21, 0x1E, 0x21, 0x21, 0x21, 0x1E},  // 8
    {0x1E, 0x21, 0x21, 0x21, 0x1E, 0x01, 0x01, 0x01, 0x1E},  // 9
    {0x00, 0x00, 0x00, 0x04, 0x04, 0x00, 0x00, 0x00, 0x00},  // :
}};

// The rows of Ch, or none for a character the font does not have.
const std::array<uint8_t, kGlyphRows>* GlyphOf(QChar ch) {
  const int index = ch.unicode() - u'0';
  if (index < 0 || index >= int(kDotFont.size())) return nullptr;
  return &kDotFont[size_t(index)];
}

constexpr long double kPi = std::numbers::pi_v<long double>;

// The box of a dot of Radius around (X, Y), saturated into the canvas's coordinates.
TRect DotBox(int64_t x, int64_t y, int64_t radius) {
  return Rect(kv::SaturateToInt(x - radius), kv::SaturateToInt(y - radius),
              kv::SaturateToInt(x + radius), kv::SaturateToInt(y + radius));
}

// The nearest integer, halves to even, in 64 bits: a huge radius must not be cut to the int
// range before the dot's box is known, or a dot far outside would reach into the face.
int64_t Nearest(long double v) {
  constexpr long double kLimit = 4.0e18L;
  if (std::isnan(v)) return 0;
  return std::llrint(std::clamp(v, -kLimit, kLimit));  // the default mode rounds halves to even
}

// Cosine and sine of the angles (n + First) * 2 pi / Divisions for n = 0 .. Divisions - 1,
// measured from the left and turning clockwise on screen. Computed once: the trigonometry
// would otherwise cost more than the dots.
template <int Divisions, int First>
const std::array<std::pair<long double, long double>, Divisions>& UnitCircle() {
  static const auto table = [] {
    std::array<std::pair<long double, long double>, Divisions> t{};
    for (int n = 0; n < Divisions; ++n) {
      const long double angle = static_cast<long double>(n + First) * 2 * kPi / Divisions;
      t[size_t(n)] = {std::cos(angle), std::sin(angle)};
    }
    return t;
  }();
  return table;
}

// Count dots of DotRadius on a circle of Radius around the centre, dot n at entry n of
// Angles (the centre minus the rounded offset).
// Calls Dot with the centre of each of the first Count dots of a ring.
template <size_t N, class DotAt>
void ForEachDot(TPoint centre, int64_t radius, int count,
                const std::array<std::pair<long double, long double>, N>& angles, DotAt dot) {
  for (size_t n = 0; n < std::min(size_t(std::max(count, 0)), N); ++n)
    dot(int64_t(centre.X) - Nearest(radius * angles[n].first),
        int64_t(centre.Y) - Nearest(radius * angles[n].second));
}

template <size_t N>
void DrawDotRing(TCanvas* canvas, TPoint centre, int64_t radius, int count,
                 const std::array<std::pair<long double, long double>, N>& angles,
                 int64_t dotRadius) {
  ForEachDot(centre, radius, count, angles,
             [&](int64_t x, int64_t y) { canvas->Ellipse(DotBox(x, y, dotRadius)); });
}

// Dots up to this radius are stamped from one recorded dot; larger ones are drawn.
constexpr int kMaxStampedDot = 64;

// The rings of a face: the hour marks' and, inside it, the seconds'.
struct Rings {
  TPoint Centre;
  int64_t HourMarks;
  int64_t Seconds;
};

Rings RingsOf(int width, int height, int secWidth, int tickWidth) {
  const TPoint centre(width / 2, height / 2);
  const int64_t hourMarks =
      int64_t(std::min(centre.X, centre.Y)) - 10 - 2 * (2 * int64_t(secWidth) + tickWidth);
  return {centre, hourMarks, hourMarks - 2 * int64_t(secWidth) - tickWidth};
}
// A stamped dot's corner stays this close to the face; one farther off is not seen anyway.
constexpr int64_t kStampReach = int64_t(1) << 30;

// The shift of glyph row Row to the left: the tangent of the slant times the row's depth,
// 0 when that cannot be had as an integer (at 90 degrees, or with a huge dot size).
int64_t RowSlant(long double tangent, int ledSize, int row) {
  const long double shift = tangent * ledSize * row;
  if (!std::isfinite(shift) || std::fabs(shift) > std::numeric_limits<int>::max()) return 0;
  return Round(shift);
}

QString TwoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

}  // namespace

struct TKvLedClock::Private {
  // The face under the seconds ring (background picture, hour marks, time), and one second dot.
  TKvBaseUnderPieces FaceBase;
  TKvStaticLayer SecondDot;
};

TKvLedClock::TKvLedClock(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FTimer(std::make_unique<TKvTimer>(nullptr)),
      FBackgroundPicture(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csOpaque) &
                  ~TControlStyle(TControlStyleFlag::csSetCaption));
  SetBounds(0, 0, 200, 200);
  SetParentColor(false);
  SetColor(clBlack);
  connect(FBackgroundPicture.get(), &TBitmap::OnChange, this,
          [this](TObject*) { UpdateControl(); });
  FTimer->SetEnabled(false);
  kv::ConnectTick(FTimer.get(), this, [this] { Tick(); });
  Tick();
}

// The timer goes first: from inside its own tick it lets its worker end by itself.
TKvLedClock::~TKvLedClock() { FTimer.reset(); }

bool TKvLedClock::Threaded() const { return FTimer->TimerType() == TKvTimerType::ttThread; }

void TKvLedClock::SetThreaded(bool v) {
  FTimer->SetTimerType(v ? TKvTimerType::ttThread : TKvTimerType::ttSystem);
}

void TKvLedClock::SetActive(bool v) {
  if (!SetIfChanged(FActive, v)) return;
  if (!IsDesigning()) FTimer->SetEnabled(v);
  emit ActiveChanged(FActive);
}

// Assigning fires the picture's OnChange, which repaints.
void TKvLedClock::SetBackground(const TBitmap* v) { FBackgroundPicture->Assign(v); }

void TKvLedClock::SetTickWidth(int v) {
  if (v > 0 && SetIfChanged(FTickWidth, v)) UpdateControl();
}

void TKvLedClock::SetHours(int v) {
  if (!TKvHoursInt::Contains(v)) return;
  FHours = v;
  UpdateControl();
}

void TKvLedClock::SetHourFormat(TKvHourFormat v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FHourFormat, v)) UpdateControl();
}

void TKvLedClock::SetMinutes(int v) {
  if (TKvMinutesInt::Contains(v) && SetIfChanged(FMinutes, v)) UpdateControl();
}

void TKvLedClock::SetSeconds(int v) {
  if (!TKvSecondsInt::Contains(v) || v == FSeconds) return;
  const int was = FSeconds;
  FSeconds = v;
  if (FSecondsIndicator) ShowSecondsFrom(was);
  else UpdateControl();
}

void TKvLedClock::ShowSecondsFrom(int was) {
  // Dot n shows while n <= the seconds: only the dots between the two counts change, and the
  // window keeps the rest of the face. Their boxes take a pixel more on each side.
  const Rings rings = RingsOf(Width(), Height(), FSecWidth, FTickWidth);
  const int first = std::min(was, FSeconds) + 1, last = std::max(was, FSeconds);
  int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
  int n = 0;
  ForEachDot(rings.Centre, rings.Seconds, last + 1, UnitCircle<60, 15>(),
             [&](int64_t x, int64_t y) {
               if (n++ < first) return;
               const TRect box = DotBox(x, y, std::abs(int64_t(FSecWidth)) + 1);
               left = std::min<int64_t>(left, box.Left);
               top = std::min<int64_t>(top, box.Top);
               right = std::max<int64_t>(right, box.Right);
               bottom = std::max<int64_t>(bottom, box.Bottom);
             });
  if (left < right && top < bottom)
    UpdateControlRect(Rect(int(left), int(top), int(right), int(bottom)));
}

void TKvLedClock::Loaded() {
  TKvGraphicImageControl::Loaded();
  if (FActive) Tick();
}

void TKvLedClock::HoursChanged() { emit OnHoursChanged(this, uint16_t(FHours)); }
void TKvLedClock::MinutesChanged() { emit OnMinutesChanged(this, uint16_t(FMinutes)); }
void TKvLedClock::SecondsChanged() { emit OnSecondsChanged(this, uint16_t(FSeconds)); }

// ---------------------------------------------------------------------------
// Tick

bool TKvLedClock::AlarmDue(TDateTime now) const {
  if (!FEnableAlarm || !kv::IsFinite(FAlarmTime)) return false;
  if (std::trunc(FAlarmTime) != std::trunc(now)) return false;
  uint16_t hour = 0, min = 0, sec = 0, msec = 0;
  DecodeTime(FAlarmTime, hour, min, sec, msec);
  return hour == FHours && min == FMinutes && sec == FSeconds;
}

void TKvLedClock::Tick() {
  const int oldHours = FHours, oldMinutes = FMinutes, oldSeconds = FSeconds;
  const TDateTime now = Now();  // read once, so date and time belong together
  uint16_t hour = 0, min = 0, sec = 0, msec = 0;
  DecodeTime(now, hour, min, sec, msec);
  FHours = hour;
  FMinutes = min;
  FSeconds = sec;
  const bool alarm = AlarmDue(now);
  const bool hoursChanged = FHours != oldHours, minutesChanged = FMinutes != oldMinutes,
             secondsChanged = FSeconds != oldSeconds;
  if (minutesChanged) UpdateControl();
  else if (FSecondsIndicator && secondsChanged && hoursChanged) UpdateControl();
  else if (FSecondsIndicator && secondsChanged) ShowSecondsFrom(oldSeconds);

  if (hoursChanged) HoursChanged();
  if (minutesChanged) MinutesChanged();
  if (secondsChanged) SecondsChanged();
  if (alarm) emit OnAlarm(this);
}

// ---------------------------------------------------------------------------
// Painting

void TKvLedClock::Paint() {
  TCanvas* canvas = BitmapCanvas();
  const Rings rings = RingsOf(Width(), Height(), FSecWidth, FTickWidth);

  // Everything under the seconds ring changes at most once a minute: a frame starts with a
  // copy of it, or of its part under the last frame's second dots.
  TKvLayerKey faceKey;
  faceKey << Color() << FBackgroundPicture.get() << FTickOutline << FTickColor << FHourMarks
          << FTickWidth << FSecWidth << TimeText() << FHoursColor << FHoursOutline << FLedSize
          << FSpacing << FTextOffsetX << FTextOffsetY << FTextAngle;
  d->FaceBase.Begin(ImageClear(), faceKey, [&] {
    DrawBackground(canvas);
    canvas->Pen()->SetColor(FTickOutline);
    canvas->Pen()->SetStyle(TPenStyle::psSolid);
    canvas->Brush()->SetColor(FTickColor);
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    if (FHourMarks)
      DrawDotRing(canvas, rings.Centre, rings.HourMarks, 12, UnitCircle<12, 9>(), FTickWidth);
    DrawTimeText(canvas);
  });

  if (FSecondsIndicator) {
    canvas->Pen()->SetColor(FSecOutline);
    canvas->Pen()->SetStyle(TPenStyle::psSolid);
    canvas->Pen()->SetWidth(1);
    canvas->Brush()->SetColor(FSecHandColor);
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    DrawSecondsRing(canvas, rings.Centre, rings.Seconds);
  }
  d->FaceBase.End(Image());
  TKvGraphicImageControl::Paint();
}

// Every dot of the ring has the same shape, so a small one is recorded once and stamped at
// each place, in the order the dots are drawn.
void TKvLedClock::DrawSecondsRing(TCanvas* canvas, TPoint centre, int64_t radius) {
  if (FSecWidth <= 0 || FSecWidth > kMaxStampedDot) {
    DrawDotRing(canvas, centre, radius, FSeconds + 1, UnitCircle<60, 15>(), FSecWidth);
    d->FaceBase.Piece(ClientRect());
    return;
  }
  const int side = 2 * FSecWidth;
  TKvLayerKey key;
  key << FSecWidth << FSecOutline << FSecHandColor;
  const TKvStaticLayer::Drawing dot = [&](TCanvas* c) {
    c->Pen()->SetColor(FSecOutline);
    c->Brush()->SetColor(FSecHandColor);
    c->Ellipse(0, 0, side, side);
  };
  ForEachDot(centre, radius, FSeconds + 1, UnitCircle<60, 15>(), [&](int64_t x, int64_t y) {
    const int64_t left = x - FSecWidth, top = y - FSecWidth;
    if (std::abs(left) > kStampReach || std::abs(top) > kStampReach) return;
    d->SecondDot.Stamp(Image(), key, TSize{side, side}, dot, TPoint(int(left), int(top)));
    d->FaceBase.Piece(Rect(int(left), int(top), int(left) + side, int(top) + side));
  });
}

void TKvLedClock::DrawBackground(TCanvas* canvas) const {
  if (FBackgroundPicture->Empty()) return;
  // The key colour Color takes the brush: Color itself, or nothing with a clear brush.
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(Transparent() ? TBrushStyle::bsClear : TBrushStyle::bsSolid);
  canvas->BrushCopy(ClientRect(), FBackgroundPicture.get(), BitmapRect(FBackgroundPicture.get()),
                    Color());
}

QString TKvLedClock::TimeText() const {
  const int hours = FHourFormat == TKvHourFormat::hfmt12h && FHours > 12 ? FHours - 12 : FHours;
  return TwoDigits(hours) + u':' + TwoDigits(FMinutes);
}

void TKvLedClock::DrawTimeText(TCanvas* canvas) const {
  canvas->Brush()->SetColor(FHoursColor);
  canvas->Pen()->SetColor(FHoursOutline);
  canvas->Pen()->SetWidth(1);
  const int64_t pitch = int64_t(FLedSize) + 1;
  const int64_t advance = 5 * pitch;
  int64_t x = (Width() - 5 * (advance + FSpacing - 1)) / 2 + advance + FTextOffsetX;
  const int64_t y = (Height() - 8 * pitch) / 2 + FTextOffsetY;
  const QString text = TimeText();
  for (qsizetype i = 0; i < text.size(); ++i) {
    DrawGlyph(canvas, text[i], text[i] == u':' ? x + advance / 2 - FLedSize : x, y);
    if (i + 1 < text.size()) x += text[i + 1] == u':' ? advance / 2 : FSpacing + advance;
  }
}

void TKvLedClock::DrawGlyph(TCanvas* canvas, QChar ch, int64_t x, int64_t y) const {
  const auto* rows = GlyphOf(ch);
  if (!rows) return;
  const int64_t pitch = int64_t(FLedSize) + 1;
  const long double tangent = std::tan(FTextAngle * kPi / 180);
  for (int i = 0; i < kGlyphRows; ++i) {
    const int64_t slant = RowSlant(tangent, FLedSize, i);
    const int64_t top = y + i * pitch;
    for (int j = 0; j < kGlyphColumns; ++j) {
      if (!((*rows)[size_t(i)] & (1u << j))) continue;
      const int64_t left = x - FLedSize - j * pitch - slant;
      canvas->Ellipse(kv::SaturateToInt(left), kv::SaturateToInt(top),
                      kv::SaturateToInt(left + pitch), kv::SaturateToInt(top + FLedSize));
    }
  }
}

// The time's text across the inside of the seconds ring, which lies 10 pixels, the hour marks
// and its own dots in from the edge, as the paint places them.
QSize TKvLedClock::minimumSizeHint() const {
  const int64_t pitch = int64_t(FLedSize) + 1, advance = 5 * pitch;
  const int64_t text = std::max(5 * (advance + FSpacing - 1), 8 * pitch);
  const int64_t rim = 10 + 7 * int64_t(FSecWidth) + 3 * int64_t(FTickWidth);
  return kv::LeastSizeHint(text, text, rim);
}
