// The form shape: gives its parent form an irregular outline taken from a mask picture,
// paints the picture as the form's face and moves the borderless form when it is dragged.
// The outline is kept as region data that is stored with the form, so that start-up only
// applies it and never scans the picture.
#pragma once

#include "KvExport.h"

#include "Forms.h"
#include "KvControls.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

namespace kv {
class TKvScaledPicture;
}

// A block of region data (header, bounds and rectangles, as GetRegionData gives it).
// Streamed as its size (32-bit little-endian) followed by that many bytes.
class KV_EXPORT TKvRgnData : public TPersistent {
public:
  TKvRgnData() = default;

  int Size() const { return int(FData.size()); }
  // Resizes the block (0 frees it); a negative size counts as 0.
  void SetSize(int N);
  uint8_t* Data() { return FData.data(); }
  const uint8_t* Data() const { return FData.data(); }
  // A copy of the block.
  QByteArray Bytes() const;
  void SetBytes(const QByteArray& Bytes);
  void Assign(const TPersistent* Source) override;

  // Reads the size and the bytes. A size that is negative or larger than what the stream
  // still holds raises "Invalid file format" and leaves the block as it was; a size of 0
  // leaves it as it is.
  void LoadFromStream(TStream& Stream);
  void SaveToStream(TStream& Stream) const;

private:
  std::vector<uint8_t> FData;
};

// Gives its parent form the outline of a mask picture and moves the form when dragged.
class KV_EXPORT TKvFormShape : public TKvGraphicImageControl {
  Q_OBJECT
  Q_PROPERTY(TBitmap* Mask READ Mask WRITE SetMask)
  Q_PROPERTY(TColor MaskColor READ MaskColor WRITE SetMaskColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
public:
  explicit TKvFormShape(kv::OwnerOrParent owner);
  ~TKvFormShape() override;
  QSize minimumSizeHint() const override;

  TBitmap* Mask() const { return FMask.get(); }
  // Copies the picture; at run time the new outline is scanned and applied at once.
  void SetMask(const TBitmap* Value);
  // The colour of the pixels outside the window: the control's Color under another name.
  TColor MaskColor() const { return Color(); }
  void SetMaskColor(TColor Value);
  TKvRgnData* RgnData() const { return FRgnData.get(); }

  // Only a form can be the parent; it loses its border.
  void SetParent(TWinControl* Parent) override;
  void Loaded() override;
  void DefineProperties(TFiler& Filer) override;

protected:
  void Paint() override;
  void PaintControl() override;
  // A left press moves the form; no press reaches OnMouseDown.
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // The region data of a region as the platform reports it (a test may make it fail).
  virtual QByteArray FetchRegionData(const TRegion& Region) const;

private:
  // Raises unless Parent is a form (or none); a form loses its border.
  void AcceptParent(QWidget* Parent);
  TForm* ParentForm() const;
  void BuildRegionData();
  void ApplyRegion();
  void ApplyDeviceOutline(int scale);
  // At run time a mask is the whole face: drawn straight onto the window, opaque. (A mask
  // drawn transparent shows what lies under it, so it goes through the image.)
  bool PaintsStraight() const {
    return !FMask->Empty() && !FMask->Transparent() && !IsDesigning();
  }
  void UpdateOpacity();

  std::unique_ptr<TBitmap> FMask;
  std::unique_ptr<kv::TKvScaledPicture> FShownMask;  // the face drawn for the mask
  std::unique_ptr<TKvRgnData> FRgnData;
  int FOutlineScale = 0;  // the scale the form's outline in device pixels was found for
};
