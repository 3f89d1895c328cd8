// A single value shown as a three-dimensional pie: an elliptical disc of thickness Depth seen
// slightly from above, its top split into a used wedge (Value out of MaxValue) and a free
// wedge, its visible front side shaded in the matching shadow colours.
#pragma once

#include "KvExport.h"
#include "KvControls.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kv {
struct PieGeometry;
}

class KV_EXPORT TKvPieGraph : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(int Value READ Value WRITE SetValue)
  Q_PROPERTY(int Depth READ Depth WRITE SetDepth)
  Q_PROPERTY(TColor UsedColor READ UsedColor WRITE SetUsedColor)
  Q_PROPERTY(TColor UsedShadowColor READ UsedShadowColor WRITE SetUsedShadowColor)
  Q_PROPERTY(TColor FreeColor READ FreeColor WRITE SetFreeColor)
  Q_PROPERTY(TColor FreeShadowColor READ FreeShadowColor WRITE SetFreeShadowColor)
  Q_PROPERTY(TColor OutlineColor READ OutlineColor WRITE SetOutlineColor)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.Value", "80")
  Q_CLASSINFO("default.Depth", "10")
  Q_CLASSINFO("default.UsedColor", "clBlue")
  Q_CLASSINFO("default.UsedShadowColor", "clNavy")
  Q_CLASSINFO("default.FreeColor", "clFuchsia")
  Q_CLASSINFO("default.FreeShadowColor", "clPurple")
  Q_CLASSINFO("default.OutlineColor", "clBlack")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvPieGraph(kv::OwnerOrParent owner);
  ~TKvPieGraph() override;

  int MaxValue() const { return FMaxValue; }
  // Values <= 0 are ignored; Value is not clamped again.
  void SetMaxValue(int v);
  int Value() const { return FValue; }
  // Values <= 0 become 1, then values above MaxValue become MaxValue. A change repaints,
  // then fires OnChange.
  void SetValue(int v);
  int Depth() const { return FDepth; }
  // Negative values are ignored.
  void SetDepth(int v);
  TColor UsedColor() const { return FUsedColor; }
  void SetUsedColor(TColor v);
  TColor UsedShadowColor() const { return FUsedShadowColor; }
  void SetUsedShadowColor(TColor v);
  TColor FreeColor() const { return FFreeColor; }
  void SetFreeColor(TColor v);
  TColor FreeShadowColor() const { return FFreeShadowColor; }
  void SetFreeShadowColor(TColor v);
  TColor OutlineColor() const { return FOutlineColor; }
  void SetOutlineColor(TColor v);

  // A description may give Value before MaxValue: the clamp waits until here.
  void Loaded() override;

signals:
  void OnChange(TObject* Sender);

protected:
  void Paint() override;

private:
  struct AngleMap;
  void SetColorField(TColor& field, TColor v);
  TRect ChangedBetween(const kv::PieGeometry& before, const kv::PieGeometry& after);
  bool AngleMapFits() const;
  void BuildAngleMap();
  void DrawPie(const kv::PieGeometry& g, const kv::SurfaceRows& out, const TRect& part,
               const std::array<uint32_t, 6>& pixels);
  void UpdateWedgeColours(const TRect& edge, const std::array<uint32_t, 3>& colours);
  void PaintWedges(const TRect& part, const TRect& edge, const kv::SurfaceRows& out) const;
  void UpdateLayer(const kv::PieGeometry& g);

  int FMaxValue = 100;
  int FValue = 80;
  int FDepth = 10;
  TColor FUsedColor = clBlue;
  TColor FUsedShadowColor = clNavy;
  TColor FFreeColor = clFuchsia;
  TColor FFreeShadowColor = clPurple;
  TColor FOutlineColor = clBlack;
  // The cleared image with the parts that do not depend on the value.
  TKvFaceBase FFaceBase;
  // Scratch layers in marker colours, kept while the size and depth stay: the parts that do
  // not depend on the value; and the whole pie on FBase, as of the value and maximum in
  // FLayerShows.
  std::unique_ptr<TBitmap> FBase;
  std::unique_ptr<TBitmap> FLayer;
  // Kept with the layers: by row, the top face, and the bottom face with the band between
  // the faces, of which the top face leaves the front side.
  struct RowSpan {
    int Begin = 0, End = 0;
  };
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
  // line on its front, as of the layer now.
  struct Run {
    int Row, Begin, End;
  };
  std::optional<std::vector<Run>> FWholeFront;
  TSize FCachedSize{-1, -1};
  int FCachedDepth = -1;
  // For a pie whose value moves: what each angle shows, so that a frame need not draw.
  std::unique_ptr<AngleMap> FAngleMap;
};
