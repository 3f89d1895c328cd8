#include "Designing.h"

#include "Forms.h"

#include <memory>

// The one way into a component's protected design state from outside the class.
class TComponentAccess {
public:
  static void SetDesigning(TComponent* component, bool designing) {
    component->SetDesigning(designing);
    for (int i = 0; i < component->ComponentCount(); ++i)
      SetDesigning(component->Components(i), designing);
  }
};

namespace kv {

std::vector<const TRegisteredClass*> RegisteredControls() {
  std::vector<const TRegisteredClass*> controls;
  for (const TRegisteredClass* c : RegisteredClasses())
    if (c->metaObject->inherits(&TControl::staticMetaObject) &&
        !c->metaObject->inherits(&TForm::staticMetaObject))
      controls.push_back(c);
  return controls;
}

void SetDesigning(TComponent* component, bool designing) {
  if (!component) return;
  TComponentAccess::SetDesigning(component, designing);
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
