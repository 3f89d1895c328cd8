#include "Threads.h"

#include "Guarded.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <chrono>
#include <deque>
#include <system_error>

namespace {

// Static initialisation runs on the thread that starts the program.
const std::thread::id gMainThread = std::this_thread::get_id();

std::atomic<int> gThreadCreationFailures{0};
std::atomic<int> gEventWaitFailures{0};

bool ConsumeInjectedFailure(std::atomic<int>& counter) {
  int n = counter.load();
  while (n > 0) {
    if (counter.compare_exchange_weak(n, n - 1)) return true;
  }
  return false;
}

struct TSyncRequest {
  enum class TState { tsPending, tsRunning, tsDone, tsCancelled };
  TThread* Thread = nullptr;
  std::function<void()> Method;
  TState State = TState::tsPending;
  std::exception_ptr Error;
};

// The hand-over point between workers and the GUI thread: requests that block their worker,
// queued methods that do not, and the wake-up of the GUI event loop. Workers never call Qt:
// they write to an eventfd that a socket notifier on the GUI thread watches.
class TSyncQueue {
public:
  // Never destroyed: workers that outlive the program's objects may still reach it.
  static TSyncQueue& Instance() {
    static auto* queue = new TSyncQueue;
    return *queue;
  }

  void Submit(TSyncRequest& request) {
    std::lock_guard lock(FLock);
    FPending.push_back(&request);
    WakeLocked();
  }

  void Post(std::function<void()> method) {
    std::lock_guard lock(FLock);
    FPosted.push_back(std::move(method));
    WakeLocked();
  }

  // Returns true when the request ran, false when it was cancelled.
  bool WaitDone(TSyncRequest& request) {
    std::unique_lock lock(FLock);
    FDone.wait(lock, [&] {
      return request.State == TSyncRequest::TState::tsDone ||
             request.State == TSyncRequest::TState::tsCancelled;
    });
    return request.State == TSyncRequest::TState::tsDone;
  }

  void Cancel(const TThread* thread) {
    {
      std::lock_guard lock(FLock);
      auto cancelled = std::stable_partition(FPending.begin(), FPending.end(),
                                             [&](TSyncRequest* r) { return r->Thread != thread; });
      for (auto it = cancelled; it != FPending.end(); ++it)
        (*it)->State = TSyncRequest::TState::tsCancelled;
      FPending.erase(cancelled, FPending.end());
    }
    FDone.notify_all();
  }

  // Runs the pending requests of Only, or with none every request and queued method, until
  // none is left (also those that arrive meanwhile). GUI thread only.
  void Serve(const TThread* only) {
    for (;;) {
      TSyncRequest* request = nullptr;
      std::function<void()> posted;
      {
        std::lock_guard lock(FLock);
        auto it = std::find_if(FPending.begin(), FPending.end(),
                               [&](TSyncRequest* r) { return !only || r->Thread == only; });
        if (it != FPending.end()) {
          request = *it;
          FPending.erase(it);
          request->State = TSyncRequest::TState::tsRunning;
        } else if (!only && !FPosted.empty()) {
          posted = std::move(FPosted.front());
          FPosted.pop_front();
        } else {
          return;
        }
        // The wake-up was consumed for everything pending; if this request pumps events,
        // the nested loop must still hear of the rest.
        if (!FPending.empty() || !FPosted.empty()) WakeLocked();
      }
      if (request) Run(*request);
      else kv::Guarded(nullptr, posted);
    }
  }

  // Creates the GUI side of the wake-up once a Qt application exists (GUI thread only).
  void EnsureWakeUp() {
    if (FNotifier || !QCoreApplication::instance()) return;
    const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) return;  // then only WaitFor and CheckSynchronize serve requests
    FNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(FNotifier, &QSocketNotifier::activated, FNotifier, [this, fd] {
      uint64_t count = 0;
      while (::read(fd, &count, sizeof count) == ssize_t(sizeof count)) {
      }
      Serve(nullptr);
    });
    QObject::connect(FNotifier, &QObject::destroyed, [this, fd] {
      std::lock_guard lock(FLock);
      FWakeFd = -1;
      ::close(fd);
      FNotifier = nullptr;
    });
    std::lock_guard lock(FLock);
    FWakeFd = fd;
  }

private:
  TSyncQueue() = default;

  void WakeLocked() {
    if (FWakeFd < 0) return;
    const uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(FWakeFd, &one, sizeof one);
  }

  void Run(TSyncRequest& request) {
    try {
      request.Method();
    } catch (...) {
      request.Error = std::current_exception();
    }
    {
      std::lock_guard lock(FLock);
      request.State = TSyncRequest::TState::tsDone;
    }
    FDone.notify_all();  // the request may be gone now: only the queue is touched
  }

  std::mutex FLock;
  std::condition_variable FDone;
  std::deque<TSyncRequest*> FPending;
  std::deque<std::function<void()>> FPosted;
  int FWakeFd = -1;
  QSocketNotifier* FNotifier = nullptr;  // GUI thread only
};

int NiceValue(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::tpLowest: return 10;
    case TThreadPriority::tpLower: return 5;
    case TThreadPriority::tpHigher: return -5;
    case TThreadPriority::tpHighest: return -10;
    case TThreadPriority::tpTimeCritical: return -20;
    default: return 0;
  }
}

// Best effort: a refusal (no right to raise the priority) leaves the thread as it is.
void ApplySystemPriority(long systemId, TThreadPriority priority) {
  const auto tid = static_cast<pid_t>(systemId);
  sched_param param{};
  if (priority == TThreadPriority::tpIdle) {
    ::sched_setscheduler(tid, SCHED_IDLE, &param);
    return;
  }
  if (::sched_getscheduler(tid) != SCHED_OTHER) ::sched_setscheduler(tid, SCHED_OTHER, &param);
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceValue(priority));
}

}  // namespace

// ---------------------------------------------------------------------------
// TEvent

void TEvent::SetEvent() {
  {
    std::lock_guard lock(FLock);
    FSignaled = true;
  }
  FChanged.notify_all();  // the condition is shared with the waits of an owning thread
}

void TEvent::ResetEvent() {
  std::lock_guard lock(FLock);
  FSignaled = false;
}

TWaitResult TEvent::WaitFor(uint32_t timeoutMs) {
  std::unique_lock lock(FLock);
  return WaitLocked(
      lock, timeoutMs, [] { return false; }, [] { return false; });
}

TWaitResult TEvent::WaitLocked(std::unique_lock<std::mutex>& lock, uint32_t timeoutMs,
                               const std::function<bool()>& held,
                               const std::function<bool()>& abandoned) {
  using Clock = std::chrono::steady_clock;
  if (ConsumeInjectedFailure(gEventWaitFailures)) return TWaitResult::wrError;
  const bool endless = timeoutMs == INFINITE;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(endless ? 0 : timeoutMs);
  try {
    for (;;) {
      if (abandoned()) return TWaitResult::wrAbandoned;
      const bool holding = held();
      if (!holding) {
        if (FSignaled) {
          FSignaled = false;
          return TWaitResult::wrSignaled;
        }
        if (!endless && Clock::now() >= deadline) return TWaitResult::wrTimeout;
      }
      if (holding || endless) FChanged.wait(lock);
      else FChanged.wait_until(lock, deadline);
    }
  } catch (const std::system_error&) {
    return TWaitResult::wrError;
  }
}

// ---------------------------------------------------------------------------
// TThread

TThread::TThread(const char* name) {
  std::strncpy(FName, name, sizeof FName - 1);
  if (kv::IsMainThread()) TSyncQueue::Instance().EnsureWakeUp();
  if (ConsumeInjectedFailure(gThreadCreationFailures))
    throw EThread(QStringLiteral("Thread creation error: no thread available"));
  try {
    FHandle = std::thread([this] { Run(); });
  } catch (const std::system_error& e) {
    throw EThread(
        QStringLiteral("Thread creation error: %1").arg(QString::fromLocal8Bit(e.what())));
  }
}

TThread::~TThread() {
  if (!FHandle.joinable()) return;  // it is freeing itself
  Terminate();
  Resume();
  WaitFor();
  FHandle.join();
}

void TThread::Run() {
  {
    std::unique_lock lock(FWake.FLock);
    ::pthread_setname_np(::pthread_self(), FName);
    FSystemId = ::syscall(SYS_gettid);
    if (FPriority != TThreadPriority::tpNormal) ApplyPriorityLocked();
    ParkLocked(lock);
  }
  if (!Terminated()) {
    try {
      Execute();
    } catch (...) {
      std::lock_guard lock(FWake.FLock);
      FFatalException = std::current_exception();
    }
  }
  bool freeSelf = false;
  {
    std::lock_guard lock(FWake.FLock);
    FFinished = true;
    FSystemId = 0;
    freeSelf = FFreeOnTerminate;
    // Notified under the lock: once it is released, a waiter may free this object.
    FWake.FChanged.notify_all();
  }
  if (freeSelf) {
    FHandle.detach();
    delete this;
  }
}

void TThread::ParkLocked(std::unique_lock<std::mutex>& lock) {
  FWake.FChanged.wait(lock, [this] { return !FSuspended || Terminated(); });
}

void TThread::NotifyLocked(const std::function<void()>& change) {
  {
    std::lock_guard lock(FWake.FLock);
    change();
  }
  FWake.FChanged.notify_all();
}

void TThread::Locked(const std::function<void()>& change) {
  std::lock_guard lock(FWake.FLock);
  change();
}

void TThread::Resume() {
  NotifyLocked([this] { FSuspended = false; });
}

void TThread::Suspend() {
  NotifyLocked([this] {
    if (FSuspended) return;
    FSuspended = true;
    ++FGeneration;
  });
}

bool TThread::Suspended() const {
  std::lock_guard lock(FWake.FLock);
  return FSuspended;
}

bool TThread::RunsIn(uint64_t generation) const {
  std::lock_guard lock(FWake.FLock);
  return !FSuspended && !Terminated() && FGeneration == generation;
}

void TThread::Terminate() {
  NotifyLocked([this] { FTerminated.store(true, std::memory_order_release); });
}

bool TThread::Finished() const {
  std::lock_guard lock(FWake.FLock);
  return FFinished;
}

std::exception_ptr TThread::FatalException() const {
  std::lock_guard lock(FWake.FLock);
  return FFatalException;
}

TThreadPriority TThread::Priority() const {
  std::lock_guard lock(FWake.FLock);
  return FPriority;
}

void TThread::SetPriority(TThreadPriority priority) {
  std::lock_guard lock(FWake.FLock);
  if (priority == FPriority) return;
  FPriority = priority;
  ApplyPriorityLocked();
}

// Under the lock, so the kernel id cannot belong to another thread by then.
void TThread::ApplyPriorityLocked() {
  if (FSystemId != 0) ApplySystemPriority(FSystemId, FPriority);
}

void TThread::WaitFor() {
  std::unique_lock lock(FWake.FLock);
  if (FFinished) return;
  if (FHandle.get_id() == std::this_thread::get_id())
    throw EThread(QStringLiteral("Cannot wait for the current thread"));
  const bool serve = kv::IsMainThread();
  while (!FFinished) {
    if (serve && FSyncPending) {
      FSyncPending = false;
      lock.unlock();
      TSyncQueue::Instance().Serve(this);
      lock.lock();
      continue;
    }
    FWake.FChanged.wait(lock);
  }
}

void TThread::CancelSynchronize() { TSyncQueue::Instance().Cancel(this); }

void TThread::FreeWhenFinished() {
  std::unique_lock lock(FWake.FLock);
  FTerminated.store(true, std::memory_order_release);
  FSuspended = false;
  FWake.FSignaled = true;
  if (FFinished) {
    lock.unlock();
    delete this;
    return;
  }
  FFreeOnTerminate = true;
  // Notified under the lock: once it is released, the thread may free this object.
  FWake.FChanged.notify_all();
}

bool TThread::Synchronize(std::function<void()> method) {
  if (kv::IsMainThread()) {
    method();
    return true;
  }
  TSyncRequest request;
  request.Thread = this;
  request.Method = std::move(method);
  TSyncQueue& queue = TSyncQueue::Instance();
  queue.Submit(request);
  NotifyLocked([this] { FSyncPending = true; });  // a WaitFor on the GUI thread serves it
  const bool ran = queue.WaitDone(request);
  if (request.Error) std::rethrow_exception(request.Error);
  return ran;
}

TWaitResult TThread::WaitForWake(const uint32_t& timeoutMs, uint64_t& generation) {
  std::unique_lock lock(FWake.FLock);
  ParkLocked(lock);
  const TWaitResult result = FWake.WaitLocked(
      lock, timeoutMs, [this] { return FSuspended; }, [this] { return Terminated(); });
  if (result == TWaitResult::wrTimeout) generation = FGeneration;
  return result;
}

void TThread::Queue(std::function<void()> method) {
  TSyncQueue::Instance().Post(std::move(method));
}

void TThread::CheckSynchronize() {
  if (kv::IsMainThread()) TSyncQueue::Instance().Serve(nullptr);
}

// ---------------------------------------------------------------------------

bool kv::IsMainThread() { return std::this_thread::get_id() == gMainThread; }

void kv::FailThreadCreationsForTesting(int count) { gThreadCreationFailures.store(count); }

void kv::FailEventWaitsForTesting(int count) { gEventWaitFailures.store(count); }
