// Windows icon files: a 6-byte directory header (reserved 0, type 1, image count), 16-byte entries
// (width and height in one byte each, 0 meaning 256, colour count, reserved, planes, bits per
// pixel, byte count, offset), then the images. Each image is a PNG stream or a bitmap without its
// file header whose info header counts twice the height: colour rows first, then a 1-bit mask
// whose set bits are transparent.
//
// The source shows one image: the largest (width × height from the directory), then the deepest;
// on a tie the first listed. An image that cannot be opened is passed over for the next best (at
// most four are tried). A 32-bit bitmap image takes its transparency from its fourth byte, except
// when that byte is 0 throughout (icons written before alpha channels), where the mask is used
// like at other depths.
#include "DibReader.h"
#include "ImageDecoding.h"
#include "ImageSource.h"

#include <algorithm>
#include <array>

namespace QxImaging {

namespace {

constexpr size_t kDirectorySize = 6;
constexpr size_t kEntrySize = 16;
// Images tried, best first, before giving up: a directory of thousands of broken entries must not
// make thousands of attempts (each PNG attempt copies its bytes).
constexpr size_t kMostAttempts = 4;
constexpr std::array<uint8_t, 8> kPngSignature = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};

struct IconEntry {
  uint64_t area = 0;
  uint32_t bits = 0;
  size_t start = 0;
  size_t end = 0;
};

bool IsPng(std::span<const uint8_t> inImage) {
  return inImage.size() >= kPngSignature.size() && std::equal(kPngSignature.begin(), kPngSignature.end(), inImage.begin());
}

// An entry's depth: its own field, else the image's (a bitmap's info header; a PNG counts as 32).
uint32_t EntryBits(std::span<const uint8_t> inEntry, std::span<const uint8_t> inImage) {
  const uint32_t theBits = ReadLittle16At(inEntry, 6);
  if (theBits != 0) return theBits;
  if (IsPng(inImage)) return 32;
  if (inImage.size() >= 16) return ReadLittle16At(inImage, 14);
  return 0;
}

class IconSource : public ImageSource {
 public:
  // An image held as a PNG stream, decoded by the PNG source.
  explicit IconSource(std::unique_ptr<ImageSource> inPng) : mPng(std::move(inPng)) {}
  // An image held as a bitmap: inImage is its bytes within the file.
  IconSource(ImageBytes inBytes, size_t inStart, size_t inEnd, DibLayout inLayout, bool inAlphaChannel)
      : mBytes(std::move(inBytes)), mStart(inStart), mEnd(inEnd), mLayout(std::move(inLayout)),
        mAlphaChannel(inAlphaChannel) {}

  const GUID& RawFormat() const override { return ImageFormatIcon; }
  uint32_t Width() const override { return mPng != nullptr ? mPng->Width() : mLayout.width; }
  uint32_t Height() const override { return mPng != nullptr ? mPng->Height() : mLayout.height; }
  float HorizontalDpi() const override { return 96.0f; }
  float VerticalDpi() const override { return 96.0f; }

  Status Decode(DecodedFrame& outFrame) override {
    if (mPng != nullptr) return mPng->Decode(outFrame);
    const std::span<const uint8_t> theImage = std::span<const uint8_t>(*mBytes).subspan(mStart, mEnd - mStart);
    const std::span<const uint8_t> thePixels = theImage.subspan(mLayout.paletteEnd);
    const Status theStatus = DibReader::DecodePixels(thePixels, mLayout, outFrame);
    if (theStatus != Gdiplus::Ok) return theStatus;
    if (mAlphaChannel) {
      bool theAnyAlpha = false;
      for (size_t i = 3; i < outFrame.bgra.size() && !theAnyAlpha; i += 4) theAnyAlpha = outFrame.bgra[i] != 0;
      if (theAnyAlpha) return Gdiplus::Ok;
    }
    // The mask follows the colour rows; mask bytes missing at the end read as 0 (opaque).
    const uint64_t theColourBytes = mLayout.stride * mLayout.height;
    const std::span<const uint8_t> theMask =
        theColourBytes < thePixels.size() ? thePixels.subspan(theColourBytes) : std::span<const uint8_t>();
    const uint64_t theMaskStride = DibReader::RowStride(mLayout.width, 1);
    for (uint64_t theStoredRow = 0; theStoredRow < mLayout.height; ++theStoredRow) {
      const uint64_t theRow = mLayout.topDown ? theStoredRow : mLayout.height - 1 - theStoredRow;
      uint8_t* theOut = outFrame.bgra.data() + theRow * mLayout.width * 4;
      for (uint64_t x = 0; x < mLayout.width; ++x, theOut += 4) {
        const uint64_t theByte = theStoredRow * theMaskStride + x / 8;
        const bool theTransparent = theByte < theMask.size() && ((theMask[theByte] >> (7 - x % 8)) & 1) != 0;
        theOut[3] = theTransparent ? 0 : 255;
      }
    }
    return Gdiplus::Ok;
  }

 private:
  std::unique_ptr<ImageSource> mPng;
  ImageBytes mBytes;
  size_t mStart = 0;
  size_t mEnd = 0;
  DibLayout mLayout;
  bool mAlphaChannel = false;
};

// Opens the image of one entry.
Status OpenEntry(const ImageBytes& inBytes, const IconEntry& inEntry, std::unique_ptr<ImageSource>& outSource) {
  const std::span<const uint8_t> theImage = std::span<const uint8_t>(*inBytes).subspan(inEntry.start, inEntry.end - inEntry.start);
  if (IsPng(theImage)) {
    ImageBytes theCopy;
    try {
      theCopy = std::make_shared<const PixelBytes>(theImage.begin(), theImage.end());
    } catch (const std::bad_alloc&) {
      return Gdiplus::OutOfMemory;
    }
    std::unique_ptr<ImageSource> thePng;
    const Status theStatus = OpenPngSource(std::move(theCopy), thePng);
    if (theStatus != Gdiplus::Ok) return theStatus;
    outSource = std::make_unique<IconSource>(std::move(thePng));
    return Gdiplus::Ok;
  }
  DibLayout theLayout;
  const Status theStatus = DibReader::ReadHeader(theImage, true, std::nullopt, theLayout);
  if (theStatus != Gdiplus::Ok) return theStatus;
  // Run-length encoded colour rows would leave the mask's place unknown.
  if (theLayout.compression == DibCompression::Rle4 || theLayout.compression == DibCompression::Rle8)
    return kDamagedData;
  if (theLayout.paletteEnd >= theImage.size()) return kDamagedData;
  const bool theAlphaChannel = theLayout.bitsPerPixel == 32 && theLayout.compression == DibCompression::None;
  if (theAlphaChannel) theLayout.alphaMask = 0xFF000000u;
  outSource = std::make_unique<IconSource>(inBytes, inEntry.start, inEntry.end, std::move(theLayout), theAlphaChannel);
  return Gdiplus::Ok;
}

}  // namespace

Status OpenIconSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource) {
  outSource.reset();
  if (inBytes == nullptr) return Gdiplus::InvalidParameter;
  const std::span<const uint8_t> theBytes(*inBytes);
  if (theBytes.size() < kDirectorySize || ReadLittle16At(theBytes, 0) != 0 || ReadLittle16At(theBytes, 2) != 1)
    return kDamagedData;
  // Only the entries that the bytes hold are read, whatever the count claims.
  const size_t theCount = std::min<size_t>(ReadLittle16At(theBytes, 4), (theBytes.size() - kDirectorySize) / kEntrySize);

  std::vector<IconEntry> theEntries;
  for (size_t i = 0; i < theCount; ++i) {
    const std::span<const uint8_t> theEntry = theBytes.subspan(kDirectorySize + i * kEntrySize, kEntrySize);
    const uint64_t theSize = ReadLittle32At(theEntry, 8);
    const uint64_t theOffset = ReadLittle32At(theEntry, 12);
    if (theOffset >= theBytes.size()) continue;
    // A byte count of 0 or beyond the file is taken as "to the end of the file".
    const uint64_t theEnd = theSize == 0 || theSize > theBytes.size() - theOffset ? theBytes.size() : theOffset + theSize;
    IconEntry theIcon;
    theIcon.area = uint64_t{theEntry[0] == 0 ? 256u : theEntry[0]} * (theEntry[1] == 0 ? 256u : theEntry[1]);
    theIcon.bits = EntryBits(theEntry, theBytes.subspan(theOffset, theEnd - theOffset));
    theIcon.start = static_cast<size_t>(theOffset);
    theIcon.end = static_cast<size_t>(theEnd);
    theEntries.push_back(theIcon);
  }
  if (theEntries.empty()) return kDamagedData;
  std::stable_sort(theEntries.begin(), theEntries.end(), [](const IconEntry& inLeft, const IconEntry& inRight) {
    return inLeft.area != inRight.area ? inLeft.area > inRight.area : inLeft.bits > inRight.bits;
  });

  Status theFirstStatus = Gdiplus::Ok;
  for (size_t i = 0; i < theEntries.size() && i < kMostAttempts; ++i) {
    const Status theStatus = OpenEntry(inBytes, theEntries[i], outSource);
    if (theStatus == Gdiplus::Ok) return Gdiplus::Ok;
    if (theFirstStatus == Gdiplus::Ok) theFirstStatus = theStatus;
  }
  return theFirstStatus;
}

}  // namespace QxImaging
