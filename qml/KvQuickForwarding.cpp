#include "KvQuickForwarding.h"

#include <kelvara/Classes.h>
#include <kelvara/Graphics.h>

#include <QColor>
#include <QQmlInfo>

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace kv::qml {

namespace {

// What QML may ask of a collection: items are made one by one, and a number from a script
// is no reason to make millions.
constexpr int kMaxCollectionItems = 1024;

bool IsColour(const QMetaProperty& p) { return p.metaType() == QMetaType::fromType<TColor>(); }

QColor ToQColor(TColor c) {
  const auto rgb = uint32_t(ColorToRGB(c));
  return QColor(int(rgb & 0xFFu), int((rgb >> 8) & 0xFFu), int((rgb >> 16) & 0xFFu));
}

TColor ToTColor(const QColor& c) {
  return TColor(int32_t(uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16));
}

// An enumeration or a set by its stored integer, whatever its width.
bool IsEnumLike(QMetaType type) {
  return (type.flags() & QMetaType::IsEnumeration) ||
         QByteArray(type.name()).startsWith("QFlags<");
}

bool IsInteger(QMetaType type) {
  return type == QMetaType::fromType<int32_t>() || type == QMetaType::fromType<uint32_t>() ||
         type == QMetaType::fromType<uint16_t>();
}

qint64 IntegerAt(QMetaType type, const void* data) {
  switch (type.sizeOf()) {
    case 1: return *static_cast<const int8_t*>(data);
    case 2: return *static_cast<const int16_t*>(data);
    case 8: return *static_cast<const int64_t*>(data);
    default: return *static_cast<const int32_t*>(data);
  }
}

// A number from QML held to what an integer property of Type can store.
QVariant HeldInteger(QMetaType type, const QVariant& value) {
  const double d = value.toDouble();
  qint64 lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
  if (type == QMetaType::fromType<uint32_t>()) lo = 0, hi = std::numeric_limits<uint32_t>::max();
  if (type == QMetaType::fromType<uint16_t>()) lo = 0, hi = std::numeric_limits<uint16_t>::max();
  const qint64 n = d != d ? 0 : qint64(std::clamp(d, double(lo), double(hi)));
  QVariant held(n);
  held.convert(type);
  return held;
}

// A value a signal carries, as the QML signal's parameter of type To.
QVariant ArgumentAs(QMetaType from, const void* data, QMetaType to) {
  QVariant v = IsEnumLike(from) ? QVariant(IntegerAt(from, data)) : QVariant(from, data);
  if (from == QMetaType::fromType<QChar>()) v = QString(*static_cast<const QChar*>(data));
  v.convert(to);
  return v;
}

// An answer from QML stored into an out-parameter of type To, held to what it can store.
void StoreAnswer(QMetaType to, void* data, const QVariant& answer) {
  if (to == QMetaType::fromType<QChar>()) {
    const QString text = answer.toString();
    *static_cast<QChar*>(data) = text.isEmpty() ? QChar() : text.front();
    return;
  }
  QVariant held = IsInteger(to) ? HeldInteger(to, answer) : answer;
  if (!held.convert(to)) return;
  to.destruct(data);
  to.construct(data, held.constData());
}

}  // namespace

QMetaType ParameterType(const QMetaMethod& method, int i) {
  // The keys' type, which Qt knows by its other names only.
  static const int kKeyType = qRegisterMetaType<uint16_t>("uint16_t");
  (void)kKeyType;
  const QByteArray name = method.parameterTypeName(i);
  return name.endsWith('&') ? QMetaType::fromName(name.chopped(1)) : method.parameterMetaType(i);
}

// Receives the control's events through Qt's dynamic slots (one per event, numbered after
// QObject's own methods) and sends each as the owner's QML signal.
class Forwarding::EventRelay final : public QObject {
public:
  struct Route {
    QMetaMethod event;
    QMetaMethod signal;
    const QMetaObject* answer;  // the object a signal of an event with out-parameters hands
  };

  EventRelay(QObject* owner, QObject* target) : FOwner(owner), FTarget(target) {}

  void Add(const QMetaMethod& event, const QMetaMethod& signal) {
    QMetaObject::connect(FTarget, event.methodIndex(), this,
                         QObject::staticMetaObject.methodCount() + int(FRoutes.size()),
                         Qt::DirectConnection);
    const QMetaType first = signal.parameterCount() == 1 ? signal.parameterMetaType(0) : QMetaType();
    FRoutes.push_back(
        {event, signal, first.flags() & QMetaType::PointerToQObject ? first.metaObject() : nullptr});
  }

  int qt_metacall(QMetaObject::Call call, int id, void** argv) override {
    id = QObject::qt_metacall(call, id, argv);
    if (id < 0 || call != QMetaObject::InvokeMetaMethod) return id;
    if (size_t(id) < FRoutes.size()) Send(FRoutes[size_t(id)], argv);
    return -1;
  }

private:
  // argv[1] is the sender, which the QML signal leaves out: its own item is the sender.
  void Send(const Route& route, void** argv) {
    if (route.answer) return Ask(route, argv);
    std::array<QVariant, 9> values;
    std::array<QGenericArgument, 9> args;
    for (int i = 0; i < route.signal.parameterCount() && i < int(values.size()); ++i) {
      values[size_t(i)] = ArgumentAs(route.event.parameterMetaType(i + 1), argv[i + 2],
                                     route.signal.parameterMetaType(i));
      args[size_t(i)] = QGenericArgument(route.signal.parameterTypeName(i).constData(),
                                         values[size_t(i)].constData());
    }
    route.signal.invoke(FOwner, Qt::DirectConnection, args[0], args[1], args[2], args[3],
                        args[4], args[5], args[6], args[7], args[8]);
  }

  // Hands the handler one object holding the event's parameters (its properties, in order)
  // and stores what the handler set into the out-parameters.
  void Ask(const Route& route, void** argv) {
    const QMetaObject& answer = *route.answer;
    const auto propertyOf = [&](int parameter) {
      return answer.property(answer.propertyOffset() + parameter - 1);
    };
    QVariantList values;
    for (int i = 1; i < route.event.parameterCount(); ++i)
      values += ArgumentAs(ParameterType(route.event, i), argv[i + 1], propertyOf(i).metaType());
    const std::unique_ptr<QObject> event(answer.newInstance(Q_ARG(QVariantList, values)));
    if (!event) return;
    QObject* handed = event.get();
    route.signal.invoke(FOwner, Qt::DirectConnection,
                        QGenericArgument(route.signal.parameterTypeName(0).constData(), &handed));
    for (int i = 1; i < route.event.parameterCount(); ++i)
      if (route.event.parameterTypeName(i).endsWith('&'))
        StoreAnswer(ParameterType(route.event, i), argv[i + 1], propertyOf(i).read(handed));
  }

  QObject* FOwner;
  QObject* FTarget;
  std::vector<Route> FRoutes;
};

Forwarding::Forwarding() = default;
Forwarding::~Forwarding() = default;

void Forwarding::Bind(QObject* owner, const QMetaObject& meta, QObject* target,
                      std::initializer_list<const char*> properties,
                      std::initializer_list<EventName> events) {
  FOwner = owner;
  FTarget = target;
  const QMetaObject& targetMeta = *target->metaObject();
  // A style object without NOTIFY signals of its own tells every change by one event.
  QMetaMethod anyChange;
  for (const char* signature : {"PropertyChanged()", "OnChange(TObject*)"})
    if (const int i = targetMeta.indexOfSignal(signature); i >= 0 && !anyChange.isValid())
      anyChange = targetMeta.method(i);
  int index = meta.propertyOffset();
  for (const char* name : properties) {
    const QMetaProperty published = targetMeta.property(targetMeta.indexOfProperty(name));
    auto* collection = dynamic_cast<TCollection*>(qvariant_cast<QObject*>(published.read(target)));
    Property p{published, collection, meta.property(index++).notifySignal(), false};
    const QMetaMethod told = p.target.hasNotifySignal() ? p.target.notifySignal() : anyChange;
    if (told.isValid() && p.notify.isValid()) {
      QObject::connect(target, told, owner, p.notify);
      p.targetNotifies = true;
    }
    FProperties.push_back(p);
  }
  if (events.size() == 0) return;
  FRelay = std::make_unique<EventRelay>(owner, target);
  for (const EventName& e : events) {
    QMetaMethod event, signal;
    for (int i = 0; i < targetMeta.methodCount(); ++i)
      if (targetMeta.method(i).name() == e.control) event = targetMeta.method(i);
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
      if (meta.method(i).name() == e.qml) signal = meta.method(i);
    if (event.isValid() && signal.isValid()) FRelay->Add(event, signal);
  }
}

QVariant Forwarding::Read(int i) const {
  const QMetaProperty& p = FProperties[size_t(i)].target;
  if (!FTarget) return {};
  if (const TCollection* c = FProperties[size_t(i)].collection) return c->Count();
  const QVariant v = p.read(FTarget);
  if (IsColour(p)) return ToQColor(v.value<TColor>());
  if (IsEnumLike(p.metaType())) return IntegerAt(p.metaType(), v.constData());
  return v;
}

void Forwarding::Write(int i, const QVariant& value) {
  const Property& p = FProperties[size_t(i)];
  if (!FTarget) return;
  if (p.collection) {
    const int count = std::clamp(value.toInt(), 0, kMaxCollectionItems);
    if (count == p.collection->Count()) return;
    while (p.collection->Count() < count) p.collection->Add();
    while (p.collection->Count() > count) p.collection->Delete(p.collection->Count() - 1);
    p.notify.invoke(FOwner);
    return;
  }
  QVariant v = value;
  if (IsColour(p.target)) v = QVariant::fromValue(ToTColor(value.value<QColor>()));
  else if (IsEnumLike(p.target.metaType())) v.convert(p.target.metaType());
  else if (IsInteger(p.target.metaType())) v = HeldInteger(p.target.metaType(), value);
  const QVariant before = p.targetNotifies ? QVariant() : Read(i);
  try {
    p.target.write(FTarget, v);
  } catch (const std::exception& e) {
    qmlWarning(FOwner) << p.target.name() << ": " << e.what();
    return;
  }
  if (!p.targetNotifies && p.notify.isValid() && Read(i) != before) p.notify.invoke(FOwner);
}

void Forwarding::Invoke(const char* signature, const QVariantList& arguments) {
  if (!FTarget) return;
  const QMetaObject& meta = *FTarget->metaObject();
  const QMetaMethod method = meta.method(meta.indexOfSlot(signature));
  std::array<QVariant, 4> values;
  std::array<QGenericArgument, 4> args;
  for (int i = 0; i < method.parameterCount() && i < int(values.size()); ++i) {
    values[size_t(i)] = arguments.value(i);
    values[size_t(i)].convert(method.parameterMetaType(i));
    args[size_t(i)] = QGenericArgument(method.parameterTypeName(i).constData(),
                                       values[size_t(i)].constData());
  }
  try {
    method.invoke(FTarget, Qt::DirectConnection, args[0], args[1], args[2], args[3]);
  } catch (const std::exception& e) {
    qmlWarning(FOwner) << method.name() << ": " << e.what();
  }
}

QObject* Forwarding::StyleObject(QObject* target, const char* name) {
  const QMetaObject& meta = *target->metaObject();
  return qvariant_cast<QObject*>(meta.property(meta.indexOfProperty(name)).read(target));
}

}  // namespace kv::qml
