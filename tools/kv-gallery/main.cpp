// kv-gallery: a picture of every control registered for form descriptions, at the settings
// the demo gives it where a demo panel holds one, otherwise at its initial settings, with the
// data and text a user sees it at work with, and a page that shows them.
//
//   kv-gallery PAGE.md
//
// writes PAGE.md and one PNG per control class into the folder "gallery" next to it.
#include "Designing.h"
#include "KvHyperCtrls.h"
#include "KvLabel.h"
#include "KvScope.h"
#include "KvSpectrum.h"
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
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numbers>

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

// A wave through the middle of Min .. Max: Amplitude (a share of the range) at step I of a
// period of Period steps, shifted by Phase.
int Wave(int min, int max, double amplitude, int i, double period, double phase) {
  const double middle = (double(min) + max) / 2;
  const double swing = amplitude * (double(max) - min) / 2;
  return int(std::lround(middle + swing * std::sin(2 * std::numbers::pi * i / period + phase)));
}

// The scope's traces as they stand once its window has filled: a slow and a fast wave.
void FillScope(TKvScope* scope) {
  const int steps = scope->Width() / std::max(1, scope->Frequency()) + 1;
  for (int i = 0; i < steps; ++i) {
    QList<int> values;
    for (int channel = 0; channel < scope->Channels()->Count(); ++channel)
      values << Wave(scope->MinValue(), scope->MaxValue(), 0.8 / (channel + 1), i,
                     40.0 / (channel + 1), channel);
    scope->AddValues(values);
  }
}

// The spectrum of a sound: strong low bands falling off towards the high ones, with ripples.
void FillSpectrum(TKvSpectrum* spectrum) {
  const double range = double(spectrum->MaxValue()) - spectrum->MinValue();
  for (int i = 0; i < spectrum->Count(); ++i) {
    const double share = 0.9 * std::exp(-1.5 * i / spectrum->Count()) +
                         0.1 * std::sin(1.7 * i) * std::sin(1.7 * i);
    spectrum->Items(i)->SetPosition(spectrum->MinValue() + int(std::lround(share * range)));
  }
}

// What a picture of the control at its settings lacks: the demo fills the scope and the
// spectrum only while its timers run, its labels are headings that name other controls, and
// a new hyperlink has no text.
void ShowAtWork(TControl* control) {
  if (auto* scope = qobject_cast<TKvScope*>(control)) {
    FillScope(scope);
  } else if (auto* spectrum = qobject_cast<TKvSpectrum*>(control)) {
    FillSpectrum(spectrum);
  } else if (auto* label = qobject_cast<TKvLabel*>(control)) {
    label->SetCaption(QStringLiteral("Label"));
  } else if (auto* link = qobject_cast<TKvHyperLink*>(control); link && link->Caption().isEmpty()) {
    link->SetCaption(QStringLiteral("Hyperlink"));
  }
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
        ShowAtWork(control);
        picture = kv::ControlPicture(control);
      }
      if (picture.isNull() || IsFlat(picture)) {
        own.reset(cls->create(nullptr));
        auto* control = dynamic_cast<TControl*>(own.get());
        ShowAtWork(control);
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
