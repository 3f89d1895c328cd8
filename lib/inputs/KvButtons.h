// Push buttons: the shadow button (a flat face over a solid drop shadow, non-windowed) and
// the demo button (a windowed, focusable button with a bevel, an outline that shows the
// focus, hover fonts and a 3D caption).
//
// Both fire OnClick only when a press that began on the face is released over it (or on
// their accelerator, and for the demo button on the space bar); OnClick comes before
// OnMouseUp. A press whose mouse capture is lost ends without a click.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"

#include <QPointer>

#include <memory>

namespace KvButtons {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvShadowButtonStyle { ssRectangle, ssRoundRect };
Q_ENUM_NS(TKvShadowButtonStyle)
using enum TKvShadowButtonStyle;
enum class TKvShadowDirection { sdTopLeft, sdTopRight, sdBottomLeft, sdBottomRight };
Q_ENUM_NS(TKvShadowDirection)
using enum TKvShadowDirection;

}  // namespace KvButtons

using KvButtons::TKvShadowButtonStyle;
using KvButtons::TKvShadowDirection;

// A brush whose colour starts black.
class KV_EXPORT TKvShadowBrush : public TBrush {
  Q_OBJECT
  Q_CLASSINFO("default.Color", "clBlack")
public:
  TKvShadowBrush();
};

// A pen whose colour starts lime (65280).
class KV_EXPORT TKvShadowPen : public TPen {
  Q_OBJECT
  Q_CLASSINFO("default.Color", "clLime")
public:
  TKvShadowPen();
};

// A flat push button over a drop shadow; a click emits OnClick.
class KV_EXPORT TKvShadowButton : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(TKvShadowBrush* Brush READ Brush WRITE SetBrush)
  Q_PROPERTY(TKvShadowPen* Pen READ Pen WRITE SetPen)
  Q_PROPERTY(int Depth READ Depth WRITE SetDepth)
  Q_PROPERTY(int DepthAdjust READ DepthAdjust WRITE SetDepthAdjust)
  Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor NOTIFY ShadowColorChanged)
  Q_PROPERTY(TColor ShadowOutline READ ShadowOutline WRITE SetShadowOutline
             NOTIFY ShadowOutlineChanged)
  Q_PROPERTY(KvButtons::TKvShadowButtonStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(KvButtons::TKvShadowDirection Direction READ Direction WRITE SetDirection)
  Q_PROPERTY(KvControls::TKvTextAlignment TextAlign READ TextAlign WRITE SetTextAlign)
  Q_PROPERTY(TColor DisabledTextColor READ DisabledTextColor WRITE SetDisabledTextColor
             NOTIFY DisabledTextColorChanged)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Depth", "4")
  Q_CLASSINFO("default.DepthAdjust", "2")
  Q_CLASSINFO("default.ShadowColor", "clBtnShadow")
  Q_CLASSINFO("default.ShadowOutline", "clBtnShadow")
  Q_CLASSINFO("default.Style", "ssRoundRect")
  Q_CLASSINFO("default.Direction", "sdBottomRight")
  Q_CLASSINFO("default.TextAlign", "vtaCenter")
  Q_CLASSINFO("default.DisabledTextColor", "clInactiveCaption")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.ParentColor", "true")
  Q_CLASSINFO("default.ParentFont", "false")
  Q_CLASSINFO("default.Font.Color", "clWhite")
public:
  explicit TKvShadowButton(kv::OwnerOrParent owner);
  ~TKvShadowButton() override;
  QSize minimumSizeHint() const override;

  TKvShadowBrush* Brush() const { return FBrush.get(); }
  void SetBrush(const TBrush* v) { FBrush->Assign(v); }
  TKvShadowPen* Pen() const { return FPen.get(); }
  void SetPen(const TPen* v) { FPen->Assign(v); }
  int Depth() const { return FDepth; }
  // Values of 2 or less are ignored.
  void SetDepth(int v);
  int DepthAdjust() const { return FDepthAdjust; }
  // Stored for the next press; no repaint.
  void SetDepthAdjust(int v) { FDepthAdjust = v; }
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor v);
  TColor ShadowOutline() const { return FShadowOutline; }
  void SetShadowOutline(TColor v);
  TKvShadowButtonStyle Style() const { return FStyle; }
  void SetStyle(TKvShadowButtonStyle v);
  TKvShadowDirection Direction() const { return FDirection; }
  void SetDirection(TKvShadowDirection v);
  TKvTextAlignment TextAlign() const { return FTextAlign; }
  void SetTextAlign(TKvTextAlignment v);
  TColor DisabledTextColor() const { return FDisabledTextColor; }
  void SetDisabledTextColor(TColor v);

  // OnClick fires only where the press and the accelerator say so.
  void Click() override {}
  bool CMDialogChar(QChar ch) override;
  void CMCancelMode() override;
  void CMEnabledChanged() override;

signals:
  void ShadowColorChanged();
  void ShadowOutlineChanged();
  void DisabledTextColorChanged();

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void FontChanged() override;
  void TextChanged() override;
  // Space presses the button while it is down and clicks as it comes up; Enter clicks.
  bool KeyPressed(uint16_t key, TShiftState shift) override;
  bool KeyReleased(uint16_t key, TShiftState shift) override;
  void KeyClick() override { TControl::Click(); }
  // A press Space holds ends without a click when the focus goes.
  void focusOutEvent(QFocusEvent* e) override;

private:
  // The face and the shadow: shape 0 (rectangle) or 2 (rounded rectangle) of DrawShape.
  void DrawFace(TCanvas* canvas, const TRect& r) const;

  std::unique_ptr<TKvShadowBrush> FBrush;
  std::unique_ptr<TKvShadowPen> FPen;
  int FDepth = 4;
  int FDepthAdjust = 2;
  TColor FShadowColor = clBtnShadow;
  TColor FShadowOutline = clBtnShadow;
  TKvShadowButtonStyle FStyle = TKvShadowButtonStyle::ssRoundRect;
  TKvShadowDirection FDirection = TKvShadowDirection::sdBottomRight;
  TKvTextAlignment FTextAlign = TKvTextAlignment::vtaCenter;
  TColor FDisabledTextColor = clInactiveCaption;
  struct Private;
  std::unique_ptr<Private> d;
};

// A focusable push button with a bevel, hover fonts and a 3D caption; a click emits OnClick.
class KV_EXPORT TKvDemoButton : public TKvCustomImageControl {
  Q_OBJECT
  Q_PROPERTY(TFont* FontEnter READ FontEnter WRITE SetFontEnter)
  Q_PROPERTY(TFont* FontLeave READ FontLeave WRITE SetFontLeave)
  Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap)
  Q_PROPERTY(TColor OutlineColor READ OutlineColor WRITE SetOutlineColor NOTIFY OutlineColorChanged)
  Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor NOTIFY ShadowColorChanged)
  Q_PROPERTY(TColor HighlightColor READ HighlightColor WRITE SetHighlightColor
             NOTIFY HighlightColorChanged)
  Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
  Q_PROPERTY(int OutlineWidth READ OutlineWidth WRITE SetOutlineWidth)
  Q_PROPERTY(KvControls::TKvTextAlignment TextAlignment READ TextAlignment WRITE SetTextAlignment)
  Q_PROPERTY(TColor DisabledTextColor READ DisabledTextColor WRITE SetDisabledTextColor
             NOTIFY DisabledTextColorChanged)
  Q_PROPERTY(TColor FocusColor READ FocusColor WRITE SetFocusColor NOTIFY FocusColorChanged)
  Q_PROPERTY(TKvFont3D* Font3D READ Font3D WRITE SetFont3D)
  Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.FontEnter.Name", "Arial")
  Q_CLASSINFO("default.FontEnter.Height", "-16")
  Q_CLASSINFO("default.FontEnter.Color", "clRed")
  Q_CLASSINFO("default.FontEnter.Style", "[fsBold]")
  Q_CLASSINFO("default.FontLeave.Name", "Arial")
  Q_CLASSINFO("default.FontLeave.Height", "-16")
  Q_CLASSINFO("default.FontLeave.Color", "clBlack")
  Q_CLASSINFO("default.FontLeave.Style", "[fsBold]")
  Q_CLASSINFO("default.Bitmap", "")
  Q_CLASSINFO("default.OutlineColor", "clBlack")
  Q_CLASSINFO("default.ShadowColor", "clBtnShadow")
  Q_CLASSINFO("default.HighlightColor", "clBtnHighlight")
  Q_CLASSINFO("default.BevelWidth", "2")
  Q_CLASSINFO("default.OutlineWidth", "1")
  Q_CLASSINFO("default.TextAlignment", "vtaCenter")
  Q_CLASSINFO("default.DisabledTextColor", "clInactiveCaption")
  Q_CLASSINFO("default.FocusColor", "clBlue")
  Q_CLASSINFO("default.Flat", "false")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvDemoButton(kv::OwnerOrParent owner);
  ~TKvDemoButton() override;
  QSize minimumSizeHint() const override;

  TFont* FontEnter() const { return FFontEnter.get(); }
  void SetFontEnter(const TFont* v) { FFontEnter->Assign(v); }
  TFont* FontLeave() const { return FFontLeave.get(); }
  void SetFontLeave(const TFont* v) { FFontLeave->Assign(v); }
  TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(const TBitmap* v) { FBitmap->Assign(v); }
  TColor OutlineColor() const { return FOutlineColor; }
  void SetOutlineColor(TColor v);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor v);
  TColor HighlightColor() const { return FHighlightColor; }
  void SetHighlightColor(TColor v);
  int BevelWidth() const { return FBevelWidth; }
  // TKvByteInt: values outside 0..255 are refused.
  void SetBevelWidth(int v);
  int OutlineWidth() const { return FOutlineWidth; }
  // Rings stop once they fill the button, so any width is cheap; 0 or less draws none.
  void SetOutlineWidth(int v);
  TKvTextAlignment TextAlignment() const { return FTextAlignment; }
  void SetTextAlignment(TKvTextAlignment v);
  TColor DisabledTextColor() const { return FDisabledTextColor; }
  void SetDisabledTextColor(TColor v);
  TColor FocusColor() const { return FFocusColor; }
  void SetFocusColor(TColor v);
  TKvFont3D* Font3D() const { return FFont3D.get(); }
  void SetFont3D(const TKvFont3D* v) { FFont3D->Assign(v); }
  bool Flat() const { return FFlat; }
  void SetFlat(bool v);

  // OnClick fires only where the press, the space bar and the accelerator say so.
  void Click() override {}
  bool CMDialogChar(QChar ch) override;
  void CMCancelMode() override;
  void CMEnabledChanged() override;
  void CMFocusChanged(TWinControl* newFocused) override;
  // A bitmap brings its palette.
  bool GetPalette() const override { return !FBitmap->Empty(); }

signals:
  void OutlineColorChanged();
  void ShadowColorChanged();
  void HighlightColorChanged();
  void DisabledTextColorChanged();
  void FocusColorChanged();

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  void WMKillFocus() override;
  void MouseEnter() override;
  void MouseLeave() override;
  void TextChanged() override;

private:
  // A press at (X, Y): inside the button it starts tracking, captures the mouse and
  // takes the focus when TabStop.
  void PressAt(int x, int y);
  // Ends the press without a click.
  void CancelPress();
  void DrawBevel(TCanvas* canvas, TRect& r) const;

  std::unique_ptr<TFont> FFontEnter;
  std::unique_ptr<TFont> FFontLeave;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TKvFont3D> FFont3D;
  TColor FOutlineColor = clBlack;
  TColor FShadowColor = clBtnShadow;
  TColor FHighlightColor = clBtnHighlight;
  int FBevelWidth = 2;
  int FOutlineWidth = 1;
  TKvTextAlignment FTextAlignment = TKvTextAlignment::vtaCenter;
  TColor FDisabledTextColor = clInactiveCaption;
  TColor FFocusColor = clBlue;
  bool FFlat = false;
  bool FHovering = false;
  bool FFocused = false;
  struct Private;
  std::unique_ptr<Private> d;
};

// A push-on/push-off button with a small sunken LED beside its caption: each completed click
// toggles Active, and the LED shows the palette's High while active, Low otherwise.
class KV_EXPORT TKvPowerButton : public TKvCustomImageControl {
  Q_OBJECT
  // On or off (off at first), toggled by each click; a change emits ActiveChanged.
  Q_PROPERTY(bool Active READ Active WRITE SetActive NOTIFY ActiveChanged USER true)
  Q_PROPERTY(int LedWidth READ LedWidth WRITE SetLedWidth)
  Q_PROPERTY(int LedHeight READ LedHeight WRITE SetLedHeight)
  Q_PROPERTY(KvControls::TKvImageTextLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(TColor FocusColor READ FocusColor WRITE SetFocusColor NOTIFY FocusColorChanged)
  Q_PROPERTY(TColor OutlineColor READ OutlineColor WRITE SetOutlineColor NOTIFY OutlineColorChanged)
  Q_PROPERTY(int OutlineWidth READ OutlineWidth WRITE SetOutlineWidth)
  Q_PROPERTY(TColor HighlightColor READ HighlightColor WRITE SetHighlightColor
             NOTIFY HighlightColorChanged)
  Q_PROPERTY(TColor ShadowColor READ ShadowColor WRITE SetShadowColor NOTIFY ShadowColorChanged)
  Q_PROPERTY(int BevelWidth READ BevelWidth WRITE SetBevelWidth)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Active", "false")
  Q_CLASSINFO("default.LedWidth", "12")
  Q_CLASSINFO("default.LedHeight", "12")
  Q_CLASSINFO("default.Layout", "ImageLeft")
  Q_CLASSINFO("default.Margin", "-1")
  Q_CLASSINFO("default.Spacing", "5")
  Q_CLASSINFO("default.FocusColor", "clBlue")
  Q_CLASSINFO("default.OutlineColor", "clBlack")
  Q_CLASSINFO("default.OutlineWidth", "1")
  Q_CLASSINFO("default.HighlightColor", "clBtnHighlight")
  Q_CLASSINFO("default.ShadowColor", "clBtnShadow")
  Q_CLASSINFO("default.BevelWidth", "2")
  Q_CLASSINFO("default.Caption", "")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvPowerButton(kv::OwnerOrParent owner);
  ~TKvPowerButton() override;
  QSize minimumSizeHint() const override;

  bool Active() const { return FActive; }
  int LedWidth() const { return FLedWidth; }
  void SetLedWidth(int v);
  int LedHeight() const { return FLedHeight; }
  void SetLedHeight(int v);
  TKvImageTextLayout Layout() const { return FLayout; }
  void SetLayout(TKvImageTextLayout v);
  int Margin() const { return FMargin; }
  void SetMargin(int v);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  TColor FocusColor() const { return FFocusColor; }
  void SetFocusColor(TColor v);
  TColor OutlineColor() const { return FOutlineColor; }
  void SetOutlineColor(TColor v);
  int OutlineWidth() const { return FOutlineWidth; }
  void SetOutlineWidth(int v);
  TColor HighlightColor() const { return FHighlightColor; }
  void SetHighlightColor(TColor v);
  TColor ShadowColor() const { return FShadowColor; }
  void SetShadowColor(TColor v);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int v);

  // The LED and caption rectangles of the last layout.
  TRect LedRect() const { return FLedRect; }
  TRect CaptionRect() const { return FCaptionRect; }
  bool Pressed() const;

  // OnClick fires only where a press, the space bar or the accelerator say so.
  void Click() override {}
  bool CMDialogChar(QChar ch) override;
  void CMCancelMode() override;
  void CMEnabledChanged() override;
  void CMFocusChanged(TWinControl* newFocused) override;

public slots:
  void SetActive(bool v);

signals:
  void FocusColorChanged();
  void OutlineColorChanged();
  void HighlightColorChanged();
  void ShadowColorChanged();
  void ActiveChanged(bool Active);

protected:
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  void WMKillFocus() override;
  void MouseEnter() override;
  void MouseLeave() override;
  void FontChanged() override;
  void TextChanged() override;

private:
  // Places the LED and the caption, then repaints.
  void Relayout();
  // Ends a press without a toggle or a click.
  void CancelPress();

  bool FActive = false;
  int FLedWidth = 12;
  int FLedHeight = 12;
  TKvImageTextLayout FLayout = TKvImageTextLayout::ImageLeft;
  int FMargin = -1;
  int FSpacing = 5;
  std::unique_ptr<TKvPalette> FPalette;
  TColor FFocusColor = clBlue;
  TColor FOutlineColor = clBlack;
  int FOutlineWidth = 1;
  TColor FHighlightColor = clBtnHighlight;
  TColor FShadowColor = clBtnShadow;
  int FBevelWidth = 2;
  bool FFocused = false;
  TRect FLedRect;
  TRect FCaptionRect;
  struct Private;
  std::unique_ptr<Private> d;
};
