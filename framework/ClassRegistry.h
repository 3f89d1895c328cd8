// The classes that form descriptions can create, by class name.
#pragma once

#include "KvExport.h"

#include "Classes.h"

#include <QMetaObject>
#include <QString>

#include <functional>
#include <vector>

namespace kv {

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

struct KV_EXPORT TRegisteredClass {
  const QMetaObject* metaObject = nullptr;
  TComponentFactory create;
};

// Registers a component class under its meta-object's class name. Registering the same
// class again does nothing; another class under a name already taken raises
// EInvalidOperation.
KV_EXPORT void RegisterComponentClass(const QMetaObject& metaObject, TComponentFactory factory);

template <class T>
void RegisterClass() {
  RegisterComponentClass(T::staticMetaObject,
                         [](TComponent* owner) -> TComponent* { return new T(owner); });
}

// Registers several classes; returns true so that a unit can do it from a static
// initialiser: `[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TA, TB>();`
template <class... T>
bool RegisterClasses() {
  (RegisterClass<T>(), ...);
  return true;
}

// The class registered under Name (case-insensitive), or none. Runs the start-up hooks
// first, so that units registering from a hook are known even before the application
// object exists.
KV_EXPORT const TRegisteredClass* FindRegisteredClass(const QString& name);
// Every registered class, ordered by name (start-up hooks run first, as for FindRegisteredClass).
KV_EXPORT std::vector<const TRegisteredClass*> RegisteredClasses();

}  // namespace kv
