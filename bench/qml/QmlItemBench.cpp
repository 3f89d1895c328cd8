// An item's frame in a Qt Quick scene (software scene graph), measured two ways: the value
// set from QML's side until the item's texture holds the new face (the end of the scene
// graph's synchronisation), and until the window has rendered and flushed it. Both sit next
// to the same control's live frame as a widget with the same property change (the control's
// own settings, since the item takes no demo form).
#include "LiveFrame.h"

#include "KvLevelBar.h"
#include "KvMeter.h"
#include "KvScope.h"
#include "KvSlider.h"
#include "KvSwitch.h"
#include "kvLedClock.h"

#include <QApplication>
#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSGRendererInterface>
#include <QTemporaryFile>

#include <string>

#include <time.h>

namespace {

// One control's benchmark: its item's name, its size, and a published property the frames
// set to two values in turn (QML takes it in lower camel case).
struct Row {
  const char* item;
  int width, height;
  const char* property;
  QVariant even, odd;
};

QByteArray QmlName(const char* published) {
  QByteArray name(published);
  name[0] = char(QChar(name[0]).toLower().toLatin1());
  return name;
}

// One frame, a function of its own for a profiler to single out.
[[gnu::noinline]] void Frame(QQuickView& view, QQuickItem* item, const QByteArray& property,
                             const QVariant& value) {
  item->setProperty(property, value);
  // What the window's frame timer would do at its next tick, now: polish, synchronise (the
  // item's texture), render the changed region and flush it.
  QEvent tick(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(&view, &tick);
}

// Shows Row's item alone in View, on the software scene graph, and returns it.
QQuickItem* ShowItem(QQuickView& view, const Row& row) {
  // The backend is chosen once, before the first window.
  static const bool kSoftware = [] {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return true;
  }();
  (void)kSoftware;
  view.engine()->addImportPath(QStringLiteral(KV_QML_IMPORT_DIR));
  QTemporaryFile scene(QDir::tempPath() + QStringLiteral("/kv-bench-XXXXXX.qml"));
  scene.open();
  scene.write(QStringLiteral("import QtQuick\nimport Kelvara\n%1 { width: %2; height: %3 }\n")
                  .arg(QLatin1String(row.item))
                  .arg(row.width)
                  .arg(row.height)
                  .toUtf8());
  scene.close();
  view.setSource(QUrl::fromLocalFile(scene.fileName()));
  view.show();
  kvbench::Window::Settle();
  return view.rootObject();
}

void ItemFrame(benchmark::State& state, const Row& row) {
  QQuickView view;
  QQuickItem* item = ShowItem(view, row);
  const QByteArray property = QmlName(row.property);
  int64_t rendered = 0;
  QObject::connect(&view, &QQuickWindow::afterRendering, [&] { ++rendered; });
  int64_t frame = 0;
  for (auto _ : state) Frame(view, item, property, frame++ % 2 ? row.odd : row.even);
  if (rendered < state.iterations()) state.SkipWithError("a frame did not render");
  state.SetItemsProcessed(state.iterations());
}

// The CPU time of the calling thread, in seconds: the machine is shared, so a wall clock
// would count other processes' turns.
double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The control an item shows: the only one of its class in a window kept off the screen.
template <class Control>
Control* ItemControl() {
  Control* found = nullptr;
  for (QWidget* widget : QApplication::allWidgets()) {
    auto* control = dynamic_cast<Control*>(widget);
    if (!control || !widget->window()->testAttribute(Qt::WA_DontShowOnScreen)) continue;
    if (found) return nullptr;
    found = control;
  }
  return found;
}

// Counts the paints of a widget.
class PaintCount : public QObject {
public:
  explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
  int64_t count = 0;

protected:
  bool eventFilter(QObject*, QEvent* event) override {
    count += event->type() == QEvent::Paint;
    return false;
  }
};

// The item's frame as far as its texture: from the value set to the end of the window's next
// synchronisation, where the item hands the face the control painted to its node. The rest of
// the window's frame (render, flush) runs but is not counted. Time is the thread's CPU time,
// as the other frames report theirs.
template <class Control>
void ItemTextureFrame(benchmark::State& state, const Row& row) {
  QQuickView view;
  QQuickItem* item = ShowItem(view, row);
  Control* control = ItemControl<Control>();
  if (!control) {
    state.SkipWithError("the item's control is not found");
    return;
  }
  const PaintCount paints(control);
  const QByteArray property = QmlName(row.property);
  // The odd value first, so that the first frame's even value is a change too.
  item->setProperty(property, row.odd);
  kvbench::Window::Settle();
  double changed = 0;
  int64_t paintsAtChange = 0;
  bool synchronised = false, faceNew = false;
  double seconds = 0;
  // The item's paint marks its face changed and asks for the synchronisation that takes it.
  QObject::connect(
      &view, &QQuickWindow::afterSynchronizing, &view,
      [&] {
        if (synchronised) return;
        seconds = ThreadSeconds() - changed;
        synchronised = true;
        faceNew = paints.count > paintsAtChange;
      },
      Qt::DirectConnection);
  int64_t frame = 0;
  for (auto _ : state) {
    synchronised = faceNew = false;
    paintsAtChange = paints.count;
    changed = ThreadSeconds();
    Frame(view, item, property, frame++ % 2 ? row.odd : row.even);
    if (!synchronised || !faceNew) {
      state.SkipWithError("a frame did not bring the item a new face");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetItemsProcessed(state.iterations());
}

template <class Control>
bool ItemAndWidgetFrames(const Row& row) {
  const std::string name =
      "Qml" + std::string(row.item) + std::to_string(row.width) + "x" + std::to_string(row.height);
  benchmark::RegisterBenchmark((name + "/ItemFrame").c_str(),
                               [row](benchmark::State& state) { ItemFrame(state, row); });
  benchmark::RegisterBenchmark((name + "/ItemTextureFrame").c_str(),
                               [row](benchmark::State& state) {
                                 ItemTextureFrame<Control>(state, row);
                               })
      ->UseManualTime();
  return kvbench::LiveFrameBenchmarks<Control>(
      name, row.width, row.height, [](Control&) {}, [row](Control& control, int64_t frame) {
        control.setProperty(row.property, frame % 2 ? row.odd : row.even);
      });
}

[[maybe_unused]] const bool kRegistered =
    ItemAndWidgetFrames<TKvMeter>({"Meter", 240, 105, "Position", 40, 60}) &&
    ItemAndWidgetFrames<TKvLedClock>({"LedClock", 241, 201, "SecondsIndicator", true, false}) &&
    ItemAndWidgetFrames<TKvScope>({"Scope", 251, 86, "BaseOffset", 10, 20}) &&
    ItemAndWidgetFrames<TKvLevelBar>({"LevelBar", 169, 20, "Position", 40, 60}) &&
    ItemAndWidgetFrames<TKvSlider>({"Slider", 226, 36, "Position", 20, 21}) &&
    ItemAndWidgetFrames<TKvSwitch>({"Switch", 31, 50, "Offset", 0, 1});

}  // namespace
