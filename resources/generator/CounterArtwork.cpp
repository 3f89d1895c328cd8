// The counter's digit strips: ten 9 x 13 seven-segment digits, 0 to 9 from left to right.
#include "Artwork.h"
#include "PixelArt.h"

#include <array>
#include <string_view>

namespace kv::art {
namespace {

constexpr int kCellWidth = 9;
constexpr int kCellHeight = 13;

// The seven segments, named a (top) clockwise to f and g (middle), with tapered ends so
// that neighbouring segments stay apart.
constexpr std::array<std::string_view, kCellHeight> kSegments = {
    ".........",  //
    "..aaaaa..",  //
    ".f.aaa.b.",  //
    ".ff...bb.",  //
    ".ff...bb.",  //
    ".f.ggg.b.",  //
    "..ggggg..",  //
    ".e.ggg.c.",  //
    ".ee...cc.",  //
    ".ee...cc.",  //
    ".e.ddd.c.",  //
    "..ddddd..",  //
    ".........",  //
};

constexpr std::array<std::string_view, 10> kDigitSegments = {
    "abcdef", "bc", "abdeg", "abcdg", "bcfg", "acdfg", "acdefg", "abc", "abcdefg", "abcdfg",
};

struct StripColors {
  QRgb background;
  QRgb lit;
  QRgb unlit;  // segments a digit does not use
};

QImage DigitStrip(const StripColors& c) {
  QImage strip = Filled(10 * kCellWidth, kCellHeight, c.background);
  for (int digit = 0; digit < 10; ++digit) {
    const std::string_view on = kDigitSegments[size_t(digit)];
    for (int y = 0; y < kCellHeight; ++y) {
      for (int x = 0; x < kCellWidth; ++x) {
        const char segment = kSegments[size_t(y)][size_t(x)];
        if (segment == '.') continue;
        const bool lit = on.find(segment) != std::string_view::npos;
        strip.setPixel(digit * kCellWidth + x, y, lit ? c.lit : c.unlit);
      }
    }
  }
  return strip;
}

}  // namespace

std::vector<Asset> CounterArtwork() {
  return {
      {"BMCOUNTER.bmp",
       [](int s) {
         return Bmp4(Traced(DigitStrip({vga::Black, vga::Lime, vga::Black}), s, kCellWidth));
       }},
      // The meters form's strip: its background is the framework's button-face colour,
      // which the counter leaves out, so ice-blue digits with faint unlit segments float
      // on the panel.
      {"DEMO_COUNTER.bmp",
       [](int s) {
         return Bmp24(Traced(DigitStrip({Rgb(240, 240, 240), Rgb(170, 225, 255), Rgb(70, 93, 138)}),
                             s, kCellWidth));
       },
       Folder::Demo},
  };
}

}  // namespace kv::art
