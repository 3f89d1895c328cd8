// The thermometer at its demo size and settings, its value walking 50 ... 150: face, live frame and
// its limit.
#include "KvThermoMeter.h"
#include "LiveFrame.h"

namespace {

[[maybe_unused]] const bool kThermoMeter = kvbench::LiveFrameBenchmarks<TkvThermoMeter>(
    "ThermoMeter93x137", 93, 137,
    kvbench::AsInDemo<TkvThermoMeter>("frmMeters", "KvThermoMeter"),
    [](TkvThermoMeter& t, int64_t frame) { t.Value()->SetValue(50 + double(frame % 101)); });

}  // namespace
