// A full repaint of the LED clock at the main window's size and settings (background
// capture, face, copy to the control's surface), next to a plain copy of an image of the
// same size; the ratio of the pair is the figure of merit.
#include "kvLedClock.h"

#include <benchmark/benchmark.h>

#include <QImage>

namespace {

constexpr int kWidth = 241, kHeight = 201;
constexpr int32_t kWindowColor = 7292981;

// The clock painted straight onto a surface of its size, as the framework's paint does.
class ClockOnSurface : public TKvLedClock {
public:
  ClockOnSurface() : TKvLedClock(nullptr), FSurface(kWidth, kHeight, QImage::Format_RGB32) {
    FSurface.fill(kv::ColorToPixel(TColor(kWindowColor)));
    SetBounds(48, 328, kWidth, kHeight);
    SetHours(20);
    SetMinutes(12);
    SetSeconds(55);
    SetLedSize(3);
    SetSpacing(5);
    SetTextOffsetX(12);
    SetTransparent(true);
    Canvas()->Attach(&FSurface);
  }
  ~ClockOnSurface() override { Canvas()->Detach(); }
  void Frame() { PaintControl(); }
  const QImage& Surface() const { return FSurface; }

private:
  QImage FSurface;
};

void BM_LedClockRepaint241x201(benchmark::State& state) {
  ClockOnSurface clock;
  for (auto _ : state) {
    clock.Frame();
    benchmark::DoNotOptimize(clock.Surface().constBits());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_LedClockRepaint241x201);

void BM_LedClockRepaint241x201_ImageCopy(benchmark::State& state) {
  TBitmap source, dest;
  source.SetSize(kWidth, kHeight);
  dest.SetSize(kWidth, kHeight);
  for (auto _ : state) {
    dest.Canvas()->CopyRect(Rect(0, 0, kWidth, kHeight), source.Canvas(), Rect(0, 0, kWidth, kHeight));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_LedClockRepaint241x201_ImageCopy);

}  // namespace
