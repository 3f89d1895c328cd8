#include "KvScanner.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "KvSysUtils.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>

#include <algorithm>
#include <climits>
#include <functional>
#include <set>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

constexpr int32_t Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

// The demo's scanner: 236 x 26, lime inner highlight and lit face, green unlit face.
// The demo's scanner, standing still.
void ApplyDemoSettings(TKvScanner& s) {
  kvdemo::ApplyDemoSettings(s, "frmScope", "KvScanner");
  s.SetActive(false);
}

void ApplyDemoSettings(TKvIndicator& i) {
  kvdemo::ApplyDemoSettings(i, "frmScope", "KvIndicator");
}

// The colour of the top face row (y = 2, inside two one-pixel rings) of the LED at Left.
int32_t FaceTop(const QImage& shot, int left, int width) {
  return PixelAt(shot, left + width / 2, 2);
}

// Runs the event loop until Done holds or two seconds have passed.
template <class F>
bool PumpUntil(F done) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < 2000) kvtest::Pump(5);
  return done();
}

class TestScanner : public TKvScanner {
public:
  using TKvScanner::Scan;
  using TKvScanner::TKvScanner;
};

}  // namespace

// ---------------------------------------------------------------------------
// LED style

TEST(LedStyle, InitialValuesAndWhatADescriptionAlwaysStores) {
  TKvLedStyle s;
  EXPECT_EQ(s.InnerHigh(), clLime);
  EXPECT_EQ(s.PaletteHigh1(), clLime);
  EXPECT_EQ(s.PaletteLow1(), clGreen);
  for (TColor c :
       {s.InnerShadow(), s.OuterHigh(), s.OuterShadow(), s.PaletteHigh2(), s.PaletteLow2()})
    EXPECT_EQ(c, clBlack);
  EXPECT_EQ(s.InnerWidth(), 1);
  EXPECT_EQ(s.OuterWidth(), 1);
  const auto defaults = kvtest::StreamingDefaults(TKvLedStyle::staticMetaObject);
  for (const char* always : {"InnerHigh", "PaletteHigh1", "PaletteLow1"})
    EXPECT_EQ(defaults.count(always), 0u) << always;
  EXPECT_EQ(defaults.size(), 7u);
}

TEST(LedStyle, AssignCopiesAllTenValuesWithOneNotification) {
  TKvLedStyle a, b;
  b.SetInnerHigh(clRed);
  b.SetInnerWidth(3);
  b.SetOuterShadow(clNavy);
  b.SetPaletteLow2(clTeal);
  int changes = 0;
  QObject::connect(&a, &TKvPersistent::OnChange, [&] { ++changes; });
  a.Assign(&b);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(a.InnerHigh(), clRed);
  EXPECT_EQ(a.InnerWidth(), 3);
  EXPECT_EQ(a.OuterShadow(), clNavy);
  EXPECT_EQ(a.PaletteLow2(), clTeal);
  a.SetInnerHigh(clRed);  // unchanged
  EXPECT_EQ(changes, 1);
}

TEST(LedStyle, DrawLedRingsThenBandsOfTheFaceGradient) {
  kvtest::Picture p(8, 9, clWhite);
  TKvLedStyle s;
  s.SetOuterHigh(clNavy);
  s.SetOuterShadow(clPurple);
  s.SetInnerShadow(clRed);
  DrawLed(p.c, Rect(0, 0, 8, 9), &s, false, 2);
  EXPECT_EQ(p.At(0, 0), clNavy.Value);
  EXPECT_EQ(p.At(7, 8), clPurple.Value);
  EXPECT_EQ(p.At(1, 1), clLime.Value);
  EXPECT_EQ(p.At(6, 7), clRed.Value);
  // Face rows 2..6 (height 5) in bands of 2: 128, 128 - 2 * 128 / 5, 128 - 4 * 128 / 5.
  EXPECT_EQ(p.At(3, 2), Rgb(0, 128, 0));
  EXPECT_EQ(p.At(3, 3), Rgb(0, 128, 0));
  EXPECT_EQ(p.At(3, 4), Rgb(0, 77, 0));
  EXPECT_EQ(p.At(3, 6), Rgb(0, 26, 0));
  // Lit: from the lit colour.
  DrawLed(p.c, Rect(0, 0, 8, 9), &s, true, 1);
  EXPECT_EQ(p.At(3, 2), clLime.Value);
  // An LED too small for its rings draws the rings it can and no face.
  kvtest::Picture tiny(3, 3, clWhite);
  DrawLed(tiny.c, Rect(0, 0, 3, 3), &s, true, 1);
  EXPECT_EQ(tiny.At(0, 0), clNavy.Value);
  EXPECT_EQ(kvtest::CountPixels(tiny.Image(), clLime), 0);
}

// ---------------------------------------------------------------------------
// Scanner

TEST(Scanner, ConstructionAndPublishedProperties) {
  TKvScanner s(nullptr);
  EXPECT_EQ(s.BoundsRect(), Rect(0, 0, 250, 9));
  EXPECT_EQ(s.Leds(), 7);
  EXPECT_EQ(s.Spacing(), 2);
  EXPECT_EQ(s.ColorWidth(), 1);
  EXPECT_EQ(s.Direction(), TKvScanDirection::sdBoth);
  EXPECT_EQ(s.Position(), -1);
  EXPECT_TRUE(s.Threaded());
  EXPECT_FALSE(s.Active());
  EXPECT_EQ(s.TimeInterval(), 100);
  EXPECT_FALSE(s.Transparent());
  EXPECT_TRUE(s.ParentColor());
  const std::vector<QByteArray> order = {
      "Leds",   "LedStyle",     "Spacing",     "ColorWidth", "Direction", "Position",   "Threaded",
      "Active", "TimeInterval", "Transparent", "Align",      "Color",     "ParentColor"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvScanner::staticMetaObject), order);
  // Threaded is always stored.
  EXPECT_EQ(kvtest::StreamingDefaults(TKvScanner::staticMetaObject).count("Threaded"), 0u);
}

TEST(Scanner, RangesAreRefused) {
  TKvScanner s(nullptr);
  s.SetLeds(0);
  s.SetLeds(-3);
  EXPECT_EQ(s.Leds(), 7);
  s.SetColorWidth(0);
  s.SetColorWidth(11);
  EXPECT_EQ(s.ColorWidth(), 1);
  s.SetDirection(TKvScanDirection(7));
  EXPECT_EQ(s.Direction(), TKvScanDirection::sdBoth);
  s.SetTimeInterval(-1);  // kept as the timer keeps it
  EXPECT_EQ(s.TimeInterval(), -1);
}

TEST(Scanner, DemoLedsLie34ApartWithTheFaceGradientAndTheBackgroundBetween) {
  TKvScanner s(nullptr);
  ApplyDemoSettings(s);
  s.SetPosition(3);
  const QImage shot = kvtest::RenderControl(&s, kPanelColor);
  for (int i = 0; i < 7; ++i) {
    const int x = 34 * i;
    EXPECT_EQ(PixelAt(shot, x, 0), clBlack.Value) << i;  // outer ring
    EXPECT_EQ(PixelAt(shot, x + 1, 1), clLime.Value) << i;
    EXPECT_EQ(FaceTop(shot, x, 32), (i == 3 ? clLime : clGreen).Value) << i;
    if (i == 6) continue;
    EXPECT_EQ(PixelAt(shot, x + 32, 10), kPanelColor) << i;  // the gap, transparent
    EXPECT_EQ(PixelAt(shot, x + 33, 10), kPanelColor) << i;
  }
  // The unlit face runs from (0, 128, 0) in row 2 to (0, 6, 0) in row 23.
  EXPECT_EQ(PixelAt(shot, 10, 2), Rgb(0, 128, 0));
  EXPECT_EQ(PixelAt(shot, 10, 23), Rgb(0, 6, 0));
  EXPECT_EQ(PixelAt(shot, 10, 24), clBlack.Value);
}

TEST(Scanner, TheRemainderOfTheWidthIsSplitWithTheOddPixelOnTheRight) {
  TKvScanner s(nullptr);
  s.SetBounds(0, 0, 241, 26);
  s.SetColor(clWhite);
  const QImage shot = kvtest::RenderControl(&s, clWhite);
  EXPECT_EQ(PixelAt(shot, 1, 10), clWhite.Value);
  EXPECT_EQ(PixelAt(shot, 2, 10), clBlack.Value);
  EXPECT_EQ(PixelAt(shot, 237, 10), clBlack.Value);
  EXPECT_EQ(PixelAt(shot, 238, 10), clWhite.Value);
  EXPECT_EQ(kvtest::InkBounds(shot, clBlack), Rect(2, 0, 238, 26));
}

TEST(Scanner, PositionsOutsideTheRowLightNone) {
  TKvScanner s(nullptr);
  s.SetBounds(0, 0, 236, 26);
  const QImage dark = kvtest::RenderControl(&s, clWhite);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(FaceTop(dark, 34 * i, 32), clGreen.Value) << i;
  for (int p : {7, INT_MAX, INT_MIN}) {
    s.SetPosition(p);
    EXPECT_SAME_PIXELS(kvtest::RenderControl(&s, clWhite), dark);
  }
  s.SetPosition(6);
  EXPECT_EQ(FaceTop(kvtest::RenderControl(&s, clWhite), 34 * 6, 32), clLime.Value);
}

TEST(Scanner, EachDirectionSteps) {
  TestScanner s(nullptr);
  s.SetLeds(3);
  std::vector<int> seen;
  for (int i = 0; i < 8; ++i) {
    s.Scan();
    seen.push_back(s.Position());
  }
  EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 2, 1, 0, 0, 1}));
  s.SetLeds(7);
  s.SetDirection(TKvScanDirection::sdLeftRight);
  s.SetPosition(10);
  s.Scan();
  EXPECT_EQ(s.Position(), 0);
  s.SetPosition(6);
  s.Scan();
  EXPECT_EQ(s.Position(), 0);
  s.SetDirection(TKvScanDirection::sdRightLeft);
  s.Scan();
  EXPECT_EQ(s.Position(), 6);
  s.SetPosition(INT_MIN);
  s.Scan();
  EXPECT_EQ(s.Position(), 6);
}

TEST(Scanner, ChangingLedsTurnsTheLightOffWithoutAnEvent) {
  TKvScanner s(nullptr);
  int changes = 0;
  QObject::connect(&s, &TKvScanner::OnChange, [&] { ++changes; });
  s.SetPosition(2);
  EXPECT_EQ(changes, 1);
  s.SetPosition(2);
  EXPECT_EQ(changes, 1);
  s.SetLeds(9);
  EXPECT_EQ(s.Position(), -1);
  EXPECT_EQ(changes, 1);
}

// ---------------------------------------------------------------------------
// LED widths from hostile settings, both controls

namespace {

template <class Control>
void ExpectOnlyBackground(int leds, int spacing) {
  Control c(nullptr);
  c.SetBounds(0, 0, 250, 20);
  c.SetColor(clWhite);
  c.SetLeds(leds);
  c.SetSpacing(spacing);
  EXPECT_EQ(kvtest::Colours(kvtest::RenderControl(&c, clWhite)), std::set<int32_t>{0xFFFFFF})
      << leds << " " << spacing;
}

}  // namespace

TEST(LedRows, LedsWithoutWidthShowTheBackgroundOnly) {
  ExpectOnlyBackground<TKvScanner>(1000, 2);
  ExpectOnlyBackground<TKvScanner>(INT_MAX, 2);
  ExpectOnlyBackground<TKvIndicator>(1000, 2);
  ExpectOnlyBackground<TKvIndicator>(INT_MAX, 2);
}

TEST(LedRows, LedsOnOneSpotDrawOnlyTheLast) {
  // Pitch 0: every LED lands on x = 124, one pixel wide.
  TKvScanner s(nullptr);
  s.SetBounds(0, 0, 250, 26);
  s.SetColor(clWhite);
  s.SetLeds(INT_MAX);
  s.SetSpacing(-1);
  QImage shot = kvtest::RenderControl(&s, clWhite);
  EXPECT_EQ(kvtest::InkBounds(shot, clBlack), Rect(124, 0, 125, 26));
  EXPECT_EQ(kvtest::CountPixels(shot, clWhite), 249 * 26);
  s.SetPosition(INT_MAX - 1);
  shot = kvtest::RenderControl(&s, clWhite);
  EXPECT_EQ(PixelAt(shot, 124, 0), clBlack.Value);
  EXPECT_EQ(kvtest::CountPixels(shot, clWhite), 249 * 26);
}

TEST(LedRows, OverlappingAndVeryWideLedsGiveThePicturesOfEveryCopy) {
  // Negative pitches: each later LED covers most of the one before; and LEDs far wider
  // than the control, whose cells keep only their sides. Compared with the same LEDs drawn
  // one by one, in order, at their full width.
  for (auto [leds, spacing] : {std::pair{5, -60}, {3, -400}, {2, -1000}, {4, 30}}) {
    TKvIndicator c(nullptr);
    c.SetBounds(0, 0, 120, 12);
    c.SetColor(clWhite);
    c.SetLeds(leds);
    c.SetSpacing(spacing);
    c.SetPosition(60);
    c.LedStyle1()->SetOuterWidth(2);
    const QImage shot = kvtest::RenderControl(&c, clWhite);
    const int64_t a = 120 - int64_t(leds - 1) * spacing, w = a / leds, off = (a - w * leds) / 2;
    kvtest::Picture expected(120, 12, clWhite);
    const int lit = PercentToValue(60, leds);
    const int z1 = PercentToValue(50, leds), z2 = PercentToValue(30, leds);
    for (int i = 0; i < leds; ++i) {
      kvtest::Picture led(int(w), 12, clWhite);
      const TKvLedStyle* style = i < z1        ? c.LedStyle1()
                                 : i < z1 + z2 ? c.LedStyle2()
                                               : c.LedStyle3();
      DrawLed(led.c, Rect(0, 0, int(w), 12), style, i + 1 <= lit, 1);
      const int64_t left = i * (w + spacing) + off;
      if (left >= 120 || left + w <= 0) continue;
      expected.c->CopyRect(Rect(int(left), 0, int(left + w), 12), led.c, Rect(0, 0, int(w), 12));
    }
    EXPECT_SAME_PIXELS(shot, expected.Image());
  }
}

// ---------------------------------------------------------------------------
// Timer

TEST(Scanner, AnOnChangeHandlerMayFreeTheScannerInItsOwnTick) {
  for (bool threaded : {true, false}) {
    auto* s = new TKvScanner(nullptr);
    s->SetThreaded(threaded);
    s->SetTimeInterval(2);
    QPointer<TKvScanner> alive(s);
    int ticks = 0;
    QObject::connect(s, &TKvScanner::OnChange, [&] {
      if (++ticks == 5) delete s;
    });
    s->SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return alive.isNull(); })) << threaded;
    kvtest::Pump(20);
    EXPECT_EQ(ticks, 5) << threaded;
  }
}

TEST(Scanner, AnOnChangeHandlerMaySwitchThreadedAndTheLightRunsOn) {
  TKvScanner s(nullptr);
  s.SetTimeInterval(2);
  int ticks = 0;
  QObject::connect(&s, &TKvScanner::OnChange, [&] {
    ++ticks;
    if (ticks == 1 || ticks == 4) s.SetThreaded(!s.Threaded());
  });
  s.SetActive(true);
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 8; }));
  EXPECT_TRUE(s.Threaded());
  s.SetActive(false);
}

// ---------------------------------------------------------------------------
// Indicator

TEST(Indicator, ConstructionAndZoneStyles) {
  TKvIndicator c(nullptr);
  EXPECT_EQ(c.BoundsRect(), Rect(0, 0, 250, 9));
  EXPECT_EQ(c.MinValue(), 0);
  EXPECT_EQ(c.MaxValue(), 100);
  EXPECT_EQ(c.Position(), 0);
  EXPECT_EQ(c.Percent1(), 50);
  EXPECT_EQ(c.Percent2(), 30);
  EXPECT_EQ(c.Step(), 10);
  EXPECT_EQ(c.LedStyle1()->InnerHigh(), clLime);
  EXPECT_EQ(c.LedStyle2()->InnerHigh(), clYellow);
  EXPECT_EQ(c.LedStyle2()->PaletteLow1(), clOlive);
  EXPECT_EQ(c.LedStyle3()->PaletteHigh1(), clRed);
  EXPECT_EQ(c.LedStyle3()->PaletteLow1(), clMaroon);
}

namespace {

// Which of the demo indicator's seven LEDs (x = 3 + 31 i, 29 wide) show which face colour.
std::vector<int32_t> DemoFaces(TKvIndicator& c) {
  const QImage shot = kvtest::RenderControl(&c, kPanelColor);
  std::vector<int32_t> faces;
  for (int i = 0; i < c.Leds(); ++i) faces.push_back(FaceTop(shot, 3 + 31 * i, 29));
  return faces;
}

}  // namespace

TEST(Indicator, DemoPosition90LightsSixInZonesOfThreeTwoAndTwo) {
  TKvIndicator c(nullptr);
  ApplyDemoSettings(c);
  const QImage shot = kvtest::RenderControl(&c, kPanelColor);
  EXPECT_EQ(PixelAt(shot, 2, 10), kPanelColor);  // ParentColor: the panel's colour
  EXPECT_EQ(PixelAt(shot, 3, 0), clBlack.Value);
  EXPECT_EQ(PixelAt(shot, 31, 10), clBlack.Value);
  EXPECT_EQ(PixelAt(shot, 32, 10), kPanelColor);
  EXPECT_EQ(DemoFaces(c),
            (std::vector<int32_t>{clLime.Value, clLime.Value, clLime.Value, clYellow.Value,
                                  clYellow.Value, clRed.Value, clMaroon.Value}));
  c.SetPosition(100);
  EXPECT_EQ(DemoFaces(c).back(), clRed.Value);
  c.SetPosition(0);
  EXPECT_EQ(DemoFaces(c),
            (std::vector<int32_t>{clGreen.Value, clGreen.Value, clGreen.Value, clOlive.Value,
                                  clOlive.Value, clMaroon.Value, clMaroon.Value}));
}

TEST(Indicator, RangeRulesAndEvents) {
  TKvIndicator c(nullptr);
  c.SetBounds(0, 0, 221, 31);
  int changes = 0;
  QObject::connect(&c, &TKvIndicator::OnChange, [&] { ++changes; });
  c.SetPosition(150);
  EXPECT_EQ(c.Position(), 100);
  EXPECT_EQ(changes, 1);
  c.SetPosition(100);
  EXPECT_EQ(changes, 1);
  c.SetMaxValue(60);  // pulls Position without an event
  EXPECT_EQ(c.Position(), 60);
  c.SetMinValue(70 - 10);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(c.SetMinValue(61), EKvException);
  EXPECT_THROW(c.SetMaxValue(59), EKvException);
  EXPECT_EQ(c.MinValue(), 60);
  EXPECT_EQ(c.MaxValue(), 60);
  // An empty range lights none and divides by nothing.
  EXPECT_EQ(DemoFaces(c)[0], clGreen.Value);
  try {
    c.SetMaxValue(0);
    ADD_FAILURE() << "no exception";
  } catch (const EKvException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("Value out of range."));
  }
  c.SetPercent1(90);  // cut to 100 - 30
  EXPECT_EQ(c.Percent1(), 70);
  c.SetPercent2(101);
  EXPECT_EQ(c.Percent2(), 30);
  c.SetLeds(0);
  EXPECT_EQ(c.Leds(), 7);
}

TEST(Indicator, WideRangesKeepTheirRatio) {
  TKvIndicator c(nullptr);
  c.SetBounds(0, 0, 221, 31);
  c.SetMinValue(INT_MIN);
  c.SetMaxValue(INT_MAX);
  c.SetPosition(0);
  const std::vector<int32_t> faces = DemoFaces(c);
  EXPECT_EQ(std::count(faces.begin(), faces.end(), clLime.Value), 3);
  EXPECT_EQ(std::count(faces.begin(), faces.end(), clGreen.Value), 0);
}

TEST(Indicator, ADescriptionMayInvertTheRangeAndStillLoadsAndPaints) {
  TForm form(nullptr);
  kv::ReadComponent(&form,
                    "object Form: TForm\n"
                    "  object Probe: TKvIndicator\n"
                    "    Width = 221\n"
                    "    Height = 31\n"
                    "    MinValue = 200\n"
                    "    MaxValue = 100\n"
                    "    Position = 150\n"
                    "    Percent1 = 90\n"
                    "  end\n"
                    "end\n",
                    QStringLiteral("indicator.kvf"));
  auto* c = dynamic_cast<TKvIndicator*>(form.FindComponent(QStringLiteral("Probe")));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->MinValue(), 200);
  EXPECT_EQ(c->MaxValue(), 100);
  EXPECT_EQ(c->Position(), 200);
  EXPECT_EQ(c->Percent1(), 90);  // stored as it came while loading
  const std::vector<int32_t> faces = DemoFaces(*c);
  EXPECT_EQ(std::count(faces.begin(), faces.end(), clLime.Value), 0);
}

// ---------------------------------------------------------------------------
// Reference pictures

TEST(Scanner, ReferenceDemoSettings) {
  TKvScanner s(nullptr);
  ApplyDemoSettings(s);
  s.SetPosition(3);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&s, kPanelColor, 4), "lib/scanner-demo");
}

TEST(Scanner, ReferenceInitialSettings) {
  TKvScanner s(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&s, clWhite, 4), "lib/scanner-initial");
}

TEST(Indicator, ReferenceDemoSettings) {
  TKvIndicator c(nullptr);
  ApplyDemoSettings(c);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&c, kPanelColor, 4), "lib/indicator-demo");
}

TEST(Indicator, ReferenceInitialSettings) {
  TKvIndicator c(nullptr);
  c.SetPosition(60);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&c, clWhite, 4), "lib/indicator-initial");
}

// The reported sequence: a hugely negative spacing, transparency, a 1 x 1 size and a very tall
// one, painted after each. The LED row's copies stay inside the pictures they copy between.
TEST(Scanner, NegativeSpacingThenATinyThenATallSizePaint) {
  TForm form(nullptr);
  auto* s = new TKvScanner(&form);
  kvtest::ShowForm(&form, 200, 100);
  const std::vector<std::function<void()>> steps = {
      [s] { s->SetSpacing(-1000000); }, [s] { s->SetTransparent(true); },
      [s] { s->SetBounds(s->Left(), s->Top(), 1, 1); }, [s] { s->SetHeight(16777216); }};
  for (const auto& step : steps) {
    step();
    s->Repaint();
    kvtest::Pump();
  }
  EXPECT_EQ(s->Height(), QWIDGETSIZE_MAX);
}
