// Benchmark entry: an off-screen Qt application around the benchmark run.
#include <benchmark/benchmark.h>
#include <QApplication>

#include "ControlBench.h"
#include "Graphics.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// --ratio=R runs every benchmark in windows of device pixel ratio R (the live frames and
// their limits alike); it is taken out of the arguments before the benchmark library sees
// them.
void TakeRatioArgument(int& argc, char** argv) {
  constexpr std::string_view kRatio = "--ratio=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (!arg.starts_with(kRatio)) continue;
    setenv("QT_SCALE_FACTOR", std::string(arg.substr(kRatio.size())).c_str(), 1);
    std::copy(argv + i + 1, argv + argc, argv + i);
    --argc;
    return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TakeRatioArgument(argc, argv);
  QApplication app(argc, argv);
  kv::SetSysColorSource(kv::SysColorSource::Classic);
  for (const auto& registration : kvbench::RegistrationsAfterStart()) registration();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
