// The misc panel's controls at their demo sizes. Each face repaint (clear, face, copy to the
// control's surface, with the state changing every frame) stands next to a plain copy of an
// image of the same size; the ratio of a pair is the figure of merit. The live figures are a
// change through a setter on a shown form until its pixels are in the window.
#include "ControlBench.h"
#include "Forms.h"
#include "KvArrow.h"
#include "KvGraphs.h"
#include "KvNavigator.h"
#include "KvPieGraph.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

using kvbench::CopyImage;
using kvbench::kPanelColor;
using kvbench::OnSurface;

// A step applied to a control: its settings before the run, or the change of one frame.
template <class Control>
using Step = void (*)(Control&, int64_t frame);

template <class Control>
void NoSetUp(Control&, int64_t) {}

// Runs Change once per iteration on a control shown on a form of the panel colour; the
// setter's repaint puts the pixels into the window before it returns.
template <class Control>
void LiveFrames(benchmark::State& state, int width, int height, Step<Control> setUp,
                Step<Control> change) {
  TForm form(nullptr);
  form.SetColor(TColor(kPanelColor));
  form.SetBounds(0, 0, width, height);
  auto* control = new Control(&form);
  control->SetParent(&form);
  control->SetBounds(0, 0, width, height);
  setUp(*control, 0);
  form.Show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  int64_t frame = 0;
  for (auto _ : state) change(*control, ++frame);
}

// Clear, face and copy to the control's surface, with Change before every frame.
template <class Control>
void FaceFrames(benchmark::State& state, int width, int height, Step<Control> setUp,
                Step<Control> change) {
  OnSurface<Control> control(width, height);
  setUp(control, 0);
  int64_t frame = 0;
  for (auto _ : state) {
    change(control, ++frame);
    control.Frame();
    benchmark::DoNotOptimize(control.Surface().constBits());
    benchmark::ClobberMemory();
  }
}

// ---- Pie graph: transparent, depth 10, the value cycling 1 ... 100

void TransparentPie(TKvPieGraph& pie, int64_t) { pie.SetTransparent(true); }
void SetPieValue(TKvPieGraph& pie, int64_t frame) { pie.SetValue(int(frame % 100) + 1); }

void BM_PieGraph135x75(benchmark::State& state) {
  FaceFrames<TKvPieGraph>(state, 135, 75, TransparentPie, SetPieValue);
}
BENCHMARK(BM_PieGraph135x75);
void BM_PieGraph135x75_ImageCopy(benchmark::State& state) { CopyImage(state, 135, 75); }
BENCHMARK(BM_PieGraph135x75_ImageCopy);
void BM_PieGraphLiveValue(benchmark::State& state) {
  LiveFrames<TKvPieGraph>(state, 135, 75, TransparentPie, SetPieValue);
}
BENCHMARK(BM_PieGraphLiveValue);

// ---- Percent pie: transparent, 20 and 30/31 alternating

void DemoSegments(TKvPercentPie& pie, int64_t) {
  pie.SetTransparent(true);
  TKvPercentGraphItem* a = pie.Segments()->Add();
  a->SetColor(clMoneyGreen);
  a->SetValue(20);
  TKvPercentGraphItem* b = pie.Segments()->Add();
  b->SetColor(clSkyBlue);
  b->SetValue(30);
}
void AlternateSecond(TKvPercentPie& pie, int64_t frame) {
  pie.Segments()->Items(1)->SetValue(frame % 2 ? 31 : 30);
}

void BM_PercentPie97x97(benchmark::State& state) {
  FaceFrames<TKvPercentPie>(state, 97, 97, DemoSegments, AlternateSecond);
}
BENCHMARK(BM_PercentPie97x97);
void BM_PercentPie97x97_ImageCopy(benchmark::State& state) { CopyImage(state, 97, 97); }
BENCHMARK(BM_PercentPie97x97_ImageCopy);
void BM_PercentPieLiveSegmentValue(benchmark::State& state) {
  LiveFrames<TKvPercentPie>(state, 97, 97, DemoSegments, AlternateSecond);
}
BENCHMARK(BM_PercentPieLiveSegmentValue);

// ---- Arrow: transparent, pointing left, lit and unlit alternating; the direction turning

void LeftArrow(TKvArrow& arrow, int64_t) {
  arrow.SetTransparent(true);
  arrow.SetDirection(TKvArrowDirection::pdLeft);
}
void AlternateActive(TKvArrow& arrow, int64_t frame) { arrow.SetActive(frame % 2 != 0); }
void TurnArrow(TKvArrow& arrow, int64_t frame) { arrow.SetDirection(TKvArrowDirection(frame % 4)); }

void BM_Arrow50x45(benchmark::State& state) {
  FaceFrames<TKvArrow>(state, 50, 45, LeftArrow, AlternateActive);
}
BENCHMARK(BM_Arrow50x45);
void BM_Arrow50x45_ImageCopy(benchmark::State& state) { CopyImage(state, 50, 45); }
BENCHMARK(BM_Arrow50x45_ImageCopy);
void BM_ArrowLiveActive(benchmark::State& state) {
  LiveFrames<TKvArrow>(state, 50, 45, LeftArrow, AlternateActive);
}
BENCHMARK(BM_ArrowLiveActive);
void BM_ArrowLiveDirection(benchmark::State& state) {
  LiveFrames<TKvArrow>(state, 50, 45, LeftArrow, TurnArrow);
}
BENCHMARK(BM_ArrowLiveDirection);

// ---- Media button: 56 x 21, the glyph cycling through the first nine

void NextGlyph(TKvMediaButton& button, int64_t frame) {
  button.SetButtonType(TKvButtonType(frame % 9));
}

void BM_MediaButton56x21(benchmark::State& state) {
  FaceFrames<TKvMediaButton>(state, 56, 21, NoSetUp<TKvMediaButton>, NextGlyph);
}
BENCHMARK(BM_MediaButton56x21);
void BM_MediaButton56x21_ImageCopy(benchmark::State& state) { CopyImage(state, 56, 21); }
BENCHMARK(BM_MediaButton56x21_ImageCopy);
void BM_MediaButtonLiveButtonType(benchmark::State& state) {
  LiveFrames<TKvMediaButton>(state, 56, 21, NoSetUp<TKvMediaButton>, NextGlyph);
}
BENCHMARK(BM_MediaButtonLiveButtonType);

}  // namespace
