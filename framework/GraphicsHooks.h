// Links between the graphics unit and the units built on it, kept out of the public
// headers.
#pragma once

#include "KvExport.h"

#include <cstdint>

namespace kv {

// The control layer registers the one listener that broadcasts a change of the
// system colour table to every control.
KV_EXPORT void SetSysColorListener(void (*listener)());
KV_EXPORT void NotifySysColorsChanged();

}  // namespace kv
