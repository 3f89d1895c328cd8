#include "KvDesignerPlugin.h"

#include "Controls.h"
#include "Designing.h"
#include "KvPropertySheet.h"

#include <QPainter>
#include <QPixmap>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QExtensionManager>

#include <algorithm>
#include <memory>

namespace {

constexpr int kIconSize = 64;
// A long control is drawn for its icon no longer than this many times its other side: its
// designed shape squeezed into a square would be a sliver.
constexpr int kIconLongestSide = 2;

}  // namespace

TKvDesignerWidget::TKvDesignerWidget(const kv::TRegisteredClass& control, QObject* parent)
    : QObject(parent), FControl(control) {}

QString TKvDesignerWidget::name() const {
  return QString::fromLatin1(FControl.metaObject->className());
}

TControl* TKvDesignerWidget::NewControl() const {
  return dynamic_cast<TControl*>(FControl.create(nullptr));
}

void TKvDesignerWidget::initialize(QDesignerFormEditorInterface* core) {
  if (FDesigning) return;
  FDesigning = true;
  // One sheet factory serves every entry of the collection.
  QExtensionManager* manager = core->extensionManager();
  if (manager && !manager->findChild<TKvPropertySheetFactory*>())
    manager->registerExtensions(new TKvPropertySheetFactory(manager),
                                Q_TYPEID(QDesignerPropertySheetExtension));
}

QWidget* TKvDesignerWidget::createWidget(QWidget* parent) {
  TControl* control = NewControl();
  if (FDesigning) kv::SetDesigning(control, true);
  control->setParent(parent);
  return control;
}

// The control drawn by itself at its designed size, its long side cut down to a shape an
// icon shows legibly, then scaled into the icon's square with its aspect kept.
QIcon TKvDesignerWidget::icon() const {
  if (!FIcon.isNull()) return FIcon;
  const std::unique_ptr<TControl> probe(NewControl());
  const int width = probe->Width();
  const int height = probe->Height();
  probe->SetBounds(0, 0, std::min(width, kIconLongestSide * height),
                   std::min(height, kIconLongestSide * width));
  const QImage picture = kv::ControlPicture(probe.get());
  QPixmap square(kIconSize, kIconSize);
  square.fill(Qt::transparent);
  if (!picture.isNull()) {
    const QImage scaled =
        picture.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&square);
    painter.drawImage((kIconSize - scaled.width()) / 2, (kIconSize - scaled.height()) / 2, scaled);
  }
  FIcon = QIcon(square);
  return FIcon;
}

// A new entry's size is the control's size hint, its designed size.
QString TKvDesignerWidget::domXml() const {
  const std::unique_ptr<TControl> probe(NewControl());
  const QSize size = probe->sizeHint();
  QString objectName = name().mid(1);
  objectName[0] = objectName[0].toLower();
  return QStringLiteral(
             "<ui language=\"c++\">\n"
             " <widget class=\"%1\" name=\"%2\">\n"
             "  <property name=\"geometry\">\n"
             "   <rect><x>0</x><y>0</y><width>%3</width><height>%4</height></rect>\n"
             "  </property>\n"
             " </widget>\n"
             " <customwidgets>\n"
             "  <customwidget>\n"
             "   <class>%1</class>\n"
             "   <header location=\"global\">%5</header>\n"
             "  </customwidget>\n"
             " </customwidgets>\n"
             "</ui>\n")
      .arg(name(), objectName)
      .arg(size.width())
      .arg(size.height())
      .arg(includeFile());
}

TKvDesignerWidgets::TKvDesignerWidgets(QObject* parent) : QObject(parent) {
  for (const kv::TRegisteredClass* control : kv::RegisteredControls())
    FWidgets.append(new TKvDesignerWidget(*control, this));
}
