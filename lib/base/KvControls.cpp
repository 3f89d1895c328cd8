#include "KvControls.h"

#include "Forms.h"
#include "KvFrameCache.h"
#include "ScaledResources.h"

#include <QGuiApplication>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>

#include <algorithm>
#include <cstdio>
#include <cstring>

using kv::CanvasLock, kv::ColorToRGB;
using kv::Exception, kv::Rect, kv::Screen;

namespace {

// Qt shows one pixmap per cursor: it is drawn for the application's pixel ratio.
void RegisterHandCursor() {
  try {
    const int scale = kv::DeviceScaleOf(qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
    Screen->SetCursors(kKvHandCursor, kv::LoadCursorAt(QStringLiteral("KVCURSORHANDPOINT"), scale));
  } catch (const Exception& e) {
    // The cursor is compiled in; losing it only costs the hand shape.
    std::fprintf(stderr, "%s\n", qPrintable(e.Message()));
    Screen->SetCursors(kKvHandCursor, QCursor(Qt::PointingHandCursor));
  }
}

[[maybe_unused]] const bool kHandCursorHook = kv::AddStartupHook(&RegisterHandCursor);

}  // namespace

// ---------------------------------------------------------------------------

TKvComponent::TKvComponent(TComponent* owner) : TComponent(owner) {}

TKvComponent::~TKvComponent() { BeginDestruction(); }

TKvChangeLink::~TKvChangeLink() {
  if (FSender) FSender->RemoveLink(this);
}

void TKvChangeLink::Change() { emit OnChange(FSender); }

TKvSharedComponent::TKvSharedComponent(TComponent* owner) : TKvComponent(owner) {}

TKvSharedComponent::~TKvSharedComponent() { DetachLinks(); }

void TKvSharedComponent::DetachLinks() {
  while (!FLinks.empty()) {
    TKvChangeLink* link = FLinks.front();
    RemoveLink(link);
    emit link->OnDetach(this);
  }
}

void TKvSharedComponent::NotifyClients() {
  // A handler may remove its own or another link, or free this component: walk a snapshot,
  // skip the removed, stop when this is gone.
  const QPointer<TKvSharedComponent> self(this);
  const std::vector<TKvChangeLink*> snapshot = FLinks;
  for (TKvChangeLink* link : snapshot) {
    if (!self) return;
    if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) link->Change();
  }
}

void TKvSharedComponent::InsertLink(TKvChangeLink* link) {
  if (!link || link->FSender == this) return;
  if (link->FSender) link->FSender->RemoveLink(link);
  link->FSender = this;
  FLinks.push_back(link);
}

void TKvSharedComponent::RemoveLink(TKvChangeLink* link) {
  auto it = std::find(FLinks.begin(), FLinks.end(), link);
  if (it == FLinks.end()) return;
  link->FSender = nullptr;
  FLinks.erase(it);
}

// ---------------------------------------------------------------------------
// Windowed base

TKvCustomControl::TKvCustomControl(kv::OwnerOrParent owner) : TCustomControl(owner) {}

void TKvCustomControl::UpdateControl() {
  if (!IsLoading()) Repaint();
}

void TKvCustomControl::MouseEnter() { emit OnMouseEnter(this); }
void TKvCustomControl::MouseLeave() { emit OnMouseLeave(this); }
void TKvCustomControl::FontChanged() { emit OnFontChanged(this); }
void TKvCustomControl::TextChanged() { emit OnTextChanged(this); }

void TKvCustomControl::CMMouseEnter() {
  TCustomControl::CMMouseEnter();
  MouseEnter();
}
void TKvCustomControl::CMMouseLeave() {
  TCustomControl::CMMouseLeave();
  MouseLeave();
}
void TKvCustomControl::CMFontChanged() {
  TCustomControl::CMFontChanged();
  FontChanged();
}
void TKvCustomControl::CMTextChanged() {
  TCustomControl::CMTextChanged();
  TextChanged();
}

// ---------------------------------------------------------------------------
// Non-windowed base

TKvGraphicControl::TKvGraphicControl(kv::OwnerOrParent owner) : TGraphicControl(owner) {}

void TKvGraphicControl::UpdateControl() {
  if (!IsLoading()) Repaint();
}

void TKvGraphicControl::AdjustAutoBounds() {
  const TAlign a = Align();
  if (AutoSize() && (a == TAlign::alNone || a == TAlign::alTop || a == TAlign::alBottom ||
                     a == TAlign::alLeft || a == TAlign::alRight))
    AdjustBounds();
  else UpdateControl();
}

void TKvGraphicControl::AdjustBounds() {
  const TRect before = BoundsRect();
  if (IsLoading()) return;
  SetBounds(Left(), Top(), Width(), Height());
  // A changed size repaints through the framework anyway.
  if (BoundsRect() == before) UpdateControl();
}

void TKvGraphicControl::MouseEnter() { emit OnMouseEnter(this); }
void TKvGraphicControl::MouseLeave() { emit OnMouseLeave(this); }
void TKvGraphicControl::FontChanged() { emit OnFontChanged(this); }
void TKvGraphicControl::TextChanged() { emit OnTextChanged(this); }

void TKvGraphicControl::CMMouseEnter() {
  TGraphicControl::CMMouseEnter();
  MouseEnter();
}
void TKvGraphicControl::CMMouseLeave() {
  TGraphicControl::CMMouseLeave();
  MouseLeave();
}
void TKvGraphicControl::CMFontChanged() {
  TGraphicControl::CMFontChanged();
  FontChanged();
}
void TKvGraphicControl::CMTextChanged() {
  TGraphicControl::CMTextChanged();
  TextChanged();
}

void TKvGraphicControl::ClearCanvas() {
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
}

void TKvGraphicControl::DrawDesignFrame(TCanvas* canvas) {
  if (!IsDesigning()) return;
  canvas->Pen()->SetStyle(TPenStyle::psDot);
  canvas->Pen()->SetColor(clBlack);
  canvas->Brush()->SetStyle(TBrushStyle::bsClear);
  canvas->Rectangle(0, 0, Width(), Height());
}

void TKvGraphicControl::AcceptFocus() { setFocusPolicy(Qt::StrongFocus); }

bool TKvGraphicControl::KeyPressed(uint16_t key, TShiftState) {
  if (key != kv::VK_RETURN) return false;
  KeyClick();
  return true;
}

bool TKvGraphicControl::KeyReleased(uint16_t key, TShiftState) {
  if (key != kv::VK_SPACE) return false;
  KeyClick();
  return true;
}

void TKvGraphicControl::KeyClick() { Click(); }

void TKvGraphicControl::PaintControl() {
  TGraphicControl::PaintControl();
  if (ShowsFocus()) Canvas()->DrawFocusRect(ClientRect());
}

void TKvGraphicControl::ShowFocus(bool v) {
  const bool before = ShowsFocus();
  FFocusShown = v;
  if (ShowsFocus() != before) UpdateControl();
}

namespace {

// Offers a key to Handler as a guarded call of Control; a key it leaves goes on to the parent.
template <class Handler>
void OfferKey(TControl* control, QKeyEvent* e, Handler handler) {
  const uint16_t vk = kv::VirtualKeyOf(e->key());
  const TShiftState shift = kv::ShiftStateOf(e->modifiers(), Qt::NoButton);
  bool used = false;
  kv::Guarded(control, [&] { used = vk != 0 && handler(vk, shift); });
  e->setAccepted(used);
}

// Qt gives a window coming to the front without a focus the first control of its Tab chain.
// That was a windowed control before the non-windowed inputs took the focus, and a windowed
// control draws its focus: it keeps that first focus, so a window shows as it did.
bool HandFirstFocusToWindowed(QWidget* from) {
  for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
    auto* windowed = dynamic_cast<TWinControl*>(w);
    if (windowed && windowed->window() == from->window() && (w->focusPolicy() & Qt::TabFocus) &&
        w->isVisibleTo(from->window()) && w->isEnabled()) {
      w->setFocus(Qt::ActiveWindowFocusReason);
      return true;
    }
  }
  return false;
}

}  // namespace

void TKvGraphicControl::keyPressEvent(QKeyEvent* e) {
  ShowFocus(true);
  OfferKey(this, e, [this](uint16_t key, TShiftState shift) { return KeyPressed(key, shift); });
}

void TKvGraphicControl::keyReleaseEvent(QKeyEvent* e) {
  // Auto-repeat repeats the press only; the release comes once, on the physical release.
  if (e->isAutoRepeat()) return;
  OfferKey(this, e, [this](uint16_t key, TShiftState shift) { return KeyReleased(key, shift); });
}

void TKvGraphicControl::focusInEvent(QFocusEvent* e) {
  TGraphicControl::focusInEvent(e);
  if (e->reason() == Qt::ActiveWindowFocusReason && !FFocusShown && HandFirstFocusToWindowed(this))
    return;
  // A window coming to the front focuses its first control unasked: that shows from a key
  // on. Back at the front, a control shows the focus as it did before.
  if (e->reason() != Qt::ActiveWindowFocusReason) FFocusShown = true;
  if (FFocusShown) UpdateControl();
}

void TKvGraphicControl::focusOutEvent(QFocusEvent* e) {
  TGraphicControl::focusOutEvent(e);
  const bool shown = FFocusShown;
  // Another window or a popup takes the focus only for a while.
  if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
    FFocusShown = false;
  if (shown) UpdateControl();
}

// ---------------------------------------------------------------------------
// Image bases

namespace {

// Copies the whole image to the control's canvas, a plain block copy.
void ShowImage(TCanvas* screen, const TBitmap* image, int width, int height) {
  const TCopyMode mode = screen->CopyMode();
  screen->SetCopyMode(TCopyMode::cmSrcCopy);
  screen->CopyRect(Rect(0, 0, width, height), image->Canvas(), Rect(0, 0, width, height));
  screen->SetCopyMode(mode);
}

// The part of Control its ancestors leave visible, in client coordinates: no paint reaches
// beyond it.
QRect VisiblePart(const QWidget* control) {
  QRect r = control->rect();
  QPoint origin;  // the control's top left in the ancestor's coordinates, summed on the way up
  for (const QWidget* w = control; !w->isWindow() && w->parentWidget(); w = w->parentWidget()) {
    origin += w->pos();
    r &= QRect(-origin, w->parentWidget()->size());
  }
  return r;
}

// Limits the drawing on a control's image to what can show while a paint runs, so that a face
// costs what shows, however large the control is. A face kept from the image (ClearWithBase)
// counts that part in its key. A control that shows whole draws as it always did.
class VisiblePartOnly {
public:
  VisiblePartOnly(TBitmap* image, const QWidget* control) : FCanvas(image->Canvas()) {
    const QRect visible = VisiblePart(control);
    FLimited = visible != control->rect();
    if (FLimited)
      FCanvas->Attach(FCanvas->Surface(), FCanvas->Origin(),
                      kv::ScaledRegion(QRegion(visible), image->DeviceScale()));
  }
  ~VisiblePartOnly() {
    if (FLimited) FCanvas->Attach(FCanvas->Surface(), FCanvas->Origin());
  }
  VisiblePartOnly(const VisiblePartOnly&) = delete;
  VisiblePartOnly& operator=(const VisiblePartOnly&) = delete;

private:
  TCanvas* FCanvas;
  bool FLimited;
};

// Sizes a control's image for the paint that runs, one image pixel per device pixel.
void PrepareImage(TBitmap* image, const TCanvas* screen, int width, int height) {
  image->SetDeviceScale(screen->DeviceScale());
  image->SetSize(width, height);
}

void FillImage(TBitmap* image, int width, int height, TColor color) {
  image->SetSize(width, height);
  TCanvas* c = image->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(Rect(0, 0, image->Width(), image->Height()));
}

}  // namespace

TKvCustomImageControl::TKvCustomImageControl(kv::OwnerOrParent owner)
    : TKvCustomControl(owner), FImage(std::make_unique<TBitmap>()) {}

TKvCustomImageControl::~TKvCustomImageControl() = default;

void TKvCustomImageControl::ClearBitmapCanvas() {
  FillImage(FImage.get(), Width(), Height(), Color());
}

void TKvCustomImageControl::Paint() { ShowImage(Canvas(), FImage.get(), Width(), Height()); }

void TKvCustomImageControl::PaintControl() {
  // Sized first, so that a face kept for another size is never copied in.
  PrepareImage(FImage.get(), Canvas(), Width(), Height());
  FPaintRect = kv::PaintRect(Canvas(), ClientRect());
  const VisiblePartOnly limit(FImage.get(), this);
  TKvCustomControl::PaintControl();
}

TKvImageClear TKvCustomImageControl::ImageClear() {
  return {FImage.get(), [this] { ClearBitmapCanvas(); }, false, ColorToRGB(Color()), Color(),
          FPaintRect};
}

TKvGraphicImageControl::TKvGraphicImageControl(kv::OwnerOrParent owner)
    : TKvGraphicControl(owner),
      FBackground(std::make_unique<TBitmap>()),
      FImage(std::make_unique<TBitmap>()) {
  FDrawCanvas = Canvas();
}

TKvGraphicImageControl::~TKvGraphicImageControl() = default;

void TKvGraphicImageControl::SetTransparent(bool v) {
  if (v == FTransparent) return;
  FTransparent = v;
  if (v) SetControlStyle(ControlStyle() & ~TControlStyle(TControlStyleFlag::csOpaque));
  else SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  if (IsDesigning()) Invalidate();
  else UpdateControl();
}

void TKvGraphicImageControl::PrepareOwnRepaint() {
  // A capture of another size (the control was resized since) cannot stand for the parent.
  if (!IsDesigning() && FTransparent && !FBackground->Empty() && FBackground->Width() == Width() &&
      FBackground->Height() == Height() && FBackground->DeviceScale() == FImage->DeviceScale()) {
    // A repaint of our own: the window under us still shows our last frame, so reuse
    // the background captured at the last repaint from outside.
    FGrabBackground = false;
    SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  }
}

void TKvGraphicImageControl::UpdateControl() {
  PrepareOwnRepaint();
  TKvGraphicControl::UpdateControl();
}

void TKvGraphicImageControl::UpdateControlRect(const TRect& changed) {
  if (IsLoading()) return;
  // A frame at another scale than the last (the window went to another screen) is whole.
  const int scale = kv::DeviceScaleOf(devicePixelRatioF());
  if (IsDesigning() || !isVisible() || kv::PaintInProgress() || FImage->Width() != Width() ||
      FImage->Height() != Height() || FImage->DeviceScale() != scale) {
    UpdateControl();
    return;
  }
  CheckGuiThread();
  const QRect part = kv::PartToRepaint(*this, changed);
  if (part.isEmpty()) return;  // nothing that shows changed
  PrepareOwnRepaint();
  repaint(part);
}

void TKvGraphicImageControl::PaintControl() {
  PrepareImage(FImage.get(), Canvas(), Width(), Height());
  FPaintRect = kv::PaintRect(Canvas(), ClientRect());
  CanvasLock imageLock(FImage->Canvas());
  const VisiblePartOnly limit(FImage.get(), this);
  TKvGraphicControl::PaintControl();
}

void TKvGraphicImageControl::ClearBitmapCanvas() {
  TCanvas* image = FImage->Canvas();
  image->Brush()->SetStyle(TBrushStyle::bsSolid);
  if (!FTransparent) {
    FillImage(FImage.get(), FImage->Width(), FImage->Height(), Color());
    return;
  }
  if (FGrabBackground) CaptureBackground();
  TCanvas* bg = FBackground->Canvas();
  const TCopyMode mode = image->CopyMode();
  image->SetCopyMode(TCopyMode::cmSrcCopy);
  image->CopyRect(Rect(0, 0, FImage->Width(), FImage->Height()), bg,
                  Rect(0, 0, FImage->Width(), FImage->Height()));
  image->SetCopyMode(mode);
}

void TKvGraphicImageControl::CaptureBackground() {
  FBackground->SetDeviceScale(FImage->DeviceScale());
  FBackground->SetSize(Width(), Height());
  const TRect clip = Canvas()->ClipRect();
  FBackground->Canvas()->CopyRect(clip, Canvas(), clip);
  ++FBackgroundCaptures;
  FGrabBackground = false;  // once per paint; Paint asks again for the next one
}

TKvImageClear TKvGraphicImageControl::ImageClear() {
  if (FTransparent && FGrabBackground) CaptureBackground();
  // A transparent control's clear leaves the brush's colour as it was.
  const TColor brush = FTransparent ? FImage->Canvas()->Brush()->Color() : Color();
  return {FImage.get(), [this] { ClearBitmapCanvas(); },
          FTransparent, FTransparent ? FBackgroundCaptures : ColorToRGB(Color()),
          brush,        FPaintRect};
}

void TKvGraphicImageControl::Paint() {
  ShowImage(Canvas(), FImage.get(), Width(), Height());
  if (FTransparent) {
    // The next repaint may come from outside: capture again then.
    FGrabBackground = true;
    SetControlStyle(ControlStyle() & ~TControlStyle(TControlStyleFlag::csOpaque));
  }
}
