// The wheel's knob (85 x 85) and handle (9 x 9). Their olive corners are the transparent
// colour, so no pixel of a knob or handle is olive.
#include "Artwork.h"
#include "PixelArt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace kv::art {
namespace {

constexpr int kKnob = 85;
constexpr double kCentre = kKnob / 2.0;
constexpr double kPi = std::numbers::pi;

struct Polar {
  double radius;
  double angle;  // radians, clockwise from the positive x axis
  double light;  // -1 (faces the lower right) .. 1 (faces the upper left)
};

Polar PolarAt(double x, double y, double cx, double cy) {
  const double dx = x - cx, dy = y - cy;
  const double r = std::sqrt(dx * dx + dy * dy);
  return {r, std::atan2(dy, dx), r > 0 ? -(dx + dy) / (r * std::numbers::sqrt2) : 0.0};
}

// The centre of the image pixel (x, y) of a picture at `scale`, about (cx, cy).
Polar PolarOfPixel(int x, int y, int scale, double cx, double cy) {
  return PolarAt((x + 0.5) / scale, (y + 0.5) / scale, cx, cy);
}

// The built-in knob in VGA colours: a white upper-left and grey lower-right rim, a ring
// of grip notches, a shallow step down to the face and a small centre cap, on olive.
QRgb VgaKnobPixel(const Polar& p) {
  const auto rim = [&](bool raised) {
    if (p.light > 0.2) return raised ? vga::White : vga::Grey;
    if (p.light < -0.2) return raised ? vga::Grey : vga::White;
    return vga::Silver;
  };
  if (p.radius > 42.4) return vga::Olive;
  if (p.radius > 40.4) return rim(true);
  if (p.radius > 37.0) {
    const bool notch = std::fmod(p.angle + 2 * kPi, kPi / 18) < kPi / 60;
    return notch ? (p.light > 0 ? vga::White : vga::Grey) : vga::Silver;
  }
  if (p.radius > 35.6) return rim(false);
  if (p.radius > 5.4 && p.radius <= 6.6) return rim(true);
  return vga::Silver;
}

QByteArray VgaKnob(int scale) {
  QImage knob = Filled(kKnob * scale, kKnob * scale, vga::Olive);
  for (int y = 0; y < knob.height(); ++y)
    for (int x = 0; x < knob.width(); ++x)
      knob.setPixel(x, y, VgaKnobPixel(PolarOfPixel(x, y, scale, kCentre, kCentre)));
  return Bmp4(knob);
}

constexpr std::array<std::string_view, 9> kVgaHandle = {
    "..#####..",  //
    ".#rrrrr#.",  //
    "#rWrrrrr#",  //
    "#rrrrrrm#",  //
    "#rrrrrrm#",  //
    "#rrrrrmm#",  //
    "#rrrrmmm#",  //
    ".#mmmmm#.",  //
    "..#####..",  //
};

QByteArray VgaHandle(int scale) {
  QImage handle = Filled(9, 9, vga::Olive);
  Stamp(handle, {}, kVgaHandle,
        {{'#', vga::Black}, {'r', vga::Red}, {'m', vga::Maroon}, {'W', vga::White}});
  return Bmp24(Traced(handle, scale));
}

// ---------------------------------------------------------------------------
// The demo's knob: machined aluminium with a knurled dark skirt, anti-aliased against
// the meters panel it sits on; the pixels it does not cover are olive.

constexpr QRgb kPanel = 0xFF35486Fu;  // (53, 72, 111)
constexpr QRgb kFace = 0xFFB4BCC8u;   // the knob's face at the handle's radius, roughly

QRgb DemoKnobColor(const Polar& p) {
  if (p.radius > 38.6) {
    const double ridge = std::cos(p.angle * 60.0);
    return Shade(Rgb(58, 66, 84), 1.0 + 0.25 * p.light + 0.22 * ridge);
  }
  if (p.radius > 36.1) return Mix(Rgb(96, 104, 122), Rgb(236, 240, 246), 0.5 + 0.5 * p.light);
  // Spun metal: two bright wedges across the face, fine concentric turning marks.
  const double spin = std::cos(2.0 * (p.angle + kPi / 4));
  const double turning = std::cos(p.radius * 5.3) * 0.012;
  const double dish = 0.06 * (p.radius / 36.0);
  return Shade(Rgb(176, 184, 196), 1.0 + 0.14 * spin + turning - dish + 0.04 * p.light);
}

// The part of the image pixel (x, y) of a picture at `scale` that lies within `radius` of
// (cx, cy) (artwork pixels), from 4 x 4 samples.
double Coverage(int x, int y, int scale, double cx, double cy, double radius) {
  int inside = 0;
  for (int sy = 0; sy < 4; ++sy)
    for (int sx = 0; sx < 4; ++sx) {
      const double dx = (x + (sx + 0.5) / 4) / scale - cx, dy = (y + (sy + 0.5) / 4) / scale - cy;
      inside += dx * dx + dy * dy <= radius * radius ? 1 : 0;
    }
  return inside / 16.0;
}

QByteArray DemoKnob(int scale) {
  QImage knob = Filled(kKnob * scale, kKnob * scale, vga::Olive);
  for (int y = 0; y < knob.height(); ++y) {
    for (int x = 0; x < knob.width(); ++x) {
      const double cover = Coverage(x, y, scale, kCentre, kCentre, 42.4);
      if (cover == 0) continue;
      knob.setPixel(x, y,
                    Mix(kPanel, DemoKnobColor(PolarOfPixel(x, y, scale, kCentre, kCentre)), cover));
    }
  }
  return Bmp24(knob);
}

// A dimple in the face holding an amber light.
QByteArray DemoHandle(int scale) {
  constexpr double c = 4.5;
  QImage handle = Filled(9 * scale, 9 * scale, vga::Olive);
  for (int y = 0; y < handle.height(); ++y) {
    for (int x = 0; x < handle.width(); ++x) {
      const double cover = Coverage(x, y, scale, c, c, 4.4);
      if (cover == 0) continue;
      const Polar p = PolarOfPixel(x, y, scale, c, c);
      const QRgb dimple = Mix(Rgb(70, 74, 86), Rgb(220, 226, 234), 0.5 - 0.5 * p.light);
      const QRgb lamp = Mix(Rgb(255, 120, 20), Rgb(255, 236, 170),
                            std::max(0.0, 0.5 + 0.6 * p.light - 0.3 * p.radius));
      handle.setPixel(x, y, Mix(kFace, Mix(dimple, lamp, Coverage(x, y, scale, c, c, 2.7)), cover));
    }
  }
  return Bmp24(handle);
}

}  // namespace

std::vector<Asset> WheelArtwork() {
  return {
      {"VWBACK.bmp", &VgaKnob},
      {"VWHANDLE.bmp", &VgaHandle},
      {"DEMO_WHEELKNOB.bmp", &DemoKnob, Folder::Demo},
      {"DEMO_WHEELHANDLE.bmp", &DemoHandle, Folder::Demo},
  };
}

}  // namespace kv::art
