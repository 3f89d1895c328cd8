#include "kvLedClock.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>

#include <array>
#include <cmath>
#include <limits>

using kv::EncodeDate, kv::EncodeTime, kv::Rect;

using kvtest::CountPixels;
using kvtest::PixelAt;

namespace {

// ---------------------------------------------------------------------------
// A clock that tells the time the test wants

TDateTime gNow = 0;
TDateTime FixedNow() { return gNow; }
// Each reading is one second later than the one before.
TDateTime SteppingNow() {
  gNow += 1.0 / 86400;
  return gNow;
}

const TDateTime kToday = EncodeDate(2024, 3, 15);

TDateTime At(int hour, int min, int sec) { return kToday + EncodeTime(hour, min, sec, 0); }

class FixedClock {
public:
  explicit FixedClock(TDateTime now, TDateTime (*clock)() = &FixedNow) {
    gNow = now;
    kv::SetClockForTesting(clock);
  }
  ~FixedClock() { kv::SetClockForTesting(nullptr); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;
};

class TestClock : public TKvLedClock {
public:
  using TComponent::SetDesigning;
  using TKvLedClock::DrawGlyph;
  using TKvLedClock::Tick;
  using TKvLedClock::Timer;
  using TKvLedClock::TKvLedClock;
  int Paints = 0;

protected:
  void Paint() override {
    ++Paints;
    TKvLedClock::Paint();
  }
};

// The demo's clock: 241 x 201, dot size 3, spacing 5, the text moved 12 to the right.
void ApplyDemoSettings(TKvLedClock& c) {
  c.SetBounds(48, 328, 241, 201);
  c.SetHours(20);
  c.SetHourFormat(TKvHourFormat::hfmt24h);
  c.SetMinutes(12);
  c.SetSeconds(55);
  c.SetLedSize(3);
  c.SetSpacing(5);
  c.SetTextOffsetX(12);
}

// Distinct colours for the three kinds of dots.
void ColourTheDots(TKvLedClock& c) {
  c.SetTickColor(clLime);
  c.SetTickOutline(clLime);
  c.SetSecHandColor(clYellow);
  c.SetSecOutline(clYellow);
}

// ---------------------------------------------------------------------------
// Reading the time text back from the pixels: the dot in column j of row i of a character
// whose right reference is X lies in the box from X - LedSize - j * pitch - slant(i).

constexpr std::array<std::pair<QChar, std::array<uint8_t, 9>>, 11> kFont = {{
    {u'0', {0x1E, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x21, 0x1E}},
    {u'1', {0x01, 0x01, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x01}},
    {u'2', {0x1E, 0x01, 0x01, 0x01, 0x1E, 0x20, 0x20, 0x20, 0x1E}},
    {u'3', {0x1E, 0x01, 0x01, 0x01, 0x1E, 0x01, 0x01, 0x01, 0x1E}},
    {u'4', {0x21, 0x21, 0x21, 0x21, 0x1E, 0x01, 0x01, 0x01, 0x01}},
    {u'5', {0x1E, 0x20, 0x20, 0x20, 0x1E, 0x01, 0x01, 0x01, 0x1E}},
    {u'6', {0x1E, 0x20, 0x20, 0x20, 0x1E, 0x21, 0x21, 0x21, 0x1E}},
    {u'7', {0x1E, 0x01, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x01}},
    {u'8', {0x1E, 0x21, 0x21, 0x21, 0x1E, 0x21, 0x21, 0x21, 0x1E}},
    {u'9', {0x1E, 0x21, 0x21, 0x21, 0x1E, 0x01, 0x01, 0x01, 0x1E}},
    {u':', {0x00, 0x00, 0x00, 0x04, 0x04, 0x00, 0x00, 0x00, 0x00}},
}};

struct TextGrid {
  int ledSize = 3;
  int top = 0;
  std::array<int, 9> slant{};  // per row, to the left
  TColor dot = clRed;
};

// Columns is the mask of the columns read: the colon's cell reaches into both digits
// beside it (columns 0, 1 and 4, 5 lie on their dots), so only columns 2 and 3 are its own.
QChar ReadChar(const QImage& image, const TextGrid& g, int x, uint8_t columns = 0x3F) {
  const int pitch = g.ledSize + 1;
  std::array<uint8_t, 9> rows{};
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 6; ++j) {
      if (!(columns & (1 << j))) continue;
      const int left = x - g.ledSize - j * pitch - g.slant[size_t(i)];
      if (PixelAt(image, left + pitch / 2, g.top + i * pitch + g.ledSize / 2) == g.dot)
        rows[size_t(i)] |= uint8_t(1 << j);
    }
  for (const auto& [ch, glyph] : kFont) {
    std::array<uint8_t, 9> masked = glyph;
    for (uint8_t& row : masked) row &= columns;
    if (masked == rows) return ch;
  }
  return u'?';
}

// The five characters at the right references the layout gives: digits Spacing + A apart,
// the colon half an advance after the second digit and drawn LedSize left of its
// reference plus half an advance.
QString ReadText(const QImage& image, const TextGrid& g, int firstX, int spacing) {
  const int advance = 5 * (g.ledSize + 1);
  const int x1 = firstX + spacing + advance, colon = x1 + advance / 2,
            x3 = colon + spacing + advance;
  const QChar chars[] = {ReadChar(image, g, firstX), ReadChar(image, g, x1),
                         ReadChar(image, g, colon + advance / 2 - g.ledSize, 0x0C),
                         ReadChar(image, g, x3), ReadChar(image, g, x3 + spacing + advance)};
  return QString(chars, 5);
}

// The demo's text: first reference (241 - 5 * (20 + 5 - 1)) div 2 + 20 + 12 = 92, top
// (201 - 32) div 2 = 84.
QString ReadDemoText(TKvLedClock& c, const std::array<int, 9>& slant = {}) {
  const QImage shot = kvtest::RenderControl(&c, clBlack);
  return ReadText(shot, TextGrid{3, 84, slant, c.HoursColor()}, 92, 5);
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and properties

TEST(LedClock, ConstructionHoldsTheTableAndTheLocalTime) {
  FixedClock time(At(14, 35, 7));
  TestClock c(nullptr);
  EXPECT_TRUE(c.Threaded());
  EXPECT_FALSE(c.Active());
  EXPECT_FALSE(c.Timer()->Enabled());
  EXPECT_EQ(c.Timer()->Interval(), 1000u);
  EXPECT_TRUE(c.SecondsIndicator());
  EXPECT_TRUE(c.HourMarks());
  EXPECT_TRUE(c.Background()->Empty());
  for (TColor colour : {c.HoursColor(), c.HoursOutline(), c.SecHandColor(), c.SecOutline(),
                        c.TickColor(), c.TickOutline()})
    EXPECT_EQ(colour, TColor(255));
  EXPECT_EQ(c.SecWidth(), 2);
  EXPECT_EQ(c.TickWidth(), 2);
  EXPECT_FALSE(c.EnableAlarm());
  EXPECT_EQ(c.HourFormat(), TKvHourFormat::hfmt24h);
  EXPECT_EQ(c.LedSize(), 3);
  EXPECT_EQ(c.Spacing(), 8);
  EXPECT_EQ(c.TextOffsetX(), 0);
  EXPECT_EQ(c.TextOffsetY(), 0);
  EXPECT_EQ(c.TextAngle(), 10);
  EXPECT_EQ(c.AlarmTime(), 0.0);
  EXPECT_FALSE(c.Transparent());
  EXPECT_EQ(c.Color(), clBlack);
  EXPECT_FALSE(c.ParentColor());
  EXPECT_EQ(c.BoundsRect(), Rect(0, 0, 200, 200));
  EXPECT_TRUE(c.ControlStyle().testFlag(TControlStyleFlag::csOpaque));
  EXPECT_FALSE(c.ControlStyle().testFlag(TControlStyleFlag::csSetCaption));
  EXPECT_EQ(c.Version(), QStringLiteral("1.3"));
  // One tick ran in the constructor.
  EXPECT_EQ(c.Hours(), 14);
  EXPECT_EQ(c.Minutes(), 35);
  EXPECT_EQ(c.Seconds(), 7);
}

TEST(LedClock, TimeValuesOutsideTheirRangesAreRefused) {
  FixedClock time(At(9, 30, 15));
  TestClock c(nullptr);
  for (int bad : {100, 24, -1, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
    c.SetHours(bad);
    EXPECT_EQ(c.Hours(), 9) << bad;
  }
  for (int bad : {60, -1, std::numeric_limits<int>::max()}) {
    c.SetMinutes(bad);
    c.SetSeconds(bad);
    EXPECT_EQ(c.Minutes(), 30) << bad;
    EXPECT_EQ(c.Seconds(), 15) << bad;
  }
  c.SetHours(23);
  c.SetMinutes(59);
  c.SetSeconds(0);
  EXPECT_EQ(c.Hours(), 23);
  EXPECT_EQ(c.Minutes(), 59);
  EXPECT_EQ(c.Seconds(), 0);
  c.SetHourFormat(TKvHourFormat(7));
  EXPECT_EQ(c.HourFormat(), TKvHourFormat::hfmt24h);
}

TEST(LedClock, TickWidthKeepsItsValueForZeroAndBelow) {
  TestClock c(nullptr);
  c.SetTickWidth(5);
  c.SetTickWidth(0);
  c.SetTickWidth(-3);
  EXPECT_EQ(c.TickWidth(), 5);
}

TEST(LedClock, HoursRepaintEvenWhenUnchangedOtherSettersOnlyOnAChange) {
  FixedClock time(At(9, 30, 15));
  TForm form(nullptr);
  auto* c = new TestClock(&form);
  c->SetParent(&form);
  kvtest::ShowForm(&form, 200, 200);
  int paints = c->Paints;
  c->SetHours(9);
  EXPECT_EQ(c->Paints, ++paints);
  c->SetHours(9);
  EXPECT_EQ(c->Paints, ++paints);
  c->SetMinutes(30);
  c->SetLedSize(3);
  c->SetTickColor(clRed);
  c->SetHours(100);
  EXPECT_EQ(c->Paints, paints);
  c->SetMinutes(31);
  EXPECT_EQ(c->Paints, ++paints);
}

TEST(LedClock, ActiveDrivesTheTimer) {
  TestClock c(nullptr);
  c.SetActive(true);
  EXPECT_TRUE(c.Timer()->Enabled());
  c.SetActive(false);
  EXPECT_FALSE(c.Timer()->Enabled());
  c.SetThreaded(false);
  EXPECT_EQ(c.Timer()->TimerType(), TKvTimerType::ttSystem);
  EXPECT_FALSE(c.Threaded());
  c.SetThreaded(true);
  EXPECT_EQ(c.Timer()->TimerType(), TKvTimerType::ttThread);
  // In a form designer the clock stores Active but never runs.
  TestClock designed(nullptr);
  designed.SetDesigning(true);
  designed.SetActive(true);
  EXPECT_TRUE(designed.Active());
  EXPECT_FALSE(designed.Timer()->Enabled());
}

// ---------------------------------------------------------------------------
// Form descriptions

TEST(LedClock, DescriptionsStoreWhatDiffersFromTheInitialSettingsAndAlwaysTheTime) {
  FixedClock time(At(9, 30, 15));
  TForm form(nullptr);
  form.SetName(QStringLiteral("Form"));
  auto* c = new TKvLedClock(&form);
  c->SetName(QStringLiteral("Clock"));
  c->SetParent(&form);
  c->SetHours(0);
  c->SetMinutes(0);
  c->SetSeconds(0);
  const QString fresh = QString::fromUtf8(kv::WriteComponent(&form));
  EXPECT_TRUE(fresh.contains(QStringLiteral("Threaded = True"))) << qPrintable(fresh);
  // The time starts at the local time, so it is stored even at 0.
  for (const char* stored : {"Hours = 0", "Minutes = 0", "Seconds = 0"})
    EXPECT_TRUE(fresh.contains(QLatin1String(stored))) << stored;
  for (const char* notStored : {"Active", "TextAngle", "HoursColor", "TickWidth", "Background",
                                "Version", "LedSize", "Spacing", "ParentColor"})
    EXPECT_FALSE(fresh.contains(QLatin1String(notStored) + QLatin1String(" ="))) << notStored;
  // The values that were the streaming defaults once now survive a write and a read.
  c->SetLedSize(5);
  c->SetSpacing(6);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* read = dynamic_cast<TKvLedClock*>(copy.FindComponent(QStringLiteral("Clock")));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->LedSize(), 5);
  EXPECT_EQ(read->Spacing(), 6);
  EXPECT_EQ(read->Hours(), 0);
}

TEST(LedClock, LoadingKeepsTheConstructorsValuesAndAnActiveClockTicksAtOnce) {
  FixedClock time(At(17, 45, 30));
  TForm form(nullptr);
  kv::ReadComponent(&form,
                    "object Form: TForm\n"
                    "  object Clock: TKvLedClock\n"
                    "    Threaded = False\n"
                    "    Active = True\n"
                    "    Hours = 20\n"
                    "    Minutes = 12\n"
                    "    Seconds = 55\n"
                    "  end\n"
                    "end\n",
                    QStringLiteral("clock.kvf"));
  auto* c = dynamic_cast<TKvLedClock*>(kv::FindOwnedComponent(&form, QStringLiteral("Clock")));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->LedSize(), 3);
  EXPECT_EQ(c->Spacing(), 8);
  EXPECT_FALSE(c->Threaded());
  EXPECT_EQ(c->Hours(), 17);
  EXPECT_EQ(c->Minutes(), 45);
  EXPECT_EQ(c->Seconds(), 30);
  c->SetActive(false);
}

// ---------------------------------------------------------------------------
// The face

// 241 x 201: cx = 120, cy = 100, R = 100 - 10 - 2 * (2 * 2 + 2) = 78, second ring 72.
TEST(LedClock, HourMarksLieOnRadius78AtTheDemoSize) {
  FixedClock time(At(20, 12, 0));
  TestClock c(nullptr);
  ApplyDemoSettings(c);
  ColourTheDots(c);
  c.SetSecondsIndicator(false);
  const QImage shot = kvtest::RenderControl(&c, clBlack);
  // Twelve, three, six and nine o'clock; the dot at 30 degrees sits at
  // (120 - round(78 cos 30), 100 - round(78 sin 30)) = (52, 61).
  for (auto [x, y] : {std::pair{120, 22}, {198, 100}, {120, 178}, {42, 100}, {52, 61}, {188, 139}})
    for (auto [dx, dy] : {std::pair{-1, -1}, {0, -1}, {-1, 0}, {0, 0}})
      EXPECT_EQ(PixelAt(shot, x + dx, y + dy), clLime) << x << "," << y;
  EXPECT_EQ(PixelAt(shot, 120, 19), clBlack);
  EXPECT_EQ(PixelAt(shot, 120, 25), clBlack);
  // Twelve dots of equal shape.
  const int perDot = CountPixels(shot, clLime) / 12;
  EXPECT_EQ(CountPixels(shot, clLime), 12 * perDot);
  EXPECT_GE(perDot, 4);
}

TEST(LedClock, SecondZeroLightsOneDotAtTwelveAndSecond59TheWholeRing) {
  FixedClock time(At(20, 12, 0));
  TestClock c(nullptr);
  ApplyDemoSettings(c);
  ColourTheDots(c);
  c.SetSeconds(0);
  const QImage first = kvtest::RenderControl(&c, clBlack);
  const int perDot = CountPixels(first, clYellow);
  ASSERT_GE(perDot, 4);
  // Dot 0 at (120, 100 - 72); dot 1 would be at (128, 28).
  EXPECT_EQ(PixelAt(first, 120, 28), clYellow);
  EXPECT_EQ(PixelAt(first, 119, 27), clYellow);
  EXPECT_EQ(PixelAt(first, 128, 28), clBlack);
  EXPECT_EQ(PixelAt(first, 112, 28), clBlack);

  c.SetSeconds(59);
  const QImage full = kvtest::RenderControl(&c, clBlack);
  EXPECT_EQ(CountPixels(full, clYellow), 60 * perDot);
  // Clockwise: dot 15 at three o'clock, 30 at six, 45 at nine, 59 just left of twelve.
  for (auto [x, y] : {std::pair{120, 28}, {128, 28}, {192, 100}, {120, 172}, {48, 100}, {112, 28}})
    EXPECT_EQ(PixelAt(full, x, y), clYellow) << x << "," << y;

  c.SetSeconds(58);
  const QImage almost = kvtest::RenderControl(&c, clBlack);
  EXPECT_EQ(CountPixels(almost, clYellow), 59 * perDot);
  EXPECT_EQ(PixelAt(almost, 112, 28), clBlack);
}

TEST(LedClock, FillAndOutlineColoursOfTheDots) {
  FixedClock time(At(8, 8, 0));
  TestClock c(nullptr);
  c.SetBounds(0, 0, 241, 201);
  c.SetTickWidth(5);
  c.SetTickColor(clLime);
  c.SetTickOutline(clGreen);
  c.SetSecWidth(5);
  c.SetSecHandColor(clYellow);
  c.SetSecOutline(clOlive);
  c.SetLedSize(9);
  c.SetTextAngle(0);
  c.SetHoursColor(clRed);
  c.SetHoursOutline(clMaroon);
  const QImage shot = kvtest::RenderControl(&c, clBlack);
  // R = 90 - 2 * (10 + 5) = 60: the mark at twelve o'clock is (120, 40), box 115..124.
  EXPECT_EQ(PixelAt(shot, 120, 40), clLime);
  EXPECT_EQ(PixelAt(shot, 120, 35), clGreen);
  // The second ring has radius 60 - 10 - 5 = 45: dot 0 at (120, 55).
  EXPECT_EQ(PixelAt(shot, 120, 55), clYellow);
  EXPECT_EQ(PixelAt(shot, 120, 50), clOlive);
  // Digit dots 10 x 9: the text starts at (241 - 5 * (50 + 8 - 1)) div 2 + 50 = -22 + 50 = 28
  // (truncating towards zero), top (201 - 80) div 2 = 60; "08": the top bar of the "0"
  // spans columns 1..4.
  const int left = 28 - 9 - 10;  // column 1 of row 0
  EXPECT_EQ(PixelAt(shot, left + 5, 60 + 4), clRed);
  EXPECT_EQ(PixelAt(shot, left + 5, 60), clMaroon);
  EXPECT_EQ(PixelAt(shot, 28 - 9 + 5, 60 + 4), clBlack);  // column 0 of row 0 is dark
}

TEST(LedClock, ASmallFaceMirrorsTheDotsThroughTheCentre) {
  FixedClock time(At(8, 8, 0));
  TestClock c(nullptr);
  c.SetBounds(0, 0, 241, 201);
  ColourTheDots(c);
  c.SetSecondsIndicator(false);
  c.SetSecWidth(30);       // R = 90 - 2 * (60 + 2) = -34
  c.SetTextOffsetY(1000);  // the text off the face
  const QImage shot = kvtest::RenderControl(&c, clBlack);
  // The twelve marks are their own mirror image: they lie 34 from the centre. Mark 1 (300
  // degrees): (120 - round(-34 cos 300), 100 - round(-34 sin 300)) = (137, 71).
  for (auto [x, y] : {std::pair{120, 66}, {154, 100}, {120, 134}, {86, 100}, {137, 71}, {103, 129}})
    EXPECT_EQ(PixelAt(shot, x, y), clLime) << x << "," << y;
  EXPECT_EQ(CountPixels(shot, clLime) % 12, 0);
  EXPECT_GT(CountPixels(shot, clLime), 0);

  // A partly lit ring is not: 60 x 60 with SecWidth 5 gives R = 30 - 10 - 24 = -4 and a ring
  // of -16, so seconds 0..14 fill the lower left quarter instead of the upper right one.
  c.SetBounds(0, 0, 60, 60);
  c.SetSecWidth(5);
  c.SetSecondsIndicator(true);
  c.SetSeconds(14);
  const QImage small = kvtest::RenderControl(&c, clBlack);
  EXPECT_EQ(PixelAt(small, 30, 46), clYellow);  // dot 0, below the centre
  EXPECT_EQ(PixelAt(small, 14, 32),
            clYellow);  // dot 14: (30 - round(16 cos 174), 30 + round(16 sin 174))
  EXPECT_EQ(PixelAt(small, 30, 14), clBlack);
  EXPECT_EQ(PixelAt(small, 46, 28), clBlack);
}

TEST(LedClock, MarksAndRingCanBeSwitchedOff) {
  FixedClock time(At(8, 8, 30));
  TestClock c(nullptr);
  ApplyDemoSettings(c);
  ColourTheDots(c);
  c.SetHourMarks(false);
  c.SetSecondsIndicator(false);
  const QImage shot = kvtest::RenderControl(&c, clBlack);
  EXPECT_EQ(CountPixels(shot, clLime), 0);
  EXPECT_EQ(CountPixels(shot, clYellow), 0);
  EXPECT_GT(CountPixels(shot, clRed), 0);
}

// ---------------------------------------------------------------------------
// The time text

TEST(LedClock, TimeTextReadsFromTheDotFont) {
  FixedClock time(At(20, 12, 55));
  TestClock c(nullptr);
  ApplyDemoSettings(c);
  c.SetTextAngle(0);
  EXPECT_EQ(ReadDemoText(c), QStringLiteral("20:12"));
  c.SetHours(7);
  c.SetMinutes(5);
  EXPECT_EQ(ReadDemoText(c), QStringLiteral("07:05"));
  c.SetHours(13);
  c.SetMinutes(49);
  EXPECT_EQ(ReadDemoText(c), QStringLiteral("13:49"));
  c.SetHours(8);
  c.SetMinutes(36);
  EXPECT_EQ(ReadDemoText(c), QStringLiteral("08:36"));
}

TEST(LedClock, TwelveHourTextSubtractsTwelveAboveTwelve) {
  FixedClock time(At(20, 12, 55));
  TestClock c(nullptr);
  ApplyDemoSettings(c);
  c.SetTextAngle(0);
  c.SetHourFormat(TKvHourFormat::hfmt12h);
  const std::pair<int, const char*> cases[] = {
      {0, "00:12"}, {1, "01:12"}, {12, "12:12"}, {13, "01:12"}, {23, "11:12"}};
  for (auto [hours, text] : cases) {
    c.SetHours(hours);
    EXPECT_EQ(ReadDemoText(c), QLatin1String(text)) << hours;
  }
}

TEST(LedClock, DigitsLeanByTheRoundedTangentPerRow) {
  FixedClock time(At(20, 12, 55));
  TestClock c(nullptr);
  ApplyDemoSettings(c);
  // tan 10 degrees * 3 * i rounded: 0 1 1 2 2 3 3 4 4.
  EXPECT_EQ(ReadDemoText(c, {0, 1, 1, 2, 2, 3, 3, 4, 4}), QStringLiteral("20:12"));
  c.SetTextAngle(-10);
  EXPECT_EQ(ReadDemoText(c, {0, -1, -1, -2, -2, -3, -3, -4, -4}), QStringLiteral("20:12"));
  c.SetTextAngle(45);
  EXPECT_EQ(ReadDemoText(c, {0, 3, 6, 9, 12, 15, 18, 21, 24}), QStringLiteral("20:12"));
}

TEST(LedClock, NinetyDegreesDrawsUprightDigitsAsZeroDoes) {
  FixedClock time(At(20, 12, 55));
  TestClock c(nullptr);
  ApplyDemoSettings(c);
  c.SetTextAngle(0);
  const QImage upright = kvtest::RenderControl(&c, clBlack);
  c.SetTextAngle(90);
  EXPECT_EQ(kvtest::RenderControl(&c, clBlack), upright);
  c.SetTextAngle(270);
  EXPECT_EQ(kvtest::RenderControl(&c, clBlack), upright);
  c.SetTextAngle(10);
  EXPECT_NE(kvtest::RenderControl(&c, clBlack), upright);
}

TEST(LedClock, TextOffsetsMoveTheText) {
  FixedClock time(At(20, 12, 55));
  TestClock c(nullptr);
  ApplyDemoSettings(c);
  c.SetTextAngle(0);
  c.SetTextOffsetX(12 - 7);
  c.SetTextOffsetY(-9);
  const QImage shot = kvtest::RenderControl(&c, clBlack);
  EXPECT_EQ(ReadText(shot, TextGrid{3, 84 - 9, {}, clRed}, 92 - 7, 5), QStringLiteral("20:12"));
}

TEST(LedClock, GlyphsOutsideTheFontDrawNothing) {
  TestClock c(nullptr);
  TBitmap bitmap;
  bitmap.SetSize(60, 60);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Brush()->SetColor(clBlack);
  canvas->FillRect(Rect(0, 0, 60, 60));
  const QImage blank = bitmap.Image().copy();
  canvas->Brush()->SetColor(clRed);
  canvas->Pen()->SetColor(clRed);
  for (QChar ch :
       {QChar(u'-'), QChar(u'/'), QChar(u';'), QChar(u'A'), QChar(u' '), QChar(0xFFFF)}) {
    c.DrawGlyph(canvas, ch, 40, 10);
    EXPECT_SAME_PIXELS(bitmap.Image(), blank) << int(ch.unicode());
  }
  c.DrawGlyph(canvas, u'8', 40, 10);
  EXPECT_FALSE(kvtest::SamePixels(bitmap.Image(), blank));
}

// ---------------------------------------------------------------------------
// Background picture

TEST(LedClock, BackgroundIsStretchedWithColorAsItsKey) {
  FixedClock time(At(8, 8, 30));
  TestClock c(nullptr);
  c.SetBounds(0, 0, 40, 20);
  c.SetHourMarks(false);
  c.SetSecondsIndicator(false);
  c.SetTextOffsetY(1000);  // the text below the face
  c.SetColor(clNavy);
  TBitmap picture;
  picture.SetSize(2, 1);
  picture.Canvas()->SetPixels(0, 0, clBlue);
  picture.Canvas()->SetPixels(1, 0, clNavy);
  c.SetBackground(&picture);
  EXPECT_EQ(c.Background()->Width(), 2);
  const QImage opaque = kvtest::RenderControl(&c, clGreen);
  EXPECT_EQ(PixelAt(opaque, 0, 0), clBlue);
  EXPECT_EQ(PixelAt(opaque, 19, 19), clBlue);
  EXPECT_EQ(PixelAt(opaque, 20, 0), clNavy);
  EXPECT_EQ(PixelAt(opaque, 39, 19), clNavy);

  c.SetTransparent(true);
  const QImage seeThrough = kvtest::RenderControl(&c, clGreen);
  EXPECT_EQ(PixelAt(seeThrough, 19, 10), clBlue);
  EXPECT_EQ(PixelAt(seeThrough, 20, 10), clGreen);
  EXPECT_EQ(PixelAt(seeThrough, 39, 19), clGreen);
}

// ---------------------------------------------------------------------------
// Ticks, events and the alarm

TEST(LedClock, TickFiresTheChangesInOrderThenTheAlarm) {
  FixedClock time(At(10, 59, 59));
  TestClock c(nullptr);
  c.SetEnableAlarm(true);
  c.SetAlarmTime(At(11, 0, 0));
  QStringList events;
  QObject::connect(&c, &TKvLedClock::OnHoursChanged, [&](TObject* s, uint16_t v) {
    EXPECT_EQ(s, &c);
    events << QStringLiteral("h%1").arg(v);
  });
  QObject::connect(&c, &TKvLedClock::OnMinutesChanged,
                   [&](TObject*, uint16_t v) { events << QStringLiteral("m%1").arg(v); });
  QObject::connect(&c, &TKvLedClock::OnSecondsChanged,
                   [&](TObject*, uint16_t v) { events << QStringLiteral("s%1").arg(v); });
  QObject::connect(&c, &TKvLedClock::OnAlarm, [&](TObject* s) {
    EXPECT_EQ(s, &c);
    events << QStringLiteral("alarm");
  });
  gNow = At(11, 0, 0);
  c.Tick();
  EXPECT_EQ(events, QStringList({"h11", "m0", "s0", "alarm"}));
  // Every matching tick fires again; an unchanged time fires no change event.
  events.clear();
  c.Tick();
  EXPECT_EQ(events, QStringList({"alarm"}));
  events.clear();
  gNow = At(11, 0, 1);
  c.Tick();
  EXPECT_EQ(events, QStringList({"s1"}));
}

TEST(LedClock, AlarmNeedsTheDateTheTimeAndEnableAlarm) {
  FixedClock time(At(6, 30, 0));
  TestClock c(nullptr);
  int alarms = 0;
  QObject::connect(&c, &TKvLedClock::OnAlarm, [&](TObject*) { ++alarms; });
  c.SetAlarmTime(At(6, 30, 0));
  c.Tick();
  EXPECT_EQ(alarms, 0);  // not armed
  c.SetEnableAlarm(true);
  c.Tick();
  EXPECT_EQ(alarms, 1);
  c.SetAlarmTime(EncodeTime(6, 30, 0, 0));  // a time of day only: date part 0
  c.Tick();
  c.SetAlarmTime(At(6, 30, 0) + 1);  // tomorrow
  c.Tick();
  c.SetAlarmTime(At(6, 30, 1));
  c.Tick();
  c.SetAlarmTime(At(6, 31, 0));
  c.Tick();
  c.SetAlarmTime(At(7, 30, 0));
  c.Tick();
  EXPECT_EQ(alarms, 1);
}

TEST(LedClock, NonFiniteAlarmTimeNeverFires) {
  FixedClock time(At(0, 0, 0), &SteppingNow);
  TestClock c(nullptr);
  int alarms = 0, ticks = 0;
  QObject::connect(&c, &TKvLedClock::OnAlarm, [&](TObject*) { ++alarms; });
  QObject::connect(&c, &TKvLedClock::OnSecondsChanged, [&](TObject*, uint16_t) { ++ticks; });
  c.SetEnableAlarm(true);
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()}) {
    c.SetAlarmTime(bad);
    for (int i = 0; i < 5; ++i) c.Tick();
  }
  EXPECT_EQ(ticks, 15);
  EXPECT_EQ(alarms, 0);
}

TEST(LedClock, WithoutTheIndicatorOnlyAMinuteChangeRepaints) {
  FixedClock time(At(10, 20, 30));
  TForm form(nullptr);
  auto* c = new TestClock(&form);
  c->SetParent(&form);
  kvtest::ShowForm(&form, 200, 200);
  int seconds = 0;
  QObject::connect(c, &TKvLedClock::OnSecondsChanged, [&](TObject*, uint16_t) { ++seconds; });
  c->SetSecondsIndicator(false);
  int paints = c->Paints;
  gNow = At(10, 20, 31);
  c->Tick();
  EXPECT_EQ(seconds, 1);
  EXPECT_EQ(c->Paints, paints);
  gNow = At(11, 20, 31);  // the hours alone
  c->Tick();
  EXPECT_EQ(c->Paints, paints);
  gNow = At(11, 21, 31);
  c->Tick();
  EXPECT_EQ(c->Paints, ++paints);
  c->SetSecondsIndicator(true);
  ++paints;
  gNow = At(11, 21, 32);
  c->Tick();
  EXPECT_EQ(c->Paints, ++paints);
  c->Tick();  // nothing changed
  EXPECT_EQ(c->Paints, paints);
}

namespace {

// Runs the event loop until Done holds or two seconds have passed.
template <class F>
bool PumpUntil(F done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2000) kvtest::Pump(5);
  return done();
}

}  // namespace

TEST(LedClock, AHandlerMaySwitchThreadedFromItsOwnTick) {
  FixedClock time(At(12, 0, 0), &SteppingNow);
  TestClock c(nullptr);
  c.Timer()->SetInterval(2);
  int ticks = 0;
  QObject::connect(&c, &TKvLedClock::OnSecondsChanged, [&](TObject*, uint16_t) {
    ++ticks;
    if (ticks == 1) c.SetThreaded(false);
    if (ticks == 4) c.SetThreaded(true);
  });
  c.SetActive(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 8; }));
  EXPECT_TRUE(c.Threaded());
  c.SetActive(false);
}

TEST(LedClock, AHandlerMayFreeTheClockFromItsOwnTick) {
  for (bool threaded : {true, false}) {
    FixedClock time(At(12, 0, 0), &SteppingNow);
    auto* c = new TestClock(nullptr);
    c->SetThreaded(threaded);
    c->Timer()->SetInterval(2);
    QPointer<TestClock> alive(c);
    int afterwards = 0;
    c->SetEnableAlarm(true);
    c->SetAlarmTime(At(12, 0, 1) + 0.5 / 86400 / 1000);  // due at the first tick
    QObject::connect(c, &TKvLedClock::OnSecondsChanged, [&](TObject*, uint16_t) { delete c; });
    QObject::connect(c, &TKvLedClock::OnAlarm, [&](TObject*) { ++afterwards; });
    c->SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return alive.isNull(); })) << threaded;
    kvtest::Pump(20);
    EXPECT_EQ(afterwards, 0) << threaded;
  }
}

TEST(LedClock, ExtremeSizesPaintWithinTheImage) {
  FixedClock time(At(23, 59, 59));
  TestClock c(nullptr);
  c.SetBounds(0, 0, 64, 48);
  const int big = std::numeric_limits<int>::max(), small = std::numeric_limits<int>::min();
  for (auto [led, spacing, sec, tick, dx] :
       {std::array{big, big, big, big, big}, std::array{small, small, small, big, small},
        std::array{-1, 0, -5, 1, 0}, std::array{big, small, 0, 3, big}}) {
    c.SetLedSize(led);
    c.SetSpacing(spacing);
    c.SetSecWidth(sec);
    c.SetTickWidth(tick);
    c.SetTextOffsetX(dx);
    c.SetTextOffsetY(kv::SatSub(0, dx));
    c.SetTextAngle(led);
    const QImage shot = kvtest::RenderControl(&c, clBlack);
    EXPECT_EQ(shot.size(), QSize(64, 48));
  }
  // Huge dots far outside: R is about -8.6e9 and the second ring about -1.3e10, so no mark
  // and no second dot may reach into the face, however the offsets are rounded.
  c.SetLedSize(3);
  c.SetSpacing(8);
  c.SetTextOffsetY(1000);
  ColourTheDots(c);
  c.SetTickWidth(2);
  c.SetSecWidth(big);
  c.SetSeconds(59);
  const QImage far = kvtest::RenderControl(&c, clBlack);
  EXPECT_EQ(CountPixels(far, clLime), 0);
  EXPECT_EQ(CountPixels(far, clYellow), 0);
}

// ---------------------------------------------------------------------------
// Reference pictures

// The main window's clock as its description has it; the local time it takes at loading
// is the stored one, and the timer is stopped before the picture is taken.
TEST(LedClock, ReferenceDemoSettings) {
  FixedClock time(At(20, 12, 55));
  TForm form(nullptr);
  kv::ReadComponent(&form,
                    "object Form: TForm\n"
                    "  object KvLedClock1: TKvLedClock\n"
                    "    Left = 48\n"
                    "    Top = 328\n"
                    "    Width = 241\n"
                    "    Height = 201\n"
                    "    Threaded = True\n"
                    "    Active = True\n"
                    "    Hours = 20\n"
                    "    HourFormat = hfmt24h\n"
                    "    Minutes = 12\n"
                    "    Seconds = 55\n"
                    "    LedSize = 3\n"
                    "    Spacing = 5\n"
                    "    TextOffsetX = 12\n"
                    "    Transparent = True\n"
                    "  end\n"
                    "end\n",
                    QStringLiteral("clock.kvf"));
  auto* c =
      dynamic_cast<TKvLedClock*>(kv::FindOwnedComponent(&form, QStringLiteral("KvLedClock1")));
  ASSERT_NE(c, nullptr);
  EXPECT_TRUE(c->Threaded());
  EXPECT_TRUE(c->Transparent());
  c->SetActive(false);
  EXPECT_EQ(c->BoundsRect(), Rect(48, 328, 289, 529));
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(c, 7292981, 4), "lib/ledclock-demo");
}

TEST(LedClock, ReferenceInitialSettings) {
  FixedClock time(At(10, 8, 30));
  TestClock c(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&c, clWhite, 4), "lib/ledclock-initial");
}
