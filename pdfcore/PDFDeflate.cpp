#include "pdfcore/PDFDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <new>

bool PDFDeflate::Compress(std::span<const uint8_t> inSource, std::vector<uint8_t>& outCompressed) {
  outCompressed.clear();
  if (inSource.size() > UINT32_MAX / 2) return false;
  const uLong theSourceLength = static_cast<uLong>(inSource.size());
  // Room for the source plus a hundredth of it plus 12 bytes, and never less than zlib's own bound.
  uLong theRoom = theSourceLength + theSourceLength / 100 + 12;
  if (compressBound(theSourceLength) > theRoom) theRoom = compressBound(theSourceLength);
  // The same stream as one compress() call (default level, all input at once, finished in one
  // go); the output is taken a piece at a time, so that only the bytes written are ever touched
  // and the vector ends at its final size without a copy.
  z_stream theStream{};
  if (deflateInit(&theStream, Z_DEFAULT_COMPRESSION) != Z_OK) return false;
  theStream.next_in = const_cast<Bytef*>(inSource.empty() ? reinterpret_cast<const Bytef*>("") : inSource.data());
  theStream.avail_in = static_cast<uInt>(theSourceLength);
  constexpr size_t kPiece = size_t{1} << 20;
  int theResult = Z_OK;
  try {
    outCompressed.reserve(theRoom);
    while (theResult == Z_OK) {
      const size_t theUsed = outCompressed.size();
      const size_t thePiece = std::min<size_t>(kPiece, theRoom - theUsed);
      if (thePiece == 0) break;
      outCompressed.resize(theUsed + thePiece);
      theStream.next_out = outCompressed.data() + theUsed;
      theStream.avail_out = static_cast<uInt>(thePiece);
      theResult = deflate(&theStream, Z_FINISH);
      outCompressed.resize(theUsed + thePiece - theStream.avail_out);
    }
  } catch (const std::bad_alloc&) {
    theResult = Z_MEM_ERROR;
  }
  deflateEnd(&theStream);
  if (theResult != Z_STREAM_END) {
    outCompressed.clear();
    return false;
  }
  return true;
}
