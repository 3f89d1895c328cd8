// The label as a panel heading and the demo's web label: face, live frame and its limit. Full
// repaints of turned and textured text and of wide outlines, each next to a plain copy of
// an image of the same size; the ratio of a pair is the figure of merit.
#include "KvHyperCtrls.h"
#include "KvLabel.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

using kvbench::CopyImage;
using kvbench::kPanelColor;
using kvbench::OnSurface;
using kvbench::Repaint;

// The start panel's heading, at the size it auto-sizes to.
void Heading(TKvLabel& label) {
  label.SetCaption(QStringLiteral("Kelvara"));
  label.SetStyle(TKvLabelStyle::lsShadow);
  label.SetColorHighlight(TColor(14267539));
  label.SetColorShadow(TColor(10446669));
  label.SetColor(TColor(kPanelColor));
  label.Font()->SetName(QStringLiteral("Arial"));
  label.Font()->SetHeight(-19);
  label.Font()->SetColor(TColor(14267539));
}

[[maybe_unused]] const bool kHeading = kvbench::LiveFrameBenchmarks<TKvLabel>(
    "LabelHeading74x26", 74, 26, Heading, [](TKvLabel& label, int64_t frame) {
      label.SetColorHighlight(kvbench::Alternate(frame, 14267539, 14267540));
    });

void WebLabel(TKvHyperLink& link) {
  link.SetCaption(QStringLiteral("Visit Brontel"));
  link.FontLeave()->SetHeight(-16);
}

[[maybe_unused]] const bool kHyperLink = kvbench::LiveFrameBenchmarks<TKvHyperLink>(
    "HyperLink186x25", 186, 25, WebLabel, [](TKvHyperLink& link, int64_t frame) {
      link.SetColorLeave(kvbench::Alternate(frame, clBlue, clNavy));
    });

void BM_LabelAngle45_100x100(benchmark::State& state) {
  OnSurface<TKvLabel> label(100, 100);
  label.SetCaption(QStringLiteral("Kelvara"));
  label.SetAngle(45);
  Repaint(state, label);
}
BENCHMARK(BM_LabelAngle45_100x100);

void BM_LabelAngle45_100x100_ImageCopy(benchmark::State& state) { CopyImage(state, 100, 100); }
BENCHMARK(BM_LabelAngle45_100x100_ImageCopy);

void BM_LabelTextured160x40(benchmark::State& state) {
  OnSurface<TKvLabel> label(160, 40);
  label.SetCaption(QStringLiteral("Kelvara"));
  label.Font()->SetHeight(-32);
  label.Font()->SetStyle(TFontStyle::fsBold);
  TBitmap texture;
  texture.SetSize(8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      texture.Canvas()->SetPixels(x, y, (x + y) % 4 < 2 ? clRed : clYellow);
  label.SetBitmap(&texture);
  Repaint(state, label);
}
BENCHMARK(BM_LabelTextured160x40);

void BM_LabelTextured160x40_ImageCopy(benchmark::State& state) { CopyImage(state, 160, 40); }
BENCHMARK(BM_LabelTextured160x40_ImageCopy);

// The demo's web label; Arg is the outline width (above 2 the halo is laid as one mask).
void BM_HyperLinkOutline186x25(benchmark::State& state) {
  OnSurface<TKvHyperLink> link(186, 25);
  WebLabel(link);
  link.TextOutline()->SetWidth(int(state.range(0)));
  Repaint(state, link);
}
BENCHMARK(BM_HyperLinkOutline186x25)->Arg(1)->Arg(2)->Arg(3)->Arg(10);

void BM_HyperLinkOutline186x25_ImageCopy(benchmark::State& state) { CopyImage(state, 186, 25); }
BENCHMARK(BM_HyperLinkOutline186x25_ImageCopy);

}  // namespace
