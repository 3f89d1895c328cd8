// The framework's stock label and check box.
#pragma once

#include "KvExport.h"

#include "Controls.h"

namespace StdCtrls {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)
using enum TAlignment;
enum class TTextLayout { tlTop, tlCenter, tlBottom };
Q_ENUM_NS(TTextLayout)
using enum TTextLayout;

}  // namespace StdCtrls

using StdCtrls::TAlignment;
using StdCtrls::TTextLayout;

// A non-windowed text: single line or word-wrapped, sized to its text when AutoSize.
class KV_EXPORT TLabel : public TGraphicControl {
  Q_OBJECT
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(StdCtrls::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(StdCtrls::TTextLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Alignment", "taLeftJustify")
  Q_CLASSINFO("default.AutoSize", "true")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.Layout", "tlTop")
  Q_CLASSINFO("default.ParentColor", "true")
  Q_CLASSINFO("default.ParentFont", "true")
  Q_CLASSINFO("default.ShowAccelChar", "true")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.WordWrap", "false")
public:
  explicit TLabel(kv::OwnerOrParent owner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout v);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool v);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool v);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v);
  bool CanAutoSize(int& newWidth, int& newHeight) override;
  QSize minimumSizeHint() const override;

protected:
  void Paint() override;
  void CMTextChanged() override;
  void CMFontChanged() override;

private:
  unsigned TextFlags() const;
  TRect MeasureText(int width) const;
  void AdjustToText();
  TAlignment FAlignment = TAlignment::taLeftJustify;
  TTextLayout FLayout = TTextLayout::tlTop;
  bool FShowAccelChar = true;
  bool FTransparent = false;
  bool FWordWrap = false;
};

// A windowed check box: a 13 x 13 box and its caption. OnClick fires on every change of
// Checked, from a click, the Space key or code.
class KV_EXPORT TCheckBox : public TWinControl {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(TFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
  Q_CLASSINFO("default.Checked", "false")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.ParentColor", "true")
  Q_CLASSINFO("default.ParentFont", "true")
  Q_CLASSINFO("default.TabStop", "true")
public:
  explicit TCheckBox(kv::OwnerOrParent owner);
  QSize minimumSizeHint() const override;
  bool Checked() const { return FChecked; }
  void SetChecked(bool v);
  void Toggle() { SetChecked(!FChecked); }
  void Click() override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  void KeyUp(uint16_t& key, TShiftState shift) override;
  bool CMDialogChar(QChar ch) override;
  void CMCancelMode() override;
  void CMTextChanged() override;
  void WMSetFocus() override;
  void WMKillFocus() override;

private:
  void SetPressed(bool v);
  bool FChecked = false;
  bool FPressed = false;
};
