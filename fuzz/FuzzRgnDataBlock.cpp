// Reads the input as a form shape's stored region block (its size, then the bytes) into a
// block that already holds data. A failure must leave the block as it was; a block that
// loads holds exactly the bytes the size announced.
#include "KvFormShape.h"

#include <QtEndian>

#include <cstdlib>

using kv::Exception;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray held("held region data");
  TKvRgnData block;
  block.SetBytes(held);
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  TMemoryStream input(bytes);
  try {
    block.LoadFromStream(input);
  } catch (const Exception&) {
    if (block.Bytes() != held) std::abort();
    return 0;
  }
  if (size < 4) std::abort();  // a size it could not read must have failed
  const int32_t announced = qFromLittleEndian<int32_t>(data);
  const QByteArray expected = announced == 0 ? held : bytes.mid(4, announced);
  if (block.Bytes() != expected) std::abort();
  return 0;
}
