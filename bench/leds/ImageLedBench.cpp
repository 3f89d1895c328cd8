// The image LED at the LEDs panel's size: face and live frame for a symbol change (which
// reloads and re-tints the picture, as on every panel tick) and for a blink.
#include "ControlBench.h"
#include "KvImageLed.h"
#include "LiveFrame.h"

#include <benchmark/benchmark.h>

namespace {

const auto DemoLed = kvbench::AsInDemo<TKvImageLed>("frmLeds", "KvImageLed");

const bool kSymbol = kvbench::LiveFrameBenchmarks<TKvImageLed>(
    "ImageLed40x40", 40, 40, DemoLed,
    [](TKvImageLed& l, int64_t frame) { l.SetImageType(TKvImageType(frame % 11)); });

const bool kBlink = kvbench::LiveFrameBenchmarks<TKvImageLed>(
    "ImageLedBlink40x40", 40, 40, DemoLed,
    [](TKvImageLed& l, int64_t frame) { l.SetActive(frame % 2 == 1); });

}  // namespace
