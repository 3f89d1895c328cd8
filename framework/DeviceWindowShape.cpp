#include "DeviceWindowShape.h"

#include <QGuiApplication>
#include <QWindow>

#include <cstdint>
#include <limits>
#include <vector>

#if KV_HAVE_XCB_SHAPE
#include <xcb/shape.h>
#include <xcb/xcb.h>
#endif

namespace kv {

namespace {

#if KV_HAVE_XCB_SHAPE
xcb_connection_t* X11Connection() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}
#endif

}  // namespace

bool ShapesInDevicePixels(const QWindow* window) {
#if KV_HAVE_XCB_SHAPE
  return window && window->handle() && X11Connection();
#else
  Q_UNUSED(window);
  return false;
#endif
}

bool ShapeInDevicePixels(const QWindow* window, const QRegion& devicePixels) {
#if KV_HAVE_XCB_SHAPE
  if (!ShapesInDevicePixels(window)) return false;
  constexpr int kLeast = std::numeric_limits<int16_t>::min();
  constexpr int kMost = std::numeric_limits<int16_t>::max();
  std::vector<xcb_rectangle_t> rects;
  rects.reserve(size_t(devicePixels.rectCount()));
  for (const QRect& r : devicePixels) {
    if (r.left() < kLeast || r.top() < kLeast || r.right() >= kMost || r.bottom() >= kMost)
      return false;
    rects.push_back({int16_t(r.left()), int16_t(r.top()), uint16_t(r.width()),
                     uint16_t(r.height())});
  }
  xcb_connection_t* connection = X11Connection();
  xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                       XCB_CLIP_ORDERING_UNSORTED, xcb_window_t(window->winId()), 0, 0,
                       uint32_t(rects.size()), rects.data());
  xcb_flush(connection);
  return true;
#else
  Q_UNUSED(window);
  Q_UNUSED(devicePixels);
  return false;
#endif
}

QRegion LogicalCover(const QRegion& devicePixels, int scale) {
  if (scale <= 1) return devicePixels;
  const auto down = [scale](int v) { return v >= 0 ? v / scale : -((-v + scale - 1) / scale); };
  // United pairwise: one rectangle at a time would cost the square of their count.
  std::vector<QRegion> parts;
  parts.reserve(size_t(devicePixels.rectCount()));
  for (const QRect& r : devicePixels) {
    const int left = down(r.left()), top = down(r.top());
    parts.emplace_back(left, top, down(r.right()) - left + 1, down(r.bottom()) - top + 1);
  }
  for (size_t step = 1; step < parts.size(); step *= 2)
    for (size_t i = 0; i + step < parts.size(); i += 2 * step) parts[i] += parts[i + step];
  return parts.empty() ? QRegion() : parts.front();
}

}  // namespace kv
