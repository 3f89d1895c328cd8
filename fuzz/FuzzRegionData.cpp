// Reads the input as a region data block; a region that is accepted must come back
// unchanged through its own data.
#include "Graphics.h"

#include <cstdlib>

using kv::ExtCreateRegion, kv::GetRegionData;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<TRegion> region = ExtCreateRegion(data, int64_t(size));
  if (!region) return 0;
  const QByteArray again = GetRegionData(*region);
  const std::optional<TRegion> back = ExtCreateRegion(again.constData(), again.size());
  if (!back || !(*back == *region)) std::abort();
  return 0;
}
