// Small bitmaps for canvas tests and their pixels as rows of letters, one letter per
// colour, so that expected pictures can be written out in the test.
#pragma once

#include "Graphics.h"

#include <QImage>

#include <set>
#include <string>
#include <vector>

namespace kvtest {

using Rows = std::vector<std::string>;

// A bitmap of the given size filled with one colour, and its canvas.
struct Picture {
  TBitmap bitmap;
  TCanvas* c;
  Picture(int width, int height, TColor background = clWhite) : c(bitmap.Canvas()) {
    bitmap.SetSize(width, height);
    c->Brush()->SetColor(background);
    c->FillRect(Rect(0, 0, width, height));
    c->Brush()->SetColor(clWhite);
  }
};

// '.' white, '#' black, R red, G lime, B blue, Y yellow, A aqua, F fuchsia, N navy,
// P purple, S silver; '?' anything else.
inline char Letter(int32_t color) {
  static const std::pair<TColor, char> kLetters[] = {
      {clWhite, '.'}, {clBlack, '#'},  {clRed, 'R'},    {clLime, 'G'},
      {clBlue, 'B'},  {clYellow, 'Y'}, {clAqua, 'A'},   {clFuchsia, 'F'},
      {clNavy, 'N'},  {clPurple, 'P'}, {clSilver, 'S'},
  };
  for (const auto& [c, letter] : kLetters)
    if (c.Value == color) return letter;
  return '?';
}

inline Rows Art(const QImage& image) {
  Rows rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) row += Letter(kv::PixelToColor(image.pixel(x, y)));
    rows.push_back(row);
  }
  return rows;
}

inline Rows Art(const Picture& p) { return Art(p.bitmap.Image()); }

// The colours (0x00BBGGRR) that occur in the bitmap.
inline std::set<int32_t> Colours(const QImage& image) {
  std::set<int32_t> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(kv::PixelToColor(image.pixel(x, y)));
  return colours;
}

inline std::set<int32_t> Colours(const Picture& p) { return Colours(p.bitmap.Image()); }

}  // namespace kvtest
