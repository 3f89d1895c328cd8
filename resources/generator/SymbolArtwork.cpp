// The image LED's symbols: two 22 x 22 cells, off (left) and on (right), on black, which
// the control leaves out. The control tints grey to its palette's Low colour and silver to
// its High colour, so the off symbol is all grey and the on symbol silver, with its
// details in grey so that they show as a darker shade of the lit colour.
#include "Artwork.h"
#include "PixelArt.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kv::art {
namespace {

constexpr int kCell = 22;

struct Symbol {
  Shape body;
  Shape detail;
};

// The shapes of one cell at one scale, in artwork pixels.
struct Cell {
  int scale;
  Shape Empty() const { return Shape(kCell, kCell, scale); }
  Shape Rect(int x0, int y0, int x1, int y1) const {
    return Box(kCell, kCell, scale, x0, y0, x1, y1);
  }
  Shape Round(double cx, double cy, double r) const { return Disc(kCell, kCell, scale, cx, cy, r); }
  Shape Ring(double cx, double cy, double inner, double outer) const {
    return Round(cx, cy, outer) - Round(cx, cy, inner);
  }
  Shape Polygon(std::initializer_list<QPointF> corners) const {
    return PolygonShape(kCell, kCell, scale, corners);
  }
  template <class Predicate>
  Shape Where(Predicate inside) const {
    return Shape::Where(kCell, kCell, scale, inside);
  }
  Shape Stroke(QPointF a, QPointF b, double radius) const;
  Shape Sector(const Shape& shape, double cx, double cy, double from, double to) const;
};

// Pixel centres within `radius` of the segment a-b.
double SegmentDistance(QPointF p, QPointF a, QPointF b) {
  const QPointF ab = b - a;
  const double len2 = QPointF::dotProduct(ab, ab);
  const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0.0;
  const QPointF d = p - (a + t * ab);
  return std::sqrt(QPointF::dotProduct(d, d));
}
Shape Cell::Stroke(QPointF a, QPointF b, double radius) const {
  return Where([=](double x, double y) { return SegmentDistance({x, y}, a, b) <= radius; });
}

// The part of the shape whose direction from (cx, cy) lies between the two angles, in
// degrees clockwise from the positive x axis (y grows downwards).
Shape Cell::Sector(const Shape& shape, double cx, double cy, double from, double to) const {
  return shape & Where([=](double x, double y) {
           const double a = std::atan2(y - cy, x - cx) * 180.0 / std::numbers::pi;
           return a >= from && a <= to;
         });
}

Symbol Sound(const Cell& c) {
  const Shape cone = c.Polygon({{6, 8}, {12, 2.5}, {13, 2.5}, {13, 19.5}, {12, 19.5}, {6, 14}});
  const Shape waves =
      c.Sector(c.Ring(12, 11, 4.6, 6.2) | c.Ring(12, 11, 7.8, 9.4), 12, 11, -50, 50);
  return {cone | waves, c.Rect(2, 8, 5, 13)};
}

Symbol Cd(const Cell& c) {
  const Shape hub = c.Ring(11, 11, 3.2, 4.6);
  const Shape groove = c.Ring(11, 11, 6.6, 7.6);
  const Shape track = c.Sector(groove, 11, 11, -165, -105) | c.Sector(groove, 11, 11, 15, 75);
  return {c.Round(11, 11, 10.4) - c.Round(11, 11, 2.2) - hub - track, hub | track};
}

Symbol Plug(const Cell& c) {
  const Shape prongs = c.Rect(7, 1, 8, 6) | c.Rect(13, 1, 14, 6);
  const Shape head = c.Polygon({{5, 7}, {17, 7}, {17, 12}, {14, 16}, {8, 16}, {5, 12}});
  const Shape cable = c.Rect(10, 16, 11, 19) | c.Rect(10, 19, 15, 20);
  const Shape grip = c.Rect(7, 9, 14, 9) | c.Rect(7, 11, 14, 11);
  return {prongs | (head - grip) | cable, grip};
}

Symbol Mike(const Cell& c) {
  const Shape capsule = c.Stroke({11, 4.5}, {11, 8.5}, 3.6);
  const Shape grille = (c.Rect(8, 4, 13, 4) | c.Rect(8, 6, 13, 6) | c.Rect(8, 8, 13, 8)) & capsule;
  const Shape holder = c.Sector(c.Ring(11, 8.5, 5.4, 6.8), 11, 8.5, 0, 180);
  return {(capsule - grille) | holder | c.Rect(10, 15, 11, 18) | c.Rect(7, 19, 14, 20), grille};
}

Symbol PlayMedia(const Cell& c) {
  return {c.Ring(11, 11, 8.4, 10.4) | c.Polygon({{8, 5.5}, {8, 16.5}, {16.5, 11}}),
          c.Ring(11, 11, 7.4, 8.4)};
}

Symbol Speaker(const Cell& c) {
  const Shape cabinet = c.Rect(4, 0, 17, 21) - c.Rect(6, 2, 15, 19);
  const Shape tweeter = c.Ring(11, 5.5, 1.2, 2.6);
  const Shape woofer = c.Ring(11, 13.5, 3.4, 5.0) | c.Round(11, 13.5, 1.6);
  return {cabinet | tweeter | woofer, c.Ring(11, 13.5, 1.6, 3.4) - c.Ring(11, 13.5, 2.5, 3.4)};
}

Symbol Note(const Cell& c) {
  const Shape heads = c.Where([](double x, double y) {
    const auto head = [&](double cx, double cy) {
      const double u = (x - cx) + 0.5 * (y - cy), v = (y - cy) - 0.3 * (x - cx);
      return u * u / 9.0 + v * v / 4.0 <= 1.0;
    };
    return head(5.5, 17.5) || head(15.5, 15.5);
  });
  const Shape stems = c.Rect(7, 4, 8, 17) | c.Rect(17, 2, 18, 15);
  const Shape beam = c.Polygon({{7, 3}, {19, 1}, {19, 4.5}, {7, 6.5}});
  return {heads | stems | beam, c.Polygon({{9, 8}, {17, 6.5}, {17, 8}, {9, 9.5}})};
}

Symbol PlayBack(const Cell& c) {
  const Shape shell = c.Rect(1, 3, 20, 18) - c.Rect(1, 3, 1, 3) - c.Rect(20, 3, 20, 3) -
                      c.Rect(1, 18, 1, 18) - c.Rect(20, 18, 20, 18);
  const Shape window = c.Rect(5, 6, 16, 11);
  const Shape reels = c.Ring(7.5, 9, 0.8, 2.2) | c.Ring(14.5, 9, 0.8, 2.2);
  const Shape foot = c.Polygon({{6, 18}, {7.5, 14.5}, {14.5, 14.5}, {16, 18}});
  return {(shell - window) | reels | c.Rect(9, 8, 12, 9), foot & shell};
}

Symbol Frequency(const Cell& c) {
  // Three half waves, drawn as a chain of short strokes so the stroke keeps its width
  // where the wave is steep.
  Shape wave = c.Empty();
  QPointF last(1.5, 11.0);
  for (int i = 1; i <= 40; ++i) {
    const double x = 1.5 + i * 0.475;
    const QPointF next(x, 11.0 - 6.5 * std::sin((x - 1.5) / 19.0 * 3.0 * std::numbers::pi));
    wave = wave | c.Stroke(last, next, 1.15);
    last = next;
  }
  Shape axis = c.Empty();
  for (int x = 0; x < kCell; x += 2) axis = axis | c.Rect(x, 11, x, 11);
  return {wave, axis - wave};
}

Symbol Record(const Cell& c) { return {c.Round(11, 11, 5.6), c.Ring(11, 11, 8.4, 10.4)}; }

Symbol Rewind(const Cell& c) {
  return {c.Polygon({{1.5, 11}, {11, 3.5}, {11, 18.5}}) |
              c.Polygon({{10.5, 11}, {20, 3.5}, {20, 18.5}}),
          c.Empty()};
}

Symbol Replay(const Cell& c) {
  const Shape arc = c.Ring(11, 12, 5.6, 8.2) - c.Sector(c.Ring(11, 12, 5.6, 8.2), 11, 12, -85, -15);
  const Shape head = c.Polygon({{10.5, 0}, {10.5, 9.5}, {16.5, 4.75}});
  return {arc | head, c.Polygon({{9.5, 9}, {9.5, 15}, {14, 12}})};
}

QByteArray SymbolStrip(Symbol (*draw)(const Cell&), int scale) {
  const Symbol s = draw(Cell{scale});
  QImage strip = Filled(2 * kCell * scale, kCell * scale, vga::Black);
  Paint(strip, s.body | s.detail, vga::Grey);
  Paint(strip, s.body, vga::Silver, {kCell * scale, 0});
  Paint(strip, s.detail - s.body, vga::Grey, {kCell * scale, 0});
  return Bmp4(strip);
}

}  // namespace

std::vector<Asset> SymbolArtwork() {
  struct Entry {
    const char* fileName;
    Symbol (*draw)(const Cell&);
  };
  static constexpr Entry kSymbols[] = {
      {"IT_SOUND.bmp", &Sound},         {"IT_CD.bmp", &Cd},
      {"IT_PLUG.bmp", &Plug},           {"IT_MIKE.bmp", &Mike},
      {"IT_PLAYMEDIA.bmp", &PlayMedia}, {"IT_SPEAKER.bmp", &Speaker},
      {"IT_NOTE.bmp", &Note},           {"IT_PLAYBACK.bmp", &PlayBack},
      {"IT_FREQUENCY.bmp", &Frequency}, {"IT_RECORD.bmp", &Record},
      {"IT_REWIND.bmp", &Rewind},       {"IT_REPLAY.bmp", &Replay},
  };
  std::vector<Asset> assets;
  for (const Entry& e : kSymbols)
    assets.push_back({e.fileName, [draw = e.draw](int s) { return SymbolStrip(draw, s); }});
  return assets;
}

}  // namespace kv::art
