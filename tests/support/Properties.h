// What a class declares for form descriptions: its own published properties and their
// streaming defaults (inherited ones excluded).
#pragma once

#include <QByteArray>
#include <QMetaObject>

#include <map>
#include <vector>

namespace kvtest {

// The class's own published properties, in declaration order.
std::vector<QByteArray> OwnPropertyNames(const QMetaObject& meta);
// The class's own streaming defaults ("default.X" class infos), by property name.
std::map<QByteArray, QByteArray> StreamingDefaults(const QMetaObject& meta);

}  // namespace kvtest
