// A window's outline in the window system's own pixels. Qt's window mask is a region of
// logical pixels, so on a screen of ratio 2 a shaped window's edge steps by two device
// pixels; where the window system takes an outline in its own pixels it can be finer.
// Internal: used by the form.
#pragma once

#include "KvExport.h"

#include <QRegion>

class QWindow;

namespace kv {

// Whether Window can take an outline in device pixels now: its native window exists and
// the window system shapes windows in its own pixels.
bool ShapesInDevicePixels(const QWindow* window);

// Sets Window's outline to DevicePixels (window coordinates in device pixels). False, and
// nothing changed, where it cannot, or where a rectangle lies beyond the window system's
// 16-bit coordinates.
bool ShapeInDevicePixels(const QWindow* window, const QRegion& devicePixels);

// The logical pixels any of DevicePixels at Scale falls into.
KV_TEST_EXPORT QRegion LogicalCover(const QRegion& devicePixels, int scale);

}  // namespace kv
