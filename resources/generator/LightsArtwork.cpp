// The traffic lights' lamp strips: green, yellow and red glass lamps in a metal rim, on
// black, which the control leaves out. Lamps shade with ordered dithering between VGA
// colours and never use black, so no pixel of a lamp turns transparent.
#include "Artwork.h"
#include "PixelArt.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace kv::art {
namespace {

struct Glass {
  QRgb shadow;  // the lower part of the glass
  QRgb body;
  QRgb sparkle;  // the reflection up and to the left
};

struct LampColors {
  Glass on;
  Glass off;
};

// Green, yellow, red. A lit lamp glows in its bright colour with a white sparkle; an
// unlit one keeps its dark colour with a dull reflection.
constexpr std::array<LampColors, 3> kLamps = {{
    {{vga::Green, vga::Lime, vga::White}, {vga::Green, vga::Green, vga::Silver}},
    {{vga::Olive, vga::Yellow, vga::White}, {vga::Olive, vga::Olive, vga::Silver}},
    {{vga::Maroon, vga::Red, vga::White}, {vga::Maroon, vga::Maroon, vga::Silver}},
}};

// The glass, centred on (cx, cy) with half-sizes rx and ry.
struct GlassArea {
  double cx, cy, rx, ry;
};

// The colour of the glass at image pixel (x, y): a soft shadow in its lower part, a round
// sparkle with a speckled halo up and to the left, sized to the glass's smaller side. The
// dither runs on image pixels, so a larger version's shading is finer.
QRgb GlassPixel(const Glass& g, const GlassArea& a, int x, int y) {
  const double u = (x + 0.5 - a.cx) / a.rx, v = (y + 0.5 - a.cy) / a.ry;
  const double size = std::min(a.rx, a.ry) / 5.5;
  const double sx = x + 0.5 - (a.cx - 0.38 * a.rx), sy = y + 0.5 - (a.cy - 0.42 * a.ry);
  const double sparkle = std::sqrt(sx * sx + sy * sy) / size;
  if (sparkle < 1.2) return g.sparkle;
  if (sparkle < 2.1) return DitherThreshold(x, y) < 0.3 ? g.sparkle : g.body;
  const double shade = std::clamp((v + 0.5 * u * u - 0.15) / 0.75, 0.0, 1.0);
  return shade > DitherThreshold(x, y) ? g.shadow : g.body;
}

void PaintLamp(QImage& strip, int cellX, const Shape& lamp, const Glass& glassColors) {
  const Shape rim = lamp.Border();
  const Shape glass = lamp - rim;
  int x0 = lamp.Width(), y0 = lamp.Height(), x1 = -1, y1 = -1;
  for (int y = 0; y < lamp.Height(); ++y)
    for (int x = 0; x < lamp.Width(); ++x)
      if (glass(x, y))
        x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  const GlassArea area = {(x0 + x1 + 1) / 2.0, (y0 + y1 + 1) / 2.0, (x1 - x0 + 1) / 2.0,
                          (y1 - y0 + 1) / 2.0};
  for (int y = 0; y < lamp.Height(); ++y) {
    for (int x = 0; x < lamp.Width(); ++x) {
      if (rim(x, y)) strip.setPixel(cellX + x, y, lamp.FacesLight(x, y) ? vga::Silver : vga::Grey);
      else if (glass(x, y)) strip.setPixel(cellX + x, y, GlassPixel(glassColors, area, x, y));
    }
  }
}

QByteArray LampStrip(const Shape& lamp, bool lit) {
  QImage strip = Filled(3 * lamp.Width(), lamp.Height(), vga::Black);
  for (size_t k = 0; k < kLamps.size(); ++k)
    PaintLamp(strip, int(k) * lamp.Width(), lamp, lit ? kLamps[k].on : kLamps[k].off);
  return Bmp4(strip);
}

// The four lamp outlines, each filling its cell.
Shape RoundLamp(int scale) { return Disc(13, 13, scale, 6.5, 6.5, 6.4); }
// A box filling the cell, without its four corner pixels.
Shape ClippedBox(int width, int height, int scale) {
  return Shape::Where(width, height, scale, [width, height](double x, double y) {
    return !((x < 1 || x > width - 1) && (y < 1 || y > height - 1));
  });
}
Shape RectLamp(int scale) { return ClippedBox(17, 7, scale); }
Shape SquareLamp(int scale) { return ClippedBox(13, 13, scale); }
Shape DiamondLamp(int scale) {
  return Shape::Where(13, 13, scale, [](double x, double y) {
    return std::abs(x - 6.5) + std::abs(y - 6.5) <= 6.6;
  });
}

}  // namespace

std::vector<Asset> LightsArtwork() {
  return {
      {"LIGHTS_RND_OFF.bmp", [](int s) { return LampStrip(RoundLamp(s), false); }},
      {"LIGHTS_RND_ON.bmp", [](int s) { return LampStrip(RoundLamp(s), true); }},
      {"LIGHTS_RECT_OFF.bmp", [](int s) { return LampStrip(RectLamp(s), false); }},
      {"LIGHTS_RECT_ON.bmp", [](int s) { return LampStrip(RectLamp(s), true); }},
      {"LIGHTS_SQR_OFF.bmp", [](int s) { return LampStrip(SquareLamp(s), false); }},
      {"LIGHTS_SQR_ON.bmp", [](int s) { return LampStrip(SquareLamp(s), true); }},
      {"LIGHTS_DMD_OFF.bmp", [](int s) { return LampStrip(DiamondLamp(s), false); }},
      {"LIGHTS_DMD_ON.bmp", [](int s) { return LampStrip(DiamondLamp(s), true); }},
  };
}

}  // namespace kv::art
