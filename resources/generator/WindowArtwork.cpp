// The demo's 800 x 600 window face, at 1x, 2x and 3x. Pure white marks the outside of the
// window, so the face never uses it (its brightest colour is 254, 254, 254). The outline is
// hard-edged; features inside it are anti-aliased over one image pixel. Shapes and rims are
// measured in artwork pixels, the brushed texture in image pixels; the lettering is the
// generator's pixel font, traced. Its layout leaves room for what sits on it: the
// navigation buttons at (124, 152..296), the frame around the panel box at
// (252, 132, 449 x 325), the clock at (48, 328, 241 x 201), the close and minimise
// buttons at (672 and 696, 68) and the slideshow check box at (630, 460), the last three
// on the panels' colour (53, 72, 111).
#include "Artwork.h"
#include "PixelArt.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdint>

namespace kv::art {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr QRgb kOutside = 0xFFFFFFFFu;
constexpr QRgb kPanel = 0xFF35486Fu;  // (53, 72, 111), the panels' and plates' colour

// Signed distances (negative inside) of the shapes the face is made of.
double RoundBox(double x, double y, double cx, double cy, double halfW, double halfH,
                double radius) {
  const double qx = std::abs(x - cx) - halfW + radius, qy = std::abs(y - cy) - halfH + radius;
  const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - radius;
}
double Circle(double x, double y, double cx, double cy, double r) {
  return std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) - r;
}
// The union of two shapes with a rounded fillet of size k where they meet.
double SmoothUnion(double a, double b, double k) {
  const double h = std::clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
  return b + (a - b) * h - k * h * (1.0 - h);
}

// The window: a body whose sides bow out, so it is widest halfway down, and a tab on
// the top left rising above it.
double Outline(double x, double y) {
  const double t = (y - 308.0) / 264.0;
  const double halfWidth = 380.0 - 26.0 * t * t;
  const double body = RoundBox(x, y, 396.0, 308.0, halfWidth, 264.0, 44.0);
  const double tab = RoundBox(x, y, 182.0, 44.0, 87.0, 20.0, 14.0);
  return SmoothUnion(body, tab, 12.0);
}

// The dark console: the panel box's plate and the clock's round face run into each other.
double Console(double x, double y) {
  const double plate = RoundBox(x, y, 477.0, 306.0, 231.0, 182.0, 12.0);
  const double clock = Circle(x, y, 168.0, 428.0, 90.0);
  return SmoothUnion(plate, clock, 18.0);
}
double ClockFace(double x, double y) { return Circle(x, y, 168.0, 428.0, 84.0); }
double ButtonPlate(double x, double y) { return RoundBox(x, y, 694.0, 78.5, 30.0, 18.0, 9.0); }

// A speaker grille of vertical slots at the right and a row of them along the bottom.
double Grille(double x, double y) {
  double d = 1e9;
  for (int k = 0; k < 5; ++k)
    d = std::min(d, RoundBox(x, y, 726.0 + 7.0 * k, 300.0, 2.0, 110.0, 2.0));
  for (int k = 0; k < 24; ++k)
    d = std::min(d, RoundBox(x, y, 452.0 + 10.0 * k, 540.0, 2.0, 12.0, 2.0));
  return d;
}

struct Screw {
  double x, y;
};
constexpr Screw kScrews[] = {{60, 100}, {734, 120}, {60, 236}, {740, 520}, {300, 536}};

// The outward direction of a shape at (x, y), as how much it faces the upper left
// (1) or the lower right (-1).
template <class Sdf>
double FacingLight(Sdf sdf, double x, double y) {
  const double gx = sdf(x + 0.5, y) - sdf(x - 0.5, y), gy = sdf(x, y + 0.5) - sdf(x, y - 0.5);
  const double len = std::sqrt(gx * gx + gy * gy);
  return len > 0 ? -(gx + gy) / (len * std::numbers::sqrt2) : 0.0;
}

// A small deterministic noise in -1..1.
double Noise(uint32_t a, uint32_t b) {
  uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return (h & 0xFFFFu) / 32767.5 - 1.0;
}

// Where an image pixel of a picture at some scale lies in artwork pixels.
struct Pixel {
  int px, py;  // image pixel
  int scale;
  double x, y;  // its centre, in artwork pixels
  Pixel(int imageX, int imageY, int s)
      : px(imageX), py(imageY), scale(s), x((imageX + 0.5) / s), y((imageY + 0.5) / s) {}
  // The coverage of a shape whose signed distance (artwork pixels) at the centre is d: an
  // edge one image pixel wide.
  double Cover(double d) const { return std::clamp(0.5 - d * scale, 0.0, 1.0); }
};

// Brushed blue metal, lighter at the top: streaks one image row high, three artwork
// pixels long.
QRgb Metal(const Pixel& p) {
  const QRgb top = Rgb(140, 168, 210), bottom = Rgb(94, 120, 170);
  const double streak = 0.025 * Noise(uint32_t(p.py), 1) +
                        0.012 * Noise(uint32_t(p.px / (3 * p.scale)), uint32_t(p.py));
  return Shade(Mix(top, bottom, (double(p.py) / p.scale - 24) / 548.0), 1.0 + streak);
}

// A raised rim `width` pixels deep inside a shape: light on the upper left.
QRgb RaisedRim(QRgb base, double facing) {
  return facing >= 0 ? Mix(base, Rgb(236, 242, 250), facing) : Mix(base, Rgb(38, 50, 80), -facing);
}
// A sunken rim: dark on the upper left.
QRgb SunkenRim(QRgb base, double facing) { return RaisedRim(base, -facing); }

QRgb ScrewPixel(const Pixel& p, QRgb around) {
  const double x = p.x, y = p.y;
  for (const Screw& s : kScrews) {
    const double d = Circle(x, y, s.x, s.y, 6.5);
    if (d > 1.0) continue;
    const double facing =
        FacingLight([&](double px, double py) { return Circle(px, py, s.x, s.y, 6.5); }, x, y);
    QRgb head = Mix(Rgb(150, 170, 200), Rgb(80, 98, 136), (y - s.y + 6.5) / 13.0);
    if (d > -1.5) head = RaisedRim(head, facing);
    // The slot, at 45 degrees.
    const double slot = std::abs((x - s.x) - (y - s.y)) / std::numbers::sqrt2;
    if (slot < 1.2 && d < -1.5) head = Mix(Rgb(40, 52, 82), head, (slot - 1.2) * p.scale + 1.0);
    return Mix(around, head, p.Cover(d));
  }
  return around;
}

QRgb FacePixel(const Pixel& p) {
  const double x = p.x, y = p.y;
  const double edge = Outline(x, y);
  // The rim of the window: a dark line, then a raised bevel.
  QRgb c = Metal(p);
  if (edge > -2.0) return Rgb(30, 40, 66);
  if (edge > -6.0)
    c = RaisedRim(c, 0.85 * FacingLight(&Outline, x, y) * std::min(1.0, (-edge - 2.0) / 2.0 + 0.3));

  // Engraved slots.
  const double grille = Grille(x, y);
  if (grille < 1.0) {
    const QRgb slot =
        grille > -1.0 ? SunkenRim(Rgb(52, 66, 100), FacingLight(&Grille, x, y)) : Rgb(34, 44, 70);
    c = Mix(c, slot, p.Cover(grille));
  }
  c = ScrewPixel(p, c);

  // The plates: panel-coloured, sunk into the face.
  for (const auto plate : {&Console, &ButtonPlate}) {
    const double d = plate(x, y);
    if (d >= 1.0) continue;
    QRgb inside = kPanel;
    if (d > -3.0) inside = SunkenRim(kPanel, 0.9 * FacingLight(plate, x, y));
    c = Mix(c, inside, p.Cover(d));
  }
  // The clock's face: darker glass in a thin bright ring.
  const double clock = ClockFace(x, y);
  if (clock < 1.0) {
    const double r = clock + 84.0;
    QRgb glass = Mix(Rgb(14, 20, 34), Rgb(30, 40, 64), r / 84.0);
    if (clock > -1.5) glass = RaisedRim(Rgb(70, 90, 130), -FacingLight(&ClockFace, x, y));
    c = Mix(c, glass, p.Cover(clock));
  }
  return c;
}

// Whether an image pixel lies inside the window. The window's shape is a mask of whole
// artwork pixels, those whose centre lies inside the outline (a window mask cannot be
// finer); a larger face covers those wholly, so that the outside colour never shows inside
// the shape, and beyond them follows the outline on its finer pixels.
bool InsideWindow(const Pixel& p) {
  return Outline(p.x, p.y) < 0 || Outline(p.px / p.scale + 0.5, p.py / p.scale + 0.5) < 0;
}

// The lettering at 1x in one colour, moved by `offset`, on the outside colour (which the
// face never uses).
QImage Lettering(QRgb color, int offset) {
  QImage letters = Filled(kWidth, kHeight, kOutside);
  const auto write = [&](int x, int y, std::string_view text, int size) {
    DrawText(letters, x + offset, y + offset, text, color, size);
  };
  write(182 - TextWidth("KELVARA", 2) / 2, 32, "KELVARA", 2);
  write(179 - TextWidth("PANELS") / 2, 138, "PANELS", 1);
  write(450, 512, "INSTRUMENT CONTROLS", 1);
  return letters;
}

QImage DrawWindow(int scale) {
  QImage face = Filled(kWidth * scale, kHeight * scale, kOutside);
  // Embossed lettering: dark letters over a light lower-right edge, each traced on its own
  // so that neither takes the other's colour on the diagonals.
  const QImage letters = Traced(Lettering(Rgb(44, 58, 92), 0), scale);
  const QImage edges = Traced(Lettering(Rgb(200, 214, 236), 1), scale);
  for (int py = 0; py < face.height(); ++py) {
    for (int px = 0; px < face.width(); ++px) {
      const Pixel p(px, py, scale);
      if (!InsideWindow(p)) continue;
      const QRgb letter = letters.pixel(px, py), edge = edges.pixel(px, py);
      face.setPixel(px, py, letter != kOutside ? letter : edge != kOutside ? edge : FacePixel(p));
    }
  }
  return face;
}

}  // namespace

std::vector<Asset> WindowArtwork() {
  return {{"DEMO_WINDOW.bmp", [](int s) { return Bmp24(DrawWindow(s)); }, Folder::Demo,
           Versions::LargerAtBuildTime}};
}

}  // namespace kv::art
