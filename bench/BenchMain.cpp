// Benchmark entry: an off-screen Qt application around the benchmark run.
#include <benchmark/benchmark.h>
#include <QApplication>

#include "ControlBench.h"
#include "Graphics.h"

#include <cstdlib>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  kv::SetSysColorSource(kv::SysColorSource::Classic);
  for (const auto& registration : kvbench::RegistrationsAfterStart()) registration();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
