// A progress bar whose filled part is cut out of a fill picture (the highlight colour, a
// two-colour gradient or a tiled bitmap), as separate blocks or as one smooth bar.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvControls.h"
#include "KvValueRange.h"

#include <QObject>

#include <memory>

namespace KvProgressBar {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvProgressBarFill { pfPlain, pfGradient, pfBitmap };
Q_ENUM_NS(TKvProgressBarFill)
using enum TKvProgressBarFill;

}  // namespace KvProgressBar

using KvProgressBar::TKvProgressBarFill;

// A progress bar filled from a fill picture up to Position, in blocks or smooth.
class KV_EXPORT TKvProgressBar : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  // The filled part, held to MinValue .. MaxValue (0 .. 100, full at first); a change emits
  // OnChange, then PositionChanged.
  Q_PROPERTY(int Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(TColor StartColor READ StartColor WRITE SetStartColor NOTIFY StartColorChanged)
  Q_PROPERTY(TColor EndColor READ EndColor WRITE SetEndColor NOTIFY EndColorChanged)
  Q_PROPERTY(bool Smooth READ Smooth WRITE SetSmooth)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(int Step READ Step WRITE SetStep)
  Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap)
  Q_PROPERTY(KvProgressBar::TKvProgressBarFill FillType READ FillType WRITE SetFillType)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.Position", "100")
  Q_CLASSINFO("default.StartColor", "clNavy")
  Q_CLASSINFO("default.EndColor", "clAqua")
  Q_CLASSINFO("default.Smooth", "false")
  Q_CLASSINFO("default.Orientation", "voHorizontal")
  Q_CLASSINFO("default.Step", "10")
  Q_CLASSINFO("default.Bitmap", "")
  Q_CLASSINFO("default.FillType", "pfGradient")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvProgressBar(kv::OwnerOrParent owner);
  ~TKvProgressBar() override;
  QSize minimumSizeHint() const override;

  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  // A value not above MinValue is ignored; pulls Position down (with OnChange).
  int MaxValue() const { return FRange.Max; }
  // A value not below MaxValue is ignored; pulls Position up (with OnChange).
  int MinValue() const { return FRange.Min; }
  // Clamped to the range; a change repaints, then fires OnChange.
  int Position() const { return FRange.Position; }
  TColor StartColor() const { return FStartColor; }
  void SetStartColor(TColor v);
  TColor EndColor() const { return FEndColor; }
  void SetEndColor(TColor v);
  bool Smooth() const { return FSmooth; }
  void SetSmooth(bool v);
  // A change swaps Width and Height (not while loading).
  TKvOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TKvOrientation v);
  // Kept for descriptions; nothing uses it.
  int Step() const { return FStep; }
  void SetStep(int v) { FStep = v; }
  // The tile of pfBitmap.
  TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(const TBitmap* v) { FBitmap->Assign(v); }
  TKvProgressBarFill FillType() const { return FFillType; }
  void SetFillType(TKvProgressBarFill v);

  void Loaded() override;

public slots:
  void SetMaxValue(int v);
  void SetMinValue(int v);
  void SetPosition(int v);

signals:
  void StartColorChanged();
  void EndColorChanged();
  void OnChange(TObject* Sender);
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);
  void PositionChanged(int Position);

protected:
  void Paint() override;
  void CMSysColorChange() override;

private:
  void FillChanged();
  void BuildFill(const TRect& bar);
  // The filled length for Position along a bar of Extent pixels.
  int64_t Filled(int position, int64_t extent) const;
  // The repaint after Position moved from Before: only the blocks between the two ends.
  void RepaintFill(int before);

  std::unique_ptr<TKvBevel> FBevel;
  std::unique_ptr<TBitmap> FBitmap;
  std::unique_ptr<TBitmap> FFillImage;
  bool FFillDirty = true;
  TRect FFaceBar;  // the area inside the bevel the kept face was drawn with
  kv::ValueRange<int> FRange{0, 100, 100};
  TColor FStartColor = clNavy;
  TColor FEndColor = clAqua;
  bool FSmooth = false;
  TKvOrientation FOrientation = TKvOrientation::voHorizontal;
  int FStep = 10;
  TKvProgressBarFill FFillType = TKvProgressBarFill::pfGradient;
  struct Private;
  std::unique_ptr<Private> d;
};
