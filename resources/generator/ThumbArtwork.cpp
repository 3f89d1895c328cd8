// The thumbs of the switch, the track bar and the slider: a grey knob with a black
// outline, a white upper-left and grey lower-right bevel and a silver face; the switch's
// and the slider's carry a groove. The bottom-left pixel (black) is their transparent
// colour. Each thumb is named as its control names it: the switch and track bar by the
// control's orientation, the slider by the picture's long axis.
#include "Artwork.h"
#include "PixelArt.h"

#include <optional>

namespace kv::art {
namespace {

struct Groove {
  int x0, y0, x1, y1;  // inclusive
};

QByteArray Thumb(int width, int height, std::optional<Groove> groove, int scale) {
  QImage thumb = Filled(width * scale, height * scale, vga::Black);
  const Shape inside = Box(width, height, scale, 1, 1, width - 2, height - 2);
  Paint(thumb, inside, vga::Silver);
  PaintBevel(thumb, inside, vga::White, vga::Grey);
  if (groove) {
    const Shape g = Box(width, height, scale, groove->x0, groove->y0, groove->x1, groove->y1);
    Paint(thumb, g.Inner(), vga::Black);
    PaintBevel(thumb, g, vga::White, vga::Grey);
  }
  return Bmp24(thumb);
}

}  // namespace

std::vector<Asset> ThumbArtwork() {
  return {
      {"KVSWITCHTHUMB_VERT.bmp",
       [](int s) {
         return Thumb(24, 12, Groove{4, 4, 19, 7}, s);
       }},
      {"KVSWITCHTHUMB_HORI.bmp",
       [](int s) {
         return Thumb(12, 24, Groove{4, 4, 7, 19}, s);
       }},
      {"KVTB_HORI.bmp", [](int s) { return Thumb(9, 17, std::nullopt, s); }},
      {"KVTB_VERT.bmp", [](int s) { return Thumb(17, 9, std::nullopt, s); }},
      {"KVSLIDERTHUMB_HORI.bmp",
       [](int s) {
         return Thumb(30, 13, Groove{4, 4, 25, 8}, s);
       }},
      {"KVSLIDERTHUMB_VERT.bmp",
       [](int s) {
         return Thumb(13, 30, Groove{4, 4, 8, 25}, s);
       }},
  };
}

}  // namespace kv::art
