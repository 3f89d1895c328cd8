// What the reader and the writer of form descriptions share: which properties and events a
// class publishes, the kinds of values, their conversion from and to description text, the
// binary properties a class defines and the record of event bindings.
#pragma once

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
int FirstPublishedProperty(const QMetaObject& meta);
int FirstPublishedMethod(const QMetaObject& meta);

// The published property of that name (case-insensitive; a redeclaration in a derived
// class hides the base's), or an invalid one.
QMetaProperty FindPublishedProperty(const QMetaObject& meta, const QString& name);
// Published properties in declaration order, each name once.
std::vector<QMetaProperty> PublishedProperties(const QMetaObject& meta);

// Published methods of that name and type (case-insensitive), in declaration order.
// Slots count only when public.
std::vector<QMetaMethod> PublishedMethods(const QMetaObject& meta, const QString& name,
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
PropertyKind KindOf(const QMetaProperty& property, const QObject* instance);
bool IsSimpleKind(PropertyKind kind);
// The object a pointer-typed property holds (none for other types).
QObject* ObjectValue(const QMetaProperty& property, const QObject* instance);

// A simple value for the property; raises EConvertError for a value of another type or
// outside the type's range, and for an identifier that is no member of the enumeration.
QVariant ConvertValue(const QMetaProperty& property, PropertyKind kind, const ValueNode& value);
// The description text of a simple value; raises EWriteError for a value the syntax cannot
// express (a non-finite real, an enumeration value without a name).
QByteArray FormatValue(const QMetaProperty& property, PropertyKind kind, const QVariant& value);
// A quoted string: printable text in quotes ('' for a quote), other characters as #code.
QByteArray QuoteString(QStringView text);

// The streaming default of a property (the class information "default.<Name>"), if any.
bool HasStreamingDefault(const QMetaObject& meta, const QMetaProperty& property);
QString StreamingDefault(const QMetaObject& meta, const QMetaProperty& property);
// The same by a dotted name: a class states the defaults of the style objects it holds as its
// own initial values ("default.Font.Name"), where they differ from the style class's.
bool HasStreamingDefault(const QMetaObject& meta, const QByteArray& name);
QString StreamingDefault(const QMetaObject& meta, const QByteArray& name);

struct BinaryProperty {
  QString name;
  TFiler::TStreamProc read;
  TFiler::TStreamProc write;
  bool hasData = false;
};
// The binary properties the object defines through DefineProperties.
std::vector<BinaryProperty> BinaryPropertiesOf(QObject* instance);

// Event bindings made by BindEvent, by event name: the writer stores them back.
void RecordHandler(QObject* sender, const QString& eventName, const QString& handlerName);
QString RecordedHandler(const QObject* sender, const QString& eventName);

}  // namespace kv::form
