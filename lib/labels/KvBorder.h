// A two-colour bevel drawn straight onto the control's own canvas: a box, an etched
// frame, one bevelled line along an edge, or nothing (a spacer). Everything inside the
// lines keeps what the parent painted there.
#pragma once

#include "KvExport.h"

#include "KvControls.h"

namespace KvBorder {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvBorderShape {
  bsBox,
  bsFrame,
  bsTopLine,
  bsBottomLine,
  bsLeftLine,
  bsRightLine,
  bsSpacer
};
Q_ENUM_NS(TKvBorderShape)
using enum TKvBorderShape;
enum class TKvBorderStyle { bsLowered, bsRaised };
Q_ENUM_NS(TKvBorderStyle)
using enum TKvBorderStyle;

}  // namespace KvBorder

using KvBorder::TKvBorderShape;
using KvBorder::TKvBorderStyle;

// A two-colour bevel: a box, an etched frame, a line along an edge, or a spacer.
class KV_EXPORT TKvBorder : public TKvGraphicControl {
  Q_OBJECT
  Q_PROPERTY(KvBorder::TKvBorderShape Shape READ Shape WRITE SetShape)
  Q_PROPERTY(KvBorder::TKvBorderStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor NOTIFY ShadowColorChanged)
  Q_PROPERTY(TColor HighlightColor READ HighlightColor WRITE SetHighlightColor
             NOTIFY HighlightColorChanged)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Shape", "bsFrame")
  Q_CLASSINFO("default.Style", "bsRaised")
  Q_CLASSINFO("default.ShadowColor", "clGreen")
  Q_CLASSINFO("default.HighlightColor", "clLime")
  Q_CLASSINFO("default.Align", "alNone")
public:
  explicit TKvBorder(kv::OwnerOrParent owner);
  QSize minimumSizeHint() const override;

  TKvBorderShape Shape() const { return FShape; }
  void SetShape(TKvBorderShape v);
  TKvBorderStyle Style() const { return FStyle; }
  void SetStyle(TKvBorderStyle v);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor v);
  TColor HighlightColor() const { return FHighlightColor; }
  void SetHighlightColor(TColor v);

signals:
  void ShadowColorChanged();
  void HighlightColorChanged();

protected:
  void Paint() override;

private:
  // While designing a spacer shows as a dotted frame that inverts what it covers.
  void DrawSpacerFrame(TCanvas* canvas) const;

  TKvBorderShape FShape = TKvBorderShape::bsFrame;
  TKvBorderStyle FStyle = TKvBorderStyle::bsRaised;
  TColor FShadowColor = clGreen;
  TColor FHighlightColor = clLime;
};
