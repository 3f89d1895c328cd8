#include "FormDescriptionsModel.h"

#include "FormDescriptions.h"
#include "Graphics.h"

#include <QColor>
#include <QMetaEnum>
#include <QVariantMap>
#include <QWidget>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

using kv::ColorToString, kv::IdentToColor;

namespace kv::form {

namespace {

const QMetaObject& QtBaseOf(const QMetaObject& meta) {
  return meta.inherits(&QWidget::staticMetaObject) ? QWidget::staticMetaObject
                                                   : QObject::staticMetaObject;
}

bool SameName(const char* a, const QString& b) {
  return b.compare(QLatin1String(a), Qt::CaseInsensitive) == 0;
}

// ---- integers of any width, enumerations and sets as raw integers

bool IsUnsignedInteger(QMetaType type) {
  switch (type.id()) {
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::ULong: return true;
    default: return false;
  }
}

bool IsIntegerType(QMetaType type) {
  switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Long: return true;
    default: return IsUnsignedInteger(type);
  }
}

bool IsRealType(QMetaType type) {
  return type.id() == QMetaType::Double || type.id() == QMetaType::Float ||
         type == QMetaType::fromType<long double>();
}

void IntegerRange(QMetaType type, qint64& low, qint64& high) {
  const int bits = int(type.sizeOf()) * 8;
  if (IsUnsignedInteger(type)) {
    low = 0;
    high = bits >= 64 ? std::numeric_limits<qint64>::max() : (qint64(1) << bits) - 1;
  } else {
    low = bits >= 64 ? std::numeric_limits<qint64>::min() : -(qint64(1) << (bits - 1));
    high = bits >= 64 ? std::numeric_limits<qint64>::max() : (qint64(1) << (bits - 1)) - 1;
  }
}

// A value of an integral type of 1, 2, 4 or 8 bytes (integers, enumerations, flags).
QVariant MakeIntegral(QMetaType type, qint64 value) {
  QVariant v(type);
  void* data = v.data();
  switch (type.sizeOf()) {
    case 1: {
      const auto x = uint8_t(value);
      std::memcpy(data, &x, 1);
      break;
    }
    case 2: {
      const auto x = uint16_t(value);
      std::memcpy(data, &x, 2);
      break;
    }
    case 4: {
      const auto x = uint32_t(value);
      std::memcpy(data, &x, 4);
      break;
    }
    case 8: std::memcpy(data, &value, 8); break;
    default:
      throw EConvertError(
          QStringLiteral("unsupported integral type %1").arg(QLatin1String(type.name())));
  }
  return v;
}

qint64 IntegralValue(const QVariant& v, bool isUnsigned) {
  const void* data = v.constData();
  switch (v.metaType().sizeOf()) {
    case 1: {
      uint8_t x;
      std::memcpy(&x, data, 1);
      return isUnsigned ? qint64(x) : qint64(int8_t(x));
    }
    case 2: {
      uint16_t x;
      std::memcpy(&x, data, 2);
      return isUnsigned ? qint64(x) : qint64(int16_t(x));
    }
    case 4: {
      uint32_t x;
      std::memcpy(&x, data, 4);
      return isUnsigned ? qint64(x) : qint64(int32_t(x));
    }
    case 8: {
      qint64 x;
      std::memcpy(&x, data, 8);
      return x;
    }
    default:
      throw EWriteError(
          QStringLiteral("unsupported integral type %1").arg(QLatin1String(v.metaType().name())));
  }
}

bool IsUnsignedEnum(QMetaType type) {
  return type.flags().testFlag(QMetaType::IsUnsignedEnumeration);
}

// ---- conversion from description values

[[noreturn]] void RaiseWrongType(const char* expected) {
  throw EConvertError(QStringLiteral("%1 expected").arg(QLatin1String(expected)));
}

void Expect(const ValueNode& value, ValueNode::Kind kind, const char* expected) {
  if (value.kind != kind) RaiseWrongType(expected);
}

QVariant ConvertBoolean(const ValueNode& value) {
  Expect(value, ValueNode::Kind::Identifier, "True or False");
  if (SameName("True", value.text)) return true;
  if (SameName("False", value.text)) return false;
  RaiseWrongType("True or False");
}

QVariant ConvertInteger(QMetaType type, const ValueNode& value) {
  Expect(value, ValueNode::Kind::Integer, "an integer");
  qint64 low = 0;
  qint64 high = 0;
  IntegerRange(type, low, high);
  if (value.integer < low || value.integer > high)
    throw EConvertError(
        QStringLiteral("%1 is out of the range %2..%3").arg(value.integer).arg(low).arg(high));
  return MakeIntegral(type, value.integer);
}

QVariant ConvertReal(QMetaType type, const ValueNode& value) {
  long double real = 0;
  if (value.kind == ValueNode::Kind::Real) real = value.real;
  else if (value.kind == ValueNode::Kind::Integer) real = static_cast<long double>(value.integer);
  else RaiseWrongType("a number");
  if (type.id() == QMetaType::Double) return double(real);
  if (type.id() == QMetaType::Float) {
    if (std::fabs(real) > static_cast<long double>(FLT_MAX))
      throw EConvertError(QStringLiteral("real number out of range"));
    return float(real);
  }
  return QVariant(type, &real);
}

QVariant ConvertColour(const ValueNode& value) {
  if (value.kind == ValueNode::Kind::Integer) {
    // Colours are 32-bit patterns: $80000005 and -2147483643 are the same colour.
    if (value.integer < std::numeric_limits<int32_t>::min() || value.integer > qint64(0xFFFFFFFF))
      throw EConvertError(QStringLiteral("colour %1 is out of range").arg(value.integer));
    return QVariant::fromValue(TColor(int32_t(uint32_t(value.integer))));
  }
  Expect(value, ValueNode::Kind::Identifier, "a colour");
  TColor colour;
  if (!IdentToColor(value.text, colour))
    throw EConvertError(QStringLiteral("'%1' is not a colour").arg(value.text));
  return QVariant::fromValue(colour);
}

int EnumValueOf(const QMetaEnum& e, const QString& name) {
  for (int i = 0; i < e.keyCount(); ++i)
    if (SameName(e.key(i), name)) return e.value(i);
  throw EConvertError(
      QStringLiteral("'%1' is not a value of %2").arg(name, QLatin1String(e.name())));
}

QVariant ConvertEnumeration(const QMetaProperty& property, const ValueNode& value) {
  Expect(value, ValueNode::Kind::Identifier, "an identifier");
  return MakeIntegral(property.metaType(), EnumValueOf(property.enumerator(), value.text));
}

QVariant ConvertSet(const QMetaProperty& property, const ValueNode& value) {
  Expect(value, ValueNode::Kind::Set, "a set");
  const QMetaEnum e = property.enumerator();
  uint32_t bits = 0;
  for (const QString& name : value.names) bits |= uint32_t(EnumValueOf(e, name));
  return MakeIntegral(property.metaType(), bits);
}

// ---- formatting

QByteArray FormatReal(const QVariant& v) {
  char buffer[64];
  std::to_chars_result r{};
  bool finite = false;
  if (v.metaType().id() == QMetaType::Double) {
    const double d = v.toDouble();
    finite = std::isfinite(d);
    r = std::to_chars(buffer, buffer + sizeof buffer, d);
  } else if (v.metaType().id() == QMetaType::Float) {
    const float f = v.toFloat();
    finite = std::isfinite(f);
    r = std::to_chars(buffer, buffer + sizeof buffer, f);
  } else {
    const long double e = *static_cast<const long double*>(v.constData());
    finite = std::isfinite(e);
    r = std::to_chars(buffer, buffer + sizeof buffer, e);
  }
  if (!finite || r.ec != std::errc())
    throw EWriteError(QStringLiteral("a real number that is not finite cannot be stored"));
  return QByteArray(buffer, r.ptr - buffer);
}

QByteArray FormatColour(TColor colour) {
  const QString name = ColorToString(colour);
  return name.startsWith(QLatin1Char('$')) ? QByteArray::number(colour.Value) : name.toLatin1();
}

QByteArray FormatEnumeration(const QMetaProperty& property, const QVariant& v) {
  const QMetaEnum e = property.enumerator();
  const qint64 value = IntegralValue(v, IsUnsignedEnum(v.metaType()));
  const char* key =
      value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()
          ? e.valueToKey(int(value))
          : nullptr;
  if (!key)
    throw EWriteError(
        QStringLiteral("%1 is not a value of %2").arg(value).arg(QLatin1String(e.name())));
  return QByteArray(key);
}

QByteArray FormatSet(const QMetaProperty& property, const QVariant& v) {
  const QMetaEnum e = property.enumerator();
  uint32_t bits = uint32_t(IntegralValue(v, true));
  QByteArrayList members;
  for (int i = 0; i < e.keyCount(); ++i) {
    const auto member = uint32_t(e.value(i));
    if (member != 0 && (bits & member) == member) {
      members << e.key(i);
      bits &= ~member;
    }
  }
  if (bits != 0)
    throw EWriteError(QStringLiteral("the set holds bits that are no members of %1")
                          .arg(QLatin1String(e.name())));
  return '[' + members.join(", ") + ']';
}

bool IsPrintable(QChar c) { return c.unicode() >= 0x20 && c.unicode() != 0x7F && !c.isSurrogate(); }

}  // namespace

int FirstPublishedProperty(const QMetaObject& meta) { return QtBaseOf(meta).propertyCount(); }

int FirstPublishedMethod(const QMetaObject& meta) { return QtBaseOf(meta).methodCount(); }

QMetaProperty FindPublishedProperty(const QMetaObject& meta, const QString& name) {
  const int first = FirstPublishedProperty(meta);
  // The name as declared is the common case, and cheaper than building every property.
  const int exact = meta.indexOfProperty(name.toLatin1().constData());
  if (exact >= first) return meta.property(exact);
  for (int i = meta.propertyCount() - 1; i >= first; --i)
    if (SameName(meta.property(i).name(), name)) return meta.property(i);
  return {};
}

std::vector<QMetaProperty> PublishedProperties(const QMetaObject& meta) {
  std::vector<QMetaProperty> result;
  for (int i = FirstPublishedProperty(meta); i < meta.propertyCount(); ++i) {
    const QMetaProperty p = meta.property(i);
    if (meta.indexOfProperty(p.name()) == i) result.push_back(p);
  }
  return result;
}

std::vector<QMetaMethod> PublishedMethods(const QMetaObject& meta, const QString& name,
                                          QMetaMethod::MethodType type) {
  std::vector<QMetaMethod> result;
  for (int i = FirstPublishedMethod(meta); i < meta.methodCount(); ++i) {
    const QMetaMethod m = meta.method(i);
    if (m.methodType() != type || !SameName(m.name().constData(), name)) continue;
    if (type == QMetaMethod::Slot && m.access() != QMetaMethod::Public) continue;
    result.push_back(m);
  }
  return result;
}

PropertyKind KindOf(const QMetaProperty& property, const QObject* instance) {
  const QMetaType type = property.metaType();
  if (property.isFlagType()) return PropertyKind::Set;
  if (property.isEnumType()) return PropertyKind::Enumeration;
  if (type == QMetaType::fromType<TColor>()) return PropertyKind::Colour;
  if (type.id() == QMetaType::Bool) return PropertyKind::Boolean;
  if (IsIntegerType(type)) return PropertyKind::Integer;
  if (IsRealType(type)) return PropertyKind::Real;
  if (type.id() == QMetaType::QString) return PropertyKind::String;
  if (!type.flags().testFlag(QMetaType::PointerToQObject)) return PropertyKind::Unsupported;
  if (type == QMetaType::fromType<TPicture*>() || type == QMetaType::fromType<TBitmap*>())
    return PropertyKind::Picture;
  if (type.metaObject() && type.metaObject()->inherits(&TCollection::staticMetaObject))
    return PropertyKind::Collection;
  QObject* held = ObjectValue(property, instance);
  return held && !dynamic_cast<TComponent*>(held) ? PropertyKind::NestedObject
                                                  : PropertyKind::ComponentReference;
}

bool IsSimpleKind(PropertyKind kind) {
  switch (kind) {
    case PropertyKind::Boolean:
    case PropertyKind::Integer:
    case PropertyKind::Real:
    case PropertyKind::String:
    case PropertyKind::Colour:
    case PropertyKind::Enumeration:
    case PropertyKind::Set: return true;
    default: return false;
  }
}

QObject* ObjectValue(const QMetaProperty& property, const QObject* instance) {
  if (!property.metaType().flags().testFlag(QMetaType::PointerToQObject)) return nullptr;
  return property.read(instance).value<QObject*>();
}

namespace {

void CollectNested(QObject* object, const QByteArray& prefix, int depth,
                   std::vector<NestedProperty>& into) {
  if (depth > kMaxDescriptionNesting) return;
  for (const QMetaProperty& property : PublishedProperties(*object->metaObject())) {
    if (!property.isReadable() || !property.isStored()) continue;
    const PropertyKind kind = KindOf(property, object);
    const QByteArray name = prefix + property.name();
    if (kind == PropertyKind::NestedObject)
      CollectNested(ObjectValue(property, object), name + '.', depth + 1, into);
    else if (!prefix.isEmpty() && IsSimpleKind(kind) && property.isWritable())
      into.push_back({name, object, property, kind});
  }
}

}  // namespace

std::vector<NestedProperty> NestedProperties(QObject* object) {
  std::vector<NestedProperty> result;
  CollectNested(object, QByteArray(), 0, result);
  return result;
}

NestedProperty FindNestedProperty(QObject* object, const QByteArray& name) {
  const QList<QByteArray> path = name.split('.');
  if (path.size() < 2 || path.size() > kMaxDescriptionNesting) return {};
  QObject* holder = object;
  for (qsizetype i = 0; i < path.size(); ++i) {
    const QMetaProperty property =
        FindPublishedProperty(*holder->metaObject(), QString::fromLatin1(path[i]));
    if (!property.isValid() || !property.isStored()) return {};
    const PropertyKind kind = KindOf(property, holder);
    if (i + 1 == path.size()) {
      if (!IsSimpleKind(kind) || !property.isWritable()) return {};
      return {name, holder, property, kind};
    }
    if (kind != PropertyKind::NestedObject) return {};
    holder = ObjectValue(property, holder);
  }
  return {};
}

QVariant NestedValue(const NestedProperty& nested) {
  const QVariant value = nested.property.read(nested.holder);
  switch (nested.kind) {
    case PropertyKind::Colour: return QColor::fromRgb(ColorToPixel(value.value<TColor>()));
    case PropertyKind::Enumeration:
    case PropertyKind::Set:
      return QString::fromLatin1(FormatValue(nested.property, nested.kind, value));
    default: return value;
  }
}

void SetNestedValue(const NestedProperty& nested, const QVariant& value) {
  QVariant converted = value;
  const bool isText = value.metaType().id() == QMetaType::QString ||
                      value.metaType().id() == QMetaType::QByteArray;
  if ((nested.kind == PropertyKind::Enumeration || nested.kind == PropertyKind::Set) && isText)
    converted = ConvertValue(nested.property, nested.kind, ParseValueText(value.toString()));
  else if (!converted.convert(nested.property.metaType()))
    throw EConvertError(QStringLiteral("%1: not a value of type %2")
                            .arg(QLatin1String(nested.name),
                                 QLatin1String(nested.property.typeName())));
  nested.property.write(nested.holder, converted);
}

QVariant ConvertValue(const QMetaProperty& property, PropertyKind kind, const ValueNode& value) {
  switch (kind) {
    case PropertyKind::Boolean: return ConvertBoolean(value);
    case PropertyKind::Integer: return ConvertInteger(property.metaType(), value);
    case PropertyKind::Real: return ConvertReal(property.metaType(), value);
    case PropertyKind::String:
      Expect(value, ValueNode::Kind::String, "a string");
      return value.text;
    case PropertyKind::Colour: return ConvertColour(value);
    case PropertyKind::Enumeration: return ConvertEnumeration(property, value);
    case PropertyKind::Set: return ConvertSet(property, value);
    default: throw EConvertError(QStringLiteral("not a simple value"));
  }
}

QByteArray FormatValue(const QMetaProperty& property, PropertyKind kind, const QVariant& value) {
  switch (kind) {
    case PropertyKind::Boolean: return value.toBool() ? "True" : "False";
    case PropertyKind::Integer:
      return QByteArray::number(IntegralValue(value, IsUnsignedInteger(value.metaType())));
    case PropertyKind::Real: return FormatReal(value);
    case PropertyKind::String: return QuoteString(value.toString());
    case PropertyKind::Colour: return FormatColour(value.value<TColor>());
    case PropertyKind::Enumeration: return FormatEnumeration(property, value);
    case PropertyKind::Set: return FormatSet(property, value);
    default: throw EWriteError(QStringLiteral("not a simple value"));
  }
}

QByteArray QuoteString(QStringView text) {
  QByteArray out;
  qsizetype i = 0;
  while (i < text.size()) {
    qsizetype end = i;
    while (end < text.size() && IsPrintable(text[end])) ++end;
    if (end == i) {
      out += '#' + QByteArray::number(text[i++].unicode());
      continue;
    }
    out += '\'' + text.mid(i, end - i).toUtf8().replace('\'', "''") + '\'';
    i = end;
  }
  return out.isEmpty() ? QByteArray("''") : out;
}

bool HasStreamingDefault(const QMetaObject& meta, const QMetaProperty& property) {
  return HasStreamingDefault(meta, QByteArray(property.name()));
}

QString StreamingDefault(const QMetaObject& meta, const QMetaProperty& property) {
  return StreamingDefault(meta, QByteArray(property.name()));
}

bool HasStreamingDefault(const QMetaObject& meta, const QByteArray& name) {
  return meta.indexOfClassInfo("default." + name) >= 0;
}

QString StreamingDefault(const QMetaObject& meta, const QByteArray& name) {
  const int index = meta.indexOfClassInfo("default." + name);
  return index < 0 ? QString() : QString::fromUtf8(meta.classInfo(index).value());
}

namespace {

class DefinitionCollector : public TFiler {
public:
  void DefineBinaryProperty(const QString& name, TStreamProc readData, TStreamProc writeData,
                            bool hasData) override {
    FDefinitions.push_back({name, std::move(readData), std::move(writeData), hasData});
  }
  std::vector<BinaryProperty> Take() { return std::move(FDefinitions); }

private:
  std::vector<BinaryProperty> FDefinitions;
};

constexpr char kHandlersProperty[] = "kvEventHandlers";

}  // namespace

std::vector<BinaryProperty> BinaryPropertiesOf(QObject* instance) {
  auto* persistent = dynamic_cast<TPersistent*>(instance);
  if (!persistent) return {};
  DefinitionCollector collector;
  persistent->DefineProperties(collector);
  return collector.Take();
}

void RecordHandler(QObject* sender, const QString& eventName, const QString& handlerName) {
  QVariantMap handlers = sender->property(kHandlersProperty).toMap();
  handlers.insert(eventName, handlerName);
  sender->setProperty(kHandlersProperty, handlers);
}

QString RecordedHandler(const QObject* sender, const QString& eventName) {
  return sender->property(kHandlersProperty).toMap().value(eventName).toString();
}

}  // namespace kv::form
