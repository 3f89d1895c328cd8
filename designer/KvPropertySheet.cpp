#include "KvPropertySheet.h"

#include "ClassRegistry.h"
#include "Controls.h"
#include "FormDescriptionsModel.h"
#include "Graphics.h"

#include <QColor>
#include <QMetaProperty>
#include <QtDesigner/QExtensionManager>

#include <exception>
#include <memory>

using kv::form::FindNestedProperty;

namespace {

const QString kSheet = Q_TYPEID(QDesignerPropertySheetExtension);
const QString kDynamicSheet = Q_TYPEID(QDesignerDynamicPropertySheetExtension);

}  // namespace

TKvPropertySheet::TKvPropertySheet(QDesignerPropertySheetExtension* base,
                                   QDesignerDynamicPropertySheetExtension* baseDynamic,
                                   QObject* baseObject, QObject* control, QObject* parent)
    : QObject(parent), FBase(base), FBaseDynamic(baseDynamic), FControl(control) {
  // Never outlive the sheet this one speaks through.
  connect(baseObject, &QObject::destroyed, this, [this] { delete this; });
  for (const kv::form::NestedProperty& nested : kv::form::NestedProperties(control))
    FNested.append(nested.name);
  FNestedChanged.fill(false, FNested.size());
}

int TKvPropertySheet::NestedAt(int index) const {
  const int at = index - FBase->count();
  return at >= 0 && at < FNested.size() ? at : -1;
}

int TKvPropertySheet::count() const { return FBase->count() + int(FNested.size()); }

int TKvPropertySheet::indexOf(const QString& name) const {
  const int index = FBase->indexOf(name);
  if (index >= 0) return index;
  const int at = int(FNested.indexOf(name.toLatin1()));
  return at >= 0 ? FBase->count() + at : -1;
}

QString TKvPropertySheet::propertyName(int index) const {
  const int at = NestedAt(index);
  return at < 0 ? FBase->propertyName(index) : QString::fromLatin1(FNested[at]);
}

// A style object's fields are grouped under the object's name.
QString TKvPropertySheet::propertyGroup(int index) const {
  const int at = NestedAt(index);
  return at < 0 ? FBase->propertyGroup(index) : QString::fromLatin1(FNested[at].split('.')[0]);
}

void TKvPropertySheet::setPropertyGroup(int index, const QString& group) {
  if (NestedAt(index) < 0) FBase->setPropertyGroup(index, group);
}

bool TKvPropertySheet::hasReset(int index) const {
  return NestedAt(index) >= 0 || FBase->hasReset(index);
}

// A style object itself is no value Designer can edit: its fields stand for it.
bool TKvPropertySheet::isVisible(int index) const {
  return NestedAt(index) >= 0 || (FBase->isVisible(index) && !IsObject(index));
}

void TKvPropertySheet::setVisible(int index, bool b) {
  if (NestedAt(index) < 0) FBase->setVisible(index, b);
}

bool TKvPropertySheet::isAttribute(int index) const {
  return NestedAt(index) < 0 && FBase->isAttribute(index);
}

void TKvPropertySheet::setAttribute(int index, bool b) {
  if (NestedAt(index) < 0) FBase->setAttribute(index, b);
}

bool TKvPropertySheet::isChanged(int index) const {
  const int at = NestedAt(index);
  return at < 0 ? FBase->isChanged(index) : FNestedChanged[at];
}

void TKvPropertySheet::setChanged(int index, bool changed) {
  const int at = NestedAt(index);
  if (at < 0) FBase->setChanged(index, changed);
  else FNestedChanged[at] = changed;
}

bool TKvPropertySheet::isEnabled(int index) const {
  return NestedAt(index) >= 0 || FBase->isEnabled(index);
}

QMetaType TKvPropertySheet::TypeOf(int index) const {
  const QByteArray name = propertyName(index).toLatin1();
  const int at = FControl->metaObject()->indexOfProperty(name.constData());
  return at >= 0 ? FControl->metaObject()->property(at).metaType() : QMetaType();
}

bool TKvPropertySheet::IsColour(int index) const {
  return TypeOf(index) == QMetaType::fromType<TColor>();
}

bool TKvPropertySheet::IsObject(int index) const {
  return TypeOf(index).flags().testFlag(QMetaType::PointerToQObject);
}

bool TKvPropertySheet::dynamicPropertiesAllowed() const {
  return FBaseDynamic && FBaseDynamic->dynamicPropertiesAllowed();
}

int TKvPropertySheet::addDynamicProperty(const QString& propertyName, const QVariant& value) {
  return canAddDynamicProperty(propertyName)
             ? FBaseDynamic->addDynamicProperty(propertyName, value)
             : -1;
}

// Removing a changed field gives it back its value in a new control.
bool TKvPropertySheet::removeDynamicProperty(int index) {
  if (NestedAt(index) >= 0) return reset(index);
  return FBaseDynamic && FBaseDynamic->removeDynamicProperty(index);
}

bool TKvPropertySheet::isDynamicProperty(int index) const {
  const int at = NestedAt(index);
  if (at >= 0) return FNestedChanged[at];
  return FBaseDynamic && FBaseDynamic->isDynamicProperty(index);
}

bool TKvPropertySheet::canAddDynamicProperty(const QString& propertyName) const {
  return FBaseDynamic && !FNested.contains(propertyName.toLatin1()) &&
         FBaseDynamic->canAddDynamicProperty(propertyName);
}

// A text (an enumeration's or a set's, or a string field) goes to Designer as bytes: Designer
// keeps those as they are, where it would wrap a string into a translatable text of its own.
QVariant TKvPropertySheet::property(int index) const {
  const int at = NestedAt(index);
  if (at >= 0) {
    const QVariant value = kv::form::NestedValue(FindNestedProperty(FControl, FNested[at]));
    return value.metaType().id() == QMetaType::QString ? QVariant(value.toString().toUtf8())
                                                         : value;
  }
  const QVariant value = FBase->property(index);
  if (!IsColour(index)) return value;
  return QColor::fromRgb(kv::ColorToPixel(value.value<TColor>()));
}

// A refused value leaves the property as it was: Designer's editor shows the old value again
// instead of an exception unwinding through Designer.
void TKvPropertySheet::setProperty(int index, const QVariant& value) {
  const int at = NestedAt(index);
  if (at >= 0) {
    try {
      kv::form::SetNestedValue(FindNestedProperty(FControl, FNested[at]), value);
    } catch (const std::exception&) {
    }
    return;
  }
  QVariant stored = value;
  if (IsColour(index) && value.metaType() == QMetaType::fromType<QColor>())
    stored = QVariant::fromValue(kv::PixelToColor(value.value<QColor>().rgb()));
  try {
    FBase->setProperty(index, stored);
  } catch (const std::exception&) {
  }
}

// A style object's field goes back to what a new control of the class has.
bool TKvPropertySheet::reset(int index) {
  const int at = NestedAt(index);
  if (at >= 0) {
    const kv::TRegisteredClass* type =
        kv::FindRegisteredClass(QString::fromLatin1(FControl->metaObject()->className()));
    if (!type) return false;
    const std::unique_ptr<TComponent> fresh(type->create(nullptr));
    auto* twin = dynamic_cast<QObject*>(fresh.get());
    if (!twin) return false;
    setProperty(index, kv::form::NestedValue(FindNestedProperty(twin, FNested[at])));
    FNestedChanged[at] = false;
    return true;
  }
  try {
    return FBase->reset(index);
  } catch (const std::exception&) {
    return false;
  }
}

TKvPropertySheetFactory::TKvPropertySheetFactory(QExtensionManager* parent)
    : QExtensionFactory(parent) {}

void TKvPropertySheetFactory::Register(QExtensionManager* manager) {
  auto* factory = new TKvPropertySheetFactory(manager);
  manager->registerExtensions(factory, kSheet);
  manager->registerExtensions(factory, kDynamicSheet);
}

QObject* TKvPropertySheetFactory::createExtension(QObject* object, const QString& iid,
                                                  QObject* parent) const {
  if (FLookingUp || !dynamic_cast<TControl*>(object)) return nullptr;
  // The dynamic sheet is the same sheet, so that both count the same properties.
  if (iid == kDynamicSheet) return extensionManager()->extension(object, kSheet);
  if (iid != kSheet) return nullptr;
  // Asked again while we look, we answer nothing: the manager goes on to the sheet it would
  // give without us.
  FLookingUp = true;
  QObject* baseObject = extensionManager()->extension(object, iid);
  QObject* baseDynamic = extensionManager()->extension(object, kDynamicSheet);
  FLookingUp = false;
  auto* base = qobject_cast<QDesignerPropertySheetExtension*>(baseObject);
  if (!base) return nullptr;
  return new TKvPropertySheet(
      base, qobject_cast<QDesignerDynamicPropertySheetExtension*>(baseDynamic), baseObject, object,
      parent);
}
