// The switches panel's controls at their demo sizes and settings, the value changing every
// frame: each face (clear, face, copy to the control's surface) next to a copy of its rows,
// and each setter's live frame on a shown window next to its limit.
#include "KvButtons.h"
#include "KvSlider.h"
#include "KvSwitch.h"
#include "KvTrackBar.h"
#include "LiveFrame.h"

namespace {

// The switch: 31 x 50, four stops, the thumb stepping up and down one stop.
[[maybe_unused]] const bool kSwitch = kvbench::LiveFrameBenchmarks<TKvSwitch>(
    "Switch31x50", 31, 50, [](TKvSwitch&) {},
    [](TKvSwitch& s, int64_t frame) { s.SetOffset(frame % 2 ? 1 : 0); });

// The track bar: 175 x 45, 0 .. 100 with ticks every 10, the thumb moving one value.
[[maybe_unused]] const bool kTrackBar = kvbench::LiveFrameBenchmarks<TKvTrackBar>(
    "TrackBar175x45", 175, 45, [](TKvTrackBar&) {},
    [](TKvTrackBar& t, int64_t frame) { t.SetPosition(frame % 2 ? 26 : 25); });

// The slider: 226 x 36, horizontal, green and lime, around 20.
[[maybe_unused]] const bool kSlider = kvbench::LiveFrameBenchmarks<TKvSlider>(
    "Slider226x36", 226, 36, [](TKvSlider& s) { s.SetOrientation(TKvOrientation::voHorizontal); },
    [](TKvSlider& s, int64_t frame) { s.SetPosition(frame % 2 ? 21 : 20); });

// The power button: 125 x 25 with its caption, on and off.
[[maybe_unused]] const bool kPowerButton = kvbench::LiveFrameBenchmarks<TKvPowerButton>(
    "PowerButton125x25", 125, 25,
    [](TKvPowerButton& b) { b.SetCaption(QStringLiteral("TKvPowerButton")); },
    [](TKvPowerButton& b, int64_t frame) { b.SetActive(frame % 2 != 0); });

}  // namespace
