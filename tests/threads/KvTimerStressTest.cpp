// The timer component under the conditions that break naive designs: handlers that free or
// retune their own timer, parks racing with ticks, failing tick sources, re-entrant ticks,
// destruction at random moments and the end of the application.
#include "KvTimerTestSupport.h"

#include <QCoreApplication>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <random>
#include <thread>

using kv::Application, kv::Exception;

using kvtest::Clock;
using kvtest::MillisecondsSince;
using kvtest::RunUntil;
using kvtest::TTickLog;

namespace {

class KvTimerStress : public KvTimerModes {};

TKvTimerType OtherType(TKvTimerType type) {
  return type == TKvTimerType::ttThread ? TKvTimerType::ttSystem : TKvTimerType::ttThread;
}

// Delivers events for that long without starting an event loop, as a modal handler would.
void ProcessEventsFor(int milliseconds) {
  const auto start = Clock::now();
  while (MillisecondsSince(start) < milliseconds) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

}  // namespace

TEST_P(KvTimerStress, HandlerMayFreeItsOwnTimer) {
  auto* timer = new TKvTimer(nullptr);
  TTickLog log;
  const auto start = Clock::now();
  Start(*timer, log, 1, [&] { delete timer; });
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 2000));
  EXPECT_LT(MillisecondsSince(start), 2000);
  EXPECT_TRUE(RunUntil([] { return WorkerThreads() == 0; }, 2000));  // the worker ended by itself
  kvtest::PumpFor(30);
  EXPECT_EQ(log.Ticks, 1);
}

TEST_P(KvTimerStress, HandlerMaySwitchTheTimerTypeAndTheTicksContinue) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 2, [&] {
    if (log.Ticks == 1) timer.SetTimerType(OtherType(GetParam()));
  });
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 6; }, 5000));
  EXPECT_EQ(timer.TimerType(), OtherType(GetParam()));
  const int workers = GetParam() == TKvTimerType::ttThread ? 0 : 1;
  EXPECT_TRUE(RunUntil([&] { return WorkerThreads() == workers; }, 2000));
}

TEST_P(KvTimerStress, HandlerSettingANewIntervalOnEveryTickKeepsTicking) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 2, [&] { timer.SetInterval(timer.Interval() == 2 ? 3 : 2); });
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= 20; }, 5000));
}

TEST_P(KvTimerStress, TenThousandEnabledTogglesNeverDeadlockNorFireWhileDisabled) {
  TKvTimer timer(nullptr);
  TTickLog log;
  std::atomic<int> firedWhileDisabled{0};
  Start(timer, log, 1, [&] {
    if (!timer.Enabled()) ++firedWhileDisabled;
  });
  for (int i = 0; i < 10000; ++i) {
    timer.SetEnabled(!timer.Enabled());
    if (i % 7 == 0) QCoreApplication::processEvents();
  }
  ASSERT_TRUE(timer.Enabled());
  const int before = log.Ticks;
  EXPECT_TRUE(RunUntil([&] { return log.Ticks > before; }, 5000));
  EXPECT_EQ(firedWhileDisabled, 0);
}

TEST_F(KvTimerTest, TwoParksThenOneUnparkResumesTheTicks) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 0);
  timer.UpdateTimer();  // parked again, with Interval still 0
  kvtest::PumpFor(30);
  EXPECT_EQ(log.Ticks, 0);
  timer.SetInterval(3);
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= 2; }, 5000));
}

TEST_P(KvTimerStress, FailedTickSourceRaisesAndALaterUpdateTriesAgain) {
  TKvTimer timer(nullptr);
  TTickLog log;
  if (GetParam() == TKvTimerType::ttThread) kv::FailThreadCreationsForTesting(1);
  else kv::RefuseSystemTimersForTesting(1);
  try {
    Start(timer, log, 3);
    FAIL() << "no exception";
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("No timer resources left."));
  }
  kvtest::PumpFor(40);
  EXPECT_EQ(log.Ticks, 0);
  EXPECT_EQ(WorkerThreads(), 0);
  timer.UpdateTimer();
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
}

TEST_F(KvTimerTest, FailedWaitEndsTheWorkerWithoutSpinning) {
  kv::FailEventWaitsForTesting(INT_MAX);  // every wait fails from now on
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 2);
  ASSERT_TRUE(RunUntil([] { return WorkerThreads() == 0; }, 2000));
  const double cpuBefore = kvtest::ProcessCpuSeconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LT(kvtest::ProcessCpuSeconds() - cpuBefore, 0.1);
  kvtest::PumpFor(20);
  EXPECT_EQ(log.Ticks, 0);
}

TEST_F(KvTimerTest, WorkerHandlerExceptionIsReportedOnceOnTheGuiThreadAndTicksContinue) {
  RecordReports();
  TKvTimer timer(nullptr);
  timer.SetSyncEvent(false);
  TTickLog log;
  Start(timer, log, 2, [&] {
    if (log.Ticks == 1) throw Exception(QStringLiteral("worker tick failed"));
  });
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 4 && Reports() >= 1; }, 5000));
  kvtest::PumpFor(30);
  EXPECT_EQ(Reports(), 1);
  EXPECT_EQ(ReportsOffMainThread(), 0);
  EXPECT_EQ(LastReportSender(), &timer);
}

TEST_F(KvTimerTest, SystemTickArrivingWhileTheHandlerPumpsEventsIsDropped) {
  TKvTimer timer(nullptr);
  int depth = 0;
  int deepest = 0;
  int calls = 0;
  QObject::connect(&timer, &TKvTimer::OnTimer, [&](TObject*) {
    deepest = std::max(deepest, ++depth);
    if (++calls == 1) ProcessEventsFor(200);
    --depth;
  });
  timer.SetTimerType(TKvTimerType::ttSystem);
  timer.SetInterval(10);
  ASSERT_TRUE(RunUntil([&] { return calls >= 3; }, 5000));
  EXPECT_EQ(deepest, 1);
}

TEST_P(KvTimerStress, OtherTimersKeepTickingWhileAHandlerPumpsEvents) {
  TKvTimer busy(nullptr);
  TKvTimer other(nullptr);
  TTickLog busyLog;
  TTickLog otherLog;
  std::atomic<int> otherTicksDuringPump{0};
  Start(busy, busyLog, 5, [&] {
    if (busyLog.Ticks != 1) return;
    const int before = otherLog.Ticks;
    ProcessEventsFor(150);
    otherTicksDuringPump = otherLog.Ticks - before;
  });
  other.SetInterval(5);  // a thread timer beside either kind
  otherLog.Attach(&other);
  other.UpdateTimer();
  ASSERT_TRUE(RunUntil([&] { return busyLog.Ticks >= 2; }, 5000));
  EXPECT_GE(otherTicksDuringPump, 3);
}

TEST_F(KvTimerTest, ThousandDestructionsAtRandomMomentsNeverHang) {
  std::mt19937 random(20240601);
  std::uniform_int_distribution<int> delayMs(0, 4);
  int lateTicks = 0;
  for (int round = 0; round < 1000; ++round) {
    auto* timer = new TKvTimer(nullptr);
    bool destroyed = false;
    QObject::connect(timer, &TKvTimer::OnTimer, [&](TObject*) {
      if (destroyed) ++lateTicks;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    timer->SetInterval(1);
    QTimer::singleShot(delayMs(random), [&] {
      delete timer;
      destroyed = true;
    });
    ASSERT_TRUE(RunUntil([&] { return destroyed; }, 2000)) << "round " << round;
  }
  kvtest::PumpFor(20);
  EXPECT_EQ(lateTicks, 0);
  EXPECT_EQ(WorkerThreads(), 0);
}

TEST_F(KvTimerTest, FreeingWhileTheWorkerWaitsForTheGuiThreadDoesNotDeadlock) {
  auto* timer = new TKvTimer(nullptr);
  TTickLog log;
  Start(*timer, log, 1);
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // its next tick now waits for us
  const int before = log.Ticks;
  const auto start = Clock::now();
  delete timer;
  EXPECT_LT(MillisecondsSince(start), 1000);
  kvtest::PumpFor(30);
  EXPECT_EQ(log.Ticks, before);
}

TEST_F(KvTimerTest, NoTickIsDispatchedOnceTheApplicationIsTerminating) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TKvTimer threadTimer(nullptr);
        TKvTimer systemTimer(nullptr);
        TTickLog threadLog;
        TTickLog systemLog;
        Start(threadTimer, threadLog, 1);
        systemTimer.SetTimerType(TKvTimerType::ttSystem);
        systemTimer.SetInterval(1);
        systemLog.Attach(&systemTimer);
        systemTimer.UpdateTimer();
        const bool running =
            RunUntil([&] { return threadLog.Ticks > 0 && systemLog.Ticks > 0; }, 5000);
        Application->Terminate();
        const int ticks = threadLog.Ticks + systemLog.Ticks;
        ProcessEventsFor(100);
        ::_exit(running && threadLog.Ticks + systemLog.Ticks == ticks ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(BothSources, KvTimerStress,
                         ::testing::Values(TKvTimerType::ttThread, TKvTimerType::ttSystem),
                         ModeName);
