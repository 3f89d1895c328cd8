#include "KvLeastSize.h"

#include "KvClasses.h"
#include "KvSysUtils.h"

#include <QWidget>

#include <algorithm>

namespace kv {

TPoint LeastTextSize(const TFont* Font, const QString& Text) {
  if (Text.isEmpty()) return {0, 0};
  TCanvas canvas;
  canvas.SetFont(Font);
  return TextSize(&canvas, Text);
}

TPoint LeastTextSize(const TFont* Font, const TFont* OtherFont, const QString& Text) {
  const TPoint a = LeastTextSize(Font, Text), b = LeastTextSize(OtherFont, Text);
  return {std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TPoint LeastLabels(const TFont* Font, std::initializer_list<QString> Labels) {
  TCanvas canvas;
  canvas.SetFont(Font);
  TPoint least{0, canvas.TextHeight(QString())};
  for (const QString& label : Labels) least.X = std::max(least.X, canvas.TextWidth(label));
  return least;
}

int64_t BevelInset(const TKvBevel* Bevel) {
  TRect r{0, 0, 0, 0};
  Bevel->GetVisibleArea(r);
  return r.Left;
}

TPoint LeastImageTextSize(const TFont* Font, const QString& Caption, TKvImageTextLayout Layout,
                          int Margin, int Spacing, TPoint ImageSize) {
  const TPoint text = LeastTextSize(Font, Caption);
  const bool sideBySide =
      Layout == TKvImageTextLayout::ImageLeft || Layout == TKvImageTextLayout::ImageRight;
  const int64_t margin = std::max(Margin, 0);
  const int64_t spacing = text.X == 0 || ImageSize.X == 0 ? 0 : std::max(Spacing, 0);
  const int64_t imageX = std::max(ImageSize.X, 0), imageY = std::max(ImageSize.Y, 0);
  const int64_t along = margin + spacing + (sideBySide ? imageX + text.X : imageY + text.Y);
  const int64_t across = sideBySide ? std::max<int64_t>(imageY, text.Y)
                                    : std::max<int64_t>(imageX, text.X);
  return sideBySide ? TPoint(SaturateToInt(along), SaturateToInt(across))
                    : TPoint(SaturateToInt(across), SaturateToInt(along));
}

QSize LeastSizeHint(int64_t Width, int64_t Height, int64_t Inset) {
  const auto side = [&](int64_t inside) {
    return int(std::clamp<int64_t>(std::max<int64_t>(inside, 0) + 2 * std::max<int64_t>(Inset, 0),
                                   1, QWIDGETSIZE_MAX));
  };
  return {side(Width), side(Height)};
}

QSize LeastTickBar(bool Vertical, int TickHeight, int64_t Bevel) {
  const int64_t tick = std::max(TickHeight, 1);
  return Vertical ? LeastSizeHint(1, tick, Bevel) : LeastSizeHint(tick, 1, Bevel);
}

}  // namespace kv
