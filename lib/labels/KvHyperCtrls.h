// Text controls that react to the pointer: the hyperlink draws its outlined caption in one
// font and background while the pointer is outside and in another while it is over it;
// the web label opens its URL in the user's browser when clicked.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "StdCtrls.h"

#include <functional>
#include <memory>

// An outlined caption that changes its font and background while the pointer is over it.
class KV_EXPORT TKvHyperLink : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(TFont* FontEnter READ FontEnter WRITE SetFontEnter)
  Q_PROPERTY(TFont* FontLeave READ FontLeave WRITE SetFontLeave)
  Q_PROPERTY(TColor ColorEnter READ ColorEnter WRITE SetColorEnter NOTIFY ColorEnterChanged)
  Q_PROPERTY(TColor ColorLeave READ ColorLeave WRITE SetColorLeave NOTIFY ColorLeaveChanged)
  Q_PROPERTY(TKvTextOutline* TextOutline READ TextOutline WRITE SetTextOutline)
  Q_PROPERTY(StdCtrls::TAlignment Alignment READ Alignment WRITE SetAlignment)
  Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.FontEnter.Name", "Arial")
  Q_CLASSINFO("default.FontEnter.Height", "-16")
  Q_CLASSINFO("default.FontEnter.Color", "clLime")
  Q_CLASSINFO("default.FontEnter.Style", "[fsBold, fsUnderline]")
  Q_CLASSINFO("default.FontLeave.Name", "Arial")
  Q_CLASSINFO("default.FontLeave.Height", "-16")
  Q_CLASSINFO("default.FontLeave.Color", "clGreen")
  Q_CLASSINFO("default.FontLeave.Style", "[fsBold, fsUnderline]")
  Q_CLASSINFO("default.ColorEnter", "clBlue")
  Q_CLASSINFO("default.ColorLeave", "clBlack")
  Q_CLASSINFO("default.Alignment", "taCenter")
  Q_CLASSINFO("default.WordWrap", "true")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Enabled", "true")
public:
  explicit TKvHyperLink(kv::OwnerOrParent owner);
  ~TKvHyperLink() override;
  QSize minimumSizeHint() const override;

  TFont* FontEnter() const { return FFontEnter.get(); }
  void SetFontEnter(const TFont* v) { FFontEnter->Assign(v); }
  TFont* FontLeave() const { return FFontLeave.get(); }
  void SetFontLeave(const TFont* v) { FFontLeave->Assign(v); }
  TColor ColorEnter() const { return FColorEnter; }
  void SetColorEnter(TColor v);
  TColor ColorLeave() const { return FColorLeave; }
  void SetColorLeave(TColor v);
  TKvTextOutline* TextOutline() const { return FTextOutline.get(); }
  void SetTextOutline(const TKvTextOutline* v) { FTextOutline->Assign(v); }
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment v);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool v);

signals:
  void ColorEnterChanged();
  void ColorLeaveChanged();

protected:
  void Paint() override;
  void MouseEnter() override;
  void MouseLeave() override;
  void TextChanged() override;
  // The pointer is over the control.
  bool MouseInside() const { return FMouseInside; }

private:
  // The hovered look applies only to an enabled control.
  bool Hot() const { return FMouseInside && Enabled(); }

  std::unique_ptr<TFont> FFontEnter;
  std::unique_ptr<TFont> FFontLeave;
  TColor FColorEnter = clBlue;
  TColor FColorLeave = clBlack;
  std::unique_ptr<TKvTextOutline> FTextOutline;
  TAlignment FAlignment = TAlignment::taCenter;
  bool FWordWrap = true;
  bool FMouseInside = false;
  struct Private;
  std::unique_ptr<Private> d;
};

// A hyperlink that opens URL on a left click and shows the hand cursor.
class KV_EXPORT TKvWebLabel : public TKvHyperLink {
  Q_OBJECT
  Q_PROPERTY(QString URL READ URL WRITE SetURL)
  // The constructor's hand cursor: a description that leaves Cursor out gets it, and one
  // that stores another cursor keeps that.
  Q_CLASSINFO("default.Cursor", "99")
  Q_CLASSINFO("default.URL", "https://www.brontel.example/")
public:
  explicit TKvWebLabel(kv::OwnerOrParent owner);
  const QString& URL() const { return FURL; }
  void SetURL(const QString& v) { FURL = v; }

signals:
  // The system could not open URL.
  void OnError(TObject* Sender);

protected:
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  // Enter and Space fire OnClick, then open URL, as a click does.
  void KeyClick() override;

private:
  void OpenURL();

  QString FURL;
};
