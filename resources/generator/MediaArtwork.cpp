// The media button's glyph strips: ten 11 x 9 cells in button-type order on olive, the
// glyphs' transparent colour. The enabled strip's symbols are black, the disabled one's
// silver; each sits in a grey edge along its upper/left side and a white edge along its
// lower/right side, drawn on the pixels next to the symbol and cut off at the cell's
// border. The power lamp is the exception: its edges are its own frame.
#include "Artwork.h"
#include "PixelArt.h"

#include <array>
#include <string_view>

namespace kv::art {
namespace {

constexpr int kCellWidth = 11;
constexpr int kCellHeight = 9;
using Glyph = std::array<std::string_view, kCellHeight>;

// Cells 1 to 9: play, pause, stop, previous, back, step, next, record, eject.
constexpr std::array<Glyph, 9> kSymbols = {{
    {"", "...#", "...##", "...####", "...#####", "...####", "...##", "...#"},
    {"", "..###.###", "..###.###", "..###.###", "..###.###", "..###.###", "..###.###", "..###.###"},
    {"", "..#######", "..#######", "..#######", "..#######", "..#######", "..#######", "..#######"},
    {"", ".###....#", ".###...##", ".###.####", ".########", ".###.####", ".###...##", ".###....#"},
    {"", "....#....#", "...##...##", ".####.####", "##########", ".####.####", "...##...##",
     "....#....#"},
    {"", ".#....#", ".##...##", ".####.####", ".##########", ".####.####", ".##...##", ".#....#"},
    {"", "..#....###", "..##...###", "..####.###", "..########", "..####.###", "..##...###",
     "..#....###"},
    {"", "....###", "...#####", "..#######", "..#######", "..#######", "...#####", "....###"},
    {"", ".#########", "..#######", "...#####", "...#####", "....###", ".....#"},
}};

Shape GlyphShape(const Glyph& rows) {
  Shape s(kCellWidth, kCellHeight);
  for (int y = 0; y < kCellHeight; ++y)
    for (int x = 0; x < int(rows[size_t(y)].size()); ++x)
      s.Set(x, y, rows[size_t(y)][size_t(x)] == '#');
  return s;
}

// Grey where the symbol lies below or to the right of a pixel, else white where it lies
// above or to the left.
void PaintEdges(QImage& strip, const Shape& symbol, QPoint at) {
  for (int y = 0; y < kCellHeight; ++y) {
    for (int x = 0; x < kCellWidth; ++x) {
      if (symbol(x, y)) continue;
      if (symbol(x + 1, y) || symbol(x, y + 1)) strip.setPixel(at.x() + x, at.y() + y, vga::Grey);
      else if (symbol(x - 1, y) || symbol(x, y - 1))
        strip.setPixel(at.x() + x, at.y() + y, vga::White);
    }
  }
}

QImage GlyphStrip(bool enabled) {
  QImage strip = Filled(10 * kCellWidth, kCellHeight, vga::Olive);
  const Shape lamp = Box(kCellWidth, kCellHeight, 1, 1, 2, 9, 6);
  Paint(strip, lamp.Inner(), enabled ? vga::Lime : vga::Green);
  PaintBevel(strip, lamp, vga::Grey, vga::White);
  for (size_t k = 0; k < kSymbols.size(); ++k) {
    const QPoint at(int(k + 1) * kCellWidth, 0);
    const Shape symbol = GlyphShape(kSymbols[k]);
    PaintEdges(strip, symbol, at);
    Paint(strip, symbol, enabled ? vga::Black : vga::Silver, at);
  }
  return strip;
}

}  // namespace

std::vector<Asset> MediaArtwork() {
  return {
      {"EN_IMAGES.bmp", [](int s) { return Bmp24(Traced(GlyphStrip(true), s, kCellWidth)); }},
      {"DI_IMAGES.bmp", [](int s) { return Bmp24(Traced(GlyphStrip(false), s, kCellWidth)); }},
  };
}

}  // namespace kv::art
