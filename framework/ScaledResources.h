// Artwork at the device scale. A named resource comes as NAME.ext at 1x and, where the
// resource generator drew them, as NAME@2x.ext and NAME@3x.ext: the same picture drawn at
// two and three times the size. A scale without its own version takes the nearest one
// scaled smoothly, never by repeating pixels.
#pragma once

#include "Graphics.h"

#include <QCursor>
#include <QString>

namespace kv {

// "NAME.ext" at scale 1, "NAME@<scale>x.ext" above it, the name upper case.
KV_EXPORT QString ScaledResourceFileName(const QString& name, const char* extension, int scale);

// The picture of the bitmap resource `name` for a canvas at `scale`: the 1x picture's
// format, Width and Height in bitmap pixels, its image at the scale, so the bottom-left
// pixel (the transparent colour) and cells keep their places. Raises EInvalidGraphic when
// there is no such resource.
KV_EXPORT void LoadResourceBitmap(TBitmap& bitmap, const QString& name, int scale);

// The name of the bitmap resource with larger versions whose 1x picture `bitmap` holds, or
// empty: its pixels compared with those of every such resource loaded by name so far. A
// picture a form names is drawn in that resource's version for the scale this way.
KV_EXPORT QString ResourceNameHeldBy(const TBitmap& bitmap);
// Notes the 1x picture of a bitmap resource loaded by name (TBitmap::LoadFromResourceName).
void NoteLoadedResource(const QString& name, const QImage& image);

// The cursor resource `name` for screens of the application's pixel ratio: a pixmap of
// that ratio with the hot spot in logical pixels, as Qt takes it.
KV_EXPORT QCursor LoadCursorAt(const QString& name, int scale);

}  // namespace kv
