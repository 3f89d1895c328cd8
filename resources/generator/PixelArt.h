// The generator's drawing kit: exact colours on RGB32 images, pixel sets for shapes, a
// small pixel font and the two file depths the artwork is written in. Nothing here blends
// colours behind the caller's back, so keyed and tinted colours stay exact.
//
// Artwork comes at 1x, 2x and 3x. Sizes and coordinates of a drawing are in artwork pixels;
// a shape of scale s holds s x s image pixels per artwork pixel and is traced on them, so
// curves and diagonals step by one image pixel, and its edges are EdgeWidth(s) image
// pixels wide. Images are in image pixels.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPointF>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace kv::art {

// The standard 16-colour VGA table, the colour table of every 4-bit asset.
namespace vga {
inline constexpr QRgb Black = 0xFF000000u;
inline constexpr QRgb Maroon = 0xFF800000u;
inline constexpr QRgb Green = 0xFF008000u;
inline constexpr QRgb Olive = 0xFF808000u;
inline constexpr QRgb Navy = 0xFF000080u;
inline constexpr QRgb Purple = 0xFF800080u;
inline constexpr QRgb Teal = 0xFF008080u;
inline constexpr QRgb Silver = 0xFFC0C0C0u;
inline constexpr QRgb Grey = 0xFF808080u;
inline constexpr QRgb Red = 0xFFFF0000u;
inline constexpr QRgb Lime = 0xFF00FF00u;
inline constexpr QRgb Yellow = 0xFFFFFF00u;
inline constexpr QRgb Blue = 0xFF0000FFu;
inline constexpr QRgb Fuchsia = 0xFFFF00FFu;
inline constexpr QRgb Aqua = 0xFF00FFFFu;
inline constexpr QRgb White = 0xFFFFFFFFu;
inline constexpr std::array<uint32_t, 16> kTable = {Black, Maroon,  Green, Olive, Navy, Purple,
                                                    Teal,  Silver,  Grey,  Red,   Lime, Yellow,
                                                    Blue,  Fuchsia, Aqua,  White};
}  // namespace vga

// An opaque RGB32 image filled with one colour.
QImage Filled(int width, int height, QRgb color);
// A 4-bit file with the VGA table; throws std::logic_error when a pixel is not a VGA colour.
QByteArray Bmp4(const QImage& image);
QByteArray Bmp24(const QImage& image);

// The colour (r, g, b) with each channel clamped to 0..255.
QRgb Rgb(int r, int g, int b);
// a + (b - a) * t per channel, t clamped to 0..1, rounded to nearest.
QRgb Mix(QRgb a, QRgb b, double t);
// The colour scaled by a brightness factor (clamped per channel).
QRgb Shade(QRgb color, double factor);

// The 4 x 4 ordered-dither threshold at (x, y), in (0, 1).
double DitherThreshold(int x, int y);

// The width in image pixels of an edge (outline, bevel, rim) at a scale: one pixel at 1x
// and 2x, two at 3x, so that a larger version has edges finer than its artwork pixels.
int EdgeWidth(int scale);

// A set of image pixels on a grid of width x height artwork pixels at `scale` image pixels
// each; pixels off the grid are never in it.
class Shape {
public:
  Shape(int width, int height, int scale = 1);
  // The image pixels whose centre, in artwork pixels, satisfies `inside`.
  template <class Predicate>
  static Shape Where(int width, int height, int scale, Predicate inside) {
    Shape s(width, height, scale);
    for (int y = 0; y < s.FHeight; ++y)
      for (int x = 0; x < s.FWidth; ++x)
        s.Set(x, y, inside((x + 0.5) / s.FScale, (y + 0.5) / s.FScale));
    return s;
  }

  // In image pixels.
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  int Scale() const { return FScale; }
  bool operator()(int x, int y) const;
  void Set(int x, int y, bool on);

  // The pixels of the shape with a 4-neighbour outside it within EdgeWidth of the scale:
  // an outline that follows diagonals without doubling.
  Shape Border() const;
  // The shape without its border.
  Shape Inner() const { return *this - Border(); }
  Shape operator-(const Shape& other) const;
  Shape operator|(const Shape& other) const;
  Shape operator&(const Shape& other) const;
  Shape MirroredX() const;
  Shape MirroredY() const;
  // Rows become columns (a quarter turn combined with a mirror).
  Shape Transposed() const;

  // True when the pixel's upper or left neighbour lies outside: the side a light from
  // the upper left falls on.
  bool FacesLight(int x, int y) const;

private:
  // An empty shape on the same grid.
  Shape Blank() const;
  // Whether a pixel within the edge width of (x, y), stepping (dx, dy), lies outside.
  bool OutsideWithinEdge(int x, int y, int dx, int dy) const;
  int FWidth;
  int FHeight;
  int FScale;
  std::vector<uint8_t> FBits;
};

// Pixel centres within distance r of (cx, cy); all in artwork pixels.
Shape Disc(int width, int height, int scale, double cx, double cy, double r);
// The artwork pixels of the rectangle columns x0..x1, rows y0..y1 (inclusive).
Shape Box(int width, int height, int scale, int x0, int y0, int x1, int y1);
// Pixel centres inside the polygon (even-odd rule), corners in artwork pixels.
Shape PolygonShape(int width, int height, int scale, std::initializer_list<QPointF> corners);

// A picture drawn pixel by pixel at 1x, traced at `scale`: each artwork pixel becomes an
// s x s block whose corners take a neighbour's colour where two neighbours of one colour
// meet across it, so diagonals step by image pixels and every colour stays exact. The
// picture is traced cell by cell (cells `cellWidth` wide, 0 for one cell), so nothing
// crosses between cells; a scale other than 2 or 3 repeats pixels.
QImage Traced(const QImage& picture, int scale, int cellWidth = 0);

// Sets every pixel of the shape, placed with its (0, 0) at `origin` (image pixels), to
// the colour.
void Paint(QImage& image, const Shape& shape, QRgb color, QPoint origin = {});
// Paints the shape's border: the pixels facing the upper left in `light`, the others in
// `dark`, as a raised frame.
void PaintBevel(QImage& image, const Shape& shape, QRgb light, QRgb dark, QPoint origin = {});
// Sets one pixel when it lies on the image.
void Put(QImage& image, int x, int y, QRgb color);

// A picture given as rows of characters; `key` maps a character to its colour, and
// characters it does not list are left alone.
struct Ink {
  char symbol;
  QRgb color;
};
void Stamp(QImage& image, QPoint origin, std::span<const std::string_view> rows,
           std::initializer_list<Ink> key);

// The generator's 5 x 7 capital letters, digits and a little punctuation, so that text
// comes out the same on every machine. Each glyph advances 6 pixels times `scale`.
void DrawText(QImage& image, int x, int y, std::string_view text, QRgb color, int scale = 1);
int TextWidth(std::string_view text, int scale = 1);

}  // namespace kv::art
