// The live frame of a control: one value change through its setter on a shown window, until
// the control's pixels are in the window's backing store (the setter's synchronous repaint),
// measured next to its limit, an opaque widget of the same size whose paint only draws a
// ready image, and next to its face alone (the control's paint on a surface of its size).
//
// A control adds all of them, and its live frame at the smooth rendering quality, with one
// registration:
//
//   const bool kMeter = kvbench::LiveFrameBenchmarks<TKvMeter>(
//       "Meter240x105", 240, 105, DemoMeter, [](TKvMeter& m, int64_t i) { ... });
//
// The step sets the value of frame i; it must change the value every frame.
#pragma once

#include "ControlBench.h"
#include "DemoSettings.h"
#include "RenderQuality.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace kvbench {

// A shown top-level window in the demo's panel colour; controls and the limit widget sit
// at (8, 8) in it.
class Window {
public:
  Window(int width, int height) {
    QPalette palette = FWidget.palette();
    palette.setColor(QPalette::Window, kv::ColorToPixel(TColor(kPanelColor)));
    FWidget.setPalette(palette);
    FWidget.setAutoFillBackground(true);
    FWidget.resize(width + 16, height + 16);
    FWidget.show();
    Settle();
  }
  QWidget* Widget() { return &FWidget; }
  // Lets the window be exposed and every pending paint run.
  static void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
  }

private:
  QWidget FWidget;
};

// The limit of a live frame: an opaque widget whose paint only draws a ready image.
class LimitWidget : public QWidget {
public:
  LimitWidget(QWidget* parent, int width, int height)
      : QWidget(parent), FImage(width, height, QImage::Format_RGB32) {
    FImage.fill(0xFF808080u);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(8, 8, width, height);
    show();
  }

protected:
  void paintEvent(QPaintEvent*) override {
    // One image pixel per device pixel, as a control draws at the window's ratio.
    const double ratio = devicePixelRatioF();
    if (FImage.devicePixelRatio() != ratio) {
      FImage = QImage(size() * ratio, QImage::Format_RGB32);
      FImage.fill(0xFF808080u);
      FImage.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    painter.drawImage(0, 0, FImage);
  }

private:
  QImage FImage;
};

// The setup that gives a control the demo's settings of the component Name on its form Form.
template <class Control>
std::function<void(Control&)> AsInDemo(const QString& form, const QString& name) {
  return [=](Control& control) { kvdemo::ApplyDemoSettings(control, form, name); };
}

// One of two colours by frame, for a step that changes a colour of the face.
inline TColor Alternate(int64_t frame, TColor even, TColor odd) { return frame % 2 ? odd : even; }

template <class Control>
using Setup = std::function<void(Control&)>;
template <class Control>
using Step = std::function<void(Control&, int64_t frame)>;

inline constexpr int64_t kWarmFrames = 100;

template <class Control>
void LiveFrame(benchmark::State& state, int width, int height, const Setup<Control>& setup,
               const Step<Control>& step) {
  Window window(width, height);
  auto* control = new Control(window.Widget());
  control->SetBounds(8, 8, width, height);
  setup(*control);
  Window::Settle();
  if (!control->isVisible()) {
    state.SkipWithError("the control is not shown");
    return;
  }
  // Untimed first frames: what a control makes once for its moving values (a pie graph's
  // angle map, measured on its own; a scale's labels) would otherwise weigh on the figure by
  // how many frames the run happens to time. A hundred cover a whole cycle of most steps.
  int64_t frame = 0;
  for (; frame < kWarmFrames; ++frame) step(*control, frame);
  for (auto _ : state) {
    step(*control, frame++);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

inline void LiveFrameLimit(benchmark::State& state, int width, int height) {
  Window window(width, height);
  auto* limit = new LimitWidget(window.Widget(), width, height);
  Window::Settle();
  for (auto _ : state) {
    limit->repaint();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

template <class Control>
void Face(benchmark::State& state, int width, int height, const Setup<Control>& setup,
          const Step<Control>& step) {
  OnSurface<Control> control(width, height);
  setup(control);
  int64_t frame = 0;
  for (auto _ : state) {
    // The setter's own repaint is only an invalidation here: the control is not shown.
    step(control, frame++);
    control.Frame();
    benchmark::DoNotOptimize(control.Surface().constBits());
    benchmark::ClobberMemory();
  }
}

// The smooth rendering quality while it lives: a smooth live frame runs inside one, against
// the same limit.
class SmoothQuality {
public:
  SmoothQuality() { kv::SetRenderQuality(kv::RenderQuality::Smooth); }
  ~SmoothQuality() { kv::SetRenderQuality(kv::RenderQuality::Classic); }
  SmoothQuality(const SmoothQuality&) = delete;
  SmoothQuality& operator=(const SmoothQuality&) = delete;
};

// Registers <name>/Face, <name>/LiveFrame, <name>/SmoothLiveFrame, <name>/Limit and
// <name>/RowCopy.
template <class Control>
bool LiveFrameBenchmarks(const std::string& name, int width, int height, Setup<Control> setup,
                         Step<Control> step) {
  benchmark::RegisterBenchmark((name + "/Face").c_str(), [=](benchmark::State& state) {
    Face<Control>(state, width, height, setup, step);
  });
  benchmark::RegisterBenchmark((name + "/LiveFrame").c_str(), [=](benchmark::State& state) {
    LiveFrame<Control>(state, width, height, setup, step);
  });
  benchmark::RegisterBenchmark((name + "/SmoothLiveFrame").c_str(), [=](benchmark::State& state) {
    const SmoothQuality smooth;
    LiveFrame<Control>(state, width, height, setup, step);
  });
  benchmark::RegisterBenchmark((name + "/Limit").c_str(), [=](benchmark::State& state) {
    LiveFrameLimit(state, width, height);
  });
  benchmark::RegisterBenchmark((name + "/RowCopy").c_str(),
                               [=](benchmark::State& state) { CopyImage(state, width, height); });
  return true;
}

}  // namespace kvbench
