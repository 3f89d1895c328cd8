// The dot matrix at the LEDs panel's size and settings: face, live frame (one scroll step),
// limit and row copy; the scroll step with a long text; the parse of a long text.
#include "ControlBench.h"
#include "KvMatrix.h"
#include "DemoSettings.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 248, kHeight = 30;

class BenchMatrix : public TKvMatrix {
public:
  using TKvMatrix::ScrollStep;
  using TKvMatrix::TKvMatrix;
};

// The demo's matrix, scrolling by the benchmark's steps only.
void DemoMatrix(BenchMatrix& m) {
  kvdemo::ApplyDemoSettings(m, "frmLeds", "KvMatrix");
  m.SetTimeInterval(-1);
  m.SetAutoScroll(true);
}

const bool kMatrix = kvbench::LiveFrameBenchmarks<BenchMatrix>(
    "Matrix248x30", kWidth, kHeight,
    DemoMatrix,
    [](BenchMatrix& m, int64_t) { m.ScrollStep(); });

// The scroll step costs the same whatever the length of the text.
void ScrollLongText(benchmark::State& state) {
  kvbench::OnSurface<BenchMatrix> m(kWidth, kHeight);
  DemoMatrix(m);
  m.SetText(QString(int(state.range(0)), QLatin1Char('x')));
  for (auto _ : state) {
    m.ScrollStep();
    m.Frame();
    benchmark::DoNotOptimize(m.Surface().constBits());
  }
}
BENCHMARK(ScrollLongText)->Name("Matrix248x30/ScrollText")->Arg(20)->Arg(10000);

void ParseMillion(benchmark::State& state) {
  TKvMatrix m(nullptr);
  const QString a(1000000, QLatin1Char('a')), b(1000000, QLatin1Char('b'));
  int64_t i = 0;
  for (auto _ : state) m.SetText(i++ % 2 ? a : b);
}
BENCHMARK(ParseMillion)->Name("Matrix248x30/Parse1000000")->Unit(benchmark::kMillisecond);

}  // namespace
