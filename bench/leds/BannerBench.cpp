// The banner at the LEDs panel's size with a picture of the demo's size: face, live frame
// (one scroll step), limit and row copy; the scroll step with a long picture.
#include "ControlBench.h"
#include "KvBanner.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 359, kHeight = 59;

class BenchBanner : public TKvBanner {
public:
  using TKvBanner::ScrollStep;
  using TKvBanner::TKvBanner;
};

// A picture of Width x 20 in stripes of colour, as busy as lettering.
void SetPicture(BenchBanner& b, int width) {
  TBitmap picture;
  picture.SetSize(width, 20);
  for (int y = 0; y < 20; ++y) {
    uint32_t* line = picture.ScanLine(y);
    for (int x = 0; x < width; ++x) line[x] = (x + y) % 7 < 3 ? 0xFFFF8040u : 0xFF200808u;
  }
  b.SetBitmap(&picture);
  b.SetTimeInterval(-1);
  b.SetAutoScroll(true);
}

const bool kBanner = kvbench::LiveFrameBenchmarks<BenchBanner>(
    "Banner359x59", kWidth, kHeight, [](BenchBanner& b) { SetPicture(b, 246); },
    [](BenchBanner& b, int64_t) { b.ScrollStep(); });

void ScrollLongPicture(benchmark::State& state) {
  kvbench::OnSurface<BenchBanner> b(kWidth, kHeight);
  SetPicture(b, int(state.range(0)));
  for (auto _ : state) {
    b.ScrollStep();
    b.Frame();
    benchmark::DoNotOptimize(b.Surface().constBits());
  }
}
BENCHMARK(ScrollLongPicture)->Name("Banner359x59/ScrollPicture")->Arg(246)->Arg(10000);

}  // namespace
