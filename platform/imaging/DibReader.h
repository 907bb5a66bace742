// Reading device-independent bitmaps: the info header that follows a bitmap file's header or that
// starts an icon's image, its palette or colour masks, and its rows of pixels (uncompressed at 1,
// 4, 8, 16, 24 or 32 bits, or run-length encoded at 4 or 8 bits). Shared by the bitmap and icon
// sources.
#pragma once

#include "ImageDecoding.h"
#include "ImageSource.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace QxImaging {

// How the rows of a bitmap are stored.
enum class DibCompression { None, BitFields, Rle8, Rle4 };

// Everything needed to decode a bitmap's pixels, read from its info header.
struct DibLayout {
  uint32_t width = 0;
  uint32_t height = 0;
  // Rows stored from the top (a negative height in the header) rather than from the bottom.
  bool topDown = false;
  uint32_t bitsPerPixel = 0;
  DibCompression compression = DibCompression::None;
  // Colour masks of 16-, 24- and 32-bit pixels; an alpha mask of 0 means the pixels are opaque.
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  uint32_t alphaMask = 0;
  // Palette of 1-, 4- and 8-bit pixels as blue, green, red, 255; indexes beyond it give black.
  std::vector<uint32_t> palette;
  // Bytes between the start of one row and the next (uncompressed rows, padded to 4 bytes).
  uint64_t stride = 0;
  // Dots per inch from the header's pixels per metre; 96 when the header gives none.
  float horizontalDpi = 96.0f;
  float verticalDpi = 96.0f;
  // Offsets from the start of the info header: just past the header and its masks (where the
  // palette starts), and just past the palette the header announces (where an icon's pixels start).
  uint64_t paletteStart = 0;
  uint64_t paletteEnd = 0;
};

class DibReader {
 public:
  // Reads the info header at the start of inDib (12-byte core header; 16- to 64-byte OS/2 headers;
  // 40-, 52-, 56-, 108- and 124-byte Windows headers) with its masks and palette. An icon's image
  // (inIcon) stores twice its height in the header (its colour rows, then its 1-bit mask rows).
  // inPaletteLimit, when given and beyond the palette's start, is where the palette must end (the
  // pixel data's offset in a bitmap file); a palette is also cut to the entries that are present.
  // kDamagedData (OutOfMemory) for a damaged or impossible header or a compression not read here,
  // and for a frame beyond FrameSizeAllowed.
  static Status ReadHeader(std::span<const uint8_t> inDib, bool inIcon, std::optional<size_t> inPaletteLimit,
                           DibLayout& outLayout);

  // Decodes the pixels in inPixels (from the first stored row) into outFrame, rows from the top.
  // Uncompressed rows missing at the end of the data read as zero bytes; run-length encoded
  // pixels never written (skipped by a move, or after the end of the data) keep palette entry 0.
  static Status DecodePixels(std::span<const uint8_t> inPixels, const DibLayout& inLayout, DecodedFrame& outFrame);

  // Bytes one uncompressed row of inWidth pixels of inBits bits takes, padded to 4 bytes.
  static uint64_t RowStride(uint64_t inWidth, uint32_t inBits) { return (inWidth * inBits + 31) / 32 * 4; }

 private:
  static void DecodeRows(std::span<const uint8_t> inPixels, const DibLayout& inLayout, DecodedFrame& outFrame);
  static void DecodeRunLengths(std::span<const uint8_t> inPixels, const DibLayout& inLayout, DecodedFrame& outFrame);
};

// Little-endian reads; the caller has checked that the bytes are present.
inline uint32_t ReadLittle16At(std::span<const uint8_t> inBytes, size_t inOffset) {
  return inBytes[inOffset] | (uint32_t{inBytes[inOffset + 1]} << 8);
}
inline uint32_t ReadLittle32At(std::span<const uint8_t> inBytes, size_t inOffset) {
  return ReadLittle16At(inBytes, inOffset) | (ReadLittle16At(inBytes, inOffset + 2) << 16);
}

}  // namespace QxImaging
