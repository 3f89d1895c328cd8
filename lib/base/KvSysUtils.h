// Free routines the controls share: integer scaling, rectangle and bitmap utilities,
// colours, gradients, 3D frames, shapes and captions, the layout of an image beside a
// caption, 3D and textured text, dot patterns and colour replacement. None keeps state
// between calls; every drawing routine draws on the canvas it is given.
#pragma once

#include "KvExport.h"

#include "Graphics.h"
#include "KvControls.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

// ---------------------------------------------------------------------------
// Scaling and utilities

// Total * (Percent * 0.01) in 80-bit extended precision, truncated toward zero. The
// extended 0.01 lies a hair below 0.01, so some exact products come out one lower
// (60 % of 80 gives 47). Saturates at the int range.
KV_EXPORT int PercentToValue(int Percent, int Total);
// Value * 100 / Total truncated toward zero, 0 when Total is 0; saturates.
KV_EXPORT int ValueToPercent(int Value, int Total);

KV_EXPORT int MinOf(int A, int B);
KV_EXPORT int MaxOf(int A, int B);
KV_EXPORT int RectWidth(const TRect& Rect);
KV_EXPORT int RectHeight(const TRect& Rect);
// (0, 0, width, height); an empty rectangle without a bitmap.
KV_EXPORT TRect BitmapRect(const TBitmap* Bitmap);

// Frees the bitmap if there is one.
KV_EXPORT void FreeBitmap(std::unique_ptr<TBitmap>& Bitmap);
// A new empty bitmap in each element 0..HighIndex (elements past the array are ignored).
KV_EXPORT void CreateBitmaps(std::span<std::unique_ptr<TBitmap>> Bitmaps, int HighIndex);
// Frees each element 0..HighIndex that holds a bitmap.
KV_EXPORT void FreeBitmaps(std::span<std::unique_ptr<TBitmap>> Bitmaps, int HighIndex);

// A system colour (negative value) as its RGB value; other values unchanged.
KV_EXPORT TColor ColorToRGBValue(TColor Color);
KV_EXPORT void SplitColor(TColor Color, uint8_t& R, uint8_t& G, uint8_t& B);
// An 8 x 8 checkerboard: ForeColor where x + y is even, BackColor elsewhere.
KV_EXPORT std::unique_ptr<TBitmap> CreatePatternBitmap(TColor ForeColor, TColor BackColor);

// ---------------------------------------------------------------------------
// Gradients. A Step below 1 counts as 1.

// Bands of Step pixels from StartColor to EndColor: Direction 0 top to bottom, 1 left to
// right; the last band starts at the far edge of Rect. Other directions draw nothing.
KV_EXPORT void GradientFill(TCanvas* Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                            int Direction, int Step);

// Style 1 horizontal bands, 2 vertical bands, 3 and 4 diagonal lines of pen width Step
// (in canvas coordinates from the origin), 5 and 6 bands mirrored about the middle. Style 0
// and styles outside 0..6 draw nothing.
KV_EXPORT void GradientBands(TCanvas* Canvas, const TRect& Rect, TColor StartColor, TColor EndColor,
                             int Style, int Step);

// The gradient direction table: direction index 0..5 to the styles 1, 5, 2, 6, 3, 4 of
// GradientBands; any other index gives style 0 (nothing).
inline constexpr int GradientDirectionStyles[6] = {1, 5, 2, 6, 3, 4};
KV_EXPORT int GradientDirectionStyle(int Direction);

// ---------------------------------------------------------------------------
// Frames, shapes and captions

// Width one-pixel rings from the outside in, top and left in TopColor, right and bottom
// in BottomColor; Rect comes back inset by Width on every side. Rings stop once Rect is
// empty; Width <= 0 draws nothing.
KV_EXPORT void DrawFrame3D(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor,
                           int Width);
// The same, except that the bottom-left pixel of each ring keeps TopColor.
KV_EXPORT void DrawFrame3DCorner(TCanvas* Canvas, TRect& Rect, TColor TopColor, TColor BottomColor,
                                 int Width);

// Shape 0 rectangle, 1 square, 2 rounded rectangle, 3 rounded square, 4 ellipse, 5 circle,
// in (X, Y, W, H); the square figures are centred in it. Other shapes draw nothing.
KV_EXPORT void DrawShape(TCanvas* Canvas, int Shape, int X, int Y, int W, int H);

// Enabled: one line centred in Rect in the font colour. Disabled: the engraved look in
// clBtnHighlight and clBtnShadow, left and top, line breaks honoured; the font colour is
// clBtnShadow afterwards.
KV_EXPORT void DrawCaption(TCanvas* Canvas, const QString& Text, const TRect& Rect, bool Enabled);

// Places an image of ImageSize and Caption in Client (moved by Offset). Margin and Spacing
// of -1 ask for them to be computed along the layout axis.
KV_EXPORT void CalcImageTextLayout(TCanvas* Canvas, const TRect& Client, TPoint Offset,
                                   const QString& Caption, TKvImageTextLayout Layout, int Margin,
                                   int Spacing, TPoint ImageSize, TPoint& ImagePos,
                                   TRect& TextBounds);

// ---------------------------------------------------------------------------
// Text

// Turns the canvas font to Angle degrees, counter-clockwise.
KV_EXPORT void SetFontAngle(TCanvas* Canvas, int Angle);
// The width and height of Text, line breaks honoured.
KV_EXPORT TPoint TextSize(TCanvas* Canvas, const QString& Text);
// Text at (X, Y) over a copy at (X + 1, Y + 1) in BottomRightColor and one at
// (X - 1, Y - 1) in TopLeftColor; the font colour is kept.
KV_EXPORT void DrawEmbossedText(TCanvas* Canvas, int X, int Y, const QString& Text,
                                TColor TopLeftColor, TColor BottomRightColor);
// Text at (X, Y) over a copy at (X + DX, Y + DY) in ShadowColor; the font colour is kept.
KV_EXPORT void DrawShadowText(TCanvas* Canvas, int X, int Y, const QString& Text,
                              TColor ShadowColor, int DX, int DY);
// Text at (X, Y), turned by Angle, filled with Texture stretched over (0, 0, W, H) of the
// canvas, where W and H are Rect's size; the rest of that area keeps its pixels.
KV_EXPORT void DrawTexturedText(TCanvas* Canvas, const TRect& Rect, int X, int Y, int Angle,
                                const TGraphic* Texture, const QString& Text);

// ---------------------------------------------------------------------------
// Dot patterns, tiles and colour replacement

// Fills Rect with BackColor and puts a DotSize square of DotColor at every multiple of
// the pitch Spacing + DotSize from Rect's top-left corner. A pitch below 1 only fills.
KV_EXPORT void DrawDotPattern(TCanvas* Canvas, const TRect& Rect, TColor DotColor, int Spacing,
                              int DotSize, TColor BackColor);
// Renders each pixel of Source as one dot of its colour on BackColor; Dest becomes the
// source size times the pitch. A pitch below 1, an empty source or a size beyond
// kv::kDotImagePixelBudget gives an empty Dest.
KV_EXPORT void MakeDotImage(TBitmap* Dest, const TBitmap* Source, TColor DotColor, int Spacing,
                            int DotSize, TColor BackColor);
// Bitmap repeated from Rect's top-left corner until Rect is covered (the last copies may
// reach past it). A bitmap without pixels draws nothing.
KV_EXPORT void TileBitmap(TCanvas* Canvas, const TRect& Rect, const TBitmap* Bitmap);
// Every pixel of exactly OldColor becomes NewColor.
KV_EXPORT void ReplaceColor(TBitmap* Bitmap, TColor OldColor, TColor NewColor);

