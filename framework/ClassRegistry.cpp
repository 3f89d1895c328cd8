#include "ClassRegistry.h"

#include "Forms.h"

#include <map>

namespace kv {

namespace {

// Keyed by the upper-cased class name: class names are case-insensitive in descriptions.
// A map keeps its entries in place, so the pointers handed out stay valid.
std::map<QString, TRegisteredClass>& Registry() {
  static std::map<QString, TRegisteredClass> registry;
  return registry;
}

// The framework's own classes that descriptions place.
[[maybe_unused]] const bool kFrameworkClasses = RegisterClasses<TForm, TScrollBox>();

}  // namespace

void RegisterComponentClass(const QMetaObject& metaObject, TComponentFactory factory) {
  const QString name = QString::fromLatin1(metaObject.className());
  TRegisteredClass& entry = Registry()[name.toUpper()];
  if (entry.metaObject && entry.metaObject != &metaObject)
    throw EInvalidOperation(QStringLiteral("A class named %1 is already registered").arg(name));
  entry.metaObject = &metaObject;
  entry.create = std::move(factory);
}

const TRegisteredClass* FindRegisteredClass(const QString& name) {
  RunStartupHooks();
  const auto it = Registry().find(name.toUpper());
  return it == Registry().end() ? nullptr : &it->second;
}

std::vector<const TRegisteredClass*> RegisteredClasses() {
  RunStartupHooks();
  std::vector<const TRegisteredClass*> classes;
  for (const auto& [name, entry] : Registry()) classes.push_back(&entry);
  return classes;
}

}  // namespace kv
