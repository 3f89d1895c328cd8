// The LEDs panel's banner picture: every pixel becomes one LED square of a 120 x 20 grid,
// and squares of the top-left pixel's colour show as unlit. The banner reads its pixels as
// that grid's cells and never shows the picture itself, so it comes at 1x only. Amber
// lettering with a cyan star, two pixels to a letter stroke, inside the rows the banner's
// bevel leaves free.
#include "Artwork.h"
#include "PixelArt.h"

#include <string_view>

namespace kv::art {
namespace {

constexpr int kHeight = 20;
constexpr int kTop = 3;  // 14 rows of lettering, rows 3..16
constexpr int kScale = 2;
constexpr int kGap = 12;
constexpr QRgb kUnlit = 0xFF2A1208u;
constexpr std::string_view kFirst = "KELVARA";
constexpr std::string_view kSecond = "CONTROLS";

// Bright yellow at the top of the letters, deep orange at the bottom.
void Colourise(QImage& image, QRgb lit) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == lit)
        image.setPixel(x, y, Mix(Rgb(255, 236, 96), Rgb(255, 96, 24), (y - kTop) / 13.0));
}

QImage DrawBanner() {
  const int star = TextWidth("*", kScale);
  const int width =
      kGap + TextWidth(kFirst, kScale) + kGap + star + kGap + TextWidth(kSecond, kScale) + 2 * kGap;
  QImage banner = Filled(width, kHeight, kUnlit);
  int x = kGap;
  DrawText(banner, x, kTop, kFirst, vga::White, kScale);
  x += TextWidth(kFirst, kScale) + kGap;
  const int starX = x;
  x += star + kGap;
  DrawText(banner, x, kTop, kSecond, vga::White, kScale);
  Colourise(banner, vga::White);
  DrawText(banner, starX, kTop, "*", Rgb(80, 230, 255), kScale);
  return banner;
}

}  // namespace

std::vector<Asset> BannerArtwork() {
  return {
      {"DEMO_BANNER.bmp", [](int) { return Bmp24(DrawBanner()); }, Folder::Demo, Versions::OneX}};
}

}  // namespace kv::art
