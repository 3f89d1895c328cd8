#include "KvImageLed.h"
#include "KvSysUtilsInternal.h"

#include "ClassRegistry.h"
#include "KvArtwork.h"
#include "KvLeastSize.h"
#include "KvSysUtils.h"

#include <QPointer>

using kv::ColorToRGB, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvImageLed>();

// The picture names, in the order of the symbols.
constexpr const char* kImageCodes[] = {"SOUND",     "CD",      "PLUG",   "MIKE",
                                       "PLAYMEDIA", "SPEAKER", "NOTE",   "PLAYBACK",
                                       "FREQUENCY", "RECORD",  "REWIND", "REPLAY"};

}  // namespace

struct TKvImageLed::Private {
  // Each symbol in the palette's colours, with the colours (as drawn) it was made with.
  std::array<std::unique_ptr<TBitmap>, 12> ColoredPictures;
  std::array<uint64_t, 12> ColoredWith{};
  int Scale = 1;  // of the symbols: the scale the control is drawn at
};

TKvImageLed::TKvImageLed(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FTimer(std::make_unique<TKvTimer>(nullptr)),
      FPalette(std::make_unique<TKvPalette>()),
      FPicture(std::make_unique<TBitmap>()),
      d(std::make_unique<Private>()) {
  SetControlStyle(
      ((ControlStyle() | TControlStyleFlag::csOpaque | TControlStyleFlag::csReplicatable) &
       ~TControlStyle(TControlStyleFlag::csSetCaption)) &
      ~TControlStyle(TControlStyleFlag::csDoubleClicks));
  SetParentColor(false);
  SetColor(clBlack);
  SetBounds(0, 0, 40, 40);
  FTimer->SetEnabled(false);
  FTimer->SetInterval(1000);
  kv::ConnectTick(FTimer.get(), this, [this] { SetActive(!FActive); });
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] {
    LoadPicture();
    UpdateControl();
  });
  d->Scale = kv::ArtworkScaleOf(*this);
  LoadPicture();
}

// The timer goes first: from inside its own tick it lets its worker end by itself.
TKvImageLed::~TKvImageLed() { FTimer.reset(); }

bool TKvImageLed::Threaded() const { return FTimer->TimerType() == TKvTimerType::ttThread; }

void TKvImageLed::SetThreaded(bool v) {
  FTimer->SetTimerType(v ? TKvTimerType::ttThread : TKvTimerType::ttSystem);
}

void TKvImageLed::SetBlink(bool v) {
  if (!SetIfChanged(FBlink, v)) return;
  if (v) {
    // OnChange may free the LED.
    const QPointer<TKvImageLed> self(this);
    SetActive(false);
    if (!self) return;
  }
  if (!IsDesigning()) FTimer->SetEnabled(v);
}

void TKvImageLed::SetActive(bool v) {
  if (FBlink && IsDesigning()) v = false;
  if (!SetIfChanged(FActive, v)) return;
  UpdateControl();
  kv::EmitInTurn(
      this, [this] { emit OnChange(this); }, [this] { emit ActiveChanged(FActive); });
}

void TKvImageLed::SetImageType(TKvImageType v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FImageType, v)) return;
  LoadPicture();
  UpdateControl();
}

int TKvImageLed::TimeInterval() const { return int(FTimer->Interval()); }

void TKvImageLed::SetTimeInterval(int v) { FTimer->SetInterval(uint32_t(v)); }

void TKvImageLed::SetInverted(bool v) {
  if (SetIfChanged(FInverted, v)) UpdateControl();
}

void TKvImageLed::CMSysColorChange() {
  TKvGraphicImageControl::CMSysColorChange();
  LoadPicture();
  UpdateControl();
}

void TKvImageLed::LoadPicture() {
  // Each symbol is decoded once; the panel changes symbols ten times a second.
  auto& raw = FRawPictures[size_t(FImageType)];
  if (!raw) {
    raw = std::make_unique<TBitmap>();
    kv::LoadResourceBitmap(
        *raw, QStringLiteral("IT_") + QLatin1String(kImageCodes[int(FImageType)]), d->Scale);
  }
  // Colouring costs more than the frame: each symbol keeps its coloured copy while the
  // palette's colours stay.
  const uint64_t colors = (uint64_t(uint32_t(ColorToRGB(FPalette->Low()))) << 32) |
                          uint32_t(ColorToRGB(FPalette->High()));
  auto& colored = d->ColoredPictures[size_t(FImageType)];
  if (!colored || d->ColoredWith[size_t(FImageType)] != colors) {
    colored = std::make_unique<TBitmap>();
    colored->Assign(raw.get());
    FPalette->ApplyToBitmap(colored.get(), clGray, clSilver);
    d->ColoredWith[size_t(FImageType)] = colors;
  }
  FPicture->Assign(colored.get());
}

void TKvImageLed::Paint() {
  ClearBitmapCanvas();
  TCanvas* canvas = BitmapCanvas();
  if (canvas->DeviceScale() != d->Scale) {  // shown on a screen of another ratio
    d->Scale = canvas->DeviceScale();
    for (auto& raw : FRawPictures) raw.reset();
    for (auto& colored : d->ColoredPictures) colored.reset();
    LoadPicture();
  }
  const int w = FPicture->Width() / 2, h = FPicture->Height();
  const int x = (Width() - w) / 2, y = (Height() - h) / 2;
  const int sx = FActive ? w : 0;
  const TRect dest = Rect(x, y, x + w, y + h), source = Rect(sx, 0, sx + w, h);
  if (!FInverted) {
    canvas->Brush()->SetStyle(TBrushStyle::bsClear);
    canvas->BrushCopy(dest, FPicture.get(), source, clBlack);
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
  } else {
    canvas->Brush()->SetStyle(TBrushStyle::bsSolid);
    canvas->Brush()->SetColor(FActive ? FPalette->High() : FPalette->Low());
    canvas->FillRect(ClientRect());
    canvas->SetCopyMode(TCopyMode::cmSrcInvert);
    canvas->CopyRect(dest, FPicture->Canvas(), source);
    canvas->SetCopyMode(TCopyMode::cmSrcCopy);
  }
  TKvGraphicImageControl::Paint();
}

// One state's picture whole.
QSize TKvImageLed::minimumSizeHint() const {
  return kv::LeastSizeHint(FPicture->Width() / 2, FPicture->Height());
}
