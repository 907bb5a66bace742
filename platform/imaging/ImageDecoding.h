// Helpers the decoders of the image codec module share.
#pragma once

#include "ImageSource.h"

#include <cmath>
#include <new>

namespace QxImaging {

// Picture data that cannot be decoded (damaged, truncated before the pixels, or a variant the
// decoder refuses) is reported as OutOfMemory: that is the status Windows' codec gives for damaged
// pictures, and callers written against it treat that status as "not a usable picture".
inline constexpr Status kDamagedData = Gdiplus::OutOfMemory;

// The resolution of a picture that gives none.
inline constexpr float kDefaultDpi = 96.0f;

// inDpi when it is a usable resolution, else kDefaultDpi.
inline float DpiOrDefault(double inDpi) {
  return std::isfinite(inDpi) && inDpi >= 1.0 / 16 && inDpi <= 1e6 ? static_cast<float>(inDpi) : kDefaultDpi;
}

// Sizes outFrame for inWidth × inHeight pixels, all transparent black (or left as allocated when
// not inCleared, for a decoder that writes every pixel or fails): OutOfMemory when the frame is
// empty, beyond kMaxFramePixels, or memory runs out.
inline Status AllocateFrame(uint32_t inWidth, uint32_t inHeight, DecodedFrame& outFrame, bool inCleared = true) {
  if (!FrameSizeAllowed(inWidth, inHeight)) return Gdiplus::OutOfMemory;
  try {
    const size_t theSize = static_cast<size_t>(inWidth) * inHeight * 4;
    if (inCleared)
      outFrame.bgra.assign(theSize, 0);
    else
      outFrame.bgra.resize(theSize);
  } catch (const std::bad_alloc&) {
    outFrame.bgra.clear();
    return Gdiplus::OutOfMemory;
  }
  outFrame.width = inWidth;
  outFrame.height = inHeight;
  return Gdiplus::Ok;
}

}  // namespace QxImaging
