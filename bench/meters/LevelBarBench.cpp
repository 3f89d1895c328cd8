// The level bar at its demo size and settings, its position walking 50 ... 150: face, live frame
// and its limit.
#include "KvLevelBar.h"
#include "LiveFrame.h"

namespace {

void DemoLevelBar(TKvLevelBar& l) {
  l.SetOrientation(TKvOrientation::voHorizontal);
  l.SetBounds(0, 0, 169, 20);
  l.SetMaxValue(150);
  l.SetMinValue(50);
  l.SetPosition(70);
}

[[maybe_unused]] const bool kLevelBar = kvbench::LiveFrameBenchmarks<TKvLevelBar>(
    "LevelBar169x20", 169, 20, DemoLevelBar,
    [](TKvLevelBar& l, int64_t frame) { l.SetPosition(50 + int(frame % 101)); });

}  // namespace
