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

QByteArray Thumb(int width, int height, std::optional<Groove> groove) {
  QImage thumb = Filled(width, height, vga::Black);
  const Shape inside = Box(width, height, 1, 1, width - 2, height - 2);
  Paint(thumb, inside, vga::Silver);
  PaintBevel(thumb, inside, vga::White, vga::Grey);
  if (groove) {
    const Shape g = Box(width, height, groove->x0, groove->y0, groove->x1, groove->y1);
    Paint(thumb, g.Inner(), vga::Black);
    PaintBevel(thumb, g, vga::White, vga::Grey);
  }
  return Bmp24(thumb);
}

}  // namespace

std::vector<Asset> ThumbArtwork() {
  return {
      {"KVSWITCHTHUMB_VERT.bmp",
       [] {
         return Thumb(24, 12, Groove{4, 4, 19, 7});
       }},
      {"KVSWITCHTHUMB_HORI.bmp",
       [] {
         return Thumb(12, 24, Groove{4, 4, 7, 19});
       }},
      {"KVTB_HORI.bmp", [] { return Thumb(9, 17, std::nullopt); }},
      {"KVTB_VERT.bmp", [] { return Thumb(17, 9, std::nullopt); }},
      {"KVSLIDERTHUMB_HORI.bmp",
       [] {
         return Thumb(30, 13, Groove{4, 4, 25, 8});
       }},
      {"KVSLIDERTHUMB_VERT.bmp",
       [] {
         return Thumb(13, 30, Groove{4, 4, 8, 25});
       }},
  };
}

}  // namespace kv::art
