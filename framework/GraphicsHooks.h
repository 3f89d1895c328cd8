// Links between the graphics unit and the units built on it, kept out of the public
// headers.
#pragma once

#include "KvExport.h"

#include <cstdint>

class TCanvas;

namespace kv {

// The control layer registers the one listener that broadcasts a change of the
// system colour table to every control.
KV_EXPORT void SetSysColorListener(void (*listener)());
KV_EXPORT void NotifySysColorsChanged();

// A language binding registers the one listener told of every canvas as it is freed (on the
// thread that frees it), so that an object standing for it there can be marked as gone.
KV_EXPORT void SetCanvasFreedListener(void (*listener)(TCanvas* canvas));

}  // namespace kv
