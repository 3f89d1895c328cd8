// What tools that place controls need: the control classes form descriptions can create,
// the design state, and a control's picture as a window shows it.
#pragma once

#include "KvExport.h"

#include "ClassRegistry.h"

#include <QImage>

#include <vector>

class TComponent;
class TControl;

namespace kv {

// Every registered class that is a control, forms excepted (they are windows, not parts of
// one), ordered by name.
KV_EXPORT std::vector<const TRegisteredClass*> RegisteredControls();

// Puts Component and everything it owns into the design state, or takes them out of it. While
// designing, Active controls stay still and their timers do not run.
KV_EXPORT void SetDesigning(TComponent* component, bool designing);

// The control's area of the window it is on, drawn without showing the window: its own
// picture over what lies beneath it. A control without a parent is drawn on a plain form of
// its size for the time being.
KV_EXPORT QImage ControlPicture(TControl* control);

}  // namespace kv
