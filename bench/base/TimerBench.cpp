// Tick accuracy of the timer component: the period between successive OnTimer calls of a
// 10 ms timer, from its worker thread and from the system timer. Reported as counters
// (milliseconds): the median and the 95th percentile of the period.
#include "KvThreads.h"

#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kIntervalMs = 10;
constexpr size_t kPeriods = 200;

// Runs the timer until it has ticked kPeriods + 1 times (or a generous deadline passes)
// and returns the periods in milliseconds.
std::vector<double> TickPeriods(TKvTimerType type) {
  std::vector<Clock::time_point> ticks;
  ticks.reserve(kPeriods + 1);
  QEventLoop loop;
  TKvTimer timer(nullptr);
  QObject::connect(&timer, &TKvTimer::OnTimer, [&](TObject*) {
    ticks.push_back(Clock::now());
    if (ticks.size() > kPeriods) loop.quit();
  });
  timer.SetEnabled(false);
  timer.SetTimerType(type);
  timer.SetInterval(kIntervalMs);
  timer.SetEnabled(true);
  QTimer::singleShot(int(kIntervalMs * kPeriods * 3), &loop, &QEventLoop::quit);
  loop.exec();
  timer.SetEnabled(false);
  std::vector<double> periods;
  for (size_t i = 1; i < ticks.size(); ++i)
    periods.push_back(std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
  return periods;
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto index = size_t(fraction * double(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

void BM_TimerPeriod(benchmark::State& state, TKvTimerType type) {
  std::vector<double> periods;
  for (auto _ : state) {
    const std::vector<double> run = TickPeriods(type);
    periods.insert(periods.end(), run.begin(), run.end());
  }
  state.counters["median_ms"] = Percentile(periods, 0.5);
  state.counters["p95_ms"] = Percentile(periods, 0.95);
  state.counters["periods"] = double(periods.size());
}

}  // namespace

BENCHMARK_CAPTURE(BM_TimerPeriod, Thread10ms, TKvTimerType::ttThread)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TimerPeriod, System10ms, TKvTimerType::ttSystem)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
