// Copies onto a canvas: Draw, StretchDraw, CopyRect, BrushCopy and DrawDots.
//
// Stretching is nearest-neighbour, sampling each destination pixel's centre, so that an
// integer factor P gives every source pixel a P x P block. A negative width or height of
// either rectangle mirrors the copy; the destination then covers [x + w, x). Colour keys
// compare exact RGB values of the source pixels, before stretching. Destination pixels
// whose source pixel lies outside the source image are left alone.
//
// Rectangles are in canvas and bitmap pixels; each side maps them to its image by its own
// device scale, so a bitmap made at the canvas's scale copies one to one.
#include "Raster.h"

#include <cstring>

using kv::Bounds;

using kv::ClipRects;
using kv::Int128;
using kv::Point64;
using kv::ToSurface;

namespace {

// A bitmap point in its image's pixels.
Point64 InImage(const TBitmap& bitmap, int64_t x, int64_t y) {
  return {x * bitmap.DeviceScale(), y * bitmap.DeviceScale()};
}

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

// N destination pixels from N source pixels by Mix(source, destination, keyed), keyed having
// every bit set where the source's colour is Key: four at a step, then one at a time. A
// glyph's pixels fall either side of the key without a pattern, so no pixel is branched on.
template <class Mix>
void MixByKey(const uint32_t* src, uint32_t* dst, int64_t n, uint32_t key, Mix mix) {
  using Quad = uint32_t __attribute__((vector_size(16)));
  const Quad keys = {key, key, key, key};
  int64_t i = 0;
  for (; n - i >= 4; i += 4) {
    Quad s, d;
    std::memcpy(&s, src + i, sizeof s);
    std::memcpy(&d, dst + i, sizeof d);
    d = mix(s, d, Quad((s & 0xFFFFFFu) == keys));
    std::memcpy(dst + i, &d, sizeof d);
  }
  for (; i < n; ++i) dst[i] = mix(src[i], dst[i], (src[i] & 0xFFFFFFu) == key ? ~0u : 0u);
}

// N pixels of a destination row from N source pixels, combined by the rule. The common rules
// (a plain copy, a transparent colour, a colour key) run as tight loops; the rest combine pixel
// by pixel.
void ApplyRow(const uint32_t* src, uint32_t* dst, int64_t n, const BlitRule& rule) {
  if (rule.Plain()) {
    std::memmove(dst, src, size_t(n) * 4);
    return;
  }
  if (rule.rop == TPenMode::pmCopy && !rule.mono && !(rule.transparent && rule.key)) {
    if (rule.transparent || !rule.keyColor) {
      // The key's pixels keep what lies under them.
      MixByKey(
          src, dst, n, rule.transparent ? *rule.transparent : *rule.key,
          [](auto s, auto d, auto keyed) { return (d & keyed) | ((s | kv::kOpaque) & ~keyed); });
      return;
    }
    const uint32_t replacement = *rule.keyColor | kv::kOpaque;
    MixByKey(src, dst, n, *rule.key, [replacement](auto s, auto, auto keyed) {
      return (replacement & keyed) | ((s | kv::kOpaque) & ~keyed);
    });
    return;
  }
  for (int64_t i = 0; i < n; ++i) rule.Apply(src[i], dst[i]);
}

void Blit(QImage& dest, const ClipRects& clip, const Axis& x, const Axis& y, const QImage& source,
          const BlitRule& rule) {
  if (x.Empty() || y.Empty() || clip.IsEmpty()) return;
  const auto [top, bottom] = kv::VisibleRows(clip, y.Begin, y.Begin + y.Size);
  int64_t left = std::max<int64_t>(x.Begin, clip.Bounds.left());
  int64_t right = std::min<int64_t>(x.Begin + x.Size, int64_t(clip.Bounds.right()) + 1);
  const bool columnsIdentity = x.Identity();
  // Without stretching the source column is a fixed offset from the destination's, and
  // only the columns with a source pixel are visited.
  const int64_t shift = x.SourceBegin - x.Begin;
  if (columnsIdentity) {
    left = std::max<int64_t>(left, -shift);
    right = std::min<int64_t>(right, int64_t(source.width()) - shift);
  }
  if (top >= bottom || left >= right) return;
  // A stretched row is gathered from the source first and then written like an unstretched
  // one. Source columns run monotonically, so those that hit the source are one range.
  std::vector<int> columns;
  std::vector<uint32_t> gathered;
  if (!columnsIdentity) {
    auto hits = [&](int64_t d) {
      const int64_t s = x.SourceOf(d);
      return s >= 0 && s < source.width();
    };
    while (left < right && !hits(left)) ++left;
    while (right > left && !hits(right - 1)) --right;
    if (left >= right) return;
    columns.resize(size_t(right - left));
    for (int64_t d = left; d < right; ++d) columns[size_t(d - left)] = int(x.SourceOf(d));
    gathered.resize(columns.size());
  }
  const kv::SurfaceRows rows(dest);
  const uchar* sourceBits = source.constBits();
  const qsizetype sourceStride = source.bytesPerLine();
  const int64_t sourceHeight = source.height();
  const bool rowsIdentity = y.Identity();
  // Whole rows between pictures of one layout (an image and its background): one block.
  const int64_t sourceTop = y.SourceBegin + (top - y.Begin);
  if (rule.Plain() && columnsIdentity && rowsIdentity && clip.IsSingle() && shift == 0 &&
      left == 0 && right == dest.width() && source.width() == dest.width() &&
      sourceStride == dest.bytesPerLine() && sourceTop >= 0 &&
      sourceTop + (bottom - top) <= sourceHeight) {
    std::memmove(rows.Row(top), sourceBits + sourceTop * sourceStride,
                 size_t(bottom - top) * size_t(sourceStride));
    return;
  }
  for (int64_t row = top; row < bottom; ++row) {
    const int64_t sy = rowsIdentity ? y.SourceBegin + (row - y.Begin) : y.SourceOf(row);
    if (sy < 0 || sy >= sourceHeight) continue;
    const auto* src = reinterpret_cast<const uint32_t*>(sourceBits + sy * sourceStride);
    uint32_t* dst = rows.Row(row);
    clip.ForEachSpan(row, left, right, [&](int a, int b) {
      if (columnsIdentity) {
        ApplyRow(src + (a + shift), dst + a, b - a, rule);
        return;
      }
      const int* column = columns.data() + (a - left);
      if (rule.Plain()) {
        for (int i = 0; i < b - a; ++i) dst[a + i] = src[column[i]] | kv::kOpaque;
        return;
      }
      for (int i = 0; i < b - a; ++i) gathered[size_t(i)] = src[column[i]];
      ApplyRow(gathered.data(), dst + a, b - a, rule);
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
              {bitmap->Image().width(), bitmap->Image().height()}, rule);
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
              ToSurface(*this, dest.Right, dest.Bottom), bitmap->Image(),
              InImage(*bitmap, source.Left, source.Top),
              InImage(*bitmap, source.Right, source.Bottom), rule);
  }
  Changed();
}

void TCanvas::DrawDots(int x, int y, const TBitmap* bitmap, const TRect& source, int dotSize,
                       int pitch) {
  if (!FSurface) return;
  if (bitmap && !bitmap->Empty() && dotSize > 0 && pitch > 0) {
    const QImage& image = bitmap->Image();
    const int64_t imageScale = bitmap->DeviceScale();
    // The part of Source the bitmap has, and where its first dot lies.
    const int64_t left = std::max(source.Left, 0), top = std::max(source.Top, 0);
    const int64_t columns = std::min(source.Right, bitmap->Width()) - left;
    const int64_t rows = std::min(source.Bottom, bitmap->Height()) - top;
    const int64_t p = int64_t(pitch) * FScale, dot = int64_t(std::min(dotSize, pitch)) * FScale;
    const Point64 at = ToSurface(*this, x, y);
    const int64_t x0 = at.X + (left - source.Left) * p, y0 = at.Y + (top - source.Top) * p;
    const auto [surface, clip] = Target();
    // Only the dots that reach into the clip's columns are visited.
    const int64_t reach = int64_t(clip.Bounds.right()) - x0;
    const int64_t first = std::max<int64_t>(0, (int64_t(clip.Bounds.left()) - x0) / p);
    const int64_t last = reach < 0 ? 0 : std::min(columns, reach / p + 1);
    const auto [fromRow, toRow] = kv::VisibleRows(clip, y0, rows > 0 ? y0 + rows * p : y0);
    for (int64_t row = fromRow; row < toRow && columns > 0; ++row) {
      const int64_t j = (row - y0) / p;
      if (row - y0 - j * p >= dot) continue;  // a gap between rows of dots
      const auto* line = reinterpret_cast<const uint32_t*>(
          image.constScanLine(int((top + j) * imageScale)));
      for (int64_t i = first; i < last; ++i) {
        const uint32_t pixel = line[(left + i) * imageScale] | kv::kOpaque;
        const int64_t dotLeft = x0 + i * p;
        kv::PaintSpan(surface, clip, row, dotLeft, dotLeft + dot,
                      kv::Ink::Solid(FMonochrome ? kv::ToMonochrome(pixel) : pixel));
      }
    }
  }
  Changed();
}
