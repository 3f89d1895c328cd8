#include "ExtCtrls.h"

#include "ClassRegistry.h"
#include "Guarded.h"

#include <QMetaMethod>
#include <QPointer>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

namespace {
int gSystemTimerRefusals = 0;  // GUI thread only, as the timers
[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TTimer>();
}  // namespace

int kv::StartSystemTimer(QObject* target, uint32_t intervalMs) {
  if (gSystemTimerRefusals > 0) {
    --gSystemTimerRefusals;
    return 0;
  }
  constexpr uint32_t kLongest = uint32_t(std::numeric_limits<int>::max());
  return target->startTimer(int(std::min(intervalMs, kLongest)), Qt::PreciseTimer);
}

void kv::RefuseSystemTimersForTesting(int count) { gSystemTimerRefusals = count; }

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  KillSystemTimer();
  BeginDestruction();
}

void TTimer::SetEnabled(bool v) {
  if (v == FEnabled) return;
  FEnabled = v;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t v) {
  if (v == FInterval) return;
  FInterval = v;
  UpdateTimer();
}

bool TTimer::HasHandler() const {
  return isSignalConnected(QMetaMethod::fromSignal(&TTimer::OnTimer));
}

void TTimer::KillSystemTimer() {
  if (FTimerId != 0) killTimer(FTimerId);
  FTimerId = 0;
}

void TTimer::UpdateTimer() {
  KillSystemTimer();
  if (FInterval == 0 || !FEnabled || !HasHandler()) return;
  FTimerId = kv::StartSystemTimer(this, FInterval);
  if (FTimerId == 0) throw EOutOfResources(QStringLiteral("No timer resources left."));
}

void TTimer::Timer() { emit OnTimer(this); }

void TTimer::timerEvent(QTimerEvent* event) {
  if (event->timerId() != FTimerId) return;
  QPointer<QObject> self(this);  // the handler may free the timer
  try {
    Timer();
  } catch (...) {
    kv::HandleCurrentException(self);
  }
}

void TTimer::connectNotify(const QMetaMethod& signal) {
  if (signal == QMetaMethod::fromSignal(&TTimer::OnTimer)) UpdateTimer();
}

// Only stops: a disconnection may come from a receiver's destructor, which must not raise.
void TTimer::disconnectNotify(const QMetaMethod&) {
  if (!HasHandler()) KillSystemTimer();
}
