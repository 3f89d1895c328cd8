// Copies onto a canvas: Draw, StretchDraw, CopyRect and BrushCopy.
//
// Stretching is nearest-neighbour, sampling each destination pixel's centre, so that an
// integer factor P gives every source pixel a P x P block. A negative width or height of
// either rectangle mirrors the copy; the destination then covers [x + w, x). Colour keys
// compare exact RGB values of the source pixels, before stretching. Destination pixels
// whose source pixel lies outside the source image are left alone.
#include "Raster.h"

#include <cstring>

using kv::Bounds;

using kv::ClipRects;
using kv::Int128;
using kv::Point64;
using kv::ToSurface;

namespace {

// How the source pixels are combined with the destination.
struct BlitRule {
  TPenMode rop = TPenMode::pmCopy;
  std::optional<uint32_t> transparent;  // source RGB left out
  std::optional<uint32_t> key;          // source RGB replaced by KeyColor (left out without one)
  std::optional<uint32_t> keyColor;
  bool mono = false;  // the destination holds only black and white

  bool Plain() const { return rop == TPenMode::pmCopy && !transparent && !key && !mono; }

  void Apply(uint32_t s, uint32_t& d) const {
    const uint32_t rgb = s & 0xFFFFFFu;
    if (transparent && rgb == *transparent) return;
    if (key && rgb == *key) {
      if (!keyColor) return;
      s = *keyColor;
    } else if (mono) {
      s = kv::ToMonochrome(s);
    }
    d = kv::Rop(rop, s, d);
  }
};

// One axis of a copy: destination pixels [Begin, Begin + Size) take source pixels
// [SourceBegin, SourceBegin + SourceSize), possibly mirrored.
struct Axis {
  int64_t Begin = 0, Size = 0;
  int64_t SourceBegin = 0, SourceSize = 0;
  bool Mirrored = false;

  static Axis Of(int64_t d0, int64_t d1, int64_t s0, int64_t s1) {
    Axis a;
    a.Begin = std::min(d0, d1);
    a.Size = std::abs(d1 - d0);
    a.SourceBegin = std::min(s0, s1);
    a.SourceSize = std::abs(s1 - s0);
    a.Mirrored = (d1 < d0) != (s1 < s0);
    return a;
  }
  bool Empty() const { return Size == 0 || SourceSize == 0; }
  bool Identity() const { return Size == SourceSize && !Mirrored; }
  // The source pixel of destination pixel d: the one under its centre.
  int64_t SourceOf(int64_t d) const {
    int64_t j = d - Begin;
    if (Mirrored) j = Size - 1 - j;
    return SourceBegin + int64_t((2 * Int128(j) + 1) * SourceSize / (2 * Int128(Size)));
  }
};

void CopyPlainRow(const uint32_t* src, int sourceWidth, uint32_t* dst, const Axis& x, int a,
                  int b) {
  // Without stretching the source column is a fixed offset from the destination's.
  const int64_t shift = x.SourceBegin - x.Begin;
  const int64_t from = std::max<int64_t>(a, -shift), to = std::min<int64_t>(b, sourceWidth - shift);
  if (from < to) std::memmove(dst + from, src + from + shift, size_t(to - from) * 4);
}

// A copy with a colour key or a transparent colour, unstretched and in copy mode (a glyph,
// an arrow cell): each source pixel is compared and copied in place. Keys are RGB values;
// kNoKey matches none.
constexpr uint32_t kNoKey = 0xFFFFFFFFu;
void CopyKeyedRow(const uint32_t* src, int sourceWidth, uint32_t* dst, const Axis& x, int a, int b,
                  uint32_t leftOut, uint32_t key, uint32_t keyPixel) {
  const int64_t shift = x.SourceBegin - x.Begin;
  const int64_t from = std::max<int64_t>(a, -shift), to = std::min<int64_t>(b, sourceWidth - shift);
  for (int64_t d = from; d < to; ++d) {
    const uint32_t s = src[d + shift], rgb = s & 0xFFFFFFu;
    if (rgb == leftOut) continue;
    dst[d] = (rgb == key ? keyPixel : s) | 0xFF000000u;
  }
}

void Blit(QImage& dest, const ClipRects& clip, const Axis& x, const Axis& y, const QImage& source,
          const BlitRule& rule) {
  if (x.Empty() || y.Empty() || clip.IsEmpty()) return;
  const auto [top, bottom] = kv::VisibleRows(clip, y.Begin, y.Begin + y.Size);
  const int64_t left = std::max<int64_t>(x.Begin, clip.Bounds.left());
  const int64_t right = std::min<int64_t>(x.Begin + x.Size, int64_t(clip.Bounds.right()) + 1);
  if (top >= bottom || left >= right) return;
  const bool plain = rule.Plain() && x.Identity();
  const bool keyed = !plain && x.Identity() && rule.rop == TPenMode::pmCopy && !rule.mono &&
                     !(rule.transparent && rule.key);
  // For a keyed copy: the RGB left out (the transparent colour, or a key without a colour)
  // and the RGB replaced by the key's colour.
  uint32_t leftOut = kNoKey, key = kNoKey, keyPixel = 0;
  if (keyed && rule.transparent) leftOut = *rule.transparent;
  if (keyed && rule.key && rule.keyColor) {
    key = *rule.key;
    keyPixel = *rule.keyColor;
  } else if (keyed && rule.key) {
    leftOut = *rule.key;
  }
  std::vector<int> columns;
  if (!plain && !keyed) {
    columns.resize(size_t(right - left));
    for (int64_t d = left; d < right; ++d) {
      const int64_t s = x.SourceOf(d);
      columns[size_t(d - left)] = s >= 0 && s < source.width() ? int(s) : -1;
    }
  }
  uchar* bits = dest.bits();
  const qsizetype stride = dest.bytesPerLine();
  const bool rowsIdentity = y.Identity();
  for (int64_t row = top; row < bottom; ++row) {
    const int64_t sy = rowsIdentity ? y.SourceBegin + (row - y.Begin) : y.SourceOf(row);
    if (sy < 0 || sy >= source.height()) continue;
    const auto* src = reinterpret_cast<const uint32_t*>(source.constScanLine(int(sy)));
    auto* dst = reinterpret_cast<uint32_t*>(bits + row * stride);
    clip.ForEachSpan(row, left, right, [&](int a, int b) {
      if (plain) {
        CopyPlainRow(src, source.width(), dst, x, a, b);
        return;
      }
      if (keyed) {
        CopyKeyedRow(src, source.width(), dst, x, a, b, leftOut, key, keyPixel);
        return;
      }
      for (int d = a; d < b; ++d)
        if (const int s = columns[size_t(d - left)]; s >= 0) rule.Apply(src[s], dst[d]);
    });
  }
}

// Copies from Source (source image coordinates) into Dest (surface coordinates). A copy
// within one image reads from a snapshot of the source.
void CopyImage(QImage& dest, const ClipRects& clip, Point64 d0, Point64 d1, const QImage& source,
               Point64 s0, Point64 s1, const BlitRule& rule) {
  if (source.isNull()) return;
  Axis x = Axis::Of(d0.X, d1.X, s0.X, s1.X), y = Axis::Of(d0.Y, d1.Y, s0.Y, s1.Y);
  if (&source != &dest && source.depth() == 32) {
    Blit(dest, clip, x, y, source, rule);
    return;
  }
  const QRect used =
      QRect(0, 0, source.width(), source.height()) &
      QRect(
          QPoint(int(std::clamp<int64_t>(x.SourceBegin, 0, source.width())),
                 int(std::clamp<int64_t>(y.SourceBegin, 0, source.height()))),
          QPoint(
              int(std::clamp<int64_t>(x.SourceBegin + x.SourceSize - 1, -1, source.width() - 1)),
              int(std::clamp<int64_t>(y.SourceBegin + y.SourceSize - 1, -1, source.height() - 1))));
  if (used.isEmpty()) return;
  const QImage snapshot = source.copy(used).convertToFormat(QImage::Format_RGB32);
  x.SourceBegin -= used.x();
  y.SourceBegin -= used.y();
  Blit(dest, clip, x, y, snapshot, rule);
}

const TBitmap* BitmapOf(const TGraphic* graphic) {
  const auto* bitmap = dynamic_cast<const TBitmap*>(graphic);
  return bitmap && !bitmap->Empty() ? bitmap : nullptr;
}

}  // namespace

void TCanvas::Draw(int x, int y, const TGraphic* graphic) {
  if (const TBitmap* bitmap = BitmapOf(graphic))
    StretchDraw(Bounds(x, y, bitmap->Width(), bitmap->Height()), bitmap);
}

void TCanvas::StretchDraw(const TRect& dest, const TGraphic* graphic) {
  if (!FSurface) return;
  if (const TBitmap* bitmap = BitmapOf(graphic)) {
    BlitRule rule;
    rule.mono = MonochromeSurface();
    if (bitmap->Transparent())
      rule.transparent = kv::ColorToPixel(bitmap->TransparentColor()) & 0xFFFFFFu;
    else rule.rop = kv::RopOfCopyMode(FCopyMode);
    CopyImage(*FSurface, EffectiveClip(), ToSurface(*this, dest.Left, dest.Top),
              ToSurface(*this, dest.Right, dest.Bottom), bitmap->Image(), {0, 0},
              {bitmap->Width(), bitmap->Height()}, rule);
  }
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas* source, const TRect& sourceRect) {
  if (!FSurface) return;
  if (source && source->Surface()) {
    BlitRule rule;
    rule.mono = MonochromeSurface();
    rule.rop = kv::RopOfCopyMode(FCopyMode);
    CopyImage(*FSurface, EffectiveClip(), ToSurface(*this, dest.Left, dest.Top),
              ToSurface(*this, dest.Right, dest.Bottom), *source->Surface(),
              kv::ToSurface(*source, sourceRect.Left, sourceRect.Top),
              kv::ToSurface(*source, sourceRect.Right, sourceRect.Bottom), rule);
  }
  Changed();
}

void TCanvas::BrushCopy(const TRect& dest, const TBitmap* bitmap, const TRect& source, TColor key) {
  if (!FSurface) return;
  if (bitmap && !bitmap->Empty()) {
    BlitRule rule;
    rule.mono = MonochromeSurface();
    rule.key = kv::ColorToPixel(key) & 0xFFFFFFu;
    if (FBrush->Style() != TBrushStyle::bsClear)
      rule.keyColor = kv::SurfaceColor(FBrush->Color(), rule.mono);
    CopyImage(*FSurface, EffectiveClip(), ToSurface(*this, dest.Left, dest.Top),
              ToSurface(*this, dest.Right, dest.Bottom), bitmap->Image(), {source.Left, source.Top},
              {source.Right, source.Bottom}, rule);
  }
  Changed();
}
