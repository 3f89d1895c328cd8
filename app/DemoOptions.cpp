#include "DemoOptions.h"

#include "_frmQelDemo.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>

#include <cstdio>

using kv::Application;

namespace {

const QStringList kPanels = {QStringLiteral("start"), QStringLiteral("meters"),
                             QStringLiteral("leds"),  QStringLiteral("switches"),
                             QStringLiteral("scope"), QStringLiteral("misc")};

int Fail(const QString& message) {
  std::fprintf(stderr, "qel-demo: %s\nTry 'qel-demo --help'.\n", qPrintable(message));
  return 2;
}

void ShowPanelByName(TfrmQelDemo* f, const QString& name) {
  if (name == QLatin1String("meters")) f->btnMetersClick(f);
  else if (name == QLatin1String("leds")) f->btnLedsClick(f);
  else if (name == QLatin1String("switches")) f->btnSwitchesClick(f);
  else if (name == QLatin1String("scope")) f->btnScopePanelClick(f);
  else if (name == QLatin1String("misc")) f->btnMiscClick(f);
  else f->ShowStartPanel();
}

// Lets every pending show and paint happen.
void Settle() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

}  // namespace

std::optional<TDemoOptions> ParseDemoOptions(const QStringList& arguments, int& exitCode) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("QEL-Demo: the Kelvara instrument controls."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help."));
  const QCommandLineOption panel(
      QStringLiteral("panel"),
      QStringLiteral("Show this panel first: ") + kPanels.join(QStringLiteral(", ")) + '.',
      QStringLiteral("NAME"));
  const QCommandLineOption slideshow(QStringLiteral("slideshow"),
                                     QStringLiteral("Start with the slideshow on."));
  const QCommandLineOption smooth(QStringLiteral("smooth"),
                                  QStringLiteral("Draw the controls smooth (anti-aliased)."));
  const QCommandLineOption screenshot(
      QStringLiteral("screenshot"),
      QStringLiteral("Write a PNG of the window once it is shown, then exit."),
      QStringLiteral("FILE"));
  const QCommandLineOption quitAfter(QStringLiteral("quit-after"),
                                     QStringLiteral("Exit after MS milliseconds."),
                                     QStringLiteral("MS"));
  parser.addOptions({help, panel, slideshow, smooth, screenshot, quitAfter});
  if (!parser.parse(arguments)) {
    exitCode = Fail(parser.errorText());
    return std::nullopt;
  }
  if (parser.isSet(help)) {
    std::fputs(qPrintable(parser.helpText()), stdout);
    exitCode = 0;
    return std::nullopt;
  }
  if (!parser.positionalArguments().isEmpty()) {
    exitCode =
        Fail(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    return std::nullopt;
  }
  TDemoOptions options;
  if (parser.isSet(panel)) {
    options.Panel = parser.value(panel).toLower();
    if (!kPanels.contains(options.Panel)) {
      exitCode = Fail(QStringLiteral("unknown panel '%1'").arg(parser.value(panel)));
      return std::nullopt;
    }
  }
  options.Slideshow = parser.isSet(slideshow);
  options.Smooth = parser.isSet(smooth);
  options.Screenshot = parser.value(screenshot);
  if (parser.isSet(quitAfter)) {
    bool ok = false;
    options.QuitAfterMs = parser.value(quitAfter).toInt(&ok);
    if (!ok || options.QuitAfterMs < 0) {
      exitCode = Fail(QStringLiteral("--quit-after needs a number of milliseconds, not '%1'")
                          .arg(parser.value(quitAfter)));
      return std::nullopt;
    }
  }
  return options;
}

QImage WindowPicture(TfrmQelDemo* mainForm) {
  // In device pixels, as the screen shows it.
  const qreal ratio = mainForm->devicePixelRatioF();
  QImage picture((QSizeF(mainForm->size()) * ratio).toSize(), QImage::Format_ARGB32);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  // Outside the window's shape the desktop shows through: transparent in the picture.
  // render() paints only inside the mask and places the mask's bounding box at the offset.
  const QRegion shape = mainForm->mask();
  if (!shape.isEmpty()) painter.setClipRegion(shape);
  mainForm->render(&painter, shape.isEmpty() ? QPoint() : shape.boundingRect().topLeft());
  painter.end();
  return picture;
}

bool SaveWindowPicture(TfrmQelDemo* mainForm, const QString& fileName) {
  return WindowPicture(mainForm).save(fileName, "PNG");
}

void ApplyDemoOptions(const TDemoOptions& options, TfrmQelDemo* mainForm) {
  if (options.Slideshow) mainForm->chkCheckbox->SetChecked(true);
  const TDemoOptions opts = options;
  QTimer::singleShot(0, mainForm, [mainForm, opts] {
    if (!opts.Panel.isEmpty()) ShowPanelByName(mainForm, opts.Panel);
    if (!opts.Screenshot.isEmpty()) {
      Settle();
      if (!SaveWindowPicture(mainForm, opts.Screenshot))
        std::fprintf(stderr, "qel-demo: cannot write '%s'\n", qPrintable(opts.Screenshot));
      Application->Terminate();
    }
  });
  if (opts.QuitAfterMs >= 0)
    QTimer::singleShot(opts.QuitAfterMs, mainForm, [] { Application->Terminate(); });
}
