#include "KvMatrix.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvLedsInternal.h"
#include "KvSysUtils.h"
#include "KvSysUtilsInternal.h"

#include <algorithm>
#include <array>

using kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvMatrix>();

// Seven row bytes per glyph, codes 0 to 127.
constexpr std::array<uint8_t, 896> kFont = {
    0x02, 0x06, 0x0E, 0x1E, 0x0E, 0x06, 0x02,  // 0
    0x04, 0x00, 0x04, 0x08, 0x11, 0x11, 0x0E,  // 1
    0x1F, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11,  // 2
    0x1F, 0x00, 0x11, 0x19, 0x15, 0x13, 0x11,  // 3
    0x1F, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11,  // 4
    0x00, 0x00, 0x0D, 0x12, 0x12, 0x12, 0x0D,  // 5
    0x1C, 0x12, 0x12, 0x16, 0x11, 0x16, 0x10,  // 6
    0x06, 0x08, 0x04, 0x0E, 0x11, 0x11, 0x0E,  // 7
    0x00, 0x00, 0x00, 0x04, 0x0A, 0x11, 0x1F,  // 8
    0x00, 0x10, 0x1C, 0x12, 0x12, 0x02, 0x01,  // 9
    0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x0E,  // 10
    0x00, 0x10, 0x08, 0x04, 0x0A, 0x11, 0x11,  // 11
    0x00, 0x00, 0x09, 0x09, 0x09, 0x0E, 0x10,  // 12
    0x00, 0x01, 0x0E, 0x1A, 0x0A, 0x0A, 0x0A,  // 13
    0x00, 0x00, 0x0F, 0x12, 0x12, 0x12, 0x0C,  // 14
    0x1F, 0x08, 0x04, 0x02, 0x04, 0x08, 0x1F,  // 15
    0x00, 0x00, 0x01, 0x0E, 0x14, 0x04, 0x04,  // 16
    0x00, 0x04, 0x0E, 0x15, 0x15, 0x0E, 0x04,  // 17
    0x0E, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x1B,  // 18
    0x04, 0x00, 0x0E, 0x11, 0x1F, 0x11, 0x11,  // 19
    0x04, 0x00, 0x0E, 0x12, 0x12, 0x12, 0x0D,  // 20
    0x0A, 0x00, 0x0E, 0x11, 0x1F, 0x11, 0x11,  // 21
    0x0A, 0x00, 0x0E, 0x12, 0x12, 0x12, 0x0D,  // 22
    0x0A, 0x0E, 0x11, 0x11, 0x11, 0x11, 0x0E,  // 23
    0x0A, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E,  // 24
    0x0A, 0x00, 0x11, 0x11, 0x11, 0x11, 0x0E,  // 25
    0x00, 0x0A, 0x00, 0x11, 0x11, 0x11, 0x0E,  // 26
    0x00, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x00,  // 27
    0x00, 0x0F, 0x08, 0x08, 0x08, 0x18, 0x08,  // 28
    0x0C, 0x12, 0x04, 0x08, 0x1E, 0x00, 0x00,  // 29
    0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x1F,  // 30
    0x11, 0x0A, 0x04, 0x04, 0x0E, 0x04, 0x04,  // 31
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 32
    0x08, 0x08, 0x08, 0x08, 0x08, 0x00, 0x08,  // 33
    0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00,  // 34
    0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A,  // 35
    0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04,  // 36
    0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03,  // 37
    0x08, 0x14, 0x14, 0x08, 0x15, 0x12, 0x0D,  // 38
    0x0C, 0x0C, 0x04, 0x08, 0x00, 0x00, 0x00,  // 39
    0x02, 0x04, 0x04, 0x04, 0x04, 0x04, 0x02,  // 40
    0x08, 0x04, 0x04, 0x04, 0x04, 0x04, 0x08,  // 41
    0x00, 0x0A, 0x04, 0x1F, 0x04, 0x0A, 0x00,  // 42
    0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00,  // 43
    0x00, 0x00, 0x00, 0x0C, 0x0C, 0x04, 0x08,  // 44
    0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00,  // 45
    0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C, 0x00,  // 46
    0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00,  // 47
    0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E,  // 48
    0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E,  // 49
    0x0E, 0x11, 0x01, 0x06, 0x08, 0x10, 0x1F,  // 50
    0x0E, 0x11, 0x01, 0x06, 0x01, 0x11, 0x0E,  // 51
    0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02,  // 52
    0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E,  // 53
    0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E,  // 54
    0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08,  // 55
    0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E,  // 56
    0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C,  // 57
    0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00,  // 58
    0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x04, 0x08,  // 59
    0x01, 0x02, 0x04, 0x08, 0x04, 0x02, 0x01,  // 60
    0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00,  // 61
    0x10, 0x08, 0x04, 0x02, 0x04, 0x08, 0x10,  // 62
    0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04,  // 63
    0x0E, 0x11, 0x17, 0x15, 0x17, 0x10, 0x0E,  // 64
    0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11,  // 65
    0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E,  // 66
    0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E,  // 67
    0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E,  // 68
    0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F,  // 69
    0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10,  // 70
    0x0E, 0x11, 0x10, 0x10, 0x13, 0x11, 0x0F,  // 71
    0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11,  // 72
    0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E,  // 73
    0x01, 0x01, 0x01, 0x01, 0x01, 0x11, 0x0E,  // 74
    0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11,  // 75
    0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F,  // 76
    0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11,  // 77
    0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11,  // 78
    0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E,  // 79
    0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10,  // 80
    0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D,  // 81
    0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11,  // 82
    0x0E, 0x11, 0x10, 0x0E, 0x01, 0x11, 0x0E,  // 83
    0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04,  // 84
    0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E,  // 85
    0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04,  // 86
    0x11, 0x11, 0x11, 0x15, 0x15, 0x1B, 0x11,  // 87
    0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11,  // 88
    0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04,  // 89
    0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F,  // 90
    0x07, 0x04, 0x04, 0x04, 0x04, 0x04, 0x07,  // 91
    0x00, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00,  // 92
    0x1C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x1C,  // 93
    0x04, 0x0E, 0x15, 0x04, 0x04, 0x04, 0x04,  // 94
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F,  // 95
    0x0C, 0x0C, 0x08, 0x04, 0x00, 0x00, 0x00,  // 96
    0x00, 0x00, 0x0E, 0x12, 0x12, 0x12, 0x0D,  // 97
    0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E,  // 98
    0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E,  // 99
    0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F,  // 100
    0x00, 0x00, 0x0E, 0x11, 0x1E, 0x10, 0x0E,  // 101
    0x04, 0x0A, 0x08, 0x1C, 0x08, 0x08, 0x08,  // 102
    0x00, 0x00, 0x0F, 0x11, 0x0F, 0x01, 0x06,  // 103
    0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11,  // 104
    0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E,  // 105
    0x02, 0x00, 0x06, 0x02, 0x02, 0x12, 0x0C,  // 106
    0x08, 0x08, 0x09, 0x0A, 0x0C, 0x0A, 0x09,  // 107
    0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E,  // 108
    0x00, 0x00, 0x0A, 0x15, 0x15, 0x11, 0x11,  // 109
    0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11,  // 110
    0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E,  // 111
    0x00, 0x00, 0x1E, 0x11, 0x19, 0x16, 0x10,  // 112
    0x00, 0x00, 0x0E, 0x12, 0x16, 0x0A, 0x03,  // 113
    0x00, 0x00, 0x0B, 0x0C, 0x08, 0x08, 0x08,  // 114
    0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E,  // 115
    0x00, 0x08, 0x1C, 0x08, 0x08, 0x0A, 0x04,  // 116
    0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D,  // 117
    0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04,  // 118
    0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A,  // 119
    0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11,  // 120
    0x00, 0x00, 0x11, 0x0A, 0x04, 0x04, 0x08,  // 121
    0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F,  // 122
    0x02, 0x04, 0x04, 0x08, 0x04, 0x04, 0x02,  // 123
    0x04, 0x04, 0x04, 0x00, 0x04, 0x04, 0x04,  // 124
    0x08, 0x04, 0x04, 0x02, 0x04, 0x04, 0x08,  // 125
    0x00, 0x00, 0x08, 0x15, 0x02, 0x00, 0x00,  // 126
    0x0A, 0x15, 0x0A, 0x15, 0x0A, 0x15, 0x0A,  // 127
};

// The colours codes 1-9 and A-G select.
constexpr TColor kCodeColors[16] = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                                    clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                                    clBlue,  clFuchsia, clAqua,   clWhite};

struct CellGeometry {
  int Width, Height, Dot;
  const char* Resource;
};

CellGeometry Geometry(TKvMatrixLedStyle style) {
  switch (style) {
    case TKvMatrixLedStyle::ls9x13: return {9, 13, 1, "KVMATRIXLED9x13"};
    case TKvMatrixLedStyle::ls19x27: return {19, 27, 3, "KVMATRIXLED19x27"};
    case TKvMatrixLedStyle::ls14x20: break;
  }
  return {14, 20, 2, "KVMATRIXLED14x20"};
}

// The width of every ring of the bevel together.
int64_t BevelWidth(const TKvBevel& bevel) {
  TRect r = Rect(0, 0, 0, 0);
  bevel.GetVisibleArea(r);
  return r.Left;
}

constexpr char16_t kNoCode = u'-';

bool IsBlank(QChar c) { return c == QLatin1Char(' '); }

// Only a case that is one character itself: the text keeps its length, and so its codes.
QChar SimpleUpper(QChar c) { return c.toUpper(); }
QChar SimpleLower(QChar c) { return c.toLower(); }

}  // namespace

namespace kv {

const uint8_t* MatrixGlyph(int code) {
  if (code < 0 || code > 127) return nullptr;
  return kFont.data() + 7 * code;
}

TColor MatrixCodeColor(char16_t code, TColor High) {
  if (code >= u'1' && code <= u'9') return kCodeColors[code - u'1'];
  if (code >= u'A' && code <= u'G') return kCodeColors[9 + (code - u'A')];
  if (code >= u'a' && code <= u'g') return kCodeColors[9 + (code - u'a')];
  return High;
}

}  // namespace kv

struct TKvMatrix::Private {
  TKvStaticLayer FaceLayer;
};

TKvMatrix::TKvMatrix(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FTimer(std::make_unique<TKvTimer>(nullptr)),
      FPalette(std::make_unique<TKvPalette>()),
      FBevel(std::make_unique<TKvBevel>()),
      FCellImage(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csOpaque) &
                  ~TControlStyle(TControlStyleFlag::csSetCaption));
  FBevel->SetInnerStyle(TKvBevelStyle::bsLowered);
  FBevel->SetInnerWidth(2);
  FBevel->SetInnerColor(clBlack);
  SetParentColor(false);
  SetColor(clBlack);
  SetBounds(0, 0, 245, 30);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(500);
  kv::ConnectTick(FTimer.get(), this, [this] { ScrollStep(); });
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] {
    LoadCellImage();
    UpdateControl();
  });
  connect(FBevel.get(), &TKvPersistent::OnChange, this, [this] { AdjustBounds(); });
  LoadCellImage();
  // The size follows the cells: a requested size never holds.
  SetAutoSize(true);
}

// The timer goes first: from inside its own tick it lets its worker end by itself.
TKvMatrix::~TKvMatrix() { FTimer.reset(); }

bool TKvMatrix::Threaded() const { return FTimer->TimerType() == TKvTimerType::ttThread; }

void TKvMatrix::SetThreaded(bool v) {
  FTimer->SetTimerType(v ? TKvTimerType::ttThread : TKvTimerType::ttSystem);
}

void TKvMatrix::SetTextStyle(TKvMatrixTextStyle v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FTextStyle, v)) Reparse();
}

void TKvMatrix::SetOrientation(TKvOrientation v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FOrientation, v)) AdjustBounds();
}

void TKvMatrix::SetLeds(int v) {
  if (v < 1 || v > kv::kMatrixMaxLeds || !SetIfChanged(FLeds, v)) return;
  ParseText();
  AdjustBounds();
}

void TKvMatrix::SetSpacing(int v) {
  if (SetIfChanged(FSpacing, v)) AdjustBounds();
}

void TKvMatrix::SetLedStyle(TKvMatrixLedStyle v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FLedStyle, v)) return;
  LoadCellImage();
  AdjustBounds();
}

void TKvMatrix::SetLedsVisible(bool v) {
  if (SetIfChanged(FLedsVisible, v)) UpdateControl();
}

void TKvMatrix::SetAutoScroll(bool v) {
  if (SetIfChanged(FAutoScroll, v) && !IsDesigning()) FTimer->SetEnabled(v);
}

void TKvMatrix::SetAlignment(TKvAlignment v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FAlignment, v)) UpdateControl();
}

int TKvMatrix::TimeInterval() const { return int(FTimer->Interval()); }

void TKvMatrix::SetTimeInterval(int v) { FTimer->SetInterval(uint32_t(v)); }

void TKvMatrix::SetScrollDirection(TKvMatrixScrollDirection v) {
  if (kv::IsEnumValue(v)) FScrollDirection = v;
}

void TKvMatrix::Loaded() {
  TKvGraphicImageControl::Loaded();
  LoadCellImage();
  if (!FAutoScroll) ApplyAlignment();
  AdjustBounds();
}

void TKvMatrix::CMTextChanged() {
  TKvGraphicImageControl::CMTextChanged();
  Reparse();
}

void TKvMatrix::CMColorChanged() {
  TKvGraphicImageControl::CMColorChanged();
  LoadCellImage();
  UpdateControl();
}

void TKvMatrix::CMSysColorChange() {
  TKvGraphicImageControl::CMSysColorChange();
  LoadCellImage();
  UpdateControl();
}

void TKvMatrix::Reparse() {
  ParseText();
  UpdateControl();
}

// One pass into two strings of equal length, so a long text costs its length once.
void TKvMatrix::ParseText() {
  const QString& text = Text();
  const qsizetype n = text.size();
  QString display;
  display.reserve(n);
  std::vector<char16_t> codes;
  codes.reserve(size_t(n));
  char16_t code = kNoCode;
  const auto isCode = [](char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'G') || (c >= u'a' && c <= u'g');
  };
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c != QLatin1Char('%')) {
      display.append(c);
      codes.push_back(code);
      continue;
    }
    if (i + 1 >= n) {
      code = kNoCode;
      break;
    }
    const char16_t next = text[++i].unicode();
    if (next == u'%') {
      display.append(QLatin1Char('%'));
      codes.push_back(code);
    } else {
      code = isCode(next) ? next : kNoCode;
    }
  }
  switch (FTextStyle) {
    case TKvMatrixTextStyle::tsUpperCase:
      for (QChar& c : display) c = SimpleUpper(c);
      break;
    case TKvMatrixTextStyle::tsLowerCase:
      for (QChar& c : display) c = SimpleLower(c);
      break;
    case TKvMatrixTextStyle::tsAsIs: break;
    case TKvMatrixTextStyle::tsProperCase: {
      if (display.isEmpty()) break;
      for (QChar& c : display) c = SimpleLower(c);
      qsizetype first = 0;
      while (first < display.size() - 1 && IsBlank(display[first])) ++first;
      const char16_t f = display[first].unicode();
      if (f >= u'a' && f <= u'z') display[first] = QChar(char16_t(f - u'a' + u'A'));
      break;
    }
  }
  FDisplayText = std::move(display);
  FColorCodes = std::move(codes);
}

void TKvMatrix::LoadCellImage() {
  const CellGeometry g = Geometry(FLedStyle);
  FCellImage->LoadFromResourceName(QString::fromLatin1(g.Resource));
  FPalette->ApplyToBitmap(FCellImage.get(), clGray, clSilver);
  ReplaceColor(FCellImage.get(), clBlack, Color());
}

bool TKvMatrix::CanAutoSize(int& newWidth, int& newHeight) {
  const CellGeometry g = Geometry(FLedStyle);
  const int64_t b2 = 2 * BevelWidth(*FBevel);
  const int64_t row =
      int64_t(FLeds) * (FOrientation == TKvOrientation::voHorizontal ? g.Width : g.Height) +
      int64_t(FLeds - 1) * FSpacing + b2;
  const auto size = [](int64_t v) { return int(std::clamp<int64_t>(v, 0, INT32_MAX)); };
  if (FOrientation == TKvOrientation::voHorizontal) {
    newWidth = size(row);
    newHeight = size(g.Height + b2);
  } else {
    newWidth = size(g.Width + b2);
    newHeight = size(row);
  }
  return true;
}

void TKvMatrix::ApplyAlignment() {
  const int64_t len = FDisplayText.size();
  switch (FAlignment) {
    case TKvAlignment::vaLeftJustify: FFirstChar = 1; break;
    case TKvAlignment::vaRightJustify: FFirstChar = len - FLeds + 1; break;
    case TKvAlignment::vaCenter: FFirstChar = 1 - (FLeds - len) / 2; break;
  }
}

void TKvMatrix::ScrollStep() {
  const int64_t len = FDisplayText.size();
  const bool rightToLeft = FScrollDirection == TKvMatrixScrollDirection::msdRightToLeft;
  if (rightToLeft ? FFirstChar < len : FFirstChar > 1 - int64_t(FLeds)) {
    FFirstChar += rightToLeft ? 1 : -1;
  } else {
    emit OnScrollDone(this);
    FFirstChar = rightToLeft ? 1 - int64_t(FLeds) : int64_t(FDisplayText.size());
  }
  UpdateControl();
}

void TKvMatrix::Paint() {
  if (!FAutoScroll) ApplyAlignment();
  const CellGeometry g = Geometry(FLedStyle);
  const int64_t w = Width(), h = Height(), leds = FLeds, spacing = FSpacing;
  const bool horizontal = FOrientation == TKvOrientation::voHorizontal;
  const int64_t x0 =
      horizontal ? (w - (g.Width * leds + spacing * (leds - 1))) / 2 : (w - g.Width) / 2;
  const int64_t y0 =
      horizontal ? (h - g.Height) / 2 : (h - g.Height * leds - spacing * (leds - 1)) / 2;
  const int64_t dx = horizontal ? g.Width + spacing : 0, dy = horizontal ? 0 : g.Height + spacing;
  // Calls Visit(k, x, y) for each cell that meets the image.
  const auto forEachCell = [&](const auto& visit) {
    int64_t x = x0, y = y0;
    for (int64_t k = 0; k < leds; ++k, x += dx, y += dy)
      if (x < w && y < h && x + g.Width > 0 && y + g.Height > 0) visit(k, int(x), int(y));
  };

  // The background, the bevel and the unlit cells stay while the text scrolls.
  TKvLayerKey key;
  key << Width() << Height() << Color() << FCellImage.get() << FLedsVisible << FLeds << FSpacing
      << int(FOrientation);
  key << FBevel.get();
  d->FaceLayer.Draw(Image(), key, [&](TCanvas* c) {
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    TRect client = ClientRect();
    FBevel->Paint(c, client);
    if (FLedsVisible) forEachCell([&](int64_t, int x, int y) { c->Draw(x, y, FCellImage.get()); });
  });

  const int64_t len = FDisplayText.size(), pitch = g.Dot + 1;
  forEachCell([&](int64_t k, int cx, int cy) {
    const int64_t i = FFirstChar + k;
    if (i < 1 || i > len) return;
    const QChar c = FDisplayText[qsizetype(i - 1)];
    if (IsBlank(c)) return;
    // Characters outside the font take their cell and stay blank.
    const uint8_t* glyph = kv::MatrixGlyph(c.unicode());
    if (!glyph) return;
    // The dots are small solid squares, filled all at once: a frame has hundreds.
    std::array<TRect, 35> dots;
    size_t count = 0;
    for (int r = 0; r < 7; ++r)
      for (int j = 0; j < 5; ++j) {
        if (!(glyph[r] & (1 << j))) continue;
        const int64_t left = cx + g.Width - g.Dot - j * pitch, top = cy + r * pitch;
        dots[count++] = Rect(int(left), int(top), int(left + g.Dot), int(top + g.Dot));
      }
    kv::FillRects(Image(), std::span(dots.data(), count),
                  kv::MatrixCodeColor(FColorCodes[size_t(i - 1)], FPalette->High()));
  });
  TKvGraphicImageControl::Paint();
}

// Every cell whole, apart by the spacing, inside the bevel.
QSize TKvMatrix::minimumSizeHint() const {
  const CellGeometry g = Geometry(FLedStyle);
  const int64_t n = FLeds, spacing = std::max(FSpacing, 0);
  const int64_t inset = kv::BevelInset(FBevel.get());
  if (FOrientation == TKvOrientation::voHorizontal)
    return kv::LeastSizeHint(n * g.Width + (n - 1) * spacing, g.Height, inset);
  return kv::LeastSizeHint(g.Width, n * g.Height + (n - 1) * spacing, inset);
}
