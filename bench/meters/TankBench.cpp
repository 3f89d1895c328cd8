// The tank at its demo size and settings, its level walking 50 ... 150: face, live frame and its
// limit.
#include "KvTank.h"
#include "LiveFrame.h"

namespace {

[[maybe_unused]] const bool kTank = kvbench::LiveFrameBenchmarks<TKvTank>(
    "Tank60x101", 60, 101, kvbench::AsInDemo<TKvTank>("frmMeters", "KvTank"),
    [](TKvTank& t, int64_t frame) { t.SetPosition(50 + double(frame % 101)); });

}  // namespace
