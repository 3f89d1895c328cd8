// What a class declares for form descriptions: its own published properties and their
// streaming defaults (inherited ones excluded); and what an object holds in them.
#pragma once

#include <QByteArray>
#include <QMetaObject>

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

}  // namespace kvtest
