#include "KvDesignerPlugin.h"

#include "Controls.h"
#include "Designing.h"
#include "KvAtWork.h"
#include "KvPropertySheet.h"

#include <QMetaProperty>
#include <QPainter>
#include <QPixmap>
#include <QtDesigner/QDesignerFormEditorInterface>
#include <QtDesigner/QDesignerFormWindowInterface>
#include <QtDesigner/QExtensionManager>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {

constexpr int kIconSize = 64;
// An icon shows a control no longer than twice its other side: a long designed shape
// squeezed into a square would be a thin line.
constexpr int kIconAspect = 2;

// The first writable text property of these names, if it is empty, gets a short word.
constexpr const char* kTextProperties[] = {"Caption", "Text"};

// What a new control shows once placed, made legible at icon size: in the design state, as
// Designer shows it, with data where it shows data, a word where its text is empty, and its
// value two thirds up its range, so that a level, a needle or a lit part shows.
void StageForIcon(TControl* control) {
  kv::SetDesigning(control, true);
  kv::ShowAtWork(control);
  const QMetaObject* meta = control->metaObject();
  for (const char* name : kTextProperties) {
    const QMetaProperty text = meta->property(meta->indexOfProperty(name));
    if (text.isWritable() && text.read(control).toString().isEmpty())
      text.write(control, QStringLiteral("Abc"));
  }
  const QMetaProperty value = meta->userProperty();
  const QMetaProperty min = meta->property(meta->indexOfProperty("MinValue"));
  const QMetaProperty max = meta->property(meta->indexOfProperty("MaxValue"));
  if (value.metaType() == QMetaType::fromType<int>() && min.isReadable() && max.isReadable()) {
    const int64_t low = min.read(control).toInt();
    const int64_t high = max.read(control).toInt();
    value.write(control, int(low + (high - low) * 2 / 3));
  }
}

// A shape an icon shows: the short side grown to half the long one; a control of no size at
// all takes the icon's square.
void ShapeForIcon(TControl* control) {
  int width = control->Width();
  int height = control->Height();
  if (width <= 0 || height <= 0) width = height = kIconSize;
  control->SetBounds(0, 0, std::max(width, (height + kIconAspect - 1) / kIconAspect),
                     std::max(height, (width + kIconAspect - 1) / kIconAspect));
}

// The picture of a control that kept its own size, still too long, cut from its start.
QImage CutForIcon(const QImage& picture) {
  return picture.copy(0, 0, std::min(picture.width(), kIconAspect * picture.height()),
                      std::min(picture.height(), kIconAspect * picture.width()));
}

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
  FInitialized = true;
  // One sheet factory serves every entry of the collection, in each form editor.
  QExtensionManager* manager = core->extensionManager();
  if (manager && !manager->findChild<TKvPropertySheetFactory*>())
    TKvPropertySheetFactory::Register(manager);
}

// Only a control placed on a Designer form is in the design state: a run-time loader of forms
// in the same program (Designer's own preview, a test) makes run-time controls.
QWidget* TKvDesignerWidget::createWidget(QWidget* parent) {
  TControl* control = NewControl();
  if (QDesignerFormWindowInterface::findFormWindow(parent)) kv::SetDesigning(control, true);
  control->setParent(parent);
  return control;
}

// The control drawn by itself, shaped and staged for an icon, scaled into the icon's square
// with its aspect kept.
QIcon TKvDesignerWidget::icon() const {
  if (!FIcon.isNull()) return FIcon;
  const std::unique_ptr<TControl> probe(NewControl());
  ShapeForIcon(probe.get());
  StageForIcon(probe.get());
  // A control that snaps its size to its layout as it paints (the spectrum's whole bars) draws
  // its frame only at the snapped size: the first picture settles it.
  kv::ControlPicture(probe.get());
  const QImage picture = CutForIcon(kv::ControlPicture(probe.get()));
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
