#include "KvControls.h"

#include "Forms.h"
#include "KvFaceBase.h"

#include <QPointer>

#include <algorithm>
#include <cstdio>
#include <cstring>

using kv::CanvasLock, kv::ColorToRGB;
using kv::Exception, kv::LoadCursor, kv::Rect, kv::Screen;

namespace {

void RegisterHandCursor() {
  try {
    Screen->SetCursors(kKvHandCursor, LoadCursor(QStringLiteral("KVCURSORHANDPOINT")));
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
      FBackground->Height() == Height()) {
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
  if (IsDesigning() || !isVisible() || kv::PaintInProgress() || FImage->Width() != Width() ||
      FImage->Height() != Height()) {
    UpdateControl();
    return;
  }
  CheckGuiThread();
  TRect r;
  if (!kv::IntersectRect(r, changed, ClientRect())) return;  // nothing that shows changed
  PrepareOwnRepaint();
  repaint(r.Left, r.Top, r.Width(), r.Height());
}

void TKvGraphicImageControl::PaintControl() {
  FImage->SetSize(Width(), Height());
  FPaintRect = Canvas()->ClipRect();
  if (kv::IsRectEmpty(FPaintRect)) FPaintRect = ClientRect();
  CanvasLock imageLock(FImage->Canvas());
  Paint();
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
  FBackground->SetSize(Width(), Height());
  const TRect clip = Canvas()->ClipRect();
  FBackground->Canvas()->CopyRect(clip, Canvas(), clip);
  ++FBackgroundCaptures;
  FGrabBackground = false;  // once per paint; Paint asks again for the next one
}

void TKvGraphicImageControl::ClearWithBase(TKvFaceBase& base, TKvLayerKey key,
                                           const std::function<void()>& drawing) {
  if (FTransparent && FGrabBackground) CaptureBackground();
  key << FTransparent;
  if (FTransparent) key << FBackgroundCaptures;
  else key << Color();
  // A transparent control's clear leaves the brush's colour as it was.
  const TColor brush = FTransparent ? FImage->Canvas()->Brush()->Color() : Color();
  kv::ClearWithBase(
      FImage.get(), brush, base, key, [this] { ClearBitmapCanvas(); }, drawing, &FPaintRect);
}

void TKvGraphicImageControl::Paint() {
  ShowImage(Canvas(), FImage.get(), Width(), Height());
  if (FTransparent) {
    // The next repaint may come from outside: capture again then.
    FGrabBackground = true;
    SetControlStyle(ControlStyle() & ~TControlStyle(TControlStyleFlag::csOpaque));
  }
}

// ---------------------------------------------------------------------------
// Static layers

bool TKvFaceBase::Matches(const TKvLayerKey& key, const TBitmap* target) const {
  return !FPixels.isNull() && FPixels.size() == target->Image().size() && key.Bytes() == FKey;
}

void TKvFaceBase::Keep(const TKvLayerKey& key, const TBitmap* target) {
  FKey = key.Bytes();
  FPixels = target->Image().copy();
}

void TKvFaceBase::CopyTo(TBitmap* target) const {
  // Rows by address: the target's pixels are made writable once, not once a row.
  auto* to = reinterpret_cast<uchar*>(target->ScanLine(0));
  if (target->Image().bytesPerLine() == FPixels.bytesPerLine()) {
    std::memcpy(to, FPixels.constBits(), size_t(FPixels.sizeInBytes()));
    return;
  }
  CopyTo(target, TRect{0, 0, FPixels.width(), FPixels.height()});
}

void TKvFaceBase::CopyTo(TBitmap* target, const TRect& within) const {
  const int left = std::max(within.Left, 0), right = std::min(within.Right, FPixels.width());
  const int top = std::max(within.Top, 0), bottom = std::min(within.Bottom, FPixels.height());
  if (left >= right || top >= bottom) return;
  auto* to = reinterpret_cast<uchar*>(target->ScanLine(0));
  const qsizetype stride = target->Image().bytesPerLine();
  const size_t row = size_t(right - left) * sizeof(uint32_t);
  for (int y = top; y < bottom; ++y)
    std::memcpy(to + y * stride + qsizetype(left) * 4,
                FPixels.constScanLine(y) + qsizetype(left) * 4, row);
}

TKvLayerKey& TKvLayerKey::operator<<(const QString& v) {
  *this << int64_t(v.size());
  return Append(v.constData(), size_t(v.size()) * sizeof(QChar));
}

TKvLayerKey& TKvLayerKey::operator<<(TColor c) { return *this << int64_t(ColorToRGB(c)); }

TKvLayerKey& TKvLayerKey::operator<<(const TFont* f) {
  return *this << f->Name() << f->Height() << int(f->Style().toInt()) << int(f->Pitch())
               << f->Charset() << f->Color() << f->Orientation();
}

TKvLayerKey& TKvLayerKey::operator<<(const TBitmap* b) {
  // Canvas drawing changes the stamp, direct pixel access the image's cache key.
  return *this << b->Empty() << int64_t(b->Image().cacheKey()) << int64_t(b->ChangeStamp());
}

void TKvStaticLayer::Draw(TBitmap* target, const TKvLayerKey& key, const Drawing& drawing,
                          const TRect* within) {
  if (key.Bytes() != FKey || FPixels.size() != target->Image().size()) {
    Record(target->Width(), target->Height(), drawing);
    FKey = key.Bytes();
  }
  Replay(target, within, TPoint(0, 0));
}

void TKvStaticLayer::Stamp(TBitmap* target, const TKvLayerKey& key, TSize size,
                           const Drawing& drawing, TPoint at) {
  if (key.Bytes() != FKey || FPixels.size() != QSize(size.cx, size.cy)) {
    Record(size.cx, size.cy, drawing);
    FKey = key.Bytes();
  }
  Replay(target, nullptr, at);
}

void TKvStaticLayer::Clear() {
  FKey.clear();
  FPixels = QImage();
  FRuns.clear();
}

void TKvStaticLayer::Record(int width, int height, const Drawing& drawing) {
  TBitmap onBlack, onWhite;
  onBlack.SetSize(width, height);
  onWhite.SetSize(width, height);
  onWhite.Canvas()->FillRect(Rect(0, 0, width, height));  // a new canvas brush is solid white
  drawing(onBlack.Canvas());
  drawing(onWhite.Canvas());
  FRuns.clear();
  for (int y = 0; y < height; ++y) {
    const uint32_t* a = onBlack.ScanLine(y);
    const uint32_t* b = onWhite.ScanLine(y);
    for (int x = 0; x < width;) {
      if (a[x] != b[x]) {
        ++x;
        continue;
      }
      const int begin = x;
      while (x < width && a[x] == b[x]) ++x;
      FRuns.push_back({y, begin, x});
    }
  }
  FPixels = onBlack.Image();
}

void TKvStaticLayer::Replay(TBitmap* target, const TRect* within, TPoint at) const {
  int64_t left = 0, top = 0, right = target->Width(), bottom = target->Height();
  if (within) {
    left = std::max<int64_t>(left, within->Left);
    top = std::max<int64_t>(top, within->Top);
    right = std::min<int64_t>(right, within->Right);
    bottom = std::min<int64_t>(bottom, within->Bottom);
  }
  if (left >= right || top >= bottom || FPixels.isNull()) return;
  // Rows by address: a layer has thousands of short runs.
  auto* to = reinterpret_cast<uchar*>(target->ScanLine(0));
  const qsizetype toStride = target->Image().bytesPerLine();
  const uchar* from = FPixels.constBits();
  const qsizetype fromStride = FPixels.bytesPerLine();
  // Runs are in row order: start at the first row inside.
  const auto first = std::lower_bound(FRuns.begin(), FRuns.end(), top - at.Y,
                                      [](const Run& run, int64_t y) { return run.Y < y; });
  for (auto run = first; run != FRuns.end(); ++run) {
    const int64_t y = int64_t(run->Y) + at.Y;
    if (y >= bottom) break;
    const int64_t begin = std::max<int64_t>(int64_t(run->Begin) + at.X, left);
    const int64_t end = std::min<int64_t>(int64_t(run->End) + at.X, right);
    if (begin >= end) continue;
    uchar* out = to + y * toStride + begin * 4;
    const uchar* in = from + run->Y * fromStride + (begin - at.X) * 4;
    // Most runs of ticks and outlines are one pixel: one word, not a call.
    if (end - begin == 1) std::memcpy(out, in, 4);
    else std::memcpy(out, in, size_t(end - begin) * 4);
  }
}
