// Helpers of the thread and timer tests: bounded event pumping, thread and CPU accounting,
// and a record of the ticks a timer delivers.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

class TObject;

namespace kvtest {

using Clock = std::chrono::steady_clock;

// Runs the event loop until Done holds or TimeoutMs have passed; returns whether Done held.
bool RunUntil(const std::function<bool()>& done, int timeoutMs);
// Runs the event loop for that long.
void PumpFor(int milliseconds);
// CPU time the whole process has used.
double ProcessCpuSeconds();
// Threads of this process with that name.
int CountThreadsNamed(const char* name);

inline int MillisecondsSince(Clock::time_point start) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// What a timer's handler saw. Safe to update from any thread.
struct TTickLog {
  std::atomic<int> Ticks{0};
  std::atomic<int> OffMainThread{0};
  std::atomic<const TObject*> LastSender{nullptr};

  void Record(const TObject* sender);
  // A handler that records each tick and then runs Extra (if any). Connected directly, so
  // it also runs on a worker thread.
  template <class Timer>
  QMetaObject::Connection Attach(Timer* timer, std::function<void()> extra = {}) {
    return QObject::connect(timer, &Timer::OnTimer, [this, extra](TObject* sender) {
      Record(sender);
      if (extra) extra();
    });
  }
};

}  // namespace kvtest
