// A window with one of each registered control, for the screen-reader test: each named by its
// hint (its class name), valued ones set into their range. Writes what Qt's accessibility API
// reports of every control to the file named by the first argument, as JSON, then prints
// "ready" and runs until closed. A line "change" on standard input changes every value once.
#include "Designing.h"
#include "Forms.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QSocketNotifier>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWindowWidth = 1400;

// A value a third of the way into the control's range, so that no control reads its default.
void SetValue(TControl* control) {
  const QMetaProperty value = control->metaObject()->userProperty();
  if (!value.isValid()) return;
  if (value.typeId() == QMetaType::Bool) {
    value.write(control, true);
    return;
  }
  QAccessibleValueInterface* range =
      QAccessible::queryAccessibleInterface(control)->valueInterface();
  if (!range || !range->minimumValue().isValid() || !range->maximumValue().isValid()) return;
  const double min = range->minimumValue().toDouble(), max = range->maximumValue().toDouble();
  value.write(control, QVariant(std::round(min + (max - min) / 3)));
}

// Another value: one step within the range, the other state.
void ChangeValue(TControl* control) {
  const QMetaProperty value = control->metaObject()->userProperty();
  if (!value.isValid()) return;
  if (value.typeId() == QMetaType::Bool) {
    value.write(control, !value.read(control).toBool());
    return;
  }
  QAccessibleValueInterface* range =
      QAccessible::queryAccessibleInterface(control)->valueInterface();
  const double now = value.read(control).toDouble();
  const bool atMax = range->maximumValue().isValid() && now + 1 > range->maximumValue().toDouble();
  value.write(control, QVariant(atMax ? now - 1 : now + 1));
}

QJsonObject Describe(TControl* control) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
  QJsonObject entry{
      {"class", QString::fromLatin1(control->metaObject()->className())},
      {"name", face->text(QAccessible::Name)},
      {"role",
       QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(face->role()))},
      {"text", face->text(QAccessible::Value)},
  };
  if (QAccessibleValueInterface* value = face->valueInterface())
    entry.insert("value", value->currentValue().toDouble());
  if (face->state().checkable || control->metaObject()->userProperty().typeId() == QMetaType::Bool)
    entry.insert("checked", bool(face->state().checked));
  const QMetaProperty value = control->metaObject()->userProperty();
  entry.insert("announces", value.isValid() && value.hasNotifySignal());
  return entry;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qtApplication(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: kv-atspi-panel MANIFEST.json\n");
    return 2;
  }
  TForm form(nullptr);
  form.SetCaption(QStringLiteral("Kelvara controls"));
  QJsonArray manifest;
  std::vector<TControl*> controls;
  int x = 0, y = 0, rowHeight = 0;
  for (const kv::TRegisteredClass* c : kv::RegisteredControls()) {
    auto* control = dynamic_cast<TControl*>(c->create(&form));
    const QString name = QString::fromLatin1(c->metaObject->className());
    // The form shape would cut the window to its mask.
    if (name == QLatin1String("TKvFormShape")) {
      delete control;
      continue;
    }
    const int w = std::min(control->Width(), 300), h = std::min(control->Height(), 200);
    if (x + w > kWindowWidth) x = 0, y += rowHeight + 8, rowHeight = 0;
    control->SetParent(&form);
    control->SetBounds(x, y, w, h);
    x += w + 8;
    rowHeight = std::max(rowHeight, h);
    control->SetCaption(QString());
    control->SetHint(name);
    SetValue(control);
    controls.push_back(control);
    manifest.append(Describe(control));
  }
  form.SetBounds(0, 0, kWindowWidth, y + rowHeight);
  form.Show();

  QFile out(QString::fromLocal8Bit(argv[1]));
  if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(manifest).toJson()) < 0) {
    std::fprintf(stderr, "kv-atspi-panel: cannot write %s\n", argv[1]);
    return 1;
  }
  out.close();
  QSocketNotifier input(0, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char line[64] = {};
    if (!std::fgets(line, sizeof line, stdin)) {
      input.setEnabled(false);
      return;
    }
    if (QByteArray(line).trimmed() == "change")
      for (TControl* control : controls) ChangeValue(control);
  });
  std::printf("ready\n");
  std::fflush(stdout);
  return QApplication::exec();
}
