// A large block arrow pointing left, right, up or down, unlit or lit in the colours of its
// palette. With TrackMouse it lights while the pointer is over the arrow's shape, so that it
// serves as a clickable direction button.
#pragma once

#include "KvExport.h"
#include "KvClasses.h"
#include "KvControls.h"

#include <array>
#include <memory>

namespace KvArrow {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvArrowDirection { pdLeft, pdRight, pdUp, pdDown };
Q_ENUM_NS(TKvArrowDirection)
using enum TKvArrowDirection;

}  // namespace KvArrow

using KvArrow::TKvArrowDirection;

// A block arrow, unlit or lit (Active, which emits ActiveChanged).
class KV_EXPORT TKvArrow : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(bool Active READ Active WRITE SetActive NOTIFY ActiveChanged)
  Q_PROPERTY(KvArrow::TKvArrowDirection Direction READ Direction WRITE SetDirection)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(bool TrackMouse READ TrackMouse WRITE SetTrackMouse)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Active", "false")
  Q_CLASSINFO("default.Direction", "pdUp")
  Q_CLASSINFO("default.TrackMouse", "false")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvArrow(kv::OwnerOrParent owner);
  ~TKvArrow() override;
  QSize minimumSizeHint() const override;

  bool Active() const { return FActive; }
  TKvArrowDirection Direction() const { return FDirection; }
  // Reloads the arrow picture.
  void SetDirection(TKvArrowDirection v);
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  bool TrackMouse() const { return FTrackMouse; }
  void SetTrackMouse(bool v) { FTrackMouse = v; }

  // Whether (X, Y) lies on the arrow's shape (its outlines included), not on the white
  // corners of its cell.
  bool HitTest(int x, int y) const;
  // Where the cell lies in the control: centred, so negative in a smaller control.
  TRect ArrowRect() const;
  bool GetPalette() const override { return true; }

public slots:
  void SetActive(bool v);

signals:
  void ActiveChanged(bool Active);

protected:
  void Paint() override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  void CMSysColorChange() override;

private:
  // Points the current picture at the direction's, loading and recolouring it on first use.
  void LoadArrow();
  // The palette or the system colours changed: every kept picture is recoloured afresh.
  void ReloadArrows();
  void SetMouseOver(bool v);

  bool FActive = false;
  TKvArrowDirection FDirection = TKvArrowDirection::pdUp;
  std::unique_ptr<TKvPalette> FPalette;
  bool FTrackMouse = false;
  bool FMouseOver = false;
  // The recoloured pictures and masks by direction, and the current direction's.
  struct Private;
  std::unique_ptr<Private> d;
};
