// The scope at the scope panel's size and settings (two bar channels, three pixels a sample):
// a face repaint with full histories next to a copy of its image, the same with a history of
// 10,000 samples and with one just as long as what shows, in both directions; and face, live frame
// (one tick), limit and row copy.
#include "ControlBench.h"
#include "KvScope.h"
#include "DemoSettings.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 251, kHeight = 86;

template <class Scope>
class Fed : public Scope {
public:
  template <class... A>
  explicit Fed(A... a) : Scope(a...) {
    QObject::connect(this, &TKvScope::OnNeedData, [this](TObject*, int, int& value) {
      FSeed = FSeed * 1103515245u + 12345u;
      value = int(FSeed >> 16) % 100 + 1;
    });
  }
  void Step() { this->Tick(); }

private:
  uint32_t FSeed = 7;
};

// The demo's scope, ticked by the benchmark only, with History samples drawn.
template <class Scope>
void ApplyDemo(Scope& s, int history, TScrolldirection direction) {
  kvdemo::ApplyDemoSettings(s, "frmScope", "KvScope");
  s.SetActive(false);
  s.SetDirection(direction);
  s.SetBufferSize(history);
  for (int i = 0; i < history; ++i) s.Step();
}

void ScopeRepaint(benchmark::State& state, int history, TScrolldirection direction) {
  kvbench::OnSurface<Fed<TKvScope>> s(kWidth, kHeight);
  ApplyDemo(s, history, direction);
  kvbench::Repaint(state, s);
}

void BM_ScopeRepaint251x86(benchmark::State& state) {
  ScopeRepaint(state, 999, TScrolldirection::sdRightToLeft);
}
BENCHMARK(BM_ScopeRepaint251x86);

void BM_ScopeRepaint251x86_ImageCopy(benchmark::State& state) {
  kvbench::CopyImage(state, kWidth, kHeight);
}
BENCHMARK(BM_ScopeRepaint251x86_ImageCopy);

// 86 samples: the visible 84 and the two the trace reaches past the edges.
void BM_ScopeRepaint251x86_History10000_RightToLeft(benchmark::State& state) {
  ScopeRepaint(state, 10000, TScrolldirection::sdRightToLeft);
}
BENCHMARK(BM_ScopeRepaint251x86_History10000_RightToLeft);

void BM_ScopeRepaint251x86_HistoryVisible_RightToLeft(benchmark::State& state) {
  ScopeRepaint(state, 86, TScrolldirection::sdRightToLeft);
}
BENCHMARK(BM_ScopeRepaint251x86_HistoryVisible_RightToLeft);

void BM_ScopeRepaint251x86_History10000_LeftToRight(benchmark::State& state) {
  ScopeRepaint(state, 10000, TScrolldirection::sdLeftToRight);
}
BENCHMARK(BM_ScopeRepaint251x86_History10000_LeftToRight);

void BM_ScopeRepaint251x86_HistoryVisible_LeftToRight(benchmark::State& state) {
  ScopeRepaint(state, 86, TScrolldirection::sdLeftToRight);
}
BENCHMARK(BM_ScopeRepaint251x86_HistoryVisible_LeftToRight);

// One tick: two OnNeedData calls, the store, the repaint.
const bool kScope = kvbench::LiveFrameBenchmarks<Fed<TKvScope>>(
    "Scope251x86", kWidth, kHeight,
    [](Fed<TKvScope>& s) { ApplyDemo(s, 999, TScrolldirection::sdRightToLeft); },
    [](Fed<TKvScope>& s, int64_t) { s.Step(); });

}  // namespace
