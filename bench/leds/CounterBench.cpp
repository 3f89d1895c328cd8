// The counter at its demo size, counting up: face, live frame and its limit.
#include "KvCounter.h"
#include "LiveFrame.h"

namespace {

void DemoCounter(TKvCounter& c) { c.SetAutoSize(true); }

[[maybe_unused]] const bool kCounter = kvbench::LiveFrameBenchmarks<TKvCounter>(
    "Counter54x13", 54, 13, DemoCounter,
    [](TKvCounter& c, int64_t frame) { c.SetValue(int(frame % 999999)); });

}  // namespace
