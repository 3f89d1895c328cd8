#include "KvFrameCache.h"

#include "KvClasses.h"
#include "PixelFill.h"

#include <QWidget>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>

using kv::ColorToPixel, kv::ColorToRGB, kv::InImage, kv::Rect;

TRect kv::InImage(const TBitmap* bitmap, const TRect& r) {
  const int64_t s = bitmap->DeviceScale();
  return {kv::SaturateToInt(r.Left * s), kv::SaturateToInt(r.Top * s),
          kv::SaturateToInt(r.Right * s), kv::SaturateToInt(r.Bottom * s)};
}

namespace {

// A fresh bitmap of the size at the scale, for recording a drawing.
void PrepareRecording(TBitmap& bitmap, int width, int height, int scale) {
  bitmap.SetDeviceScale(scale);
  bitmap.SetSize(width, height);
}

}  // namespace

// ---------------------------------------------------------------------------
// Keys

TKvLayerKey& TKvLayerKey::operator=(const TKvLayerKey& other) {
  if (this == &other) return *this;
  FSize = 0;
  return Append(other.FData, other.FSize);
}

void TKvLayerKey::Grow(size_t size) {
  FCapacity = std::max(2 * FCapacity, FSize + size);
  auto bytes = std::make_unique<char[]>(FCapacity);
  std::memcpy(bytes.get(), FData, FSize);
  FOnHeap = std::move(bytes);
  FData = FOnHeap.get();
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

TKvLayerKey& TKvLayerKey::operator<<(const TRect& r) {
  return *this << r.Left << r.Top << r.Right << r.Bottom;
}

TKvLayerKey& TKvLayerKey::operator<<(const TKvBevel* b) {
  return *this << b->Visible() << b->BorderColor() << b->BorderWidth() << int(b->OuterOutline())
               << int(b->OuterStyle()) << b->OuterHighlight() << b->OuterShadow() << b->OuterWidth()
               << b->OuterColor() << b->OuterSpace() << int(b->InnerOutline())
               << int(b->InnerStyle()) << b->InnerHighlight() << b->InnerShadow() << b->InnerWidth()
               << b->InnerColor() << b->InnerSpace();
}

// ---------------------------------------------------------------------------
// Static layers

void TKvStaticLayer::Draw(TBitmap* target, const TKvLayerKey& key, const Drawing& drawing,
                          const TRect* within) {
  if (key.Bytes() != FKey || FPixels.size() != target->Image().size() ||
      FPixels.devicePixelRatio() != target->DeviceScale()) {
    Record(target->Width(), target->Height(), target->DeviceScale(), drawing);
    FKey = key.Bytes().toByteArray();
  }
  Replay(target, within, TPoint(0, 0));
}

void TKvStaticLayer::Stamp(TBitmap* target, const TKvLayerKey& key, TSize size,
                           const Drawing& drawing, TPoint at) {
  const int scale = target->DeviceScale();
  if (key.Bytes() != FKey || FPixels.size() != QSize(size.cx, size.cy) * scale ||
      FPixels.devicePixelRatio() != scale) {
    Record(size.cx, size.cy, scale, drawing);
    FKey = key.Bytes().toByteArray();
  }
  Replay(target, nullptr, at);
}

void TKvStaticLayer::Clear() {
  FKey.clear();
  FPixels = QImage();
  FRuns.clear();
  FBlends.clear();
}

namespace {

// What a pixel drawn on black (OnBlack) and on white (OnWhite) tells of how it blends: per
// channel, the white that shows through it. Untouched pixels let all of it through.
uint32_t Through(uint32_t onBlack, uint32_t onWhite) {
  uint32_t through = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int b = int((onBlack >> shift) & 0xFFu), w = int((onWhite >> shift) & 0xFFu);
    through |= uint32_t(std::clamp(w - b, 0, 255)) << shift;
  }
  return through;
}

// Per channel: Over plus Through/255 of Under, rounded to the nearest. Over and Through come
// from one pixel drawn on black and on white, so no channel passes 255 and none carries into
// the next: the channels add in one word.
uint32_t Blended(uint32_t over, uint32_t through, uint32_t under) {
  const auto share = [&](int shift) {
    // v / 255 rounded, as (v + 127) / 255 is for every product of two bytes.
    const uint32_t v = ((through >> shift) & 0xFFu) * ((under >> shift) & 0xFFu) + 128;
    return ((v + (v >> 8)) >> 8) << shift;
  };
  return (over | 0xFF000000u) + share(0) + share(8) + share(16);
}

// Drawing run on a black and on a white bitmap of the size at the scale: a pixel it wrote
// opaque is the same on both.
void DrawOnBlackAndWhite(TBitmap& onBlack, TBitmap& onWhite, int width, int height, int scale,
                         const std::function<void(TCanvas*)>& drawing) {
  PrepareRecording(onBlack, width, height, scale);
  PrepareRecording(onWhite, width, height, scale);
  onWhite.Canvas()->FillRect(Rect(0, 0, width, height));  // a new canvas brush is solid white
  drawing(onBlack.Canvas());
  drawing(onWhite.Canvas());
}

}  // namespace

void TKvStaticLayer::Record(int width, int height, int scale, const Drawing& drawing) {
  TBitmap onBlack, onWhite;
  DrawOnBlackAndWhite(onBlack, onWhite, width, height, scale, drawing);
  FRuns.clear();
  FBlends.clear();
  // The runs are in image pixels.
  width = onBlack.Image().width();
  height = onBlack.Image().height();
  for (int y = 0; y < height; ++y) {
    const uint32_t* a = onBlack.ScanLine(y);
    const uint32_t* b = onWhite.ScanLine(y);
    for (int x = 0; x < width;) {
      if (a[x] != b[x]) {
        if (const uint32_t through = Through(a[x], b[x]); through != 0xFFFFFFu)
          FBlends.push_back({y, x, a[x], through});
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

namespace {

// Copies a run of Pixels pixels. Most runs of ticks, outlines and glyphs are a few pixels:
// fixed-size copies, which are moves, not a call each.
void CopyRun(uchar* out, const uchar* in, int64_t pixels) {
  constexpr int64_t kShort = 16;
  if (pixels > kShort) {
    std::memcpy(out, in, size_t(pixels) * 4);
    return;
  }
  for (; pixels >= 4; pixels -= 4, out += 16, in += 16) std::memcpy(out, in, 16);
  if (pixels >= 2) {
    std::memcpy(out, in, 8);
    pixels -= 2;
    out += 8;
    in += 8;
  }
  if (pixels) std::memcpy(out, in, 4);
}

}  // namespace

void TKvStaticLayer::Replay(TBitmap* target, const TRect* within, TPoint at) const {
  const TRect clip = InImage(target, target->Canvas()->ClipRect());
  int64_t left = clip.Left, top = clip.Top, right = clip.Right, bottom = clip.Bottom;
  if (within) {
    const TRect inside = InImage(target, *within);
    left = std::max<int64_t>(left, inside.Left);
    top = std::max<int64_t>(top, inside.Top);
    right = std::min<int64_t>(right, inside.Right);
    bottom = std::min<int64_t>(bottom, inside.Bottom);
  }
  at = {kv::SaturateToInt(int64_t(at.X) * target->DeviceScale()),
        kv::SaturateToInt(int64_t(at.Y) * target->DeviceScale())};
  if (left >= right || top >= bottom || FPixels.isNull()) return;
  // Rows by address: a layer has thousands of short runs.
  auto* to = reinterpret_cast<uchar*>(target->ScanLine(0));
  const qsizetype toStride = target->Image().bytesPerLine();
  const uchar* from = FPixels.constBits();
  const qsizetype fromStride = FPixels.bytesPerLine();
  // Runs are in row order and, within a row, apart from left to right: so ordered by where
  // they end too. The first run of row Y that ends right of the clip's left edge:
  const int64_t leftInLayer = left - at.X;
  const auto firstInside = [&](std::vector<Run>::const_iterator from, int64_t y) {
    return std::lower_bound(from, FRuns.end(), y, [&](const Run& run, int64_t row) {
      return run.Y < row || (run.Y == row && run.End <= leftInLayer);
    });
  };
  // A layer far wider than what shows (a long label) visits only the runs inside the clip.
  for (auto run = firstInside(FRuns.begin(), top - at.Y); run != FRuns.end();) {
    const int64_t y = int64_t(run->Y) + at.Y;
    if (y >= bottom) break;
    const int64_t begin = std::max<int64_t>(int64_t(run->Begin) + at.X, left);
    const int64_t end = std::min<int64_t>(int64_t(run->End) + at.X, right);
    if (end <= left) {
      run = firstInside(run, run->Y);
      continue;
    }
    if (begin >= right) {
      run = firstInside(run, int64_t(run->Y) + 1);
      continue;
    }
    CopyRun(to + y * toStride + begin * 4, from + run->Y * fromStride + (begin - at.X) * 4,
            end - begin);
    ++run;
  }
  const auto firstBlend = std::lower_bound(FBlends.begin(), FBlends.end(), top - at.Y,
                                           [](const Blend& b, int64_t y) { return b.Y < y; });
  for (auto blend = firstBlend; blend != FBlends.end(); ++blend) {
    const int64_t y = int64_t(blend->Y) + at.Y, x = int64_t(blend->X) + at.X;
    if (y >= bottom) break;
    if (x < left || x >= right) continue;
    uint32_t& px = reinterpret_cast<uint32_t*>(to + y * toStride)[x];
    px = Blended(blend->Over, blend->Through, px);
  }
}

// ---------------------------------------------------------------------------
// Two-tone shapes

namespace kv {

void TwoToneShape::Paint(TBitmap* target, const TKvLayerKey& key, const Drawing& drawing,
                         TColor pen, TColor brush) {
  const QSize size = target->Image().size();
  const int scale = target->DeviceScale();
  if (key.Bytes() != FKey || size != FSize || scale != FScale) {
    // Drawn on black and on white with a red pen and a green brush: a pixel in one of the two
    // on both was painted by it. Any other pixel the drawing changed is a smooth edge: its red
    // on black is the pen's share, its green on black the brush's, its blue on white the
    // share of what lies under it.
    constexpr TColor kPenMark = TColor(0x0000FF), kBrushMark = TColor(0x00FF00);
    TBitmap onBlack, onWhite;
    PrepareRecording(onBlack, target->Width(), target->Height(), scale);
    PrepareRecording(onWhite, target->Width(), target->Height(), scale);
    onWhite.Canvas()->FillRect(Rect(0, 0, target->Width(), target->Height()));
    for (TBitmap* b : {&onBlack, &onWhite}) {
      b->Canvas()->Pen()->SetColor(kPenMark);
      b->Canvas()->Brush()->SetColor(kBrushMark);
      drawing(b->Canvas());
    }
    const uint32_t penMark = ColorToPixel(kPenMark) & 0xFFFFFFu;
    const uint32_t brushMark = ColorToPixel(kBrushMark) & 0xFFFFFFu;
    const auto channel = [](uint32_t px, int shift) { return uint8_t((px >> shift) & 0xFFu); };
    FRuns.clear();
    FBlends.clear();
    for (int y = 0; y < size.height(); ++y) {
      const uint32_t* a = onBlack.ScanLine(y);
      const uint32_t* w = onWhite.ScanLine(y);
      const auto mark = [&](int i) {
        const uint32_t px = a[i] & 0xFFFFFFu;
        return a[i] == w[i] && (px == penMark || px == brushMark) ? px : 0;
      };
      for (int x = 0; x < size.width();) {
        const uint32_t m = mark(x);
        if (!m) {
          const uint32_t black = a[x] & 0xFFFFFFu, white = w[x] & 0xFFFFFFu;
          if (black != 0 || white != 0xFFFFFFu)
            FBlends.push_back({y, x, channel(black, 16), channel(black, 8), channel(white, 0)});
          ++x;
          continue;
        }
        const int begin = x;
        while (x < size.width() && mark(x) == m) ++x;
        FRuns.push_back({y, begin, x, m == penMark});
      }
    }
    FKey = key.Bytes().toByteArray();
    FSize = size;
    FScale = scale;
  }
  const uint32_t penPixel = ColorToPixel(pen), brushPixel = ColorToPixel(brush);
  const TRect clip = InImage(target, target->Canvas()->ClipRect());
  // Rows by address: the target's pixels are made writable once, not once a run.
  uint32_t* pixels = target->ScanLine(0);
  const qsizetype stride = target->Image().bytesPerLine() / qsizetype(sizeof(uint32_t));
  // Runs are in row order: start at the first row inside.
  const auto first = std::lower_bound(FRuns.begin(), FRuns.end(), clip.Top,
                                      [](const Run& run, int y) { return run.Y < y; });
  for (auto run = first; run != FRuns.end() && run->Y < clip.Bottom; ++run) {
    const int begin = std::max(run->Begin, clip.Left), end = std::min(run->End, clip.Right);
    if (begin >= end) continue;
    uint32_t* line = pixels + run->Y * stride;
    kv::FillPixels(line + begin, line + end, run->Pen ? penPixel : brushPixel);
  }
  const auto firstBlend = std::lower_bound(FBlends.begin(), FBlends.end(), clip.Top,
                                           [](const Blend& b, int y) { return b.Y < y; });
  for (auto blend = firstBlend; blend != FBlends.end() && blend->Y < clip.Bottom; ++blend) {
    if (blend->X < clip.Left || blend->X >= clip.Right) continue;
    uint32_t& px = pixels[blend->Y * stride + blend->X];
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t mixed = blend->Pen * ((penPixel >> shift) & 0xFFu) +
                             blend->Brush * ((brushPixel >> shift) & 0xFFu) +
                             blend->Through * ((px >> shift) & 0xFFu);
      out |= std::min<uint32_t>((mixed + 127) / 255, 255) << shift;
    }
    px = out;
  }
}

}  // namespace kv

// ---------------------------------------------------------------------------
// Coverage layers and pie faces

namespace kv {

bool CoverageLayer::Holds(const TKvLayerKey& key, int width, int height, int scale) const {
  return key.Bytes() == FKey && FCanvasSize == QSize(width, height) && FScale == scale;
}

void CoverageLayer::Keep(const TKvLayerKey& key, int width, int height, int scale,
                         const Drawing& drawing) {
  if (Holds(key, width, height, scale)) return;
  TBitmap onBlack, onWhite;
  DrawOnBlackAndWhite(onBlack, onWhite, width, height, scale, drawing);
  FSize = onBlack.Image().size();
  const size_t pixels = size_t(FSize.width()) * size_t(FSize.height());
  FOver.resize(pixels);
  FThrough.resize(pixels);
  FOpaque.assign(size_t(FSize.height()), {});
  FDrawn.assign(size_t(FSize.height()), {});
  for (int y = 0; y < FSize.height(); ++y) {
    const uint32_t* a = onBlack.ScanLine(y);
    const uint32_t* b = onWhite.ScanLine(y);
    const size_t row = size_t(y) * size_t(FSize.width());
    std::pair<int, int>& widest = FOpaque[size_t(y)];
    std::pair<int, int>& drawn = FDrawn[size_t(y)];
    for (int x = 0, begin = 0; x < FSize.width(); ++x) {
      const uint32_t through = a[x] == b[x] ? 0 : Through(a[x], b[x]);
      FOver[row + size_t(x)] = a[x];
      FThrough[row + size_t(x)] = through;
      if (through != 0xFFFFFFu) drawn = {drawn.first < drawn.second ? drawn.first : x, x + 1};
      if (through != 0) begin = x + 1;
      else if (x + 1 - begin > widest.second - widest.first) widest = {begin, x + 1};
    }
  }
  FKey = key.Bytes().toByteArray();
  FCanvasSize = {width, height};
  FScale = scale;
}

void CoverageLayer::OverRow(uint32_t* row, int y, int begin, int end) const {
  const size_t first = size_t(y) * size_t(FSize.width());
  // Where the drawing left the row as it was, it stays.
  const auto [drawnFrom, drawnTo] = FDrawn[size_t(y)];
  begin = std::max(begin, drawnFrom);
  end = std::min(end, drawnTo);
  if (begin >= end) return;
  // The widest opaque run of the row is copied whole.
  const auto [from, to] = FOpaque[size_t(y)];
  const int solidBegin = std::clamp(from, begin, end), solidEnd = std::clamp(to, solidBegin, end);
  for (int x = begin; x < solidBegin; ++x) row[x] = Over(first + size_t(x), row[x]);
  std::memcpy(row + solidBegin, &FOver[first + size_t(solidBegin)],
              size_t(solidEnd - solidBegin) * sizeof(uint32_t));
  for (int x = solidEnd; x < end; ++x) row[x] = Over(first + size_t(x), row[x]);
}

uint32_t CoverageLayer::Over(size_t i, uint32_t under) const {
  const uint32_t through = FThrough[i];
  if (through == 0) return FOver[i];
  if (through == 0xFFFFFFu) return under;
  return Blended(FOver[i], through, under);
}

}  // namespace kv

namespace {

// An angle that grows clockwise on the screen as the true one does, from 0 to 4: cheaper than
// atan2, and only compared.
double PseudoAngle(double x, double y) {
  if (y >= 0) return x >= 0 ? y / (x + y) : 1 - x / (y - x);
  return x < 0 ? 2 - y / (-x - y) : 3 + x / (x - y);
}

// How far from a line a pixel's centre may lie and still be touched by it: half the pixel's
// diagonal.
constexpr double kHalfDiagonal = 0.7072;

// A share of a pixel's area as a coverage out of 255.
uint32_t Coverage(double share) { return uint32_t(share * 255 + 0.5); }

// A ray of a pie face from its centre to the rim, in image pixels from the centre.
struct SectorRay {
  double Ux, Uy, Length, Angle;
  double Reach;  // how far from the ray a pixel's centre may lie and be touched by it
  bool Stroked;
  // For the shares of a pixel: the larger and smaller of |Ux| and |Uy|, as the unit square's
  // extent across any line along or across the ray depends on.
  double InvLarger, Outer, Inner, InvCorner;

  SectorRay(double dx, double dy, double width, bool stroked) {
    Length = std::hypot(dx, dy);
    Ux = dx / Length;
    Uy = dy / Length;
    Angle = PseudoAngle(dx, dy);
    Reach = kHalfDiagonal + (stroked ? width / 2 : 0);
    Stroked = stroked;
    const double a = std::max(std::abs(Ux), std::abs(Uy)), b = std::min(std::abs(Ux), std::abs(Uy));
    InvLarger = 1 / a;
    Outer = (a + b) / 2;
    Inner = (a - b) / 2;
    InvCorner = b > 0 ? 1 / (2 * a * b) : 0;
  }
  // The signed distance of a point to the ray's line, positive on the side of the sector the
  // ray starts; and how far along the ray it lies.
  double Across(double x, double y) const { return Ux * y - Uy * x; }
  double Along(double x, double y) const { return Ux * x + Uy * y; }
  // The share of a pixel on the side of a line along or across the ray its centre lies on, at
  // signed distance S from it (exact for the unit square).
  double Share(double s) const {
    if (s >= Outer) return 1;
    if (s <= -Outer) return 0;
    if (std::abs(s) <= Inner) return 0.5 + s * InvLarger;
    const double t = Outer - std::abs(s);
    const double corner = t * t * InvCorner;
    return s > 0 ? 1 - corner : corner;
  }
  // The share of a pixel between two such lines at offsets From < To from its centre.
  double ShareBetween(double from, double to) const {
    return std::max(0.0, Share(to) - Share(from));
  }
  // The share of a pixel between the lines across the ray at its ends, for a pixel centre T
  // along it: all of it but near an end.
  double ShareAlong(double t) const {
    return t >= Outer && Length - t >= Outer ? 1 : ShareBetween(-t, Length - t);
  }
};

// The pixels of one row by the ray, as [first, last] image columns (none when first > last),
// and the column where the ray's line crosses the row past the rim (-1 for none): Y is the
// row's centre less the pie's, Cx the pie's centre.
struct RowNearRay {
  double First = 1, Last = 0;
  double Crossing = -1;
};
RowNearRay ColumnsNear(const SectorRay& r, double y, double cx) {
  double lo = -1e300, hi = 1e300;
  const auto within = [&](double slope, double offset, double from, double to) {
    // slope * x + offset in [from, to]
    if (std::abs(slope) < 1e-12) {
      if (offset < from || offset > to) lo = 1, hi = 0;
      return;
    }
    const double a = (from - offset) / slope, b = (to - offset) / slope;
    lo = std::max(lo, std::min(a, b));
    hi = std::min(hi, std::max(a, b));
  };
  within(-r.Uy, r.Ux * y, -r.Reach, r.Reach);
  within(r.Ux, r.Uy * y, -r.Reach, r.Length + r.Reach);
  RowNearRay near{lo + cx - 0.5, hi + cx - 0.5};
  // Past the rim the layers hold nothing, but a run must not cross into another sector.
  if (std::abs(r.Uy) > 1e-12) {
    const double x = r.Ux * y / r.Uy;
    if (r.Along(x, y) > r.Length) near.Crossing = x + cx;
  }
  return near;
}

thread_local int tDrawnPieFaces = 0;

// What one ray does to a pixel whose centre lies at (X, Y) from the pie's centre.
struct RayTouch {
  bool Touches = false;   // the pixel lies within the ray's reach
  bool Ahead = false;     // and not behind the centre: the ray divides it between two sectors
  double Distance = 0;    // of its centre from the ray's line
  double AfterShare = 0;  // the share of it in the sector the ray starts, when ahead
  double Line = 0;        // the share the ray's line covers; none for a ray not stroked
};
RayTouch TouchOf(const SectorRay& ray, double x, double y, double width) {
  const double s = ray.Across(x, y), t = ray.Along(x, y);
  if (std::abs(s) >= ray.Reach || t <= -ray.Reach || t >= ray.Length + ray.Reach) return {};
  RayTouch touch{true, t >= 0, std::abs(s), t >= 0 ? ray.Share(s) : 0, 0};
  // The line's band from the centre to the rim.
  if (ray.Stroked) touch.Line = ray.ShareBetween(-width / 2 - s, width / 2 - s) * ray.ShareAlong(t);
  return touch;
}

// How a pixel by the rays is painted: whether a ray divides it (else the sector it lies in
// shows), the coverages of the sectors after and before that ray, and the lines' coverage.
struct RayPixel {
  bool Divided = false;
  uint8_t After = 0, Before = 0, Line = 0;
};
RayPixel PixelOf(bool divided, double afterShare, double line, bool stroked, double x, double y,
                 double width) {
  // The disc of the lines' width about the centre, where they meet, so that their corner is
  // closed: it touches the pixels whose centres lie within its reach of the centre.
  const double discReach = width / 2 + 0.5;
  if (const double r2 = x * x + y * y; stroked && r2 < discReach * discReach)
    line = std::max(line, std::min(discReach - std::sqrt(r2), 1.0));
  return {divided, uint8_t(Coverage(afterShare)), uint8_t(Coverage(1 - afterShare)),
          uint8_t(Coverage(line))};
}

// Whole columns [First, Last] within [0, Width), none when First > Last.
std::pair<int, int> ColumnsWithin(double first, double last, int width) {
  if (!(first <= last) || last < 0 || first >= width) return {1, 0};
  return {int(std::max(first, 0.0)), int(std::min(last, width - 1.0))};
}

}  // namespace

// A ray's pixels on a face of W x H image pixels, each worked out as if no other ray were
// near: by row, spans of columns.
struct kv::PieRays::Kept {
  struct Span {
    int Lo, Hi;    // columns [Lo, Hi]
    size_t First;  // Pixels' index of column Lo
  };
  struct Stencil {
    double Cx, Cy, Dx, Dy, Width;
    bool Stroked;
    int W, H;
    std::vector<uint32_t> RowStart;  // row Y's spans are [RowStart[Y], RowStart[Y + 1])
    std::vector<Span> Spans;
    std::vector<RayPixel> Pixels;
  };
  // Enough for the rays of several moving boundaries; the oldest goes first, staying alive
  // while a composition uses it.
  static constexpr size_t kMostKept = 64;
  std::vector<std::shared_ptr<const Stencil>> Stencils;
  size_t Oldest = 0;

  std::shared_ptr<const Stencil> Of(const SectorRay& ray, double cx, double cy, double dx,
                                    double dy, double width, int w, int h) {
    for (const auto& s : Stencils)
      if (s->Cx == cx && s->Cy == cy && s->Dx == dx && s->Dy == dy && s->Width == width &&
          s->Stroked == ray.Stroked && s->W == w && s->H == h)
        return s;
    auto made =
        std::make_shared<Stencil>(Stencil{cx, cy, dx, dy, width, ray.Stroked, w, h, {}, {}, {}});
    Fill(*made, ray);
    if (Stencils.size() < kMostKept) return Stencils.emplace_back(std::move(made));
    Stencils[Oldest] = made;
    Oldest = (Oldest + 1) % kMostKept;
    return made;
  }

  static void Fill(Stencil& s, const SectorRay& ray) {
    s.RowStart.assign(size_t(s.H) + 1, 0);
    for (int y = 0; y < s.H; ++y) {
      s.RowStart[size_t(y)] = uint32_t(s.Spans.size());
      const double py = y + 0.5 - s.Cy;
      const RowNearRay columns = ColumnsNear(ray, py, s.Cx);
      // The pixels whose centres the ray reaches; past the rim, the one or two its line
      // crosses, where a run of one sector must stop.
      std::array<std::pair<int, int>, 2> spans{
          ColumnsWithin(std::ceil(columns.First), std::floor(columns.Last), s.W),
          columns.Crossing >= 0 ? ColumnsWithin(std::floor(columns.Crossing - 0.5),
                                                std::ceil(columns.Crossing - 0.5), s.W)
                                : std::pair{1, 0}};
      std::sort(spans.begin(), spans.end());
      for (const auto& [lo, hi] : spans) {
        if (lo > hi) continue;
        if (s.RowStart[size_t(y)] < s.Spans.size() && lo <= s.Spans.back().Hi + 1) {
          // Overlapping or next to the span before: one span.
          Span& last = s.Spans.back();
          for (int x = last.Hi + 1; x <= hi; ++x) s.Pixels.push_back(Alone(ray, s, x, py));
          last.Hi = std::max(last.Hi, hi);
          continue;
        }
        s.Spans.push_back({lo, hi, s.Pixels.size()});
        for (int x = lo; x <= hi; ++x) s.Pixels.push_back(Alone(ray, s, x, py));
      }
    }
    s.RowStart[size_t(s.H)] = uint32_t(s.Spans.size());
  }

  // Column X of the row PY below the centre, as the ray alone paints it.
  static RayPixel Alone(const SectorRay& ray, const Stencil& s, int x, double py) {
    const double px = x + 0.5 - s.Cx;
    const RayTouch touch = TouchOf(ray, px, py, s.Width);
    return PixelOf(touch.Touches && touch.Ahead, touch.AfterShare, touch.Line,
                   touch.Touches && ray.Stroked, px, py, s.Width);
  }
};

kv::PieRays::PieRays() : d(std::make_unique<Kept>()) {}
kv::PieRays::~PieRays() = default;

bool kv::ComposesPieFaces() { return tDrawnPieFaces == 0; }
kv::DrawnPieFaces::DrawnPieFaces() { ++tDrawnPieFaces; }
kv::DrawnPieFaces::~DrawnPieFaces() { --tDrawnPieFaces; }

int kv::PieBoundaryReach(int scale) {
  return 1 + int(std::ceil((kHalfDiagonal + 0.5 * scale) / std::max(scale, 1)));
}

QPointF kv::PieCentre(const TRect& box, int scale) {
  return {(double(box.Left) + box.Right) / 2 * scale, (double(box.Top) + box.Bottom) / 2 * scale};
}

QPointF kv::PieRimTowards(const TRect& box, TPoint p, int scale) {
  const QPointF centre = PieCentre(box, 1);
  const double rx = (double(box.Right) - box.Left - 1) / 2;
  const double ry = (double(box.Bottom) - box.Top - 1) / 2;
  const double dx = p.X + 0.5 - centre.x(), dy = p.Y + 0.5 - centre.y();
  const double k = 1 / std::hypot(dx / rx, dy / ry);
  return (centre + QPointF(k * dx, k * dy)) * scale;
}

void kv::PaintPieSectors(TBitmap* target, const TRect& part, QPointF centre,
                         std::span<const PieSector> sectors, uint32_t ink, double width,
                         PieRays& kept) {
  if (sectors.empty()) return;
  const QSize size = sectors.front().Layer->Size();
  TRect r;
  if (!IntersectRect(r, part, Rect(0, 0, std::min(size.width(), target->Image().width()),
                                   std::min(size.height(), target->Image().height()))))
    return;
  const double cx = centre.x(), cy = centre.y();
  std::vector<SectorRay> rays;
  std::vector<std::shared_ptr<const PieRays::Kept::Stencil>> stencils;
  rays.reserve(sectors.size());
  stencils.reserve(sectors.size());
  for (const PieSector& s : sectors) {
    const double dx = s.Rim.x() - cx, dy = s.Rim.y() - cy;
    if (!(std::hypot(dx, dy) > 0)) return;
    rays.emplace_back(dx, dy, width, s.Stroked);
    stencils.push_back(
        kept.Stencils().Of(rays.back(), cx, cy, dx, dy, width, size.width(), size.height()));
  }
  const size_t n = rays.size();
  // The sector a pixel away from every ray lies in: the last one to start at or before its
  // angle, going round.
  const auto sectorAt = [&](double x, double y) {
    const double angle = PseudoAngle(x, y);
    size_t best = n, last = 0;
    for (size_t k = 0; k < n; ++k) {
      if (rays[k].Angle >= rays[last].Angle) last = k;
      if (rays[k].Angle <= angle && (best == n || rays[k].Angle >= rays[best].Angle)) best = k;
    }
    return best == n ? last : best;
  };
  // A pixel by a ray, painted as the canvas paints the sectors' pies one after the other,
  // each filled and then outlined: the earlier sector's layer, the ray's line over it, the
  // later sector's layer over that by its share of the pixel, and the line again. Across is
  // the ray that divides it.
  const auto paint = [&](const RayPixel& p, size_t across, double x, double y, size_t i,
                         uint32_t under) {
    // The line covers it all.
    if (p.Line == 255) return kv::CoverPixel(under, ink, 255);
    const CoverageLayer* earlier = nullptr;
    const CoverageLayer* later = nullptr;
    uint32_t laterCoverage = 255;
    if (!p.Divided || n == 1) {
      earlier = later = sectors[sectorAt(x, y)].Layer;
    } else {
      // The sector a ray starts is painted after the one before it, but for the first ray.
      const size_t before = across == 0 ? n - 1 : across - 1;
      const bool afterIsLater = across != 0;
      earlier = sectors[afterIsLater ? before : across].Layer;
      later = sectors[afterIsLater ? across : before].Layer;
      laterCoverage = afterIsLater ? p.After : p.Before;
    }
    const auto lined = [&](uint32_t pixel) {
      return p.Line == 0 ? pixel : kv::CoverPixel(pixel, ink, p.Line);
    };
    // A layer over another by none or all of the pixel is that one alone.
    if (later == earlier || laterCoverage == 0) return lined(lined(earlier->Over(i, under)));
    if (laterCoverage == 255) return lined(later->Over(i, under));
    return lined(
        kv::CoverPixel(lined(earlier->Over(i, under)), later->Over(i, under), laterCoverage));
  };
  // A pixel by more than one ray: divided by the nearest it lies ahead of, under every line.
  const auto nearRays = [&](double x, double y, size_t i, uint32_t under) {
    size_t across = n;
    double nearest = 0, afterShare = 0, line = 0;
    bool stroked = false;
    for (size_t k = 0; k < n; ++k) {
      const RayTouch touch = TouchOf(rays[k], x, y, width);
      if (!touch.Touches) continue;
      if (touch.Ahead && (across == n || touch.Distance < nearest)) {
        nearest = touch.Distance;
        across = k;
        afterShare = touch.AfterShare;
      }
      if (rays[k].Stroked) {
        stroked = true;
        line = std::max(line, touch.Line);
      }
    }
    return paint(PixelOf(across != n, afterShare, line, stroked, x, y, width), across, x, y, i,
                 under);
  };
  uint32_t* pixels = target->ScanLine(0);
  const qsizetype stride = target->Image().bytesPerLine() / qsizetype(sizeof(uint32_t));
  // The row's spans by a ray, clipped to the part: columns [Lo, Hi], Pixels from column Lo.
  struct Near {
    int Lo, Hi;
    const RayPixel* Pixels;
    size_t Ray;
    bool operator<(const Near& o) const { return Lo < o.Lo; }
  };
  std::vector<Near> near;
  near.reserve(2 * n);
  for (int y = r.Top; y < r.Bottom; ++y) {
    const double py = y + 0.5 - cy;
    near.clear();
    for (size_t k = 0; k < n; ++k) {
      const PieRays::Kept::Stencil& s = *stencils[k];
      for (uint32_t j = s.RowStart[size_t(y)]; j < s.RowStart[size_t(y) + 1]; ++j) {
        const PieRays::Kept::Span& span = s.Spans[j];
        const int lo = std::max(span.Lo, r.Left), hi = std::min(span.Hi, r.Right - 1);
        if (lo <= hi) near.push_back({lo, hi, &s.Pixels[span.First + size_t(lo - span.Lo)], k});
      }
    }
    std::sort(near.begin(), near.end());
    uint32_t* row = pixels + y * stride;
    const size_t first = size_t(y) * size_t(size.width());
    const auto layerRun = [&](int begin, int end) {
      if (begin < end) sectors[sectorAt(begin + 0.5 - cx, py)].Layer->OverRow(row, y, begin, end);
    };
    int x = r.Left;
    for (size_t j = 0; j < near.size(); ++j) {
      const Near& span = near[j];
      layerRun(x, span.Lo);
      // Columns of a later span are by another ray too; those of earlier ones are done.
      const int shared = j + 1 < near.size() ? near[j + 1].Lo : INT_MAX;
      for (x = std::max(x, span.Lo); x <= span.Hi; ++x) {
        const double px = x + 0.5 - cx;
        row[x] = x >= shared
                     ? nearRays(px, py, first + size_t(x), row[x])
                     : paint(span.Pixels[x - span.Lo], span.Ray, px, py, first + size_t(x), row[x]);
      }
    }
    layerRun(x, r.Right);
  }
}

namespace kv {

// ---------------------------------------------------------------------------
// Rows and the part being painted

namespace {

// CopyRows in image pixels, the source at the target's scale.
void CopyImageRows(TBitmap* target, TPoint at, const QImage& source, const TRect& from) {
  const int64_t dx = int64_t(at.X) - from.Left, dy = int64_t(at.Y) - from.Top;
  // The rows and columns both pictures have, inside the target's clip.
  const TRect clip = InImage(target, target->Canvas()->ClipRect());
  const int64_t left = std::max<int64_t>({at.X, clip.Left, dx});
  const int64_t top = std::max<int64_t>({at.Y, clip.Top, dy});
  const int64_t right =
      std::min<int64_t>({int64_t(from.Right) + dx, clip.Right, int64_t(source.width()) + dx});
  const int64_t bottom =
      std::min<int64_t>({int64_t(from.Bottom) + dy, clip.Bottom, int64_t(source.height()) + dy});
  if (left >= right || top >= bottom) return;
  auto* to = reinterpret_cast<uchar*>(target->ScanLine(0));
  const qsizetype stride = target->Image().bytesPerLine();
  const uchar* bits = source.constBits();
  const qsizetype sourceStride = source.bytesPerLine();
  for (int64_t y = top; y < bottom; ++y)
    std::memcpy(to + y * stride + left * 4, bits + (y - dy) * sourceStride + (left - dx) * 4,
                size_t(right - left) * 4);
}

// CopyRows from a source whose scale divides the target's: each source pixel becomes a block
// of target pixels, written straight into the rows (a strip kept at 1x copied every frame).
void CopyEnlargedRows(TBitmap* target, TPoint at, const QImage& source, int sourceScale,
                      const TRect& from) {
  TRect part;
  if (!kv::IntersectRect(part, from,
                         {0, 0, source.width() / sourceScale, source.height() / sourceScale}))
    return;
  const int64_t scale = target->DeviceScale(), factor = scale / sourceScale;
  // The part's place on the target, in image pixels, and what of it the clip leaves.
  const int64_t placeLeft = (int64_t(at.X) + part.Left - from.Left) * scale;
  const int64_t placeTop = (int64_t(at.Y) + part.Top - from.Top) * scale;
  const TRect clip = InImage(target, target->Canvas()->ClipRect());
  const int64_t left = std::max<int64_t>(placeLeft, clip.Left);
  const int64_t top = std::max<int64_t>(placeTop, clip.Top);
  const int64_t right = std::min<int64_t>(placeLeft + int64_t(part.Width()) * scale, clip.Right);
  const int64_t bottom = std::min<int64_t>(placeTop + int64_t(part.Height()) * scale, clip.Bottom);
  if (left >= right || top >= bottom) return;
  uint32_t* pixels = target->ScanLine(0);
  const qsizetype stride = target->Image().bytesPerLine() / qsizetype(sizeof(uint32_t));
  const int64_t sourceLeft = int64_t(part.Left) * sourceScale, sourceTop = int64_t(part.Top) * sourceScale;
  for (int64_t y = top; y < bottom; ++y) {
    uint32_t* row = pixels + y * stride;
    // A row of the block below the first repeats the one above it.
    if (y > top && (y - placeTop) % factor != 0) {
      std::memcpy(row + left, row - stride + left, size_t(right - left) * sizeof(uint32_t));
      continue;
    }
    const auto* in = reinterpret_cast<const uint32_t*>(
                         source.constScanLine(int(sourceTop + (y - placeTop) / factor))) +
                     sourceLeft + (left - placeLeft) / factor;
    // Block by block, the first one cut by the clip.
    int64_t inBlock = (left - placeLeft) % factor;
    for (int64_t x = left; x < right; ++in, inBlock = 0)
      for (; inBlock < factor && x < right; ++inBlock) row[x++] = *in;
  }
}

}  // namespace

void CopyRows(TBitmap* target, TPoint at, const QImage& source, const TRect& from) {
  const int scale = target->DeviceScale();
  const int sourceScale = std::max(1, int(source.devicePixelRatio()));
  if (sourceScale < scale && scale % sourceScale == 0) {
    CopyEnlargedRows(target, at, source, sourceScale, from);
    return;
  }
  if (sourceScale != scale) {
    // A picture kept at another scale: the part copied, its pixels as squares of the target's.
    TRect part;
    if (!kv::IntersectRect(part, from,
                           {0, 0, source.width() / sourceScale, source.height() / sourceScale}))
      return;
    QImage scaled = source
                        .copy(part.Left * sourceScale, part.Top * sourceScale,
                              part.Width() * sourceScale, part.Height() * sourceScale)
                        .scaled(part.Width() * scale, part.Height() * scale);
    scaled.setDevicePixelRatio(scale);
    CopyRows(target,
             {kv::SatAdd(at.X, part.Left - from.Left), kv::SatAdd(at.Y, part.Top - from.Top)},
             scaled, {0, 0, part.Width(), part.Height()});
    return;
  }
  if (scale != 1) {
    const TRect inImage = InImage(target, from);
    at = {kv::SaturateToInt(int64_t(at.X) * scale), kv::SaturateToInt(int64_t(at.Y) * scale)};
    CopyImageRows(target, at, source, inImage);
    return;
  }
  CopyImageRows(target, at, source, from);
}


void FillRects(TBitmap* target, std::span<const TRect> rects, TColor color) {
  const uint32_t pixel = ColorToPixel(color);
  const TRect clip = InImage(target, target->Canvas()->ClipRect());
  uint32_t* pixels = nullptr;  // made writable once, at the first rectangle that shows
  const qsizetype stride = target->Image().bytesPerLine() / qsizetype(sizeof(uint32_t));
  const bool scaled = target->DeviceScale() != 1;
  for (const TRect& given : rects) {
    const TRect r = scaled ? InImage(target, given) : given;
    const int64_t left = std::max(r.Left, clip.Left), right = std::min(r.Right, clip.Right);
    const int64_t top = std::max(r.Top, clip.Top), bottom = std::min(r.Bottom, clip.Bottom);
    if (left >= right || top >= bottom) continue;
    if (!pixels) pixels = target->ScanLine(0);
    for (int64_t y = top; y < bottom; ++y)
      kv::FillPixels(pixels + y * stride + left, pixels + y * stride + right, pixel);
  }
}

TRect PaintRect(const TCanvas* screen, const TRect& client) {
  const TRect r = screen->ClipRect();
  return IsRectEmpty(r) ? client : r;
}

QRect PartToRepaint(const QWidget& control, const TRect& changed) {
  const double ratio = control.devicePixelRatioF();
  const bool fractional = ratio != std::round(ratio);
  const int margin = fractional ? 1 : 0;
  const int64_t left = int64_t(changed.Left) - margin, top = int64_t(changed.Top) - margin;
  const int64_t right = int64_t(changed.Right) + margin, bottom = int64_t(changed.Bottom) + margin;
  const int64_t l = std::max<int64_t>(left, 0), t = std::max<int64_t>(top, 0);
  const int64_t r = std::min<int64_t>(right, control.width());
  const int64_t b = std::min<int64_t>(bottom, control.height());
  if (l >= r || t >= b) return {};
  // The smooth reduction into the window steps along each row from where its painted run
  // starts, in fixed point, so another start can put a pixel a level apart: at a fractional
  // ratio a part starts at the control's left edge, where a whole repaint starts.
  const int64_t from = fractional ? 0 : l;
  return QRect(int(from), int(t), int(r - from), int(b - t));
}

}  // namespace kv

// ---------------------------------------------------------------------------
// Kept pictures and the bottom of a face

bool TKvKeptPicture::Matches(const TKvLayerKey& key, QSize size) const {
  return FSize.isValid() && FSize == size && key.Bytes() == FKey;
}

void TKvKeptPicture::Keep(const TKvLayerKey& key, const QImage& source, const TRect& shown) {
  FKey = key.Bytes().toByteArray();
  FSize = source.size();
  // The part in picture pixels, its pixels at the source's scale. (A null rectangle would
  // copy the whole source.)
  const int scale = std::max(1, int(source.devicePixelRatio()));
  FPixels = kv::IntersectRect(FPart, shown, {0, 0, source.width() / scale, source.height() / scale})
                ? source.copy(FPart.Left * scale, FPart.Top * scale, FPart.Width() * scale,
                              FPart.Height() * scale)
                : QImage();
  FPixels.setDevicePixelRatio(scale);
}

void TKvKeptPicture::CopyTo(TBitmap* target, const TRect* within) const {
  if (!within && FPart.Left == 0 && FPart.Top == 0 && FPixels.size() == target->Image().size() &&
      target->Canvas()->ClipRect() == TRect{0, 0, target->Width(), target->Height()}) {
    // Rows by address: the target's pixels are made writable once, not once a row.
    auto* to = reinterpret_cast<uchar*>(target->ScanLine(0));
    if (target->Image().bytesPerLine() == FPixels.bytesPerLine()) {
      std::memcpy(to, FPixels.constBits(), size_t(FPixels.sizeInBytes()));
      return;
    }
  }
  TRect r = FPart;
  if (within && !kv::IntersectRect(r, *within, FPart)) return;
  CopyTo(target, {r.Left, r.Top}, r);
}

void TKvKeptPicture::CopyTo(TBitmap* target, TPoint at, const TRect& from) const {
  // FPart lies within a picture, so the differences saturate only for rectangles far outside.
  kv::CopyRows(target, at, FPixels,
               {kv::SatSub(from.Left, FPart.Left), kv::SatSub(from.Top, FPart.Top),
                kv::SatSub(from.Right, FPart.Left), kv::SatSub(from.Bottom, FPart.Top)});
}

namespace {

// What a face kept over the clear depends on besides its drawing: what the clear fills with,
// the device scale, and the clip (what it leaves out, the parts of a large control that do not
// show, is not drawn: a face kept under one clip is no face under another).
void AddClear(TKvLayerKey& key, const TKvImageClear& clear) {
  key << clear.Transparent << clear.Fill << clear.Image->DeviceScale()
      << clear.Image->Canvas()->ClipRect();
}

// Whether a paint makes the whole of the clear's image.
bool PaintsWhole(const TKvImageClear& clear) {
  const TRect& r = clear.Within;
  return r.Left <= 0 && r.Top <= 0 && r.Right >= clear.Image->Width() &&
         r.Bottom >= clear.Image->Height();
}

// Copies the kept face onto the clear's image, inside the part being painted.
void CopyKeptFace(const TKvKeptPicture& face, const TKvImageClear& clear) {
  // A paint of the whole image copies the face in one piece.
  face.CopyTo(clear.Image, PaintsWhole(clear) ? nullptr : &clear.Within);
}

// The clear and Drawing make the base afresh, kept in Base, unless Base holds the base of Key
// (with the clear's inputs) at the image's size; then only the brush is left as a clear leaves
// it. True when the base was drawn.
bool DrawBaseUnlessKept(const TKvImageClear& clear, TKvFaceBase& base, TKvLayerKey& key,
                        const std::function<void()>& drawing) {
  TBitmap* image = clear.Image;
  AddClear(key, clear);
  if (!base.Matches(key, image->Image().size())) {
    clear.Clear();
    drawing();
    base.Keep(key, image->Image(), image->Canvas()->ClipRect());
    return true;
  }
  TCanvas* c = image->Canvas();
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
  c->Brush()->SetColor(clear.Brush);
  return false;
}

}  // namespace

void kv::ClearWithBase(const TKvImageClear& clear, TKvFaceBase& base, TKvLayerKey key,
                       const std::function<void()>& drawing) {
  if (!DrawBaseUnlessKept(clear, base, key, drawing)) CopyKeptFace(base, clear);
}

void TKvBaseUnderPieces::Begin(const TKvImageClear& clear, TKvLayerKey key,
                               const std::function<void()>& drawing) {
  const bool drawn = DrawBaseUnlessKept(clear, FBase, key, drawing);
  const TBitmap* image = clear.Image;
  FWhole = PaintsWhole(clear);
  if (!drawn && FWhole && FHolds && image->Image().cacheKey() == FImageKey &&
      image->ChangeStamp() == FImageStamp) {
    for (const TRect& piece : FShown) FBase.CopyTo(clear.Image, &piece);
  } else if (!drawn) {
    CopyKeptFace(FBase, clear);
  }
  FDrawn.clear();
}

void TKvBaseUnderPieces::End(const TBitmap* image) {
  // After a part, the image holds the base under the pieces of frames before it too.
  FHolds = FWhole;
  FShown.swap(FDrawn);
  FImageKey = image->Image().cacheKey();
  FImageStamp = image->ChangeStamp();
}

void TKvKeptLooks::Paint(const TKvImageClear& clear, TKvLayerKey key,
                         const std::function<void()>& drawing) {
  TBitmap* image = clear.Image;
  AddClear(key, clear);
  const QSize size = image->Image().size();
  for (const TKvKeptPicture& look : FLooks) {
    if (look.Matches(key, size)) {
      CopyKeptFace(look, clear);
      return;
    }
  }
  drawing();
  FLooks[FNext].Keep(key, image->Image(), image->Canvas()->ClipRect());
  FNext = (FNext + 1) % FLooks.size();
}

// ---------------------------------------------------------------------------
// Tapes

namespace {

// A tape's room: some steps, so that moves back are rare, but none for a step as wide as
// the face or past the bitmap limit at the scale.
int64_t TapeRoom(int64_t width, int64_t height, int64_t step, int64_t scale) {
  const int64_t room = step < width ? std::max(step, std::min<int64_t>(16 * step, 512)) : 0;
  return (width + room) * height > kv::kMaxBitmapPixels / (scale * scale) ? 0 : room;
}

}  // namespace

TKvTape::TKvTape() : FCanvas(std::make_unique<TCanvas>()) {}

TKvTape::~TKvTape() = default;

bool TKvTape::Keep(int64_t width, int64_t height, int64_t step, int scale) {
  const int64_t room = TapeRoom(width, height, step, scale);
  const QSize size(kv::SaturateToInt((width + room) * scale), kv::SaturateToInt(height * scale));
  FFresh = FImage.size() != size || FScale != scale || FWidth != width;
  if (FImage.size() != size || FScale != scale) {
    FImage = QImage(size, QImage::Format_RGB32);
    FImage.setDevicePixelRatio(scale);
    FBits = FImage.bits();
    FStride = FImage.bytesPerLine();
    FScale = scale;
  }
  FWidth = width;
  if (FImage.isNull()) return false;
  // A kept tape's canvas is still on its window.
  if (FFresh) {
    FWindow = 0;
    Attach();
  }
  return true;
}

void TKvTape::StartAtEnd(bool rightwards) {
  FWindow = rightwards ? Room() : 0;
  Attach();
}

void TKvTape::Scroll(int64_t shift) {
  int64_t to = FWindow - shift;
  if (to < 0 || to > Room()) {
    // At an end of the tape the face's pixels move to the other end first.
    MoveWindow(shift < 0 ? 0 : Room());
    to = FWindow - shift;
  }
  FWindow = to;
  Attach();
}

void TKvTape::MoveWindow(int64_t to) {
  if (to == FWindow) return;
  for (int y = 0; y < FImage.height(); ++y) {
    auto* row = reinterpret_cast<uint32_t*>(FBits + y * FStride);
    std::memmove(row + to * FScale, row + FWindow * FScale,
                 size_t(FWidth * FScale) * sizeof(uint32_t));
  }
  FWindow = to;
}

void TKvTape::Attach() {
  FCanvas->Attach(&FImage, QPoint(int(FWindow * FScale), 0),
                  QRegion(int(FWindow * FScale), 0, int(FWidth * FScale), FImage.height()));
}

void TKvTape::CopyColumns(const QImage& source, int64_t from, int64_t left, int64_t right,
                          int64_t top, int64_t bottom, int64_t down) {
  const int64_t s = FScale;
  const size_t bytes = size_t((right - left) * s) * sizeof(uint32_t);
  const int64_t end = std::min<int64_t>(
      {FImage.height(), source.height() - down * s, std::min(bottom, Height()) * s});
  for (int64_t y = std::max<int64_t>(top, 0) * s; y < end; ++y)
    std::memcpy(reinterpret_cast<uint32_t*>(FBits + y * FStride) + (FWindow + left) * s,
                source.constScanLine(int(y + down * s)) + from * s * 4, bytes);
}

void TKvTape::CopyTo(TBitmap* target) const {
  kv::CopyRows(target, TPoint(0, 0), FImage,
               TRect{int(FWindow), 0, int(FWindow + FWidth), int(Height())});
}

void TKvTape::Show(TCanvas* screen, const TRect& r) const {
  const TCopyMode mode = screen->CopyMode();
  screen->SetCopyMode(TCopyMode::cmSrcCopy);
  screen->CopyRect(r, FCanvas.get(), r);
  screen->SetCopyMode(mode);
}
