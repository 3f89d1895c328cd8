// Loads the plugin at the given path as Qt Designer does, with no library path set: the
// plugin must find the library from where it is installed.
#include <QApplication>
#include <QPluginLoader>

#include <cstdio>

int main(int argc, char** argv) {
  QApplication qt(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: load-plugin PLUGIN\n");
    return 2;
  }
  QPluginLoader loader(QString::fromLocal8Bit(argv[1]));
  if (!loader.load()) {
    std::fprintf(stderr, "load-plugin: %s\n", qPrintable(loader.errorString()));
    return 1;
  }
  return loader.instance() ? 0 : 1;
}
