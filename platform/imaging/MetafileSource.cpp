// Enhanced and Windows metafiles: their size and resolution from the header; their records are not
// played, so Decode gives NotImplemented.
//
// Enhanced metafile (header record of type 1 with " EMF" 40 bytes in): the resolution is that of
// the reference device, its size in pixels over its size in millimetres (szlDevice /
// szlMillimeters × 25.4 dots per inch; 96 when either is not positive). The size is the picture
// frame (rclFrame, in hundredths of a millimetre) at that resolution, rounded to whole pixels:
// the frame is the size the picture's maker gave it, where the bounds only enclose what was drawn.
// A metafile whose frame is empty falls back to its bounds (rclBounds, inclusive device pixels:
// right − left + 1).
//
// Placeable Windows metafile (key 0x9AC6CDD7): the bounding box is in logical units of which the
// header gives the number per inch; the picture is that box in pixels at 96 dots per inch
// (|right − left| × 96 / units per inch, rounded). A Windows metafile without the placeable
// header carries no size of its own and gives UnknownImageFormat.
#include "DibReader.h"
#include "ImageDecoding.h"
#include "ImageSource.h"

#include <cmath>

namespace QxImaging {

namespace {

constexpr size_t kEmfHeaderSize = 88;
constexpr uint32_t kEmfSignature = 0x464D4520;
constexpr size_t kPlaceableHeaderSize = 22;
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

class MetafileSource : public ImageSource {
 public:
  MetafileSource(const GUID& inFormat, uint32_t inWidth, uint32_t inHeight, float inHorizontalDpi, float inVerticalDpi)
      : mFormat(inFormat), mWidth(inWidth), mHeight(inHeight), mHorizontalDpi(inHorizontalDpi),
        mVerticalDpi(inVerticalDpi) {}

  const GUID& RawFormat() const override { return mFormat; }
  uint32_t Width() const override { return mWidth; }
  uint32_t Height() const override { return mHeight; }
  float HorizontalDpi() const override { return mHorizontalDpi; }
  float VerticalDpi() const override { return mVerticalDpi; }
  Status Decode(DecodedFrame&) override { return Gdiplus::NotImplemented; }

 private:
  const GUID& mFormat;
  uint32_t mWidth;
  uint32_t mHeight;
  float mHorizontalDpi;
  float mVerticalDpi;
};

int64_t Signed32(std::span<const uint8_t> inBytes, size_t inOffset) {
  return static_cast<int32_t>(ReadLittle32At(inBytes, inOffset));
}

// Dots per inch of a device of inPixels pixels over inMillimetres millimetres (96 when either is
// not positive or the quotient is not a usable resolution).
float DeviceDpi(int64_t inPixels, int64_t inMillimetres) {
  if (inPixels <= 0 || inMillimetres <= 0) return kDefaultDpi;
  return DpiOrDefault(static_cast<double>(inPixels) / static_cast<double>(inMillimetres) * 25.4);
}

// A length in pixels rounded to a whole number, at least 1 for a length that is not zero; 0 when
// the length is zero or beyond any frame (the caller refuses both).
uint64_t WholePixels(double inPixels) {
  if (!(inPixels > 0.0)) return 0;
  if (inPixels > static_cast<double>(kMaxFramePixels) + 1.0) return kMaxFramePixels + 1;
  const uint64_t theRounded = static_cast<uint64_t>(std::llround(inPixels));
  return theRounded == 0 ? 1 : theRounded;
}

Status SizeStatus(uint64_t inWidth, uint64_t inHeight) {
  if (inWidth == 0 || inHeight == 0) return kDamagedData;
  return FrameSizeAllowed(inWidth, inHeight) ? Gdiplus::Ok : Gdiplus::OutOfMemory;
}

Status OpenEnhanced(std::span<const uint8_t> inBytes, std::unique_ptr<ImageSource>& outSource) {
  if (inBytes.size() < kEmfHeaderSize || ReadLittle32At(inBytes, 0) != 1 || ReadLittle32At(inBytes, 4) < kEmfHeaderSize ||
      ReadLittle32At(inBytes, 40) != kEmfSignature)
    return kDamagedData;
  const float theDpiX = DeviceDpi(Signed32(inBytes, 72), Signed32(inBytes, 80));
  const float theDpiY = DeviceDpi(Signed32(inBytes, 76), Signed32(inBytes, 84));
  // Frame in hundredths of a millimetre, 2540 to the inch.
  uint64_t theWidth = WholePixels(static_cast<double>(Signed32(inBytes, 32) - Signed32(inBytes, 24)) * theDpiX / 2540.0);
  uint64_t theHeight = WholePixels(static_cast<double>(Signed32(inBytes, 36) - Signed32(inBytes, 28)) * theDpiY / 2540.0);
  if (theWidth == 0 || theHeight == 0) {
    const int64_t theBoundsWidth = Signed32(inBytes, 16) - Signed32(inBytes, 8) + 1;
    const int64_t theBoundsHeight = Signed32(inBytes, 20) - Signed32(inBytes, 12) + 1;
    theWidth = theBoundsWidth > 0 ? static_cast<uint64_t>(theBoundsWidth) : 0;
    theHeight = theBoundsHeight > 0 ? static_cast<uint64_t>(theBoundsHeight) : 0;
  }
  const Status theStatus = SizeStatus(theWidth, theHeight);
  if (theStatus != Gdiplus::Ok) return theStatus;
  outSource = std::make_unique<MetafileSource>(ImageFormatEMF, static_cast<uint32_t>(theWidth),
                                               static_cast<uint32_t>(theHeight), theDpiX, theDpiY);
  return Gdiplus::Ok;
}

Status OpenPlaceable(std::span<const uint8_t> inBytes, std::unique_ptr<ImageSource>& outSource) {
  if (inBytes.size() < kPlaceableHeaderSize) return kDamagedData;
  auto theSigned16 = [&](size_t inOffset) { return static_cast<int64_t>(static_cast<int16_t>(ReadLittle16At(inBytes, inOffset))); };
  const uint32_t theUnitsPerInch = ReadLittle16At(inBytes, 14);
  if (theUnitsPerInch == 0) return kDamagedData;
  const double theWidth = static_cast<double>(std::abs(theSigned16(10) - theSigned16(6))) * 96.0 / theUnitsPerInch;
  const double theHeight = static_cast<double>(std::abs(theSigned16(12) - theSigned16(8))) * 96.0 / theUnitsPerInch;
  const uint64_t thePixelWidth = WholePixels(theWidth);
  const uint64_t thePixelHeight = WholePixels(theHeight);
  const Status theStatus = SizeStatus(thePixelWidth, thePixelHeight);
  if (theStatus != Gdiplus::Ok) return theStatus;
  outSource = std::make_unique<MetafileSource>(ImageFormatWMF, static_cast<uint32_t>(thePixelWidth),
                                               static_cast<uint32_t>(thePixelHeight), kDefaultDpi, kDefaultDpi);
  return Gdiplus::Ok;
}

}  // namespace

Status OpenMetafileSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource) {
  outSource.reset();
  if (inBytes == nullptr) return Gdiplus::InvalidParameter;
  const std::span<const uint8_t> theBytes(*inBytes);
  if (theBytes.size() >= 4 && ReadLittle32At(theBytes, 0) == kPlaceableKey) return OpenPlaceable(theBytes, outSource);
  if (theBytes.size() >= 44 && ReadLittle32At(theBytes, 0) == 1 && ReadLittle32At(theBytes, 40) == kEmfSignature)
    return OpenEnhanced(theBytes, outSource);
  return Gdiplus::UnknownImageFormat;
}

}  // namespace QxImaging
