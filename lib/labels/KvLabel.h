// A one-line caption drawn raised, lowered or with a drop shadow, turned to any angle,
// aligned inside the client area and optionally filled with a bitmap texture.
#pragma once

#include "KvExport.h"

#include "KvControls.h"
#include "StdCtrls.h"

#include <memory>

namespace KvLabel {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvLabelStyle { lsNone, lsRaised, lsLowered, lsShadow };
Q_ENUM_NS(TKvLabelStyle)
using enum TKvLabelStyle;

}  // namespace KvLabel

using KvLabel::TKvLabelStyle;

// A one-line caption, raised, lowered or shadowed, at any angle.
class KV_EXPORT TKvLabel : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(StdCtrls::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(TColor ColorHighlight READ ColorHighlight WRITE SetColorHighlight
             NOTIFY ColorHighlightChanged)
  Q_PROPERTY(TColor ColorShadow READ ColorShadow WRITE SetColorShadow NOTIFY ColorShadowChanged)
  Q_PROPERTY(KvLabel::TKvLabelStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(StdCtrls::TTextLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(int ShadowDepth READ ShadowDepth WRITE SetShadowDepth)
  Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap)
  Q_PROPERTY(int Angle READ Angle WRITE SetAngle)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Alignment", "taCenter")
  Q_CLASSINFO("default.ColorHighlight", "clWhite")
  Q_CLASSINFO("default.ColorShadow", "clGray")
  Q_CLASSINFO("default.Style", "lsRaised")
  Q_CLASSINFO("default.Layout", "tlCenter")
  Q_CLASSINFO("default.ShadowDepth", "2")
  Q_CLASSINFO("default.Angle", "0")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.AutoSize", "false")
  // The constructor's colour: a description that leaves Color out gets button face, and
  // one that stores any other colour (the system window colour too) keeps it.
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.ParentColor", "false")
  Q_CLASSINFO("default.ParentFont", "false")
  Q_CLASSINFO("default.Font.Name", "Arial")
  Q_CLASSINFO("default.Font.Height", "-19")
  Q_CLASSINFO("stored.Bitmap", "IsBitmapStored")
public:
  explicit TKvLabel(kv::OwnerOrParent owner);
  ~TKvLabel() override;
  QSize minimumSizeHint() const override;

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  TColor ColorHighlight() const { return FColorHighlight; }
  void SetColorHighlight(TColor v);
  TColor ColorShadow() const { return FColorShadow; }
  void SetColorShadow(TColor v);
  TKvLabelStyle Style() const { return FStyle; }
  void SetStyle(TKvLabelStyle v);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout v);
  int ShadowDepth() const { return FShadowDepth; }
  void SetShadowDepth(int v);
  TBitmap* Bitmap() const { return FBitmap.get(); }
  // Copies the given bitmap; an empty one (or none) turns the texture off.
  void SetBitmap(const TBitmap* v) { FBitmap->Assign(v); }
  Q_INVOKABLE bool IsBitmapStored() const { return !FBitmap->Empty(); }
  int Angle() const { return FAngle; }
  // Degrees counter-clockwise, 0..359; other values are refused.
  void SetAngle(int v);

  // The turned caption's box plus 4, on the sides the alignment lets the label size.
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  // The size rule applies once the caption and font read last are known.
  void Loaded() override;

signals:
  void ColorHighlightChanged();
  void ColorShadowChanged();

protected:
  void Paint() override;
  void FontChanged() override;
  void TextChanged() override;

private:
  // The caption's width and height with the image canvas font (unturned).
  TPoint MeasureCaption();
  void DrawStyledText(TCanvas* canvas, TPoint origin);

  TAlignment FAlignment = TAlignment::taCenter;
  TColor FColorHighlight = TColor(16777215);
  TColor FColorShadow = TColor(8421504);
  TKvLabelStyle FStyle = TKvLabelStyle::lsRaised;
  TTextLayout FLayout = TTextLayout::tlCenter;
  int FShadowDepth = 2;
  std::unique_ptr<TBitmap> FBitmap;
  int FAngle = 0;
  struct Private;
  std::unique_ptr<Private> d;
};
