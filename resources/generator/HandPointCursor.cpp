#include "Artwork.h"
#include "CursorCodec.h"
#include "PixelArt.h"

#include <QImage>

#include <array>
#include <string_view>

namespace kv::art {
namespace {

constexpr int kSize = 32;
const QPoint kFingerTip(6, 0);

// '#' black, '.' white, anything else transparent; rows and columns past the end are
// transparent too.
constexpr std::array<std::string_view, 21> kHand = {
    "      ##",           "     #..#",          "     #..#",          "     #..#",
    "     #..#",          "     #..###",        "     #..#..###",     "     #..#..#..##",
    "     #..#..#..#.#",  "  ## #..#..#..#..#", " #..##........#..#", " #...#...........#",
    "  #..............#", "  #..............#", "   #.............#", "   #............#",
    "    #...........#",  "    #..........#",   "     #.........#",   "     #.........#",
    "     ###########",
};

QRgb PixelOf(char c) {
  switch (c) {
    case '#': return 0xFF000000u;
    case '.': return 0xFFFFFFFFu;
    default: return 0x00000000u;
  }
}

QImage DrawHand() {
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < int(kHand.size()); ++y)
    for (int x = 0; x < int(kHand[y].size()); ++x) image.setPixel(x, y, PixelOf(kHand[y][x]));
  return image;
}

}  // namespace

QByteArray HandPointCursor(int scale) {
  return cur::Encode(Traced(DrawHand(), scale), kFingerTip * scale);
}

}  // namespace kv::art
