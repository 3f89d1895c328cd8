#include "KvCheckLed.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "KvSysUtils.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QTest>

#include <string>
#include <vector>

using kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kPanelColor = 7292981;

int32_t Resolved(TColor c) { return ColorToRGBValue(c).Value; }

class CountedLed : public TKvCheckLed {
public:
  using TKvCheckLed::TKvCheckLed;
  int Paints = 0;

protected:
  void Paint() override {
    ++Paints;
    TKvCheckLed::Paint();
  }
};

// A shown form holding check LEDs at 125 x 25 each, one under the other.
struct Scene {
  TForm form{nullptr};
  std::vector<CountedLed*> leds;
  std::vector<std::string> log;
  explicit Scene(int count = 1) {
    for (int i = 0; i < count; ++i) {
      auto* led = new CountedLed(&form);
      led->SetName(QStringLiteral("Led%1").arg(i));
      led->SetParent(&form);
      led->SetBounds(0, 30 * i, 125, 25);
      QObject::connect(led, &TKvCheckLed::OnChange,
                       [this, i] { log.push_back("change " + std::to_string(i)); });
      leds.push_back(led);
    }
    kvtest::ShowForm(&form, 125, 30 * count);
  }
  // The middle of the LED's box.
  QPoint Box(int i) const {
    const TRect r = leds[i]->CheckRect();
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  void Press(int i) { QTest::mousePress(leds[i], Qt::LeftButton, {}, Box(i)); }
  void Release(int i) { Release(i, Box(i)); }
  void Release(int i, QPoint at) { QTest::mouseRelease(leds[i], Qt::LeftButton, {}, at); }
  void Click(int i) {
    Press(i);
    Release(i);
  }
};

}  // namespace

TEST(CheckLed, ConstructionAndPublishedProperties) {
  TForm form(nullptr);
  auto* led = new TKvCheckLed(&form);
  led->SetName(QStringLiteral("KvCheckLed1"));
  EXPECT_EQ(led->Caption(), QStringLiteral("KvCheckLed1"));
  EXPECT_EQ(led->BoundsRect(), Rect(0, 0, 125, 25));
  EXPECT_EQ(led->CheckWidth(), 20);
  EXPECT_EQ(led->CheckHeight(), 13);
  EXPECT_EQ(led->Margin(), -1);
  EXPECT_EQ(led->Spacing(), 5);
  EXPECT_EQ(led->Palette()->Low(), clGreen);
  EXPECT_EQ(led->Palette()->High(), clLime);
  EXPECT_EQ(led->CheckStyle(), TKvCheckLedStyle::csCheckbox);
  EXPECT_EQ(led->Color(), clBtnFace);
  EXPECT_FALSE(led->TabStop());
  const std::vector<QByteArray> order = {
      "CheckWidth",     "CheckHeight", "Checked",  "Layout",  "Margin", "Spacing",     "Palette",
      "CheckStyle",     "Caption",     "Color",    "Enabled", "Font",   "ParentColor", "ParentFont",
      "ParentShowHint", "ShowHint",    "TabOrder", "TabStop", "Visible"};
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvCheckLed::staticMetaObject), order);
  const auto defaults = kvtest::StreamingDefaults(TKvCheckLed::staticMetaObject);
  EXPECT_EQ(defaults.count("Palette"), 0u);
  EXPECT_EQ(defaults.count("Caption"), 0u);
}

TEST(CheckLed, BoxSizesOutsideTenToFortyAreRefused) {
  TKvCheckLed led(nullptr);
  for (int v : {9, 41, -1, 0, INT_MAX}) {
    led.SetCheckWidth(v);
    led.SetCheckHeight(v);
  }
  EXPECT_EQ(led.CheckWidth(), 20);
  EXPECT_EQ(led.CheckHeight(), 13);
  led.SetCheckWidth(40);
  EXPECT_EQ(led.CheckWidth(), 40);
}

TEST(CheckLed, BoxAndCaptionAreCentredAsAGroup) {
  TKvCheckLed led(nullptr);
  led.SetCaption(QString());
  // No caption: no spacing, the box alone centred: (125 - 20 + 1) div 2 + 1 = 54.
  EXPECT_EQ(led.CheckRect(), Rect(54, 7, 74, 20));
  led.SetCaption(QStringLiteral("Scroll Matrix"));
  const TRect box = led.CheckRect(), text = led.TextRect();
  EXPECT_EQ(box.Top, 7);  // (25 - 13 + 1) div 2 + 1
  EXPECT_EQ(box.Right - box.Left, 20);
  EXPECT_EQ(text.Left, box.Right + 5);
  // The group's margins differ by at most one pixel.
  EXPECT_LE(std::abs((box.Left - 1) - (125 - text.Right + 1)), 1);
}

TEST(CheckLed, TheBoxRingsAndFaceInEachState) {
  Scene s;
  TKvCheckLed* led = s.leds[0];
  led->SetCaption(QString());
  kvtest::Pump();
  // Box (54, 7)-(74, 20): rings at 54, 55, 56, 57; the face from (58, 11).
  EXPECT_EQ(kvtest::PixelAt(&s.form, 54, 7), Resolved(clBtnHighlight));
  EXPECT_EQ(kvtest::PixelAt(&s.form, 73, 19), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(&s.form, 55, 8), Resolved(clBtnHighlight));
  EXPECT_EQ(kvtest::PixelAt(&s.form, 72, 18), Resolved(clBtnShadow));
  EXPECT_EQ(kvtest::PixelAt(&s.form, 56, 9), Resolved(clBtnFace));
  EXPECT_EQ(kvtest::PixelAt(&s.form, 57, 10), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(&s.form, 70, 16), Resolved(clBtnHighlight));
  EXPECT_EQ(kvtest::PixelAt(&s.form, 58, 11), clGreen.Value);
  led->SetChecked(true);
  EXPECT_EQ(kvtest::PixelAt(&s.form, 54, 7), clBlack.Value);
  EXPECT_EQ(kvtest::PixelAt(&s.form, 73, 19), Resolved(clBtnHighlight));
  EXPECT_EQ(kvtest::PixelAt(&s.form, 58, 11), clLime.Value);
  led->SetChecked(false);
  QTest::mouseMove(led, QPoint(60, 12));
  kvtest::Pump();
  // Hover: Low where x + y is even, counted from the pattern's origin.
  const int32_t a = kvtest::PixelAt(&s.form, 58, 11), b = kvtest::PixelAt(&s.form, 59, 11);
  EXPECT_NE(a, b);
  EXPECT_TRUE((a == clGreen.Value && b == clLime.Value) ||
              (a == clLime.Value && b == clGreen.Value));
  EXPECT_EQ(kvtest::PixelAt(&s.form, 59, 12), a);
}

TEST(CheckLed, AClickTogglesWithOneOnChangeAfterTheRepaint) {
  Scene s;
  CountedLed* led = s.leds[0];
  int paintsAtChange = -1;
  QObject::connect(led, &TKvCheckLed::OnChange, [&] { paintsAtChange = led->Paints; });
  s.Press(0);
  EXPECT_TRUE(led->Checked());  // shown inverted while pressed
  EXPECT_TRUE(s.log.empty());
  const int paints = led->Paints;
  s.Release(0);
  EXPECT_TRUE(led->Checked());
  EXPECT_EQ(s.log, std::vector<std::string>{"change 0"});
  EXPECT_EQ(paintsAtChange, paints + 1);
  s.Click(0);
  EXPECT_FALSE(led->Checked());
  EXPECT_EQ(s.log.size(), 2u);
}

TEST(CheckLed, ReleasedOutsideTheBoxTheSavedStateReturnsWithoutOnChange) {
  Scene s;
  s.Press(0);
  s.Release(0, QPoint(120, 2));
  EXPECT_FALSE(s.leds[0]->Checked());
  EXPECT_TRUE(s.log.empty());
}

TEST(CheckLed, ALostPressRestoresTheStateWithoutOnChange) {
  // The capture taken elsewhere, the LED disabled, its form hidden.
  for (int way = 0; way < 3; ++way) {
    Scene s(2);
    s.Press(0);
    ASSERT_TRUE(s.leds[0]->Checked());
    if (way == 0) s.leds[1]->SetMouseCapture(true);
    if (way == 1) s.leds[0]->SetEnabled(false);
    if (way == 2) s.form.Hide();
    EXPECT_FALSE(s.leds[0]->Checked()) << way;
    s.Release(0);
    EXPECT_FALSE(s.leds[0]->Checked()) << way;
    EXPECT_TRUE(s.log.empty()) << way;
  }
}

TEST(CheckLed, AnOnMouseDownThatFreesTheLedEndsThePress) {
  Scene s;
  QPointer<TKvCheckLed> led(s.leds[0]);
  QObject::connect(led, &TControl::OnMouseDown, [&] { delete led.data(); });
  s.Press(0);
  kvtest::Pump();  // a control freed by its handler goes once the event loop runs
  EXPECT_TRUE(led.isNull());
}

TEST(CheckLed, RadioSiblingsAreUncheckedFirstAndCheckBoxesLeftAlone) {
  Scene s(3);
  s.leds[0]->SetCheckStyle(TKvCheckLedStyle::csRadioButton);
  s.leds[1]->SetCheckStyle(TKvCheckLedStyle::csRadioButton);
  s.leds[2]->SetChecked(true);  // a check box
  s.leds[1]->SetChecked(true);
  s.log.clear();
  s.Click(0);
  EXPECT_EQ(s.log, (std::vector<std::string>{"change 1", "change 0"}));
  EXPECT_TRUE(s.leds[0]->Checked());
  EXPECT_FALSE(s.leds[1]->Checked());
  EXPECT_TRUE(s.leds[2]->Checked());
}

TEST(CheckLed, ASiblingsOnChangeMayFreeAnotherSibling) {
  Scene s(4);
  for (auto* led : s.leds) led->SetCheckStyle(TKvCheckLedStyle::csRadioButton);
  s.leds[1]->SetChecked(true);
  QPointer<TKvCheckLed> doomed(s.leds[2]);
  QObject::connect(s.leds[1], &TKvCheckLed::OnChange, [&] { delete doomed.data(); });
  s.leds[3]->SetChecked(true);  // also checked, as a description could leave it
  s.leds[0]->SetChecked(true);
  EXPECT_TRUE(doomed.isNull());
  EXPECT_FALSE(s.leds[1]->Checked());
  EXPECT_FALSE(s.leds[3]->Checked());
  EXPECT_TRUE(s.leds[0]->Checked());
}

TEST(CheckLed, SpaceTogglesSilentlyAndTheAcceleratorWithOnChange) {
  Scene s;
  TKvCheckLed* led = s.leds[0];
  led->SetCaption(QStringLiteral("&Scroll"));
  led->SetTabStop(true);
  led->SetFocus();
  kvtest::Pump();
  QTest::keyClick(led, Qt::Key_Space);
  EXPECT_TRUE(led->Checked());
  EXPECT_TRUE(s.log.empty());
  EXPECT_TRUE(led->CMDialogChar(QLatin1Char('s')));
  EXPECT_FALSE(led->Checked());
  EXPECT_EQ(s.log.size(), 1u);
  EXPECT_FALSE(led->CMDialogChar(QLatin1Char('x')));
  led->SetEnabled(false);
  EXPECT_FALSE(led->CMDialogChar(QLatin1Char('s')));
}

TEST(CheckLed, ReferencePictures) {
  Scene s;
  CountedLed* led = s.leds[0];
  led->SetCaption(QStringLiteral("Scroll Matrix"));
  led->SetColor(kPanelColor);
  led->Font()->SetName(QStringLiteral("MS Sans Serif"));
  led->Font()->SetHeight(-11);
  led->Font()->SetColor(clWhite);
  kvtest::Pump();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&s.form), "lib/checkled-off");
  QTest::mouseMove(led, QPoint(led->CheckRect().Left + 3, 12));
  kvtest::Pump();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&s.form), "lib/checkled-hover");
  QTest::mouseMove(led, QPoint(123, 2));
  led->SetChecked(true);
  kvtest::Pump();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&s.form), "lib/checkled-on");
  led->SetTabStop(true);
  led->SetFocus();
  kvtest::Pump();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&s.form), "lib/checkled-focused");
  led->SetEnabled(false);
  kvtest::Pump();
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(&s.form), "lib/checkled-disabled");
  TKvCheckLed initial(nullptr);
  initial.SetCaption(QStringLiteral("KvCheckLed1"));
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&initial, kPanelColor), "lib/checkled-initial");
}
