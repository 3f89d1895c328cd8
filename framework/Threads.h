// Threads of the framework: the thread class with cooperative parking and GUI-thread
// synchronisation, and an automatically reset event object.
//
// Only the GUI thread (the program's main thread) runs code that touches components; a
// worker hands such work over with Synchronize (and waits) or Queue (and goes on).
#pragma once

#include "KvExport.h"

#include "Classes.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Raised when a thread cannot be created or is misused.
class KV_EXPORT EThread : public kv::Exception {
public:
  using Exception::Exception;
};

enum class TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// Time-out value of a wait that never times out.
inline constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// An automatically reset event: SetEvent releases one wait (or the next one to start) and
// is then reset. Created non-signalled.
class KV_EXPORT TEvent {
public:
  TEvent() = default;
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void SetEvent();
  void ResetEvent();
  // wrSignaled, wrTimeout, or wrError when the wait itself failed.
  TWaitResult WaitFor(uint32_t timeoutMs);

private:
  friend class TThread;
  // The wait itself, with Lock holding FLock: it never ends while Held() is true (its
  // deadline is kept) and ends with wrAbandoned as soon as Abandoned() is true.
  TWaitResult WaitLocked(std::unique_lock<std::mutex>& lock, uint32_t timeoutMs,
                         const std::function<bool()>& held, const std::function<bool()>& abandoned);

  std::mutex FLock;
  std::condition_variable FChanged;
  bool FSignaled = false;
};

// A worker thread. The operating-system thread is created with the object and stays parked
// until the first Resume; Execute then runs once.
//
// Parking is cooperative: Suspend only marks the thread parked and never waits for it. The
// thread stops at its next park point (the start, and every WaitForWake) and does nothing
// until Resume. Parking does not nest: one Resume undoes any number of Suspends. Every
// change from running to parked starts a new generation, so work the thread began before a
// park can be recognised as stale.
//
// Create, resume and free a thread on the GUI thread. A class derived from TThread whose
// Execute uses the derived class's members must stop the thread (Terminate, Resume, WaitFor)
// in its own destructor: the base destructor does so too, but only after the derived part is
// gone.
class KV_EXPORT TThread : public TObject {
public:
  // Raises EThread when the operating system gives no thread. Name (up to 15 characters)
  // is what debuggers and the system's task list show for it.
  explicit TThread(const char* name = "TThread");
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Resume();
  void Suspend();
  bool Suspended() const;
  // True while the thread runs unparked, not asked to terminate, in that generation (every
  // park starts a new one; WaitForWake tells the current one): work it started under an
  // older generation, or that arrives while it is parked, is stale.
  bool RunsIn(uint64_t generation) const;

  void Terminate();
  bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }
  bool Finished() const;
  // What escaped Execute, if anything (the thread then ended).
  std::exception_ptr FatalException() const;

  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority priority);

  // Returns once Execute has returned. On the GUI thread it keeps running this thread's
  // Synchronize requests meanwhile, so a worker that synchronises never blocks it.
  void WaitFor();
  // Takes back this thread's Synchronize request that the GUI thread has not started: the
  // worker's Synchronize returns false without running it.
  void CancelSynchronize();
  // Hands the thread over to itself: it is asked to terminate, woken, and frees itself once
  // Execute has returned (at once when it already has). Use it where waiting is not
  // possible, for example on the GUI thread while this thread waits in Synchronize. The
  // object must not be touched afterwards.
  void FreeWhenFinished();

  // The wake event: Suspend, Resume and Terminate are seen by WaitForWake on it, and
  // SetEvent on it ends a WaitForWake early.
  TEvent& WakeEvent() { return FWake; }

  // Runs Method on the GUI thread later, without waiting; method must not refer to a thread
  // that may be gone by then.
  static void Queue(std::function<void()> method);
  // Runs the requests and queued methods waiting for the GUI thread (call on it). The GUI
  // event loop does this by itself; tests and modal loops may call it.
  static void CheckSynchronize();

protected:
  virtual void Execute() = 0;

  // Runs Method on the GUI thread and blocks until it has returned (directly when called on
  // the GUI thread). An exception from Method is raised again here. Returns false when the
  // request was cancelled and Method did not run.
  bool Synchronize(std::function<void()> method);

  // One wait of Execute on the wake event, a park point. It starts once the thread is not
  // parked, reading TimeoutMs (a field of the derived class written under Locked) at that
  // moment. While the thread is parked, the wait holds and keeps its deadline: a deadline
  // that passed while parked ends the wait as soon as the thread is resumed. Generation
  // receives the generation under which a time-out happened. wrAbandoned: termination was
  // requested.
  TWaitResult WaitForWake(const uint32_t& timeoutMs, uint64_t& generation);
  // Runs Change under the lock WaitForWake reads its time-out under.
  void Locked(const std::function<void()>& change);

private:
  void Run();
  void ParkLocked(std::unique_lock<std::mutex>& lock);
  void ApplyPriorityLocked();
  void NotifyLocked(const std::function<void()>& change);

  mutable TEvent FWake;  // its lock guards the fields below
  std::thread FHandle;
  char FName[16] = {};
  std::atomic<bool> FTerminated{false};
  bool FSuspended = true;
  bool FFinished = false;
  bool FFreeOnTerminate = false;
  bool FSyncPending = false;
  uint64_t FGeneration = 0;
  TThreadPriority FPriority = TThreadPriority::tpNormal;
  long FSystemId = 0;  // the kernel's thread id while the thread runs
  std::exception_ptr FFatalException;
};

namespace kv {
// The GUI thread: the thread that started the program.
KV_EXPORT bool IsMainThread();
// Test hooks: the next Count thread creations fail (EThread), the next Count event waits
// fail (wrError).
KV_EXPORT void FailThreadCreationsForTesting(int count);
KV_EXPORT void FailEventWaitsForTesting(int count);
}  // namespace kv
