// The timer component: ticks from a worker thread of its own or from the system timer,
// delivered on the GUI thread.
#pragma once

#include "KvExport.h"

#include "KvControls.h"
#include "Threads.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <thread>

namespace KvThreads {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvTimerType { ttThread, ttSystem };
Q_ENUM_NS(TKvTimerType)
using enum TKvTimerType;

}  // namespace KvThreads

using KvThreads::TKvTimerType;

class TKvTimer;
class TKvTimerWindow;

// The worker of a thread-mode timer. Each wait on the wake event lasts the interval; a
// time-out is a tick, handed to the GUI thread (SyncEvent) or dispatched here. A tick that
// reaches the GUI thread after a park or for an older generation is dropped there.
class KV_EXPORT TKvTimerThread : public TThread {
public:
  // Created parked, with an interval of 1000 ms.
  explicit TKvTimerThread(TKvTimer* owner);
  ~TKvTimerThread() override;

  // Unparks the thread, requests termination and signals the event, so the worker ends at
  // once instead of waiting out its interval.
  void Stop();
  // Call while the thread is parked; it applies from the next wait.
  void SetInterval(uint32_t intervalMs);
  // True on the thread that is running this timer's tick right now.
  bool DispatchingHere() const { return FDispatchThread.load() == std::this_thread::get_id(); }

protected:
  void Execute() override;

private:
  void Tick(uint64_t generation);
  void Dispatch();

  TKvTimer* FOwner;           // not touched once termination is requested
  uint32_t FInterval = 1000;  // guarded by the thread's lock
  std::atomic<std::thread::id> FDispatchThread{};
};

// A non-visual timer component.
//
// Thread mode (ttThread): one worker per timer. With SyncEvent True, OnTimer runs on the GUI
// thread while the worker waits; with SyncEvent False it runs on the worker, and a handler
// must then be connected with Qt::DirectConnection (an automatic connection to a GUI-thread
// receiver would be queued) and take care of its own thread safety; an exception it raises
// is reported on the GUI thread. System mode (ttSystem): a Qt timer on a hidden GUI-thread
// object; a tick that arrives while the previous one is still being handled is dropped.
//
// Ticks are not queued, none is dispatched once the application is terminating, and a
// handler may free its own timer (or change anything about it) from inside a tick.
class KV_EXPORT TKvTimer : public TKvComponent {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(quint32 Interval READ Interval WRITE SetInterval)
  Q_PROPERTY(bool SyncEvent READ SyncEvent WRITE SetSyncEvent)
  Q_PROPERTY(KvThreads::TKvTimerType TimerType READ TimerType WRITE SetTimerType)
  Q_PROPERTY(Classes::TThreadPriority Priority READ Priority WRITE SetPriority)
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.Interval", "1000")
  Q_CLASSINFO("default.SyncEvent", "true")
  Q_CLASSINFO("default.TimerType", "ttThread")
  Q_CLASSINFO("default.Priority", "tpNormal")
public:
  explicit TKvTimer(TComponent* owner);
  ~TKvTimer() override;

  bool Enabled() const { return FEnabled.load(); }
  // Enabling starts the tick source; disabling only makes the ticks silent.
  void SetEnabled(bool v);
  // Milliseconds; 0 stops the ticks. A control's signed interval of -1 is stored as
  // 4294967295 and reads back as -1; that value waits forever in thread mode and is the
  // longest system period (about 24.8 days) in system mode.
  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t v);
  bool SyncEvent() const { return FSyncEvent.load(); }
  void SetSyncEvent(bool v) { FSyncEvent.store(v); }
  TKvTimerType TimerType() const { return FTimerType; }
  void SetTimerType(TKvTimerType v);
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority v);

  // Starts, retunes or parks the tick source, allocating it first. Raises EOutOfResources
  // ("No timer resources left.") when no source can be had; the next call tries again.
  void UpdateTimer();
  // Frees the tick source. From inside this timer's own tick it does not wait: the worker
  // ends by itself, the system timer's object goes once the tick has returned.
  void ReleaseTimer();
  void Loaded() override;

signals:
  void OnTimer(TObject* Sender);

protected:
  // Fires OnTimer when Enabled and a handler is connected; an exception from the handler
  // goes to the application's handler.
  virtual void DoTimer();

private:
  friend class TKvTimerThread;
  friend class TKvTimerWindow;
  bool HasOnTimer() const;
  // One tick: DoTimer, unless the application is terminating.
  void Dispatch();
  void Allocate();
  void UpdateSystemTimer();
  void UpdateThreadTimer();

  std::atomic<bool> FEnabled{true};
  uint32_t FInterval = 1000;
  std::atomic<bool> FSyncEvent{true};
  TKvTimerType FTimerType = TKvTimerType::ttThread;
  TThreadPriority FPriority = TThreadPriority::tpNormal;
  TKvTimerWindow* FWindowHandle = nullptr;
  TKvTimerThread* FTimerThread = nullptr;
  bool FAllocated = false;
};
