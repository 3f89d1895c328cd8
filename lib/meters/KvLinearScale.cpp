#include "KvLinearScale.h"

#include "KvArtwork.h"
#include "KvMetersInternal.h"
#include "KvSysUtilsInternal.h"

#include <algorithm>

using kv::FloatToStrF;

void TKvLinearScaleBase::SetFormatText(const QString& v) {
  if (v == FLinear.FormatText) return;
  kv::CheckScaleFormat(v);
  SetValue(FLinear.FormatText, v);
}

void TKvLinearScaleBase::SetStep(double v) {
  if (std::isfinite(v)) SetValue(FLinear.Step, v);
}

void TKvLinearScaleBase::SetSmallStep(double v) {
  if (std::isfinite(v)) SetValue(FLinear.SmallStep, v);
}

void TKvLinearScaleBase::CopyShared(const TKvScaleBase& source) {
  TKvScaleBase::CopyShared(source);
  FLinear = static_cast<const TKvLinearScaleBase&>(source).FLinear;
}

TKvLinearMarker::TKvLinearMarker(QString defaultPicture)
    : FDefaultPicture(std::make_unique<kv::TKvScaledPicture>(std::move(defaultPicture))),
      FBitmap(std::make_unique<TBitmap>()) {
  FDefaultPicture->LoadInto(*FBitmap);
  connect(FBitmap.get(), &TGraphic::OnChange, this, [this] { BitmapChanged(); });
}

TKvLinearMarker::~TKvLinearMarker() = default;

void TKvLinearMarker::SetValue(double v) {
  if (std::isnan(v) || v == F.Value) return;
  kv::EmitInTurn(
      this, [&] { SetValue(F.Value, v); }, [this] { emit ValueChanged(F.Value); });
}

void TKvLinearMarker::SetValueQuietly(double v) {
  if (!std::isnan(v)) F.Value = v;
}

void TKvLinearMarker::SetBitmap(const TBitmap* v) {
  if (v != FBitmap.get()) FBitmap->Assign(v);
}

const TBitmap* TKvLinearMarker::ShownBitmap(int scale) const {
  return FDefaultPicture->Shown(*FBitmap, scale);
}

void TKvLinearMarker::BitmapChanged() {
  if (FReloading) return;
  if (FBitmap->Empty()) {
    FReloading = true;
    FDefaultPicture->LoadInto(*FBitmap);
    FReloading = false;
  }
  Changed();
}

void TKvLinearMarker::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TKvLinearMarker*>(source);
  if (!other) {
    TKvPersistent::Assign(source);
    return;
  }
  const double was = F.Value;
  kv::EmitInTurn(
      this,
      [&] {
        WithinUpdate([&] {
          F = other->F;
          if (other != this) FBitmap->Assign(other->FBitmap.get());
        });
      },
      [&] {
        if (F.Value != was) emit ValueChanged(F.Value);
      });
}

QString kv::ScaleLabelText(const QString& formatText, int decimals, long double value) {
  return Format(formatText, {FloatToStrF(value, TFloatFormat::ffFixed, 8, decimals)});
}

void kv::CheckScaleFormat(const QString& formatText) {
  (void)Format(formatText, {QStringLiteral("0")});
}

int64_t kv::PixelOf(long double position) {
  constexpr long double kFar = 1099511627776.0L;  // 2^40
  if (std::isnan(position)) return 0;
  const long double x = std::clamp(position, -kFar, kFar);
  // Half to even, by hand: the library's nearbyint on the extended format is slow.
  int64_t t = int64_t(x);
  const long double f = x - static_cast<long double>(t);
  if (f > 0.5L || (f == 0.5L && (t & 1) != 0)) ++t;
  else if (f < -0.5L || (f == -0.5L && (t & 1) != 0)) --t;
  return t;
}

int64_t kv::StepCount(long double span, long double step) {
  if (step == 0 || !std::isfinite(step) || std::isnan(span)) return 0;
  constexpr long double kMost = 4611686018427387904.0L;  // 2^62
  return int64_t(std::trunc(std::clamp(span / step, -kMost, kMost)));
}
