// The switches panel's controls at their demo sizes and settings, the value changing every
// frame: each face (clear, face, copy to the control's surface) next to a copy of its rows,
// each setter's live frame on a shown window next to its limit, and the thumbs dragged by
// the pointer next to the same limit.
#include "KvButtons.h"
#include "KvSlider.h"
#include "KvSwitch.h"
#include "KvTrackBar.h"
#include "DemoSettings.h"
#include "LiveFrame.h"

#include <QApplication>
#include <QMouseEvent>

#include <string>

namespace {

// Straight to the control, as the window system's mouse handling delivers it, with the left
// button held.
void SendMouse(QWidget* w, QEvent::Type type, QPoint p) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, p, w->mapToGlobal(p), button, held, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// A press on the thumb at Grab, then one move per frame, to Other and back: each move
// changes the value by one step and the control's repaint puts the frame in the window.
template <class Control>
void DragFrame(benchmark::State& state, int width, int height, const kvbench::Setup<Control>& setup,
               QPoint grab, QPoint other) {
  kvbench::Window window(width, height);
  auto* control = new Control(window.Widget());
  control->SetBounds(8, 8, width, height);
  setup(*control);
  kvbench::Window::Settle();
  SendMouse(control, QEvent::MouseButtonPress, grab);
  const TRect at = control->ThumbRect();
  SendMouse(control, QEvent::MouseMove, other);
  const bool moved = control->ThumbRect() != at;
  SendMouse(control, QEvent::MouseMove, grab);
  if (!control->Dragging() || !moved || control->ThumbRect() != at) {
    state.SkipWithError("the pointer does not drag the thumb one step");
    return;
  }
  int64_t frame = 0;
  for (auto _ : state) {
    SendMouse(control, QEvent::MouseMove, frame++ % 2 ? grab : other);
    benchmark::ClobberMemory();
  }
  SendMouse(control, QEvent::MouseButtonRelease, grab);
  state.SetItemsProcessed(state.iterations());
}

// Registers <name>/LiveFrame and <name>/SmoothLiveFrame (the drag) and <name>/Limit.
template <class Control>
bool DragBenchmarks(const std::string& name, int width, int height, kvbench::Setup<Control> setup,
                    QPoint grab, QPoint other) {
  benchmark::RegisterBenchmark((name + "/LiveFrame").c_str(), [=](benchmark::State& state) {
    DragFrame<Control>(state, width, height, setup, grab, other);
  });
  benchmark::RegisterBenchmark((name + "/SmoothLiveFrame").c_str(), [=](benchmark::State& state) {
    const kvbench::SmoothQuality smooth;
    DragFrame<Control>(state, width, height, setup, grab, other);
  });
  benchmark::RegisterBenchmark((name + "/Limit").c_str(), [=](benchmark::State& state) {
    kvbench::LiveFrameLimit(state, width, height);
  });
  return true;
}

// The switch: 31 x 50, four stops, the thumb stepping up and down one stop.
[[maybe_unused]] const bool kSwitch = kvbench::LiveFrameBenchmarks<TKvSwitch>(
    "Switch31x50", 31, 50, [](TKvSwitch&) {},
    [](TKvSwitch& s, int64_t frame) { s.SetOffset(frame % 2 ? 1 : 0); });

// The track bar: 175 x 45, 0 .. 100 with ticks every 10, the thumb moving one value.
[[maybe_unused]] const bool kTrackBar = kvbench::LiveFrameBenchmarks<TKvTrackBar>(
    "TrackBar175x45", 175, 45, [](TKvTrackBar&) {},
    [](TKvTrackBar& t, int64_t frame) { t.SetPosition(frame % 2 ? 26 : 25); });

// The demo's slider (horizontal, 226 x 36, at 20) and power button, without the focus a shown
// window would give them.
template <class Control>
kvbench::Setup<Control> Unfocused(const QString& name) {
  return [=](Control& control) {
    kvdemo::ApplyDemoSettings(control, "frmSwitches", name);
    control.SetTabStop(false);
  };
}
const auto DemoSlider = Unfocused<TKvSlider>("KvSlider");

// The slider: 226 x 36, horizontal, green and lime, around 20.
[[maybe_unused]] const bool kSlider = kvbench::LiveFrameBenchmarks<TKvSlider>(
    "Slider226x36", 226, 36, DemoSlider,
    [](TKvSlider& s, int64_t frame) { s.SetPosition(frame % 2 ? 21 : 20); });

// The power button: 125 x 25 with its caption, on and off.
[[maybe_unused]] const bool kPowerButton = kvbench::LiveFrameBenchmarks<TKvPowerButton>(
    "PowerButton125x25", 125, 25, Unfocused<TKvPowerButton>("KvPowerButton"),
    [](TKvPowerButton& b, int64_t frame) { b.SetActive(frame % 2 != 0); });

// The switch dragged between its two lowest stops: thumb tops 36 and 25, grabbed 6 below
// the top.
[[maybe_unused]] const bool kSwitchDrag = DragBenchmarks<TKvSwitch>(
    "SwitchDrag31x50", 31, 50, [](TKvSwitch&) {}, QPoint(15, 42), QPoint(15, 31));

// The track bar dragged between 25 and 26 (1.46 pixels a value): thumb left 46, grabbed
// in its middle.
[[maybe_unused]] const bool kTrackBarDrag = DragBenchmarks<TKvTrackBar>(
    "TrackBarDrag175x45", 175, 45, [](TKvTrackBar& t) { t.SetPosition(25); }, QPoint(50, 22),
    QPoint(52, 22));

// The slider dragged between 20 and 21 (2.07 pixels a value): thumb left 44, grabbed in its
// middle.
[[maybe_unused]] const bool kSliderDrag = DragBenchmarks<TKvSlider>(
    "SliderDrag226x36", 226, 36, DemoSlider, QPoint(50, 18), QPoint(52, 18));

}  // namespace
