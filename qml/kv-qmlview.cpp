// Shows a QML file that imports Kelvara, from the build tree: kv-qmlview FILE.qml
// [--screenshot PNG]. The controls are widgets, so a QML program that uses the items runs a
// QApplication, as this one does.
#include <QApplication>
#include <QCommandLineParser>
#include <QQmlEngine>
#include <QQuickView>
#include <QTimer>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCommandLineParser options;
  options.addHelpOption();
  options.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The QML file to show."));
  const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                      QStringLiteral("Saves the window after two seconds and quits."),
                                      QStringLiteral("png"));
  options.addOption(screenshot);
  options.process(app);
  if (options.positionalArguments().size() != 1) options.showHelp(2);

  QQuickView view;
  view.engine()->addImportPath(QStringLiteral(KV_QML_IMPORT_DIR));
  view.setResizeMode(QQuickView::SizeViewToRootObject);
  view.setSource(QUrl::fromLocalFile(options.positionalArguments().first()));
  if (view.status() != QQuickView::Ready) return 1;
  view.show();
  if (options.isSet(screenshot))
    QTimer::singleShot(2000, &view, [&] {
      view.grabWindow().save(options.value(screenshot));
      app.quit();
    });
  return app.exec();
}
