// Reading device-independent bitmaps: info headers of every size, palettes, colour masks, rows of
// uncompressed pixels and run-length encoded streams.
#include "DibReader.h"

#include <algorithm>
#include <bit>

namespace QxImaging {

namespace {

// Compression values of the info header.
constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

bool IsWindowsHeaderSize(uint32_t inSize) {
  return inSize == 40 || inSize == 52 || inSize == 56 || inSize == 108 || inSize == 124;
}

bool IsOs2HeaderSize(uint32_t inSize) { return inSize == 16 || inSize == 64; }

// Dots per inch from pixels per metre; 96 when the header gives none (or a negative count).
float DpiFromPixelsPerMetre(uint32_t inPixelsPerMetre) {
  const int32_t theValue = static_cast<int32_t>(inPixelsPerMetre);
  if (theValue <= 0) return kDefaultDpi;
  return DpiOrDefault(theValue * 0.0254);
}

// A colour mask turned into the shift and the largest value of its field.
struct MaskField {
  uint32_t mask = 0;
  uint32_t shift = 0;
  uint32_t largest = 0;

  explicit MaskField(uint32_t inMask) : mask(inMask) {
    if (inMask != 0) {
      shift = static_cast<uint32_t>(std::countr_zero(inMask));
      largest = inMask >> shift;
    }
  }
  // The field of inPixel scaled to 0..255 (truncating, as common decoders do for 5- and 6-bit fields).
  uint8_t Scale(uint32_t inPixel) const {
    if (largest == 0) return 0;
    const uint64_t theValue = ((inPixel & mask) >> shift);
    return static_cast<uint8_t>(theValue * 255 / largest);
  }
};

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

void PutPixel(DecodedFrame& outFrame, uint64_t inX, uint64_t inRow, uint32_t inBgra) {
  uint8_t* thePixel = outFrame.bgra.data() + (inRow * outFrame.width + inX) * 4;
  thePixel[0] = static_cast<uint8_t>(inBgra);
  thePixel[1] = static_cast<uint8_t>(inBgra >> 8);
  thePixel[2] = static_cast<uint8_t>(inBgra >> 16);
  thePixel[3] = static_cast<uint8_t>(inBgra >> 24);
}

uint32_t PaletteColour(const DibLayout& inLayout, uint32_t inIndex) {
  return inIndex < inLayout.palette.size() ? inLayout.palette[inIndex] : kOpaqueBlack;
}

}  // namespace

Status DibReader::ReadHeader(std::span<const uint8_t> inDib, bool inIcon, std::optional<size_t> inPaletteLimit,
                             DibLayout& outLayout) {
  outLayout = DibLayout{};
  if (inDib.size() < 4) return kDamagedData;
  const uint32_t theHeaderSize = ReadLittle32At(inDib, 0);
  const bool theCore = theHeaderSize == kCoreHeaderSize;
  const bool theOs2 = IsOs2HeaderSize(theHeaderSize);
  if (!theCore && !theOs2 && !IsWindowsHeaderSize(theHeaderSize)) return kDamagedData;
  if (inDib.size() < theHeaderSize) return kDamagedData;

  // Fields of a short OS/2 header that it does not hold read as zero.
  auto theField32 = [&](size_t inOffset) -> uint32_t {
    return inOffset + 4 <= theHeaderSize ? ReadLittle32At(inDib, inOffset) : 0;
  };

  int64_t theWidth = 0;
  int64_t theHeight = 0;
  uint32_t theBits = 0;
  uint32_t theCompression = kRgb;
  uint32_t theColoursUsed = 0;
  uint64_t thePaletteEntrySize = 4;
  if (theCore) {
    theWidth = ReadLittle16At(inDib, 4);
    theHeight = ReadLittle16At(inDib, 6);
    theBits = ReadLittle16At(inDib, 10);
    thePaletteEntrySize = 3;
  } else {
    theWidth = static_cast<int32_t>(ReadLittle32At(inDib, 4));
    theHeight = static_cast<int32_t>(ReadLittle32At(inDib, 8));
    theBits = ReadLittle16At(inDib, 14);
    theCompression = theField32(16);
    outLayout.horizontalDpi = DpiFromPixelsPerMetre(theField32(24));
    outLayout.verticalDpi = DpiFromPixelsPerMetre(theField32(28));
    theColoursUsed = theField32(32);
  }

  // Rows stored from the top have a negative height; 64 bits hold the size of the most negative one.
  if (theHeight < 0) {
    outLayout.topDown = true;
    theHeight = -theHeight;
  }
  // An icon's header counts its colour rows and its mask rows.
  if (inIcon) theHeight /= 2;
  if (theWidth <= 0 || theHeight <= 0) return kDamagedData;
  if (theBits != 1 && theBits != 4 && theBits != 8 && theBits != 16 && theBits != 24 && theBits != 32)
    return kDamagedData;

  // Compressions read here; JPEG and PNG streams inside a bitmap (4, 5), CMYK variants (11 to 13)
  // and OS/2's Huffman and 24-bit run lengths (3, 4 in its headers) are refused as damaged data.
  uint64_t theMasksAfterHeader = 0;
  switch (theCompression) {
    case kRgb:
      outLayout.compression = DibCompression::None;
      break;
    case kRle8:
      if (theBits != 8) return kDamagedData;
      outLayout.compression = DibCompression::Rle8;
      break;
    case kRle4:
      if (theBits != 4) return kDamagedData;
      outLayout.compression = DibCompression::Rle4;
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (theOs2) return kDamagedData;
      if (theBits != 16 && theBits != 24 && theBits != 32) return kDamagedData;
      outLayout.compression = DibCompression::BitFields;
      // A 40-byte header is followed by its masks; larger headers hold them.
      if (theHeaderSize == kInfoHeaderSize) theMasksAfterHeader = theCompression == kAlphaBitFields ? 4 : 3;
      break;
    default:
      return kDamagedData;
  }

  if (!FrameSizeAllowed(static_cast<uint64_t>(theWidth), static_cast<uint64_t>(theHeight)))
    return Gdiplus::OutOfMemory;
  outLayout.width = static_cast<uint32_t>(theWidth);
  outLayout.height = static_cast<uint32_t>(theHeight);
  outLayout.bitsPerPixel = theBits;
  outLayout.stride = RowStride(outLayout.width, theBits);

  // Colour masks: defaults of each depth (5-5-5 at 16 bits, 8-8-8 at 24 and 32 bits, no alpha),
  // or those of the header.
  if (theBits == 16) {
    outLayout.redMask = 0x7C00;
    outLayout.greenMask = 0x03E0;
    outLayout.blueMask = 0x001F;
  } else if (theBits >= 24) {
    outLayout.redMask = 0xFF0000;
    outLayout.greenMask = 0x00FF00;
    outLayout.blueMask = 0x0000FF;
  }
  const uint64_t thePaletteStart = uint64_t{theHeaderSize} + theMasksAfterHeader * 4;
  if (outLayout.compression == DibCompression::BitFields) {
    if (inDib.size() < thePaletteStart) return kDamagedData;
    const uint32_t theRed = ReadLittle32At(inDib, 40);
    const uint32_t theGreen = ReadLittle32At(inDib, 44);
    const uint32_t theBlue = ReadLittle32At(inDib, 48);
    // The alpha mask is the fourth after a 40-byte header (alpha bit fields only) or in a header of
    // 56 bytes or more.
    const uint32_t theAlpha = (theMasksAfterHeader == 4 || theHeaderSize >= 56) ? ReadLittle32At(inDib, 52) : 0;
    // Masks that select nothing leave the depth's defaults.
    if ((theRed | theGreen | theBlue) != 0) {
      outLayout.redMask = theRed;
      outLayout.greenMask = theGreen;
      outLayout.blueMask = theBlue;
      outLayout.alphaMask = theAlpha;
    }
  }

  // The palette: as many entries as the header says (all 2^bits when it says 0, never more), cut
  // at the given limit and at the end of the bytes.
  outLayout.paletteStart = thePaletteStart;
  if (theBits <= 8) {
    const uint64_t theMostColours = uint64_t{1} << theBits;
    const uint64_t theWanted = theColoursUsed == 0 ? theMostColours : std::min<uint64_t>(theColoursUsed, theMostColours);
    outLayout.paletteEnd = thePaletteStart + theWanted * thePaletteEntrySize;
    uint64_t theRegionEnd = inDib.size();
    if (inPaletteLimit && *inPaletteLimit > thePaletteStart) theRegionEnd = std::min<uint64_t>(theRegionEnd, *inPaletteLimit);
    const uint64_t thePresent =
        theRegionEnd > thePaletteStart ? (theRegionEnd - thePaletteStart) / thePaletteEntrySize : 0;
    const uint64_t theCount = std::min(theWanted, thePresent);
    outLayout.palette.resize(theCount);
    for (uint64_t i = 0; i < theCount; ++i) {
      const size_t theEntry = thePaletteStart + i * thePaletteEntrySize;
      outLayout.palette[i] = kOpaqueBlack | inDib[theEntry] | (uint32_t{inDib[theEntry + 1]} << 8) |
                             (uint32_t{inDib[theEntry + 2]} << 16);
    }
  } else {
    // Deeper pixels may still be preceded by a table of the colours they use.
    outLayout.paletteEnd = thePaletteStart + uint64_t{theColoursUsed} * thePaletteEntrySize;
  }
  return Gdiplus::Ok;
}

Status DibReader::DecodePixels(std::span<const uint8_t> inPixels, const DibLayout& inLayout, DecodedFrame& outFrame) {
  const Status theStatus = AllocateFrame(inLayout.width, inLayout.height, outFrame);
  if (theStatus != Gdiplus::Ok) return theStatus;
  if (inLayout.compression == DibCompression::Rle8 || inLayout.compression == DibCompression::Rle4)
    DecodeRunLengths(inPixels, inLayout, outFrame);
  else
    DecodeRows(inPixels, inLayout, outFrame);
  return Gdiplus::Ok;
}

void DibReader::DecodeRows(std::span<const uint8_t> inPixels, const DibLayout& inLayout, DecodedFrame& outFrame) {
  const uint32_t theBits = inLayout.bitsPerPixel;
  const MaskField theRed(inLayout.redMask);
  const MaskField theGreen(inLayout.greenMask);
  const MaskField theBlue(inLayout.blueMask);
  const MaskField theAlpha(inLayout.alphaMask);
  // A row cut by the end of the data is completed with zero bytes here.
  std::vector<uint8_t> thePartialRow;
  for (uint64_t theStoredRow = 0; theStoredRow < inLayout.height; ++theStoredRow) {
    const uint64_t theStart = theStoredRow * inLayout.stride;
    std::span<const uint8_t> theRow;
    if (theStart < inPixels.size() && inPixels.size() - theStart >= inLayout.stride) {
      theRow = inPixels.subspan(theStart, inLayout.stride);
    } else {
      thePartialRow.assign(inLayout.stride, 0);
      if (theStart < inPixels.size())
        std::copy(inPixels.begin() + static_cast<ptrdiff_t>(theStart), inPixels.end(), thePartialRow.begin());
      theRow = thePartialRow;
    }
    const uint64_t theOutRow = inLayout.topDown ? theStoredRow : inLayout.height - 1 - theStoredRow;
    uint8_t* theOut = outFrame.bgra.data() + theOutRow * inLayout.width * 4;
    for (uint64_t x = 0; x < inLayout.width; ++x, theOut += 4) {
      uint32_t theColour = kOpaqueBlack;
      if (theBits <= 8) {
        const uint64_t theBit = x * theBits;
        const uint32_t theIndex = (theRow[theBit / 8] >> (8 - theBits - theBit % 8)) & ((1u << theBits) - 1);
        theColour = PaletteColour(inLayout, theIndex);
      } else {
        const size_t theByte = x * (theBits / 8);
        uint32_t theValue = theRow[theByte] | (uint32_t{theRow[theByte + 1]} << 8);
        if (theBits >= 24) theValue |= uint32_t{theRow[theByte + 2]} << 16;
        if (theBits == 32) theValue |= uint32_t{theRow[theByte + 3]} << 24;
        const uint32_t theOpacity = inLayout.alphaMask != 0 ? theAlpha.Scale(theValue) : 255u;
        theColour = theBlue.Scale(theValue) | (uint32_t{theGreen.Scale(theValue)} << 8) |
                    (uint32_t{theRed.Scale(theValue)} << 16) | (theOpacity << 24);
      }
      theOut[0] = static_cast<uint8_t>(theColour);
      theOut[1] = static_cast<uint8_t>(theColour >> 8);
      theOut[2] = static_cast<uint8_t>(theColour >> 16);
      theOut[3] = static_cast<uint8_t>(theColour >> 24);
    }
  }
}

// A run-length stream: pairs of (count, index) repeat an index (RLE8) or alternate two (RLE4);
// a count of 0 introduces an escape: 0 ends the line, 1 ends the bitmap, 2 moves right and
// on by the next two bytes, 3 or more copies that many pixels from the stream (padded to a
// 16-bit boundary). Pixels that would fall outside the frame are dropped; every step reads at
// least two bytes, so the walk ends with the data.
void DibReader::DecodeRunLengths(std::span<const uint8_t> inPixels, const DibLayout& inLayout,
                                 DecodedFrame& outFrame) {
  const bool theRle4 = inLayout.compression == DibCompression::Rle4;
  const uint64_t theWidth = inLayout.width;
  const uint64_t theHeight = inLayout.height;
  const uint32_t theBackground = PaletteColour(inLayout, 0);
  for (uint64_t theRow = 0; theRow < theHeight; ++theRow)
    for (uint64_t x = 0; x < theWidth; ++x) PutPixel(outFrame, x, theRow, theBackground);

  uint64_t x = 0;
  uint64_t y = 0;  // stored row
  auto thePut = [&](uint32_t inIndex) {
    if (x < theWidth && y < theHeight)
      PutPixel(outFrame, x, inLayout.topDown ? y : theHeight - 1 - y, PaletteColour(inLayout, inIndex));
    if (x < theWidth) ++x;
  };
  size_t thePosition = 0;
  while (y < theHeight && inPixels.size() - thePosition >= 2) {
    const uint32_t theCount = inPixels[thePosition];
    const uint32_t theValue = inPixels[thePosition + 1];
    thePosition += 2;
    if (theCount != 0) {
      for (uint32_t i = 0; i < theCount && x < theWidth; ++i)
        thePut(theRle4 ? ((i & 1) != 0 ? theValue & 0x0F : theValue >> 4) : theValue);
      continue;
    }
    if (theValue == 0) {  // end of line
      x = 0;
      ++y;
    } else if (theValue == 1) {  // end of bitmap
      break;
    } else if (theValue == 2) {  // move
      if (inPixels.size() - thePosition < 2) break;
      x = std::min<uint64_t>(x + inPixels[thePosition], theWidth);
      y += inPixels[thePosition + 1];
      thePosition += 2;
    } else {  // pixels copied from the stream
      const size_t theBytes = theRle4 ? (theValue + 1) / 2 : theValue;
      const size_t thePresent = std::min(theBytes, inPixels.size() - thePosition);
      const std::span<const uint8_t> theLiteral = inPixels.subspan(thePosition, thePresent);
      for (uint32_t i = 0; i < theValue; ++i) {
        const size_t theByte = theRle4 ? i / 2 : i;
        if (theByte >= theLiteral.size()) break;
        thePut(theRle4 ? ((i & 1) != 0 ? theLiteral[theByte] & 0x0F : theLiteral[theByte] >> 4) : theLiteral[theByte]);
      }
      if (thePresent < theBytes) break;
      thePosition += theBytes + (theBytes & 1);
      if (thePosition > inPixels.size()) break;
    }
  }
}

}  // namespace QxImaging
