#include "Pixels.h"

#include <QString>

#include <algorithm>
#include <climits>
#include <optional>
#include <utility>

using kv::IsRectEmpty, kv::Rect;

namespace kvtest {

namespace {

constexpr std::pair<TColor, char> kLetters[] = {
    {clWhite, '.'}, {clBlack, '#'},  {clRed, 'R'},    {clLime, 'G'},
    {clBlue, 'B'},  {clYellow, 'Y'}, {clAqua, 'A'},   {clFuchsia, 'F'},
    {clNavy, 'N'},  {clPurple, 'P'}, {clSilver, 'S'},
};

// Larger pictures are not worth printing as letters.
constexpr int kMaxArtSide = 40;

std::optional<TColor> ColourOf(char letter) {
  for (const auto& [c, l] : kLetters)
    if (l == letter) return c;
  return std::nullopt;
}

bool Near(QRgb a, QRgb b, int tolerance) {
  return qAlpha(a) == qAlpha(b) && std::abs(qRed(a) - qRed(b)) <= tolerance &&
         std::abs(qGreen(a) - qGreen(b)) <= tolerance && std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

QString Describe(QRgb p) {
  QString text = QStringLiteral("0x%1").arg(kv::PixelToColor(p).Value, 6, 16, QChar('0'));
  if (qAlpha(p) != 255) text += QStringLiteral(" (alpha %1)").arg(qAlpha(p));
  return text;
}

}  // namespace

int32_t PixelAt(const QImage& image, int x, int y) {
  if (!image.rect().contains(x, y)) return -1;
  return kv::PixelToColor(image.pixel(x, y)).Value;
}

int CountPixels(const QImage& image, int32_t color) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += PixelAt(image, x, y) == color;
  return n;
}

TRect InkBounds(const QImage& image, int32_t color) {
  TRect r(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (PixelAt(image, x, y) == color)
        r = TRect(std::min(r.Left, x), std::min(r.Top, y), std::max(r.Right, x + 1),
                  std::max(r.Bottom, y + 1));
  return IsRectEmpty(r) ? TRect() : r;
}

std::set<int32_t> Colours(const QImage& image) {
  std::set<int32_t> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(PixelAt(image, x, y));
  return colours;
}

int MixedBlocks(const QImage& image, int scale) {
  int mixed = 0;
  for (int y = 0; y + scale <= image.height(); y += scale)
    for (int x = 0; x + scale <= image.width(); x += scale) {
      const QRgb first = image.pixel(x, y);
      bool same = true;
      for (int j = 0; j < scale && same; ++j)
        for (int i = 0; i < scale && same; ++i) same = image.pixel(x + i, y + j) == first;
      mixed += same ? 0 : 1;
    }
  return mixed;
}

bool IsInk(const QImage& mask, int x, int y) { return PixelAt(mask, x, y) == clWhite.Value; }

Picture::Picture(int width, int height, TColor background) : c(bitmap.Canvas()) {
  bitmap.SetSize(width, height);
  c->Brush()->SetColor(background);
  c->FillRect(Rect(0, 0, width, height));
  c->Brush()->SetColor(clWhite);
}

QImage PictureOf(int width, int height, const std::function<int32_t(int x, int y)>& color) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, kv::ColorToPixel(color(x, y)));
  return image;
}

void UseTextFont(TCanvas* canvas) {
  canvas->Font()->SetName(QStringLiteral("Arial"));
  canvas->Font()->SetHeight(-16);
  canvas->Font()->SetStyle(TFontStyle::fsBold);
}

char Letter(int32_t color) {
  for (const auto& [c, letter] : kLetters)
    if (c.Value == color) return letter;
  return '?';
}

Rows Art(const QImage& image) {
  Rows rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) row += Letter(PixelAt(image, x, y));
    rows.push_back(row);
  }
  return rows;
}

::testing::AssertionResult SamePixels(const QImage& actual, const QImage& expected, int tolerance) {
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure()
           << "size " << actual.width() << "x" << actual.height() << " instead of "
           << expected.width() << "x" << expected.height();
  std::optional<QPoint> first;
  int differing = 0;
  for (int y = 0; y < actual.height(); ++y)
    for (int x = 0; x < actual.width(); ++x)
      if (!Near(actual.pixel(x, y), expected.pixel(x, y), tolerance)) {
        if (!first) first = QPoint(x, y);
        ++differing;
      }
  if (!first) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure();
  failure << differing << (differing == 1 ? " pixel differs" : " pixels differ")
          << ", the first at (" << first->x() << ", " << first->y()
          << "): " << qPrintable(Describe(actual.pixel(*first))) << " instead of "
          << qPrintable(Describe(expected.pixel(*first)));
  if (actual.width() <= kMaxArtSide && actual.height() <= kMaxArtSide) {
    failure << "; actual:";
    for (const std::string& row : Art(actual)) failure << "\n  " << row;
  }
  return failure;
}

::testing::AssertionResult SamePixels(const QImage& actual, const Rows& expected) {
  const int height = int(expected.size());
  const int width = expected.empty() ? 0 : int(expected.front().size());
  QImage picture(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    if (int(expected[size_t(y)].size()) != width)
      return ::testing::AssertionFailure() << "expected row " << y << " has another length";
    for (int x = 0; x < width; ++x) {
      const std::optional<TColor> colour = ColourOf(expected[size_t(y)][size_t(x)]);
      if (!colour)
        return ::testing::AssertionFailure()
               << "expected letter '" << expected[size_t(y)][size_t(x)] << "' names no colour";
      picture.setPixel(x, y, kv::ColorToPixel(*colour));
    }
  }
  return SamePixels(actual, picture);
}

QImage DifferencePicture(const QImage& actual, const QImage& expected, int tolerance) {
  QImage diff(actual.size(), QImage::Format_RGB32);
  for (int y = 0; y < diff.height(); ++y)
    for (int x = 0; x < diff.width(); ++x) {
      const QRgb e = expected.pixel(x, y);
      const int faint = 128 + qGray(e) / 2;
      diff.setPixel(
          x, y,
          Near(actual.pixel(x, y), e, tolerance) ? qRgb(faint, faint, faint) : qRgb(255, 0, 0));
    }
  return diff;
}

std::optional<QPoint> ChangedAwayFromEdges(const QImage& reference, const QImage& other,
                                           int reach) {
  const auto pixel = [](const QImage& image, int x, int y) {
    return reinterpret_cast<const uint32_t*>(image.constScanLine(y))[x] & 0xFFFFFFu;
  };
  for (int y = 0; y < reference.height(); ++y)
    for (int x = 0; x < reference.width(); ++x) {
      const uint32_t colour = pixel(reference, x, y);
      if (pixel(other, x, y) == colour) continue;
      bool edge = false;
      for (int v = std::max(0, y - reach); v <= std::min(reference.height() - 1, y + reach); ++v)
        for (int u = std::max(0, x - reach); u <= std::min(reference.width() - 1, x + reach); ++u)
          edge = edge || pixel(reference, u, v) != colour;
      if (!edge) return QPoint(x, y);
    }
  return std::nullopt;
}

}  // namespace kvtest
