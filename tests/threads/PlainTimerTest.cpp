// The framework's plain GUI-thread timer.
#include "ClassRegistry.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Properties.h"
#include "ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

using kv::Exception;

using kvtest::RunUntil;
using kvtest::TTickLog;

namespace {

class PlainTimer : public ::testing::Test {
protected:
  void TearDown() override {
    kv::SetExceptionReporter({});
    kv::RefuseSystemTimersForTesting(0);
  }
};

}  // namespace

TEST_F(PlainTimer, StartsEnabledWithOneSecondAndThoseAreItsStreamingDefaults) {
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_EQ(kvtest::StreamingDefaults(TTimer::staticMetaObject),
            (std::map<QByteArray, QByteArray>{{"Enabled", "true"}, {"Interval", "1000"}}));
}

TEST_F(PlainTimer, TicksOnTheGuiThreadOnceAHandlerIsConnected) {
  TTimer timer(nullptr);
  timer.SetInterval(5);
  kvtest::PumpFor(50);  // no handler yet: nothing runs
  TTickLog log;
  log.Attach(&timer);
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 3; }, 5000));
  EXPECT_EQ(log.OffMainThread, 0);
  EXPECT_EQ(log.LastSender, &timer);
}

TEST_F(PlainTimer, IntervalZeroOrDisabledGivesNoTicks) {
  TTimer timer(nullptr);
  TTickLog log;
  log.Attach(&timer);
  timer.SetInterval(0);
  kvtest::PumpFor(60);
  timer.SetInterval(5);
  timer.SetEnabled(false);
  kvtest::PumpFor(60);
  EXPECT_EQ(log.Ticks, 0);
  timer.SetEnabled(true);
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
}

TEST_F(PlainTimer, HandlerExceptionIsReportedAndTheTimerKeepsRunning) {
  int reports = 0;
  kv::SetExceptionReporter([&](QObject*, const QString&, const QString& message) {
    if (message == QStringLiteral("tick failed")) ++reports;
  });
  TTimer timer(nullptr);
  timer.SetInterval(5);
  TTickLog log;
  log.Attach(&timer, [] { throw Exception(QStringLiteral("tick failed")); });
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 3; }, 5000));
  EXPECT_EQ(reports, log.Ticks);
}

TEST_F(PlainTimer, HandlerMayFreeItsOwnTimer) {
  auto* timer = new TTimer(nullptr);
  timer->SetInterval(1);
  int ticks = 0;
  QObject::connect(timer, &TTimer::OnTimer, [&](TObject*) {
    ++ticks;
    delete timer;
  });
  ASSERT_TRUE(RunUntil([&] { return ticks > 0; }, 2000));
  kvtest::PumpFor(30);
  EXPECT_EQ(ticks, 1);
}

TEST_F(PlainTimer, RefusedSystemTimerRaisesOutOfResources) {
  TTimer timer(nullptr);
  TTickLog log;
  log.Attach(&timer);
  kv::RefuseSystemTimersForTesting(1);
  try {
    timer.SetInterval(5);
    FAIL() << "no exception";
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("No timer resources left."));
  }
  kvtest::PumpFor(40);
  EXPECT_EQ(log.Ticks, 0);
  timer.SetInterval(6);
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
}

TEST_F(PlainTimer, IsRegisteredForFormDescriptions) {
  const kv::TRegisteredClass* entry = kv::FindRegisteredClass(QStringLiteral("TTimer"));
  ASSERT_NE(entry, nullptr);
  std::unique_ptr<TComponent> timer(entry->create(nullptr));
  EXPECT_NE(dynamic_cast<TTimer*>(timer.get()), nullptr);
}
