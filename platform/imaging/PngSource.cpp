// PNG pictures through libpng, read from memory. Every sample depth and colour type becomes 8-bit
// blue, green, red, alpha: 16-bit samples keep their high byte (as other viewers show them),
// palettes, grey and the tRNS transparent colour are expanded. No gamma is applied.
//
// Refused: damaged critical chunks (bad CRC, bad header), data that ends before the last row, and
// frames larger than kMaxFramePixels (at decoding). Ancillary chunks with a bad CRC are skipped.
#include "ImageDecoding.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <span>

namespace QxImaging {

namespace {

// The largest ancillary chunk (text, ICC profile) libpng may hold in memory.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{16} << 20;

struct MemoryInput {
  std::span<const uint8_t> mBytes;
  size_t mPosition = 0;
};

void ReadFromMemory(png_structp inPng, png_bytep outData, size_t inCount) {
  auto* theInput = static_cast<MemoryInput*>(png_get_io_ptr(inPng));
  if (inCount > theInput->mBytes.size() - theInput->mPosition) png_error(inPng, "data ends early");
  std::memcpy(outData, theInput->mBytes.data() + theInput->mPosition, inCount);
  theInput->mPosition += inCount;
}

[[noreturn]] void FailSilently(png_structp inPng, png_const_charp) { png_longjmp(inPng, 1); }

void IgnoreWarning(png_structp, png_const_charp) {}

// One pass of libpng over the picture's bytes.
class PngReader {
 public:
  explicit PngReader(std::span<const uint8_t> inBytes) : mInput{inBytes} {
    mPng = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailSilently, IgnoreWarning);
    if (mPng != nullptr) mInfo = png_create_info_struct(mPng);
  }
  ~PngReader() {
    if (mPng != nullptr) png_destroy_read_struct(&mPng, mInfo != nullptr ? &mInfo : nullptr, nullptr);
  }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  bool Valid() const { return mPng != nullptr && mInfo != nullptr; }

  png_structp mPng = nullptr;
  png_infop mInfo = nullptr;
  MemoryInput mInput;
};

struct PngHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  float horizontalDpi = kDefaultDpi;
  float verticalDpi = kDefaultDpi;
};

// Reads the chunks before the image data. False when they are damaged.
bool ReadHeader(PngReader& inReader, PngHeader& outHeader) {
  png_structp thePng = inReader.mPng;
  png_infop theInfo = inReader.mInfo;
  if (setjmp(png_jmpbuf(thePng))) return false;
  png_set_read_fn(thePng, &inReader.mInput, ReadFromMemory);
  png_set_user_limits(thePng, static_cast<png_uint_32>(kMaxFramePixels), static_cast<png_uint_32>(kMaxFramePixels));
  png_set_chunk_malloc_max(thePng, kMaxChunkBytes);
  png_set_crc_action(thePng, PNG_CRC_DEFAULT, PNG_CRC_WARN_DISCARD);
  png_read_info(thePng, theInfo);
  outHeader.width = png_get_image_width(thePng, theInfo);
  outHeader.height = png_get_image_height(thePng, theInfo);
  png_uint_32 theX = 0;
  png_uint_32 theY = 0;
  int theUnit = 0;
  if (png_get_pHYs(thePng, theInfo, &theX, &theY, &theUnit) != 0 && theUnit == PNG_RESOLUTION_METER) {
    outHeader.horizontalDpi = DpiOrDefault(theX * 0.0254);
    outHeader.verticalDpi = DpiOrDefault(theY * 0.0254);
  }
  return true;
}

// Reads the rows of a reader whose header has been read into ioFrame, sized beforehand. False when
// the data is damaged or ends early.
bool ReadPixels(PngReader& inReader, DecodedFrame& ioFrame) {
  png_structp thePng = inReader.mPng;
  png_infop theInfo = inReader.mInfo;
  if (setjmp(png_jmpbuf(thePng))) return false;
  png_set_strip_16(thePng);
  png_set_expand(thePng);  // palette to RGB, grey below 8 bits to 8 bits, tRNS to alpha
  png_set_gray_to_rgb(thePng);
  png_set_add_alpha(thePng, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(thePng);
  const int thePasses = png_set_interlace_handling(thePng);
  png_read_update_info(thePng, theInfo);
  const size_t theRowBytes = size_t{ioFrame.width} * 4;
  if (png_get_rowbytes(thePng, theInfo) != theRowBytes) png_error(thePng, "unexpected row size");
  for (int thePass = 0; thePass < thePasses; ++thePass) {
    for (uint32_t y = 0; y < ioFrame.height; ++y) png_read_row(thePng, ioFrame.bgra.data() + y * theRowBytes, nullptr);
  }
  return true;
}

// True when the picture read so far has no alpha channel and no transparent colour.
bool IsOpaque(PngReader& inReader) {
  const png_byte theType = png_get_color_type(inReader.mPng, inReader.mInfo);
  return (theType & PNG_COLOR_MASK_ALPHA) == 0 && png_get_valid(inReader.mPng, inReader.mInfo, PNG_INFO_tRNS) == 0;
}

// Reads the rows of an opaque picture whose header has been read as blue, green, red into rows
// inStride bytes apart at ioTarget. False when the data is damaged or ends early.
bool ReadOpaquePixels(PngReader& inReader, uint32_t inWidth, uint32_t inHeight, uint8_t* ioTarget, int64_t inStride) {
  png_structp thePng = inReader.mPng;
  png_infop theInfo = inReader.mInfo;
  if (setjmp(png_jmpbuf(thePng))) return false;
  png_set_strip_16(thePng);
  png_set_expand(thePng);  // palette to RGB, grey below 8 bits to 8 bits
  png_set_gray_to_rgb(thePng);
  png_set_bgr(thePng);
  const int thePasses = png_set_interlace_handling(thePng);
  png_read_update_info(thePng, theInfo);
  if (png_get_rowbytes(thePng, theInfo) != size_t{inWidth} * 3) png_error(thePng, "unexpected row size");
  for (int thePass = 0; thePass < thePasses; ++thePass) {
    for (uint32_t y = 0; y < inHeight; ++y) png_read_row(thePng, ioTarget + static_cast<int64_t>(y) * inStride, nullptr);
  }
  return true;
}

class PngSource final : public ImageSource {
 public:
  PngSource(ImageBytes inBytes, const PngHeader& inHeader) : mBytes(std::move(inBytes)), mHeader(inHeader) {}

  const GUID& RawFormat() const override { return ImageFormatPNG; }
  uint32_t Width() const override { return mHeader.width; }
  uint32_t Height() const override { return mHeader.height; }
  float HorizontalDpi() const override { return mHeader.horizontalDpi; }
  float VerticalDpi() const override { return mHeader.verticalDpi; }

  Status Decode(DecodedFrame& outFrame) override {
    DecodedFrame theFrame;
    const Status theStatus = AllocateFrame(mHeader.width, mHeader.height, theFrame, false);  // every row is decoded or the frame dropped
    if (theStatus != Gdiplus::Ok) return theStatus;
    PngReader theReader(*mBytes);
    if (!theReader.Valid()) return Gdiplus::OutOfMemory;
    PngHeader theHeader;
    if (!ReadHeader(theReader, theHeader) || theHeader.width != mHeader.width || theHeader.height != mHeader.height ||
        !ReadPixels(theReader, theFrame))
      return kDamagedData;
    outFrame = std::move(theFrame);
    return Gdiplus::Ok;
  }

  Status DecodeOpaqueBgr(uint8_t* ioTarget, int64_t inStride) override {
    if (!FrameSizeAllowed(mHeader.width, mHeader.height)) return Gdiplus::OutOfMemory;
    PngReader theReader(*mBytes);
    if (!theReader.Valid()) return Gdiplus::OutOfMemory;
    PngHeader theHeader;
    if (!ReadHeader(theReader, theHeader) || theHeader.width != mHeader.width || theHeader.height != mHeader.height)
      return kDamagedData;
    if (!IsOpaque(theReader)) return Gdiplus::NotImplemented;
    return ReadOpaquePixels(theReader, mHeader.width, mHeader.height, ioTarget, inStride) ? Gdiplus::Ok : kDamagedData;
  }

 private:
  ImageBytes mBytes;
  PngHeader mHeader;
};

}  // namespace

Status OpenPngSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource) {
  PngReader theReader(*inBytes);
  if (!theReader.Valid()) return Gdiplus::OutOfMemory;
  PngHeader theHeader;
  if (!ReadHeader(theReader, theHeader)) return kDamagedData;
  outSource = std::make_unique<PngSource>(std::move(inBytes), theHeader);
  return Gdiplus::Ok;
}

}  // namespace QxImaging
