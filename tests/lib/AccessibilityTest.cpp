// The controls as assistive technology meets them through Qt's accessibility API: a role, a
// name and a value for every registered control, the value interface and the actions where a
// user could act, and operation and a visible focus from the keyboard. (The events a change
// sends need a platform with accessibility: tests/atspi counts them.)
#include "Accelerators.h"
#include "Forms.h"
#include "KvLabelsInternal.h"
#include "Offscreen.h"
#include "RegisteredControls.h"
#include "StdCtrls.h"

#include "KvLights.h"
#include "KvMeter.h"
#include "KvWheel.h"
#include "kvLedClock.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QMetaProperty>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A control of each class shown on a form, as a program shows it.
struct Shown {
  TForm form{nullptr};
  TControl* control;
  explicit Shown(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, &form)) {
    form.SetBounds(0, 0, 400, 300);
    control->SetParent(&form);
    form.Show();
    kvtest::Pump();
  }
  QAccessibleInterface* Face() const { return QAccessible::queryAccessibleInterface(control); }
  QMetaProperty Value() const { return control->metaObject()->userProperty(); }
};

bool IsNumber(const QMetaProperty& p) {
  return p.typeId() == QMetaType::Int || p.typeId() == QMetaType::Double;
}

TEST(Accessibility, EveryControlHasTheRoleOfItsFamilyAndANameFromWhatItShows) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Shown s(*c);
    QAccessibleInterface* face = s.Face();
    ASSERT_NE(face, nullptr);
    EXPECT_NE(face->role(), QAccessible::Client);
    // The hint names a control that shows no caption, and always describes it.
    s.control->SetCaption(QString());
    s.control->SetHint(QStringLiteral("Oven temperature"));
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Oven temperature"));
    EXPECT_EQ(face->text(QAccessible::Description), QStringLiteral("Oven temperature"));
    // A caption is read without its accelerator marks.
    s.control->SetCaption(QStringLiteral("&Heat && hold"));
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Heat & hold"));
    s.control->SetCaption(QStringLiteral("Stop&"));
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Stop&"));
    // A name the program gives wins over both.
    s.control->setAccessibleName(QStringLiteral("Oven"));
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Oven"));
  }
}

// The name reads a caption as the canvas draws it: the same characters, the same width.
TEST(Accessibility, TheNameReadsTheCaptionAsItIsDrawn) {
  const struct {
    const char* caption;
    const char* name;
    int underline;
  } kCaptions[] = {
      {"&Heat && hold", "Heat & hold", 0}, {"Stop&", "Stop&", -1}, {"a&&&b", "a&b", 2},
      {"&&&", "&&", -1}, {"&", "&", -1}, {"x&y&z", "xyz", 1}, {"&&", "&", -1},
  };
  TForm form(nullptr);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  TBitmap picture;
  picture.SetSize(200, 20);
  for (const auto& row : kCaptions) {
    SCOPED_TRACE(row.caption);
    const kv::CaptionText shown = kv::StripAccelerators(QString::fromUtf8(row.caption));
    EXPECT_EQ(shown.Text, QString::fromUtf8(row.name));
    EXPECT_EQ(shown.Underline, row.underline);
    label->SetCaption(QString::fromUtf8(row.caption));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(label);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->text(QAccessible::Name), QString::fromUtf8(row.name));
    TRect drawn = kv::Rect(0, 0, 200, 20);
    kv::DrawText(picture.Canvas(), label->Caption(), drawn, kv::DT_CALCRECT | kv::DT_SINGLELINE);
    EXPECT_EQ(drawn.Width(), picture.Canvas()->TextWidth(face->text(QAccessible::Name)));
  }
}

// Inputs take a value, a step up or down held to the range, nothing that is not a number and
// nothing while disabled; the other controls take none.
TEST(Accessibility, TheValueInterfaceReadsTheValueAndItsRangeAndOnlyInputsTakeIt) {
  using Action = QAccessibleActionInterface;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Shown s(*c);
    QAccessibleValueInterface* value = s.Face()->valueInterface();
    ASSERT_EQ(value != nullptr, s.Value().isValid() && IsNumber(s.Value()));
    if (!value) continue;
    const double now = s.Value().read(s.control).toDouble();
    EXPECT_EQ(value->currentValue().toDouble(), now);
    EXPECT_TRUE(s.Face()->text(QAccessible::Value).startsWith(value->currentValue().toString()));
    for (const auto& [end, name] : {std::pair{value->minimumValue(), "MinValue"},
                                    {value->minimumValue(), "Min"},
                                    {value->maximumValue(), "MaxValue"},
                                    {value->maximumValue(), "Max"}}) {
      if (s.control->property(name).isValid()) {
        EXPECT_EQ(end.toDouble(), s.control->property(name).toDouble()) << name;
      }
    }
    QAccessibleActionInterface* actions = s.Face()->actionInterface();
    if (!actions->actionNames().contains(Action::increaseAction())) {
      value->setCurrentValue(now + 1);
      EXPECT_EQ(value->currentValue().toDouble(), now);
      continue;
    }
    const double step = value->minimumStepSize().toDouble();
    EXPECT_GT(step, 0);
    actions->doAction(Action::increaseAction());
    EXPECT_EQ(value->currentValue().toDouble(),
              std::min(now + step, value->maximumValue().toDouble()));
    for (int i = 0; i < 1000; ++i) actions->doAction(Action::increaseAction());
    EXPECT_EQ(value->currentValue().toDouble(), value->maximumValue().toDouble());
    for (int i = 0; i < 1000; ++i) actions->doAction(Action::decreaseAction());
    EXPECT_EQ(value->currentValue().toDouble(), value->minimumValue().toDouble());
    value->setCurrentValue(now);
    EXPECT_EQ(value->currentValue().toDouble(), now);
    value->setCurrentValue(QStringLiteral("loud"));
    value->setCurrentValue(qQNaN());
    s.control->SetEnabled(false);
    actions->doAction(Action::increaseAction());
    EXPECT_EQ(value->currentValue().toDouble(), now);
  }
}

TEST(Accessibility, OnAndOffControlsReportTheirStateAndInputsToggle) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    Shown s(*c);
    if (s.Value().typeId() != QMetaType::Bool) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    QAccessibleInterface* face = s.Face();
    for (const bool on : {true, false}) {
      s.control->setProperty(s.Value().name(), on);
      EXPECT_EQ(face->state().checked, on);
      EXPECT_EQ(face->text(QAccessible::Value), on ? QStringLiteral("on") : QStringLiteral("off"));
    }
    if (!face->state().checkable) continue;
    face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(s.Value().read(s.control).toBool());
  }
}

TEST(Accessibility, ValuesReadAsAListenerUnderstandsThem) {
  TForm form(nullptr);
  auto* meter = new TKvMeter(&form);
  meter->SetMinValue(50);
  meter->SetMaxValue(150);
  meter->SetPosition(70);
  auto* clock = new TKvLedClock(&form);
  clock->SetActive(false);
  clock->SetHours(18);
  clock->SetMinutes(7);
  clock->SetSeconds(32);
  auto* lights = new TKvLights(&form);
  const struct {
    TControl* control;
    TKvLightsStates lit;
    const char* text;
  } cases[] = {
      {meter, {}, "70 of 50 to 150"},
      {clock, {}, "18:07:32"},
      {lights, {}, "off"},
      {lights, TKvLightsState::lsGreen | TKvLightsState::lsRed, "green and red on"},
      {lights, TKvLightsState::lsGreen | TKvLightsState::lsYellow | TKvLightsState::lsRed,
       "green, yellow and red on"},
  };
  for (const auto& [control, lit, text] : cases) {
    if (control == lights) lights->SetLedState(lit);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
    EXPECT_EQ(face->text(QAccessible::Value), QLatin1String(text));
    // A reading is no number to a listener: a screen reader reads its text.
    if (face->role() != QAccessible::ProgressBar) {
      ASSERT_NE(face->textInterface(), nullptr);
      EXPECT_EQ(face->textInterface()->text(0, -1), QLatin1String(text));
      EXPECT_EQ(face->textInterface()->text(3, 5), QLatin1String(text).mid(3, 2));
    }
  }
}

TEST(Accessibility, AFormIsAWindowOrAPaneOfTheControlItLiesOn) {
  TForm main(nullptr);
  TForm panel(nullptr);
  panel.SetCaption(QStringLiteral("Meters"));
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&panel);
  EXPECT_EQ(face->role(), QAccessible::Window);
  panel.SetParent(&main);
  EXPECT_EQ(face->role(), QAccessible::Pane);
  EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Meters"));
}

// ---- Pressing and the keyboard ------------------------------------------------------------

// How often the control's click events fired (OnClick, OnUpClick ...).
class Clicks {
public:
  explicit Clicks(QObject* control) {
    const QMetaObject* meta = control->metaObject();
    for (int i = 0; i < meta->methodCount(); ++i) {
      const QMetaMethod m = meta->method(i);
      if (m.methodType() == QMetaMethod::Signal && m.name().endsWith("Click"))
        FSpies.push_back(std::make_unique<QSignalSpy>(control, m));
    }
  }
  int Count() const {
    int n = 0;
    for (const auto& spy : FSpies) n += int(spy->count());
    return n;
  }

private:
  std::vector<std::unique_ptr<QSignalSpy>> FSpies;
};

// The control and the parts of it a listener reaches (the spinner's buttons).
std::vector<QAccessibleInterface*> FaceAndParts(QAccessibleInterface* face) {
  std::vector<QAccessibleInterface*> all{face};
  for (int i = 0; i < face->childCount(); ++i) all.push_back(face->child(i));
  return all;
}

TEST(Accessibility, PressClicksAsTheMouseDoes) {
  const kvtest::PointerAway away;
  int pressed = 0;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    Shown s(*c);
    // A web label's click opens a browser.
    if (s.control->property("URL").isValid()) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    for (QAccessibleInterface* part : FaceAndParts(s.Face())) {
      if (!part->actionInterface() || !part->actionInterface()->actionNames().contains(
                                          QAccessibleActionInterface::pressAction()))
        continue;
      SCOPED_TRACE(part->text(QAccessible::Name).toStdString());
      const Clicks clicks(s.control);
      part->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
      kvtest::Pump();
      EXPECT_EQ(clicks.Count(), 1);
      ++pressed;
    }
  }
  // Buttons, the media button, the spinner's two, the hyperlink.
  EXPECT_GE(pressed, 7);
}

// Every control that takes the focus shows it, and does something from the keyboard alone.
TEST(Accessibility, EveryFocusableControlShowsItsFocusAndAnswersKeys) {
  const kvtest::PointerAway away;
  int focusable = 0;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    Shown s(*c);
    auto* windowed = dynamic_cast<TWinControl*>(s.control);
    // The scroll box holds controls; it is no input of its own.
    if (!windowed || !kvtest::TakesAnyParent(*c) || s.Face()->role() == QAccessible::Pane) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    ++focusable;
    // The stock check box marks the focus round its caption.
    s.control->SetCaption(QStringLiteral("Go"));
    windowed->SetTabStop(true);
    const QImage unfocused = kvtest::Grab(s.control);
    windowed->SetFocus();
    kvtest::Pump();
    ASSERT_TRUE(windowed->Focused());
    EXPECT_NE(kvtest::Grab(s.control), unfocused);
    const Clicks clicks(s.control);
    const QMetaProperty value = s.Value();
    const QVariant before = value.isValid() ? value.read(s.control) : QVariant();
    bool answered = false;
    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down, Qt::Key_Left,
                              Qt::Key_Home, Qt::Key_End}) {
      QTest::keyClick(s.control, key);
      kvtest::Pump();
      answered =
          answered || clicks.Count() > 0 || (value.isValid() && value.read(s.control) != before);
    }
    EXPECT_TRUE(answered);
  }
  // Three buttons, the spinner, two check boxes, the switch, the track bar and the slider.
  EXPECT_EQ(focusable, 9);
}

// The actions a user has besides taking the focus.
QStringList UserActions(QAccessibleInterface* face) {
  QStringList actions = face->actionInterface() ? face->actionInterface()->actionNames()
                                                : QStringList();
  actions.removeAll(QAccessibleActionInterface::setFocusAction());
  return actions;
}

// What an action does that a key must do too: a press clicks; the others change the value.
struct Effect {
  int clicks = 0;
  QVariant value;
  bool SameAs(const Effect& other, const QString& action) const {
    return action == QAccessibleActionInterface::pressAction() ? clicks == other.clicks
                                                               : value == other.value;
  }
};

// Every control whose accessible interface offers an action comes by Tab, shows that it has the
// focus and stops showing it with the focus gone, and has a key for each action that does what
// the action does, from the same start.
TEST(Accessibility, EveryControlWithAnActionWorksFromTheKeyboardAlone) {
  const kvtest::PointerAway away;
  kv::SetUrlOpenerForTesting([](const QString&) { return true; });
  int operable = 0;
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    Shown s(*c);
    const QStringList actions = UserActions(s.Face());
    if (actions.isEmpty()) continue;
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    ++operable;
    // The check boxes mark the focus round their caption.
    s.control->SetCaption(QStringLiteral("Go"));
    if (auto* windowed = dynamic_cast<TWinControl*>(s.control)) windowed->SetTabStop(true);
    // From the middle of a range, both increase and decrease move.
    if (QAccessibleValueInterface* v = s.Face()->valueInterface(); v && IsNumber(s.Value()))
      v->setCurrentValue(std::round((v->minimumValue().toDouble() + v->maximumValue().toDouble()) / 2));
    QWidget before(&s.form);
    before.setFocusPolicy(Qt::StrongFocus);
    before.show();
    before.setFocus();
    kvtest::Pump();
    const QImage unfocused = kvtest::Grab(s.control);
    QTest::keyClick(&before, Qt::Key_Tab);
    kvtest::Pump();
    ASSERT_TRUE(s.control->hasFocus());
    EXPECT_NE(kvtest::Grab(s.control), unfocused) << "no focus mark";

    const QMetaProperty value = s.Value();
    const QVariant start = value.isValid() ? value.read(s.control) : QVariant();
    const auto effectOf = [&](const std::function<void()>& act) {
      const Clicks clicks(s.control);
      act();
      kvtest::Pump();
      Effect e{clicks.Count(), value.isValid() ? value.read(s.control) : QVariant()};
      if (value.isValid()) value.write(s.control, start);
      return e;
    };
    for (const QString& action : actions) {
      SCOPED_TRACE(action.toStdString());
      const Effect wanted = effectOf([&] { s.Face()->actionInterface()->doAction(action); });
      EXPECT_TRUE(wanted.clicks > 0 || wanted.value != start) << "the action does nothing";
      bool answered = false;
      for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Up, Qt::Key_Right,
                                Qt::Key_Down, Qt::Key_Left})
        answered = effectOf([&] { QTest::keyClick(s.control, key); }).SameAs(wanted, action) ||
                   answered;
      EXPECT_TRUE(answered) << "no key does it";
    }
    before.setFocus();
    kvtest::Pump();
    EXPECT_EQ(kvtest::Grab(s.control), unfocused) << "the focus mark outlives the focus";
  }
  kv::SetUrlOpenerForTesting(nullptr);
  // The slider, track bar, wheel and switch; the check LED and the stock check box; the power,
  // demo, media and shadow buttons; the hyperlink, the web label and the arrow.
  EXPECT_EQ(operable, 13);
}

// A window coming to the front hands its first control the focus unasked: a non-windowed control
// shows it from the first key on, so a window's picture is the same whichever control is first.
TEST(Accessibility, FocusAWindowGivesOnShowingShowsFromTheFirstKey) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 200);
  TKvWheel wheel(&form);
  form.Show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  kvtest::Pump();
  ASSERT_TRUE(wheel.hasFocus());
  const QImage onShowing = kvtest::Grab(&wheel);
  // A key the wheel does not use shows the focus all the same.
  QTest::keyClick(&wheel, Qt::Key_Shift);
  kvtest::Pump();
  EXPECT_EQ(wheel.Position(), 0);
  EXPECT_NE(kvtest::Grab(&wheel), onShowing);
  wheel.clearFocus();
  kvtest::Pump();
  EXPECT_EQ(kvtest::Grab(&wheel), onShowing) << "the unasked focus showed";
}

// A windowed control keeps the first focus of its window, which draws it, ahead of a non-windowed
// input earlier in the Tab chain: a window shows as it did before those took the focus.
TEST(Accessibility, AWindowedControlKeepsTheFirstFocusOfItsWindow) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 300, 200);
  TKvWheel wheel(&form);
  TCheckBox box(&form);
  box.SetBounds(100, 0, 100, 20);
  box.SetTabStop(true);
  form.Show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  kvtest::Pump();
  EXPECT_TRUE(box.Focused());
  QTest::keyClick(&box, Qt::Key_Tab);
  kvtest::Pump();
  EXPECT_TRUE(wheel.hasFocus()) << "the wheel is in the Tab chain all the same";
}

}  // namespace
