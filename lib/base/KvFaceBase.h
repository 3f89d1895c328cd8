// The kept bottom of a windowed image control's face: the frame, bevel, scale or caption
// under what a value moves.
#pragma once

#include "KvControls.h"

#include <functional>

namespace kv {

// Clear followed by Drawing make the bottom of a face on Image. While Key (which holds the
// size and the colour Clear fills with, and what Drawing depends on) stays the same, one copy
// of what both made last time stands in for them (only inside Within when given); the canvas
// then has the solid brush of Color that a clear leaves.
void ClearWithBase(TBitmap* image, TColor color, TKvFaceBase& base, const TKvLayerKey& key,
                   const std::function<void()>& clear, const std::function<void()>& drawing,
                   const TRect* within = nullptr);

// Copies the pixels of Source's rectangle From to Target with From's top left at At, clipped
// to both pictures: what a plain copy writes, one row at a time.
void CopyRows(TBitmap* target, TPoint at, const QImage& source, const TRect& from);

}  // namespace kv
