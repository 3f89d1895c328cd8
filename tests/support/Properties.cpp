#include "Properties.h"

#include <QMetaClassInfo>
#include <QMetaProperty>

namespace kvtest {

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
