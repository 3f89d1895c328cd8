// Colours, pens, brushes, fonts, the canvas, bitmaps, pictures, regions and cursors.
//
// Every surface is an RGB32 QImage and every primitive keeps these pixel rules:
// rectangles exclude their right and bottom edges, a 1-pixel line does not draw its end
// point, shapes are never anti-aliased, and colour keys, masks and colour replacement
// compare exact RGB values.
#pragma once

#include "KvExport.h"

#include "Classes.h"

#include <QCursor>
#include <QFont>
#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QRecursiveMutex>
#include <QRegion>
#include <QString>

class QPalette;

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// ---------------------------------------------------------------------------
// Colours. A non-negative value holds red in the low byte, then green, then blue; a
// negative value names a system colour by the index in its low byte.

struct KV_EXPORT TColor {
  int32_t Value = 0;
  constexpr TColor() = default;
  constexpr TColor(int32_t v) : Value(v) {}  // NOLINT: colours are plain numbers too
  constexpr operator int32_t() const { return Value; }
};
Q_DECLARE_METATYPE(TColor)

constexpr TColor kvSysColor(int index) { return TColor(int32_t(0x80000000u | unsigned(index))); }

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

inline constexpr TColor clScrollBar = kvSysColor(0);
inline constexpr TColor clBackground = kvSysColor(1);
inline constexpr TColor clActiveCaption = kvSysColor(2);
inline constexpr TColor clInactiveCaption = kvSysColor(3);
inline constexpr TColor clMenu = kvSysColor(4);
inline constexpr TColor clWindow = kvSysColor(5);
inline constexpr TColor clWindowFrame = kvSysColor(6);
inline constexpr TColor clMenuText = kvSysColor(7);
inline constexpr TColor clWindowText = kvSysColor(8);
inline constexpr TColor clCaptionText = kvSysColor(9);
inline constexpr TColor clActiveBorder = kvSysColor(10);
inline constexpr TColor clInactiveBorder = kvSysColor(11);
inline constexpr TColor clAppWorkSpace = kvSysColor(12);
inline constexpr TColor clHighlight = kvSysColor(13);
inline constexpr TColor clHighlightText = kvSysColor(14);
inline constexpr TColor clBtnFace = kvSysColor(15);
inline constexpr TColor clBtnShadow = kvSysColor(16);
inline constexpr TColor clGrayText = kvSysColor(17);
inline constexpr TColor clBtnText = kvSysColor(18);
inline constexpr TColor clInactiveCaptionText = kvSysColor(19);
inline constexpr TColor clBtnHighlight = kvSysColor(20);
inline constexpr TColor cl3DDkShadow = kvSysColor(21);
inline constexpr TColor cl3DLight = kvSysColor(22);
inline constexpr TColor clInfoText = kvSysColor(23);
inline constexpr TColor clInfoBk = kvSysColor(24);

namespace kv {

// The colour of a system colour index from the framework's fixed table, 0x00BBGGRR.
KV_EXPORT int32_t GetSysColor(int index);
// Resolves system colours; other values pass unchanged (the low three bytes).
KV_EXPORT int32_t ColorToRGB(TColor color);
// The colour's name ("clRed", "clBtnFace") or its number in hex ("$00D3B393").
KV_EXPORT QString ColorToString(TColor color);
// Parses a colour name or number; false when the text is neither.
KV_EXPORT bool IdentToColor(const QString& text, TColor& color);

// The most pixels a bitmap or a control's surface may have: larger ones would take gigabytes.
inline constexpr int64_t kMaxBitmapPixels = int64_t(1) << 26;

// Device pixels per canvas pixel are whole numbers up to this.
inline constexpr int kMaxDeviceScale = 4;
// The scale a canvas draws at on a device of this pixel ratio: the next whole number, so a
// fractional ratio draws finer than the window and is reduced once, never enlarged.
KV_EXPORT int DeviceScaleOf(double devicePixelRatio);
// The region in pixels `scale` times finer: each pixel becomes a scale x scale block.
KV_EXPORT QRegion ScaledRegion(const QRegion& region, int scale);

// While one lives, the images decoded on this thread share one pixel budget (2^25 pixels in
// all): a reader of a container of images (a form description, a bitmap list) opens one, so
// that many images together hold no more than one may. Scopes nest; the outermost one sets
// the budget.
class KV_EXPORT PixelBudgetScope {
public:
  PixelBudgetScope();
  ~PixelBudgetScope();
  PixelBudgetScope(const PixelBudgetScope&) = delete;
  PixelBudgetScope& operator=(const PixelBudgetScope&) = delete;

private:
  bool FOutermost;
};

// 0xFFRRGGBB, the pixel value of an RGB32 surface.
inline uint32_t ToPixel(int32_t bgr) {
  return 0xFF000000u | ((uint32_t(bgr) & 0xFFu) << 16) | (uint32_t(bgr) & 0xFF00u) |
         ((uint32_t(bgr) >> 16) & 0xFFu);
}
inline uint32_t ColorToPixel(TColor c) { return ToPixel(ColorToRGB(c)); }
inline TColor PixelToColor(uint32_t px) {
  return TColor(int32_t(((px >> 16) & 0xFFu) | (px & 0xFF00u) | ((px & 0xFFu) << 16)));
}
// Replaces an entry of the system colour table (0x00BBGGRR) and tells every control
// that the system colours changed (the host's theme changed).
KV_EXPORT void SetSysColor(int index, int32_t bgr);
// Restores the framework's table.
KV_EXPORT void ResetSysColors();
}  // namespace kv

// ---------------------------------------------------------------------------
// Enumerations of this unit.

namespace Graphics {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
Q_ENUM_NS(TPenStyle)
using enum TPenStyle;
enum class TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
Q_ENUM_NS(TPenMode)
using enum TPenMode;
enum class TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
Q_ENUM_NS(TBrushStyle)
using enum TBrushStyle;
enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_FLAG_NS(TFontStyles)
enum class TFontPitch { fpDefault, fpVariable, fpFixed };
Q_ENUM_NS(TFontPitch)
using enum TFontPitch;
enum class TCopyMode {
  cmSrcCopy,
  cmSrcInvert,
  cmSrcAnd,
  cmSrcPaint,
  cmNotSrcCopy,
  cmBlackness,
  cmWhiteness
};
Q_ENUM_NS(TCopyMode)
using enum TCopyMode;
enum class TFillStyle { fsSurface, fsBorder };
Q_ENUM_NS(TFillStyle)
using enum TFillStyle;
enum class TPixelFormat {
  pfDevice,
  pf1bit,
  pf4bit,
  pf8bit,
  pf15bit,
  pf16bit,
  pf24bit,
  pf32bit,
  pfCustom
};
Q_ENUM_NS(TPixelFormat)
using enum TPixelFormat;
enum class TTransparentMode { tmAuto, tmFixed };
Q_ENUM_NS(TTransparentMode)
using enum TTransparentMode;
// Where the system colours come from. Palette: the application palette, followed through its
// changes (clBtnFace the Button role, clWindowText WindowText ...), so that the controls look
// at home in a light or dark desktop. Classic: the framework's fixed table, the same pictures
// on every machine. A program that wants the classic look pins it before it makes controls.
enum class SysColorSource { Palette, Classic };
Q_ENUM_NS(SysColorSource)
using enum SysColorSource;

}  // namespace Graphics
Q_DECLARE_OPERATORS_FOR_FLAGS(Graphics::TFontStyles)

using Graphics::TBrushStyle;
using Graphics::TCopyMode;
using Graphics::TFillStyle;
using Graphics::TFontPitch;
using Graphics::TFontStyle;
using Graphics::TFontStyles;
using Graphics::TPenMode;
using Graphics::TPenStyle;
using Graphics::TPixelFormat;
using Graphics::TTransparentMode;

namespace kv {
using Graphics::SysColorSource;
KV_EXPORT void SetSysColorSource(SysColorSource source);
KV_EXPORT SysColorSource GetSysColorSource();
// Takes the table from a palette when the source is Palette (the control layer calls it on
// every change of the application palette); does nothing while the classic table is pinned.
KV_EXPORT void FollowPalette(const QPalette& palette);
}  // namespace kv

class TBitmap;
class TCanvas;

// ---------------------------------------------------------------------------
// Graphic objects. Each fires OnChange after any change of its properties.

// The base of the pen, the brush and the font: OnChange follows any change of their settings.
class KV_EXPORT TGraphicsObject : public QObject, public TPersistent {
  Q_OBJECT
public:
  // Counts the changes: a canvas compares it to know whether what it keeps of its pen is
  // still right, without listening to OnChange.
  uint64_t ChangeStamp() const { return FChangeStamp; }

signals:
  void OnChange(TObject* Sender);

protected:
  void Changed();

private:
  uint64_t FChangeStamp = 0;
};

// How a canvas draws lines and outlines: colour, width, style and raster mode.
class KV_EXPORT TPen : public TGraphicsObject {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(Graphics::TPenMode Mode READ Mode WRITE SetMode)
  Q_PROPERTY(Graphics::TPenStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(int Width READ Width WRITE SetWidth)
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.Mode", "pmCopy")
  Q_CLASSINFO("default.Style", "psSolid")
  Q_CLASSINFO("default.Width", "1")
public:
  TPen() = default;
  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  TPenMode Mode() const { return FMode; }
  // Mode and Style refuse (ignore) values that name no enumerator.
  void SetMode(TPenMode v);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle v);
  int Width() const { return FWidth; }
  // Widths below 1 are 1.
  void SetWidth(int v);
  void Assign(const TPersistent* source) override;

private:
  TColor FColor = clBlack;
  TPenMode FMode = TPenMode::pmCopy;
  TPenStyle FStyle = TPenStyle::psSolid;
  int FWidth = 1;
};

// How a canvas fills shapes: colour and style.
class KV_EXPORT TBrush : public TGraphicsObject {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(Graphics::TBrushStyle Style READ Style WRITE SetStyle)
  Q_CLASSINFO("default.Color", "clWhite")
  Q_CLASSINFO("default.Style", "bsSolid")
public:
  TBrush() = default;
  TColor Color() const { return FColor; }
  // Choosing a colour makes a clear brush solid, as the framework does.
  void SetColor(TColor v);
  TBrushStyle Style() const { return FStyle; }
  // Refuses (ignores) values that name no enumerator.
  void SetStyle(TBrushStyle v);
  // The pattern bitmap (not owned) overrides Style while set; its pixel (0, 0) lies at
  // the canvas origin.
  TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* v);
  void Assign(const TPersistent* source) override;

private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = TBrushStyle::bsSolid;
  TBitmap* FBitmap = nullptr;
};

// Height < 0 is the character height in pixels; Size is points at 96 dpi
// (Height = -Size * 96 / 72, rounded). "Arial" and "MS Sans Serif" map to metric-compatible
// installed families. Orientation is the escapement in tenths of a degree,
// counter-clockwise.
class KV_EXPORT TFont : public TGraphicsObject {
  Q_OBJECT
  Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(QString Name READ Name WRITE SetName)
  Q_PROPERTY(Graphics::TFontPitch Pitch READ Pitch WRITE SetPitch)
  Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
  Q_PROPERTY(Graphics::TFontStyles Style READ Style WRITE SetStyle)
  Q_CLASSINFO("default.Charset", "1")
  Q_CLASSINFO("default.Color", "clWindowText")
  Q_CLASSINFO("default.Height", "-11")
  Q_CLASSINFO("default.Name", "MS Sans Serif")
  Q_CLASSINFO("default.Pitch", "fpDefault")
  Q_CLASSINFO("default.Style", "[]")
public:
  TFont() = default;
  int Charset() const { return FCharset; }
  void SetCharset(int v);
  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  int Height() const { return FHeight; }
  void SetHeight(int v);
  const QString& Name() const { return FName; }
  void SetName(const QString& v);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch v);
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles v);
  int Orientation() const { return FOrientation; }
  void SetOrientation(int tenthsOfDegree);
  void Assign(const TPersistent* source) override;
  // The Qt font these settings select (pixel-sized, never anti-aliased).
  const QFont& ToQFont() const;

private:
  int FCharset = 1;
  TColor FColor = clWindowText;
  int FHeight = -11;
  QString FName = QStringLiteral("MS Sans Serif");
  TFontPitch FPitch = TFontPitch::fpDefault;
  TFontStyles FStyle;
  int FOrientation = 0;
  mutable std::optional<QFont> FQFont;
};

namespace kv {
// The installed family that stands in for a family name of the form descriptions.
KV_EXPORT QString SubstituteFontFamily(const QString& name);
}  // namespace kv

// ---------------------------------------------------------------------------
// Regions: sets of pixels, in the coordinates of the canvas they clip.

namespace kv {

enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : int { ALTERNATE = 1, WINDING = 2 };

}  // namespace kv

// Always held in canonical form (y-x banded, touching spans joined, vertically adjacent bands
// with the same spans merged), so equal pixel sets have equal rectangle lists.
class KV_EXPORT TRegion {
public:
  TRegion() = default;
  explicit TRegion(const QRegion& region);
  const QRegion& ToQRegion() const { return FRegion; }
  bool IsEmpty() const { return FRegion.isEmpty(); }
  TRect BoundingRect() const { return kv::FromQRect(FRegion.boundingRect()); }
  bool Contains(int x, int y) const { return FRegion.contains(QPoint(x, y)); }
  friend bool operator==(const TRegion& a, const TRegion& b) { return a.FRegion == b.FRegion; }

private:
  QRegion FRegion;
};

namespace kv {

KV_EXPORT TRegion CreateRectRgn(int x1, int y1, int x2, int y2);
// The interior and rim of the ellipse that Canvas.Ellipse draws in the same box.
KV_EXPORT TRegion CreateEllipticRgn(int x1, int y1, int x2, int y2);
KV_EXPORT TRegion CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h);
// Pixels whose centres lie inside the polygon under the fill mode (ALTERNATE, WINDING).
KV_EXPORT TRegion CreatePolygonRgn(std::span<const TPoint> points, int fillMode);
// Dest := A op B. Returns false for an unknown mode (Dest unchanged).
KV_EXPORT bool CombineRgn(TRegion& dest, const TRegion& a, const TRegion& b, int mode);
// The window region of a mask by the form shape's scan: each row contributes its runs of
// pixels that are not MaskColor (a system colour is resolved first), except that the
// last column never belongs to the region. Empty when the mask has no such run.
KV_EXPORT TRegion MaskRegion(const TBitmap& Mask, TColor MaskColor);

// The region data block: a 32-byte header {32, type 1, count N, N * 16, bounds} and
// N rectangles (left, top, right, bottom as 32-bit little-endian integers), y-x banded.
KV_EXPORT QByteArray GetRegionData(const TRegion& region);
// The region of a region data block, or none when the block is malformed (wrong header
// size or type, rectangle bytes other than N * 16, more bytes declared than given,
// inverted rectangles, coordinates beyond +-2^28).
KV_EXPORT std::optional<TRegion> ExtCreateRegion(const void* data, int64_t size);

}  // namespace kv

// ---------------------------------------------------------------------------
// Text layout flags of DrawText.

namespace kv {

enum : unsigned {
  DT_TOP = 0x0,
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8,
  DT_WORDBREAK = 0x10,
  DT_SINGLELINE = 0x20,
  DT_EXPANDTABS = 0x40,
  DT_NOCLIP = 0x100,
  DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800,
};

}  // namespace kv

// ---------------------------------------------------------------------------
// The canvas: drawing on one RGB32 surface (a bitmap's image, or a control's surface
// during its paint), with a pen, a brush, a font and a clip.

class TGraphic;
namespace kv {
struct ClipRects;
class SurfaceRows;
struct CanvasTarget;

// One colour of a colour replacement and the colour it becomes.
struct ColorReplacement {
  TColor From;
  TColor To;
};

// DrawText with the flags above; returns the height of the text drawn. With DT_CALCRECT
// nothing is drawn and R becomes the text's extent (Right = Left + widest line,
// Bottom = Top + lines * line height).
KV_EXPORT int DrawText(TCanvas* canvas, const QString& text, TRect& r, unsigned flags);
}  // namespace kv

// What a control and a bitmap draw on: lines, shapes, text and copies of pictures, with a
// pen, a brush and a font, keeping the pixel rules this header opens with.
class KV_EXPORT TCanvas : public TPersistent {
public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPen* Pen() const { return FPen.get(); }
  TBrush* Brush() const { return FBrush.get(); }
  TFont* Font() const { return FFont.get(); }
  void SetPen(const TPen* v) { FPen->Assign(v); }
  void SetBrush(const TBrush* v) { FBrush->Assign(v); }
  void SetFont(const TFont* v) { FFont->Assign(v); }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode v) { FCopyMode = v; }
  TPoint PenPos() const { return FPenPos; }

  // The clip box in canvas coordinates (empty without a surface).
  TRect ClipRect() const;
  // Selects a clip region in canvas coordinates (none: no clip of its own); the surface's
  // own limit (a paint's update area) stays in force.
  void SelectClipRgn(const TRegion* region);

  // Pixel read: the colour, or -1 outside the surface or the clip.
  TColor Pixels(int x, int y) const;
  void SetPixels(int x, int y, TColor color);
  // Each pixel of R whose colour is the From of an entry takes that entry's To, every match
  // taken from the pixels as they were before the call; when two entries match the same
  // pixel, the later one wins.
  void ReplaceColors(const TRect& r, std::span<const kv::ColorReplacement> replacements);

  // Recursive, usable from any thread.
  void Lock();
  void Unlock();
  bool TryLock();

  void MoveTo(int x, int y) { FPenPos = {x, y}; }
  void LineTo(int x, int y);
  void Polyline(std::span<const TPoint> points);
  void Polygon(std::span<const TPoint> points);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int w, int h);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void FillRect(const TRect& r);
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect& r);
  // A dotted one-pixel frame that inverts what it covers.
  void DrawFocusRect(const TRect& r);
  void FloodFill(int x, int y, TColor color, TFillStyle style);
  // The pixels FloodFill(X, Y, Color, Style) would paint, found on the pixels as they are and
  // painted nowhere: a rectangle one row high per run; none when the seed lies outside the clip.
  std::vector<TRect> FloodArea(int x, int y, TColor color, TFillStyle style) const;

  // (X, Y) is the top-left of the text cell; a solid brush fills the cell.
  void TextOut(int x, int y, const QString& text);
  int TextWidth(const QString& text) const;
  int TextHeight(const QString& text) const;
  TSize TextExtent(const QString& text) const;

  void Draw(int x, int y, const TGraphic* graphic);
  void StretchDraw(const TRect& dest, const TGraphic* graphic);
  void CopyRect(const TRect& dest, const TCanvas* source, const TRect& sourceRect);
  // Copies Source of the bitmap into Dest; source pixels of Key become the brush colour
  // (solid brush) or are left out (clear brush).
  void BrushCopy(const TRect& dest, const TBitmap* bitmap, const TRect& source, TColor key);
  // The Source rectangle of the bitmap as dots: its pixel (i, j) becomes a square of DotSize
  // pixels in its colour, with its top left at (X + i * Pitch, Y + j * Pitch), i and j
  // counted from Source's corner. Dots wider than the pitch are drawn as wide as the pitch;
  // the gaps between dots are left alone.
  void DrawDots(int x, int y, const TBitmap* bitmap, const TRect& source, int dotSize, int pitch);

  // The surface drawn on, or none.
  QImage* Surface() const { return FSurface; }
  // Surface pixels per canvas pixel along each axis: the surface's device pixel ratio (a
  // whole number, at least 1), taken when it is attached. Coordinates, pen widths, font
  // sizes, dashes and hatches scale by it, so a drawing is the same at every scale, only
  // finer; Pixels and SetPixels address canvas pixels. kv::ToSurface maps a canvas point.
  int DeviceScale() const { return FScale; }

  // Points the canvas at a surface: Limit (surface coordinates, Origin-relative) bounds all
  // drawing, none meaning the whole surface. Origin is where canvas (0, 0) lies on it, in
  // surface pixels.
  void Attach(QImage* surface, QPoint origin = {}, std::optional<QRegion> limit = std::nullopt);
  void Detach();
  QPoint Origin() const { return FOrigin; }
  // The clip in force, in surface coordinates: the surface bounds, the attach limit and
  // the selected region intersected (for the framework's drawing code).
  const kv::ClipRects& EffectiveClip() const;
  // The surface's rows for writing (for the framework's drawing code). The surface is
  // detached from any copy sharing its pixels; while it stays the same unshared image,
  // later calls reuse that access instead of detaching again.
  kv::SurfaceRows WritableRows() const;
  // The rows for writing and the clip in force, checked together: what a drawing call
  // takes once (defined with the rows, for the framework's drawing code).
  inline kv::CanvasTarget Target() const;

  // A monochrome surface holds only black and white: colours drawn on it are mapped to
  // the nearer of the two (a monochrome bitmap's canvas says so).
  bool MonochromeSurface() const { return FMonochrome; }

protected:
  // Called after every drawing operation: the bitmap drawn on, if any, counts the change
  // and tells its listeners.
  inline void Changed();

private:
  friend int kv::DrawText(TCanvas* canvas, const QString& text, TRect& r, unsigned flags);
  friend class TBitmap;
  void InvalidateClip();
  // Makes write access and the clip right for the surface as it is now (out of line: the
  // check before it is made for every drawing call).
  void Revalidate() const;
  void SetMonochromeSurface(bool v);
  // Takes the pen's state that the plain line needs; kept until the pen changes.
  void KeepPen() const;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  std::unique_ptr<TFont> FFont;
  TCopyMode FCopyMode = TCopyMode::cmSrcCopy;
  TPoint FPenPos;
  QImage* FSurface = nullptr;
  int FScale = 1;
  QPoint FOrigin;
  std::optional<QRegion> FLimit;
  std::optional<QRegion> FUserClip;
  mutable QRecursiveMutex FLock;
  mutable std::unique_ptr<kv::ClipRects> FClip;  // derived from the three above, if valid
  mutable bool FClipValid = false;
  mutable qint64 FClipKey = 0;  // the surface's cache key FClip was checked at
  // Write access to the surface, valid while its cache key (which changes with every
  // detach and new pixel data) is FSurfaceKey and no copy shares its pixels; FClip is
  // then right for it too.
  mutable qint64 FSurfaceKey = -1;
  mutable uchar* FSurfaceBits = nullptr;
  mutable qsizetype FSurfaceStride = 0;
  // The pen as a plain line draws it, taken at the pen's change stamp FPenStamp and the
  // surface's monochrome flag (which resets the stamp when it changes).
  mutable uint64_t FPenStamp = UINT64_MAX;
  mutable uint32_t FPenPixel = 0;  // 0: a system colour, looked up at each call
  mutable bool FPlainPen = false;  // one pixel wide, solid, copying its colour
  bool FMonochrome = false;
  TGraphic* FGraphic = nullptr;  // the graphic whose pixels these are, told of changes
};

namespace kv {
// Holds a canvas's lock for a scope.
class CanvasLock {
public:
  explicit CanvasLock(TCanvas* canvas) : FCanvas(canvas) { FCanvas->Lock(); }
  ~CanvasLock() { FCanvas->Unlock(); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;

private:
  TCanvas* FCanvas;
};
}  // namespace kv

// ---------------------------------------------------------------------------
// Graphics and bitmaps

// The base of pictures that can be drawn on a canvas, loaded and saved (TBitmap).
class KV_EXPORT TGraphic : public QObject, public TPersistent {
  Q_OBJECT
public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int v) = 0;
  virtual void SetHeight(int v) = 0;
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  void LoadFromFile(const QString& fileName);
  void SaveToFile(const QString& fileName) const;

  // Counts the changes, whether or not anyone listens: a drawing kept from a graphic
  // compares it to know whether the graphic is still as drawn.
  uint64_t ChangeStamp() const { return FChangeStamp; }

signals:
  void OnChange(TObject* Sender);

protected:
  void Changed() {
    ++FChangeStamp;
    if (FListened.load(std::memory_order_relaxed)) [[unlikely]]
      emit OnChange(this);
  }
  void connectNotify(const QMetaMethod& signal) override;

private:
  friend class TCanvas;
  bool FTransparent = false;
  uint64_t FChangeStamp = 0;
  // Canvas calls change a bitmap thousands of times a frame; the signal is emitted only
  // once something has connected to it.
  std::atomic<bool> FListened = false;
};

// An RGB32 image of any size (0 x 0 is empty) with the framework's bitmap semantics:
// resizing keeps the overlapping top-left part and fills new area black; a monochrome
// bitmap holds only black and white; the automatic transparent colour is the bottom-left
// pixel. The loaded file's depth and colour table are kept for saving.
class KV_EXPORT TBitmap : public TGraphic {
  Q_OBJECT
public:
  TBitmap();
  ~TBitmap() override;

  bool Empty() const override;
  int Width() const override { return FImage.width() / FScale; }
  int Height() const override { return FImage.height() / FScale; }
  void SetWidth(int v) override { SetSize(v, Height()); }
  void SetHeight(int v) override { SetSize(Width(), v); }
  // Negative sizes count as 0; a same size keeps every pixel.
  void SetSize(int width, int height);
  TCanvas* Canvas() const;
  // Image pixels per bitmap pixel along each axis (1 to kMaxDeviceScale): Width and Height
  // count bitmap pixels, the image and its scan lines image pixels, and the canvas draws at
  // this scale. A bitmap made for a canvas takes that canvas's scale, so copying it there
  // is one to one. A new scale keeps the size and clears the pixels to black; loading or
  // setting an image makes it 1.
  int DeviceScale() const { return FScale; }
  void SetDeviceScale(int scale);

  TPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TPixelFormat v);
  bool Monochrome() const { return FPixelFormat == TPixelFormat::pf1bit; }
  void SetMonochrome(bool v);

  TColor TransparentColor() const;
  void SetTransparentColor(TColor v);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode v);

  // Turns the bitmap into a monochrome mask: pixels of exactly Color white, others black.
  void Mask(TColor color);

  // Reads one BMP file and consumes exactly the size its header gives. On failure
  // (EInvalidGraphic) the bitmap is unchanged and the stream is back where it was.
  void LoadFromStream(TStream& stream) override;
  // Reads one BMP file held in memory (the span may extend past its declared size), drawn
  // at Scale (1 to kMaxDeviceScale): its image is Scale times the bitmap's size. A
  // malformed file, or an image whose sides are not multiples of Scale, raises
  // EInvalidGraphic and leaves the bitmap unchanged.
  void LoadFromMemory(std::span<const uint8_t> file, int scale = 1);
  void SaveToStream(TStream& stream) const override;
  // A bitmap compiled into the program, by name, case-insensitively.
  void LoadFromResourceName(const QString& name);
  void Assign(const TPersistent* source) override;

  const uint32_t* ScanLine(int y) const;
  uint32_t* ScanLine(int y);
  // The pixels themselves (RGB32).
  const QImage& Image() const { return FImage; }
  // Replaces the pixels (converted to RGB32) and fires OnChange.
  void SetImage(const QImage& image) { SetImageAt(image, 1); }
  // Tells OnChange subscribers that the pixels were changed directly.
  void PixelsChanged() { Changed(); }

private:
  // Every change of the format goes here, so that the canvas knows a monochrome surface.
  void StoreFormat(TPixelFormat v);
  // Every change of the scale goes here, so that the canvas draws at it.
  void StoreScale(int scale);
  // The pixels replaced by Image drawn at Scale, which divides its sides.
  void SetImageAt(const QImage& image, int scale);
  QImage FImage;
  int FScale = 1;
  TPixelFormat FPixelFormat = TPixelFormat::pfDevice;
  std::vector<uint32_t> FColorTable;  // of the loaded file, for saving at its depth
  TTransparentMode FTransparentMode = TTransparentMode::tmAuto;
  TColor FTransparentColor = clDefault;
  mutable std::unique_ptr<TCanvas> FCanvas;
};

inline void TCanvas::Changed() {
  if (FGraphic) FGraphic->Changed();
}

// Holds one graphic (a bitmap); fires OnChange when it changes.
class KV_EXPORT TPicture : public QObject, public TPersistent {
  Q_OBJECT
public:
  TPicture();
  ~TPicture() override;
  TGraphic* Graphic() const { return FBitmap.get(); }
  // The held bitmap, made empty on first use.
  TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(const TBitmap* v) { FBitmap->Assign(v); }
  int Width() const { return FBitmap->Width(); }
  int Height() const { return FBitmap->Height(); }
  void Assign(const TPersistent* source) override;
  void LoadFromFile(const QString& fileName);
  void SaveToFile(const QString& fileName) const;

signals:
  void OnChange(TObject* Sender);

private:
  std::unique_ptr<TBitmap> FBitmap;
};

// ---------------------------------------------------------------------------
// Cursors

using TCursor = int;
namespace kv {

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeAll = -22;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crHandPoint = -21;

// A cursor compiled into the program, by name (case-insensitive); raises
// EInvalidGraphic when there is none or it cannot be read.
KV_EXPORT QCursor LoadCursor(const QString& name);

// The Qt resource path of a named program resource ("KVCURSORHANDPOINT" ->
// ":/kv/res/KVCURSORHANDPOINT.cur"), or empty when there is no such resource.
KV_EXPORT QString FindResource(const QString& name, const char* extension);
}  // namespace kv
