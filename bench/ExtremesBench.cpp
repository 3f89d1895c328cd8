// Repaints of controls set to extremes on a shown form of 200 x 150: a hyperlink and a scope
// 65,536 pixels tall, a jog meter whose scale's format text is 100,000 characters long, and
// every registered control 65,536 pixels tall and 65,536 wide. What shows is a part of the
// form, so each is measured next to the limit widget of the form's size.
#include "Designing.h"
#include "KvHyperCtrls.h"
#include "KvJogMeter.h"
#include "KvScope.h"
#include "LiveForm.h"

#include <benchmark/benchmark.h>

#include <functional>

namespace {

constexpr int kFormWidth = 200, kFormHeight = 150;

template <class Control>
void ExtremeRepaint(benchmark::State& state, const std::function<void(Control*)>& extreme) {
  kvbench::LiveForm form(kFormWidth, kFormHeight);
  auto* control = new Control(form.Form());
  control->SetBounds(10, 10, 120, 60);
  extreme(control);
  kvbench::LiveForm::Settle();
  for (auto _ : state) {
    control->Repaint();
    benchmark::ClobberMemory();
  }
}

void BM_ExtremeTallHyperLink(benchmark::State& state) {
  ExtremeRepaint<TKvHyperLink>(state, [](TKvHyperLink* c) { c->SetHeight(65536); });
}
BENCHMARK(BM_ExtremeTallHyperLink)->Unit(benchmark::kMillisecond);

void BM_ExtremeTallScope(benchmark::State& state) {
  ExtremeRepaint<TKvScope>(state, [](TKvScope* c) { c->SetHeight(65536); });
}
BENCHMARK(BM_ExtremeTallScope)->Unit(benchmark::kMillisecond);

void BM_ExtremeLongJogMeterFormat(benchmark::State& state) {
  ExtremeRepaint<TKvJogMeter>(
      state, [](TKvJogMeter* c) { c->Scale()->SetFormatText(QString(100000, QLatin1Char('W'))); });
}
BENCHMARK(BM_ExtremeLongJogMeterFormat)->Unit(benchmark::kMillisecond);

// Every registered control, 65,536 pixels tall and 65,536 wide, on the form: a repaint costs
// what shows, not what the size asks for.
void ExtremeSizeRepaint(benchmark::State& state, const kv::TRegisteredClass* c, int width,
                        int height) {
  kvbench::LiveForm form(kFormWidth, kFormHeight);
  auto* control = dynamic_cast<TControl*>(c->create(form.Form()));
  control->SetParent(form.Form());
  control->SetBounds(10, 10, width, height);
  kvbench::LiveForm::Settle();
  for (auto _ : state) {
    control->Repaint();
    benchmark::ClobberMemory();
  }
}

[[maybe_unused]] const bool kExtremeSizes = [] {
  kvbench::RegistrationsAfterStart().emplace_back([] {
    constexpr int kExtreme = 65536;
    for (const kv::TRegisteredClass* c : kv::RegisteredControls()) {
      const std::string name = std::string("ExtremeSize/") + c->metaObject->className();
      benchmark::RegisterBenchmark((name + "/Tall").c_str(), ExtremeSizeRepaint, c, 120, kExtreme)
          ->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark((name + "/Wide").c_str(), ExtremeSizeRepaint, c, kExtreme, 60)
          ->Unit(benchmark::kMillisecond);
    }
  });
  return true;
}();

void BM_ExtremeLimit(benchmark::State& state) {
  kvbench::LimitFrames(state, kFormWidth, kFormHeight);
}
BENCHMARK(BM_ExtremeLimit)->Unit(benchmark::kMillisecond);

}  // namespace
