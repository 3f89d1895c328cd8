// The dot matrix's character cells: 5 x 7 unlit dots in grey on black, on the pitch of
// each LED style. The control tints grey and replaces black itself, and lights a dot by
// filling a d x d square over it, so the dots sit exactly on (c * (d + 1), r * (d + 1)).
// The dots are pixel art meant to look like the LED squares they are lit as, so the 2x
// and 3x cells repeat pixels.
#include "Artwork.h"
#include "PixelArt.h"

#include <array>
#include <string_view>

namespace kv::art {
namespace {

// One unlit dot of d x d pixels, '#' grey.
constexpr std::array<std::string_view, 1> kDot1 = {"#"};
constexpr std::array<std::string_view, 2> kDot2 = {"#.", ".#"};
constexpr std::array<std::string_view, 3> kDot3 = {".#.", "###", ".#."};

QByteArray MatrixCell(std::span<const std::string_view> dot, int scale) {
  const int d = int(dot.size());
  const int pitch = d + 1;
  QImage cell = Filled(5 * pitch - 1, 7 * pitch - 1, vga::Black);
  for (int r = 0; r < 7; ++r)
    for (int c = 0; c < 5; ++c) Stamp(cell, {c * pitch, r * pitch}, dot, {{'#', vga::Grey}});
  return Bmp4(cell.scaled(cell.size() * scale));
}

}  // namespace

std::vector<Asset> MatrixArtwork() {
  return {
      {"KVMATRIXLED9X13.bmp", [](int s) { return MatrixCell(kDot1, s); }},
      {"KVMATRIXLED14X20.bmp", [](int s) { return MatrixCell(kDot2, s); }},
      {"KVMATRIXLED19X27.bmp", [](int s) { return MatrixCell(kDot3, s); }},
  };
}

}  // namespace kv::art
