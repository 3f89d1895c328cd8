#include "KvGauge.h"

#include "ClassRegistry.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QTest>

#include <climits>
#include <string>
#include <vector>

using kv::ColorToRGB;

namespace {

constexpr int32_t kPanelColor = 7292981;

// A gauge on a white form, painted and settled (the first paint may snap its size).
struct Scene {
  TForm form{nullptr};
  TKvGauge* gauge;
  explicit Scene(int width = 30, int height = 170) {
    form.SetColor(clWhite);
    gauge = new TKvGauge(&form);
    gauge->SetParent(&form);
    gauge->SetBounds(0, 0, width, height);
    kvtest::ShowForm(&form, 200, 200);
    Settle();
  }
  void Settle() { kvtest::Pump(20); }
  int32_t At(int x, int y) { return kvtest::PixelAt(&form, x, y); }
  void Click(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(gauge, button, Qt::NoModifier, QPoint(x, y));
  }
};

// The events a gauge fires, in order.
struct EventLog {
  std::vector<std::string> events;
  explicit EventLog(TKvGauge* g) {
    QObject::connect(g, &TKvGauge::OnChange, [this](TObject*) { events.push_back("change"); });
    QObject::connect(g, &TKvGauge::OnMinValue, [this](TObject*) { events.push_back("min"); });
    QObject::connect(g, &TKvGauge::OnMaxValue, [this](TObject*) { events.push_back("max"); });
  }
};

// The gauge alone on a form of Background, settled; the gauge keeps its parent.
QImage RenderSettled(TKvGauge* gauge, int32_t background, int margin) {
  TForm form(nullptr);
  form.SetColor(TColor(background));
  TWinControl* oldParent = gauge->Parent();
  gauge->SetParent(&form);
  gauge->SetBounds(margin, margin, gauge->Width(), gauge->Height());
  kvtest::ShowForm(&form, gauge->Width() + 2 * margin, gauge->Height() + 2 * margin);
  kvtest::Pump(20);
  const QImage shot = kvtest::Grab(&form);
  gauge->SetParent(oldParent);
  return shot;
}

}  // namespace

// ---------------------------------------------------------------------------
// Pictures

TEST(Gauge, InitialGaugeSnapsTo169AndShowsEightyUnlitTicks) {
  Scene s;
  EXPECT_EQ(s.gauge->Width(), 30);
  EXPECT_EQ(s.gauge->Height(), 169);
  // Bevel: black outline, raised outer ring, lowered inner rings, black space.
  EXPECT_EQ(s.At(0, 0), clBlack.Value);
  EXPECT_EQ(s.At(1, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(s.At(4, 84), clBlack.Value);
  // Eighty solid green ticks of one row, black gaps, from y = 5 to y = 163.
  for (int i = 0; i < 80; ++i) {
    EXPECT_EQ(s.At(5, 5 + 2 * i), clGreen.Value) << "tick " << i;
    EXPECT_EQ(s.At(24, 5 + 2 * i), clGreen.Value) << "tick " << i;
    EXPECT_EQ(s.At(6, 6 + 2 * i), clBlack.Value) << "gap " << i;
  }
  EXPECT_EQ(s.At(15, 169), clWhite.Value);
}

TEST(Gauge, ReferencePictures) {
  TKvGauge initial(nullptr);
  EXPECT_MATCHES_REFERENCE(RenderSettled(&initial, clWhite.Value, 2), "lib/gauge-initial");

  TKvGauge demo(nullptr);
  demo.SetBounds(0, 0, 31, 79);
  demo.Palette()->SetLow(clGreen);
  demo.Palette()->SetHigh(clLime);
  EXPECT_MATCHES_REFERENCE(RenderSettled(&demo, kPanelColor, 2), "lib/gauge-demo");
  EXPECT_EQ(demo.Height(), 79);  // 35 ticks fit exactly

  TKvGauge checkered(nullptr);
  checkered.SetOrientation(TKvOrientation::voHorizontal);
  checkered.SetBounds(0, 0, 61, 31);
  checkered.SetTickHeight(3);
  checkered.SetPosition(40);
  checkered.SetStyle(TKvProgressStyle::psTopRight);
  EXPECT_MATCHES_REFERENCE(RenderSettled(&checkered, kPanelColor, 2), "lib/gauge-checkered");
}

TEST(Gauge, LitTicksGrowFromTheStyleEnd) {
  Scene s;
  s.gauge->SetPosition(60);  // 60 % of 80 ticks is 47 in extended precision
  // Bottom-left: the top 33 ticks unlit, the bottom 47 lit.
  EXPECT_EQ(s.At(10, 5 + 2 * 32), clGreen.Value);
  EXPECT_EQ(s.At(10, 5 + 2 * 33), clLime.Value);
  EXPECT_EQ(s.At(10, 163), clLime.Value);

  s.gauge->SetStyle(TKvProgressStyle::psTopRight);
  EXPECT_EQ(s.At(10, 5), clLime.Value);
  EXPECT_EQ(s.At(10, 5 + 2 * 46), clLime.Value);
  EXPECT_EQ(s.At(10, 5 + 2 * 47), clGreen.Value);
  EXPECT_EQ(s.At(10, 163), clGreen.Value);

  s.gauge->SetPosition(100);
  for (int i = 0; i < 80; ++i) ASSERT_EQ(s.At(10, 5 + 2 * i), clLime.Value) << "tick " << i;
}

TEST(Gauge, HorizontalGaugeSwapsItsSidesAndLightsFromTheLeft) {
  Scene s;
  s.gauge->SetPosition(60);
  s.gauge->SetOrientation(TKvOrientation::voHorizontal);
  s.Settle();
  EXPECT_EQ(s.gauge->Width(), 169);
  EXPECT_EQ(s.gauge->Height(), 30);
  EXPECT_EQ(s.At(5, 15), clLime.Value);
  EXPECT_EQ(s.At(6, 15), clBlack.Value);
  EXPECT_EQ(s.At(5 + 2 * 46, 24), clLime.Value);
  EXPECT_EQ(s.At(5 + 2 * 47, 5), clGreen.Value);
  s.gauge->SetStyle(TKvProgressStyle::psTopRight);
  EXPECT_EQ(s.At(163, 15), clLime.Value);
  EXPECT_EQ(s.At(163 - 2 * 47, 15), clGreen.Value);
}

TEST(Gauge, UnlitTicksAreCheckeredOnlyWhenThickAndNotSolid) {
  Scene s;
  s.gauge->SetTickHeight(3);
  s.Settle();
  // Tick images start at the bar: Low where x + y is even inside the tick, black elsewhere.
  EXPECT_EQ(s.At(5, 5), clGreen.Value);
  EXPECT_EQ(s.At(6, 5), clBlack.Value);
  EXPECT_EQ(s.At(5, 6), clBlack.Value);
  EXPECT_EQ(s.At(6, 6), clGreen.Value);
  EXPECT_EQ(s.At(5, 9), clGreen.Value);  // the next tick, pitch 4, starts its own pattern
  EXPECT_EQ(s.At(6, 9), clBlack.Value);
  s.gauge->SetSolidFill(true);
  EXPECT_EQ(s.At(6, 5), clGreen.Value);
  EXPECT_EQ(s.At(5, 6), clGreen.Value);
  // Lit ticks are always solid.
  s.gauge->SetSolidFill(false);
  s.gauge->SetPosition(100);
  EXPECT_EQ(s.At(6, 5), clLime.Value);
}

TEST(Gauge, LongSideSnapsToWholeTicks) {
  Scene s;
  s.gauge->SetTickHeight(2);  // pitch 3: 53 ticks in 160 pixels
  s.Settle();
  EXPECT_EQ(s.gauge->Height(), 10 + 53 * 3 - 1);
  s.gauge->SetSpacing(5);  // pitch 7: 23 ticks
  s.Settle();
  EXPECT_EQ(s.gauge->Height(), 10 + 23 * 7 - 5);
  EXPECT_EQ(s.gauge->Width(), 30);
}

TEST(Gauge, PaletteChangesRecolourTheTicks) {
  Scene s;
  s.gauge->SetPosition(50);
  TKvPalette palette;
  palette.SetLow(clNavy);
  palette.SetHigh(clAqua);
  s.gauge->SetPalette(&palette);
  EXPECT_EQ(s.At(10, 5), clNavy.Value);
  EXPECT_EQ(s.At(10, 163), clAqua.Value);
  // Tick images of system colours follow a change of the system colours.
  s.gauge->Palette()->SetLow(clBtnFace);
  EXPECT_EQ(s.At(10, 5), ColorToRGB(clBtnFace));
  kv::SetSysColor(clBtnFace.Value & 0xFF, 0x123456);
  s.Settle();
  const int32_t unlit = s.At(10, 5);
  kv::ResetSysColors();
  EXPECT_EQ(unlit, 0x123456);
}

// ---------------------------------------------------------------------------
// Range, position and events

TEST(Gauge, PositionIsClampedAndFiresItsEventsInOrder) {
  TKvGauge g(nullptr);
  EventLog log(&g);
  g.SetPosition(0);
  EXPECT_TRUE(log.events.empty());
  g.SetPosition(500);
  EXPECT_EQ(g.Position(), 100);
  EXPECT_EQ(log.events, (std::vector<std::string>{"change", "max"}));
  log.events.clear();
  g.SetPosition(100);
  EXPECT_TRUE(log.events.empty());
  g.SetPosition(-3);
  EXPECT_EQ(g.Position(), 0);
  EXPECT_EQ(log.events, (std::vector<std::string>{"change", "min"}));
}

TEST(Gauge, RangeChangesPullThePositionWithEvents) {
  TKvGauge g(nullptr);
  EventLog log(&g);
  g.SetPosition(70);
  log.events.clear();
  g.SetMaxValue(40);
  EXPECT_EQ(g.Position(), 40);
  EXPECT_EQ(log.events, (std::vector<std::string>{"change", "max"}));
  log.events.clear();
  g.SetMinValue(45);  // not below MaxValue: ignored
  EXPECT_EQ(g.MinValue(), 0);
  g.SetMaxValue(0);  // not above MinValue: ignored
  EXPECT_EQ(g.MaxValue(), 40);
  g.SetMinValue(40 - 1);
  EXPECT_TRUE(log.events.empty());
  g.SetPosition(39);
  log.events.clear();
  g.SetMaxValue(80);
  g.SetMinValue(50);
  EXPECT_EQ(g.Position(), 50);
  EXPECT_EQ(log.events, (std::vector<std::string>{"change", "min"}));
}

TEST(Gauge, TickPitchMustStayPositive) {
  TKvGauge g(nullptr);
  g.SetTickHeight(0);
  g.SetTickHeight(-4);
  EXPECT_EQ(g.TickHeight(), 1);
  g.SetSpacing(-1);  // pitch 0
  EXPECT_EQ(g.Spacing(), 1);
  g.SetTickHeight(3);
  g.SetSpacing(-2);  // pitch 1: overlapping ticks are fine
  EXPECT_EQ(g.Spacing(), -2);
  g.SetTickHeight(2);  // would give pitch 0
  EXPECT_EQ(g.TickHeight(), 3);
  g.SetOrientation(TKvOrientation(7));
  g.SetStyle(TKvProgressStyle(-1));
  EXPECT_EQ(g.Orientation(), TKvOrientation::voVertical);
  EXPECT_EQ(g.Style(), TKvProgressStyle::psBottomLeft);
}

TEST(Gauge, HandlerMayFreeTheGauge) {
  auto* g = new TKvGauge(nullptr);
  bool maxFired = false;
  QObject::connect(g, &TKvGauge::OnChange, [g](TObject*) { delete g; });
  QObject::connect(g, &TKvGauge::OnMaxValue, [&](TObject*) { maxFired = true; });
  QPointer<TKvGauge> watch(g);
  g->SetPosition(100);
  // Retired under the setter that fired the event, gone once the event loop runs.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(watch.isNull());
  EXPECT_FALSE(maxFired);
}

// ---------------------------------------------------------------------------
// Clicks

TEST(Gauge, ClickInTheBarSetsThePosition) {
  Scene s;
  s.gauge->SetActiveClick(true);
  int mouseDowns = 0;
  QObject::connect(s.gauge, &TControl::OnMouseDown,
                   [&](TObject*, TMouseButton, TShiftState, int, int) { ++mouseDowns; });
  // d = 169 - 84 - 1 = 84 of the 159-pixel bar: 100 * 84 / 159 = 52.8, rounded 53, minus 1.
  s.Click(15, 84);
  EXPECT_EQ(s.gauge->Position(), 52);
  EXPECT_EQ(mouseDowns, 1);
  s.gauge->SetStyle(TKvProgressStyle::psTopRight);
  s.Click(15, 84);  // d = 83: 52.2 gives 52, minus 1
  EXPECT_EQ(s.gauge->Position(), 51);
}

TEST(Gauge, ClicksThatDoNotSetThePosition) {
  Scene s;
  int mouseDowns = 0;
  QObject::connect(s.gauge, &TControl::OnMouseDown,
                   [&](TObject*, TMouseButton, TShiftState, int, int) { ++mouseDowns; });
  s.Click(15, 84);  // ActiveClick off
  s.gauge->SetActiveClick(true);
  s.Click(15, 84, Qt::RightButton);
  s.Click(2, 84);  // on the bevel
  s.Click(15, 166);
  EXPECT_EQ(s.gauge->Position(), 0);
  EXPECT_EQ(mouseDowns, 4);
}

TEST(Gauge, HorizontalClickMeasuresFromTheStyleEnd) {
  Scene s;
  s.gauge->SetOrientation(TKvOrientation::voHorizontal);
  s.Settle();
  s.gauge->SetActiveClick(true);
  s.Click(41, 15);  // d = 40: 100 * 40 / 159 = 25.2, rounded 25, minus 1
  EXPECT_EQ(s.gauge->Position(), 24);
  s.gauge->SetStyle(TKvProgressStyle::psTopRight);
  s.Click(41, 15);  // d = 169 - 41 - 1 = 127: 79.9 gives 80, minus 1
  EXPECT_EQ(s.gauge->Position(), 79);
}

TEST(Gauge, ClickAtTheEmptyEndOfTheWidestRangeDoesNotWrap) {
  Scene s;
  TKvBevel none;
  none.SetVisible(false);
  s.gauge->SetBevel(&none);
  s.gauge->SetMaxValue(INT_MAX);
  s.gauge->SetMinValue(INT_MIN);
  s.gauge->SetActiveClick(true);
  s.Settle();
  const int bottom = s.gauge->Height() - 1;
  s.Click(10, bottom);  // d = 0: N = 0, MinValue - 1 clamps to MinValue
  EXPECT_EQ(s.gauge->Position(), INT_MIN);
  s.Click(10, 0);  // the far end
  EXPECT_GT(s.gauge->Position(), INT_MAX - 30000000);
}

// ---------------------------------------------------------------------------
// Sizes and tick images

TEST(Gauge, SquareGaugeTurnsItsTicksWithItsOrientation) {
  // 50 x 50 snaps to 50 x 49, a shape that already lies along the horizontal: turned, it keeps
  // its sides and snaps its width to whole ticks, 49 x 49: every lit tick 1 wide and 39 high.
  {
    Scene s(50, 50);
    s.gauge->SetPosition(100);
    s.gauge->SetOrientation(TKvOrientation::voHorizontal);
    s.Settle();
    ASSERT_EQ(s.gauge->Width(), 49);
    ASSERT_EQ(s.gauge->Height(), 49);
    for (int i = 0; i < 20; ++i) {
      for (int y = 5; y < 44; ++y)
        ASSERT_EQ(s.At(5 + 2 * i, y), clLime.Value) << "tick " << i << ", y " << y;
      EXPECT_EQ(s.At(6 + 2 * i, 20), clBlack.Value) << "gap " << i;
    }
    EXPECT_EQ(s.At(5, 44), clBlack.Value);
  }
  // A square that fits whole ticks keeps its size, so only the turn itself can rebuild them.
  Scene s(49, 49);  // 20 ticks fit exactly, so the size never changes
  s.gauge->SetPosition(100);
  s.gauge->SetOrientation(TKvOrientation::voHorizontal);
  s.Settle();
  ASSERT_EQ(s.gauge->Width(), 49);
  ASSERT_EQ(s.gauge->Height(), 49);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(s.At(5 + 2 * i, 5), clLime.Value) << "tick " << i;
    EXPECT_EQ(s.At(5 + 2 * i, 43), clLime.Value) << "tick " << i;
    EXPECT_EQ(s.At(6 + 2 * i, 20), clBlack.Value) << "gap " << i;
  }
}

TEST(Gauge, BevelChangeKeepsTheBarSize) {
  TKvGauge unpainted(nullptr);  // the bar is known before any paint
  unpainted.Bevel()->SetBorderWidth(2);
  EXPECT_EQ(unpainted.Width(), 34);
  EXPECT_EQ(unpainted.Height(), 174);

  Scene s;
  s.gauge->Bevel()->SetBorderWidth(3);
  s.Settle();
  EXPECT_EQ(s.gauge->Width(), 36);
  EXPECT_EQ(s.gauge->Height(), 175);
  EXPECT_EQ(s.At(2, 2), ColorToRGB(clBtnFace));
  EXPECT_EQ(s.At(8, 8), clGreen.Value);
  TKvBevel thin;
  thin.SetVisible(false);
  s.gauge->SetBevel(&thin);
  s.Settle();
  EXPECT_EQ(s.gauge->Width(), 20);
  EXPECT_EQ(s.gauge->Height(), 159);
  EXPECT_EQ(s.At(0, 0), clGreen.Value);
}

TEST(Gauge, HugeTickHeightDrawsAnEmptyBar) {
  // A bitmap of 2^26 pixels or more raises; a paint would hand that to the application.
  std::vector<QString> reports;
  kv::SetExceptionReporter(
      [&](QObject*, const QString&, const QString& message) { reports.push_back(message); });
  Scene s;
  EXPECT_NO_THROW(s.gauge->SetTickHeight(100000000));
  s.Settle();
  EXPECT_EQ(s.gauge->Height(), 9);  // no tick fits: the bevel less one spacing
  EXPECT_EQ(s.At(0, 0), clBlack.Value);
  s.gauge->SetOrientation(TKvOrientation::voHorizontal);
  EXPECT_NO_THROW(s.gauge->SetSolidFill(true));
  s.Settle();
  // Pitch 1, but no tick fits: the empty bar keeps its size instead of growing by -Spacing.
  s.gauge->SetBounds(0, 0, 60, 30);
  s.gauge->SetSpacing(-99999999);
  s.Settle();
  EXPECT_EQ(s.gauge->Width(), 60);
  EXPECT_EQ(s.gauge->Height(), 30);
  EXPECT_EQ(s.At(30, 15), clBlack.Value);
  kv::SetExceptionReporter({});
  EXPECT_TRUE(reports.empty()) << reports.front().toStdString();
}

// ---------------------------------------------------------------------------
// Form descriptions

TEST(Gauge, RangeSurvivesLoadingInAnyOrder) {
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object Negative: TKvGauge
    MaxValue = -10
    MinValue = -100
    Position = -50
  end
  object Corrupt: TKvGauge
    MaxValue = 5
    MinValue = 10
    Position = 7
  end
end)",
                    QStringLiteral("gauges.kvf"));
  auto* negative = dynamic_cast<TKvGauge*>(form.FindComponent(QStringLiteral("Negative")));
  ASSERT_NE(negative, nullptr);
  EXPECT_EQ(negative->MinValue(), -100);
  EXPECT_EQ(negative->MaxValue(), -10);
  EXPECT_EQ(negative->Position(), -50);
  auto* corrupt = dynamic_cast<TKvGauge*>(form.FindComponent(QStringLiteral("Corrupt")));
  EXPECT_EQ(corrupt->MinValue(), 0);
  EXPECT_EQ(corrupt->MaxValue(), 5);
  EXPECT_EQ(corrupt->Position(), 5);

  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  auto* copied = dynamic_cast<TKvGauge*>(copy.FindComponent(QStringLiteral("Negative")));
  EXPECT_EQ(copied->MinValue(), -100);
  EXPECT_EQ(copied->MaxValue(), -10);
  EXPECT_EQ(copied->Position(), -50);
}

TEST(Gauge, LoadingDefersResizingToTheEnd) {
  TForm form(nullptr);
  kv::ReadComponent(&form, R"(object Panel: TForm
  object G: TKvGauge
    Width = 170
    Height = 30
    Bevel.BorderWidth = 4
    Orientation = voHorizontal
    Palette.Low = clNavy
  end
end)",
                    QStringLiteral("gauge.kvf"));
  auto* g = dynamic_cast<TKvGauge*>(form.FindComponent(QStringLiteral("G")));
  EXPECT_EQ(g->Width(), 170);
  EXPECT_EQ(g->Height(), 30);
  EXPECT_EQ(g->Palette()->Low().Value, clNavy.Value);
  const QByteArray text = kv::WriteComponent(&form);
  EXPECT_TRUE(text.contains("Orientation = voHorizontal"));
  EXPECT_FALSE(text.contains("TickHeight"));
  EXPECT_FALSE(text.contains("Step"));
}
