// The review sheet: every asset decoded from the bytes it is written as, enlarged with
// nearest-neighbour scaling (the window face reduced), labelled with its name and laid out
// in rows.
#include "Artwork.h"
#include "BmpCodec.h"
#include "CursorCodec.h"
#include "PixelArt.h"

#include <algorithm>
#include <string>

namespace kv::art {
namespace {

constexpr int kSheetWidth = 1600;
constexpr int kMargin = 16;
constexpr int kLabelScale = 2;
constexpr int kLabelHeight = 7 * kLabelScale + 6;
constexpr int kFrame = 4;
constexpr QRgb kPaper = 0xFFE8E8E8u;
constexpr QRgb kMat = 0xFFA8A8A8u;  // behind each picture, so white and black both show
constexpr QRgb kInk = 0xFF202020u;

struct Tile {
  std::string label;
  QImage picture;
  QPoint at;
  int width() const {
    return std::max(picture.width() + 2 * kFrame, TextWidth(label, kLabelScale));
  }
  int height() const { return kLabelHeight + picture.height() + 2 * kFrame; }
};

QImage Decoded(const QByteArray& bytes, bool cursor) {
  const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                      size_t(bytes.size()));
  return cursor ? cur::Decode(data).image : bmp::Decode(data).pixels;
}

// Small pictures grow by whole factors up to 8; the wide ones shrink by whole factors.
QImage Scaled(const QImage& image) {
  if (image.width() > kSheetWidth / 3) {
    const int down = (image.width() + kSheetWidth / 3 - 1) / (kSheetWidth / 3);
    return image.scaled(image.width() / down, image.height() / down, Qt::IgnoreAspectRatio,
                        Qt::FastTransformation);
  }
  const int up = std::clamp(std::min(480 / image.width(), 176 / image.height()), 1, 8);
  return image.scaled(image.width() * up, image.height() * up, Qt::IgnoreAspectRatio,
                      Qt::FastTransformation);
}

// Places the tiles left to right, starting a new row when one is full; returns the
// sheet's height.
int Layout(std::vector<Tile>& tiles) {
  int x = kMargin, y = kMargin, rowHeight = 0;
  for (Tile& t : tiles) {
    if (x + t.width() > kSheetWidth - kMargin && x > kMargin) {
      x = kMargin;
      y += rowHeight + kMargin;
      rowHeight = 0;
    }
    t.at = QPoint(x, y);
    x += t.width() + kMargin;
    rowHeight = std::max(rowHeight, t.height());
  }
  return y + rowHeight + kMargin;
}

void DrawTile(QImage& sheet, const Tile& t) {
  DrawText(sheet, t.at.x(), t.at.y(), t.label, kInk, kLabelScale);
  const QPoint frame = t.at + QPoint(0, kLabelHeight);
  const QRect mat(frame, QSize(t.picture.width() + 2 * kFrame, t.picture.height() + 2 * kFrame));
  for (int y = mat.top(); y <= mat.bottom(); ++y)
    for (int x = mat.left(); x <= mat.right(); ++x) sheet.setPixel(x, y, kMat);
  for (int y = 0; y < t.picture.height(); ++y) {
    for (int x = 0; x < t.picture.width(); ++x) {
      const QRgb px = t.picture.pixel(x, y);
      if (qAlpha(px) == 0) continue;  // a cursor's transparent pixels
      sheet.setPixel(frame.x() + kFrame + x, frame.y() + kFrame + y, px | 0xFF000000u);
    }
  }
}

}  // namespace

QImage ContactSheet(std::span<const Asset> assets, int scale) {
  std::vector<Tile> tiles;
  for (const Asset& a : assets) {
    const int shown = std::ranges::find(ScalesOf(a), scale) != ScalesOf(a).end() ? scale : 1;
    const std::string label = FileNameAt(a, shown).section(QLatin1Char('.'), 0, 0).toStdString();
    const bool cursor = std::string(a.fileName).ends_with(".cur");
    tiles.push_back({label, Scaled(Decoded(a.make(shown), cursor)), {}});
  }
  QImage sheet = Filled(kSheetWidth, Layout(tiles), kPaper);
  for (const Tile& t : tiles) DrawTile(sheet, t);
  return sheet;
}

}  // namespace kv::art
