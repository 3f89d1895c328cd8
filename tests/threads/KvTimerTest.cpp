// The timer component: properties, both tick sources and how the setters drive them.
#include "KvThreads.h"
#include "ClassRegistry.h"
#include "FormDescriptions.h"
#include "KvTimerTestSupport.h"
#include "Properties.h"

#include <chrono>
#include <map>
#include <memory>
#include <thread>
#include <vector>

using kv::Exception;

using kvtest::RunUntil;
using kvtest::TTickLog;

TEST_F(KvTimerTest, StartsWithTheDocumentedValuesAndStreamingDefaults) {
  TKvTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_TRUE(timer.SyncEvent());
  EXPECT_EQ(timer.TimerType(), TKvTimerType::ttThread);
  EXPECT_EQ(timer.Priority(), TThreadPriority::tpNormal);
  EXPECT_EQ(kvtest::OwnPropertyNames(TKvTimer::staticMetaObject),
            (std::vector<QByteArray>{"Enabled", "Interval", "SyncEvent", "TimerType", "Priority"}));
  EXPECT_EQ(kvtest::StreamingDefaults(TKvTimer::staticMetaObject),
            (std::map<QByteArray, QByteArray>{{"Enabled", "true"},
                                              {"Interval", "1000"},
                                              {"SyncEvent", "true"},
                                              {"TimerType", "ttThread"},
                                              {"Priority", "tpNormal"}}));
}

TEST_F(KvTimerTest, TheWorkerExistsFromTheFirstUpdateUntilTheTimerIsFreed) {
  auto timer = std::make_unique<TKvTimer>(nullptr);
  kvtest::PumpFor(20);
  EXPECT_EQ(WorkerThreads(), 0);
  timer->UpdateTimer();  // no handler: allocated and parked
  EXPECT_TRUE(RunUntil([] { return WorkerThreads() == 1; }, 2000));
  timer.reset();
  EXPECT_EQ(WorkerThreads(), 0);  // freeing waited for it
}

TEST_P(KvTimerModes, TicksOnTheGuiThreadWithTheTimerAsSender) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 5);
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 3; }, 5000));
  EXPECT_EQ(log.OffMainThread, 0);
  EXPECT_EQ(log.LastSender, &timer);
}

TEST_P(KvTimerModes, IntervalZeroGivesNoTicks) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 5);
  timer.SetInterval(0);
  const int before = log.Ticks;
  kvtest::PumpFor(80);
  EXPECT_EQ(log.Ticks, before);
  if (GetParam() == TKvTimerType::ttThread) {
    EXPECT_EQ(WorkerThreads(), 1);  // parked, not gone
  }
}

TEST_P(KvTimerModes, DisabledTimerIsSilentAndEnablingAgainResumes) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 3);
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
  timer.SetEnabled(false);
  const int before = log.Ticks;
  kvtest::PumpFor(60);
  EXPECT_EQ(log.Ticks, before);
  timer.SetEnabled(true);
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= before + 2; }, 5000));
}

TEST_F(KvTimerTest, SwitchingTheTypeWhileEnabledMovesTheTicksToTheNewSource) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 3);
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
  timer.SetTimerType(TKvTimerType::ttSystem);
  EXPECT_EQ(WorkerThreads(), 0);
  int before = log.Ticks;
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= before + 2; }, 5000));
  timer.SetTimerType(TKvTimerType::ttThread);
  before = log.Ticks;
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= before + 2; }, 5000));
  EXPECT_EQ(WorkerThreads(), 1);
}

TEST_F(KvTimerTest, SwitchingTheTypeWhileDisabledOnlyReleasesTheOldSource) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 3);
  timer.SetEnabled(false);
  timer.SetTimerType(TKvTimerType::ttSystem);
  EXPECT_EQ(WorkerThreads(), 0);
  const int before = log.Ticks;
  kvtest::PumpFor(50);
  EXPECT_EQ(log.Ticks, before);
  timer.SetEnabled(true);
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= before + 2; }, 5000));
  EXPECT_EQ(WorkerThreads(), 0);
}

TEST_P(KvTimerModes, HandlerConnectedAfterEnablingWaitsForTheNextUpdate) {
  TKvTimer timer(nullptr);
  timer.SetTimerType(GetParam());
  timer.SetInterval(3);
  TTickLog log;
  log.Attach(&timer);
  kvtest::PumpFor(60);
  EXPECT_EQ(log.Ticks, 0);
  timer.SetInterval(4);
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
}

TEST_P(KvTimerModes, EndOfLoadingStartsTheTimer) {
  TKvTimer timer(nullptr);
  timer.SetTimerType(GetParam());
  timer.SetInterval(3);
  TTickLog log;
  {
    kv::LoadingScope loading(&timer);
    log.Attach(&timer);  // a form description binds its handler while loading
  }
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
}

TEST_F(KvTimerTest, PriorityChangeKeepsTheTicksComing) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 3);
  timer.SetPriority(TThreadPriority::tpLowest);
  EXPECT_EQ(timer.Priority(), TThreadPriority::tpLowest);
  const int before = log.Ticks;
  EXPECT_TRUE(RunUntil([&] { return log.Ticks >= before + 2; }, 5000));
}

TEST_F(KvTimerTest, WithoutSyncEventTheHandlerRunsOnTheWorker) {
  TKvTimer timer(nullptr);
  timer.SetSyncEvent(false);
  TTickLog log;
  Start(timer, log, 3);
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 3; }, 5000));
  timer.SetEnabled(false);
  EXPECT_EQ(log.OffMainThread, log.Ticks);
  EXPECT_EQ(log.LastSender, &timer);
}

TEST_P(KvTimerModes, SignedMinusOneIntervalReadsBackAndNeverTicks) {
  TKvTimer timer(nullptr);
  TTickLog log;
  const int controlInterval = -1;  // what a control's signed interval property passes on
  Start(timer, log, static_cast<uint32_t>(controlInterval));
  EXPECT_EQ(timer.Interval(), 4294967295u);
  EXPECT_EQ(static_cast<int>(timer.Interval()), -1);
  kvtest::PumpFor(100);
  EXPECT_EQ(log.Ticks, 0);
}

TEST_P(KvTimerModes, HandlerExceptionIsReportedEachTickAndTheTicksGoOn) {
  RecordReports();
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 3, [] { throw Exception(QStringLiteral("tick failed")); });
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 3; }, 5000));
  timer.SetEnabled(false);
  EXPECT_EQ(Reports(), log.Ticks);
  EXPECT_EQ(ReportsOffMainThread(), 0);
  EXPECT_EQ(LastReportSender(), &timer);
}

TEST_P(KvTimerModes, ParkedTimerDropsTheTickAlreadyOnItsWay) {
  TKvTimer timer(nullptr);
  TTickLog log;
  Start(timer, log, 1);
  ASSERT_TRUE(RunUntil([&] { return log.Ticks >= 1; }, 5000));
  std::this_thread::sleep_for(
      std::chrono::milliseconds(20));  // a tick is now waiting for the GUI thread
  timer.SetInterval(0);
  const int before = log.Ticks;
  kvtest::PumpFor(60);
  EXPECT_EQ(log.Ticks, before);
}

INSTANTIATE_TEST_SUITE_P(BothSources, KvTimerModes,
                         ::testing::Values(TKvTimerType::ttThread, TKvTimerType::ttSystem),
                         ModeName);

TEST_F(KvTimerTest, IsRegisteredAndAStoredTimerReadsBackEqual) {
  ASSERT_NE(kv::FindRegisteredClass(QStringLiteral("TKvTimer")), nullptr);
  TKvTimer stored(nullptr);
  stored.SetEnabled(false);
  stored.SetInterval(static_cast<uint32_t>(-1));
  stored.SetSyncEvent(false);
  stored.SetTimerType(TKvTimerType::ttSystem);
  stored.SetPriority(TThreadPriority::tpLowest);
  const QByteArray text = kv::WriteComponent(&stored);
  TKvTimer read(nullptr);
  kv::ReadComponent(&read, text, QStringLiteral("timer.kvf"));
  EXPECT_FALSE(read.Enabled());
  EXPECT_EQ(static_cast<int>(read.Interval()), -1);
  EXPECT_FALSE(read.SyncEvent());
  EXPECT_EQ(read.TimerType(), TKvTimerType::ttSystem);
  EXPECT_EQ(read.Priority(), TThreadPriority::tpLowest);
  EXPECT_EQ(kv::WriteComponent(&read), text);
}
