#include "Properties.h"

#include "Classes.h"
#include "FormDescriptionsModel.h"
#include "Graphics.h"

#include <QMetaClassInfo>
#include <QMetaProperty>

namespace kvtest {

namespace {

using kv::form::PropertyKind;
using Values = std::map<QByteArray, QByteArray>;

const TBitmap* BitmapOf(const QMetaProperty& property, QObject* object) {
  QObject* held = kv::form::ObjectValue(property, object);
  if (property.metaType() == QMetaType::fromType<TPicture*>())
    return held ? static_cast<TPicture*>(held)->Bitmap() : nullptr;
  return static_cast<TBitmap*>(held);
}

QByteArray PictureText(const TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty()) return "{ }";
  TMemoryStream stream;
  bitmap->SaveToStream(stream);
  return stream.Data().toHex();
}

void Collect(QObject* object, const QByteArray& prefix, Values& values) {
  for (const QMetaProperty& property : kv::form::PublishedProperties(*object->metaObject())) {
    if (!property.isStored()) continue;
    const QByteArray name = prefix + property.name();
    const PropertyKind kind = kv::form::KindOf(property, object);
    if (kind == PropertyKind::NestedObject)
      Collect(kv::form::ObjectValue(property, object), name + '.', values);
    else if (kind == PropertyKind::Picture) values[name] = PictureText(BitmapOf(property, object));
    else if (kv::form::IsSimpleKind(kind))
      values[name] = kv::form::FormatValue(property, kind, property.read(object));
  }
}

}  // namespace

std::map<QByteArray, QByteArray> PublishedValues(QObject* object) {
  Values values;
  Collect(object, QByteArray(), values);
  return values;
}

std::vector<QByteArray> OwnPropertyNames(const QMetaObject& meta) {
  std::vector<QByteArray> names;
  for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
    names.emplace_back(meta.property(i).name());
  return names;
}

std::map<QByteArray, QByteArray> StreamingDefaults(const QMetaObject& meta) {
  std::map<QByteArray, QByteArray> defaults;
  for (int i = meta.classInfoOffset(); i < meta.classInfoCount(); ++i)
    if (const QByteArray name = meta.classInfo(i).name(); name.startsWith("default."))
      defaults[name.mid(8)] = meta.classInfo(i).value();
  return defaults;
}

}  // namespace kvtest
