// The misc panel's controls at their demo sizes, with the state changing every frame: each
// face (clear, face, copy to the control's surface) next to a copy of its rows, and each
// setter's live frame on a shown window next to its limit.
#include "KvArrow.h"
#include "KvGraphs.h"
#include "KvNavigator.h"
#include "KvPieGraph.h"
#include "LiveFrame.h"

namespace {

// The pie graph: transparent, depth 10, the value cycling 1 ... 100.
[[maybe_unused]] const bool kPieGraph = kvbench::LiveFrameBenchmarks<TKvPieGraph>(
    "PieGraph135x75", 135, 75, kvbench::AsInDemo<TKvPieGraph>("frmMisc", "KvPieGraph"),
    [](TKvPieGraph& pie, int64_t frame) { pie.SetValue(int(frame % 100) + 1); });

// The pie graph's first moving value after a change of depth, which makes its angle map
// again: what its fast live frames cost once.
void BM_PieGraphAngleMap(benchmark::State& state) {
  kvbench::Window window(135, 75);
  auto* pie = new TKvPieGraph(window.Widget());
  pie->SetBounds(8, 8, 135, 75);
  pie->SetTransparent(true);
  kvbench::Window::Settle();
  int64_t frame = 0;
  for (auto _ : state) {
    state.PauseTiming();
    pie->SetDepth(frame % 2 ? 11 : 10);
    kvbench::Window::Settle();
    state.ResumeTiming();
    pie->SetValue(frame++ % 2 ? 81 : 80);
  }
}
BENCHMARK(BM_PieGraphAngleMap)->Unit(benchmark::kMillisecond);

// The percent pie: transparent, 20 and 30/31 alternating in the second segment's value.
[[maybe_unused]] const bool kPercentPie = kvbench::LiveFrameBenchmarks<TKvPercentPie>(
    "PercentPie97x97", 97, 97, kvbench::AsInDemo<TKvPercentPie>("frmMisc", "KvPercentPie"),
    [](TKvPercentPie& pie, int64_t frame) {
      pie.Segments()->Items(1)->SetValue(frame % 2 ? 31 : 30);
    });

const auto LeftArrow = kvbench::AsInDemo<TKvArrow>("frmMisc", "KvArrow");

// The arrow: transparent, pointing left, lit and unlit alternating; and turning, which
// loads and recolours its picture.
[[maybe_unused]] const bool kArrow = kvbench::LiveFrameBenchmarks<TKvArrow>(
    "Arrow50x45", 50, 45, LeftArrow,
    [](TKvArrow& arrow, int64_t frame) { arrow.SetActive(frame % 2 != 0); });
[[maybe_unused]] const bool kArrowTurning = kvbench::LiveFrameBenchmarks<TKvArrow>(
    "ArrowTurning50x45", 50, 45, LeftArrow,
    [](TKvArrow& arrow, int64_t frame) { arrow.SetDirection(TKvArrowDirection((frame + 1) % 4)); });

// The media button: the glyph cycling through the first nine.
[[maybe_unused]] const bool kMediaButton = kvbench::LiveFrameBenchmarks<TKvMediaButton>(
    "MediaButton56x21", 56, 21, [](TKvMediaButton&) {},
    [](TKvMediaButton& button, int64_t frame) { button.SetButtonType(TKvButtonType(frame % 9)); });

}  // namespace
