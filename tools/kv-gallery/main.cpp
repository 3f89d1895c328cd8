// kv-gallery: a picture of every control registered for form descriptions, at the settings
// the demo gives it where a demo panel holds one, otherwise at its initial settings, with the
// data and text a user sees it at work with, and a page that shows them.
//
//   kv-gallery PAGE.md
//
// writes PAGE.md and one PNG per control class into the folder "gallery" next to it.
#include "Designing.h"
#include "KvAtWork.h"
#include "_frmLeds.h"
#include "_frmMeters.h"
#include "_frmMisc.h"
#include "_frmQelDemo.h"
#include "_frmScope.h"
#include "_frmStart.h"
#include "_frmSwitches.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

using kv::Exception;

namespace {

// A fixed moment (2026-01-02 10:08:30), so that clocks show the same picture on every run.
TDateTime FixedNow() { return kv::EncodeDate(2026, 1, 2) + kv::EncodeTime(10, 8, 30, 0); }

// The first component of that class on the demo's forms, in creation order, or none.
TControl* DemoControl(const TComponent* root, const QMetaObject& meta) {
  for (int i = 0; i < root->ComponentCount(); ++i) {
    TComponent* c = root->Components(i);
    // A control the demo keeps outside its panel (the meters panel's gauge) has no picture
    // there: a new one stands in for it.
    if (auto* control = dynamic_cast<TControl*>(c);
        control && control->metaObject()->className() == QByteArray(meta.className()) &&
        (!control->parentWidget() || control->parentWidget()->rect().contains(control->geometry())))
      return control;
    if (TControl* inner = DemoControl(c, meta)) return inner;
  }
  return nullptr;
}

// Whether a picture is one flat colour.
bool IsFlat(const QImage& picture) {
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (picture.pixel(x, y) != picture.pixel(0, 0)) return false;
  return true;
}

int Fail(const QString& message) {
  std::fprintf(stderr, "kv-gallery: %s\n", qPrintable(message));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication qtApplication(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 2) return Fail(QStringLiteral("usage: kv-gallery PAGE.md"));
  const QFileInfo page(args[1]);
  const QDir pictures(page.absoluteDir().filePath(QStringLiteral("gallery")));
  if (!QDir().mkpath(pictures.path()))
    return Fail(QStringLiteral("cannot make ") + pictures.path());

  kv::SetClockForTesting(&FixedNow);
  kv::RandSeed(1);
  kv::SetSysColorSource(kv::SysColorSource::Classic);
  TApplication application;
  try {
    application.CreateForm(frmQelDemo);
    application.CreateForm(frmMeters);
    application.CreateForm(frmLeds);
    application.CreateForm(frmSwitches);
    application.CreateForm(frmScope);
    application.CreateForm(frmMisc);
    application.CreateForm(frmStart);
  } catch (const Exception& e) {
    return Fail(e.Message());
  }

  QString text = QStringLiteral(
      "# Gallery\n\n"
      "Every control of the library, as the demo sets it up where one of its panels holds it,\n"
      "otherwise as a new control is, with data where it shows data and a plain caption where\n"
      "it shows text. Written by `kv-gallery` (`cmake --build --preset default --target\n"
      "gallery`); do not edit by hand.\n\n"
      "| Control | Picture |\n|---|---|\n");
  for (const kv::TRegisteredClass* cls : kv::RegisteredControls()) {
    const QString name = QString::fromLatin1(cls->metaObject->className());
    QImage picture;
    std::unique_ptr<TComponent> own;
    try {
      // A demo control that shows one flat colour (the borderless box the panels lie in)
      // says nothing of its class: a new one stands in.
      if (TControl* control = DemoControl(&application, *cls->metaObject)) {
        kv::ShowAtWork(control);
        picture = kv::ControlPicture(control);
      }
      if (picture.isNull() || IsFlat(picture)) {
        own.reset(cls->create(nullptr));
        auto* control = dynamic_cast<TControl*>(own.get());
        kv::ShowAtWork(control);
        picture = kv::ControlPicture(control);
      }
    } catch (const Exception& e) {
      return Fail(name + QStringLiteral(": ") + e.Message());
    }
    const QString file = name + QStringLiteral(".png");
    if (picture.isNull() || !picture.save(pictures.filePath(file), "PNG"))
      return Fail(QStringLiteral("cannot write ") + pictures.filePath(file));
    text += QStringLiteral("| `%1` | ![%1](gallery/%2) |\n").arg(name, file);
  }

  QFile out(page.absoluteFilePath());
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text.toUtf8()) < 0)
    return Fail(QStringLiteral("cannot write ") + page.absoluteFilePath());
  kv::SetClockForTesting(nullptr);
  return 0;
}
