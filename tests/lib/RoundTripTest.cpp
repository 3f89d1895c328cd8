// Every value a user sets survives writing the form description and reading it back. The
// tests walk every registered control and every published property (nested style objects by
// their dotted names), so that later controls are covered without tests of their own.
#include "FormDescriptions.h"
#include "FormDescriptionsModel.h"
#include "Forms.h"
#include "Properties.h"
#include "RegisteredControls.h"

#include <gtest/gtest.h>

#include <QSet>

#include <functional>
#include <map>
#include <memory>

using kv::Exception;

namespace {

using kv::form::PropertyKind;
using Values = std::map<QByteArray, QByteArray>;

// Properties the walk leaves at their initial values. A running clock reads the time again
// when it is loaded, so its shown time cannot survive; the clock's tests cover Active.
const QSet<QByteArray> kLeftAlone = {"Active"};

// A form holding one control of the class, as a description makes it.
struct Holder {
  TForm form{nullptr};
  TControl* control;
  explicit Holder(const kv::TRegisteredClass& c) : control(kvtest::NewControl(c, &form)) {
    control->SetName(QStringLiteral("Probe"));
    control->SetParent(&form);
  }
};

// The control as it comes back from its form's description.
Values ReadBack(const Holder& original) {
  TForm copy(nullptr);
  kv::ReadComponent(&copy, kv::WriteComponent(&original.form), QStringLiteral("copy.kvf"));
  return kvtest::PublishedValues(
      dynamic_cast<TControl*>(copy.FindComponent(QStringLiteral("Probe"))));
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

// Calls Visit with the path of every changeable property of the control, nested ones included.
void ForEachProperty(QObject* object, const QByteArray& prefix,
                     const std::function<void(const QByteArray&)>& visit) {
  for (const QMetaProperty& property : kv::form::PublishedProperties(*object->metaObject())) {
    if (!property.isStored() || !property.isWritable() || kLeftAlone.contains(property.name()))
      continue;
    const QByteArray name = prefix + property.name();
    const PropertyKind kind = kv::form::KindOf(property, object);
    if (kind == PropertyKind::NestedObject)
      ForEachProperty(kv::form::ObjectValue(property, object), name + '.', visit);
    else if (kind == PropertyKind::Picture || kv::form::IsSimpleKind(kind)) visit(name);
  }
}

// Changes the property at the dotted path of the control; false when no other value sticks.
bool ChangeAt(QObject* object, const QByteArray& path) {
  const qsizetype dot = path.indexOf('.');
  const QMetaObject& meta = *object->metaObject();
  const QMetaProperty property =
      meta.property(meta.indexOfProperty(dot < 0 ? path.constData() : path.left(dot).constData()));
  const PropertyKind kind = kv::form::KindOf(property, object);
  if (dot >= 0) return ChangeAt(kv::form::ObjectValue(property, object), path.mid(dot + 1));
  if (kind == PropertyKind::Picture) return ChangePicture(object, property);
  return ChangeSimple(object, property, kind);
}

TEST(RoundTrip, EveryControlReadsBackItsInitialSettings) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    SCOPED_TRACE(kvtest::ClassNameOf(*c).toStdString());
    Holder original(*c);
    EXPECT_EQ(ReadBack(original), kvtest::PublishedValues(original.control));
  }
}

TEST(RoundTrip, EveryPropertyChangedToAnotherValueReadsBackAsSet) {
  for (const kv::TRegisteredClass* c : kvtest::RegisteredControls()) {
    QByteArrayList paths;
    {
      Holder probe(*c);
      ForEachProperty(probe.control, QByteArray(), [&](const QByteArray& p) { paths << p; });
    }
    for (const QByteArray& path : paths) {
      SCOPED_TRACE((kvtest::ClassNameOf(*c) + '.' + QString::fromLatin1(path)).toStdString());
      Holder original(*c);
      // A property the control's rules keep (an aligned or auto-sized control's bounds)
      // cannot lose a value.
      if (!ChangeAt(original.control, path)) continue;
      const Values expected = kvtest::PublishedValues(original.control);
      const Values actual = ReadBack(original);
      for (const auto& [name, value] : expected)
        EXPECT_EQ(actual.at(name).toStdString(), value.toStdString()) << name.constData();
    }
  }
}

}  // namespace
