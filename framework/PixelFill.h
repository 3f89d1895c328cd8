// The one fill of a run of RGB32 pixels, shared by the canvas and the frame cache.
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

}  // namespace kv
