// An item's frame in a Qt Quick scene (software scene graph): the value set from QML's side
// until the window has rendered and flushed the new face, next to the same control's live
// frame as a widget with the same property change (the control's own settings, since the
// item takes no demo form).
#include "LiveFrame.h"

#include "KvLevelBar.h"
#include "KvMeter.h"
#include "KvScope.h"
#include "KvSlider.h"
#include "KvSwitch.h"
#include "kvLedClock.h"

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSGRendererInterface>
#include <QTemporaryFile>

#include <string>

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

void ItemFrame(benchmark::State& state, const Row& row) {
  // The backend is chosen once, before the first window.
  static const bool kSoftware = [] {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return true;
  }();
  (void)kSoftware;
  QQuickView view;
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
  QQuickItem* item = view.rootObject();
  const QByteArray property = QmlName(row.property);
  int64_t rendered = 0;
  QObject::connect(&view, &QQuickWindow::afterRendering, [&] { ++rendered; });
  int64_t frame = 0;
  for (auto _ : state) Frame(view, item, property, frame++ % 2 ? row.odd : row.even);
  if (rendered < state.iterations()) state.SkipWithError("a frame did not render");
  state.SetItemsProcessed(state.iterations());
}

template <class Control>
bool ItemAndWidgetFrames(const Row& row) {
  const std::string name =
      "Qml" + std::string(row.item) + std::to_string(row.width) + "x" + std::to_string(row.height);
  benchmark::RegisterBenchmark((name + "/ItemFrame").c_str(),
                               [row](benchmark::State& state) { ItemFrame(state, row); });
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
