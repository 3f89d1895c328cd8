#include "DemoForms.h"
#include "Pixels.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

using kv::Rect;

namespace {

using Demo = kvtest::DemoForms;

}  // namespace

TEST(DemoShell, ShowingTheMainWindowPutsTheStartPanelIntoTheScrollBox) {
  Demo demo;
  EXPECT_EQ(Demo::TopPanel(), frmStart);
  EXPECT_EQ(frmStart->BoundsRect(), Rect(0, 0, 441, 317));
  EXPECT_EQ(frmQelDemo->ClientWidth(), 800);
  EXPECT_EQ(frmQelDemo->ClientHeight(), 600);
  EXPECT_FALSE(frmQelDemo->KvTimer->Enabled());
  EXPECT_EQ(frmQelDemo->KvTimer->Interval(), 7000u);
}

TEST(DemoShell, SlideshowCyclesThroughThePanelsInOrder) {
  Demo demo;
  const std::vector<QWidget*> expected = {frmStart, frmMeters, frmLeds, frmSwitches,
                                          frmScope, frmMisc,   frmStart};
  for (size_t i = 0; i < expected.size(); ++i) {
    frmQelDemo->KvTimerTimer(frmQelDemo->KvTimer);
    EXPECT_EQ(Demo::TopPanel(), expected[i]) << "tick " << i;
  }
  EXPECT_EQ(frmQelDemo->SlidePos(), 1);
  // Every panel stays a visible child of the scroll box, at its top-left corner.
  for (QWidget* panel : expected) {
    EXPECT_EQ(panel->parentWidget(), frmQelDemo->ScrollBox);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), QPoint(0, 0));
  }
}

TEST(DemoShell, PressingTheSameButtonTwiceChangesNothingElse) {
  Demo demo;
  frmQelDemo->btnLedsClick(nullptr);
  const int pos = frmQelDemo->SlidePos();
  frmQelDemo->btnLedsClick(nullptr);
  EXPECT_EQ(Demo::TopPanel(), frmLeds);
  EXPECT_EQ(frmQelDemo->SlidePos(), pos);
  EXPECT_EQ(frmLeds->BoundsRect(), Rect(0, 0, 441, 317));
}

TEST(DemoShell, CheckingAndUncheckingQuicklyNeverSkipsAPanel) {
  Demo demo;
  for (int i = 0; i < 10; ++i) {
    frmQelDemo->chkCheckbox->SetChecked(true);
    EXPECT_TRUE(frmQelDemo->KvTimer->Enabled());
    frmQelDemo->chkCheckbox->SetChecked(false);
    EXPECT_FALSE(frmQelDemo->KvTimer->Enabled());
  }
  EXPECT_EQ(frmQelDemo->SlidePos(), 0);  // the position moves on ticks only
  frmQelDemo->chkCheckbox->SetChecked(true);
  frmQelDemo->KvTimerTimer(nullptr);
  EXPECT_EQ(Demo::TopPanel(), frmStart);  // the first tick shows the start panel again
  frmQelDemo->chkCheckbox->SetChecked(false);
  frmQelDemo->chkCheckbox->SetChecked(true);
  frmQelDemo->KvTimerTimer(nullptr);
  EXPECT_EQ(Demo::TopPanel(), frmMeters);  // and the cycle continues where it stopped
}

TEST(DemoShell, FreeingTheFormsWhileEveryTimerTicksFinishesPromptly) {
  for (int round = 0; round < 20; ++round) {
    auto demo = std::make_unique<Demo>();
    frmQelDemo->chkCheckbox->SetChecked(true);
    for (TPanelForm* panel :
         {static_cast<TPanelForm*>(frmMeters), static_cast<TPanelForm*>(frmLeds),
          static_cast<TPanelForm*>(frmScope), static_cast<TPanelForm*>(frmMisc)}) {
      ASSERT_NE(panel->KvTimer, nullptr);
      panel->KvTimer->SetInterval(1);
    }
    frmQelDemo->KvTimer->SetInterval(1);
    kvtest::Pump(20);
    QElapsedTimer t;
    t.start();
    demo.reset();
    EXPECT_LT(t.elapsed(), 2000) << "round " << round;
  }
}

namespace {

struct DemoRun {
  int exitCode = -1;
  QByteArray errors;
};

DemoRun RunDemo(const QStringList& arguments, int timeoutMs = 20000) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(KV_DEMO_BINARY), arguments);
  DemoRun run;
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return run;
  }
  run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  run.errors = p.readAllStandardError();
  return run;
}

}  // namespace

TEST(DemoProgram, ScreenshotShowsTheStartPanelInTheScrollBox) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("demo.png"));
  ASSERT_EQ(RunDemo({QStringLiteral("--screenshot"), file}).exitCode, 0);
  const QImage shot(file);
  ASSERT_EQ(shot.size(), QSize(800, 600));
  EXPECT_EQ(kvtest::PixelAt(shot, 256 + 220, 136 + 150), 7292981);
}

TEST(DemoProgram, ExitsPromptlyWithTheSlideshowAndThePanelTimersRunning) {
  for (int i = 0; i < 5; ++i) {
    QElapsedTimer t;
    t.start();
    const DemoRun run =
        RunDemo({QStringLiteral("--slideshow"), QStringLiteral("--panel"), QStringLiteral("scope"),
                 QStringLiteral("--quit-after"), QStringLiteral("300")});
    EXPECT_EQ(run.exitCode, 0) << run.errors.constData();
    EXPECT_LT(t.elapsed(), 5000);
  }
}

TEST(DemoProgram, RefusesUnknownOptionsWithStatusTwo) {
  const DemoRun run = RunDemo({QStringLiteral("--no-such-option")});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_TRUE(run.errors.contains("no-such-option"));
  EXPECT_EQ(RunDemo({QStringLiteral("--panel"), QStringLiteral("attic")}).exitCode, 2);
  EXPECT_EQ(RunDemo({QStringLiteral("--help")}).exitCode, 0);
}
