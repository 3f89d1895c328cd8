// Loads the plugin at the given path as Qt Designer does, with no library path set: the
// plugin must find the library from where it is installed. Without a path, finds our controls
// where Designer looks for plugins: the "designer" folder of each Qt plugin path, those of
// QT_PLUGIN_PATH included.
#include <QApplication>
#include <QPluginLoader>
#include <QUiLoader>

#include <cstdio>

namespace {

int LoadFile(const QString& path) {
  QPluginLoader loader(path);
  if (!loader.load()) {
    std::fprintf(stderr, "load-plugin: %s\n", qPrintable(loader.errorString()));
    return 1;
  }
  return loader.instance() ? 0 : 1;
}

int FindOnPluginPaths() {
  QUiLoader loader;
  if (loader.availableWidgets().contains(QStringLiteral("TKvMeter"))) return 0;
  std::fprintf(stderr, "load-plugin: no Kelvara controls in %s\n",
               qPrintable(loader.pluginPaths().join(QLatin1Char(' '))));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc > 2) {
    std::fprintf(stderr, "usage: load-plugin [PLUGIN]\n");
    return 2;
  }
  return argc == 2 ? LoadFile(QString::fromLocal8Bit(argv[1])) : FindOnPluginPaths();
}
