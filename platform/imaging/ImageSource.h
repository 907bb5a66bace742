// Inside the image codec module: one source per picture, made from the picture's bytes by the
// decoder of its kind. A source reads headers when it is made and when a frame is selected, and
// decodes pixels only when asked.
#pragma once

#include <gdiplus.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace QxImaging {

using Gdiplus::Status;

// The most pixels one frame may have: room for a 100-megapixel photograph (and a 12,000 × 11,000
// scan). Larger frames are refused with OutOfMemory before anything is allocated for them.
inline constexpr uint64_t kMaxFramePixels = uint64_t{1} << 27;

// True when a frame of inWidth × inHeight pixels is not empty and within kMaxFramePixels.
inline bool FrameSizeAllowed(uint64_t inWidth, uint64_t inHeight) {
  return inWidth != 0 && inHeight != 0 && inWidth <= kMaxFramePixels && inHeight <= kMaxFramePixels &&
         inWidth * inHeight <= kMaxFramePixels;
}


// Allocates bytes without clearing them: a decoder that writes every byte of a frame, or a copy
// that fills every byte of its buffer, does not pay for zeroing (and touching) the memory first.
// Filling with a value (assign, resize with a value) still fills.
template <class T>
struct UnclearedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UnclearedAllocator<U>;
  };
  UnclearedAllocator() = default;
  template <class U>
  UnclearedAllocator(const UnclearedAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* inPlace) noexcept {
    ::new (static_cast<void*>(inPlace)) U;
  }
  template <class U, class... Args>
  void construct(U* inPlace, Args&&... inArgs) {
    ::new (static_cast<void*>(inPlace)) U(std::forward<Args>(inArgs)...);
  }
};
using PixelBytes = std::vector<uint8_t, UnclearedAllocator<uint8_t>>;

// The whole picture file; sources share it and keep it as long as they live. Read into memory
// that is not cleared first.
using ImageBytes = std::shared_ptr<const PixelBytes>;

// A decoded frame: rows from the top, 4 bytes per pixel in the order blue, green, red, alpha
// (alpha not premultiplied; 255 where the picture has no transparency), no gap between rows.
struct DecodedFrame {
  uint32_t width = 0;
  uint32_t height = 0;
  PixelBytes bgra;
};

class ImageSource {
 public:
  virtual ~ImageSource() = default;

  // One of the ImageFormat GUIDs of gdiplus.h.
  virtual const GUID& RawFormat() const = 0;
  // The one frame dimension of the picture: FrameDimensionTime for GIF, FrameDimensionPage for
  // every other kind.
  virtual const GUID& FrameDimension() const { return FrameDimensionPage; }
  virtual uint32_t FrameCount() const { return 1; }
  // Makes frame inIndex (0-based) current: Ok, InvalidParameter for an index beyond the frames,
  // or the status of a frame whose header cannot be read (the current frame then stays).
  virtual Status SelectFrame(uint32_t inIndex) { return inIndex == 0 ? Gdiplus::Ok : Gdiplus::InvalidParameter; }
  // The current frame's size in pixels and resolution in dots per inch (96 when the file gives
  // none).
  virtual uint32_t Width() const = 0;
  virtual uint32_t Height() const = 0;
  virtual float HorizontalDpi() const = 0;
  virtual float VerticalDpi() const = 0;
  // Decodes the current frame. Damaged or truncated data gives a status (never a crash, a hang or
  // an allocation beyond what the frame's size allows).
  virtual Status Decode(DecodedFrame& outFrame) = 0;
  // Decodes the current frame straight into rows of blue, green, red that start inStride bytes
  // apart at ioTarget, the bytes a 24-bit lock of the decoded frame would give; only the pixels
  // of each row are written. NotImplemented (nothing written) when the source cannot, for
  // instance because the picture has transparency to put over white; other statuses as Decode.
  virtual Status DecodeOpaqueBgr(uint8_t* /*ioTarget*/, int64_t /*inStride*/) { return Gdiplus::NotImplemented; }
};

// Recognises the kind of picture from its first bytes and makes its source: UnknownImageFormat
// when no decoder knows the bytes, else the decoder's status.
Status OpenImageSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource);

// One per kind; each is called only with bytes that start with its kind's signature, but checks
// everything it reads.
Status OpenJpegSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource);
Status OpenPngSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource);
Status OpenTiffSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource);
Status OpenGifSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource);
Status OpenBmpSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource);
Status OpenIconSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource);
// EMF and WMF (placeable or not): size and resolution from the header; Decode gives NotImplemented.
Status OpenMetafileSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource);

}  // namespace QxImaging
