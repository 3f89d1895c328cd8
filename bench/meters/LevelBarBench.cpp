// The level bar at its demo size and settings, its position walking 50 ... 150: face, live frame
// and its limit.
#include "KvLevelBar.h"
#include "LiveFrame.h"

namespace {

[[maybe_unused]] const bool kLevelBar = kvbench::LiveFrameBenchmarks<TKvLevelBar>(
    "LevelBar169x20", 169, 20, kvbench::AsInDemo<TKvLevelBar>("frmMeters", "KvLevelBar"),
    [](TKvLevelBar& l, int64_t frame) { l.SetPosition(50 + int(frame % 101)); });

}  // namespace
