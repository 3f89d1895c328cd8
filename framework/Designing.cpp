#include "Designing.h"

#include "Forms.h"

#include <memory>

// The one way into a component's protected design state from outside the class.
class TComponentAccess {
public:
  // Calls Entered on each component that was not designing before.
  template <class Entered>
  static void SetDesigning(TComponent* component, bool designing, Entered&& entered) {
    const bool was = component->ComponentState().testFlag(TComponentStateFlag::csDesigning);
    component->SetDesigning(designing);
    if (designing && !was) entered(component);
    for (int i = 0; i < component->ComponentCount(); ++i)
      SetDesigning(component->Components(i), designing, entered);
  }
};

namespace {

std::vector<std::pair<const QMetaObject*, kv::DesignSetUp>>& DesignSetUps() {
  static std::vector<std::pair<const QMetaObject*, kv::DesignSetUp>> setUps;
  return setUps;
}

}  // namespace

namespace kv {

std::vector<const TRegisteredClass*> RegisteredControls() {
  std::vector<const TRegisteredClass*> controls;
  for (const TRegisteredClass* c : RegisteredClasses())
    if (c->metaObject->inherits(&TControl::staticMetaObject) &&
        !c->metaObject->inherits(&TForm::staticMetaObject))
      controls.push_back(c);
  return controls;
}

void RegisterDesignSetUp(const QMetaObject* metaObject, DesignSetUp setUp) {
  DesignSetUps().emplace_back(metaObject, setUp);
}

void SetDesigning(TComponent* component, bool designing) {
  if (!component) return;
  TComponentAccess::SetDesigning(component, designing, [](TComponent* entered) {
    const auto* object = dynamic_cast<const QObject*>(entered);
    if (!object) return;
    for (const auto& [metaObject, setUp] : DesignSetUps())
      if (object->metaObject()->inherits(metaObject)) setUp(entered);
  });
}

QImage ControlPicture(TControl* control) {
  std::unique_ptr<TForm> host;
  if (!control->parentWidget()) {
    host = std::make_unique<TForm>(nullptr);
    host->SetBorderStyle(TFormBorderStyle::bsNone);
    host->SetClientWidth(control->Width());
    host->SetClientHeight(control->Height());
    control->SetParent(host.get());
    control->SetBounds(0, 0, control->Width(), control->Height());
  }
  QWidget* window = control->window();
  const QRect area(control->mapTo(window, QPoint(0, 0)), control->size());
  QImage picture = window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
  if (host) control->SetParent(nullptr);
  return picture;
}

}  // namespace kv
