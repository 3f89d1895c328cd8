// The wheel at its demo size and settings, its position walking 50 ... 150: face, live frame and
// its limit.
#include "KvWheel.h"
#include "LiveFrame.h"

namespace {

[[maybe_unused]] const bool kWheel = kvbench::LiveFrameBenchmarks<TKvWheel>(
    "Wheel85x85", 85, 85, kvbench::AsInDemo<TKvWheel>("frmMeters", "KvWheel"),
    [](TKvWheel& w, int64_t frame) { w.SetPosition(50 + int(frame % 101)); });

}  // namespace
