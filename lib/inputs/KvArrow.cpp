#include "KvArrow.h"

#include "ClassRegistry.h"
#include "KvArtwork.h"
#include "KvLeastSize.h"

#include <QPointer>

using kv::Bounds, kv::Point, kv::PtInRect, kv::Rect;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvArrow>();

// The picture of each direction: two cells side by side, unlit and lit.
QString ArrowResource(TKvArrowDirection d) {
  switch (d) {
    case TKvArrowDirection::pdLeft: return QStringLiteral("LEFTARROW");
    case TKvArrowDirection::pdRight: return QStringLiteral("RIGHTARROW");
    case TKvArrowDirection::pdUp: break;
    case TKvArrowDirection::pdDown: return QStringLiteral("DOWNARROW");
  }
  return QStringLiteral("UPARROW");
}

}  // namespace

struct TKvArrow::Private {
  // Per direction, the recoloured picture at the scale it is drawn at and its mask at 1x
  // (hit tests are in bitmap pixels), kept so that turning does not read and recolour the
  // picture again.
  struct Picture {
    std::unique_ptr<TBitmap> Image, Mask;
  };
  std::array<Picture, 4> Pictures;
  int Scale = 1;
  TBitmap* ArrowImage = nullptr;
  TBitmap* ArrowMask = nullptr;
};

TKvArrow::TKvArrow(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FPalette(std::make_unique<TKvPalette>()),
      d(std::make_unique<Private>()) {
  SetControlStyle((ControlStyle() | TControlStyleFlag::csOpaque) &
                  ~TControlStyle(TControlStyleFlag::csDoubleClicks));
  SetBounds(0, 0, 50, 45);
  d->Scale = kv::ArtworkScaleOf(*this);
  SetParentColor(false);
  SetColor(clBlack);
  AcceptFocus();
  connect(FPalette.get(), &TKvPersistent::OnChange, this, [this] {
    ReloadArrows();
    UpdateControl();
  });
  LoadArrow();
}

TKvArrow::~TKvArrow() = default;

void TKvArrow::LoadArrow() {
  Private::Picture& p = d->Pictures[size_t(FDirection)];
  if (!p.Image) {
    p.Image = std::make_unique<TBitmap>();
    p.Mask = std::make_unique<TBitmap>();
    // The mask is taken before the recolouring, which might bring white in.
    p.Mask->LoadFromResourceName(ArrowResource(FDirection));
    p.Mask->Mask(clWhite);
    kv::LoadResourceBitmap(*p.Image, ArrowResource(FDirection), d->Scale);
    FPalette->ApplyToBitmap(p.Image.get(), clGreen, clLime);
  }
  d->ArrowImage = p.Image.get();
  d->ArrowMask = p.Mask.get();
}

void TKvArrow::ReloadArrows() {
  for (Private::Picture& p : d->Pictures) p = {};
  LoadArrow();
}

void TKvArrow::SetActive(bool v) {
  if (!SetIfChanged(FActive, v)) return;
  UpdateControl();
  emit ActiveChanged(FActive);
}

void TKvArrow::SetDirection(TKvArrowDirection v) {
  if (!kv::IsEnumValue(v) || !SetIfChanged(FDirection, v)) return;
  LoadArrow();
  UpdateControl();
}

void TKvArrow::CMSysColorChange() {
  TKvGraphicImageControl::CMSysColorChange();
  ReloadArrows();
  UpdateControl();
}

TRect TKvArrow::ArrowRect() const {
  const int w = d->ArrowImage->Width() / 2, h = d->ArrowImage->Height();
  // Integer division cuts towards zero, also for a control smaller than the cell.
  return Bounds((Width() - w) / 2, (Height() - h) / 2, w, h);
}

bool TKvArrow::HitTest(int x, int y) const {
  const TRect r = ArrowRect();
  if (!PtInRect(r, Point(x, y))) return false;
  return d->ArrowMask->Canvas()->Pixels(x - r.Left, y - r.Top) == clBlack;
}

void TKvArrow::Paint() {
  ClearBitmapCanvas();
  // The frame being drawn already shows the hover state: stored without a second repaint.
  if (FTrackMouse) FActive = FMouseOver;
  const TRect r = ArrowRect();
  const int w = r.Width(), sx = FActive ? w : 0;
  TCanvas* c = BitmapCanvas();
  if (c->DeviceScale() != d->Scale) {  // shown on a screen of another ratio
    d->Scale = c->DeviceScale();
    ReloadArrows();
  }
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->BrushCopy(r, d->ArrowImage, Rect(sx, 0, sx + w, r.Height()), clWhite);
  DrawDesignFrame(c);
  TKvGraphicImageControl::Paint();
}

void TKvArrow::SetMouseOver(bool v) {
  FMouseOver = v;
  if (FActive != v) UpdateControl();
}

void TKvArrow::MouseMove(TShiftState shift, int x, int y) {
  QPointer<TKvArrow> self(this);
  TKvGraphicImageControl::MouseMove(shift, x, y);
  if (self && FTrackMouse) SetMouseOver(HitTest(x, y));
}

void TKvArrow::MouseLeave() {
  TKvGraphicImageControl::MouseLeave();
  if (FTrackMouse) SetMouseOver(false);
}

// The arrow picture whole.
QSize TKvArrow::minimumSizeHint() const {
  const TRect r = ArrowRect();
  return kv::LeastSizeHint(r.Width(), r.Height());
}
