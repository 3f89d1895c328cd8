// The region data block: regions to and from their rectangle lists.
#include "Graphics.h"

#include <QtEndian>

#include <limits>
#include <vector>

namespace {

constexpr int kHeaderSize = 32;
constexpr uint32_t kRectangleType = 1;
constexpr int kRectSize = 16;
// Rectangles reach at most this far from the origin, so that no width or height computed
// from them overflows.
constexpr int32_t kCoordinateLimit = int32_t(1) << 28;
// Rectangles that arrive in another form than QRegion's own are united in groups of this
// many, then the groups pairwise: no union grows with the whole list.
constexpr size_t kUnionGroup = 32;

void PutInt(QByteArray& data, int64_t at, int32_t v) {
  qToLittleEndian<int32_t>(v, data.data() + at);
}
int32_t GetInt(const uint8_t* data, int64_t at) { return qFromLittleEndian<int32_t>(data + at); }

void PutRect(QByteArray& data, int64_t at, const QRect& r) {
  PutInt(data, at, r.left());
  PutInt(data, at + 4, r.top());
  PutInt(data, at + 8, r.left() + r.width());
  PutInt(data, at + 12, r.top() + r.height());
}

bool InRange(int32_t v) { return v >= -kCoordinateLimit && v <= kCoordinateLimit; }

// True when the list is already in QRegion's own form: bands of equal height sorted by
// top and not overlapping, each sorted by left with gaps between its rectangles.
bool IsBanded(const std::vector<QRect>& rects) {
  for (size_t band = 0; band < rects.size();) {
    size_t end = band + 1;
    for (; end < rects.size() && rects[end].top() == rects[band].top(); ++end)
      if (rects[end].bottom() != rects[band].bottom() ||
          rects[end].left() <= rects[end - 1].right() + 1)
        return false;
    if (band > 0 && rects[band].top() <= rects[band - 1].bottom()) return false;
    band = end;
  }
  return true;
}

QRegion UniteAll(const std::vector<QRect>& rects) {
  std::vector<QRegion> parts;
  for (size_t i = 0; i < rects.size(); i += kUnionGroup) {
    QRegion group;
    for (size_t j = i; j < std::min(rects.size(), i + kUnionGroup); ++j) group += rects[j];
    parts.push_back(group);
  }
  while (parts.size() > 1) {
    std::vector<QRegion> next;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) next.push_back(parts[i].united(parts[i + 1]));
    if (parts.size() % 2 != 0) next.push_back(parts.back());
    parts.swap(next);
  }
  return parts.empty() ? QRegion() : parts.front();
}

QRegion BuildRegion(const std::vector<QRect>& rects) {
  if (rects.size() > size_t(std::numeric_limits<int>::max()) || !IsBanded(rects))
    return UniteAll(rects);
  QRegion region;
  region.setRects(rects.data(), int(rects.size()));
  return region;
}

}  // namespace

QByteArray kv::GetRegionData(const TRegion& region) {
  const QRegion& r = region.ToQRegion();
  const int count = r.rectCount();
  QByteArray data(qsizetype(kHeaderSize + int64_t(kRectSize) * count), '\0');
  PutInt(data, 0, kHeaderSize);
  PutInt(data, 4, kRectangleType);
  PutInt(data, 8, count);
  PutInt(data, 12, int32_t(int64_t(kRectSize) * count));
  PutRect(data, 16, r.boundingRect());
  int64_t at = kHeaderSize;
  for (const QRect& rect : r) {
    PutRect(data, at, rect);
    at += kRectSize;
  }
  return data;
}

std::optional<TRegion> kv::ExtCreateRegion(const void* data, int64_t size) {
  if (!data || size < kHeaderSize) return std::nullopt;
  const auto* bytes = static_cast<const uint8_t*>(data);
  const int64_t count = qFromLittleEndian<uint32_t>(bytes + 8);
  const int64_t rectBytes = qFromLittleEndian<uint32_t>(bytes + 12);
  if (GetInt(bytes, 0) != kHeaderSize || qFromLittleEndian<uint32_t>(bytes + 4) != kRectangleType ||
      rectBytes != kRectSize * count || kHeaderSize + rectBytes > size)
    return std::nullopt;
  std::vector<QRect> rects;
  rects.reserve(size_t(count));
  for (int64_t at = kHeaderSize; at < kHeaderSize + rectBytes; at += kRectSize) {
    const int32_t left = GetInt(bytes, at), top = GetInt(bytes, at + 4);
    const int32_t right = GetInt(bytes, at + 8), bottom = GetInt(bytes, at + 12);
    if (left > right || top > bottom) return std::nullopt;
    if (!InRange(left) || !InRange(top) || !InRange(right) || !InRange(bottom)) return std::nullopt;
    if (left < right && top < bottom)
      rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
  }
  return TRegion(BuildRegion(rects));
}
