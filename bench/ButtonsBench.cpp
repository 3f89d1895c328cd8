// Full repaints of the buttons and the border at the demo's sizes and settings, each next to
// a plain copy of an image of the same size in the same run; the ratio of a pair is the
// figure of merit. A repaint runs the control's paint on a surface of its size, as the
// framework's paint does: clear the image, draw the face, copy the image to the surface.
#include "KvBorder.h"
#include "KvButtons.h"

#include <benchmark/benchmark.h>

#include <QImage>

namespace {

template <class Control>
class Exposed : public Control {
public:
  Exposed() : Control(nullptr) {}
  using Control::PaintControl;
};

// Repaints Control on a surface of its size, over and over.
template <class Control>
void Repaint(benchmark::State& state, Control& control) {
  QImage surface(control.Width(), control.Height(), QImage::Format_RGB32);
  surface.fill(Qt::darkCyan);
  control.Canvas()->Attach(&surface);
  for (auto _ : state) {
    control.PaintControl();
    benchmark::ClobberMemory();
  }
  control.Canvas()->Detach();
}

// A plain block copy of a Width x Height bitmap, the floor of any repaint.
void CopyImage(benchmark::State& state, int width, int height) {
  TBitmap source, target;
  source.SetSize(width, height);
  target.SetSize(width, height);
  const TRect r = Rect(0, 0, width, height);
  for (auto _ : state) {
    target.Canvas()->CopyRect(r, source.Canvas(), r);
    benchmark::ClobberMemory();
  }
}

void BM_ShadowButtonRepaint(benchmark::State& state) {
  Exposed<TKvShadowButton> b;
  b.SetCaption(QStringLiteral("Scope Panel"));
  b.Brush()->SetColor(14267539);
  b.Pen()->SetColor(12218181);
  b.SetShadowColor(10446669);
  b.SetShadowOutline(7292981);
  b.SetTransparent(true);
  b.Font()->SetName(QStringLiteral("MS Sans Serif"));
  b.Font()->SetHeight(-11);
  b.Font()->SetColor(10116669);
  Repaint(state, b);
}
BENCHMARK(BM_ShadowButtonRepaint);

void BM_ShadowButtonCopy(benchmark::State& state) { CopyImage(state, 110, 30); }
BENCHMARK(BM_ShadowButtonCopy);

void BM_DemoButtonRepaint(benchmark::State& state) {
  Exposed<TKvDemoButton> b;
  b.SetBounds(0, 0, 21, 21);
  b.SetCaption(QStringLiteral("X"));
  for (TFont* f : {b.FontEnter(), b.FontLeave()}) {
    f->SetName(QStringLiteral("Arial"));
    f->SetHeight(-15);
    f->SetStyle(TFontStyle::fsBold);
  }
  b.FontEnter()->SetColor(14533045);
  b.FontLeave()->SetColor(12488054);
  b.SetOutlineColor(12950149);
  b.SetShadowColor(7292981);
  b.SetHighlightColor(7292981);
  b.Font3D()->SetHighlightDepth(0);
  b.Font3D()->SetShadowDepth(0);
  b.SetFlat(true);
  b.SetColor(7292981);
  Repaint(state, b);
}
BENCHMARK(BM_DemoButtonRepaint);

void BM_DemoButtonCopy(benchmark::State& state) { CopyImage(state, 21, 21); }
BENCHMARK(BM_DemoButtonCopy);

void BM_BorderRepaint(benchmark::State& state) {
  Exposed<TKvBorder> b;
  b.SetBounds(0, 0, 449, 325);
  b.SetShadowColor(10446669);
  b.SetHighlightColor(14267539);
  Repaint(state, b);
}
BENCHMARK(BM_BorderRepaint);

void BM_BorderCopy(benchmark::State& state) { CopyImage(state, 449, 325); }
BENCHMARK(BM_BorderCopy);

}  // namespace
