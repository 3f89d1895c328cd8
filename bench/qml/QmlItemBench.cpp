// An item's frame in a Qt Quick scene (software scene graph): the value set from QML's side
// until the scene is rendered with the new texture, next to the same control's live frame as a
// widget at the same settings (the control's own, since the item takes no demo form).
#include "LiveFrame.h"

#include <kelvara/KvMeter.h>

#include <QDir>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QSGRendererInterface>
#include <QTemporaryFile>

namespace {

void ItemFrame(benchmark::State& state) {
  QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
  QQuickView view;
  view.engine()->addImportPath(QStringLiteral(KV_QML_IMPORT_DIR));
  QTemporaryFile scene(QDir::tempPath() + QStringLiteral("/kv-bench-XXXXXX.qml"));
  scene.open();
  scene.write("import QtQuick\nimport Kelvara\nMeter { width: 240; height: 105 }\n");
  scene.close();
  view.setSource(QUrl::fromLocalFile(scene.fileName()));
  view.show();
  QQuickItem* meter = view.rootObject();
  view.grabWindow();  // the first frame: the face drawn once, the texture made
  int64_t frame = 0;
  for (auto _ : state) {
    meter->setProperty("position", 50 + int(frame++ % 101));
    // Polishes, synchronises (the item's new texture) and renders the scene at once, rather
    // than at the next tick of the window's frame timer; the picture it returns is one
    // more copy of the window than a frame makes.
    benchmark::DoNotOptimize(view.grabWindow());
  }
}

[[maybe_unused]] const bool kRegistered = [] {
  benchmark::RegisterBenchmark("QmlMeter240x105/ItemFrame", ItemFrame);
  return kvbench::LiveFrameBenchmarks<TKvMeter>(
      "QmlMeter240x105", 240, 105, [](TKvMeter&) {},
      [](TKvMeter& m, int64_t frame) { m.SetPosition(50 + int(frame % 101)); });
}();

}  // namespace
