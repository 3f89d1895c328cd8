#include "Properties.h"

#include "Classes.h"
#include "FormDescriptionsModel.h"
#include "Graphics.h"

#include <QMetaClassInfo>

using kv::Exception;

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

// Description texts for values other than the current one, the streaming default first: a
// value equal to it is the one a description leaves out.
QStringList OtherValues(const QObject* object, const QMetaProperty& property, PropertyKind kind,
                        const QString& current) {
  QStringList texts;
  if (kv::form::HasStreamingDefault(*object->metaObject(), property)) {
    const QString def = kv::form::StreamingDefault(*object->metaObject(), property);
    texts << (kind == PropertyKind::String ? QString::fromLatin1(kv::form::QuoteString(def)) : def);
  }
  switch (kind) {
    case PropertyKind::Boolean: texts << QStringLiteral("True") << QStringLiteral("False"); break;
    case PropertyKind::Integer: {
      const qint64 n = current.toLongLong();
      for (qint64 d : {1, -1, 2, 7}) texts << QString::number(n + d);
      break;
    }
    case PropertyKind::Real: texts << QString::number(current.toDouble() + 0.5); break;
    case PropertyKind::String: texts << QStringLiteral("'Another text'"); break;
    case PropertyKind::Colour:
      texts << QStringLiteral("$00123456") << QStringLiteral("clRed");
      break;
    case PropertyKind::Enumeration:
    case PropertyKind::Set: {
      const QMetaEnum e = property.enumerator();
      for (int i = 0; i < e.keyCount(); ++i)
        texts << (kind == PropertyKind::Set ? QStringLiteral("[%1]") : QStringLiteral("%1"))
                     .arg(QLatin1String(e.key(i)));
      break;
    }
    default: break;
  }
  return texts;
}

// Sets a simple property to a value other than its current one that the setter takes;
// false when there is none.
bool ChangeSimple(QObject* object, const QMetaProperty& property, PropertyKind kind) {
  const QByteArray before = kv::form::FormatValue(property, kind, property.read(object));
  for (const QString& text : OtherValues(object, property, kind, QString::fromLatin1(before))) {
    try {
      property.write(object,
                     kv::form::ConvertValue(property, kind, kv::form::ParseValueText(text)));
    } catch (const Exception&) {
      continue;  // a setter that raises for this value ("Value out of range.")
    }
    if (kv::form::FormatValue(property, kind, property.read(object)) != before) return true;
  }
  return false;
}

bool ChangePicture(QObject* object, const QMetaProperty& property) {
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  bitmap.Canvas()->SetPixels(1, 1, clRed);
  if (property.metaType() == QMetaType::fromType<TPicture*>()) {
    TPicture picture;
    picture.Bitmap()->Assign(&bitmap);
    return property.write(object, QVariant::fromValue(&picture));
  }
  return property.write(object, QVariant::fromValue(&bitmap));
}

void CollectChangeable(QObject* object, const QByteArray& prefix, QByteArrayList& paths) {
  for (const QMetaProperty& property : kv::form::PublishedProperties(*object->metaObject())) {
    if (!property.isStored() || !property.isWritable()) continue;
    const QByteArray name = prefix + property.name();
    const PropertyKind kind = kv::form::KindOf(property, object);
    if (kind == PropertyKind::NestedObject)
      CollectChangeable(kv::form::ObjectValue(property, object), name + '.', paths);
    else if (kind == PropertyKind::Picture || kv::form::IsSimpleKind(kind)) paths << name;
  }
}

}  // namespace

QByteArrayList ChangeablePropertyPaths(QObject* object) {
  QByteArrayList paths;
  CollectChangeable(object, QByteArray(), paths);
  return paths;
}

PropertyAtPath PropertyAt(QObject* object, const QByteArray& path) {
  const QByteArrayList names = path.split('.');
  for (qsizetype i = 0; i + 1 < names.size(); ++i) {
    const QMetaObject& meta = *object->metaObject();
    object = kv::form::ObjectValue(meta.property(meta.indexOfProperty(names[i].constData())),
                                   object);
  }
  const QMetaObject& meta = *object->metaObject();
  return {object, meta.property(meta.indexOfProperty(names.back().constData()))};
}

bool ChangeProperty(QObject* object, const QByteArray& path) {
  const auto [holder, property] = PropertyAt(object, path);
  const PropertyKind kind = kv::form::KindOf(property, holder);
  if (kind == PropertyKind::Picture) return ChangePicture(holder, property);
  return ChangeSimple(holder, property, kind);
}

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
