// The controls registered for form descriptions, for tests that walk all of them, so that each
// new control is covered without a test of its own.
#pragma once

#include "ClassRegistry.h"

#include <QString>

#include <vector>

class TComponent;
class TControl;

namespace kvtest {

// Every registered control class except forms (they are windows, not parts of one).
std::vector<const kv::TRegisteredClass*> RegisteredControls();
// A new control of that class as a form description makes it: owned by Owner, no parent.
TControl* NewControl(const kv::TRegisteredClass& control, TComponent* owner);
QString ClassNameOf(const kv::TRegisteredClass& control);
// Whether the control takes a parent other than a form (the form shape does not).
bool TakesAnyParent(const kv::TRegisteredClass& control);

}  // namespace kvtest
