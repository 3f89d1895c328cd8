// The framework's thread class and event object.
#include "Threads.h"
#include "ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

using kv::Exception;

using namespace std::chrono_literals;
using kvtest::Clock;
using kvtest::MillisecondsSince;

namespace {

// A thread whose Execute is given by the test, with the protected calls opened up.
class TProbeThread : public TThread {
public:
  using TBody = std::function<void(TProbeThread&)>;
  explicit TProbeThread(TBody body, std::atomic<bool>* destroyed = nullptr)
      : FBody(std::move(body)), FDestroyed(destroyed) {}
  ~TProbeThread() override {
    Terminate();
    Resume();
    WaitFor();
    if (FDestroyed) FDestroyed->store(true);
  }
  using TThread::Synchronize;
  using TThread::WaitForWake;
  void SetTimeout(uint32_t ms) {
    Locked([&] { FTimeout = ms; });
  }
  TWaitResult WaitOnce(uint64_t& generation) { return WaitForWake(FTimeout, generation); }

protected:
  void Execute() override { FBody(*this); }

private:
  TBody FBody;
  std::atomic<bool>* FDestroyed;
  uint32_t FTimeout = 1000;
};

}  // namespace

TEST(Thread, StaysParkedUntilResumedAndParkingDoesNotNest) {
  std::atomic<bool> ran{false};
  TProbeThread thread([&](TProbeThread&) { ran = true; });
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(thread.Suspended());
  thread.Suspend();
  thread.Suspend();
  thread.Resume();
  EXPECT_FALSE(thread.Suspended());
  thread.WaitFor();
  EXPECT_TRUE(ran);
  EXPECT_TRUE(thread.Finished());
}

TEST(Thread, FreedWithoutResumeNeverRunsExecute) {
  std::atomic<bool> ran{false};
  {
    TProbeThread thread([&](TProbeThread&) { ran = true; });
  }
  EXPECT_FALSE(ran);
}

TEST(Thread, SynchronizeRunsOnTheGuiThreadWhileTheWorkerWaits) {
  std::atomic<bool> methodDone{false};
  std::atomic<bool> sawDoneAfterReturn{false};
  std::atomic<bool> ranOnMain{false};
  TProbeThread thread([&](TProbeThread& self) {
    const bool ran = self.Synchronize([&] {
      ranOnMain = kv::IsMainThread();
      std::this_thread::sleep_for(20ms);
      methodDone = true;
    });
    sawDoneAfterReturn = ran && methodDone;
  });
  thread.Resume();
  ASSERT_TRUE(kvtest::RunUntil([&] { return thread.Finished(); }, 5000));
  EXPECT_TRUE(ranOnMain);
  EXPECT_TRUE(sawDoneAfterReturn);
}

TEST(Thread, RequestsWaitingBehindOneThatPumpsEventsAreServedByTheNestedLoop) {
  // Both requests are pending before the GUI thread looks; the first one runs an event
  // loop (a modal dialog, say) that must still serve the second.
  std::atomic<bool> secondRan{false};
  bool secondRanInsideFirst = false;
  TProbeThread first([&](TProbeThread& self) {
    self.Synchronize(
        [&] { secondRanInsideFirst = kvtest::RunUntil([&] { return secondRan.load(); }, 2000); });
  });
  TProbeThread second([&](TProbeThread& self) { self.Synchronize([&] { secondRan = true; }); });
  first.Resume();
  std::this_thread::sleep_for(30ms);
  second.Resume();
  std::this_thread::sleep_for(30ms);
  ASSERT_TRUE(kvtest::RunUntil([&] { return first.Finished() && second.Finished(); }, 5000));
  EXPECT_TRUE(secondRanInsideFirst);
}

TEST(Thread, WaitForOnTheGuiThreadServesThePendingRequest) {
  std::atomic<bool> ran{false};
  TProbeThread thread([&](TProbeThread& self) { self.Synchronize([&] { ran = true; }); });
  thread.Resume();
  thread.WaitFor();  // no event loop runs: only WaitFor can serve the request
  EXPECT_TRUE(ran);
}

TEST(Thread, CancelledRequestReturnsFalseWithoutRunning) {
  std::atomic<bool> ran{false};
  std::atomic<int> result{-1};
  TProbeThread thread(
      [&](TProbeThread& self) { result = self.Synchronize([&] { ran = true; }) ? 1 : 0; });
  thread.Resume();
  // Nothing serves requests here, so the one the worker makes waits until it is cancelled.
  const auto start = Clock::now();
  while (result == -1 && MillisecondsSince(start) < 5000) {
    thread.CancelSynchronize();
    std::this_thread::sleep_for(1ms);
  }
  thread.WaitFor();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
}

TEST(Thread, ExceptionOfASynchronizedMethodIsRaisedOnTheWorker) {
  QString message;
  TProbeThread thread([&](TProbeThread& self) {
    try {
      self.Synchronize([] { throw Exception(QStringLiteral("from the GUI thread")); });
    } catch (const Exception& e) {
      message = e.Message();
    }
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(message, QStringLiteral("from the GUI thread"));
}

TEST(Thread, ExceptionEscapingExecuteEndsOnlyTheThread) {
  TProbeThread thread([](TProbeThread&) { throw Exception(QStringLiteral("lost")); });
  thread.Resume();
  thread.WaitFor();
  ASSERT_TRUE(thread.FatalException());
  EXPECT_THROW(std::rethrow_exception(thread.FatalException()), Exception);
}

TEST(Thread, QueuedMethodRunsLaterOnTheGuiThreadWithoutBlockingTheWorker) {
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> queuedRan{false};
  TProbeThread thread([&](TProbeThread&) {
    TThread::Queue([&] {
      ranOnMain = kv::IsMainThread();
      queuedRan = true;
    });
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_FALSE(queuedRan);  // the worker did not wait for it
  ASSERT_TRUE(kvtest::RunUntil([&] { return queuedRan.load(); }, 5000));  // the event loop is woken
  EXPECT_TRUE(ranOnMain);
}

TEST(Thread, WaitKeepsItsDeadlineAcrossAParkAndTicksRightAfterTheResume) {
  std::atomic<int> result{-1};
  std::atomic<uint64_t> generation{99};
  std::atomic<bool> waiting{false};
  Clock::time_point returnedAt;
  TProbeThread thread([&](TProbeThread& self) {
    uint64_t g = 0;
    self.SetTimeout(400);
    waiting = true;
    result = int(self.WaitOnce(g));
    returnedAt = Clock::now();
    generation = g;
  });
  const auto start = Clock::now();
  thread.Resume();
  // A loaded machine may start the thread late: park it only once its wait has begun.
  while (!waiting) std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(30ms);
  thread.Suspend();
  std::this_thread::sleep_for(600ms);  // the deadline passes while parked
  EXPECT_EQ(result, -1);
  const auto resumedAt = Clock::now();
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(result, int(TWaitResult::wrTimeout));
  EXPECT_EQ(generation, 1u);
  // At once, not a fresh interval later.
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returnedAt - resumedAt).count(),
            300);
  EXPECT_GE(MillisecondsSince(start), 630);
}

TEST(Thread, SignalWhileParkedWaitsForTheResumeAndTheNextWaitReadsTheNewTimeout) {
  std::atomic<int> first{-1};
  std::atomic<int> second{-1};
  std::atomic<int> secondMs{-1};
  TProbeThread thread([&](TProbeThread& self) {
    uint64_t g = 0;
    self.SetTimeout(10000);
    first = int(self.WaitOnce(g));
    const auto start = Clock::now();
    second = int(self.WaitOnce(g));
    secondMs = MillisecondsSince(start);
  });
  thread.Resume();
  std::this_thread::sleep_for(20ms);
  thread.Suspend();
  thread.WakeEvent().SetEvent();
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(first, -1);
  thread.SetTimeout(40);
  thread.Resume();
  thread.WaitFor();
  EXPECT_EQ(first, int(TWaitResult::wrSignaled));
  EXPECT_EQ(second, int(TWaitResult::wrTimeout));
  EXPECT_GE(secondMs, 35);
  EXPECT_LT(secondMs, 2000);
}

TEST(Thread, TerminateEndsAWaitAtOnce) {
  std::atomic<int> result{-1};
  TProbeThread thread([&](TProbeThread& self) {
    uint64_t g = 0;
    self.SetTimeout(INFINITE);
    result = int(self.WaitOnce(g));
  });
  thread.Resume();
  std::this_thread::sleep_for(20ms);
  const auto start = Clock::now();
  thread.Terminate();
  thread.WaitFor();
  EXPECT_EQ(result, int(TWaitResult::wrAbandoned));
  EXPECT_LT(MillisecondsSince(start), 1000);
}

TEST(Thread, InjectedCreationFailureRaisesEThreadOnce) {
  kv::FailThreadCreationsForTesting(1);
  EXPECT_THROW(TProbeThread([](TProbeThread&) {}), EThread);
  std::atomic<bool> ran{false};
  TProbeThread thread([&](TProbeThread&) { ran = true; });
  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(ran);
}

TEST(Thread, WaitForTheCurrentThreadRaises) {
  std::atomic<bool> raised{false};
  TProbeThread thread([&](TProbeThread& self) {
    try {
      self.WaitFor();
    } catch (const EThread&) {
      raised = true;
    }
  });
  thread.Resume();
  thread.WaitFor();
  EXPECT_TRUE(raised);
}

TEST(Thread, HandedOverWhileSynchronizingFreesItselfAfterTheRequest) {
  std::atomic<bool> destroyed{false};
  std::atomic<bool> returned{false};
  auto* thread = new TProbeThread(
      [&](TProbeThread& self) {
        self.Synchronize([&] { self.FreeWhenFinished(); });  // the GUI thread cannot wait here
        returned = true;
        while (!self.Terminated()) std::this_thread::sleep_for(1ms);
      },
      &destroyed);
  thread->Resume();
  ASSERT_TRUE(kvtest::RunUntil([&] { return destroyed.load(); }, 5000));
  EXPECT_TRUE(returned);
}

TEST(Thread, HandedOverWhenFinishedIsFreedAtOnce) {
  std::atomic<bool> destroyed{false};
  auto* thread = new TProbeThread([](TProbeThread&) {}, &destroyed);
  thread->Resume();
  thread->WaitFor();
  thread->FreeWhenFinished();
  EXPECT_TRUE(destroyed);
}

TEST(Thread, PriorityIsAppliedToTheRunningThread) {
  std::atomic<int> policy{-1};
  std::atomic<int> nice{-100};
  TProbeThread idle([&](TProbeThread&) { policy = ::sched_getscheduler(0); });
  idle.SetPriority(TThreadPriority::tpIdle);
  EXPECT_EQ(idle.Priority(), TThreadPriority::tpIdle);
  idle.Resume();
  idle.WaitFor();
  EXPECT_EQ(policy, SCHED_IDLE);

  std::atomic<bool> go{false};
  TProbeThread lower([&](TProbeThread&) {
    while (!go) std::this_thread::sleep_for(1ms);
    nice = ::getpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)));
  });
  lower.Resume();
  lower.SetPriority(TThreadPriority::tpLower);  // while it runs
  go = true;
  lower.WaitFor();
  EXPECT_GE(nice, 5);
}

TEST(Event, IsResetAutomaticallyAndTimesOut) {
  TEvent event;
  EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);
  event.SetEvent();
  EXPECT_EQ(event.WaitFor(0), TWaitResult::wrSignaled);
  EXPECT_EQ(event.WaitFor(0), TWaitResult::wrTimeout);
  event.SetEvent();
  event.ResetEvent();
  const auto start = Clock::now();
  EXPECT_EQ(event.WaitFor(30), TWaitResult::wrTimeout);
  EXPECT_GE(MillisecondsSince(start), 29);
}

TEST(Event, SetFromAnotherThreadReleasesAnEndlessWait) {
  TEvent event;
  std::thread setter([&] {
    std::this_thread::sleep_for(20ms);
    event.SetEvent();
  });
  EXPECT_EQ(event.WaitFor(INFINITE), TWaitResult::wrSignaled);
  setter.join();
}

TEST(Event, InjectedWaitFailureIsReportedOnce) {
  TEvent event;
  event.SetEvent();
  kv::FailEventWaitsForTesting(1);
  EXPECT_EQ(event.WaitFor(0), TWaitResult::wrError);
  EXPECT_EQ(event.WaitFor(0), TWaitResult::wrSignaled);
}
