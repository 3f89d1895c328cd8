// Writes the picture of every registered control, made and set up from C++ the way the
// Python tests make and set up their own (tests/test_controls.py): made without a parent,
// placed in a layout, its value and caption set, grabbed once the event loop has run.
// Usage: kv-python-pictures FOLDER  (writes FOLDER/<class name>.png)
#include "Designing.h"
#include "Controls.h"

#include <QApplication>
#include <QDir>
#include <QMetaProperty>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>

namespace {

constexpr int kValue = 30;
const char* const kCaption = "Kv";

void ApplySettings(QObject* control) {
  const QMetaObject* meta = control->metaObject();
  const QMetaProperty value = meta->userProperty();
  if (value.isValid() && value.isWritable() && value.metaType().id() == QMetaType::Int)
    value.write(control, kValue);
  const int caption = meta->indexOfProperty("Caption");
  if (caption >= 0 && meta->property(caption).isWritable())
    meta->property(caption).write(control, QString::fromLatin1(kCaption));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kv-python-pictures FOLDER\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  for (const kv::TRegisteredClass* registered : kv::RegisteredControls()) {
    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* control = dynamic_cast<TControl*>(registered->create(nullptr));
    layout->addWidget(control);
    ApplySettings(control);
    host.adjustSize();
    QApplication::processEvents();
    const QString name = QString::fromLatin1(registered->metaObject->className());
    if (!control->grab().toImage().save(folder.filePath(name + ".png"))) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
      return 1;
    }
  }
  return 0;
}
