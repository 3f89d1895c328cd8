// A track bar: a bevelled gutter with tick marks on either side and a thumb that slides
// along it from MinValue to MaxValue.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvThumb.h"

#include <memory>

class TKvBitmapList;

namespace KvTrackBar {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum TKvTrackBarOption {
  toActiveClick = 1,
  toMouseClip = 2,
  toHandPoint = 4,
  toFixedPoints = 8,
  toThumbOpaque = 16
};
Q_DECLARE_FLAGS(TKvTrackBarOptions, TKvTrackBarOption)
Q_FLAG_NS(TKvTrackBarOptions)

}  // namespace KvTrackBar

Q_DECLARE_OPERATORS_FOR_FLAGS(KvTrackBar::TKvTrackBarOptions)

using KvTrackBar::TKvTrackBarOption;
using KvTrackBar::TKvTrackBarOptions;

// A track bar: a thumb that slides along a gutter with tick marks.
class KV_EXPORT TKvTrackBar : public TKvThumbControl {
  Q_OBJECT
  Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue NOTIFY MaxValueChanged)
  Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue NOTIFY MinValueChanged)
  // The thumb's value, held to MinValue .. MaxValue (0 .. 100 at first); a change emits
  // OnChange, then PositionChanged.
  Q_PROPERTY(int Position READ Position WRITE SetPosition NOTIFY PositionChanged USER true)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(KvControls::TKvProgressStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(KvTrackBar::TKvTrackBarOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(int Frequency READ Frequency WRITE SetFrequency)
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
  Q_PROPERTY(TKvBevel* GutterBevel READ GutterBevel WRITE SetGutterBevel)
  Q_PROPERTY(int GutterWidth READ GutterWidth WRITE SetGutterWidth)
  Q_PROPERTY(TColor GutterColor READ GutterColor WRITE SetGutterColor NOTIFY GutterColorChanged)
  Q_PROPERTY(KvControls::TKvTickMarks TickMarks READ TickMarks WRITE SetTickMarks)
  Q_PROPERTY(TColor TickColor READ TickColor WRITE SetTickColor NOTIFY TickColorChanged)
  Q_PROPERTY(int ThumbStates READ ThumbStates WRITE SetThumbStates)
  Q_PROPERTY(int BackImageIndex READ BackImageIndex WRITE SetBackImageIndex)
  Q_PROPERTY(int ThumbImageIndex READ ThumbImageIndex WRITE SetThumbImageIndex)
  Q_PROPERTY(TKvBitmapList* BitmapList READ BitmapList WRITE SetBitmapList)
  Q_PROPERTY(int ScaleOffset READ ScaleOffset WRITE SetScaleOffset)
  Q_PROPERTY(TColor FocusColor READ FocusColor WRITE SetFocusColor NOTIFY FocusColorChanged)
  Q_PROPERTY(int FocusOffset READ FocusOffset WRITE SetFocusOffset)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
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
  Q_CLASSINFO("default.Orientation", "voHorizontal")
  Q_CLASSINFO("default.Style", "psBottomLeft")
  Q_CLASSINFO("default.Options", "[toActiveClick, toMouseClip, toHandPoint, toThumbOpaque]")
  Q_CLASSINFO("default.Frequency", "10")
  Q_CLASSINFO("default.BorderWidth", "10")
  Q_CLASSINFO("default.GutterWidth", "9")
  Q_CLASSINFO("default.GutterColor", "clBlack")
  Q_CLASSINFO("default.TickMarks", "tmBoth")
  Q_CLASSINFO("default.TickColor", "clBlack")
  Q_CLASSINFO("default.ThumbStates", "1")
  Q_CLASSINFO("default.BackImageIndex", "-1")
  Q_CLASSINFO("default.ThumbImageIndex", "-1")
  Q_CLASSINFO("default.BitmapList", "")
  Q_CLASSINFO("default.ScaleOffset", "5")
  Q_CLASSINFO("default.FocusColor", "clBlack")
  Q_CLASSINFO("default.FocusOffset", "0")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.Enabled", "true")
  Q_CLASSINFO("default.ParentColor", "true")
public:
  explicit TKvTrackBar(kv::OwnerOrParent owner);
  ~TKvTrackBar() override;

  int MaxValue() const { return FRange.Max; }
  int MinValue() const { return FRange.Min; }
  int Position() const { return FRange.Position; }
  TKvOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TKvOrientation v);
  TKvProgressStyle Style() const { return FStyle; }
  void SetStyle(TKvProgressStyle v);
  TKvTrackBarOptions Options() const { return FOptions; }
  void SetOptions(TKvTrackBarOptions v);
  int Frequency() const { return FFrequency; }
  void SetFrequency(int v);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int v);
  TKvBevel* GutterBevel() const { return FGutterBevel.get(); }
  void SetGutterBevel(const TKvBevel* v) { FGutterBevel->Assign(v); }
  int GutterWidth() const { return FGutterWidth; }
  void SetGutterWidth(int v);
  TColor GutterColor() const { return FGutterColor; }
  void SetGutterColor(TColor v);
  TKvTickMarks TickMarks() const { return FTickMarks; }
  void SetTickMarks(TKvTickMarks v);
  TColor TickColor() const { return FTickColor; }
  void SetTickColor(TColor v);
  int BackImageIndex() const { return FBackImageIndex; }
  void SetBackImageIndex(int v);
  int ScaleOffset() const { return FScaleOffset; }
  void SetScaleOffset(int v);
  TColor FocusColor() const { return FFocusColor; }
  void SetFocusColor(TColor v);
  int FocusOffset() const { return FFocusOffset; }
  void SetFocusOffset(int v);

  // The gutter rectangle.
  TRect GutterRect() const;

public slots:
  void SetMaxValue(int v) {
    if (SetRangeMax(v)) emit MaxValueChanged(FRange.Max);
  }
  void SetMinValue(int v) {
    if (SetRangeMin(v)) emit MinValueChanged(FRange.Min);
  }
  void SetPosition(int v) { TKvThumbControl::SetPosition(v); }

signals:
  void GutterColorChanged();
  void TickColorChanged();
  void FocusColorChanged();
  void OnChange(TObject* Sender);
  void MaxValueChanged(int MaxValue);
  void MinValueChanged(int MinValue);
  void PositionChanged(int Position);

protected:
  void Change() override;
  void Paint() override;
  // Tick marks on one side: from Anchor, Major pixels long at the ends, Minor between.
  void DrawScale(TCanvas* canvas, int anchor, int major, int minor);
  TKvThumbTraits ThumbTraits() const override;

private:
  bool Has(TKvTrackBarOption o) const { return FOptions.testFlag(o); }
  bool Vertical() const { return FOrientation == TKvOrientation::voVertical; }

  TKvOrientation FOrientation = TKvOrientation::voHorizontal;
  TKvProgressStyle FStyle = TKvProgressStyle::psBottomLeft;
  TKvTrackBarOptions FOptions = TKvTrackBarOption::toActiveClick | TKvTrackBarOption::toMouseClip |
                                TKvTrackBarOption::toHandPoint | TKvTrackBarOption::toThumbOpaque;
  int FFrequency = 10;
  int FBorderWidth = 10;
  std::unique_ptr<TKvBevel> FGutterBevel;
  int FGutterWidth = 9;
  TColor FGutterColor = clBlack;
  TKvTickMarks FTickMarks = TKvTickMarks::tmBoth;
  TColor FTickColor = clBlack;
  int FBackImageIndex = -1;
  int FScaleOffset = 5;
  TColor FFocusColor = clBlack;
  int FFocusOffset = 0;
  struct Private;
  std::unique_ptr<Private> d;
};
