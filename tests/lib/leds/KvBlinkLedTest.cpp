#include "KvBlinkLed.h"

#include "DemoSettings.h"
#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <climits>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;
constexpr int32_t kGrey = 8421504;

// The demo's blink LED (111 x 41, maroon, captioned, every 500 ms), its blinking stopped so
// that it stays as it is painted.
void ApplyDemoSettings(TKvBlinkLed& led) {
  kvdemo::ApplyDemoSettings(led, "frmLeds", "KvBlinkLed");
  led.SetEnableBlinking(false);
}

class CountedLed : public TKvBlinkLed {
public:
  using TKvBlinkLed::BlinkTick;
  using TKvBlinkLed::TKvBlinkLed;
  int Paints = 0;

protected:
  void Paint() override {
    ++Paints;
    TKvBlinkLed::Paint();
  }
};

TKvBlinkLed* FindLed(TForm& form, const char* name = "L") {
  return dynamic_cast<TKvBlinkLed*>(form.FindComponent(QString::fromLatin1(name)));
}

}  // namespace

TEST(BlinkLed, ConstructionAndPublishedProperties) {
  TKvBlinkLed led(nullptr);
  EXPECT_EQ(led.BoundsRect(), Rect(0, 0, 50, 20));
  EXPECT_EQ(led.Palette1()->Low(), clBlack);
  EXPECT_EQ(led.Palette1()->High(), clRed);
  EXPECT_EQ(led.Palette2()->High(), clAqua);
  EXPECT_EQ(led.Palette3()->High(), clYellow);
  EXPECT_EQ(led.Palette4()->High(), clLime);
  EXPECT_EQ(led.Margin(), 2);
  EXPECT_EQ(led.Spacing(), 3);
  EXPECT_EQ(led.BlinkSpeed(), 500);
  EXPECT_EQ(led.ColorIndex(), 1);
  EXPECT_TRUE(led.Transparent());
  EXPECT_FALSE(led.EnableBlinking());
  EXPECT_EQ(led.Color(), clMaroon);
  EXPECT_FALSE(led.ParentColor());
  EXPECT_EQ(led.Font()->Color(), clWhite);
  EXPECT_TRUE(led.Caption().isEmpty());
  const std::vector<QByteArray> order = {
      "Palette1",       "Palette2", "Palette3",    "Palette4",       "BlinkLedType", "Layout",
      "Margin",         "Spacing",  "Transparent", "EnableBlinking", "BlinkSpeed",   "ColorIndex",
      "Align",          "Caption",  "Color",       "Font",           "ParentColor",  "ParentFont",
      "ParentShowHint", "ShowHint", "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvBlinkLed::staticMetaObject), order);
  const auto defaults = kvtest::StreamingDefaults(TKvBlinkLed::staticMetaObject);
  for (const char* palette : {"Palette1", "Palette2", "Palette3", "Palette4"})
    EXPECT_EQ(defaults.count(palette), 0u) << palette;
}

TEST(BlinkLed, ColorIndexOutsideOneToFourRaisesAndKeepsTheValueWithoutARepaint) {
  TForm form(nullptr);
  auto* led = new CountedLed(&form);
  led->SetParent(&form);
  kvtest::ShowForm(&form, 60, 30);
  const int paints = led->Paints;
  for (int v : {0, 5, -1, 256, 257, 260, INT_MIN, INT_MAX}) {
    try {
      led->SetColorIndex(v);
      ADD_FAILURE() << v << " was taken";
    } catch (const EKvException& e) {
      EXPECT_EQ(e.Message(), QStringLiteral("Out of range! ColorIndex=[1..4]")) << v;
    }
    EXPECT_EQ(led->ColorIndex(), 1) << v;
  }
  EXPECT_EQ(led->Paints, paints);
  led->SetColorIndex(1);  // unchanged: nothing
  EXPECT_EQ(led->Paints, paints);
  led->SetColorIndex(4);
  EXPECT_EQ(led->Paints, paints + 1);
}

TEST(BlinkLed, ADescriptionWithColorIndexOutsideTheRangeFailsNamingIt) {
  TForm form(nullptr);
  try {
    kv::ReadComponent(
        &form, "object F: TForm\n  object L: TKvBlinkLed\n    ColorIndex = 260\n  end\nend\n",
        QStringLiteral("led.kvf"));
    ADD_FAILURE() << "260 was read";
  } catch (const EFormError& e) {
    EXPECT_EQ(e.Line(), 3);
    EXPECT_TRUE(e.PropertyName().contains(QStringLiteral("ColorIndex")))
        << e.PropertyName().toStdString();
    EXPECT_TRUE(e.Reason().contains(QStringLiteral("Out of range! ColorIndex=[1..4]")));
  }
}

TEST(BlinkLed, EveryValueSurvivesADescriptionAndOmittedOnesReadTheInitialValues) {
  TForm form(nullptr);
  auto* led = new TKvBlinkLed(&form);
  led->SetName(QStringLiteral("L"));
  led->SetParent(&form);
  led->SetMargin(-1);
  led->SetSpacing(5);
  led->SetBlinkSpeed(1000);
  led->SetColorIndex(3);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  EXPECT_EQ(FindLed(copy)->Margin(), -1);
  EXPECT_EQ(FindLed(copy)->Spacing(), 5);
  EXPECT_EQ(FindLed(copy)->BlinkSpeed(), 1000);
  EXPECT_EQ(FindLed(copy)->ColorIndex(), 3);

  TForm bare(nullptr);
  kv::ReadComponent(&bare, "object F: TForm\n  object L: TKvBlinkLed\n  end\nend\n",
                    QStringLiteral("bare.kvf"));
  EXPECT_EQ(FindLed(bare)->Margin(), 2);
  EXPECT_EQ(FindLed(bare)->Spacing(), 3);
  EXPECT_EQ(FindLed(bare)->BlinkSpeed(), 500);
}

TEST(BlinkLed, BlinkingAtFiveHundredMillisecondsFiresTwiceASecond) {
  TForm form(nullptr);
  auto* led = new TKvBlinkLed(&form);
  led->SetParent(&form);
  kvtest::ShowForm(&form, 60, 30);
  int changes = 0;
  QObject::connect(led, &TKvCustomBlinkLed::OnChange, [&] { ++changes; });
  led->SetEnableBlinking(true);
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 1100) kvtest::Pump(10);
  // A loaded machine may deliver a tick late, never early.
  EXPECT_GE(changes, 1);
  EXPECT_LE(changes, 2);
  // Switched off, the LED keeps whatever state it has.
  led->SetEnableBlinking(false);
  const bool state = led->BlinkState();
  changes = 0;
  kvtest::Pump(600);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(led->BlinkState(), state);
}

TEST(BlinkLed, ANegativeBlinkSpeedReadsBackAndNeverTicks) {
  TForm form(nullptr);
  auto* led = new TKvBlinkLed(&form);
  led->SetName(QStringLiteral("L"));
  led->SetParent(&form);
  led->SetBlinkSpeed(-1);
  led->SetEnableBlinking(true);
  int changes = 0;
  QObject::connect(led, &TKvCustomBlinkLed::OnChange, [&] { ++changes; });
  kvtest::Pump(100);
  EXPECT_EQ(changes, 0);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&form), QStringLiteral("copy.kvf"));
  EXPECT_EQ(FindLed(copy)->BlinkSpeed(), -1);
}

TEST(BlinkLed, ATickFlipsTheColourRepaintsAndThenFiresOnChange) {
  TForm form(nullptr);
  auto* led = new CountedLed(&form);
  led->SetParent(&form);
  led->SetTransparent(false);
  led->SetColor(clNavy);
  led->SetBounds(0, 0, 40, 40);
  kvtest::ShowForm(&form, 40, 40);
  // No caption: the rounded LED takes min(40 - 2 - 3, ...) = 35 at the margin, centred across.
  EXPECT_EQ(led->LedRect(), Rect(2, 3, 37, 38));
  EXPECT_EQ(kvtest::PixelAt(&form, 20, 20), clRed.Value);
  int paintsAtChange = -1;
  QObject::connect(led, &TKvCustomBlinkLed::OnChange, [&] { paintsAtChange = led->Paints; });
  const int paints = led->Paints;
  led->BlinkTick();
  EXPECT_EQ(paintsAtChange, paints + 1);
  EXPECT_EQ(kvtest::PixelAt(&form, 20, 20), clBlack.Value);
  // Along the middle row: the black pen, the upper-left half's white, the lower-right grey.
  EXPECT_EQ(kvtest::PixelAt(&form, 2, 20), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(&form, 3, 20), clWhite.Value);
  EXPECT_EQ(kvtest::PixelAt(&form, 35, 20), kGrey);
}

TEST(BlinkLed, RectangularLedsFillTheirShareWithAThreeDFrame) {
  TKvBlinkLed led(nullptr);
  led.SetTransparent(false);
  led.SetBounds(0, 0, 35, 35);
  led.SetBlinkLedType(TKvBlinkLedType::ltRectangle);
  // X = Y = 30: a 20 x 20 LED at the margin, centred across ((35 - 20 + 1) div 2 = 8).
  QImage shot = kvtest::RenderControl(&led, kPanelColor);
  EXPECT_EQ(led.LedRect(), Rect(2, 8, 22, 28));
  EXPECT_EQ(PixelAt(shot, 2, 8), clWhite.Value);
  EXPECT_EQ(PixelAt(shot, 21, 27), kGrey);
  EXPECT_EQ(PixelAt(shot, 3, 9), clRed.Value);
  led.SetBlinkLedType(TKvBlinkLedType::ltLargeRect);
  shot = kvtest::RenderControl(&led, kPanelColor);
  EXPECT_EQ(led.LedRect(), Rect(2, 3, 32, 33));
  EXPECT_EQ(PixelAt(shot, 3, 4), clWhite.Value);
  EXPECT_EQ(PixelAt(shot, 30, 31), kGrey);
  EXPECT_EQ(PixelAt(shot, 4, 5), clRed.Value);
}

TEST(BlinkLed, ACaptionWiderThanTheControlStillGivesANormalisedLedRectangle) {
  TKvBlinkLed led(nullptr);
  led.SetCaption(QStringLiteral("A caption far wider than the control"));
  for (auto type :
       {TKvBlinkLedType::ltRounded, TKvBlinkLedType::ltRectangle, TKvBlinkLedType::ltLargeRect}) {
    for (auto layout : {TKvImageTextLayout::ImageLeft, TKvImageTextLayout::ImageRight,
                        TKvImageTextLayout::ImageTop, TKvImageTextLayout::ImageBottom}) {
      led.SetBlinkLedType(type);
      led.SetLayout(layout);
      kvtest::RenderControl(&led, kPanelColor);
      const TRect r = led.LedRect();
      EXPECT_LE(r.Left, r.Right);
      EXPECT_LE(r.Top, r.Bottom);
    }
  }
  // Extreme margins and spacings are computed without overflow.
  led.SetMargin(INT_MAX);
  led.SetSpacing(INT_MIN);
  kvtest::RenderControl(&led, kPanelColor);
  EXPECT_LE(led.LedRect().Left, led.LedRect().Right);
}

TEST(BlinkLed, ReferencePictures) {
  TKvBlinkLed initial(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, kPanelColor), "lib/blinkled-initial");
  CountedLed led(nullptr);
  ApplyDemoSettings(led);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&led, kPanelColor), "lib/blinkled-demo");
  const char* names[] = {"rounded", "rectangle", "largerect"};
  for (int type = 0; type < 3; ++type) {
    led.SetBlinkLedType(TKvBlinkLedType(type));
    led.SetColorIndex(type + 2);
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&led, kPanelColor),
                             QStringLiteral("lib/blinkled-%1-lit").arg(names[type]));
    led.BlinkTick();
    EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&led, kPanelColor),
                             QStringLiteral("lib/blinkled-%1-dark").arg(names[type]));
    led.BlinkTick();
  }
}
