// Deflate compression of stream data: zlib's one-call compression at the default level, in the
// zlib format (two-byte header, Deflate data, Adler-32 checksum). Nothing here inflates.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class PDFDeflate {
 public:
  // Compresses inSource into outCompressed (replacing its content). Returns false, leaving
  // outCompressed empty, when zlib reports an error or the data is too large for one call;
  // callers then do not add the stream.
  static bool Compress(std::span<const uint8_t> inSource, std::vector<uint8_t>& outCompressed);
};
