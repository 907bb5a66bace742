#include "pdfcore/PDFDeflate.h"

#include <zlib.h>

#include <new>

bool PDFDeflate::Compress(std::span<const uint8_t> inSource, std::vector<uint8_t>& outCompressed) {
  outCompressed.clear();
  if (inSource.size() > UINT32_MAX / 2) return false;
  const uLong theSourceLength = static_cast<uLong>(inSource.size());
  // Room for the source plus a hundredth of it plus 12 bytes, and never less than zlib's own bound.
  uLong theRoom = theSourceLength + theSourceLength / 100 + 12;
  if (compressBound(theSourceLength) > theRoom) theRoom = compressBound(theSourceLength);
  try {
    outCompressed.resize(theRoom);
  } catch (const std::bad_alloc&) {
    outCompressed.clear();
    return false;
  }
  uLongf theLength = theRoom;
  const Bytef* theSource = inSource.empty() ? reinterpret_cast<const Bytef*>("") : inSource.data();
  if (compress(outCompressed.data(), &theLength, theSource, theSourceLength) != Z_OK) {
    outCompressed.clear();
    return false;
  }
  outCompressed.resize(theLength);
  return true;
}
