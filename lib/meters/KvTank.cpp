#include "KvTank.h"

#include "ClassRegistry.h"
#include "KvFrameCache.h"
#include "KvLeastSize.h"
#include "KvRangeModel.h"
#include "KvSysUtils.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

using kv::SaturateToInt;

namespace {

[[maybe_unused]] const bool kRegistered = kv::RegisterClasses<TKvTank>();

// An end set beyond the other stops at it; a position left outside goes through the
// out-of-range step (the handler, then the clamp); loading takes values as they come.
constexpr kv::RangePolicy kRange{kv::CrossedEnd::Meet, kv::PositionFollow::OutOfRange, true};
constexpr kv::RangeSignals<TKvTank, double> kSignals{&TKvTank::MinChanged, &TKvTank::MaxChanged,
                                                     &TKvTank::PositionChanged};

constexpr TColor kGray = 0x808080;

int I(int64_t v) { return SaturateToInt(v); }

// A rectangle's region; an inverted one is empty rather than turned round.
TRegion RectRegion(int64_t l, int64_t t, int64_t r, int64_t b) {
  if (r <= l || b <= t) return {};
  return kv::CreateRectRgn(I(l), I(t), I(r), I(b));
}

}  // namespace

// ---------------------------------------------------------------------------
// Pipe

template <class T>
void TContainerTank::Set(T& field, T value) {
  if (field == value) return;
  field = value;
  Changed();
  Report();
}

void TContainerTank::Report() {
  if (!FTank || !FTank->IsLoadingState()) emit OnChage(this);
}

void TContainerTank::SetHeight(int v) { Set(F.Height, v); }
void TContainerTank::SetWidth(int v) { Set(F.Width, v); }
void TContainerTank::SetVisible(bool v) { Set(F.Visible, v); }

void TContainerTank::Assign(const TPersistent* source) {
  if (!AssignData(source, &TContainerTank::F)) {
    TKvPersistent::Assign(source);
    return;
  }
  Report();
}

// ---------------------------------------------------------------------------
// Tank

struct TKvTank::Private {
  TKvFaceBase FaceBase;
  QByteArray InteriorKey;
};

TKvTank::TKvTank(kv::OwnerOrParent owner)
    : TKvGraphicImageControl(owner),
      FContainer(std::make_unique<TContainerTank>(this)),
      d(std::make_unique<Private>()) {
  SetControlStyle(ControlStyle() | TControlStyleFlag::csOpaque);
  SetBounds(Left(), Top(), 60, 101);
  connect(FContainer.get(), &TContainerTank::OnChage, this, [this] { ContainerChanged(); });
}

TKvTank::~TKvTank() = default;

void TKvTank::ContainerChanged() {
  if (!IsLoading()) {
    // The pipe never reaches beyond the tank.
    const auto limit = [](int v, int most) { return v > most ? most : v < 1 ? 0 : v; };
    FContainer->SetHeight(limit(FContainer->Height(), Height()));
    FContainer->SetWidth(limit(FContainer->Width(), Width()));
  }
  UpdateControl();
}

void TKvTank::SetShape(TTankShape v) {
  if (kv::IsEnumValue(v) && SetIfChanged(FShape, v)) UpdateControl();
}

bool TKvTank::OutOfRange(double v) {
  double min = FRange.Min, max = FRange.Max, pos = v;
  if (!FInOutOfRange) {
    const kv::DispatchScope firing(this);
    const QPointer<TKvTank> self(this);
    FInOutOfRange = true;
    emit OnOutofRange(this, min, max, pos);
    if (!self) return false;
    FInOutOfRange = false;
  }
  if (std::isfinite(min) && std::isfinite(max) && std::isfinite(pos) && max >= min) {
    FRange.Min = min;
    FRange.Max = max;
    FRange.Position = pos;
  }
  FRange.Position = kv::ClampPosition<kRange>(FRange, FRange.Position);
  return true;
}

void TKvTank::SetPosition(double v) {
  if (std::isnan(v) || v == FRange.Position) return;
  if (IsLoading()) {
    FRange.Position = v;
    return;
  }
  if (!std::isfinite(v)) return;
  const kv::ValueRange<double> before = FRange;
  if (FRange.Min <= v && v <= FRange.Max) FRange.Position = v;
  else if (!OutOfRange(v)) return;
  RepaintLevel();
  // The handler of OnOutofRange may have moved the ends as well.
  kv::EmitRangeChanges(*this, before, FRange, kSignals);
}

void TKvTank::RepaintLevel() {
  if (FPaintedLevel < 0) return UpdateControl();
  // Only the surface moved: the rows it crossed change, the walls and the rest stay.
  const int was = FPaintedLevel, now = std::max(LevelY(), 0);
  UpdateControlRect(TRect{0, std::min(was, now), Width(), std::max(was, now)});
}

void TKvTank::SetMax(double v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Max, v, kSignals);
}

void TKvTank::SetMin(double v) {
  kv::SetRangeEnd<kRange>(*this, FRange, kv::RangeEnd::Min, v, kSignals);
}

void TKvTank::Loaded() {
  TKvGraphicImageControl::Loaded();
  if (FRange.Min <= FRange.Position && FRange.Position <= FRange.Max &&
      std::isfinite(FRange.Position))
    return;
  // An invalid triple is read again through the setters, from the initial values and
  // without the handler, which is not yet bound at that point of a description.
  const double min = FRange.Min, max = FRange.Max, pos = FRange.Position;
  FRange.Min = 0;
  FRange.Max = 100;
  FRange.Position = 50;
  FInOutOfRange = true;
  SetMin(min);
  SetMax(max);
  if (std::isfinite(pos)) SetPosition(pos);
  FInOutOfRange = false;
}

int TKvTank::LevelY() const {
  const long double v = FRange.Position, min = FRange.Min, max = FRange.Max, h = Height();
  if (v > max || max == min) return 0;
  if (v < min) return Height();
  return kv::Round(h - (v - min) * h / (max - min));
}

void TKvTank::Paint() {
  const int64_t w = Width(), h = Height();
  const bool pipe = FContainer->Visible();
  const int64_t pipeLeft = (w - FContainer->Width()) / 2;
  const int64_t pipeRight = pipeLeft + FContainer->Width();
  const int64_t body = pipe ? h - FContainer->Height() : h;
  const int64_t apex = pipeLeft + kv::Round(static_cast<long double>(FContainer->Width()) / 2);

  TKvLayerKey key;
  key << Width() << Height() << int(FShape) << FEmptyColor << pipe << FContainer->Width()
      << FContainer->Height();
  if (key.Bytes() != d->InteriorKey) {
    // The body's and the pipe's inside, made again only when the geometry changes.
    d->InteriorKey = key.Bytes().toByteArray();
    TRegion inner;
    switch (FShape) {
      case TTankShape::tsRectangle: inner = RectRegion(3, 3, w - 3, body - 3); break;
      case TTankShape::tsRoundedRectangle:
        inner = w - 3 > 3 && body - 3 > 3
                    ? kv::CreateRoundRectRgn(3, 3, I(w - 3), I(body - 3), 32, 32)
                    : TRegion();
        break;
      case TTankShape::tsEllipse:
        inner = w - 2 > 2 && body - 2 > 2 ? kv::CreateEllipticRgn(2, 2, I(w - 2), I(body - 2))
                                          : TRegion();
        break;
      case TTankShape::tsTriangle: {
        const TPoint points[3] = {{2, 2}, {I(w - 2), 2}, {I(apex), I(body - 3)}};
        inner = kv::CreatePolygonRgn(points, kv::WINDING);
        break;
      }
    }
    FInterior = inner;
    if (pipe)
      kv::CombineRgn(FInterior, inner, RectRegion(pipeLeft + 3, 8, pipeRight - 3, h - 4),
                     kv::RGN_OR);
  }
  TCanvas* c = BitmapCanvas();
  const bool inside = body > 7 && pipeRight > 7;
  const TRect all{0, 0, Width(), Height()};
  // The walls and the empty inside stay the same while the level moves.
  bool redrawn = false;
  kv::ClearWithBase(ImageClear(), d->FaceBase, key, [&] {
    redrawn = true;
    c->Pen()->SetMode(TPenMode::pmCopy);
    c->Pen()->SetStyle(TPenStyle::psSolid);
    c->Pen()->SetWidth(2);
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(FEmptyColor);
    switch (FShape) {
      case TTankShape::tsRectangle: {
        TRect r{0, 0, I(w), I(body)};
        DrawFrame3D(c, r, clWhite, kGray, 3);
        break;
      }
      case TTankShape::tsRoundedRectangle: {
        c->Pen()->SetColor(kGray);
        c->RoundRect(1, 1, I(w - 1), I(body - 1), 32, 32);
        const TRegion clip = RectRegion(0, 0, w - 16, body - 16);
        if (!clip.IsEmpty()) {
          c->SelectClipRgn(&clip);
          c->Pen()->SetColor(clWhite);
          c->RoundRect(1, 1, I(w - 1), I(body - 1), 32, 32);
          c->SelectClipRgn(nullptr);
        }
        break;
      }
      case TTankShape::tsEllipse: {
        c->Pen()->SetColor(clWhite);
        c->Ellipse(1, 1, I(w - 1), I(body - 1));
        const TPoint corner[3] = {{I(w), 0}, {0, I(body)}, {I(w), I(body)}};
        const TRegion clip = kv::CreatePolygonRgn(corner, kv::WINDING);
        c->SelectClipRgn(&clip);
        c->Pen()->SetColor(kGray);
        c->Ellipse(1, 1, I(w - 1), I(body - 1));
        c->SelectClipRgn(nullptr);
        break;
      }
      case TTankShape::tsTriangle: {
        c->Pen()->SetColor(clWhite);
        const TPoint points[3] = {{I(apex), I(body - 2)}, {1, 1}, {I(w - 1), 1}};
        c->Polygon(points);
        c->Pen()->SetColor(kGray);
        c->MoveTo(I(apex), I(body - 1));
        c->LineTo(I(w - 1), 1);
        break;
      }
    }
    if (pipe) {
      TRect r{I(pipeLeft), 5, I(pipeRight), I(h - 1)};
      DrawFrame3D(c, r, clWhite, kGray, 3);
    }
    if (inside) {
      c->Brush()->SetStyle(TBrushStyle::bsSolid);
      c->SelectClipRgn(&FInterior);
      c->Brush()->SetColor(FEmptyColor);
      c->FillRect(all);
      c->SelectClipRgn(nullptr);
    }
  });

  FPaintedLevel = -1;
  if (inside) {
    // The liquid: the inside from the level down.
    const int64_t level = std::max(LevelY(), 0);
    FPaintedLevel = int(level);
    // Over a kept face only the rows being painted changed; a face drawn afresh is all new.
    const int64_t top = redrawn ? level : std::max<int64_t>(level, PaintRect().Top);
    const int64_t bottom = redrawn ? h : std::min<int64_t>(h, PaintRect().Bottom);
    if (top < bottom) {
      c->SelectClipRgn(&FInterior);
      c->Brush()->SetStyle(TBrushStyle::bsSolid);
      c->Brush()->SetColor(FFillColor);
      c->FillRect(TRect{0, int(top), Width(), int(bottom)});
      c->SelectClipRgn(nullptr);
    }
  }
  TKvGraphicImageControl::Paint();
}

// A pixel of contents inside the walls, 3 pixels on each side, with the pipe whole above.
QSize TKvTank::minimumSizeHint() const {
  constexpr int64_t kWalls = 2 * 3;
  const bool pipe = FContainer->Visible();
  const int64_t pipeWidth = pipe ? FContainer->Width() : 0;
  const int64_t pipeHeight = pipe ? FContainer->Height() : 0;
  return kv::LeastSizeHint(std::max(kWalls + 1, pipeWidth), kWalls + 1 + pipeHeight);
}
