// The pie graph's frame cache, behind the frame-cache module: the pie's geometry, the scratch
// layer the shading is found on, the kept spans and colours of its faces, and the angle map a
// pie whose value moves is painted from. Internal: the control's file keeps its drawing.
#pragma once

#include "KvFrameCache.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kv {

// Which wedges the top face shows.
enum class Wedges { Split, AllUsed, AllFree };

// The geometry of one drawing, every sum in 64 bits: sizes and the depth may be anything
// the setters take.
struct PieGeometry {
  int64_t W, H, D;
  int64_t TopHeight;  // of the top face's box: H - D, negative when the disc is too deep
  int64_t Cx, Cy;     // the top face's centre as the canvas finds it
  int64_t Bx, By;     // the boundary point on the rim
  Wedges Kind = Wedges::Split;
  // The angle in whole degrees, 0 to 360: all the drawing depends on besides the size and
  // depth.
  int Angle = 0;

  PieGeometry(int width, int height, int depth, int value, int maxValue);
  bool FrontEdge() const { return Kind == Wedges::Split && By > Cy; }
  // The pixels of the edge line on the front; none without one.
  TRect EdgeLine() const;
  // A top face large enough that the canvas traces its rim.
  bool Traced() const;
  // A split traced face with a boundary off the centre: two such drawings differ only where
  // the boundary swept.
  bool Sweeps() const;
};

// The colours one drawing of the pie uses.
struct PieInks {
  TColor Outline, SideFace, Used, Free;
};

// What a pixel of the face shows: the base under the pie, or one of the pie's inks.
enum FaceClass : uint8_t { kBase, kUsed, kFree, kOutlined, kUsedShadow, kFreeShadow, kClasses };

// The pixel the drawing writes for each class (none for the base).
using FacePixels = std::array<uint32_t, kClasses>;
FacePixels PixelsOf(TColor used, TColor free, TColor outline, TColor usedShadow, TColor freeShadow);

}  // namespace kv

// The kept faces of one pie graph: a scratch layer with the pie in marker colours, kept while
// the size and depth stay and redrawn only where the boundary swept; the spans of its faces
// and its wedges' colours; and, for a pie whose value moves, the angle map.
class TKvPieFaces {
public:
  // One of the pie's drawing steps in the given inks: the parts that do not depend on the
  // value, the wedges with the edge line on the front, or the top face whole in the used ink
  // (for the smooth rendering, which composes the wedges from it).
  using Drawing = std::function<void(TCanvas*, const kv::PieGeometry&, const kv::PieInks&)>;
  TKvPieFaces(Drawing base, Drawing wedges, Drawing topFace);
  ~TKvPieFaces();

  // What differs between the faces of two values of one sweeping pie drawn at Scale: from its
  // angle map, made here for a face small enough, or from where the boundary swept.
  TRect ChangedBetween(const kv::PieGeometry& before, const kv::PieGeometry& after, int scale);
  // Paints the pie of G in Pixels inside Part of Image, over Base, which the image holds there,
  // in the image's pixels at its scale; when rendering smooth, its top face is composed from
  // the face drawn whole in each wedge's Inks (a face too small for that is drawn on the
  // image's canvas).
  void Paint(TBitmap* image, const kv::PieGeometry& g, const TRect& part,
             const kv::FacePixels& pixels, const kv::PieInks& inks, const TKvFaceBase& base);

private:
  struct AngleMap;
  struct FaceMap;
  // Copies Part of the face of G from the face map, smooth (composed) or classic, made here
  // when a frame first shows part of a face small enough over a base kept whole; false where
  // there is none.
  bool PaintFromFaceMap(TBitmap* image, const kv::PieGeometry& g, const TRect& part,
                        const kv::FacePixels& pixels, const kv::PieInks& inks,
                        const TKvFaceBase& base, bool smooth);
  // The smooth pie inside Part drawn on Image's canvas, for a face not composed.
  void PaintDrawnSmooth(TBitmap* image, const kv::PieGeometry& g, const TRect& part,
                        const kv::FacePixels& pixels, const kv::PieInks& inks);
  void BuildSmoothMap(QByteArray key, const kv::PieGeometry& g, const kv::FacePixels& pixels,
                      const kv::PieInks& inks, const TKvFaceBase& base, int scale);
  void BuildClassicMap(QByteArray key, const kv::PieGeometry& g, const kv::FacePixels& pixels,
                       const TKvFaceBase& base, int scale);
  struct RowSpan {
    int Begin = 0, End = 0;
  };
  // Whether the smooth face of G at Scale is composed from the faces drawn whole.
  static bool ComposedSmooth(const kv::PieGeometry& g, int scale);
  bool AngleMapFits(const kv::PieGeometry& g, int scale) const;
  void BuildAngleMap(int width, int height, int depth, int scale);
  static std::vector<RowSpan> TouchedRows(int width, int height, int scale,
                                          const std::function<void(TCanvas*)>& drawing);
  // The pie drawn over the base on Image inside Part, from the layer: the wedges and the
  // shading of the front side. Parts, edges and spans from here on are in image pixels.
  void DrawPie(const kv::PieGeometry& g, TBitmap* image, const TRect& part,
               const kv::FacePixels& pixels);
  // The shading of the front side inside Part of Image, where the layer's fills reach; and
  // UnderRim, the top face's outline pixels above the shading too (a smooth rim covers them
  // only in part).
  void ShadeFront(const kv::PieGeometry& g, TBitmap* image, const TRect& part,
                  const kv::FacePixels& pixels, bool underRim);
  void UpdateWedgeColours(const TRect& edge, const std::array<uint32_t, 3>& colours);
  void PaintWedges(const TRect& part, const TRect& edge, TBitmap* image) const;
  void UpdateLayer(const kv::PieGeometry& g, int scale);
  // Paint(class, pixel) for each image pixel inside Part, by the angle map at G's angle.
  template <class PaintPixel>
  void PaintFromMap(TBitmap* image, const kv::PieGeometry& g, const TRect& part,
                    const PaintPixel& paint);
  // The shading of the front side inside Part when rendering smooth, the top face's outline
  // pixels above it included: from the angle map where there is one (where the shading has
  // the base's colour, the smooth base stays).
  void ShadeSmoothFront(const kv::PieGeometry& g, TBitmap* image, const TRect& part,
                        const kv::FacePixels& pixels);
  // The smooth pie inside Part (image pixels): the front side as classic draws it, the top
  // face composed from the faces all used and all free.
  void PaintSmooth(TBitmap* image, const kv::PieGeometry& g, const TRect& part,
                   const kv::FacePixels& pixels, const kv::PieInks& inks);

  Drawing FDrawBase, FDrawWedges, FDrawTopFace;
  // The parts that do not depend on the value in marker colours, kept while the size, depth
  // and scale stay; and the whole pie on it, as of the angle in FLayerShows.
  TBitmap FBase;
  TBitmap FLayer;
  // Kept with the layers: by image row, the top face, and the bottom face with the band
  // between the faces, of which the top face leaves the front side.
  std::vector<RowSpan> FSide;
  // The layer's wedge and outline marks in the surface colours of FColoursOf (used, free,
  // outline), 0 elsewhere, by pixel, and where the layer changed since; and the top face's
  // rows, each with how many of its pixels the colours leave out.
  struct TopFaceRow {
    RowSpan Span;
    int64_t Gaps = 0;
  };
  std::vector<TopFaceRow> FTopFace;
  std::vector<uint32_t> FColours;
  std::array<uint32_t, 3> FColoursOf{};
  TRect FColoursStale{};
  // The angle the layer shows, in whole degrees.
  std::optional<int> FLayerShows;
  // The area of the fill from below the middle of the front, for a pie without an edge
  // line on its front, as of the layer now; in row order, as every kept fill.
  std::optional<std::vector<TRect>> FWholeFront;
  // For a pie with an edge line on its front: the fills from either side of it (free, then
  // used), as of the layer now, and the angle they were found at: a repaint of the same
  // angle fills nothing.
  std::array<std::vector<TRect>, 2> FEdgeFronts;
  std::optional<int> FEdgeFrontsAt;
  TSize FCachedSize{-1, -1};
  int FCachedDepth = -1;
  int FCachedScale = 0;
  // For a pie whose value moves: what each angle shows, so that a frame need not draw.
  std::unique_ptr<AngleMap> FAngleMap;
  // For a pie whose value moves: its face at each angle, so that a frame need not compose
  // (smooth) or paint each pixel by its class (classic), but copies.
  std::unique_ptr<FaceMap> FFaceMap;
  // The top face drawn smooth whole in the used and in the free inks, and the pixels by its
  // boundaries.
  kv::CoverageLayer FAllUsed, FAllFree;
  kv::PieRays FRays;
};
