// What a picture of a control at its settings lacks, for the tools that show every control
// (the gallery, Designer's widget box): a new or demo control shows no data until a program
// feeds it, and a label without its caption shows nothing.
#pragma once

#include "KvExport.h"

class TControl;

namespace kv {

// Gives the control the data and text a user sees it at work with: a filled scope window, a
// spectrum of a sound, slices in an empty percent graph, a caption in a label or a hyperlink
// that has none. Other controls stay as they are.
KV_TEST_EXPORT void ShowAtWork(TControl* control);

}  // namespace kv
