// Helpers of the labels that are no API: text outlines, opening a link, a turned label's
// geometry.
#pragma once

#include "KvExport.h"

#include "Graphics.h"
#include "StdCtrls.h"

#include <QString>

#include <functional>

namespace kv {

// Draws Text in R (DrawText flags: the alignment, tab expansion and, with Wrap, word
// breaks; from the top of R, clipped to it) over a Width-pixel halo in OutlineColor: a copy
// at every offset (dx, dy) with 1 <= |dx|, |dy| <= Width. An empty R shows nothing.
KV_TEST_EXPORT void DrawOutlinedText(TCanvas* Canvas, const TRect& R, const QString& Text,
                                     bool Wrap, TAlignment Alignment, TColor OutlineColor,
                                     int Width);
// Calls F for each halo offset of a Width-pixel outline, in drawing order.
KV_TEST_EXPORT void ForEachOutlineOffset(int Width, const std::function<void(int DX, int DY)>& F);

// Opens a URL in the user's default browser, passed on as one argument, never through a
// command interpreter; false when the system cannot open it.
using UrlOpener = std::function<bool(const QString& Url)>;
bool OpenUrl(const QString& Url);
// Replaces the opener (none: the system's again).
KV_TEST_EXPORT void SetUrlOpenerForTesting(UrlOpener Opener);

// The point handed to TextOut for a Text (unrotated width and height) turned by Angle
// degrees counter-clockwise and placed in a Client of the given size: the top-left corner
// of the unrotated text cell, around which the text turns. The text keeps a 2-pixel inset
// and never starts left of its left-justified place.
KV_TEST_EXPORT TPoint LabelTextOrigin(int Angle, TPoint Text, TPoint Client, TAlignment Alignment,
                                      TTextLayout Layout);
// The width and height of the box around a Text turned by Angle degrees, truncated.
KV_TEST_EXPORT TPoint TurnedTextExtent(int Angle, TPoint Text);

}  // namespace kv
