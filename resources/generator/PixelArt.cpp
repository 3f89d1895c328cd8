#include "PixelArt.h"

#include "BmpCodec.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kv::art {

QImage Filled(int width, int height, QRgb color) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

QByteArray Bmp4(const QImage& image) {
  const std::optional<QByteArray> file = bmp::EncodeIndexed(image, 4, vga::kTable);
  if (!file) throw std::logic_error("a 4-bit asset holds a colour outside the VGA table");
  return *file;
}

QByteArray Bmp24(const QImage& image) { return bmp::Encode24(image); }

QRgb Rgb(int r, int g, int b) {
  return qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

QRgb Mix(QRgb a, QRgb b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  const auto channel = [t](int from, int to) { return int(std::lround(from + (to - from) * t)); };
  return Rgb(channel(qRed(a), qRed(b)), channel(qGreen(a), qGreen(b)), channel(qBlue(a), qBlue(b)));
}

QRgb Shade(QRgb color, double factor) {
  const auto channel = [factor](int v) { return int(std::lround(v * factor)); };
  return Rgb(channel(qRed(color)), channel(qGreen(color)), channel(qBlue(color)));
}

double DitherThreshold(int x, int y) {
  static constexpr int kBayer[4][4] = {
      {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  return (kBayer[y & 3][x & 3] + 0.5) / 16.0;
}

// ---------------------------------------------------------------------------

int EdgeWidth(int scale) { return (scale + 1) / 2; }

Shape::Shape(int width, int height, int scale)
    : FWidth(std::max(width, 0) * std::max(scale, 1)),
      FHeight(std::max(height, 0) * std::max(scale, 1)),
      FScale(std::max(scale, 1)),
      FBits(size_t(FWidth) * size_t(FHeight), 0) {}

bool Shape::operator()(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return false;
  return FBits[size_t(y) * size_t(FWidth) + size_t(x)] != 0;
}

void Shape::Set(int x, int y, bool on) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  FBits[size_t(y) * size_t(FWidth) + size_t(x)] = on ? 1 : 0;
}

bool Shape::OutsideWithinEdge(int x, int y, int dx, int dy) const {
  for (int k = 1; k <= EdgeWidth(FScale); ++k)
    if (!(*this)(x + k * dx, y + k * dy)) return true;
  return false;
}

Shape Shape::Border() const {
  Shape border = Blank();
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      border.Set(
          x, y,
          (*this)(x, y) && (OutsideWithinEdge(x, y, -1, 0) || OutsideWithinEdge(x, y, 1, 0) ||
                            OutsideWithinEdge(x, y, 0, -1) || OutsideWithinEdge(x, y, 0, 1)));
  return border;
}

Shape Shape::Blank() const { return Shape(FWidth / FScale, FHeight / FScale, FScale); }

Shape Shape::operator-(const Shape& other) const {
  Shape s = Blank();
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) s.Set(x, y, (*this)(x, y) && !other(x, y));
  return s;
}

Shape Shape::operator|(const Shape& other) const {
  Shape s = Blank();
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) s.Set(x, y, (*this)(x, y) || other(x, y));
  return s;
}

Shape Shape::operator&(const Shape& other) const {
  Shape s = Blank();
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) s.Set(x, y, (*this)(x, y) && other(x, y));
  return s;
}

Shape Shape::MirroredX() const {
  Shape s = Blank();
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) s.Set(x, y, (*this)(FWidth - 1 - x, y));
  return s;
}

Shape Shape::MirroredY() const {
  Shape s = Blank();
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) s.Set(x, y, (*this)(x, FHeight - 1 - y));
  return s;
}

Shape Shape::Transposed() const {
  Shape s(FHeight / FScale, FWidth / FScale, FScale);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) s.Set(y, x, (*this)(x, y));
  return s;
}

bool Shape::FacesLight(int x, int y) const {
  return OutsideWithinEdge(x, y, 0, -1) || OutsideWithinEdge(x, y, -1, 0);
}

Shape Disc(int width, int height, int scale, double cx, double cy, double r) {
  return Shape::Where(width, height, scale, [=](double x, double y) {
    return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
  });
}

Shape Box(int width, int height, int scale, int x0, int y0, int x1, int y1) {
  Shape s(width, height, scale);
  for (int y = y0 * scale; y < (y1 + 1) * scale; ++y)
    for (int x = x0 * scale; x < (x1 + 1) * scale; ++x) s.Set(x, y, true);
  return s;
}

Shape PolygonShape(int width, int height, int scale, std::initializer_list<QPointF> corners) {
  const std::vector<QPointF> p(corners);
  return Shape::Where(width, height, scale, [&p](double x, double y) {
    bool inside = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
      if ((p[i].y() > y) != (p[j].y() > y) &&
          x < (p[j].x() - p[i].x()) * (y - p[i].y()) / (p[j].y() - p[i].y()) + p[i].x())
        inside = !inside;
    }
    return inside;
  });
}

void Paint(QImage& image, const Shape& shape, QRgb color, QPoint origin) {
  for (int y = 0; y < shape.Height(); ++y)
    for (int x = 0; x < shape.Width(); ++x)
      if (shape(x, y)) Put(image, origin.x() + x, origin.y() + y, color);
}

void PaintBevel(QImage& image, const Shape& shape, QRgb light, QRgb dark, QPoint origin) {
  const Shape edge = shape.Border();
  for (int y = 0; y < shape.Height(); ++y)
    for (int x = 0; x < shape.Width(); ++x)
      if (edge(x, y))
        Put(image, origin.x() + x, origin.y() + y, shape.FacesLight(x, y) ? light : dark);
}

void Put(QImage& image, int x, int y, QRgb color) {
  if (image.rect().contains(x, y)) image.setPixel(x, y, color);
}

void Stamp(QImage& image, QPoint origin, std::span<const std::string_view> rows,
           std::initializer_list<Ink> key) {
  for (int y = 0; y < int(rows.size()); ++y) {
    for (int x = 0; x < int(rows[size_t(y)].size()); ++x) {
      const char c = rows[size_t(y)][size_t(x)];
      for (const Ink& ink : key)
        if (ink.symbol == c) Put(image, origin.x() + x, origin.y() + y, ink.color);
    }
  }
}

// ---------------------------------------------------------------------------

namespace {

// The 3 x 3 neighbourhood of a pixel, edges repeated at the cell's border:
// a b c / d e f / g h i.
struct Neighbours {
  QRgb a, b, c, d, e, f, g, h, i;
};

Neighbours NeighboursOf(const QImage& picture, const QRect& cell, int x, int y) {
  const auto at = [&](int dx, int dy) {
    return picture.pixel(std::clamp(x + dx, cell.left(), cell.right()),
                         std::clamp(y + dy, cell.top(), cell.bottom()));
  };
  return {at(-1, -1), at(0, -1), at(1, -1), at(-1, 0), at(0, 0),
          at(1, 0),   at(-1, 1), at(0, 1),  at(1, 1)};
}

// The 2 x 2 block of a pixel, row by row: a corner takes the colour two neighbours share
// across it, unless that would cut a straight edge.
std::array<QRgb, 4> BlockOf2(const Neighbours& n) {
  return {n.d == n.b && n.b != n.f && n.d != n.h ? n.d : n.e,
          n.b == n.f && n.b != n.d && n.f != n.h ? n.f : n.e,
          n.d == n.h && n.d != n.b && n.h != n.f ? n.d : n.e,
          n.h == n.f && n.d != n.h && n.b != n.f ? n.f : n.e};
}

// The 3 x 3 block of a pixel, row by row, by the same rule with edge middles that follow
// a corner's colour where the diagonal runs on.
std::array<QRgb, 9> BlockOf3(const Neighbours& n) {
  std::array<QRgb, 9> block;
  block.fill(n.e);
  if (n.b == n.h || n.d == n.f) return block;
  block[0] = n.d == n.b ? n.d : n.e;
  block[1] = (n.d == n.b && n.e != n.c) || (n.b == n.f && n.e != n.a) ? n.b : n.e;
  block[2] = n.b == n.f ? n.f : n.e;
  block[3] = (n.d == n.b && n.e != n.g) || (n.d == n.h && n.e != n.a) ? n.d : n.e;
  block[5] = (n.b == n.f && n.e != n.i) || (n.h == n.f && n.e != n.c) ? n.f : n.e;
  block[6] = n.d == n.h ? n.d : n.e;
  block[7] = (n.d == n.h && n.e != n.i) || (n.h == n.f && n.e != n.g) ? n.h : n.e;
  block[8] = n.h == n.f ? n.f : n.e;
  return block;
}

template <size_t N>
void PutBlock(QImage& image, int x, int y, int scale, const std::array<QRgb, N>& block) {
  for (int dy = 0; dy < scale; ++dy)
    for (int dx = 0; dx < scale; ++dx)
      image.setPixel(x * scale + dx, y * scale + dy, block[size_t(dy * scale + dx)]);
}

}  // namespace

QImage Traced(const QImage& picture, int scale, int cellWidth) {
  if (scale <= 1) return picture;
  QImage traced(picture.width() * scale, picture.height() * scale, picture.format());
  const int cell = cellWidth > 0 ? cellWidth : std::max(picture.width(), 1);
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRect within(x / cell * cell, 0, cell, picture.height());
      const Neighbours n = NeighboursOf(picture, within, x, y);
      if (scale == 2) PutBlock(traced, x, y, scale, BlockOf2(n));
      else if (scale == 3) PutBlock(traced, x, y, scale, BlockOf3(n));
      else
        for (int dy = 0; dy < scale; ++dy)
          for (int dx = 0; dx < scale; ++dx) traced.setPixel(x * scale + dx, y * scale + dy, n.e);
    }
  }
  return traced;
}

namespace {

struct Glyph {
  char c;
  std::array<uint8_t, 7> rows;  // bit 4 is the leftmost column
};

constexpr Glyph kGlyphs[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'*', {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00}},
    {'+', {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00}},
    {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
    {'x', {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}},
};

constexpr int kAdvance = 6;

// Whether the glyph of `c` has a dot at column `col` (0..4), row `row` (0..6); unknown
// characters are blank.
bool GlyphDot(char c, int col, int row) {
  for (const Glyph& g : kGlyphs)
    if (g.c == c) return (g.rows[size_t(row)] >> (4 - col)) & 1;
  return false;
}

}  // namespace

void DrawText(QImage& image, int x, int y, std::string_view text, QRgb color, int scale) {
  for (const char c : text) {
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (GlyphDot(c, col, row))
          for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx)
              Put(image, x + col * scale + dx, y + row * scale + dy, color);
    x += kAdvance * scale;
  }
}

int TextWidth(std::string_view text, int scale) {
  return text.empty() ? 0 : (int(text.size()) * kAdvance - 1) * scale;
}

}  // namespace kv::art
