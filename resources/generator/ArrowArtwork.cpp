// Block arrows: the spin buttons' three-state strips on fuchsia and the arrow control's
// two-state strips on white. Their fills are exactly green (unlit, disabled) and lime,
// the two colours the controls replace by their palette; outlines and edges use other
// colours, which stay as drawn. Each direction is the upward arrow mirrored or turned.
#include "Artwork.h"
#include "PixelArt.h"

#include <array>
#include <cmath>

namespace kv::art {
namespace {

enum class Direction { Up, Down, Left, Right };

// The upward arrow turned to `direction`; a left or right arrow's cell is the upward
// one's transposed.
Shape Turned(const Shape& up, Direction direction) {
  switch (direction) {
    case Direction::Up: return up;
    case Direction::Down: return up.MirroredY();
    case Direction::Left: return up.Transposed();
    case Direction::Right: return up.Transposed().MirroredX();
  }
  return up;
}

// A head of 45-degree flanks from an apex in the middle of row `top`, widening until row
// `headBottom`, over a stem of columns stemLeft..stemRight down to `bottom`.
Shape UpArrow(int width, int height, int scale, int top, int headBottom, int stemLeft,
              int stemRight, int bottom) {
  const double mid = (width - 1) / 2 + 0.5;
  const Shape head = Shape::Where(width, height, scale, [=](double x, double y) {
    return y >= top && y < headBottom + 1 && std::abs(x - mid) <= y - (top + 0.5);
  });
  return head | Box(width, height, scale, stemLeft, headBottom + 1, stemRight, bottom);
}

// ---------------------------------------------------------------------------
// Spin buttons: 0 disabled (green), 1 normal, 2 pressed (edges swapped), each outlined
// black with a white upper-left and grey lower-right edge inside the outline.

QByteArray SpinStrip(Direction direction, int scale) {
  const bool vertical = direction == Direction::Up || direction == Direction::Down;
  const int upWidth = 21, upHeight = vertical ? 16 : 17;
  const Shape arrow =
      Turned(UpArrow(upWidth, upHeight, scale, 1, 9, 6, 14, upHeight - 2), direction);
  const Shape inside = arrow.Inner();
  const int w = arrow.Width();
  QImage strip = Filled(3 * w, arrow.Height(), vga::Fuchsia);
  for (int cell = 0; cell < 3; ++cell) {
    const QPoint at(cell * w, 0);
    const bool pressed = cell == 2;
    Paint(strip, arrow.Border(), vga::Black, at);
    Paint(strip, inside, cell == 0 ? vga::Green : vga::Lime, at);
    PaintBevel(strip, inside, pressed ? vga::Grey : vga::White, pressed ? vga::White : vga::Grey,
               at);
  }
  return Bmp24(strip);
}

// ---------------------------------------------------------------------------
// The arrow control: cell 0 unlit (green), cell 1 lit (lime), a grey outer and a black
// inner outline, on white. The upward cell is 27 x 28: the head fills rows 0-13, the
// stem columns 6-20 of rows 14-27.

QByteArray BlockStrip(Direction direction, int scale) {
  const Shape arrow = Turned(UpArrow(27, 28, scale, 0, 13, 6, 20, 27), direction);
  const Shape inner = arrow.Inner();
  const int w = arrow.Width();
  QImage strip = Filled(2 * w, arrow.Height(), vga::White);
  for (int cell = 0; cell < 2; ++cell) {
    const QPoint at(cell * w, 0);
    Paint(strip, arrow.Border(), vga::Grey, at);
    Paint(strip, inner.Border(), vga::Black, at);
    Paint(strip, inner.Inner(), cell == 0 ? vga::Green : vga::Lime, at);
  }
  return Bmp24(strip);
}

}  // namespace

std::vector<Asset> ArrowArtwork() {
  return {
      {"ARROWS_UP.bmp", [](int s) { return SpinStrip(Direction::Up, s); }},
      {"ARROWS_DOWN.bmp", [](int s) { return SpinStrip(Direction::Down, s); }},
      {"ARROWS_LEFT.bmp", [](int s) { return SpinStrip(Direction::Left, s); }},
      {"ARROWS_RIGHT.bmp", [](int s) { return SpinStrip(Direction::Right, s); }},
      {"UPARROW.bmp", [](int s) { return BlockStrip(Direction::Up, s); }},
      {"DOWNARROW.bmp", [](int s) { return BlockStrip(Direction::Down, s); }},
      {"LEFTARROW.bmp", [](int s) { return BlockStrip(Direction::Left, s); }},
      {"RIGHTARROW.bmp", [](int s) { return BlockStrip(Direction::Right, s); }},
  };
}

}  // namespace kv::art
