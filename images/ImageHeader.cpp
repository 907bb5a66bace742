#include "images/ImageHeader.h"

#include <cstring>

#include "images/JPEGParser.h"
#include "runtime/Assert.h"

namespace {

uint32_t LittleU16(const uint8_t* inBytes) { return uint32_t{inBytes[0]} | (uint32_t{inBytes[1]} << 8); }

uint32_t LittleU32(const uint8_t* inBytes) {
  return uint32_t{inBytes[0]} | (uint32_t{inBytes[1]} << 8) | (uint32_t{inBytes[2]} << 16) |
         (uint32_t{inBytes[3]} << 24);
}

uint32_t BigU32(const uint8_t* inBytes) {
  return (uint32_t{inBytes[0]} << 24) | (uint32_t{inBytes[1]} << 16) | (uint32_t{inBytes[2]} << 8) |
         uint32_t{inBytes[3]};
}

}  // namespace

void ImageHeader::Recognise(const uint8_t* inData, uint32_t inLen) {
  mKind = kUnknown;
  mWidth = 0;
  mHeight = 0;
  mAdobe = false;
  QX_ASSERT(inData);
  QX_ASSERT(inLen > 0);
  if (inData == nullptr || inLen == 0) return;

  // The first test that fits wins.
  if (RecogniseGIF(inData, inLen) || RecognisePNG(inData, inLen) || RecogniseBMP(inData, inLen)) return;
  RecogniseJPEG(inData, inLen);
}

// The logical screen size follows the six-byte signature ("GIF87a" or "GIF89a"); a zero size is
// not a usable GIF.
bool ImageHeader::RecogniseGIF(const uint8_t* inData, uint32_t inLen) {
  if (inLen < 14 || std::memcmp(inData, "GIF8", 4) != 0) return false;
  const uint32_t theWidth = LittleU16(inData + 6);
  const uint32_t theHeight = LittleU16(inData + 8);
  if (theWidth == 0 || theHeight == 0) return false;
  mKind = kGIF;
  mWidth = static_cast<int32_t>(theWidth);
  mHeight = static_cast<int32_t>(theHeight);
  return true;
}

// The size is in the IHDR chunk, which must come first: width and height at offsets 16 and 20.
// The height field ends at offset 24, so shorter data cannot hold it.
bool ImageHeader::RecognisePNG(const uint8_t* inData, uint32_t inLen) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (inLen < 24 || std::memcmp(inData, kSignature, sizeof(kSignature)) != 0) return false;
  mKind = kPNG;
  mWidth = static_cast<int32_t>(BigU32(inData + 16));
  mHeight = static_cast<int32_t>(BigU32(inData + 20));
  return true;
}

// The info header follows the 14-byte file header. The old core header (12 bytes) holds 16-bit
// width and height, every later one 32-bit values. Bottom-up pictures with a positive size only.
bool ImageHeader::RecogniseBMP(const uint8_t* inData, uint32_t inLen) {
  if (inLen < 26 || inData[0] != 'B' || inData[1] != 'M') return false;
  int32_t theWidth = 0;
  int32_t theHeight = 0;
  if (LittleU32(inData + 14) == 12) {
    theWidth = static_cast<int16_t>(LittleU16(inData + 18));
    theHeight = static_cast<int16_t>(LittleU16(inData + 20));
  } else {
    theWidth = static_cast<int32_t>(LittleU32(inData + 18));
    theHeight = static_cast<int32_t>(LittleU32(inData + 22));
  }
  if (theWidth < 1 || theHeight < 1) return false;
  mKind = kBMP;
  mWidth = theWidth;
  mHeight = theHeight;
  return true;
}

// Only a stream that reaches its end-of-image marker counts; the size is reported even when the
// stream fails after its frame header.
void ImageHeader::RecogniseJPEG(const uint8_t* inData, uint32_t inLen) {
  JPEGParser theParser(inData, inLen);
  const bool theComplete = theParser.Parse();
  mWidth = theParser.GetWidth();
  mHeight = theParser.GetHeight();
  mAdobe = theParser.HasAdobe();
  if (!theComplete) return;
  switch (theParser.GetComponents()) {
    case 1: mKind = kJPEGGrey; break;
    case 3: mKind = kJPEGRGB; break;
    case 4: mKind = kJPEGCMYK; break;
    default: mKind = kUnknown; break;
  }
}
