// A traffic-light group of up to three glass lamps (green, yellow, red), each on or off,
// drawn from the off and on strips of the lamp type.
#pragma once

#include "KvExport.h"

#include "KvControls.h"

#include <array>
#include <memory>

namespace KvLights {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum TKvLightsState { lsGreen = 1, lsYellow = 2, lsRed = 4 };
Q_DECLARE_FLAGS(TKvLightsStates, TKvLightsState)
Q_FLAG_NS(TKvLightsStates)
enum class TKvLightsOrder { loGreenToRed, loRedToGreen };
Q_ENUM_NS(TKvLightsOrder)
using enum TKvLightsOrder;
enum class TKvLightsType { ltGlassRounded, ltGlassRect, ltGlassSquare, ltGlassDiamond };
Q_ENUM_NS(TKvLightsType)
using enum TKvLightsType;

}  // namespace KvLights

Q_DECLARE_OPERATORS_FOR_FLAGS(KvLights::TKvLightsStates)

using KvLights::TKvLightsOrder;
using KvLights::TKvLightsState;
using KvLights::TKvLightsStates;
using KvLights::TKvLightsType;
// The lamps that exist: the same set type.
using TKvLightsVisible = TKvLightsStates;

// A traffic-light group of up to three lamps, each on or off.
class KV_EXPORT TKvLights : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(KvLights::TKvLightsStates LedState READ LedState WRITE SetLedState)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(KvLights::TKvLightsOrder Order READ Order WRITE SetOrder)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(KvLights::TKvLightsStates LedsVisible READ LedsVisible WRITE SetLedsVisible)
  Q_PROPERTY(KvLights::TKvLightsType LedType READ LedType WRITE SetLedType)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.LedState", "[]")
  Q_CLASSINFO("default.Spacing", "5")
  Q_CLASSINFO("default.Order", "loGreenToRed")
  Q_CLASSINFO("default.Orientation", "voHorizontal")
  Q_CLASSINFO("default.LedsVisible", "[lsGreen,lsYellow,lsRed]")
  Q_CLASSINFO("default.LedType", "ltGlassRect")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  static constexpr TKvLightsStates kAllLamps =
      TKvLightsState::lsGreen | TKvLightsState::lsYellow | TKvLightsState::lsRed;

  explicit TKvLights(kv::OwnerOrParent owner);
  ~TKvLights() override;
  QSize minimumSizeHint() const override;

  TKvLightsStates LedState() const { return FLedState; }
  // Repaints, then fires OnChange; a set with anything but the three lamps is refused.
  void SetLedState(TKvLightsStates v);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  TKvLightsOrder Order() const { return FOrder; }
  void SetOrder(TKvLightsOrder v);
  TKvOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TKvOrientation v);
  TKvLightsVisible LedsVisible() const { return FLedsVisible; }
  void SetLedsVisible(TKvLightsVisible v);
  TKvLightsType LedType() const { return FLedType; }
  // Reloads the strips.
  void SetLedType(TKvLightsType v);

  // The top-left corner of the first visible lamp in the current layout.
  TPoint FirstLampOrigin() const;

signals:
  void OnChange(TObject* Sender);

protected:
  void Paint() override;

private:
  void LoadStrips();

  std::unique_ptr<TBitmap> FStripOff;
  std::unique_ptr<TBitmap> FStripOn;
  TKvLightsStates FLedState;
  int FSpacing = 5;
  TKvLightsOrder FOrder = TKvLightsOrder::loGreenToRed;
  TKvOrientation FOrientation = TKvOrientation::voHorizontal;
  TKvLightsVisible FLedsVisible = kAllLamps;
  TKvLightsType FLedType = TKvLightsType::ltGlassRect;
  int FCellWidth = 0;
  int FCellHeight = 0;
  int FVisibleCount = 3;
  struct Private;
  std::unique_ptr<Private> d;
};
