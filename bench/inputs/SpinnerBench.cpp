// The spinner at its demo size and settings (35 x 40, green and lime): the face of its two
// buttons next to a copy of the spinner's rows, and the up button pressed and released over
// its arrow through mouse events on a shown window, each drawn at once, next to the limit.
#include "KvSpinner.h"
#include "LiveFrame.h"

#include <QApplication>
#include <QMouseEvent>

namespace {

constexpr int kWidth = 35, kHeight = 40;

// Straight to the button, as the window system's mouse handling delivers it.
void Send(TKvSpinButton* b, QEvent::Type type) {
  const TRect g = b->GlyphRect();
  const QPoint p(g.Left + g.Width() / 2, g.Top + g.Height() / 2);
  QMouseEvent e(type, p, b->mapToGlobal(p), Qt::LeftButton,
                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(b, &e);
}

// Both buttons as the spinner lays them out: up 35 x 20, down 35 x 21.
void SpinnerFace(benchmark::State& state) {
  kvbench::OnSurface<TKvTimerSpinButton> up(kWidth, kHeight / 2);
  kvbench::OnSurface<TKvTimerSpinButton> down(kWidth, kHeight - kHeight / 2 + 1);
  down.SetArrow(TKvSpinButton::ArrowDown);
  for (auto _ : state) {
    up.Frame();
    down.Frame();
    benchmark::DoNotOptimize(up.Surface().constBits());
    benchmark::DoNotOptimize(down.Surface().constBits());
    benchmark::ClobberMemory();
  }
}

// Even frames press the up button, odd ones release it over the arrow, which clicks.
void SpinnerClick(benchmark::State& state) {
  kvbench::LiveFrame<TKvSpinner>(
      state, kWidth, kHeight, [](TKvSpinner&) {},
      [](TKvSpinner& s, int64_t frame) {
        Send(s.UpButton(), frame % 2 ? QEvent::MouseButtonRelease : QEvent::MouseButtonPress);
      });
}

[[maybe_unused]] const bool kSpinner = [] {
  benchmark::RegisterBenchmark("Spinner35x40/Face", SpinnerFace);
  benchmark::RegisterBenchmark("Spinner35x40/LiveFrame", SpinnerClick);
  benchmark::RegisterBenchmark("Spinner35x40/SmoothLiveFrame", [](benchmark::State& state) {
    const kvbench::SmoothQuality smooth;
    SpinnerClick(state);
  });
  benchmark::RegisterBenchmark("Spinner35x40/Limit", [](benchmark::State& state) {
    kvbench::LiveFrameLimit(state, kWidth, kHeight);
  });
  benchmark::RegisterBenchmark("Spinner35x40/RowCopy", [](benchmark::State& state) {
    kvbench::CopyImage(state, kWidth, kHeight);
  });
  return true;
}();

}  // namespace
