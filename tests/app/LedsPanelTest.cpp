// The LEDs panel: its controls and settings as the description gives them, the panel's
// handlers, the picture as loaded with every timer stopped, and a prompt end while every
// timer of the panel ticks.
#include "DemoForms.h"
#include "Pixels.h"
#include "References.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include <memory>
#include <vector>

using kv::Bounds;

namespace {

constexpr TColor kPanelColor = 7292981;

// The panel with every timer stopped.
struct StoppedPanel {
  TfrmLeds form{nullptr};
  StoppedPanel() {
    form.KvTimer->SetEnabled(false);
    form.KvBlinkLed->SetEnableBlinking(false);
    form.KvBanner->SetAutoScroll(false);
  }
};

void ExpectHint(const TControl* c, const char* name) {
  EXPECT_EQ(c->Hint(), QLatin1String(name));
  EXPECT_FALSE(c->ParentShowHint()) << name;
  EXPECT_TRUE(c->ShowHint()) << name;
}

}  // namespace

TEST(LedsPanel, TheDescriptionHoldsTheTablesControlsAndSettings) {
  TfrmLeds form(nullptr);
  form.KvTimer->SetEnabled(false);
  EXPECT_EQ(form.KvBlinkLed->BoundsRect(), Bounds(15, 40, 111, 41));
  EXPECT_EQ(form.KvLights->BoundsRect(), Bounds(20, 115, 80, 36));
  EXPECT_EQ(form.KvDigitGroup->BoundsRect(), Bounds(305, 140, 120, 35));
  EXPECT_EQ(form.KvUserLed->BoundsRect(), Bounds(15, 190, 91, 36));
  EXPECT_EQ(form.KvCheckLed->BoundsRect(), Bounds(140, 45, 125, 25));
  EXPECT_EQ(form.KvMatrix->BoundsRect(), Bounds(185, 80, 248, 30));
  EXPECT_EQ(form.KvImageLed->BoundsRect(), Bounds(160, 155, 40, 40));
  EXPECT_EQ(form.KvProgressBar->BoundsRect(), Bounds(215, 220, 200, 16));
  EXPECT_EQ(form.KvBanner->BoundsRect(), Bounds(41, 255, 359, 59));
  ExpectHint(form.KvMatrix, "TKvMatrix");
  ExpectHint(form.KvImageLed, "TKvImageLed");
  ExpectHint(form.KvProgressBar, "TKvProgressBar");
  ExpectHint(form.KvBanner, "TKvBanner");
  EXPECT_EQ(form.KvMatrix->Text(), QStringLiteral("brontel.example"));
  EXPECT_EQ(form.KvMatrix->Text().size(), 15);
  EXPECT_TRUE(form.KvMatrix->Threaded());
  EXPECT_EQ(form.KvMatrix->TimeInterval(), 250);
  EXPECT_FALSE(form.KvMatrix->AutoScroll());
  EXPECT_EQ(form.KvMatrix->Bevel()->InnerWidth(), 2);
  EXPECT_EQ(form.KvMatrix->Bevel()->InnerColor(), clBlack);
  EXPECT_EQ(form.KvImageLed->ImageType(), TKvImageType::itRewind);
  EXPECT_EQ(form.KvImageLed->Color(), TColor(14267539));
  EXPECT_EQ(form.KvProgressBar->Position(), 100);
  EXPECT_EQ(form.KvProgressBar->Bevel()->OuterStyle(), TKvBevelStyle::bsLowered);
  EXPECT_EQ(form.KvBanner->Bitmap()->Width(), 246);
  EXPECT_EQ(form.KvBanner->Bitmap()->Height(), 20);
  EXPECT_EQ(form.KvBanner->Bevel()->InnerSpace(), 0);
  EXPECT_TRUE(form.KvBanner->AutoScroll());
  EXPECT_TRUE(form.KvBanner->Threaded());
  ExpectHint(form.KvBlinkLed, "TKvBlinkLed");
  ExpectHint(form.KvLights, "TKvLights");
  ExpectHint(form.KvDigitGroup, "TKvDigitGroup");
  ExpectHint(form.KvUserLed, "TKvUserLed");
  ExpectHint(form.KvCheckLed, "TKvCheckLed");

  EXPECT_TRUE(form.KvBlinkLed->EnableBlinking());
  EXPECT_EQ(form.KvBlinkLed->BlinkSpeed(), 500);
  EXPECT_EQ(form.KvBlinkLed->Palette2()->High(), clAqua);
  EXPECT_EQ(form.KvBlinkLed->Caption(), QStringLiteral("TKvBlinkLed"));
  EXPECT_EQ(form.KvBlinkLed->Color(), clMaroon);
  EXPECT_EQ(form.KvLights->LedState(), TKvLightsState::lsGreen);
  EXPECT_EQ(form.KvLights->LedType(), TKvLightsType::ltGlassRounded);
  EXPECT_TRUE(form.KvLights->Transparent());
  EXPECT_TRUE(form.KvDigitGroup->Transparent());
  EXPECT_EQ(form.KvUserLed->Bevel()->InnerColor(), clBtnFace);
  EXPECT_EQ(form.KvUserLed->Bevel()->OuterOutline(), TKvBevelOutlineStyle::osOuter);
  EXPECT_EQ(form.KvCheckLed->Caption(), QStringLiteral("Scroll Matrix"));
  EXPECT_EQ(form.KvCheckLed->TabOrder(), 0);
  EXPECT_EQ(form.KvCheckLed->Color(), kPanelColor);
  EXPECT_EQ(form.KvTimer->Interval(), 100);
  EXPECT_FALSE(form.LightsOn());
  EXPECT_FALSE(form.ProgressDown());

  const std::vector<std::pair<TKvLabel*, QString>> headings = {
      {form.KvLabel1, QStringLiteral("TKvBlinkLed")},
      {form.KvLabel2, QStringLiteral("TKvCheckLed")},
      {form.KvLabel3, QStringLiteral("TKvMatrix")},
      {form.KvLabel4, QStringLiteral("TKvLights")},
      {form.KvLabel5, QStringLiteral("TKvImageLed")},
      {form.KvLabel6, QStringLiteral("TKvDigitGroup")},
      {form.KvLabel7, QStringLiteral("TKvUserLed")},
      {form.KvLabel8, QStringLiteral("TKvProgressBar")},
      {form.KvLabel9, QStringLiteral("TKvBanner")}};
  for (const auto& [label, caption] : headings) {
    EXPECT_EQ(label->Caption(), caption);
    EXPECT_EQ(label->Style(), TKvLabelStyle::lsShadow);
    EXPECT_EQ(label->Color(), kPanelColor);
  }
  EXPECT_EQ(form.Label1->Caption(), QStringLiteral("(Click)"));
  EXPECT_EQ(form.Label2->Caption(), QStringLiteral("(Click)"));
}

TEST(LedsPanel, TheLightsBlinkTogetherOffOnTheFirstTick) {
  StoppedPanel p;
  p.form.KvTimerTimer(nullptr);
  EXPECT_EQ(p.form.KvLights->LedState(), TKvLightsStates());
  p.form.KvTimerTimer(nullptr);
  EXPECT_EQ(p.form.KvLights->LedState(), TKvLights::kAllLamps);
  p.form.KvTimerTimer(nullptr);
  EXPECT_EQ(p.form.KvLights->LedState(), TKvLightsStates());
}

TEST(LedsPanel, TheProgressBarBouncesBetweenNoughtAndAHundred) {
  StoppedPanel p;
  int changes = 0;
  QObject::connect(p.form.KvProgressBar, &TKvProgressBar::OnChange, [&] { ++changes; });
  std::vector<int> seen;
  for (int i = 0; i < 41; ++i) {
    p.form.KvTimerTimer(nullptr);
    seen.push_back(p.form.KvProgressBar->Position());
  }
  EXPECT_EQ(seen[0], 100);  // clamped, no OnChange
  EXPECT_EQ(seen[1], 95);
  EXPECT_EQ(seen[20], 0);
  EXPECT_EQ(seen[40], 100);
  EXPECT_EQ(changes, 40);
}

TEST(LedsPanel, TheImageLedNeverShowsTheReplaySymbol) {
  StoppedPanel p;
  kv::RandSeed(4242);
  std::vector<bool> seen(12, false);
  for (int i = 0; i < 10000; ++i) {
    p.form.KvTimerTimer(nullptr);
    seen[int(p.form.KvImageLed->ImageType())] = true;
  }
  EXPECT_FALSE(seen[int(TKvImageType::itReplay)]);
  for (int t = 0; t < 11; ++t) EXPECT_TRUE(seen[t]) << t;
}

TEST(LedsPanel, TheCheckLedSwitchesTheMatrixScrolling) {
  StoppedPanel p;
  kvtest::ShowForm(&p.form, 441, 317);
  const TRect box = p.form.KvCheckLed->CheckRect();
  const QPoint at((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2);
  QTest::mouseClick(p.form.KvCheckLed, Qt::LeftButton, {}, at);
  EXPECT_TRUE(p.form.KvMatrix->AutoScroll());
  QTest::mouseClick(p.form.KvCheckLed, Qt::LeftButton, {}, at);
  EXPECT_FALSE(p.form.KvMatrix->AutoScroll());
  p.form.KvMatrix->SetAutoScroll(false);
}

TEST(LedsPanel, ClicksStepTheDigitGroupAndToggleTheUserLed) {
  StoppedPanel p;
  kvtest::ShowForm(&p.form, 441, 317);
  for (int i = 0; i < 8; ++i)
    QTest::mouseClick(p.form.KvDigitGroup, Qt::LeftButton, {}, QPoint(60, 17));
  EXPECT_EQ(p.form.KvDigitGroup->Value(), 1.0);
  EXPECT_EQ(p.form.KvDigitGroup->DisplayText(), QStringLiteral("1.000"));
  QTest::mouseClick(p.form.KvUserLed, Qt::LeftButton, {}, QPoint(40, 18));
  EXPECT_TRUE(p.form.KvUserLed->Active());
  QTest::mouseClick(p.form.KvUserLed, Qt::LeftButton, {}, QPoint(40, 18));
  EXPECT_FALSE(p.form.KvUserLed->Active());
}

TEST(LedsPanel, Picture) {
  StoppedPanel p;
  const QImage shot = kvtest::RenderForm(&p.form);
  EXPECT_MATCHES_REFERENCE(shot, QStringLiteral("app/leds-panel"));
  // The blink LED lit in red, the digit group's first decimal point lit.
  EXPECT_EQ(kvtest::PixelAt(shot, 15 + p.form.KvBlinkLed->LedRect().Left + 12, 40 + 20),
            clRed.Value);
  EXPECT_EQ(kvtest::PixelAt(shot, 305 + 26, 140 + 31), clLime.Value);
}

TEST(LedsPanel, TheDemoEndsPromptlyWhileEveryTimerOfThePanelTicks) {
  for (int round = 0; round < 3; ++round) {
    auto demo = std::make_unique<kvtest::DemoForms>();
    frmQelDemo->chkCheckbox->SetChecked(true);
    frmLeds->KvTimer->SetInterval(1);
    frmLeds->KvMatrix->SetTimeInterval(1);
    frmLeds->KvMatrix->SetAutoScroll(true);
    frmLeds->KvBanner->SetTimeInterval(1);
    frmLeds->KvImageLed->SetTimeInterval(1);
    frmLeds->KvImageLed->SetBlink(true);
    frmLeds->KvBlinkLed->SetBlinkSpeed(1);
    frmQelDemo->KvTimer->SetInterval(1);
    kvtest::Pump(30);
    QElapsedTimer t;
    t.start();
    demo.reset();
    EXPECT_LT(t.elapsed(), 2000) << "round " << round;
  }
}
