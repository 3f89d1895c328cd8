// The one fill of a run of RGB32 pixels and the one blend of a colour over a pixel by its
// coverage, shared by the canvas and the frame cache.
#pragma once

#include <cstdint>
#include <cstring>

namespace kv {

// Writes Color to the pixels [First, Last) a block at a time: the compiler keeps a plain fill
// loop to one pixel per store at the optimisation level we build with.
inline void FillPixels(uint32_t* first, uint32_t* last, uint32_t color) {
  using Quad = uint32_t __attribute__((vector_size(16)));
  const Quad quad = {color, color, color, color};
  for (; last - first >= 8; first += 8) {
    std::memcpy(first, &quad, sizeof quad);
    std::memcpy(first + 4, &quad, sizeof quad);
  }
  for (; first < last; ++first) *first = color;
}

// Color over Pixel by Share (0..255 of the pixel's area), opaque: each channel is Share/255 of
// the colour's plus the rest of the pixel's, each part rounded to the nearest level. Red and
// blue are worked out side by side in one word: a product of two bytes and its rounding stay
// within their sixteen bits.
inline uint32_t CoverPixel(uint32_t pixel, uint32_t color, uint32_t share) {
  // V * By / 255 rounded, as (t + (t >> 8)) >> 8 with t = V * By + 128 is for every product
  // of two bytes, in each half of the word.
  const auto scaled = [](uint32_t lanes, uint32_t by) {
    const uint32_t t = lanes * by + 0x800080u;
    return ((t + ((t >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  };
  const uint32_t rest = 255 - share;
  const uint32_t redBlue = scaled(color & 0xFF00FFu, share) + scaled(pixel & 0xFF00FFu, rest);
  const uint32_t green = scaled(color >> 8 & 0xFFu, share) + scaled(pixel >> 8 & 0xFFu, rest);
  return 0xFF000000u | redBlue | green << 8;
}

}  // namespace kv
