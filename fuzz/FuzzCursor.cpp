// Reads the input as a cursor file.
#include "CursorCodec.h"
#include "SysUtils.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const kv::cur::Cursor cursor = kv::cur::Decode(std::span(data, size));
    if (cursor.image.isNull() || !cursor.image.rect().contains(cursor.hotSpot)) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
