// Windows and OS/2 bitmap files: a 14-byte file header ("BM", file size, reserved words, offset of
// the pixels), an info header of any of the known sizes with its masks and palette, then the
// pixels. Read by hand through DibReader.
//
// Where the pixel data lies: at the file header's offset, unless that offset points into the
// headers (0, or the palette's start although the bitmap has a palette, as some writers leave it),
// in which case right after the palette. Pixel data that ends early is completed with zero bytes
// (rows present decode, the rest take palette entry 0 or black), as forgiving decoders show a cut
// file; an offset at or beyond the end of the file gives kDamagedData.
#include "DibReader.h"
#include "ImageDecoding.h"
#include "ImageSource.h"

namespace QxImaging {

namespace {

constexpr size_t kFileHeaderSize = 14;

class BmpSource : public ImageSource {
 public:
  BmpSource(ImageBytes inBytes, DibLayout inLayout, size_t inPixelOffset)
      : mBytes(std::move(inBytes)), mLayout(std::move(inLayout)), mPixelOffset(inPixelOffset) {}

  const GUID& RawFormat() const override { return ImageFormatBMP; }
  uint32_t Width() const override { return mLayout.width; }
  uint32_t Height() const override { return mLayout.height; }
  float HorizontalDpi() const override { return mLayout.horizontalDpi; }
  float VerticalDpi() const override { return mLayout.verticalDpi; }

  Status Decode(DecodedFrame& outFrame) override {
    const std::span<const uint8_t> theBytes(*mBytes);
    return DibReader::DecodePixels(theBytes.subspan(mPixelOffset), mLayout, outFrame);
  }

 private:
  ImageBytes mBytes;
  DibLayout mLayout;
  size_t mPixelOffset;
};

}  // namespace

Status OpenBmpSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource) {
  outSource.reset();
  if (inBytes == nullptr) return Gdiplus::InvalidParameter;
  const std::span<const uint8_t> theBytes(*inBytes);
  if (theBytes.size() < kFileHeaderSize + 4 || theBytes[0] != 'B' || theBytes[1] != 'M')
    return kDamagedData;
  const uint64_t theDeclaredOffset = ReadLittle32At(theBytes, 10);
  const std::span<const uint8_t> theDib = theBytes.subspan(kFileHeaderSize);

  DibLayout theLayout;
  const std::optional<size_t> thePaletteLimit =
      theDeclaredOffset > kFileHeaderSize ? std::optional<size_t>(theDeclaredOffset - kFileHeaderSize) : std::nullopt;
  const Status theStatus = DibReader::ReadHeader(theDib, false, thePaletteLimit, theLayout);
  if (theStatus != Gdiplus::Ok) return theStatus;

  uint64_t theOffset = theDeclaredOffset;
  const uint64_t theHeadersEnd = kFileHeaderSize + theLayout.paletteStart;
  if (theLayout.bitsPerPixel <= 8) {
    if (theOffset <= theHeadersEnd) theOffset = kFileHeaderSize + theLayout.paletteEnd;
  } else if (theOffset < theHeadersEnd) {
    theOffset = theHeadersEnd;
  }
  if (theOffset >= theBytes.size()) return kDamagedData;

  outSource = std::make_unique<BmpSource>(std::move(inBytes), std::move(theLayout), static_cast<size_t>(theOffset));
  return Gdiplus::Ok;
}

}  // namespace QxImaging
