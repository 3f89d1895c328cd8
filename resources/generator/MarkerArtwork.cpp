// The small indicator pictures of the jog meter and the thermometer. Both are drawn with
// their background's colour in the bottom-left pixel, which is their transparent colour.
#include "Artwork.h"
#include "PixelArt.h"

#include <array>

namespace kv::art {
namespace {

constexpr int kWidth = 6;
constexpr int kHeight = 9;

// A drawing pin standing on its head: a thin needle above, the wide head below, the
// bottom corners left free so the bottom-left pixel stays background.
constexpr std::array<std::string_view, kHeight> kPin = {
    "..#+..",  //
    "..#+..",  //
    "..#+..",  //
    "..#+..",  //
    ".*##+.",  //
    "*###++",  //
    "####++",  //
    "#+++++",  //
    ".++++.",  //
};

// A triangle pointing left, its tip one pixel proud of the flank.
constexpr std::array<std::string_view, kHeight> kTriangle = {
    ".....*",  //
    "....*#",  //
    "...*##",  //
    "..*###",  //
    "*#####",  //
    "..+###",  //
    "...+##",  //
    "....+#",  //
    ".....+",  //
};

struct MarkerColors {
  QRgb background;
  QRgb light;
  QRgb body;
  QRgb dark;
};

QImage Marker(std::span<const std::string_view> rows, const MarkerColors& c, int scale) {
  QImage image = Filled(kWidth, kHeight, c.background);
  Stamp(image, {}, rows, {{'*', c.light}, {'#', c.body}, {'+', c.dark}});
  return Traced(image, scale);
}

constexpr MarkerColors kBluePin = {vga::Silver, vga::Aqua, vga::Blue, vga::Navy};
constexpr MarkerColors kBlueTriangle = {vga::Olive, vga::Aqua, vga::Blue, vga::Navy};

// A marker of the demo's forms in one indicator colour, shaded from it.
QByteArray DemoMarker(std::span<const std::string_view> rows, QRgb background, QRgb color,
                      int scale) {
  return Bmp24(
      Marker(rows, {background, Mix(color, 0xFFFFFFFFu, 0.55), color, Shade(color, 0.55)}, scale));
}

}  // namespace

std::vector<Asset> MarkerArtwork() {
  return {
      {"NOXPIN.bmp", [](int s) { return Bmp4(Marker(kPin, kBluePin, s)); }},
      {"NOXLEFT.bmp", [](int s) { return Bmp4(Marker(kTriangle, kBlueTriangle, s)); }},
      // The meters form's own markers, in the colours its indicators are set to.
      {"DEMO_JOGMARKER.bmp",
       [](int s) { return DemoMarker(kPin, vga::Silver, Rgb(77, 103, 159), s); }, Folder::Demo},
      {"DEMO_THERMO_SETPOINT.bmp",
       [](int s) { return DemoMarker(kTriangle, vga::Olive, vga::Blue, s); }, Folder::Demo},
      {"DEMO_THERMO_PEAKMIN.bmp",
       [](int s) { return DemoMarker(kTriangle, vga::Olive, vga::Yellow, s); }, Folder::Demo},
      {"DEMO_THERMO_PEAKMAX.bmp",
       [](int s) { return DemoMarker(kTriangle, vga::Olive, vga::Aqua, s); }, Folder::Demo},
      {"DEMO_THERMO_VALUE.bmp",
       [](int s) { return DemoMarker(kTriangle, vga::Olive, vga::Aqua, s); }, Folder::Demo},
  };
}

}  // namespace kv::art
