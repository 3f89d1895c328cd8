// Reads the input as BMP files back to back, the way a bitmap list reads its stream.
// Every file that loads must save and load back to the same pixels; a failed load must
// leave the stream where it was.
#include "Graphics.h"

#include <cstdlib>

namespace {

constexpr int kMostFiles = 4;
constexpr int64_t kMostRoundTripPixels = int64_t(1) << 20;

void CheckRoundTrip(const TBitmap& bitmap) {
  if (int64_t(bitmap.Width()) * bitmap.Height() > kMostRoundTripPixels) return;
  TMemoryStream saved;
  bitmap.SaveToStream(saved);
  saved.SetPosition(0);
  TBitmap back;
  back.LoadFromStream(saved);
  if (back.Image() != bitmap.Image() || saved.Position() != saved.Size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  TBitmap bitmap;
  for (int i = 0; i < kMostFiles && stream.Remaining() > 0; ++i) {
    const int64_t start = stream.Position();
    try {
      bitmap.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
      if (stream.Position() != start) std::abort();
      return 0;
    }
    if (stream.Position() <= start) std::abort();
    CheckRoundTrip(bitmap);
  }
  return 0;
}
