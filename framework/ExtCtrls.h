// The framework's plain timer and the system timer it runs on.
#pragma once

#include "KvExport.h"

#include "Classes.h"

#include <QObject>

#include <cstdint>

class QTimerEvent;

// A timer on the GUI thread: OnTimer fires every Interval milliseconds while Enabled.
// Every change restarts the period; an Interval of 0 or no connected handler gives no ticks.
// An exception from the handler goes to the application's handler; the timer keeps running.
class KV_EXPORT TTimer : public QObject, public TComponent {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
  Q_PROPERTY(quint32 Interval READ Interval WRITE SetInterval)
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.Interval", "1000")
public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v);
  uint32_t Interval() const { return FInterval; }
  // Raises EOutOfResources when the system gives no timer.
  void SetInterval(uint32_t v);

signals:
  void OnTimer(TObject* Sender);

protected:
  // Fires OnTimer.
  virtual void Timer();
  void timerEvent(QTimerEvent* event) override;
  // Connecting a handler restarts the timer, as assigning one does; removing the last stops it.
  void connectNotify(const QMetaMethod& signal) override;
  void disconnectNotify(const QMetaMethod& signal) override;

private:
  bool HasHandler() const;
  void KillSystemTimer();
  void UpdateTimer();
  bool FEnabled = true;
  uint32_t FInterval = 1000;
  int FTimerId = 0;
};

namespace kv {
// Starts a precise Qt timer on Target (GUI thread) and returns its id, 0 when the system
// refuses. Periods beyond the platform's longest (2^31 - 1 ms, about 24.8 days) get the
// longest.
KV_EXPORT int StartSystemTimer(QObject* target, uint32_t intervalMs);
// Test hook: the next Count system timers are refused.
KV_EXPORT void RefuseSystemTimersForTesting(int count);
}  // namespace kv
