// The controls as a Qt developer meets them: focus, tool tips. Every test walks all
// controls registered for form descriptions.
#include "Forms.h"
#include "Offscreen.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <QTest>

#include <memory>

namespace {

struct OnForm {
  TForm form{nullptr};
  std::unique_ptr<TControl> control;
  explicit OnForm(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, nullptr)) {
    form.SetBounds(0, 0, 400, 300);
    control->SetParent(&form);
  }
};

TEST(QtFace, AWindowedControlTakesTheFocusOnAClickAndTabStopPutsItInTheTabChain) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    OnForm f(*c);
    auto* windowed = dynamic_cast<TWinControl*>(f.control.get());
    if (!windowed) {
      EXPECT_EQ(f.control->focusPolicy(), Qt::NoFocus);
      continue;
    }
    windowed->SetTabStop(false);
    EXPECT_EQ(windowed->focusPolicy(), Qt::ClickFocus);
    windowed->SetTabStop(true);
    EXPECT_EQ(windowed->focusPolicy(), Qt::StrongFocus);
    windowed->SetTabStop(false);
    EXPECT_EQ(windowed->focusPolicy(), Qt::ClickFocus);
  }
}

TEST(QtFace, AClickFocusesAControlThatIsNoTabStop) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    OnForm f(*c);
    auto* windowed = dynamic_cast<TWinControl*>(f.control.get());
    if (!windowed || !kvtest::TakesAnyParent(*c)) continue;
    windowed->SetTabStop(false);
    f.form.Show();
    kvtest::Pump();
    QTest::mouseClick(windowed, Qt::LeftButton, {}, QPoint(1, 1));
    kvtest::Pump();
    EXPECT_TRUE(windowed->hasFocus());
  }
}

TEST(QtFace, HintAndToolTipAreOneValue) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    std::unique_ptr<TControl> control(kvtest::NewControl(*c, nullptr));
    control->SetHint(QStringLiteral("from Hint"));
    EXPECT_EQ(control->toolTip(), QStringLiteral("from Hint"));
    control->setToolTip(QStringLiteral("from toolTip"));
    EXPECT_EQ(control->Hint(), QStringLiteral("from toolTip"));
    EXPECT_EQ(control->property("Hint").toString(), QStringLiteral("from toolTip"));
  }
}

}  // namespace
