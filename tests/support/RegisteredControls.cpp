#include "RegisteredControls.h"

#include "Forms.h"

#include <memory>

using kv::Exception;

namespace kvtest {

std::vector<const kv::TRegisteredClass*> RegisteredControls() {
  std::vector<const kv::TRegisteredClass*> controls;
  for (const kv::TRegisteredClass* c : kv::RegisteredClasses())
    if (c->metaObject->inherits(&TControl::staticMetaObject) &&
        !c->metaObject->inherits(&TForm::staticMetaObject))
      controls.push_back(c);
  return controls;
}

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
