// A single value shown as a three-dimensional pie: an elliptical disc of thickness Depth seen
// slightly from above, its top split into a used wedge (Value out of MaxValue) and a free
// wedge, its visible front side shaded in the matching shadow colours.
#pragma once

#include "KvExport.h"
#include "KvControls.h"

#include <cstdint>
#include <memory>

// A three-dimensional pie whose used wedge shows Value out of MaxValue.
class KV_EXPORT TKvPieGraph : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  // The used share, held to 1 .. MaxValue; a change emits OnChange, then ValueChanged.
  Q_PROPERTY(int Value READ Value WRITE SetValue NOTIFY ValueChanged USER true)
  Q_PROPERTY(int Depth READ Depth WRITE SetDepth)
  Q_PROPERTY(TColor UsedColor READ UsedColor WRITE SetUsedColor NOTIFY UsedColorChanged)
  Q_PROPERTY(TColor UsedShadowColor READ UsedShadowColor WRITE SetUsedShadowColor
             NOTIFY UsedShadowColorChanged)
  Q_PROPERTY(TColor FreeColor READ FreeColor WRITE SetFreeColor NOTIFY FreeColorChanged)
  Q_PROPERTY(TColor FreeShadowColor READ FreeShadowColor WRITE SetFreeShadowColor
             NOTIFY FreeShadowColorChanged)
  Q_PROPERTY(TColor OutlineColor READ OutlineColor WRITE SetOutlineColor NOTIFY OutlineColorChanged)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
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
  QSize minimumSizeHint() const override;

  int MaxValue() const { return FMaxValue; }
  int Value() const { return FValue; }
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

public slots:
  // Values <= 0 are ignored; Value is not clamped again.
  void SetMaxValue(int v);
  // Values <= 0 become 1, then values above MaxValue become MaxValue. A change repaints,
  // then fires OnChange.
  void SetValue(int v);

signals:
  void UsedColorChanged();
  void UsedShadowColorChanged();
  void FreeColorChanged();
  void FreeShadowColorChanged();
  void OutlineColorChanged();
  void OnChange(TObject* Sender);
  void MaxValueChanged(int MaxValue);
  void ValueChanged(int Value);

protected:
  void Paint() override;

private:

  int FMaxValue = 100;
  int FValue = 80;
  int FDepth = 10;
  TColor FUsedColor = clBlue;
  TColor FUsedShadowColor = clNavy;
  TColor FFreeColor = clFuchsia;
  TColor FFreeShadowColor = clPurple;
  TColor FOutlineColor = clBlack;
  // The kept base, the pie's layers and its angle map.
  struct Private;
  std::unique_ptr<Private> d;
};
