// A multi-position slide switch: a thumb that snaps to one of Positions stops.
#pragma once

#include "KvExport.h"

#include "KvClasses.h"
#include "KvThumb.h"

#include <memory>

class TKvBitmapList;

namespace KvSwitch {
Q_NAMESPACE_EXPORT(KV_EXPORT)

enum TKvSwitchOption {
  soActiveClick = 1,
  soMouseClip = 2,
  soHandPoint = 4,
  soThumbOpaque = 8
};
Q_DECLARE_FLAGS(TKvSwitchOptions, TKvSwitchOption)
Q_FLAG_NS(TKvSwitchOptions)

}  // namespace KvSwitch

Q_DECLARE_OPERATORS_FOR_FLAGS(KvSwitch::TKvSwitchOptions)

using KvSwitch::TKvSwitchOption;
using KvSwitch::TKvSwitchOptions;

// A slide switch with Positions stops.
class KV_EXPORT TKvSwitch : public TKvThumbControl {
  Q_OBJECT
  Q_PROPERTY(int Positions READ Positions WRITE SetPositions)
  // The stop the thumb is at, 0 .. Positions - 1 (0 of 4 at first); a change emits OnChange,
  // then OffsetChanged.
  Q_PROPERTY(int Offset READ Offset WRITE SetOffset NOTIFY OffsetChanged USER true)
  Q_PROPERTY(KvControls::TKvOrientation Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(int BackImageIndex READ BackImageIndex WRITE SetBackImageIndex)
  Q_PROPERTY(int ThumbImageIndex READ ThumbImageIndex WRITE SetThumbImageIndex)
  Q_PROPERTY(TKvBitmapList* BitmapList READ BitmapList WRITE SetBitmapList)
  Q_PROPERTY(int ThumbStates READ ThumbStates WRITE SetThumbStates)
  Q_PROPERTY(int ThumbIndent READ ThumbIndent WRITE SetThumbIndent)
  Q_PROPERTY(KvControls::TKvProgressStyle Style READ Style WRITE SetStyle)
  Q_PROPERTY(TKvBevel* Bevel READ Bevel WRITE SetBevel)
  Q_PROPERTY(KvSwitch::TKvSwitchOptions Options READ Options WRITE SetOptions)
  Q_PROPERTY(TColor BorderColor READ BorderColor WRITE SetBorderColor NOTIFY BorderColorChanged)
  Q_PROPERTY(int BorderWidth READ BorderWidth WRITE SetBorderWidth)
  Q_PROPERTY(TColor FocusColor READ FocusColor WRITE SetFocusColor NOTIFY FocusColorChanged)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled NOTIFY EnabledChanged)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(int TabOrder READ TabOrder WRITE SetTabOrder)
  Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Positions", "4")
  Q_CLASSINFO("default.Offset", "0")
  Q_CLASSINFO("default.Orientation", "voVertical")
  Q_CLASSINFO("default.BackImageIndex", "-1")
  Q_CLASSINFO("default.ThumbImageIndex", "-1")
  Q_CLASSINFO("default.BitmapList", "")
  Q_CLASSINFO("default.ThumbStates", "1")
  Q_CLASSINFO("default.ThumbIndent", "1")
  Q_CLASSINFO("default.Style", "psBottomLeft")
  Q_CLASSINFO("default.Options", "[soActiveClick, soMouseClip, soHandPoint, soThumbOpaque]")
  Q_CLASSINFO("default.BorderColor", "clBtnFace")
  Q_CLASSINFO("default.BorderWidth", "1")
  Q_CLASSINFO("default.FocusColor", "clBlue")
  Q_CLASSINFO("default.Color", "clBlack")
  Q_CLASSINFO("default.ParentColor", "false")
  Q_CLASSINFO("default.Enabled", "true")
public:
  // The longest side a switch takes: the largest window X11 can have.
  static constexpr int kMaxSide = 32767;

  explicit TKvSwitch(kv::OwnerOrParent owner);
  ~TKvSwitch() override;

  // The stops 0 .. Positions - 1 are the thumb's range; Offset is its position.
  int Positions() const { return FRange.Max + 1; }
  void SetPositions(int v);
  int Offset() const { return FRange.Position; }
  TKvOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TKvOrientation v);
  int BackImageIndex() const { return FBackImageIndex; }
  void SetBackImageIndex(int v);
  int ThumbIndent() const { return FThumbIndent; }
  void SetThumbIndent(int v);
  TKvProgressStyle Style() const { return FStyle; }
  void SetStyle(TKvProgressStyle v);
  TKvBevel* Bevel() const { return FBevel.get(); }
  void SetBevel(const TKvBevel* v) { FBevel->Assign(v); }
  TKvSwitchOptions Options() const { return FOptions; }
  void SetOptions(TKvSwitchOptions v);
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor v);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int v);
  TColor FocusColor() const { return FFocusColor; }
  void SetFocusColor(TColor v);

  bool CanAutoSize(int& newWidth, int& newHeight) override;

public slots:
  void SetOffset(int v) { SetPosition(v); }

signals:
  void BorderColorChanged();
  void FocusColorChanged();
  void OnChange(TObject* Sender);
  void OffsetChanged(int Offset);

protected:
  void Change() override;
  void Paint() override;
  TKvThumbTraits ThumbTraits() const override;
  void ThumbLoaded() override { FitSwitchSize(); }

private:
  bool Vertical() const { return FOrientation == TKvOrientation::voVertical; }
  // The long side for a stop count and border, in 64 bits.
  int64_t LongSide(int64_t positions, int64_t border) const;
  void FitSwitchSize();

  bool FHoldSize = false;
  TKvOrientation FOrientation = TKvOrientation::voVertical;
  int FBackImageIndex = -1;
  int FThumbIndent = 1;
  TKvProgressStyle FStyle = TKvProgressStyle::psBottomLeft;
  std::unique_ptr<TKvBevel> FBevel;
  TKvSwitchOptions FOptions = TKvSwitchOption::soActiveClick | TKvSwitchOption::soMouseClip |
                              TKvSwitchOption::soHandPoint | TKvSwitchOption::soThumbOpaque;
  TColor FBorderColor = clBtnFace;
  int FBorderWidth = 1;
  TColor FFocusColor = clBlue;
  struct Private;
  std::unique_ptr<Private> d;
};
