// How a generated item or group hands its properties, events and methods to the object it
// stands for (a control, or a style object the control owns). The generated classes declare
// the QML face (names, types, NOTIFY signals); this does the work by the meta-objects, so that
// a property a control publishes needs nothing written for it by hand.
#pragma once

#include <QList>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QVariant>

#include <initializer_list>
#include <memory>
#include <vector>

class TCollection;

namespace kv::qml {

// An event of the control and the QML signal it becomes.
struct EventName {
  const char* control;
  const char* qml;
};

// The type of a method's I-th parameter; of an out-parameter (a reference), the type it
// refers to.
QMetaType ParameterType(const QMetaMethod& method, int i);

class Forwarding {
public:
  Forwarding();
  ~Forwarding();
  Forwarding(const Forwarding&) = delete;
  Forwarding& operator=(const Forwarding&) = delete;

  // Pairs Owner's own properties (those Meta declares, in order) with Target's properties
  // of the given names, and Owner's signals with Target's events.
  void Bind(QObject* owner, const QMetaObject& meta, QObject* target,
            std::initializer_list<const char*> properties,
            std::initializer_list<EventName> events = {});

  // The value of the I-th property as QML sees it: colours as QColor, enumerations as int, a
  // collection its number of items.
  QVariant Read(int i) const;
  // Sets the I-th property; a refused value leaves it, an exception of the setter becomes a
  // QML warning. Sends the property's NOTIFY signal where the target has none of its own.
  void Write(int i, const QVariant& value);
  // Calls the target's public slot of that signature with the given arguments.
  void Invoke(const char* signature, const QVariantList& arguments);

  QObject* Target() const { return FTarget; }
  // The style object the target holds in the published property Name.
  static QObject* StyleObject(QObject* target, const char* name);

private:
  struct Property {
    QMetaProperty target;
    TCollection* collection;  // a collection property stands for its number of items
    QMetaMethod notify;      // the owner's NOTIFY signal
    bool targetNotifies;     // the target tells every change itself
  };
  class EventRelay;

  QObject* FOwner = nullptr;
  QPointer<QObject> FTarget;
  std::vector<Property> FProperties;
  std::unique_ptr<EventRelay> FRelay;
};

}  // namespace kv::qml
