// What the reader and the writer of form descriptions share: which properties and events a
// class publishes, the kinds of values, their conversion from and to description text, the
// binary properties a class defines and the record of event bindings.
#pragma once

#include "KvExport.h"

#include "Classes.h"
#include "FormReaderSyntax.h"

#include <QByteArray>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QVariant>

#include <vector>

namespace kv::form {

// Qt's own properties and signals (objectName, geometry, destroyed, ...) are not part of
// descriptions: only those declared by the framework's classes and below are published.
KV_EXPORT int FirstPublishedProperty(const QMetaObject& meta);
KV_EXPORT int FirstPublishedMethod(const QMetaObject& meta);

// The published property of that name (case-insensitive; a redeclaration in a derived
// class hides the base's), or an invalid one.
KV_EXPORT QMetaProperty FindPublishedProperty(const QMetaObject& meta, const QString& name);
// Published properties in declaration order, each name once.
KV_EXPORT std::vector<QMetaProperty> PublishedProperties(const QMetaObject& meta);

// Published methods of that name and type (case-insensitive), in declaration order.
// Slots count only when public.
KV_EXPORT std::vector<QMetaMethod> PublishedMethods(const QMetaObject& meta, const QString& name,
                                                    QMetaMethod::MethodType type);

enum class PropertyKind {
  Boolean,
  Integer,
  Real,
  String,
  Colour,
  Enumeration,
  Set,                 // simple values
  Picture,             // TPicture* or TBitmap*: BMP data inline or a named resource
  NestedObject,        // an owned style object, changed in place
  Collection,          // a TCollection, changed in place
  ComponentReference,  // another component of the same description, by name
  Unsupported
};
// Pointer-typed properties are told apart by what they hold: an owned object that is not a
// component is nested; a component (or nothing) is a reference.
KV_EXPORT PropertyKind KindOf(const QMetaProperty& property, const QObject* instance);
KV_EXPORT bool IsSimpleKind(PropertyKind kind);
// The object a pointer-typed property holds (none for other types).
KV_EXPORT QObject* ObjectValue(const QMetaProperty& property, const QObject* instance);

// A simple value for the property; raises EConvertError for a value of another type or
// outside the type's range, and for an identifier that is no member of the enumeration.
KV_EXPORT QVariant ConvertValue(const QMetaProperty& property, PropertyKind kind,
                                const ValueNode& value);
// The description text of a simple value; raises EWriteError for a value the syntax cannot
// express (a non-finite real, an enumeration value without a name).
KV_EXPORT QByteArray FormatValue(const QMetaProperty& property, PropertyKind kind,
                                 const QVariant& value);
// A quoted string: printable text in quotes ('' for a quote), other characters as #code.
KV_EXPORT QByteArray QuoteString(QStringView text);

// A simple property of a style object a control holds, named by its dotted path ("Bevel.Style",
// "Scale.Font.Size"): form tools (Qt Designer, uic, the form loader) know it by that name.
struct KV_EXPORT NestedProperty {
  QByteArray name;
  QObject* holder = nullptr;  // the style object that has it; none when the name reaches none
  QMetaProperty property;
  PropertyKind kind = PropertyKind::Unsupported;
};
// Every stored, writable simple property of the style objects Object holds, nested ones
// included, in declaration order.
KV_EXPORT std::vector<NestedProperty> NestedProperties(QObject* object);
// The one a dotted name (case-insensitive) reaches in Object.
KV_EXPORT NestedProperty FindNestedProperty(QObject* object, const QByteArray& name);
// Its value as form tools hold one: a colour as a QColor, an enumeration or a set as its
// description text ("bsLowered", "[fsBold, fsItalic]"), any other as it is.
KV_EXPORT QVariant NestedValue(const NestedProperty& nested);
// Sets it through its setter from such a value (a text also as UTF-8 bytes). Raises EConvertError for a text that is no
// value of its type, and whatever the setter raises.
KV_EXPORT void SetNestedValue(const NestedProperty& nested, const QVariant& value);

// The streaming default of a property (the class information "default.<Name>"), if any.
KV_EXPORT bool HasStreamingDefault(const QMetaObject& meta, const QMetaProperty& property);
KV_EXPORT QString StreamingDefault(const QMetaObject& meta, const QMetaProperty& property);
// The same by a dotted name: a class states the defaults of the style objects it holds as its
// own initial values ("default.Font.Name"), where they differ from the style class's.
KV_EXPORT bool HasStreamingDefault(const QMetaObject& meta, const QByteArray& name);
KV_EXPORT QString StreamingDefault(const QMetaObject& meta, const QByteArray& name);

struct KV_EXPORT BinaryProperty {
  QString name;
  TFiler::TStreamProc read;
  TFiler::TStreamProc write;
  bool hasData = false;
};
// The binary properties the object defines through DefineProperties.
KV_EXPORT std::vector<BinaryProperty> BinaryPropertiesOf(QObject* instance);

// Event bindings made by BindEvent, by event name: the writer stores them back.
KV_EXPORT void RecordHandler(QObject* sender, const QString& eventName, const QString& handlerName);
KV_EXPORT QString RecordedHandler(const QObject* sender, const QString& eventName);

}  // namespace kv::form
