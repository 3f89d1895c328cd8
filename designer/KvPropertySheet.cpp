#include "KvPropertySheet.h"

#include "Controls.h"
#include "Graphics.h"

#include <QColor>
#include <QMetaProperty>
#include <QtDesigner/QExtensionManager>

#include <exception>

TKvPropertySheet::TKvPropertySheet(QDesignerPropertySheetExtension* base, QObject* baseObject,
                                   QObject* control, QObject* parent)
    : QObject(parent), FBase(base), FControl(control) {
  // Never outlive the sheet this one speaks through.
  connect(baseObject, &QObject::destroyed, this, [this] { delete this; });
}

bool TKvPropertySheet::IsColour(int index) const {
  const QByteArray name = propertyName(index).toLatin1();
  const int at = FControl->metaObject()->indexOfProperty(name.constData());
  return at >= 0 &&
         FControl->metaObject()->property(at).metaType() == QMetaType::fromType<TColor>();
}

QVariant TKvPropertySheet::property(int index) const {
  const QVariant value = FBase->property(index);
  if (!IsColour(index)) return value;
  return QColor::fromRgb(kv::ColorToPixel(value.value<TColor>()));
}

// A refused value leaves the property as it was: Designer's editor shows the old value again
// instead of an exception unwinding through Designer.
void TKvPropertySheet::setProperty(int index, const QVariant& value) {
  QVariant stored = value;
  if (IsColour(index) && value.metaType() == QMetaType::fromType<QColor>())
    stored = QVariant::fromValue(kv::PixelToColor(value.value<QColor>().rgb()));
  try {
    FBase->setProperty(index, stored);
  } catch (const std::exception&) {
  }
}

bool TKvPropertySheet::reset(int index) {
  try {
    return FBase->reset(index);
  } catch (const std::exception&) {
    return false;
  }
}

TKvPropertySheetFactory::TKvPropertySheetFactory(QExtensionManager* parent)
    : QExtensionFactory(parent) {}

QObject* TKvPropertySheetFactory::createExtension(QObject* object, const QString& iid,
                                                  QObject* parent) const {
  if (FLookingUp || iid != QLatin1String(Q_TYPEID(QDesignerPropertySheetExtension)) ||
      !dynamic_cast<TControl*>(object))
    return nullptr;
  // Asked again while we look, we answer nothing: the manager goes on to the sheet it would
  // give without us.
  FLookingUp = true;
  QObject* baseObject = extensionManager()->extension(object, iid);
  FLookingUp = false;
  auto* base = qobject_cast<QDesignerPropertySheetExtension*>(baseObject);
  if (!base) return nullptr;
  return new TKvPropertySheet(base, baseObject, object, parent);
}
