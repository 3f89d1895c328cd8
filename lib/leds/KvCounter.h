// A digit counter: a non-negative number shown as a row of digit cells cut from a strip of
// ten pictures (0 to 9), zero-padded to a fixed number of digits. It can size itself to the
// digits, centre them or stretch them, and let the background through where the digits
// have the control's colour.
#pragma once

#include "KvExport.h"

#include "KvControls.h"

#include <cstdint>
#include <memory>
#include <string>

using TKvCounterValue = TKvRange<0, 2147483647>;
using TKvCounterDigits = TKvRange<1, 10>;

// A digit counter showing Value as a row of digit pictures.
class KV_EXPORT TKvCounter : public TKvGraphicImageControl {
  Q_OBJECT
  // The number shown, 0 or more (negative values are refused); a change emits OnChange, then
  // ValueChanged.
  Q_PROPERTY(int Value READ Value WRITE SetValue NOTIFY ValueChanged USER true)
  Q_PROPERTY(int Digits READ Digits WRITE SetDigits)
  Q_PROPERTY(TBitmap* Bitmap READ Bitmap WRITE SetBitmap)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(Controls::TAlign Align READ Align WRITE SetAlign)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(TColor Color READ Color WRITE SetColor NOTIFY ColorChanged)
  Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
  Q_PROPERTY(bool ParentColor READ ParentColor WRITE SetParentColor)
  Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE SetParentShowHint)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
  Q_PROPERTY(bool Visible READ Visible WRITE SetVisible NOTIFY VisibleChanged)
  Q_CLASSINFO("default.Value", "0")
  Q_CLASSINFO("default.Digits", "6")
  Q_CLASSINFO("default.Spacing", "0")
  Q_CLASSINFO("default.Stretch", "false")
  Q_CLASSINFO("default.Transparent", "false")
  Q_CLASSINFO("default.Align", "alNone")
  Q_CLASSINFO("default.AutoSize", "false")
  Q_CLASSINFO("default.Color", "clBtnFace")
  Q_CLASSINFO("default.ParentColor", "false")
public:
  // The most pixels the digit row holds, as the picture codecs allow.
  static constexpr int64_t kRowPixelBudget = int64_t(1) << 25;

  explicit TKvCounter(kv::OwnerOrParent owner);
  ~TKvCounter() override;
  QSize minimumSizeHint() const override;

  int Value() const { return FValue; }
  int Digits() const { return FDigits; }
  // Refuses values outside 1 ... 10.
  void SetDigits(int v);
  TBitmap* Bitmap() const { return FBitmap.get(); }
  // Copies the strip; an empty one brings the built-in strip back.
  void SetBitmap(const TBitmap* v);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int v);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool v) {
    if (SetIfChanged(FStretch, v)) UpdateControl();
  }

  // The digit row's size: a row of 0 or less wide is empty; a wider row than the pixel
  // budget allows is cut there.
  int RowWidth() const { return FRowWidth; }
  int RowHeight() const { return FRowHeight; }

  void Loaded() override;
  // The palette query has nothing to answer on RGB32 images.

public slots:
  // Refuses negative values; a change repaints, then fires OnChange.
  void SetValue(int v);

signals:
  void OnChange(TObject* Sender);
  void ValueChanged(int Value);

protected:
  void Paint() override;
  bool CanAutoSize(int& newWidth, int& newHeight) override;

private:
  void BitmapChanged();
  void UpdateSizes();

  int FValue = 0;
  int FDigits = 6;
  std::unique_ptr<TBitmap> FBitmap;
  int FSpacing = 0;
  bool FStretch = false;
  bool FReloading = false;
  int FDigitWidth = 0;
  int FDigitHeight = 0;
  int FRowWidth = 0;
  int FRowHeight = 0;
  struct Private;
  std::unique_ptr<Private> d;
};
