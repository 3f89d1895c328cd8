// The scanner and the indicator at the scope panel's sizes and settings: a face repaint next
// to a copy of its image, and the live path (a tick, a position change) next to the limit
// widget of the same size.
#include "ControlBench.h"
#include "KvScanner.h"
#include "LiveForm.h"

#include <benchmark/benchmark.h>

namespace {

using kvbench::CopyImage;
using kvbench::OnSurface;

constexpr int kScannerWidth = 236, kScannerHeight = 26;
constexpr int kIndicatorWidth = 221, kIndicatorHeight = 31;

template <class Scanner>
void ApplyDemoScanner(Scanner& s) {
  s.LedStyle()->SetInnerHigh(clLime);
  s.LedStyle()->SetPaletteHigh1(clLime);
  s.LedStyle()->SetPaletteLow1(clGreen);
  s.SetTransparent(true);
  s.SetPosition(3);
}

class BenchScanner : public TKvScanner {
public:
  using TKvScanner::Scan;
  using TKvScanner::TKvScanner;
};

void BM_ScannerRepaint236x26(benchmark::State& state) {
  OnSurface<TKvScanner> s(kScannerWidth, kScannerHeight);
  ApplyDemoScanner(s);
  kvbench::Repaint(state, s);
}
BENCHMARK(BM_ScannerRepaint236x26);

void BM_ScannerRepaint236x26_ImageCopy(benchmark::State& state) {
  CopyImage(state, kScannerWidth, kScannerHeight);
}
BENCHMARK(BM_ScannerRepaint236x26_ImageCopy);

void BM_ScannerLiveTick236x26(benchmark::State& state) {
  kvbench::LiveForm form(kScannerWidth + 20, kScannerHeight + 20);
  auto* s = new BenchScanner(form.Form());
  s->SetBounds(10, 10, kScannerWidth, kScannerHeight);
  ApplyDemoScanner(*s);
  kvbench::LiveForm::Settle();
  kvbench::TimeLiveSteps(state, form, [s] { s->Scan(); });
}
BENCHMARK(BM_ScannerLiveTick236x26);

void BM_ScannerLiveTick236x26_Limit(benchmark::State& state) {
  kvbench::LimitFrames(state, kScannerWidth, kScannerHeight);
}
BENCHMARK(BM_ScannerLiveTick236x26_Limit);

void BM_IndicatorRepaint221x31(benchmark::State& state) {
  OnSurface<TKvIndicator> c(kIndicatorWidth, kIndicatorHeight);
  c.SetPosition(90);
  kvbench::Repaint(state, c);
}
BENCHMARK(BM_IndicatorRepaint221x31);

void BM_IndicatorRepaint221x31_ImageCopy(benchmark::State& state) {
  CopyImage(state, kIndicatorWidth, kIndicatorHeight);
}
BENCHMARK(BM_IndicatorRepaint221x31_ImageCopy);

void BM_IndicatorLivePosition221x31(benchmark::State& state) {
  kvbench::LiveForm form(kIndicatorWidth + 20, kIndicatorHeight + 20);
  auto* c = new TKvIndicator(form.Form());
  c->SetBounds(10, 10, kIndicatorWidth, kIndicatorHeight);
  c->SetPosition(90);
  kvbench::LiveForm::Settle();
  int position = 90;
  kvbench::TimeLiveSteps(state, form, [&] {
    position = position >= 100 ? 0 : position + 5;
    c->SetPosition(position);
  });
}
BENCHMARK(BM_IndicatorLivePosition221x31);

void BM_IndicatorLivePosition221x31_Limit(benchmark::State& state) {
  kvbench::LimitFrames(state, kIndicatorWidth, kIndicatorHeight);
}
BENCHMARK(BM_IndicatorLivePosition221x31_Limit);

}  // namespace
