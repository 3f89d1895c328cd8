// Shared pieces of the controls' repaint benchmarks: a control painted straight onto a
// surface of its size, as the framework's paint does (clear, face, copy), and the baseline
// every repaint is measured against, a plain copy of an image of the same size.
#pragma once

#include "Controls.h"
#include "Graphics.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <cstring>
#include <functional>
#include <vector>

namespace kvbench {

// Registrations that can name their benchmarks only once the application exists (a walk of
// the class registry, whose start-up hooks need it): main runs them before the run.
inline std::vector<std::function<void()>>& RegistrationsAfterStart() {
  static std::vector<std::function<void()>> registrations;
  return registrations;
}

// The demo's panel and window colour.
constexpr int32_t kPanelColor = 7292981;

template <class Control>
class OnSurface : public Control {
public:
  OnSurface(int width, int height)
      : Control(nullptr), FSurface(width, height, QImage::Format_RGB32) {
    FSurface.fill(kv::ColorToPixel(TColor(kPanelColor)));
    this->SetBounds(0, 0, width, height);
    this->Canvas()->Attach(&FSurface);
  }
  ~OnSurface() override { this->Canvas()->Detach(); }
  void Frame() { this->PaintControl(); }
  const QImage& Surface() const { return FSurface; }

private:
  QImage FSurface;
};

template <class Control>
void Repaint(benchmark::State& state, OnSurface<Control>& control) {
  for (auto _ : state) {
    control.Frame();
    benchmark::DoNotOptimize(control.Surface().constBits());
    benchmark::ClobberMemory();
  }
}

// The baseline: a plain copy of the rows of an image of the same size.
inline void CopyImage(benchmark::State& state, int width, int height) {
  QImage source(width, height, QImage::Format_RGB32), target(width, height, QImage::Format_RGB32);
  source.fill(0xFF808080u);
  const size_t row = size_t(width) * sizeof(uint32_t);
  for (auto _ : state) {
    for (int y = 0; y < height; ++y) std::memcpy(target.scanLine(y), source.constScanLine(y), row);
    benchmark::DoNotOptimize(target.constBits());
    benchmark::ClobberMemory();
  }
}

}  // namespace kvbench
