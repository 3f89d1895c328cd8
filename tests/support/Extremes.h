// Extreme values for every published property of an object, its nested style objects included:
// what the tests that play a hostile program set, in any order.
#pragma once

#include <QByteArray>
#include <QMetaProperty>
#include <QPointer>
#include <QVariant>

#include <vector>

namespace kvtest {

struct PropertyStep {
  QPointer<QObject> target;  // the object or one of its nested style objects
  QMetaProperty property;
  QVariant value;
  QByteArray path;  // dotted, from the object: "Font.Height"
};

// Every writable simple property with each of its extreme values (the type's limits, zero and
// the values around it, every enumerator, a text of 100,000 characters ...).
std::vector<PropertyStep> ExtremeSteps(QObject* object);
// A change of every writable simple property to an ordinary value beside its current one (the
// next integer, the other truth value, the next enumerator ...): what a program sets.
std::vector<PropertyStep> ChangeSteps(QObject* object);
// Writes the step; a setter that raises has refused the value, which is its right. False when
// the target is gone.
bool Apply(const PropertyStep& step);

}  // namespace kvtest
