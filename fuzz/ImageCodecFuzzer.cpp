// Fuzz target of the image codec module's decoders: the input is any picture file. Its source is
// opened as the module opens it (kind recognised by its first bytes), then every frame is selected,
// its size and resolution read and its pixels decoded. Frames beyond kMostDecodedPixels are not
// decoded, so that a header claiming a large frame does not slow the run down.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "ImageSource.h"

namespace {

constexpr uint64_t kMostDecodedPixels = uint64_t{4} << 20;
// Frames walked at most: an animation of thousands of tiny frames is read no further.
constexpr uint32_t kMostFrames = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
  if (inSize > (1u << 20)) return 0;
  auto theBytes = std::make_shared<const QxImaging::PixelBytes>(inData, inData + inSize);
  std::unique_ptr<QxImaging::ImageSource> theSource;
  if (QxImaging::OpenImageSource(theBytes, theSource) != Gdiplus::Ok) return 0;
  if (theSource == nullptr) __builtin_trap();
  (void)theSource->RawFormat();
  (void)theSource->FrameDimension();
  const uint32_t theCount = theSource->FrameCount();
  for (uint32_t i = 0; i < theCount && i < kMostFrames; ++i) {
    if (theSource->SelectFrame(i) != Gdiplus::Ok) continue;
    const uint64_t theWidth = theSource->Width();
    const uint64_t theHeight = theSource->Height();
    (void)theSource->HorizontalDpi();
    (void)theSource->VerticalDpi();
    if (theWidth * theHeight > kMostDecodedPixels) continue;
    // Straight into a buffer of exactly the frame's rows (what a 24-bit lock of the whole frame
    // into a caller's buffer does), then through a decoded frame: where both succeed, the pixels
    // agree.
    std::vector<uint8_t> theStraight(theWidth * theHeight * 3);
    const Gdiplus::Status theStraightStatus =
        theSource->DecodeOpaqueBgr(theStraight.data(), static_cast<int64_t>(theWidth * 3));
    QxImaging::DecodedFrame theFrame;
    if (theSource->Decode(theFrame) != Gdiplus::Ok) continue;
    // A decoded frame has the size the source announced, four bytes a pixel.
    if (theFrame.width != theWidth || theFrame.height != theHeight ||
        theFrame.bgra.size() != theWidth * theHeight * 4)
      __builtin_trap();
    if (theStraightStatus != Gdiplus::Ok) continue;
    for (uint64_t p = 0; p < theWidth * theHeight; ++p) {
      const uint8_t* theFramed = theFrame.bgra.data() + p * 4;
      if (theFramed[3] != 255 || theFramed[0] != theStraight[p * 3] || theFramed[1] != theStraight[p * 3 + 1] ||
          theFramed[2] != theStraight[p * 3 + 2])
        __builtin_trap();
    }
  }
  // Selecting beyond the frames is refused.
  if (theSource->SelectFrame(theCount) == Gdiplus::Ok) __builtin_trap();
  return 0;
}
