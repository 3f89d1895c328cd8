// Full repaints of the buttons and the border at the demo's sizes and settings, each next to
// a plain copy of an image of the same size in the same run; the ratio of a pair is the
// figure of merit. A repaint runs the control's paint on a surface of its size, as the
// framework's paint does: clear the image, draw the face, copy the image to the surface.
#include "ControlBench.h"
#include "KvBorder.h"
#include "KvButtons.h"

#include <benchmark/benchmark.h>

namespace {

using kvbench::CopyImage;
using kvbench::OnSurface;
using kvbench::Repaint;

void BM_ShadowButtonRepaint(benchmark::State& state) {
  OnSurface<TKvShadowButton> b(110, 30);
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
  OnSurface<TKvDemoButton> b(21, 21);
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
  OnSurface<TKvBorder> b(449, 325);
  b.SetShadowColor(10446669);
  b.SetHighlightColor(14267539);
  Repaint(state, b);
}
BENCHMARK(BM_BorderRepaint);

void BM_BorderCopy(benchmark::State& state) { CopyImage(state, 449, 325); }
BENCHMARK(BM_BorderCopy);

}  // namespace
