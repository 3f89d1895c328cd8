// The scope panel: its controls and settings as the description gives them, the panel's
// handlers, the picture with the timers stopped and fixed values, and a prompt end while
// every timer of the panel ticks.
#include "DemoForms.h"
#include "Pixels.h"
#include "References.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <memory>
#include <vector>

using kv::Bounds, kv::ColorToRGB, kv::RandSeed;

namespace {

constexpr TColor kPanelColor = 7292981;

// The panel with every timer stopped.
struct StoppedPanel {
  TfrmScope form{nullptr};
  StoppedPanel() {
    form.KvTimer->SetEnabled(false);
    form.KvScope->SetActive(false);
    form.KvScanner->SetActive(false);
  }
};

// One tick of the scope's own timer, delivered by hand.
class ScopeTicker : public TKvScope {
public:
  static void Deliver(TKvScope* s) { (s->*(&ScopeTicker::Tick))(); }
};
void TickScope(TKvScope* s) { ScopeTicker::Deliver(s); }

void ExpectHint(const TControl* c, const char* name) {
  EXPECT_EQ(c->Hint(), QLatin1String(name));
  EXPECT_FALSE(c->ParentShowHint()) << name;
  EXPECT_TRUE(c->ShowHint()) << name;
}

}  // namespace

TEST(ScopePanel, TheDescriptionHoldsTheTablesControlsAndSettings) {
  TfrmScope form(nullptr);
  EXPECT_EQ(form.KvScanner->BoundsRect(), Bounds(15, 40, 236, 26));
  EXPECT_EQ(form.KvIndicator->BoundsRect(), Bounds(215, 80, 221, 31));
  EXPECT_EQ(form.KvSpectrum->BoundsRect(), Bounds(15, 120, 225, 91));
  EXPECT_EQ(form.KvScope->BoundsRect(), Bounds(180, 220, 251, 86));
  ExpectHint(form.KvScanner, "TKvScanner");
  ExpectHint(form.KvIndicator, "TKvIndicator");
  ExpectHint(form.KvSpectrum, "TKvSpectrum");
  ExpectHint(form.KvScope, "TKvScope");

  EXPECT_TRUE(form.KvScanner->Threaded());
  EXPECT_TRUE(form.KvScanner->Active());
  EXPECT_TRUE(form.KvScanner->Transparent());
  EXPECT_EQ(form.KvScanner->LedStyle()->PaletteLow1(), clGreen);
  EXPECT_EQ(form.KvIndicator->Position(), 90);
  EXPECT_EQ(form.KvIndicator->LedStyle2()->PaletteLow1(), clOlive);
  EXPECT_EQ(form.KvIndicator->LedStyle3()->InnerHigh(), clRed);
  EXPECT_EQ(form.KvSpectrum->Palette3()->High(), clRed);
  EXPECT_EQ(form.KvSpectrum->Bevel()->InnerWidth(), 2);
  EXPECT_EQ(form.KvSpectrum->Bevel()->InnerColor(), clBlack);

  TKvScope* scope = form.KvScope;
  EXPECT_EQ(scope->Interval(), 100);
  EXPECT_EQ(scope->Frequency(), 3);
  EXPECT_TRUE(scope->Threaded());
  EXPECT_TRUE(scope->Active());
  ASSERT_EQ(scope->Channels()->Count(), 2);
  EXPECT_EQ(scope->Channels()->Items(0)->Color(), clYellow);
  EXPECT_EQ(scope->Channels()->Items(0)->Style(), TGraphStyle::gsBar);
  EXPECT_EQ(scope->Channels()->Items(1)->Color(), clRed);
  EXPECT_EQ(scope->Channels()->Items(1)->Style(), TGraphStyle::gsBar);
  EXPECT_EQ(form.KvTimer->Interval(), 100u);

  const std::vector<std::pair<TKvLabel*, QString>> headings = {
      {form.KvLabel1, QStringLiteral("TKvScanner")},
      {form.KvLabel10, QStringLiteral("TKvIndicator")},
      {form.KvLabel2, QStringLiteral("TKvSpectrum")},
      {form.KvLabel3, QStringLiteral("TKvScope")}};
  for (const auto& [label, caption] : headings) {
    EXPECT_EQ(label->Caption(), caption);
    EXPECT_EQ(label->Style(), TKvLabelStyle::lsShadow);
    EXPECT_TRUE(label->Transparent());
  }
  EXPECT_EQ(form.KvLabel1->Color(), TColor(10446669));
  EXPECT_EQ(form.KvLabel3->Color(), kPanelColor);
}

TEST(ScopePanel, TheIndicatorBouncesBetweenNoughtAndAHundred) {
  StoppedPanel p;
  std::vector<int> seen;
  for (int i = 0; i < 24; ++i) {
    p.form.KvTimerTimer(nullptr);
    seen.push_back(p.form.KvIndicator->Position());
  }
  const std::vector<int> expected = {95, 100, 95, 90, 85, 80, 75, 70, 65, 60, 55, 50,
                                     45, 40,  35, 30, 25, 20, 15, 10, 5,  0,  5,  10};
  EXPECT_EQ(seen, expected);
}

TEST(ScopePanel, BarsTakeNoughtToNinetyNineAndTheScopeOneToAHundred) {
  StoppedPanel p;
  RandSeed(12345);
  std::vector<int> samples;
  QObject::connect(p.form.KvScope, &TKvScope::OnNeedData,
                   [&](TObject*, int, int& value) { samples.push_back(value); });
  bool sawZero = false, saw99 = false;
  for (int i = 0; i < 50; ++i) {
    p.form.KvTimerTimer(nullptr);
    for (int k = 0; k < p.form.KvSpectrum->Count(); ++k) {
      const int v = p.form.KvSpectrum->Items(k)->Position();
      EXPECT_GE(v, 0);
      EXPECT_LE(v, 99);
      sawZero = sawZero || v == 0;
      saw99 = saw99 || v == 99;
    }
    int value = 0;
    p.form.KvScopeNeedData(p.form.KvScope, 0, value);
    EXPECT_GE(value, 1);
    EXPECT_LE(value, 100);
  }
  EXPECT_TRUE(sawZero && saw99);
}

TEST(ScopePanel, ScopeTicksAskThePanelThroughTheBoundHandler) {
  StoppedPanel p;
  RandSeed(99);
  for (int i = 0; i < 50; ++i) TickScope(p.form.KvScope);
  for (int c = 0; c < 2; ++c) {
    const TKvChannel* channel = p.form.KvScope->Channels()->Items(c);
    ASSERT_EQ(channel->Count(), 50);
    for (int i = 0; i < 50; ++i) {
      EXPECT_GE(channel->Sample(i), 1);
      EXPECT_LE(channel->Sample(i), 100);
    }
  }
}

TEST(ScopePanel, Picture) {
  StoppedPanel p;
  RandSeed(2024);
  for (int i = 0; i < 120; ++i) TickScope(p.form.KvScope);
  p.form.KvScanner->SetPosition(3);
  p.form.KvIndicator->SetPosition(90);
  for (int k = 0; k < p.form.KvSpectrum->Count(); ++k)
    p.form.KvSpectrum->Items(k)->SetPosition((k * 37 + 11) % 100);
  const QImage shot = kvtest::RenderForm(&p.form);
  EXPECT_MATCHES_REFERENCE(shot, QStringLiteral("app/scope-panel"));
  // The scanner's fourth LED is lit; the spectrum's first bar shows its marker at the top of
  // its eleven lit ticks (11 % of 41 ticks lights 4).
  EXPECT_EQ(kvtest::PixelAt(shot, 15 + 34 * 3 + 16, 40 + 2), clLime.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 15 + 34 * 2 + 16, 40 + 2), ColorToRGB(TColor(0x008000)));
  EXPECT_EQ(kvtest::PixelAt(shot, 15 + 5, 120 + 5 + 2 * (41 - 4)), clWhite.Value);
}

TEST(ScopePanel, TheDemoEndsPromptlyWhileEveryTimerOfThePanelTicks) {
  for (int round = 0; round < 5; ++round) {
    auto demo = std::make_unique<kvtest::DemoForms>();
    frmQelDemo->chkCheckbox->SetChecked(true);
    frmScope->KvTimer->SetInterval(1);
    frmScope->KvScope->SetInterval(1);
    frmScope->KvScanner->SetTimeInterval(1);
    frmQelDemo->KvTimer->SetInterval(1);
    kvtest::Pump(30);
    QElapsedTimer t;
    t.start();
    demo.reset();
    EXPECT_LT(t.elapsed(), 2000) << "round " << round;
  }
}
