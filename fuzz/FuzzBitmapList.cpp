// Reads the input as a bitmap list stream into a list that already holds a bitmap. A
// failure must leave that bitmap as it was; a list that loads must come back whole through
// its own stream.
#include "KvClasses.h"

#include <cstdlib>

using kv::Exception;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TBitmap first;
  first.SetSize(2, 1);
  first.Canvas()->SetPixels(1, 0, clRed);
  TKvBitmaps list;
  list.Add(&first);
  TMemoryStream input(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  try {
    list.LoadFromStream(input);
  } catch (const Exception&) {
    if (list.Count() < 1 || list.Bitmaps(0)->Image() != first.Image()) std::abort();
    return 0;
  }
  TMemoryStream saved;
  list.SaveToStream(saved);
  saved.SetPosition(0);
  TKvBitmaps again;
  again.LoadFromStream(saved);
  if (again.Count() != list.Count()) std::abort();
  for (int i = 0; i < list.Count(); ++i)
    if (again.Bitmaps(i)->Image() != list.Bitmaps(i)->Image()) std::abort();
  return 0;
}
