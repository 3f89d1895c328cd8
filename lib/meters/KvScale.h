// What every scale of the instruments has: the long and short tick lengths and whether it
// shows. The meter's scale derives from it, the linear scales (KvLinearScale.h) through
// TKvLinearScaleBase. Each scale redeclares these properties in the order it publishes them.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"

// The settings every instrument scale has: tick lengths and visibility.
class KV_EXPORT TKvScaleBase : public TKvPersistent {
  Q_OBJECT
  Q_PROPERTY(int HeightMax READ HeightMax WRITE SetHeightMax NOTIFY PropertyChanged)
  Q_PROPERTY(int HeightMin READ HeightMin WRITE SetHeightMin NOTIFY PropertyChanged)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY PropertyChanged)
public:
  int HeightMax() const { return FShared.HeightMax; }
  void SetHeightMax(int v) { SetValue(FShared.HeightMax, v); }
  int HeightMin() const { return FShared.HeightMin; }
  void SetHeightMin(int v) { SetValue(FShared.HeightMin, v); }
  bool Visible() const { return FShared.Visible; }
  void SetVisible(bool v) { SetValue(FShared.Visible, v); }

protected:
  TKvScaleBase() = default;

  // Copies the settings of Source that the base classes hold (a base adds its own).
  virtual void CopyShared(const TKvScaleBase& source) { FShared = source.FShared; }
  // Copies every setting of a Source of class C (Data and what the bases hold) as one
  // change; false for a source of another class.
  template <class C, class D>
  bool AssignScale(const TPersistent* source, D C::*data) {
    const auto* same = dynamic_cast<const C*>(source);
    if (!same) return false;
    WithinUpdate([&] {
      CopyShared(*same);
      static_cast<C*>(this)->*data = same->*data;
    });
    return true;
  }

private:
  struct Settings {
    int HeightMax = 8;
    int HeightMin = 5;
    bool Visible = true;
  } FShared;
};
