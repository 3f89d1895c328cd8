// Links between the graphics unit and the units built on it, kept out of the public
// headers.
#pragma once

namespace kv {

// The control layer registers the one listener that broadcasts a change of the
// system colour table to every control.
void SetSysColorListener(void (*listener)());
void NotifySysColorsChanged();

}  // namespace kv
