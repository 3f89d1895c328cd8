#include "KvButtons.h"

#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"
#include "Properties.h"
#include "References.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using kv::ColorToRGB, kv::Rect;

using kvtest::PixelAt;

namespace {

constexpr int32_t kGreen = 0x008000, kLime = 0x00FF00;

void Press(QWidget* w, QPoint p) { QTest::mousePress(w, Qt::LeftButton, {}, p); }
void Release(QWidget* w, QPoint p) { QTest::mouseRelease(w, Qt::LeftButton, {}, p); }
void Drag(QWidget* w, QPoint p) {
  QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(w, &move);
}

struct Scene {
  TForm form{nullptr};
  QPointer<TKvPowerButton> button;
  std::vector<std::string> log;
  Scene() {
    button = new TKvPowerButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 125, 25);
    button->SetCaption(QStringLiteral("TKvPowerButton"));
    QObject::connect(button, &TControl::OnMouseUp,
                     [this](TObject*, TMouseButton, TShiftState, int, int) {
                       log.push_back(std::string("up ") + (button->Active() ? "on" : "off"));
                     });
    QObject::connect(button, &TControl::OnClick, [this](TObject*) { log.push_back("click"); });
    kvtest::ShowForm(&form, 150, 50);
  }
  int32_t Led() const {
    const TRect r = button->LedRect();
    return PixelAt(kvtest::Grab(button), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
};

}  // namespace

TEST(PowerButton, InitialSettingsAndLayout) {
  TKvPowerButton b(nullptr);
  EXPECT_MATCHES_REFERENCE(kvtest::RenderControl(&b, 0x406080), "lib/powerbutton-initial");
  EXPECT_EQ(b.BoundsRect(), Rect(0, 0, 125, 25));
  EXPECT_FALSE(b.Active());
  EXPECT_FALSE(b.TabStop());
  EXPECT_FALSE(b.ParentColor());
  EXPECT_EQ(b.Palette()->Low().Value, 32768);
  EXPECT_EQ(b.Palette()->High().Value, 65280);
  const auto defaults = kvtest::StreamingDefaults(TKvPowerButton::staticMetaObject);
  EXPECT_EQ(defaults.at("Margin"), "-1");
  EXPECT_EQ(defaults.at("Color"), "clBtnFace");
  b.SetLedWidth(0);
  b.SetOutlineWidth(256);
  b.SetBevelWidth(-1);
  EXPECT_EQ(b.LedWidth(), 12);
  EXPECT_EQ(b.OutlineWidth(), 1);
  EXPECT_EQ(b.BevelWidth(), 2);
  // Centred as a group, 5 pixels apart.
  b.SetCaption(QStringLiteral("TKvPowerButton"));
  const TRect led = b.LedRect(), text = b.CaptionRect();
  EXPECT_EQ(led.Height(), 12);
  EXPECT_EQ(text.Left - led.Right, 5);
  EXPECT_LE(std::abs((led.Left - 3) - (122 - text.Right)), 1);
}

TEST(PowerButton, ClickTogglesInOrderAndLeavingCancels) {
  Scene s;
  EXPECT_EQ(s.Led(), kGreen);
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(s.button), "lib/powerbutton-off");
  Press(s.button, QPoint(60, 12));
  EXPECT_TRUE(s.button->Pressed());
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(s.button), "lib/powerbutton-pressed");
  Drag(s.button, QPoint(300, 12));
  Release(s.button, QPoint(300, 12));
  EXPECT_FALSE(s.button->Active());
  EXPECT_EQ(s.log, (std::vector<std::string>{"up off"}));
  s.log.clear();
  Press(s.button, QPoint(60, 12));
  Drag(s.button, QPoint(300, 12));
  Drag(s.button, QPoint(60, 12));
  Release(s.button, QPoint(60, 12));
  EXPECT_TRUE(s.button->Active());
  EXPECT_EQ(s.log, (std::vector<std::string>{"up on", "click"}));
  EXPECT_EQ(s.Led(), kLime);
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(s.button), "lib/powerbutton-on");
  s.button->SetEnabled(false);
  EXPECT_EQ(s.Led(), ColorToRGB(clBtnFace));
  EXPECT_MATCHES_REFERENCE(kvtest::Grab(s.button), "lib/powerbutton-disabled");
}

TEST(PowerButton, AcceleratorClicksWithoutToggling) {
  Scene s;
  s.button->SetCaption(QStringLiteral("&Power"));
  EXPECT_TRUE(s.button->CMDialogChar(QChar('p')));
  EXPECT_FALSE(s.button->Active());
  EXPECT_EQ(s.log, (std::vector<std::string>{"click"}));
}

TEST(PowerButton, HandlersMayFreeTheButton) {
  {
    Scene s;
    QObject::connect(s.button, &TControl::OnMouseUp,
                     [&s](TObject*, TMouseButton, TShiftState, int, int) { delete s.button; });
    Press(s.button, QPoint(60, 12));
    QTest::mouseRelease(s.button, Qt::LeftButton, {}, QPoint(60, 12));
    kvtest::Pump();  // a control freed by its handler goes once the event loop runs
    EXPECT_TRUE(s.button.isNull());
    EXPECT_EQ(s.log, (std::vector<std::string>{"up on"}));
  }
  {
    Scene s;
    QObject::connect(s.button, &TWinControl::OnKeyUp,
                     [&s](TObject*, uint16_t&, TShiftState) { delete s.button; });
    QTest::keyPress(s.button, Qt::Key_Space);
    QTest::keyRelease(s.button, Qt::Key_Space);
    kvtest::Pump();
    EXPECT_TRUE(s.button.isNull());
    EXPECT_TRUE(s.log.empty());
  }
}

TEST(PowerButton, ASpacePressEndsWhenTheFocusLeaves) {
  Scene s;
  auto* other = new TKvPowerButton(&s.form);
  other->SetParent(&s.form);
  other->SetBounds(10, 40, 20, 10);
  other->SetTabStop(true);
  s.button->SetTabStop(true);
  s.button->SetFocus();
  kvtest::Pump();
  QTest::keyPress(s.button, Qt::Key_Space);
  EXPECT_TRUE(s.button->Pressed());
  other->SetFocus();
  kvtest::Pump();
  EXPECT_FALSE(s.button->Pressed());
  EXPECT_FALSE(s.button->Active());
}

TEST(PowerButton, HugeLedPaints) {
  Scene s;
  s.button->SetLedWidth(INT_MAX);
  s.button->SetLedHeight(INT_MAX);
  EXPECT_EQ(kvtest::Grab(s.button).width(), 125);
}
