// What a class declares for form descriptions: its own published properties and their
// streaming defaults (inherited ones excluded); what an object holds in them; and changes to
// them, for the tests that walk every property of every control.
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QMetaObject>
#include <QMetaProperty>

class QObject;

#include <map>
#include <vector>

namespace kvtest {

// The class's own published properties, in declaration order.
std::vector<QByteArray> OwnPropertyNames(const QMetaObject& meta);
// The class's own streaming defaults ("default.X" class infos), by property name.
std::map<QByteArray, QByteArray> StreamingDefaults(const QMetaObject& meta);
// The value of every stored published property of Object as description text, by name;
// nested style objects by their dotted names, pictures as the hex of their stream.
std::map<QByteArray, QByteArray> PublishedValues(QObject* object);

// The dotted path of every published property of Object a user can change (stored and
// writable): simple values and pictures, nested style objects' properties by their paths.
QByteArrayList ChangeablePropertyPaths(QObject* object);
// The property at a dotted path and the object that holds it (Object or one nested in it).
struct PropertyAtPath {
  QObject* holder;
  QMetaProperty property;
};
PropertyAtPath PropertyAt(QObject* object, const QByteArray& path);
// Sets the property at Path to another value its setter takes, tried in turn: the streaming
// default first (the value a description leaves out), then by kind the next integers around
// the current one, the other boolean, another text, colour or real, each enumerator, a small
// picture. False when none sticks (the control's rules keep the value).
bool ChangeProperty(QObject* object, const QByteArray& path);

}  // namespace kvtest
