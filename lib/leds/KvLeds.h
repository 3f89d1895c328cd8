// A rectangular on/off lamp inside an optional outline and a bevel: its face is a vertical
// gradient of one colour pair when on and another when off, or the application's own
// drawing. It paints straight onto its canvas.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"

#include <memory>

// A rectangular on/off lamp.
class KV_EXPORT TKvUserLed : public TKvGraphicControl {
  Q_OBJECT
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(TKvPaletteEx* PaletteEx READ PaletteEx WRITE SetPaletteEx)
  // On or off (off at first); a change emits OnChange, then ActiveChanged.
  Q_PROPERTY(bool Active READ Active WRITE SetActive NOTIFY ActiveChanged USER true)
  Q_PROPERTY(TColor OutlineColor READ OutlineColor WRITE SetOutlineColor NOTIFY OutlineColorChanged)
  Q_PROPERTY(int OutlineWidth READ OutlineWidth WRITE SetOutlineWidth)
  Q_PROPERTY(KvControls::TKvDrawStyle DrawStyle READ DrawStyle WRITE SetDrawStyle)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  // The bevel's and palette's colours are always stored.
  Q_CLASSINFO("default.Active", "false")
  Q_CLASSINFO("default.OutlineColor", "clBlack")
  Q_CLASSINFO("default.OutlineWidth", "0")
  Q_CLASSINFO("default.DrawStyle", "dsNormal")
  Q_CLASSINFO("default.Align", "alNone")
public:
  explicit TKvUserLed(kv::OwnerOrParent owner);
  ~TKvUserLed() override;
  QSize minimumSizeHint() const override;

  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  TKvPaletteEx* PaletteEx() const { return FPaletteEx.get(); }
  void SetPaletteEx(const TKvPaletteEx* v) { FPaletteEx->Assign(v); }
  bool Active() const { return FActive; }
  TColor OutlineColor() const { return FOutlineColor; }
  void SetOutlineColor(TColor v);
  int OutlineWidth() const { return FOutlineWidth; }
  // 0 or less draws no outline; the rings stop once they fill the control.
  void SetOutlineWidth(int v);
  TKvDrawStyle DrawStyle() const { return FDrawStyle; }
  void SetDrawStyle(TKvDrawStyle v);

public slots:
  // Repaints, then fires OnChange.
  void SetActive(bool v);

signals:
  void OutlineColorChanged();
  void OnChange(TObject* Sender);
  void OnDraw(TObject* Sender, TCanvas* Canvas, const TRect& Rect);
  void ActiveChanged(bool Active);

protected:
  void Paint() override;

private:
  std::unique_ptr<TKvBevel> FBevel;
  std::unique_ptr<TKvPaletteEx> FPaletteEx;
  bool FActive = false;
  TColor FOutlineColor = clBlack;
  int FOutlineWidth = 0;
  TKvDrawStyle FDrawStyle = TKvDrawStyle::dsNormal;
};
