// Region factories and their combination. Shapes are scan converted by the code that
// draws them on a canvas (Raster.h), so a region holds exactly the pixels the canvas
// fills in the same box, and the regions are built band by band in QRegion's own form.
//
// Coordinates are clamped to +-2^29; curved and slanted outlines are scan converted only
// within 2^16 rows of the origin (no surface is taller).
#include "Raster.h"

using kv::RGN_AND, kv::RGN_COPY, kv::RGN_DIFF, kv::RGN_OR, kv::RGN_XOR, kv::WINDING;

using kv::BandedRegionBuilder;
using kv::RoundShape;
using kv::Span;

namespace {

constexpr int64_t kCoordinateLimit = int64_t(1) << 29;

int64_t ClampCoordinate(int64_t v) { return std::clamp(v, -kCoordinateLimit, kCoordinateLimit); }

// Adds rows [y0, y1) with the spans clamped into the coordinate range.
void AddClampedRows(BandedRegionBuilder& builder, int64_t y0, int64_t y1,
                    std::span<const Span> spans) {
  std::vector<Span> clamped;
  clamped.reserve(spans.size());
  for (const Span& s : spans) {
    const Span c{ClampCoordinate(s.Begin), ClampCoordinate(s.End)};
    if (!c.Empty()) clamped.push_back(c);
  }
  builder.AddRows(ClampCoordinate(y0), ClampCoordinate(y1), clamped);
}

TRegion RegionOf(const RoundShape& shape) {
  if (shape.Empty()) return {};
  if (shape.CornerWidth == 0) {
    // A rectangle is one band of one span: partial repaints make one per frame.
    const int64_t x0 = ClampCoordinate(shape.Left), x1 = ClampCoordinate(shape.Right());
    const int64_t y0 = ClampCoordinate(shape.Top), y1 = ClampCoordinate(shape.Bottom());
    if (x0 >= x1 || y0 >= y1) return {};
    return TRegion(QRegion(QRect(QPoint(int(x0), int(y0)), QPoint(int(x1 - 1), int(y1 - 1)))));
  }
  BandedRegionBuilder builder;
  const int64_t top = std::max(shape.Top, -kv::kRegionScanLimit);
  const int64_t bottom = std::min(shape.Bottom(), kv::kRegionScanLimit);
  for (int64_t y = top; y < bottom;) {
    const int64_t next = std::min(shape.SameRowsUntil(y), bottom - 1) + 1;
    const Span row = shape.Row(y);
    AddClampedRows(builder, y, next, {&row, 1});
    y = next;
  }
  return TRegion(builder.Finish());
}

}  // namespace

TRegion::TRegion(const QRegion& region) : FRegion(kv::CanonicalRegion(region)) {}

TRegion kv::CreateRectRgn(int x1, int y1, int x2, int y2) {
  return RegionOf(RoundShape::Rectangle(x1, y1, x2, y2));
}

TRegion kv::CreateEllipticRgn(int x1, int y1, int x2, int y2) {
  return RegionOf(RoundShape::Ellipse(x1, y1, x2, y2));
}

TRegion kv::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
  return RegionOf(RoundShape::RoundRect(x1, y1, x2, y2, w, h));
}

TRegion kv::CreatePolygonRgn(std::span<const TPoint> points, int fillMode) {
  std::vector<kv::Point64> path;
  path.reserve(points.size());
  for (const TPoint& p : points) path.push_back({p.X, p.Y});
  kv::PolygonSweep sweep(path, fillMode == WINDING);
  BandedRegionBuilder builder;
  int64_t y0 = 0, y1 = 0;
  while (sweep.Next(-kv::kRegionScanLimit, kv::kRegionScanLimit, y0, y1))
    AddClampedRows(builder, y0, y1, sweep.Spans());
  return TRegion(builder.Finish());
}

bool kv::CombineRgn(TRegion& dest, const TRegion& a, const TRegion& b, int mode) {
  const QRegion& ra = a.ToQRegion();
  const QRegion& rb = b.ToQRegion();
  switch (mode) {
    case RGN_AND: dest = TRegion(ra & rb); return true;
    case RGN_OR: dest = TRegion(ra | rb); return true;
    case RGN_XOR: dest = TRegion(ra ^ rb); return true;
    case RGN_DIFF: dest = TRegion(ra - rb); return true;
    case RGN_COPY: dest = TRegion(ra); return true;
    default: return false;
  }
}

// ---------------------------------------------------------------------------
// The form shape's mask scan

namespace {

bool IsMaskPixel(uint32_t pixel, uint32_t maskPixel) {
  return ((pixel ^ maskPixel) & 0x00FFFFFFu) == 0;
}

// The runs of one row, step by step as the scan rule says. The bound is tested before each
// pixel is read, so no pixel past the row is ever looked at; the last column ends every run.
void AddRowRuns(const uint32_t* row, int width, uint32_t maskPixel, std::vector<kv::Span>& runs) {
  const int last = width - 1;
  int x = 0;
  for (;;) {
    while (x < last && IsMaskPixel(row[x], maskPixel)) ++x;
    const int x0 = x;
    x = x0 + 1;
    while (x < last && !IsMaskPixel(row[x], maskPixel)) ++x;
    if (x0 < last) runs.push_back({x0, x});
    if (x >= last) return;
  }
}

}  // namespace

namespace kv {

TRegion MaskRegion(const TBitmap& Mask, TColor MaskColor) {
  if (Mask.Empty()) return {};
  // Bitmaps hold 32-bit pixels; anything else is converted rather than misread.
  const QImage image = Mask.Image().depth() == 32
                           ? Mask.Image()
                           : Mask.Image().convertToFormat(QImage::Format_RGB32);
  const uint32_t maskPixel = ToPixel(ColorToRGB(MaskColor));
  // In bitmap pixels: a mask at a device scale is read by the first pixel of each block,
  // so a finer picture gives the same region.
  const int scale = Mask.DeviceScale(), width = Mask.Width();
  std::vector<uint32_t> blocks(size_t(std::max(width, 0)));
  BandedRegionBuilder builder;
  std::vector<Span> runs;
  for (int y = 0; y < Mask.Height(); ++y) {
    runs.clear();
    const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y * scale));
    if (scale != 1) {
      for (int x = 0; x < width; ++x) blocks[size_t(x)] = row[x * scale];
      row = blocks.data();
    }
    AddRowRuns(row, width, maskPixel, runs);
    builder.AddRows(y, y + 1, runs);
  }
  return TRegion(builder.Finish());
}

}  // namespace kv
