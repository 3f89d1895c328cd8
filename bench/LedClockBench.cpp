// A full repaint of the LED clock at the main window's size and settings (background
// capture, face, copy to the control's surface), next to a plain copy of an image of the
// same size; the ratio of the pair is the figure of merit.
#include "ControlBench.h"
#include "kvLedClock.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 241, kHeight = 201;

void BM_LedClockRepaint241x201(benchmark::State& state) {
  kvbench::OnSurface<TKvLedClock> clock(kWidth, kHeight);
  clock.SetHours(20);
  clock.SetMinutes(12);
  clock.SetSeconds(55);
  clock.SetLedSize(3);
  clock.SetSpacing(5);
  clock.SetTextOffsetX(12);
  clock.SetTransparent(true);
  kvbench::Repaint(state, clock);
}
BENCHMARK(BM_LedClockRepaint241x201);

void BM_LedClockRepaint241x201_ImageCopy(benchmark::State& state) {
  kvbench::CopyImage(state, kWidth, kHeight);
}
BENCHMARK(BM_LedClockRepaint241x201_ImageCopy);

}  // namespace
