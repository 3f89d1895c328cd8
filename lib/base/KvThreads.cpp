#include "KvThreads.h"

#include "ClassRegistry.h"
#include "ExtCtrls.h"
#include "Forms.h"

#include <QMetaMethod>
#include <QPointer>
#include <QTimerEvent>

#include <exception>
#include <utility>

using kv::Application;

namespace {

const QString kNoTimerResources = QStringLiteral("No timer resources left.");

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvTimer>();

bool ApplicationTerminating() { return Application && Application->Terminated(); }

// Reports the exception being handled for a sender that may be gone by now: at once on the
// GUI thread, posted to it from a worker (which must not wait for it).
void ReportTickException(const QPointer<QObject>& sender) {
  if (kv::IsMainThread()) {
    kv::HandleCurrentException(sender.data());
    return;
  }
  TThread::Queue([sender, error = std::current_exception()] {
    try {
      std::rethrow_exception(error);
    } catch (...) {
      kv::HandleCurrentException(sender.data());
    }
  });
}

template <class F>
void RunReported(QObject* sender, F&& f) {
  QPointer<QObject> alive(sender);  // the code may free the sender
  try {
    f();
  } catch (...) {
    ReportTickException(alive);
  }
}

}  // namespace

// The hidden GUI-thread object of the system mode. Any timer event is a tick.
class TKvTimerWindow : public QObject {
public:
  explicit TKvTimerWindow(TKvTimer* owner) : FOwner(owner) {}
  ~TKvTimerWindow() override { Kill(); }

  bool Start(uint32_t intervalMs) {
    Kill();
    FTimerId = kv::StartSystemTimer(this, intervalMs);
    return FTimerId != 0;
  }

  void Kill() {
    if (FTimerId != 0) killTimer(FTimerId);
    FTimerId = 0;
  }

  // Frees the object, or, inside its own tick, forgets the owner and frees it once the
  // tick has returned.
  void Release() {
    Kill();
    if (FDispatching) FOwner = nullptr;
    else delete this;
  }

protected:
  void timerEvent(QTimerEvent*) override {
    if (FDispatching || !FOwner) return;  // a handler pumping events: never nested
    FDispatching = true;
    FOwner->Dispatch();
    FDispatching = false;
    if (!FOwner) deleteLater();
  }

private:
  TKvTimer* FOwner;
  int FTimerId = 0;
  bool FDispatching = false;
};

// ---------------------------------------------------------------------------
// TKvTimerThread

TKvTimerThread::TKvTimerThread(TKvTimer* owner) : TThread("KvTimer"), FOwner(owner) {}

TKvTimerThread::~TKvTimerThread() {
  Stop();
  CancelSynchronize();  // a pending tick runs nothing
  WaitFor();
}

void TKvTimerThread::Stop() {
  Resume();
  Terminate();
  WakeEvent().SetEvent();
}

void TKvTimerThread::SetInterval(uint32_t intervalMs) {
  Locked([&] { FInterval = intervalMs; });
}

void TKvTimerThread::Execute() {
  while (!Terminated()) {
    uint64_t generation = 0;
    const TWaitResult result = WaitForWake(FInterval, generation);
    if (result == TWaitResult::wrError) return;  // ends the worker rather than spinning
    if (result == TWaitResult::wrTimeout && !Terminated() && !ApplicationTerminating())
      Tick(generation);
  }
}

// The owner is alive here: releasing it (other than from inside this tick, which only
// happens while Dispatch runs) waits until this thread has ended.
void TKvTimerThread::Tick(uint64_t generation) {
  if (FOwner->SyncEvent())
    Synchronize([this, generation] {
      if (RunsIn(generation)) Dispatch();
    });
  else if (RunsIn(generation)) Dispatch();
}

void TKvTimerThread::Dispatch() {
  FDispatchThread.store(std::this_thread::get_id());
  FOwner->Dispatch();  // may free the owner; touches only this thread afterwards
  FDispatchThread.store(std::thread::id());
}

// ---------------------------------------------------------------------------
// TKvTimer

TKvTimer::TKvTimer(TComponent* owner) : TKvComponent(owner) {}

TKvTimer::~TKvTimer() {
  // Cleared first: a tick that is still on its way then runs nothing. The handlers go with
  // the QObject, once no worker can be inside one any more.
  FEnabled.store(false);
  ReleaseTimer();
}

void TKvTimer::SetEnabled(bool v) {
  if (v == FEnabled.load()) return;
  FEnabled.store(v);
  if (v) UpdateTimer();
}

void TKvTimer::SetInterval(uint32_t v) {
  if (v == FInterval) return;
  FInterval = v;
  if (Enabled()) UpdateTimer();
}

void TKvTimer::SetTimerType(TKvTimerType v) {
  if (v == FTimerType) return;
  ReleaseTimer();
  FTimerType = v;
  if (Enabled()) UpdateTimer();
}

void TKvTimer::SetPriority(TThreadPriority v) {
  if (v == FPriority) return;
  FPriority = v;
  if (FTimerType == TKvTimerType::ttThread && Enabled()) UpdateTimer();
}

void TKvTimer::Loaded() {
  TKvComponent::Loaded();
  UpdateTimer();
}

bool TKvTimer::HasOnTimer() const {
  return isSignalConnected(QMetaMethod::fromSignal(&TKvTimer::OnTimer));
}

void TKvTimer::UpdateTimer() {
  if (ComponentState().testFlag(TComponentStateFlag::csDesigning)) return;
  if (!FAllocated) Allocate();
  if (FTimerType == TKvTimerType::ttSystem) UpdateSystemTimer();
  else UpdateThreadTimer();
}

void TKvTimer::Allocate() {
  if (FTimerType == TKvTimerType::ttSystem) {
    FWindowHandle = new TKvTimerWindow(this);
  } else {
    try {
      FTimerThread = new TKvTimerThread(this);
    } catch (const EThread&) {
      throw EOutOfResources(kNoTimerResources);
    }
  }
  FAllocated = true;
}

void TKvTimer::UpdateSystemTimer() {
  FWindowHandle->Kill();
  if (FInterval == 0 || !Enabled() || !HasOnTimer()) return;
  if (!FWindowHandle->Start(FInterval)) {
    ReleaseTimer();  // the next UpdateTimer starts afresh
    throw EOutOfResources(kNoTimerResources);
  }
}

// Never waits for the worker: parking only marks it, and a tick already on its way is
// dropped because its generation has passed.
void TKvTimer::UpdateThreadTimer() {
  FTimerThread->Suspend();
  FTimerThread->SetInterval(FInterval);
  if (FInterval == 0 || !Enabled() || !HasOnTimer()) return;
  FTimerThread->SetPriority(FPriority);
  FTimerThread->Resume();
}

void TKvTimer::ReleaseTimer() {
  if (!FAllocated) return;
  FAllocated = false;
  if (TKvTimerWindow* window = std::exchange(FWindowHandle, nullptr)) window->Release();
  if (TKvTimerThread* thread = std::exchange(FTimerThread, nullptr)) {
    if (thread->DispatchingHere())
      thread->FreeWhenFinished();  // its tick is on this very stack: it cannot be waited for
    else delete thread;            // cancels its pending tick and waits for it to end
  }
}

void TKvTimer::Dispatch() {
  if (ApplicationTerminating()) return;
  RunReported(this, [this] { DoTimer(); });
}

void TKvTimer::DoTimer() {
  if (!Enabled() || !HasOnTimer()) return;
  RunReported(this, [this] { emit OnTimer(this); });
}
