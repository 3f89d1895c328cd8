// A value slider drawn as a bar of thin ticks, lit from its base end up to the thumb.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvThumb.h"

#include <memory>

namespace KvSlider {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum class TKvSliderStyle { ssBottomLeft, ssTopRight };
Q_ENUM_NS(TKvSliderStyle)
using enum TKvSliderStyle;
// The same names as the switch's options, in a set of their own.
enum TKvSliderOption {
  soActiveClick = 1,
  soMouseClip = 2,
  soHandPoint = 4,
  soThumbOpaque = 8
};
Q_DECLARE_FLAGS(TKvSliderOptions, TKvSliderOption)
Q_FLAG_NS(TKvSliderOptions)

}  // namespace KvSlider

Q_DECLARE_OPERATORS_FOR_FLAGS(KvSlider::TKvSliderOptions)

using KvSlider::TKvSliderOption;
using KvSlider::TKvSliderOptions;
using KvSlider::TKvSliderStyle;

// A value slider: a bar of ticks lit up to the thumb at Position.
class KV_EXPORT TKvSlider : public TKvThumbControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  // The thumb's value, held to MinValue .. MaxValue (0 .. 100 at first); a change emits
  // OnChange, then PositionChanged.
  Q_PROPERTY(int Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(int TickWidth READ TickWidth WRITE SetTickWidth)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(bool SolidFill READ SolidFill WRITE SetSolidFill)
  Q_PROPERTY(KvSlider::TKvSliderStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(int ThumbStates READ ThumbStates WRITE SetThumbStates)
  Q_PROPERTY(KvSlider::TKvSliderOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(int KeyIncrement READ KeyIncrement WRITE SetKeyIncrement)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor NOTIFY BorderColorChanged)
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
  Q_PROPERTY(TColor FocusColor READ FocusColor WRITE SetFocusColor NOTIFY FocusColorChanged)
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(TKvPalette* Palette READ Palette WRITE SetPalette)
  Q_PROPERTY(int ThumbImageIndex READ ThumbImageIndex WRITE SetThumbImageIndex)
  Q_PROPERTY(int ThumbIndent READ ThumbIndent WRITE SetThumbIndent)
  Q_PROPERTY(TKvBitmapList* BitmapList READ BitmapList WRITE SetBitmapList)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(TCursor Cursor READ Cursor WRITE SetCursor)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.MaxValue", "100")
  Q_CLASSINFO("default.MinValue", "0")
  Q_CLASSINFO("default.Position", "0")
  Q_CLASSINFO("default.Spacing", "1")
  Q_CLASSINFO("default.TickWidth", "1")
  Q_CLASSINFO("default.Orientation", "voVertical")
  Q_CLASSINFO("default.SolidFill", "true")
  Q_CLASSINFO("default.Style", "ssBottomLeft")
  Q_CLASSINFO("default.ThumbStates", "1")
  Q_CLASSINFO("default.Options", "[soHandPoint, soThumbOpaque]")
  Q_CLASSINFO("default.KeyIncrement", "5")
  Q_CLASSINFO("default.BorderColor", "clBtnFace")
  Q_CLASSINFO("default.BorderWidth", "1")
  Q_CLASSINFO("default.FocusColor", "clBlue")
  Q_CLASSINFO("default.ThumbImageIndex", "-1")
  Q_CLASSINFO("default.ThumbIndent", "2")
  Q_CLASSINFO("default.BitmapList", "")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  explicit TKvSlider(kv::OwnerOrParent owner);
  ~TKvSlider() override;

  int MaxValue() const { return FRange.Max; }
  int MinValue() const { return FRange.Min; }
  int Position() const { return FRange.Position; }
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  int TickWidth() const { return FTickWidth; }
  void SetTickWidth(int v);
  TKvOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TKvOrientation v);
  bool SolidFill() const { return FSolidFill; }
  void SetSolidFill(bool v);
  TKvSliderStyle Style() const { return FStyle; }
  void SetStyle(TKvSliderStyle v);
  TKvSliderOptions Options() const { return FOptions; }
  void SetOptions(TKvSliderOptions v);
  int KeyIncrement() const { return FKeyIncrement; }
  void SetKeyIncrement(int v) { FKeyIncrement = v; }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor v);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int v);
  TColor FocusColor() const { return FFocusColor; }
  void SetFocusColor(TColor v);
  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  TKvPalette* Palette() const { return FPalette.get(); }
  void SetPalette(const TKvPalette* v) { FPalette->Assign(v); }
  int ThumbIndent() const { return FThumbIndent; }
  void SetThumbIndent(int v);

  // The strips (unlit and lit) for the current settings, each the size of the bevel's
  // interior.
  const TBitmap* OffStrip() const;
  const TBitmap* OnStrip() const;

  void Loaded() override;
  void CMColorChanged() override;

public slots:
  void SetMaxValue(int v) {
    if (SetRangeMax(v)) emit MaxValueChanged(FRange.Max);
  }
  void SetMinValue(int v) {
    if (SetRangeMin(v)) emit MinValueChanged(FRange.Min);
  }
  void SetPosition(int v) { TKvThumbControl::SetPosition(v); }

signals:
  void BorderColorChanged();
  void FocusColorChanged();
  void OnChange(TObject* Sender);
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);
  void PositionChanged(int Position);

protected:
  void Change() override;
  void Paint() override;

  TKvThumbTraits ThumbTraits() const override;

private:
  bool Has(TKvSliderOption o) const { return FOptions.testFlag(o); }
  bool Vertical() const { return FOrientation == TKvOrientation::voVertical; }
  bool TopRight() const { return FStyle == TKvSliderStyle::ssTopRight; }
  static constexpr int64_t kMaxStripSide = 32767;
  static constexpr int64_t kMaxStripPixels = int64_t(1) << 24;
  TRect StripRect() const;
  QSize StripSize() const;
  void FillStrip(TBitmap* strip, TColor color) const;
  // Makes both strips afresh when what they are drawn from changed.
  void KeepStrips() const;

  int FSpacing = 1;
  int FTickWidth = 1;
  TKvOrientation FOrientation = TKvOrientation::voVertical;
  bool FSolidFill = true;
  TKvSliderStyle FStyle = TKvSliderStyle::ssBottomLeft;
  TKvSliderOptions FOptions = TKvSliderOption::soHandPoint | TKvSliderOption::soThumbOpaque;
  int FKeyIncrement = 5;
  TColor FBorderColor = clBtnFace;
  int FBorderWidth = 1;
  TColor FFocusColor = clBlue;
  std::unique_ptr<TKvBevel> FBevel;
  std::unique_ptr<TKvPalette> FPalette;
  int FThumbIndent = 2;
  TRect FInterior;  // inside the frame and the bevel, as the kept face drew them
  struct Private;
  std::unique_ptr<Private> d;
};
