// Form descriptions: the text that describes a component tree (a form, its controls and
// their published properties). The format is described in docs/form-descriptions.md.
#pragma once

#include "KvExport.h"

#include "Classes.h"

#include <QByteArray>
#include <QMetaObject>
#include <QString>

namespace kv {

// Limits on what a description may ask for; larger input is refused, not truncated.
inline constexpr qsizetype kMaxDescriptionBytes = qsizetype(16) << 20;
inline constexpr int kMaxDescriptionNesting = 64;  // objects, blocks and collections in each other
inline constexpr int kMaxDescriptionComponents = 4096;
inline constexpr int kMaxCollectionItems = 4096;  // of all collections together
// Objects, property names (each part of a dotted name), set members and collection items
// together: what bounds the size of the parsed tree.
inline constexpr int kMaxDescriptionElements = 1 << 17;
inline constexpr qsizetype kMaxStringLength = qsizetype(1) << 20;  // characters
inline constexpr qsizetype kMaxBinaryBytes = qsizetype(4) << 20;   // decoded bytes of one value
inline constexpr int kMaxNumberLength = 512;  // characters of one numeric literal

}  // namespace kv

// A description that cannot be read. The message names the file, the line (1-based; 0 when
// the error belongs to no line) and, where there is one, the component or property.
class KV_EXPORT EFormError : public EReadError {
public:
  EFormError(QString fileName, int line, QString propertyName, QString reason);
  const QString& FileName() const { return FFileName; }
  int Line() const { return FLine; }
  const QString& PropertyName() const { return FPropertyName; }
  const QString& Reason() const { return FReason; }

private:
  QString FFileName;
  int FLine;
  QString FPropertyName;
  QString FReason;
};

namespace kv {

// Reads a description into Root: the top object describes Root itself (its class must be
// Root's class or one of its bases); nested objects are created through the class registry,
// owned by Root and parented to the windowed control they are nested in. Properties are
// set through their setters in file order, events are connected to Root's slots, and the
// whole read runs the loading protocol. On failure one EFormError is raised: the components
// created by this read are freed again; Root stays (its properties may have been set).
KV_EXPORT void ReadComponent(TComponent* root, const QByteArray& text, const QString& fileName);
// The same for a description stored in a file or a Qt resource (":/forms/main.kvf").
KV_EXPORT void ReadComponentResource(TComponent* root, const QString& path);

// Writes Root and the components it owns, nested as they are parented: published properties
// in declaration order except those at their streaming default or not stored, nested
// objects, collections, binary properties, pictures (inline) and the event bindings.
KV_EXPORT QByteArray WriteComponent(const TComponent* root);

// Connects the event (signal) EventName of Component to Root's public slot HandlerName
// and records the binding so that the writer stores it. Raises EReadError when there is no
// such event or handler, or the handler does not take the event's parameters.
KV_EXPORT void BindEvent(TComponent* component, const QString& eventName, TComponent* root,
                         const QString& handlerName);

// The component named Name that Form owns; raises EReadError when there is none.
KV_EXPORT TComponent* FindOwnedComponent(const TComponent* form, const QString& name);
[[noreturn]] KV_EXPORT void RaiseWrongComponentClass(const TComponent* form,
                                                     const TComponent* component,
                                                     const QMetaObject& expected);

// Binds a typed field of a form class to the component of that name after reading:
// `kv::Bind(this, "ScrollBox", ScrollBox);`. Raises EReadError when it is missing or of
// another class.
template <class T>
void Bind(const TComponent* form, const QString& name, T*& field) {
  TComponent* component = FindOwnedComponent(form, name);
  T* typed = dynamic_cast<T*>(component);
  if (!typed) RaiseWrongComponentClass(form, component, T::staticMetaObject);
  field = typed;
}

}  // namespace kv
