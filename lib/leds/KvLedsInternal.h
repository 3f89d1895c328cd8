// Helpers of the LEDs that are no API: the row geometry of the scanner and the indicator,
// the dot matrix's font and colour codes.
#pragma once

#include "KvExport.h"

#include "Graphics.h"

#include <cstdint>
#include <functional>

namespace kv {

// The font: 128 glyphs of seven row bytes, top row first; bit 4 is the leftmost dot.
KV_TEST_EXPORT const uint8_t* MatrixGlyph(int code);
// The colour a colour-code character selects: 1-9 and A-G (either case) the fixed colours,
// anything else High.
KV_TEST_EXPORT TColor MatrixCodeColor(char16_t code, TColor High);

// The geometry both LED rows share: Leds LEDs of equal width side by side, Spacing apart, the
// remainder of the width split into margins (the odd pixel on the right). Only the LEDs that
// reach into the control are visited.
class LedRow {
public:
  // Lays the row out in a control of Width x Height; an LED without width draws nothing.
  // Rings is the width of the LEDs' rings together (the widest style's).
  void Layout(int width, int height, int leds, int spacing, int64_t rings);
  bool Empty() const { return FLedWidth <= 0 || FLedHeight <= 0; }
  // Whether an LED covers part of the one before it: then lighting one LED shows through
  // the later ones, and a frame draws every LED again.
  bool Overlaps() const { return FSpacing < 0; }
  int64_t LedWidth() const { return FLedWidth; }
  int64_t Offset() const { return FLedOffset; }
  // The width of one LED cell of the image: the LED itself, or, for an LED far wider than the
  // control, a copy whose middle columns are left out.
  int CellWidth() const { return int(FCellWidth); }
  int LedHeight() const { return int(FLedHeight); }
  // Whether the LEDs stand where Layout put them for these inputs (the rings move none).
  bool LaidOutFor(int width, int height, int leds, int spacing) const;
  // The columns of LEDs First to Last (not included), the full height: all that lighting or
  // darkening them changes. Empty when First >= Last.
  TRect Columns(int64_t first, int64_t last) const;
  // Calls Visit(i) for every LED whose rectangle meets the control, in index order.
  void ForEachVisible(const std::function<void(int64_t)>& visit) const;
  // Copies LED cell Cell (0-based, CellWidth apart in Image) to the place of LED Index on
  // Dest, only inside Within when given.
  void CopyLed(TBitmap* dest, const TBitmap* image, int cell, int64_t index,
               const TRect* within = nullptr) const;

private:
  int64_t FControlWidth = 0;
  int64_t FLeds = 0;
  int64_t FSpacing = 0;
  int64_t FLedWidth = 0;
  int64_t FLedHeight = 0;
  int64_t FLedOffset = 0;
  int64_t FCellWidth = 0;
  // Columns kept at each side of a cell whose middle is left out.
  int64_t FKeep = 0;
};

}  // namespace kv
