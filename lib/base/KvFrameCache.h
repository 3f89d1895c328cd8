// The frame cache: what the controls keep between frames so that a live frame draws only
// what moved. Kept layers and pictures under the key of their drawing's inputs, the kept
// bottom of a face, the scrolling tape, and the pixel-row copies they are made of. Internal:
// not installed, and no installed header includes it (a control keeps its caches in its
// private data).
#pragma once

#include "Graphics.h"
#include "KvControls.h"
#include "RenderQuality.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QPointF>

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <utility>
#include <vector>

class TKvBevel;

// The inputs of a kept drawing, written one after the other: it is drawn again when they
// differ from the last paint's. Every key starts with the rendering quality, so nothing kept
// at one quality shows at the other.
class KV_TEST_EXPORT TKvLayerKey {
public:
  // Only the bytes written are read: the room in place is left as it is.
  TKvLayerKey() { *this << kv::RendersSmooth(); }
  // No moves: a copy points at its own bytes.
  TKvLayerKey(const TKvLayerKey& other) { Append(other.FData, other.FSize); }
  TKvLayerKey& operator=(const TKvLayerKey& other);
  TKvLayerKey& operator<<(int64_t v) { return Append(&v, sizeof v); }
  TKvLayerKey& operator<<(int v) { return *this << int64_t(v); }
  TKvLayerKey& operator<<(bool v) { return *this << int64_t(v); }
  TKvLayerKey& operator<<(const QString& v);
  // Colours as drawn, so that a change of the system colours counts.
  TKvLayerKey& operator<<(TColor c);
  TKvLayerKey& operator<<(const TFont* f);
  // A picture's pixels, by the identity of their current contents.
  TKvLayerKey& operator<<(const TBitmap* b);
  TKvLayerKey& operator<<(const TRect& r);
  // Everything a bevel's Paint depends on.
  TKvLayerKey& operator<<(const TKvBevel* b);
  QByteArrayView Bytes() const { return {FData, qsizetype(FSize)}; }  // while the key lives

private:
  TKvLayerKey& Append(const void* data, size_t size) {
    if (size > FCapacity - FSize) Grow(size);
    std::memcpy(FData + FSize, data, size);
    FSize += size;
    return *this;
  }
  void Grow(size_t size);

  // A key is made every frame: the inputs of most drawings fit in place, and appending is a
  // store, not a call.
  char FInPlace[256];
  std::unique_ptr<char[]> FOnHeap;  // for a key that outgrew FInPlace
  char* FData = FInPlace;
  size_t FSize = 0;
  size_t FCapacity = sizeof FInPlace;
};

// A part of a face that does not change from frame to frame (a scale, ticks, a bevel, a
// caption): the pixels its drawing writes, recorded once and replayed over the image while
// the drawing's key stays the same, whatever lies under them. The drawing must write only
// opaque pixels in copy modes: it is recorded by running it on a black and on a white image,
// and a pixel it wrote has the same colour on both. A smooth drawing's edge pixels, which
// blend with what lies under them, are recorded by how they blend and blended again when
// replayed.
class KV_TEST_EXPORT TKvStaticLayer {
public:
  using Drawing = std::function<void(TCanvas*)>;

  // Writes the drawing's pixels onto Target, drawing afresh only when Key or Target's size
  // changed; with Within, only the recorded pixels inside that rectangle.
  void Draw(TBitmap* target, const TKvLayerKey& key, const Drawing& drawing,
            const TRect* within = nullptr);
  // A small drawing repeated at many places (a dot, a tick): recorded once on an image of
  // Size, and replayed with its top left corner at At, clipped to Target.
  void Stamp(TBitmap* target, const TKvLayerKey& key, TSize size, const Drawing& drawing,
             TPoint at);
  // Forgets the recording: the next Draw draws afresh.
  void Clear();
  bool Empty() const { return FPixels.isNull(); }

private:
  struct Run {
    int Y, Begin, End;
  };
  // An edge pixel: drawn over Under it shows Over plus Through/255 of Under, per channel.
  struct Blend {
    int Y, X;
    uint32_t Over, Through;
  };
  void Record(int width, int height, int scale, const Drawing& drawing);
  void Replay(TBitmap* target, const TRect* within, TPoint at) const;

  QByteArray FKey;
  QImage FPixels;
  std::vector<Run> FRuns;
  std::vector<Blend> FBlends;  // in row order; none for a classic drawing
};

namespace kv {

// A shape drawn with a pen and a brush, recorded once by which of the two painted each
// pixel (and, for a smooth edge pixel, how much of each and of what lies under it) and
// painted again in any two colours: a shadow whose colour changes keeps its shape.
class TwoToneShape {
public:
  using Drawing = std::function<void(TCanvas*)>;
  // Paints the shape Drawing draws with the canvas's pen and brush colours, in Pen and Brush,
  // drawing afresh only when Key or Target's size changed. The drawing may only use copy modes.
  void Paint(TBitmap* target, const TKvLayerKey& key, const Drawing& drawing, TColor pen,
             TColor brush);

private:
  struct Run {
    int Y, Begin, End;
    bool Pen;
  };
  // A smooth edge pixel: Pen/255 of the pen colour, Brush/255 of the brush colour and
  // Through/255 of what lies under it.
  struct Blend {
    int Y, X;
    uint8_t Pen, Brush, Through;
  };
  QByteArray FKey;
  QSize FSize;
  int FScale = 1;
  std::vector<Run> FRuns;
  std::vector<Blend> FBlends;  // in row order; none for a classic drawing
};

// A drawing kept as what it does to each image pixel, for a face composed pixel by pixel from
// several such layers: recorded on black and on white as TKvStaticLayer records, so that a
// smooth edge pixel blends again with whatever lies under it. The drawing may only write
// opaque pixels in copy modes.
class KV_TEST_EXPORT CoverageLayer {
public:
  using Drawing = std::function<void(TCanvas*)>;
  // Whether the layer holds the drawing of Key on Width x Height at Scale.
  bool Holds(const TKvLayerKey& key, int width, int height, int scale) const;
  // Records Drawing on a bitmap of Width x Height at Scale unless the layer holds it.
  void Keep(const TKvLayerKey& key, int width, int height, int scale, const Drawing& drawing);
  // The drawing's image pixel I (row by row) over Under.
  uint32_t Over(size_t i, uint32_t under) const;
  // The drawing's pixels [Begin, End) of image row Y over those of Row.
  void OverRow(uint32_t* row, int y, int begin, int end) const;
  // The recording's size in image pixels.
  QSize Size() const { return FSize; }

private:
  QByteArray FKey;
  QSize FCanvasSize;
  QSize FSize;
  int FScale = 0;
  // By pixel: what the drawing left on black, and per channel the share of white that
  // showed through it.
  std::vector<uint32_t> FOver, FThrough;
  // By row, its widest run of pixels the drawing covers wholly, and the run from the first
  // pixel it touches to the last.
  std::vector<std::pair<int, int>> FOpaque, FDrawn;
};

// The most image pixels a face composed from coverage layers may have: each layer keeps eight
// bytes a pixel. A larger face is drawn.
constexpr int64_t kMaxComposedPixels = int64_t(1) << 20;

// The centre of the pie the canvas draws in Box, and where its edge towards the canvas point P
// meets its rim, in image pixels at Scale: the rim runs through the centres of the box's rim
// pixels, as the smooth canvas draws it.
KV_TEST_EXPORT QPointF PieCentre(const TRect& box, int scale);
KV_TEST_EXPORT QPointF PieRimTowards(const TRect& box, TPoint p, int scale);

// How many canvas pixels past the canvas's own pixels of a pie's boundary its composed smooth
// pixels reach at Scale: a pixel to where its direction meets the rim, and its anti-aliased
// line's half width with the pixels it touches.
KV_TEST_EXPORT int PieBoundaryReach(int scale);

// Whether the pies compose their smooth faces on this thread: yes, but while a
// DrawnPieFaces lives (for tests that compare the composed faces with the drawn ones).
KV_TEST_EXPORT bool ComposesPieFaces();
class KV_TEST_EXPORT DrawnPieFaces {
public:
  DrawnPieFaces();
  ~DrawnPieFaces();
  DrawnPieFaces(const DrawnPieFaces&) = delete;
  DrawnPieFaces& operator=(const DrawnPieFaces&) = delete;
};

// One sector of a pie face: from its ray clockwise (on the screen) to the next sector's ray.
struct PieSector {
  QPointF Rim;                  // where the sector's first ray meets the rim, in image pixels
  const CoverageLayer* Layer;  // what the sector shows
  bool Stroked;                 // whether its first ray is drawn as a line
};

// What the rays of a pie face do to the pixels by them, worked out once per ray and kept for
// the rays the face has shown: a boundary that moves comes back to the same rays, and a pixel
// by one ray alone then costs only its blends. Kept by the control that composes the face.
class KV_TEST_EXPORT PieRays {
public:
  PieRays();
  ~PieRays();
  PieRays(const PieRays&) = delete;
  PieRays& operator=(const PieRays&) = delete;
  struct Kept;  // known where the faces are composed
  Kept& Stencils() { return *d; }

private:
  std::unique_ptr<Kept> d;
};

// Composes a pie face on Target inside Part (image pixels) from its sectors, given clockwise
// around Centre: each pixel shows the layer of the sector its centre lies in over what Target
// holds, a pixel a ray crosses the two sectors' layers by the share of it on either side, and
// the stroked rays lie over them as anti-aliased lines Width pixels wide in Ink, from the
// centre to the rim, drawn twice as the outlines of both sectors beside them draw them. Only
// the pixels by a ray cost more than a copy, and those by one ray alone only their blends once
// Rays holds it: a live frame of a pie need not draw its curves again.
KV_TEST_EXPORT void PaintPieSectors(TBitmap* target, const TRect& part, QPointF centre,
                                    std::span<const PieSector> sectors, uint32_t ink,
                                    double width, PieRays& rays);

// A rectangle of Bitmap's canvas pixels in its image's pixels, saturated to int.
KV_TEST_EXPORT TRect InImage(const TBitmap* bitmap, const TRect& r);

// Copies the pixels of Source's rectangle From to Target with From's top left at At, clipped
// to both pictures: what a plain copy writes, one row at a time. Rectangles are in picture
// pixels; a source at another device pixel ratio than Target's scale is brought to it first.
KV_TEST_EXPORT void CopyRows(TBitmap* target, TPoint at, const QImage& source, const TRect& from);

// Fills each rectangle, clipped to Target's clip, with Color, one row at a time: for drawings of
// many small rectangles (a dot matrix's lit dots), where a canvas call each would cost more
// than their pixels.
KV_TEST_EXPORT void FillRects(TBitmap* target, std::span<const TRect> rects, TColor color);

// What a paint must make right: the bounds of the region the screen canvas is limited to,
// the whole client area when nothing limits it.
TRect PaintRect(const TCanvas* screen, const TRect& client);

// The part of Control to repaint when only Changed (client coordinates) differs from the last
// frame, clipped to the control; empty when nothing that shows changed. At a fractional device
// ratio it is one pixel wider on every side: the smooth reduction into the window mixes the
// device pixels on both sides of each edge, so the window pixels beside a change change too.
// There it also reaches the control's left edge: the reduction's pixels in a row depend a
// little on where the painted run of that row starts.
QRect PartToRepaint(const QWidget& control, const TRect& changed);

}  // namespace kv

// A whole picture kept under the key of what it was drawn from: the bottom of a face, or a
// strip a frame copies part of (a lit bar, every tick lit).
class KV_TEST_EXPORT TKvKeptPicture {
public:
  // Whether the kept picture was made from Key at Size.
  bool Matches(const TKvLayerKey& key, QSize size) const;
  // Keeps Source's pixels inside Shown (clipped to Source) under Key: only what a paint under
  // that clip drew, so a large control keeps what shows, not its whole size.
  void Keep(const TKvLayerKey& key, const QImage& source, const TRect& shown);
  // Copies the kept pixels inside Within (clipped to the kept part) onto Target, at the same
  // place; the whole kept part without Within.
  void CopyTo(TBitmap* target, const TRect* within = nullptr) const;
  // Copies the kept pixels of rectangle From onto Target with From's top left at At.
  void CopyTo(TBitmap* target, TPoint at, const TRect& from) const;
  // Whether every pixel of a source of Size is kept; and those pixels.
  bool KeepsWhole(QSize size) const { return FSize == size && FPixels.size() == size; }
  const QImage& Pixels() const { return FPixels; }

private:
  QByteArray FKey;
  QSize FSize;  // the source's, invalid while nothing is kept
  TRect FPart;  // the kept part of the source
  QImage FPixels;
};

// The bottom of a face kept as one picture: the cleared image and what a face draws on it
// first (a back picture, a scale). While its key stays the same, a frame starts with one copy
// of it instead of clearing and drawing again.
using TKvFaceBase = TKvKeptPicture;

namespace kv {

// The control's clear followed by Drawing make the bottom of a face on the control's image.
// While Key (what Drawing depends on), the size and what the clear fills with stay the same,
// one copy of what both made last time stands in for them, inside the part being painted
// only; the canvas then has the brush a clear leaves.
KV_TEST_EXPORT void ClearWithBase(const TKvImageClear& clear, TKvFaceBase& base, TKvLayerKey key,
                                  const std::function<void()>& drawing);

}  // namespace kv

// The bottom of a face, kept as kv::ClearWithBase keeps it, under a few small pieces each frame
// draws over it (a ring of dots). The control's image holds the base between frames under the
// last frame's pieces: while nothing else has changed the image since, a frame of the whole
// image puts back the base under those pieces only, not all of it. On a large face at a high
// device scale a copy of the whole base costs as much as the image's copy to the window.
class KV_TEST_EXPORT TKvBaseUnderPieces {
public:
  // Starts a frame: kv::ClearWithBase's clear, base and drawing.
  void Begin(const TKvImageClear& clear, TKvLayerKey key, const std::function<void()>& drawing);
  // Counts Piece (canvas pixels of the image) as drawn over the base in this frame: a frame
  // names every pixel it changes after Begin.
  void Piece(const TRect& piece) { FDrawn.push_back(piece); }
  // Ends the frame, its pieces drawn on Image.
  void End(const TBitmap* image);

private:
  TKvFaceBase FBase;
  std::vector<TRect> FShown;  // the pieces over the base on the image since the last End
  std::vector<TRect> FDrawn;  // this frame's
  // What the image was at the last End: its pixels' identity and its canvas's change count.
  int64_t FImageKey = 0;
  uint64_t FImageStamp = 0;
  bool FHolds = false;  // whether the last frame made the whole image
  bool FWhole = false;  // whether this frame makes the whole image
};

// A face that changes between a few looks (a blink, a toggle): each look kept whole under the
// key of everything it is drawn from, so that a change back to a look drawn before is one copy
// instead of its shapes and text again (smooth edges cost far more than copying them).
class KV_TEST_EXPORT TKvKeptLooks {
public:
  // Drawing makes the whole face on the control's image, its clear included. While a look of
  // Key (what Drawing depends on), the size, what the clear fills with and the clip is kept,
  // one copy of it, inside the part being painted only, stands in for Drawing; the canvas's
  // pen, brush and font are then not those Drawing leaves.
  void Paint(const TKvImageClear& clear, TKvLayerKey key, const std::function<void()>& drawing);

private:
  std::array<TKvKeptPicture, 4> FLooks;
  size_t FNext = 0;  // the look a new one replaces: the oldest
};

// A face that scrolls across, kept on a tape some steps wider than the face: a step moves
// the window the face is read through instead of every pixel, and only when the window
// reaches an end of the tape do its pixels move back to the other end. The scope and the
// banner keep their faces on one.
class KV_TEST_EXPORT TKvTape {
public:
  TKvTape();
  ~TKvTape();
  // Sizes the tape for a face Width x Height that scrolls Step pixels at a time, drawn at the
  // device scale Scale (its columns and rows stay face pixels); a tape of another size or
  // scale is made anew and holds no face. False when no tape can be had.
  bool Keep(int64_t width, int64_t height, int64_t step, int scale);
  // Whether the tape was made anew by the last Keep.
  bool Fresh() const { return FFresh; }
  // Columns the window can move before it reaches an end.
  int64_t Room() const { return FImage.width() / FScale - FWidth; }
  // Puts the window at the end a face moving that way (Shift > 0: rightwards) moves away
  // from.
  void StartAtEnd(bool rightwards);
  // The face moves Shift columns across: the window moves the other way along the tape.
  void Scroll(int64_t shift);
  // The canvas on the window, its origin at the window's left.
  TCanvas* Canvas() const { return FCanvas.get(); }
  int64_t Height() const { return FImage.height() / FScale; }
  // Copies the face's columns [Left, Right) in rows [Top, Bottom) from Source (at the tape's
  // scale), whose column From lies at Left and whose row Top + Down lies at Top: what a plain
  // copy writes, one row at a time (the columns a step brings in are few and tall).
  void CopyColumns(const QImage& source, int64_t from, int64_t left, int64_t right, int64_t top = 0,
                   int64_t bottom = INT64_MAX, int64_t down = 0);
  // Copies the face into Target (of the face's size).
  void CopyTo(TBitmap* target) const;
  // Copies the face's rectangle R onto the screen canvas.
  void Show(TCanvas* screen, const TRect& r) const;

private:
  void MoveWindow(int64_t to);
  void Attach();

  QImage FImage;
  // The tape's rows by address: its pixels are never shared, so they stay where they are.
  uchar* FBits = nullptr;
  qsizetype FStride = 0;
  std::unique_ptr<TCanvas> FCanvas;
  int FScale = 1;  // image pixels per face pixel
  int64_t FWidth = 0;
  int64_t FWindow = 0;  // the window's first column on the tape, in face pixels
  bool FFresh = true;
};
