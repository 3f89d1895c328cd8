// Writes the picture of every registered control, made and set up from C++ the way the
// Python tests make and set up their own (tests/test_controls.py): made without a parent,
// placed in a layout, its value and the settings below set, grabbed once the event loop has run and the
// picture has settled.
// Each control is drawn twice; the names of those whose two pictures differ go to
// FOLDER/unstable.txt, as no other picture can be expected to equal theirs.
// Usage: kv-python-pictures FOLDER  (writes FOLDER/<class name>.png)
#include "Designing.h"
#include "Controls.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMetaProperty>
#include <QVBoxLayout>

#include <cstdio>
#include <utility>

namespace {

constexpr int kValue = 30;
constexpr int kSettleRounds = 5;

// Properties set wherever a control has them: a caption to draw, and a fixed time for the
// clocks, which show the time they are made at.
const std::pair<const char*, QVariant> kSettings[] = {
    {"Caption", QStringLiteral("Kv")}, {"Hours", 10}, {"Minutes", 8}, {"Seconds", 30}};

void ApplySettings(QObject* control) {
  const QMetaObject* meta = control->metaObject();
  const QMetaProperty value = meta->userProperty();
  if (value.isValid() && value.isWritable() && value.metaType().id() == QMetaType::Int)
    value.write(control, kValue);
  for (const auto& [name, setting] : kSettings) {
    const int index = meta->indexOfProperty(name);
    if (index >= 0 && meta->property(index).isWritable())
      meta->property(index).write(control, setting);
  }
}

// A control may size itself while it paints (the gauge snaps to whole ticks): laid out and
// drawn until its picture stays the same.
QImage SettledPicture(QWidget* host, QWidget* control) {
  QImage picture;
  for (int round = 0; round < kSettleRounds; ++round) {
    host->adjustSize();
    QApplication::processEvents();
    const QImage next = control->grab().toImage();
    if (next == picture) break;
    picture = next;
  }
  return picture;
}

QImage PictureOf(const kv::TRegisteredClass& registered) {
  QWidget host;
  auto* layout = new QVBoxLayout(&host);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* control = dynamic_cast<TControl*>(registered.create(nullptr));
  layout->addWidget(control);
  ApplySettings(control);
  return SettledPicture(&host, control);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: kv-python-pictures FOLDER\n");
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  QFile unstable(folder.filePath("unstable.txt"));
  if (!unstable.open(QIODevice::WriteOnly)) return 1;
  for (const kv::TRegisteredClass* registered : kv::RegisteredControls()) {
    const QString name = QString::fromLatin1(registered->metaObject->className());
    const QImage picture = PictureOf(*registered);
    if (picture != PictureOf(*registered)) unstable.write(name.toLatin1() + "\n");
    if (!picture.save(folder.filePath(name + ".png"))) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(name));
      return 1;
    }
  }
  return 0;
}
