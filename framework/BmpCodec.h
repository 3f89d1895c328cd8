// Windows BMP files: one file image (a 14-byte file header and a device-independent
// bitmap) decoded to RGB32, and the framework's way of writing one.
//
// The reader treats every field as hostile: each check that fails raises EInvalidGraphic
// naming the check, before any pixel memory is allocated.
#pragma once

#include "KvExport.h"

#include <QByteArray>
#include <QImage>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kv::bmp {

inline constexpr int kFileHeaderSize = 14;
inline constexpr int kInfoHeaderSize = 40;
// The largest image decoded, in pixels (128 MiB as RGB32).
inline constexpr int64_t kPixelBudget = int64_t(1) << 25;
// Run-length data describes at most 255 pixels with each two-byte run; an image that would
// need more than this many pixels per byte of its data is refused, so a small file cannot
// claim a large image that only its end-of-bitmap code leaves blank.
inline constexpr int64_t kRunLengthPixelsPerByte = 256;
// Smaller run-length images are accepted whatever their data.
inline constexpr int64_t kRunLengthFreePixels = int64_t(1) << 16;
// The largest file read: the budget at 32 bits per pixel with room for headers and for
// run-length data that grew instead of shrinking.
inline constexpr int64_t kMaxFileSize = int64_t(1) << 28;

enum Compression : uint32_t { BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3 };

// A decoded image: the pixels, the file's depth and, up to 8 bits per pixel, its colour
// table (0xFFRRGGBB entries).
struct KV_EXPORT Image {
  QImage pixels;  // RGB32
  int bitsPerPixel = 0;
  std::vector<uint32_t> colorTable;
};

// Raises EInvalidGraphic("Bitmap image is not valid: <why>").
[[noreturn]] KV_EXPORT void RaiseInvalid(const QString& why);

// The file size a file header declares (bfSize), after checking the signature "BM" and
// that the size can hold the file header and the smallest info header.
KV_EXPORT int64_t DeclaredFileSize(std::span<const uint8_t> fileHeader);

// Decodes one file image. The span may extend past the declared size; only the declared
// bytes are read.
KV_EXPORT Image Decode(std::span<const uint8_t> file);

// ---------------------------------------------------------------------------
// The device-independent bitmap inside a file, also used by containers that hold one
// without a file header (cursors). Offsets are relative to the start of the info header.

struct KV_EXPORT DibInfo {
  int width = 0;
  int height = 0;  // rows, always positive
  bool topDown = false;
  int bitsPerPixel = 0;
  uint32_t compression = BI_RGB;
  std::array<uint32_t, 3> masks{};  // red, green, blue, for 16 and 32 bits per pixel
  int64_t tableOffset = 0;
  int tableEntries = 0;
  int tableEntrySize = 4;
  int64_t tableEnd = 0;  // where the info header, masks and colour table end
};

// Reads and checks the info header, the colour masks and where the colour table lies.
KV_EXPORT DibInfo ReadDibInfo(std::span<const uint8_t> dib);
KV_EXPORT std::vector<uint32_t> ReadColorTable(std::span<const uint8_t> dib, const DibInfo& info);
// Decodes the pixel rows (or run-length data) that begin at the start of `data`.
// Indices past the colour table give black.
KV_EXPORT QImage DecodePixels(std::span<const uint8_t> data, const DibInfo& info,
                              std::span<const uint32_t> colorTable);
// Bytes per row: rows are padded to 4 bytes.
KV_EXPORT int64_t Stride(int64_t width, int bitsPerPixel);

// ---------------------------------------------------------------------------
// Writing: a file header, a 40-byte info header, the colour table (up to 8 bits per
// pixel) and bottom-up rows padded to 4 bytes. An empty image raises EInvalidGraphic.

KV_EXPORT QByteArray Encode24(const QImage& image);
// At 1, 4 or 8 bits per pixel with the given table (at most 2^bits entries); none when a
// pixel's RGB is not in the table.
KV_EXPORT std::optional<QByteArray> EncodeIndexed(const QImage& image, int bitsPerPixel,
                                                  std::span<const uint32_t> colorTable);
// The same without the file header: the info header, table and rows.
KV_EXPORT std::optional<QByteArray> EncodeIndexedDib(const QImage& image, int bitsPerPixel,
                                                     std::span<const uint32_t> colorTable);

KV_EXPORT void AppendUint16(QByteArray& out, uint16_t v);
KV_EXPORT void AppendUint32(QByteArray& out, uint32_t v);

}  // namespace kv::bmp
