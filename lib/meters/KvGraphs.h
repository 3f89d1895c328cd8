// Shares of a whole: a graph keeps a collection of segments (colour, fill pattern, value),
// their total, and fires OnChange when the total changes; the percent pie draws each segment
// as a slice of its share, in whole percents, clockwise from twelve o'clock.
#pragma once

#include "KvExport.h"
#include "KvControls.h"

#include <memory>
#include <optional>
#include <vector>

namespace KvGraphs {
Q_NAMESPACE_EXPORT(KV_EXPORT)

// In order, the canvas brush styles solid, clear and the six hatches.
enum class TKvBrushPattern {
  bpSolid,
  bpClear,
  bpHorizontal,
  bpVertical,
  bpFDiagonal,
  bpBDiagonal,
  bpCross,
  bpDiagCross
};
Q_ENUM_NS(TKvBrushPattern)
using enum TKvBrushPattern;

}  // namespace KvGraphs

using KvGraphs::TKvBrushPattern;

class TKvPercentGraph;

// One segment of a share graph: its value, colour and fill pattern.
class KV_EXPORT TKvPercentGraphItem : public TCollectionItem {
  Q_OBJECT
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY PropertyChanged)
  Q_PROPERTY(double Value READ Value WRITE SetValue NOTIFY PropertyChanged)
  Q_PROPERTY(KvGraphs::TKvBrushPattern Pattern READ Pattern WRITE SetPattern NOTIFY PropertyChanged)
  Q_CLASSINFO("default.Color", "clRed")
  Q_CLASSINFO("default.Value", "0")
  Q_CLASSINFO("default.Pattern", "bpSolid")
public:
  explicit TKvPercentGraphItem(TCollection* collection);

  TColor Color() const { return FColor; }
  void SetColor(TColor v);
  double Value() const { return FValue; }
  // NaN and infinities are refused.
  void SetValue(double v);
  TKvBrushPattern Pattern() const { return FPattern; }
  void SetPattern(TKvBrushPattern v);
  void Assign(const TPersistent* source) override;

private:
  TColor FColor = clRed;
  double FValue = 0;
  TKvBrushPattern FPattern = TKvBrushPattern::bpSolid;
};

// The segments of a graph; any change, addition, deletion or the end of an update bracket
// tells the graph.
class KV_EXPORT TKvPercentGraphItems : public TCollection {
  Q_OBJECT
public:
  explicit TKvPercentGraphItems(TKvPercentGraph* graph);
  TKvPercentGraphItem* Add() { return static_cast<TKvPercentGraphItem*>(TCollection::Add()); }
  TKvPercentGraphItem* Items(int index) const {
    return static_cast<TKvPercentGraphItem*>(TCollection::Items(index));
  }

protected:
  void Update(TCollectionItem* item) override;

private:
  TKvPercentGraph* FGraph;
};

// The base of the share graphs: the Segments collection and its Total; a change of the
// total emits OnChange.
class KV_EXPORT TKvPercentGraph : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(TKvPercentGraphItems* Segments READ Segments WRITE SetSegments)
  Q_PROPERTY(TColor OutlineColor READ OutlineColor WRITE SetOutlineColor NOTIFY OutlineColorChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Segments", "< >")
  Q_CLASSINFO("default.OutlineColor", "clWhite")
  Q_CLASSINFO("default.Color", "11307165")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvPercentGraph(kv::OwnerOrParent owner);
  ~TKvPercentGraph() override;

  TKvPercentGraphItems* Segments() const { return FSegments.get(); }
  // Copies the segments; a collection of other items is refused with nothing changed.
  void SetSegments(const TCollection* v) { FSegments->Assign(v); }
  TColor OutlineColor() const { return FOutlineColor; }
  void SetOutlineColor(TColor v);
  // The sum of every segment value as of the last change of the segments.
  double Total() const { return FTotal; }

  // Sums the segments, repaints and fires OnChange when the total changed. Nothing while
  // loading: Loaded sums.
  virtual void SegmentsChanged();
  void Loaded() override;

signals:
  void OutlineColorChanged();
  void OnChange(TObject* Sender);

protected:
  virtual void Change();
  // Shows a change of the segments: the whole control by default.
  virtual void RepaintSegments() { UpdateControl(); }
  double FTotal = 0;

private:
  double SumOfValues() const;

  std::unique_ptr<TKvPercentGraphItems> FSegments;
  TColor FOutlineColor = clWhite;
};

// A pie of the segments' shares in whole percents, clockwise from twelve o'clock.
class KV_EXPORT TKvPercentPie : public TKvPercentGraph {
  Q_OBJECT
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_CLASSINFO("default.Transparent", "false")
public:
  explicit TKvPercentPie(kv::OwnerOrParent owner);
  ~TKvPercentPie() override;
  QSize minimumSizeHint() const override;
  void SegmentsChanged() override;

protected:
  void Paint() override;
  // Only the sectors between the boundaries drawn last and the new ones are painted again.
  void RepaintSegments() override;

private:
  // A slice as drawn: from percent From to percent To clockwise from the top.
  struct Slice {
    int From, To;
    bool Whole;
    TColor Color;
    TKvBrushPattern Pattern;
  };
  std::vector<Slice> Slices() const;
  // The outline pen and the slice's brush.
  void UseSliceTools(TCanvas* c, const Slice& s) const;
  // Whether the smooth face of so many slices is composed from each slice's brush drawn over
  // the whole pie, rather than drawn.
  bool ComposedSmooth(size_t slices) const;
  // The slices drawn, or composed: inside the part being painted.
  void PaintSlices();
  void PaintComposed();
  // The slices of the segments as they are, worked out once after each change: a change
  // and the repaint it asks for both need them.
  const std::vector<Slice>& CurrentSlices();
  std::optional<std::vector<Slice>> FSlices;
  TSize FSlicesSize{-1, -1};
  std::vector<Slice> FDrawn;
  TSize FDrawnSize{-1, -1};
  struct Private;
  std::unique_ptr<Private> d;
};
