#include "Extremes.h"

#include "FormDescriptionsModel.h"
#include "Graphics.h"
#include "SysUtils.h"

#include <QMetaEnum>

#include <climits>
#include <functional>
#include <limits>

namespace kvtest {

namespace {

using kv::form::PropertyKind;

template <class T>
std::vector<QVariant> LimitsOf() {
  using L = std::numeric_limits<T>;
  return {QVariant::fromValue(L::min()), QVariant::fromValue(T(L::min() + 1)),
          QVariant::fromValue(T(0)), QVariant::fromValue(T(1)),
          QVariant::fromValue(T(L::max() - 1)), QVariant::fromValue(L::max())};
}

std::vector<QVariant> IntegerValues(const QMetaType& type) {
  switch (type.id()) {
    case QMetaType::Int:
      return {INT_MIN, INT_MIN + 1, -16777216, -1000000, -65536, -1, 0,
              1,       2,           3,         255,      65536,  16777216, INT_MAX - 1,
              INT_MAX};
    case QMetaType::UInt: return LimitsOf<uint32_t>();
    case QMetaType::LongLong: return LimitsOf<int64_t>();
    case QMetaType::ULongLong: return LimitsOf<uint64_t>();
    case QMetaType::Short: return LimitsOf<int16_t>();
    case QMetaType::UShort: return LimitsOf<uint16_t>();
    case QMetaType::UChar: return LimitsOf<uint8_t>();
    case QMetaType::SChar:
    case QMetaType::Char: return LimitsOf<int8_t>();
    default: return {0, 1};
  }
}

std::vector<QVariant> RealValues() {
  constexpr double kMax = std::numeric_limits<double>::max();
  return {-kMax, -1e300, -1e9, -1.0, -0.5, 0.0, 1e-300, 0.5, 1.0, 1e9, 1e300, kMax};
}

std::vector<QVariant> StringValues() {
  return {QString(), QStringLiteral("W"), QStringLiteral("%d %s %%"),
          QString(100000, QLatin1Char('W'))};
}

std::vector<QVariant> ColourValues() {
  // Black, white, a system colour, and numbers no colour has.
  return {QVariant::fromValue(TColor{0}), QVariant::fromValue(TColor{0x00FFFFFF}),
          QVariant::fromValue(TColor{int32_t(0x8000000F)}), QVariant::fromValue(TColor{INT_MIN}),
          QVariant::fromValue(TColor{-1}), QVariant::fromValue(TColor{INT_MAX})};
}

std::vector<QVariant> EnumerationValues(const QMetaProperty& property) {
  const QMetaEnum e = property.enumerator();
  std::vector<QVariant> values;
  if (property.isFlagType()) {
    int all = 0;
    for (int i = 0; i < e.keyCount(); ++i) all |= e.value(i);
    values = {0, all};
  } else {
    for (int i = 0; i < e.keyCount(); ++i) values.emplace_back(e.value(i));
  }
  return values;
}

std::vector<QVariant> ValuesOf(const QMetaProperty& property, PropertyKind kind) {
  switch (kind) {
    case PropertyKind::Boolean: return {false, true};
    case PropertyKind::Integer: return IntegerValues(property.metaType());
    case PropertyKind::Real: return RealValues();
    case PropertyKind::String: return StringValues();
    case PropertyKind::Colour: return ColourValues();
    case PropertyKind::Enumeration:
    case PropertyKind::Set: return EnumerationValues(property);
    default: return {};
  }
}

// The value beside the current one; none for kinds without such a value.
std::vector<QVariant> ChangeOf(const QMetaProperty& property, PropertyKind kind, QObject* object) {
  const QVariant now = property.read(object);
  switch (kind) {
    case PropertyKind::Boolean: return {!now.toBool()};
    case PropertyKind::Integer: return {now.toLongLong() + 1};
    case PropertyKind::Real: return {now.toDouble() + 1};
    case PropertyKind::String: return {now.toString() + QStringLiteral("W")};
    case PropertyKind::Colour: return {QVariant::fromValue(TColor{0x0000FF})};
    case PropertyKind::Enumeration: {
      const QMetaEnum e = property.enumerator();
      for (int i = 0; i + 1 < e.keyCount(); ++i)
        if (e.value(i) == now.toInt()) return {e.value(i + 1)};
      return {e.value(0)};
    }
    default: return {};
  }
}

using ValuesFor =
    std::function<std::vector<QVariant>(const QMetaProperty&, PropertyKind, QObject*)>;

void Collect(QObject* object, const QByteArray& prefix, const ValuesFor& valuesFor,
             std::vector<PropertyStep>& steps) {
  for (const QMetaProperty& property : kv::form::PublishedProperties(*object->metaObject())) {
    const QByteArray path = prefix + property.name();
    const PropertyKind kind = kv::form::KindOf(property, object);
    if (kind == PropertyKind::NestedObject) {
      if (QObject* nested = kv::form::ObjectValue(property, object))
        Collect(nested, path + '.', valuesFor, steps);
      continue;
    }
    // The name is the description's key, not a value to play with.
    if (!property.isWritable() || path == "Name") continue;
    for (const QVariant& value : valuesFor(property, kind, object))
      steps.push_back({object, property, value, path});
  }
}

}  // namespace

std::vector<PropertyStep> ExtremeSteps(QObject* object) {
  std::vector<PropertyStep> steps;
  Collect(
      object, QByteArray(),
      [](const QMetaProperty& p, PropertyKind kind, QObject*) { return ValuesOf(p, kind); },
      steps);
  return steps;
}

std::vector<PropertyStep> ChangeSteps(QObject* object) {
  std::vector<PropertyStep> steps;
  Collect(object, QByteArray(), ChangeOf, steps);
  return steps;
}

bool Apply(const PropertyStep& step) {
  if (!step.target) return false;
  try {
    step.property.write(step.target, step.value);
  } catch (const kv::Exception&) {
  }
  return true;
}

}  // namespace kvtest
