// Recognising a picture's kind from its first bytes and handing the bytes to that kind's decoder.
#include "ImageSource.h"

#include <algorithm>
#include <array>
#include <span>

namespace QxImaging {

namespace {

// True when inBytes starts with inSignature (false when fewer bytes are present).
bool StartsWith(std::span<const uint8_t> inBytes, std::span<const uint8_t> inSignature, size_t inOffset = 0) {
  return inBytes.size() >= inOffset && inBytes.size() - inOffset >= inSignature.size() &&
         std::equal(inSignature.begin(), inSignature.end(), inBytes.begin() + static_cast<ptrdiff_t>(inOffset));
}

uint32_t ReadLittle16(std::span<const uint8_t> inBytes, size_t inOffset) {
  return inBytes[inOffset] | (uint32_t{inBytes[inOffset + 1]} << 8);
}

uint32_t ReadLittle32(std::span<const uint8_t> inBytes, size_t inOffset) {
  return ReadLittle16(inBytes, inOffset) | (ReadLittle16(inBytes, inOffset + 2) << 16);
}

constexpr std::array<uint8_t, 3> kJpeg = {0xFF, 0xD8, 0xFF};
constexpr std::array<uint8_t, 8> kPng = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::array<uint8_t, 6> kGif87 = {'G', 'I', 'F', '8', '7', 'a'};
constexpr std::array<uint8_t, 6> kGif89 = {'G', 'I', 'F', '8', '9', 'a'};
constexpr std::array<uint8_t, 4> kTiffLittle = {'I', 'I', 0x2A, 0x00};
constexpr std::array<uint8_t, 4> kTiffBig = {'M', 'M', 0x00, 0x2A};
constexpr std::array<uint8_t, 2> kBmp = {'B', 'M'};
constexpr std::array<uint8_t, 4> kIcon = {0x00, 0x00, 0x01, 0x00};
constexpr std::array<uint8_t, 4> kPlaceableWmf = {0xD7, 0xCD, 0xC6, 0x9A};
constexpr std::array<uint8_t, 4> kEmfSignature = {' ', 'E', 'M', 'F'};

// An enhanced metafile starts with its header record (type 1) whose signature field, 40 bytes in,
// reads " EMF".
bool IsEmf(std::span<const uint8_t> inBytes) {
  return inBytes.size() >= 44 && ReadLittle32(inBytes, 0) == 1 && StartsWith(inBytes, kEmfSignature, 40);
}

// A Windows metafile without the placeable header starts with its type (1 in memory, 2 on disk)
// and its header size in 16-bit words, which is always 9.
bool IsStandardWmf(std::span<const uint8_t> inBytes) {
  if (inBytes.size() < 4) return false;
  const uint32_t theType = ReadLittle16(inBytes, 0);
  return (theType == 1 || theType == 2) && ReadLittle16(inBytes, 2) == 9;
}

}  // namespace

Status OpenImageSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource) {
  outSource.reset();
  if (inBytes == nullptr) return Gdiplus::InvalidParameter;
  const std::span<const uint8_t> theBytes(*inBytes);
  if (StartsWith(theBytes, kJpeg)) return OpenJpegSource(std::move(inBytes), outSource);
  if (StartsWith(theBytes, kPng)) return OpenPngSource(std::move(inBytes), outSource);
  if (StartsWith(theBytes, kGif87) || StartsWith(theBytes, kGif89)) return OpenGifSource(std::move(inBytes), outSource);
  if (StartsWith(theBytes, kTiffLittle) || StartsWith(theBytes, kTiffBig))
    return OpenTiffSource(std::move(inBytes), outSource);
  if (StartsWith(theBytes, kBmp)) return OpenBmpSource(std::move(inBytes), outSource);
  if (StartsWith(theBytes, kIcon)) return OpenIconSource(std::move(inBytes), outSource);
  if (StartsWith(theBytes, kPlaceableWmf) || IsEmf(theBytes) || IsStandardWmf(theBytes))
    return OpenMetafileSource(std::move(inBytes), outSource);
  return Gdiplus::UnknownImageFormat;
}

}  // namespace QxImaging
