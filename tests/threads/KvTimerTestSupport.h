// Fixtures of the timer component's tests.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "KvThreads.h"
#include "ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

class KvTimerTest : public ::testing::Test {
protected:
  void TearDown() override {
    kv::SetExceptionReporter({});
    kv::FailThreadCreationsForTesting(0);
    kv::FailEventWaitsForTesting(0);
    kv::RefuseSystemTimersForTesting(0);
  }

  virtual TKvTimerType Mode() const { return TKvTimerType::ttThread; }

  // Connects the log (and Extra) and starts ticking every IntervalMs in this test's mode.
  void Start(TKvTimer& timer, kvtest::TTickLog& log, uint32_t intervalMs,
             std::function<void()> extra = {}) {
    timer.SetEnabled(false);
    timer.SetTimerType(Mode());
    timer.SetInterval(intervalMs);
    log.Attach(&timer, std::move(extra));
    timer.SetEnabled(true);
  }

  static int WorkerThreads() { return kvtest::CountThreadsNamed("KvTimer"); }

  // From now on the application's exception reports are counted instead of shown.
  void RecordReports() {
    kv::SetExceptionReporter([this](QObject* sender, const QString&, const QString&) {
      FLastReportSender.store(sender);
      if (!kv::IsMainThread()) ++FReportsOffMainThread;
      ++FReports;
    });
  }
  int Reports() const { return FReports; }
  int ReportsOffMainThread() const { return FReportsOffMainThread; }
  const QObject* LastReportSender() const { return FLastReportSender; }

private:
  std::atomic<int> FReports{0};
  std::atomic<int> FReportsOffMainThread{0};
  std::atomic<const QObject*> FLastReportSender{nullptr};
};

// The same tests for both tick sources.
class KvTimerModes : public KvTimerTest, public ::testing::WithParamInterface<TKvTimerType> {
protected:
  TKvTimerType Mode() const override { return GetParam(); }
};

inline std::string ModeName(const ::testing::TestParamInfo<TKvTimerType>& info) {
  return info.param == TKvTimerType::ttThread ? "Thread" : "System";
}
