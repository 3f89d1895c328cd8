#include "RegisteredControls.h"

#include "Designing.h"
#include "Forms.h"

#include <memory>

using kv::Exception;

namespace kvtest {

std::vector<const kv::TRegisteredClass*> RegisteredControls() { return kv::RegisteredControls(); }

TControl* NewControl(const kv::TRegisteredClass& control, TComponent* owner) {
  return dynamic_cast<TControl*>(control.create(owner));
}

QString ClassNameOf(const kv::TRegisteredClass& control) {
  return QString::fromLatin1(control.metaObject->className());
}

bool TakesAnyParent(const kv::TRegisteredClass& control) {
  const std::unique_ptr<TControl> probe(NewControl(control, nullptr));
  TScrollBox box(nullptr);
  try {
    probe->SetParent(&box);
  } catch (const Exception&) {
    return false;
  }
  probe->SetParent(nullptr);
  return true;
}

}  // namespace kvtest
