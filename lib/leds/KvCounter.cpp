#include "KvCounter.h"
#include "KvSysUtilsInternal.h"

#include "ClassRegistry.h"
#include "KvArtwork.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"

#include <QPointer>

#include <algorithm>
#include <charconv>
#include <string>

using kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvCounter>();

}  // namespace

struct TKvCounter::Private {
  // The strip, drawn at the control's scale while it is a named resource (the built-in one
  // at first).
  kv::TKvScaledPicture StripArt{QStringLiteral("BMCOUNTER")};
  // The row of digits as last drawn, at the scale of the control's image.
  TBitmap Row;
  // What the row shows: the characters drawn and what they were drawn from.
  std::string RowText;
  QByteArray RowKey;
};

TKvCounter::TKvCounter(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FBitmap(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(0, 0, 150, 25);
  SetColor(clBtnFace);
  d->StripArt.LoadInto(*FBitmap);
  connect(FBitmap.get(), &TGraphic::OnChange, this, [this] { BitmapChanged(); });
  UpdateSizes();
}

TKvCounter::~TKvCounter() = default;

void TKvCounter::SetValue(int v) {
  if (!TKvCounterValue::Contains(v) || v == FValue) return;
  FValue = v;
  UpdateControl();
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit ValueChanged(FValue); });
}

void TKvCounter::SetDigits(int v) {
  if (TKvCounterDigits::Contains(v) && SetIfChanged(FDigits, v)) UpdateSizes();
}

void TKvCounter::SetSpacing(int v) {
  if (SetIfChanged(FSpacing, v)) UpdateSizes();
}

void TKvCounter::SetBitmap(const TBitmap* v) {
  if (v != FBitmap.get()) FBitmap->Assign(v);
}

void TKvCounter::BitmapChanged() {
  if (FReloading) return;
  if (FBitmap->Empty()) {
    FReloading = true;
    d->StripArt.LoadInto(*FBitmap);
    FReloading = false;
  }
  UpdateSizes();
}

void TKvCounter::UpdateSizes() {
  FDigitWidth = FBitmap->Width() / 10;
  FDigitHeight = FBitmap->Height();
  const int64_t width = (int64_t(FDigits) - 1) * FSpacing + int64_t(FDigits) * FDigitWidth;
  const int64_t most = FDigitHeight > 0 ? kRowPixelBudget / FDigitHeight : 0;
  FRowWidth = width <= 0 ? 0 : SaturateToInt(std::min(width, most));
  FRowHeight = FRowWidth > 0 ? FDigitHeight : 0;
  // A new size may drop the row's pixels: what it held is forgotten with them.
  d->Row.SetSize(FRowWidth, FRowHeight);
  d->RowKey.clear();
  AdjustAutoBounds();
}

void TKvCounter::Loaded() {
  TKvGraphicImageControl::Loaded();
  AdjustAutoBounds();
}

bool TKvCounter::CanAutoSize(int& newWidth, int& newHeight) {
  // An empty row proposes nothing: no size of 0.
  if (FRowWidth <= 0 || FRowHeight <= 0) return false;
  const TAlign align = Align();
  if (align == TAlign::alNone || align == TAlign::alLeft || align == TAlign::alRight)
    newWidth = FRowWidth;
  if (align == TAlign::alNone || align == TAlign::alTop || align == TAlign::alBottom)
    newHeight = FRowHeight;
  return true;
}

void TKvCounter::Paint() {
  ClearBitmapCanvas();
  TCanvas* canvas = BitmapCanvas();
  const TColor color = ColorToRGBValue(Color());
  if (FRowWidth > 0) {
    const TBitmap* strip = d->StripArt.Shown(*FBitmap, canvas->DeviceScale());
    d->Row.SetDeviceScale(canvas->DeviceScale());
    TCanvas* row = d->Row.Canvas();
    row->Brush()->SetStyle(TBrushStyle::bsSolid);
    row->Brush()->SetColor(color);
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, FValue).ptr;
    std::string text(size_t(std::max<int64_t>(FDigits - (end - digits), 0)), '0');
    text.append(digits, size_t(end - digits));
    // The row keeps its digits from the last frame: only the cells that changed are drawn
    // again, unless the cells overlap or what the row is made of changed.
    TKvLayerKey key;
    key << color << strip << d->Row.DeviceScale() << FDigitWidth << FSpacing << FRowWidth
        << FRowHeight;
    const bool kept = FSpacing >= 0 && key.Bytes() == d->RowKey && text.size() == d->RowText.size();
    if (!kept) {
      row->FillRect(BitmapRect(&d->Row));
      d->RowKey = key.Bytes().toByteArray();
      d->RowText.assign(text.size(), ' ');
    }
    if (!FBitmap->Empty() && FDigitWidth > 0) {
      const int64_t pitch = int64_t(FDigitWidth) + FSpacing;
      for (size_t k = 0; k < text.size(); ++k) {
        const int64_t x = int64_t(k) * pitch;
        // The copy stops at the row's end; a character that is no digit is skipped.
        if (x >= FRowWidth || x < 0) break;
        if (text[k] == d->RowText[k]) continue;
        const TRect to{int(x), 0, SaturateToInt(x + FDigitWidth), FDigitHeight};
        const int digit = text[k] - '0';
        if (digit < 0 || digit > 9) {
          row->FillRect(to);
          continue;
        }
        const TRect cell{digit * FDigitWidth, 0, (digit + 1) * FDigitWidth, FDigitHeight};
        row->CopyRect(to, strip->Canvas(), cell);
      }
    }
    d->RowText = text;
    canvas->Brush()->SetColor(color);
    canvas->Brush()->SetStyle(Transparent() ? TBrushStyle::bsClear : TBrushStyle::bsSolid);
    TRect dest = ClientRect();
    if (!FStretch || AutoSize()) {
      const int x = SaturateToInt((int64_t(ClientWidth()) - FRowWidth) / 2);
      const int y = SaturateToInt((int64_t(ClientHeight()) - FRowHeight) / 2);
      dest = TRect{x, y, SaturateToInt(int64_t(x) + FRowWidth),
                   SaturateToInt(int64_t(y) + FRowHeight)};
    }
    if (!Transparent() && dest.Width() == FRowWidth && dest.Height() == FRowHeight) {
      // Unstretched and opaque, the key colour stands for itself: the row's pixels as they are.
      kv::CopyRows(Image(), {dest.Left, dest.Top}, d->Row.Image(), BitmapRect(&d->Row));
    } else {
      canvas->BrushCopy(dest, &d->Row, BitmapRect(&d->Row), color);
    }
  }
  DrawDesignFrame(canvas);
  TKvGraphicImageControl::Paint();
}

// The row of digit pictures whole.
QSize TKvCounter::minimumSizeHint() const { return kv::LeastSizeHint(FRowWidth, FRowHeight); }
