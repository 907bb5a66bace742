// GIF pictures through giflib, read from memory. Every frame is the logical screen as a viewer
// shows it at that frame: the screen starts transparent, each image is drawn into it (clipped to
// the screen, its transparent colour leaving what is below), and before the next image the
// previous one is disposed of as its graphics control extension asks: kept (0, 1 and the undefined
// methods), its rectangle cleared to transparent (2), or its rectangle put back as it was before
// the image was drawn (3).
//
// Opening walks the records without decoding the image data to count the frames; a frame counts
// when its data is complete, and records after the first damaged one are ignored (a missing
// trailer is no damage). Decoding replays the images from the first one, or continues from the
// frame decoded last when the requested frame comes later, so that walking the frames in order
// decodes each image once.
//
// Refused (kDamagedData): a header giflib cannot read, an empty logical screen, no complete frame,
// and image data that does not decode; a screen beyond kMaxFramePixels or more than
// kMaxDecodedPixels image pixels decoded for one frame give OutOfMemory. The resolution is
// always 96 dpi: GIF records none.
#include "ImageDecoding.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <span>

namespace QxImaging {

namespace {

// The most image pixels decoded to show one frame; beyond, a frame costs more than any real
// animation needs.
constexpr uint64_t kMaxDecodedPixels = uint64_t{1} << 31;

struct MemoryInput {
  std::span<const uint8_t> mBytes;
  size_t mPosition = 0;
};

int ReadFromMemory(GifFileType* inGif, GifByteType* outData, int inCount) {
  auto* theInput = static_cast<MemoryInput*>(inGif->UserData);
  if (inCount <= 0) return 0;
  const size_t theCount = std::min(static_cast<size_t>(inCount), theInput->mBytes.size() - theInput->mPosition);
  std::memcpy(outData, theInput->mBytes.data() + theInput->mPosition, theCount);
  theInput->mPosition += theCount;
  return static_cast<int>(theCount);
}

struct GifDeleter {
  void operator()(GifFileType* inGif) const {
    int theError = 0;
    DGifCloseFile(inGif, &theError);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifDeleter>;

// giflib over the bytes of inInput, which must outlive the handle; null when the header is damaged.
GifHandle OpenGif(MemoryInput& inInput) {
  int theError = 0;
  return GifHandle(DGifOpen(&inInput, ReadFromMemory, &theError));
}

// What a graphics control extension says about the image after it.
struct FrameControl {
  int disposal = 0;
  int transparent = -1;
};

// Reads the extension record giflib is at; a graphics control extension updates ioControl.
bool ReadExtension(GifFileType* inGif, FrameControl& ioControl) {
  int theCode = 0;
  GifByteType* theBlock = nullptr;
  if (DGifGetExtension(inGif, &theCode, &theBlock) != GIF_OK) return false;
  if (theCode == GRAPHICS_EXT_FUNC_CODE && theBlock != nullptr && theBlock[0] >= 4) {
    ioControl.disposal = (theBlock[1] >> 2) & 7;
    ioControl.transparent = (theBlock[1] & 1) != 0 ? theBlock[4] : -1;
  }
  while (theBlock != nullptr) {
    if (DGifGetExtensionNext(inGif, &theBlock) != GIF_OK) return false;
  }
  return true;
}

// Passes over the image data of the image giflib is at without decoding it.
bool SkipImageData(GifFileType* inGif) {
  int theCodeSize = 0;
  GifByteType* theBlock = nullptr;
  if (DGifGetCode(inGif, &theCodeSize, &theBlock) != GIF_OK) return false;
  while (theBlock != nullptr) {
    if (DGifGetCodeNext(inGif, &theBlock) != GIF_OK) return false;
  }
  return true;
}

// The number of images whose data is complete, up to the trailer or the first damaged record.
uint32_t CountFrames(GifFileType* inGif) {
  uint32_t theFrames = 0;
  FrameControl theIgnored;
  for (;;) {
    GifRecordType theType = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(inGif, &theType) != GIF_OK) return theFrames;
    switch (theType) {
      case IMAGE_DESC_RECORD_TYPE:
        if (DGifGetImageDesc(inGif) != GIF_OK || !SkipImageData(inGif)) return theFrames;
        ++theFrames;
        break;
      case EXTENSION_RECORD_TYPE:
        if (!ReadExtension(inGif, theIgnored)) return theFrames;
        break;
      default: return theFrames;
    }
  }
}

// A rectangle of the screen, its corners clipped to it.
struct ScreenRect {
  uint32_t left = 0;
  uint32_t top = 0;
  uint32_t right = 0;
  uint32_t bottom = 0;
};

// The screen being shown, frame after frame.
class GifPlayer {
 public:
  GifPlayer(std::span<const uint8_t> inBytes) : mInput{inBytes} {}

  Status Start() {
    mGif = OpenGif(mInput);
    if (mGif == nullptr) return kDamagedData;
    DecodedFrame theCanvas;
    const Status theStatus = AllocateFrame(static_cast<uint32_t>(mGif->SWidth), static_cast<uint32_t>(mGif->SHeight), theCanvas);
    if (theStatus != Gdiplus::Ok) return theStatus;
    mCanvas = std::move(theCanvas);
    return Gdiplus::Ok;
  }

  // The index of the frame on the screen, -1 before the first.
  int64_t Shown() const { return mShown; }
  const DecodedFrame& Canvas() const { return mCanvas; }

  // Disposes of the frame shown and draws the next one; ioWork counts the image pixels decoded.
  Status ShowNext(uint64_t& ioWork) {
    DisposeShown();
    FrameControl theControl;
    for (;;) {
      GifRecordType theType = UNDEFINED_RECORD_TYPE;
      if (DGifGetRecordType(mGif.get(), &theType) != GIF_OK) return kDamagedData;
      if (theType == IMAGE_DESC_RECORD_TYPE) break;
      if (theType != EXTENSION_RECORD_TYPE || !ReadExtension(mGif.get(), theControl)) return kDamagedData;
    }
    if (DGifGetImageDesc(mGif.get()) != GIF_OK) return kDamagedData;
    const GifImageDesc& theImage = mGif->Image;
    if (theImage.Left < 0 || theImage.Top < 0 || theImage.Width < 0 || theImage.Height < 0) return kDamagedData;
    const uint32_t theWidth = static_cast<uint32_t>(theImage.Width);
    const uint32_t theHeight = static_cast<uint32_t>(theImage.Height);
    ScreenRect theRect;
    theRect.left = std::min(static_cast<uint32_t>(theImage.Left), mCanvas.width);
    theRect.top = std::min(static_cast<uint32_t>(theImage.Top), mCanvas.height);
    theRect.right = std::min(theRect.left + theWidth, mCanvas.width);
    theRect.bottom = std::min(theRect.top + theHeight, mCanvas.height);
    mControl = theControl;
    mRect = theRect;
    if (theControl.disposal == 3) SaveRect();
    if (theWidth == 0 || theHeight == 0) {
      if (!SkipImageData(mGif.get())) return kDamagedData;
    } else {
      ioWork += uint64_t{theWidth} * theHeight;
      if (ioWork > kMaxDecodedPixels) return Gdiplus::OutOfMemory;
      const Status theStatus = DrawImage(theImage, theControl);
      if (theStatus != Gdiplus::Ok) return theStatus;
    }
    ++mShown;
    return Gdiplus::Ok;
  }

 private:
  uint8_t* Pixel(uint32_t inX, uint32_t inY) { return mCanvas.bgra.data() + (size_t{inY} * mCanvas.width + inX) * 4; }

  void SaveRect() {
    mSaved.clear();
    for (uint32_t y = mRect.top; y < mRect.bottom; ++y)
      mSaved.insert(mSaved.end(), Pixel(mRect.left, y), Pixel(mRect.left, y) + (mRect.right - mRect.left) * 4);
  }

  void DisposeShown() {
    if (mShown < 0 || mRect.right <= mRect.left) return;
    const size_t theRowBytes = size_t{mRect.right - mRect.left} * 4;
    if (mControl.disposal == 2) {
      for (uint32_t y = mRect.top; y < mRect.bottom; ++y) std::memset(Pixel(mRect.left, y), 0, theRowBytes);
    } else if (mControl.disposal == 3 && mSaved.size() == theRowBytes * (mRect.bottom - mRect.top)) {
      for (uint32_t y = mRect.top; y < mRect.bottom; ++y)
        std::memcpy(Pixel(mRect.left, y), mSaved.data() + (y - mRect.top) * theRowBytes, theRowBytes);
    }
  }

  // Decodes the rows of the image giflib is at and draws them, interlaced rows in their places.
  Status DrawImage(const GifImageDesc& inImage, const FrameControl& inControl) {
    const ColorMapObject* theMap = inImage.ColorMap != nullptr ? inImage.ColorMap : mGif->SColorMap;
    const uint32_t theWidth = static_cast<uint32_t>(inImage.Width);
    const uint32_t theHeight = static_cast<uint32_t>(inImage.Height);
    std::vector<GifPixelType> theLine(theWidth);
    static constexpr uint32_t kInterlaceStart[4] = {0, 4, 2, 1};
    static constexpr uint32_t kInterlaceStep[4] = {8, 8, 4, 2};
    const int thePasses = inImage.Interlace ? 4 : 1;
    for (int thePass = 0; thePass < thePasses; ++thePass) {
      const uint32_t theStart = inImage.Interlace ? kInterlaceStart[thePass] : 0;
      const uint32_t theStep = inImage.Interlace ? kInterlaceStep[thePass] : 1;
      for (uint32_t theRow = theStart; theRow < theHeight; theRow += theStep) {
        if (DGifGetLine(mGif.get(), theLine.data(), static_cast<int>(theWidth)) != GIF_OK) return kDamagedData;
        const uint64_t theY = uint64_t{static_cast<uint32_t>(inImage.Top)} + theRow;
        if (theY >= mRect.bottom) continue;
        for (uint32_t theX = mRect.left; theX < mRect.right; ++theX) {
          const int theIndex = theLine[theX - static_cast<uint32_t>(inImage.Left)];
          if (theIndex == inControl.transparent) continue;
          uint8_t* theTarget = Pixel(theX, static_cast<uint32_t>(theY));
          if (theMap == nullptr) {
            theTarget[0] = theTarget[1] = theTarget[2] = static_cast<uint8_t>(theIndex);
          } else if (theIndex < theMap->ColorCount) {
            const GifColorType& theColour = theMap->Colors[theIndex];
            theTarget[0] = theColour.Blue;
            theTarget[1] = theColour.Green;
            theTarget[2] = theColour.Red;
          } else {
            theTarget[0] = theTarget[1] = theTarget[2] = 0;
          }
          theTarget[3] = 255;
        }
      }
    }
    return Gdiplus::Ok;
  }

  MemoryInput mInput;
  GifHandle mGif;
  DecodedFrame mCanvas;
  int64_t mShown = -1;
  // How the frame shown is disposed of, its clipped rectangle, and for disposal 3 what was below.
  FrameControl mControl;
  ScreenRect mRect;
  std::vector<uint8_t> mSaved;
};

class GifSource final : public ImageSource {
 public:
  GifSource(ImageBytes inBytes, uint32_t inWidth, uint32_t inHeight, uint32_t inFrames)
      : mBytes(std::move(inBytes)), mWidth(inWidth), mHeight(inHeight), mFrames(inFrames) {}

  const GUID& RawFormat() const override { return ImageFormatGIF; }
  const GUID& FrameDimension() const override { return FrameDimensionTime; }
  uint32_t FrameCount() const override { return mFrames; }
  uint32_t Width() const override { return mWidth; }
  uint32_t Height() const override { return mHeight; }
  float HorizontalDpi() const override { return kDefaultDpi; }
  float VerticalDpi() const override { return kDefaultDpi; }

  Status SelectFrame(uint32_t inIndex) override {
    if (inIndex >= mFrames) return Gdiplus::InvalidParameter;
    mCurrent = inIndex;
    return Gdiplus::Ok;
  }

  Status Decode(DecodedFrame& outFrame) override {
    if (!FrameSizeAllowed(mWidth, mHeight)) return Gdiplus::OutOfMemory;
    try {
      const Status theStatus = Advance();
      if (theStatus != Gdiplus::Ok) {
        mPlayer.reset();
        return theStatus;
      }
      outFrame = mPlayer->Canvas();
    } catch (const std::bad_alloc&) {
      mPlayer.reset();
      return Gdiplus::OutOfMemory;
    }
    return Gdiplus::Ok;
  }

 private:
  // Brings the player to the current frame, starting over when it is past it.
  Status Advance() {
    if (mPlayer == nullptr || mPlayer->Shown() > mCurrent) {
      mPlayer = std::make_unique<GifPlayer>(*mBytes);
      const Status theStatus = mPlayer->Start();
      if (theStatus != Gdiplus::Ok) return theStatus;
    }
    uint64_t theWork = 0;
    while (mPlayer->Shown() < mCurrent) {
      const Status theStatus = mPlayer->ShowNext(theWork);
      if (theStatus != Gdiplus::Ok) return theStatus;
    }
    return Gdiplus::Ok;
  }

  ImageBytes mBytes;
  uint32_t mWidth;
  uint32_t mHeight;
  uint32_t mFrames;
  uint32_t mCurrent = 0;
  std::unique_ptr<GifPlayer> mPlayer;
};

}  // namespace

Status OpenGifSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource) {
  MemoryInput theInput{*inBytes};
  const GifHandle theGif = OpenGif(theInput);
  if (theGif == nullptr || theGif->SWidth <= 0 || theGif->SHeight <= 0) return kDamagedData;
  const uint32_t theWidth = static_cast<uint32_t>(theGif->SWidth);
  const uint32_t theHeight = static_cast<uint32_t>(theGif->SHeight);
  const uint32_t theFrames = CountFrames(theGif.get());
  if (theFrames == 0) return kDamagedData;
  outSource = std::make_unique<GifSource>(std::move(inBytes), theWidth, theHeight, theFrames);
  return Gdiplus::Ok;
}

}  // namespace QxImaging
