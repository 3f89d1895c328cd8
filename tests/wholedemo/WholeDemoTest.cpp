// The whole demo as a user meets it: every panel through its button, the animated panels
// moving, the slideshow through all six panels with every panel timer running, and the close
// button. The program's own exit is checked by the demo-program tests.
#include "DemoForms.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>

#include <functional>
#include <vector>

using kv::Application;

namespace {

using kvtest::DemoForms;

// Pumps events until Done holds or Milliseconds pass; whether it held.
bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > milliseconds) return false;
    kvtest::Pump(20);
  }
  return true;
}

QImage ScrollBoxPicture() { return frmQelDemo->ScrollBox->grab().toImage(); }

}  // namespace

TEST(WholeDemo, EveryPanelComesThroughItsButtonAndTheAnimatedOnesMove) {
  DemoForms demo;
  EXPECT_EQ(DemoForms::TopPanel(), frmStart);
  struct Panel {
    TKvShadowButton* button;
    QWidget* panel;
    bool animated;
  };
  for (const Panel& p : {Panel{frmQelDemo->btnMeters, frmMeters, true},
                         Panel{frmQelDemo->btnLeds, frmLeds, true},
                         Panel{frmQelDemo->btnSwitches, frmSwitches, false},
                         Panel{frmQelDemo->btnScopePanel, frmScope, true},
                         Panel{frmQelDemo->btnMisc, frmMisc, true}}) {
    SCOPED_TRACE(p.panel->objectName().toStdString());
    QTest::mouseClick(p.button, Qt::LeftButton, {}, p.button->rect().center());
    kvtest::Pump();
    ASSERT_EQ(DemoForms::TopPanel(), p.panel);
    if (!p.animated) continue;
    const QImage first = ScrollBoxPicture();
    EXPECT_TRUE(PumpUntil([&] { return ScrollBoxPicture() != first; }, 5000));
  }
}

TEST(WholeDemo, TheSlideshowShowsAllSixPanelsInOrderWithEveryTimerRunning) {
  DemoForms demo;
  frmQelDemo->KvTimer->SetInterval(200);
  frmQelDemo->chkCheckbox->SetChecked(true);
  // The first tick shows the start panel again; the panels follow in the buttons' order.
  const std::vector<QWidget*> expected = {frmMeters, frmLeds,  frmSwitches,
                                          frmScope,  frmMisc,  frmStart};
  std::vector<QWidget*> seen;
  QWidget* top = DemoForms::TopPanel();
  PumpUntil(
      [&] {
        if (QWidget* now = DemoForms::TopPanel(); now != top) {
          top = now;
          seen.push_back(now);
        }
        return seen.size() >= expected.size();
      },
      10000);
  EXPECT_EQ(seen, expected);
}

// Runs last in this program: the click ends the application object for good.
TEST(WholeDemo, TheCloseButtonEndsTheProgram) {
  DemoForms demo;
  frmQelDemo->chkCheckbox->SetChecked(true);
  kvtest::Pump(100);
  QTest::mouseClick(frmQelDemo->btnClose, Qt::LeftButton, {},
                    frmQelDemo->btnClose->rect().center());
  EXPECT_TRUE(Application->Terminated());
  QElapsedTimer t;
  t.start();
  demo.owner.reset();
  EXPECT_LT(t.elapsed(), 2000);
}
