// TIFF pictures through libtiff, read from memory. Every directory of the main chain is a page;
// the chain is walked here at opening (its offsets are kept, so that selecting a page jumps to its
// directory), stopping at the first offset outside the data, at a directory seen before (a loop) or
// after kMaxPages pages. Pixels come from libtiff's RGBA interface, which handles every
// photometric interpretation, sample layout and compression libtiff knows.
//
// The resolution of a page is XResolution/YResolution in ResolutionUnit (inches when the tag is
// absent, centimetres converted); a page without resolution, or with unit 1 (no absolute unit),
// has 96 dpi.
//
// Refused (kDamagedData): a first directory libtiff cannot read, a page whose directory cannot be
// read (at selection) and pixel data libtiff cannot decode or does not support; frames beyond
// kMaxFramePixels give OutOfMemory at decoding. Errors and warnings are silenced per opened file.
#include "ImageDecoding.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstring>
#include <span>
#include <unordered_set>

namespace QxImaging {

namespace {

constexpr uint32_t kMaxPages = 65536;
// The largest single block libtiff may allocate (a strip or tile buffer, a tag's values).
constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{1} << 30;

struct MemoryFile {
  std::span<const uint8_t> mBytes;
  uint64_t mPosition = 0;
};

MemoryFile& FileOf(thandle_t inHandle) { return *static_cast<MemoryFile*>(inHandle); }

tmsize_t ReadProc(thandle_t inHandle, void* outData, tmsize_t inCount) {
  MemoryFile& theFile = FileOf(inHandle);
  if (inCount <= 0 || theFile.mPosition >= theFile.mBytes.size()) return 0;
  const uint64_t theCount = std::min<uint64_t>(static_cast<uint64_t>(inCount), theFile.mBytes.size() - theFile.mPosition);
  std::memcpy(outData, theFile.mBytes.data() + theFile.mPosition, static_cast<size_t>(theCount));
  theFile.mPosition += theCount;
  return static_cast<tmsize_t>(theCount);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return -1; }

toff_t SeekProc(thandle_t inHandle, toff_t inOffset, int inWhence) {
  MemoryFile& theFile = FileOf(inHandle);
  uint64_t theBase = 0;
  switch (inWhence) {
    case SEEK_SET: theBase = 0; break;
    case SEEK_CUR: theBase = theFile.mPosition; break;
    case SEEK_END: theBase = theFile.mBytes.size(); break;
    default: return static_cast<toff_t>(-1);
  }
  // Offsets are unsigned; a step back arrives as its two's complement and wraps as intended.
  theFile.mPosition = theBase + inOffset;
  return theFile.mPosition;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t inHandle) { return FileOf(inHandle).mBytes.size(); }

// The data is already in memory: libtiff reads it in place.
int MapProc(thandle_t inHandle, void** outBase, toff_t* outSize) {
  MemoryFile& theFile = FileOf(inHandle);
  *outBase = const_cast<uint8_t*>(theFile.mBytes.data());
  *outSize = theFile.mBytes.size();
  return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int Silence(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* inOptions) const { TIFFOpenOptionsFree(inOptions); }
};

struct TiffDeleter {
  void operator()(TIFF* inTiff) const { TIFFClose(inTiff); }
};

// libtiff over the picture's bytes; the file record must outlive the handle.
std::unique_ptr<TIFF, TiffDeleter> OpenTiff(MemoryFile& inFile) {
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> theOptions(TIFFOpenOptionsAlloc());
  if (theOptions == nullptr) return nullptr;
  TIFFOpenOptionsSetMaxSingleMemAlloc(theOptions.get(), kMaxLibraryAllocation);
  TIFFOpenOptionsSetErrorHandlerExtR(theOptions.get(), Silence, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(theOptions.get(), Silence, nullptr);
  return std::unique_ptr<TIFF, TiffDeleter>(TIFFClientOpenExt("picture", "r", &inFile, ReadProc, WriteProc,
                                                              SeekProc, CloseProc, SizeProc, MapProc, UnmapProc,
                                                              theOptions.get()));
}

// The offsets of the directories of the main chain, read from the header and each directory's
// entry count and next-directory field.
std::vector<uint64_t> ChainOffsets(std::span<const uint8_t> inBytes) {
  std::vector<uint64_t> theOffsets;
  if (inBytes.size() < 8) return theOffsets;
  const bool theLittle = inBytes[0] == 'I';
  auto Read16 = [&](uint64_t inAt) {
    const uint32_t theA = inBytes[inAt];
    const uint32_t theB = inBytes[inAt + 1];
    return theLittle ? theA | (theB << 8) : (theA << 8) | theB;
  };
  auto Read32 = [&](uint64_t inAt) {
    return theLittle ? Read16(inAt) | (Read16(inAt + 2) << 16) : (Read16(inAt) << 16) | Read16(inAt + 2);
  };
  std::unordered_set<uint64_t> theSeen;
  uint64_t theOffset = Read32(4);
  while (theOffset != 0 && theOffsets.size() < kMaxPages) {
    if (theOffset > inBytes.size() || inBytes.size() - theOffset < 2 || !theSeen.insert(theOffset).second) break;
    const uint64_t theNext = theOffset + 2 + uint64_t{Read16(theOffset)} * 12;
    theOffsets.push_back(theOffset);
    if (theNext > inBytes.size() || inBytes.size() - theNext < 4) break;
    theOffset = Read32(theNext);
  }
  return theOffsets;
}

struct PageInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  float horizontalDpi = kDefaultDpi;
  float verticalDpi = kDefaultDpi;
};

PageInfo DescribePage(TIFF* inTiff) {
  PageInfo thePage;
  TIFFGetField(inTiff, TIFFTAG_IMAGEWIDTH, &thePage.width);
  TIFFGetField(inTiff, TIFFTAG_IMAGELENGTH, &thePage.height);
  float theX = 0;
  float theY = 0;
  uint16_t theUnit = RESUNIT_INCH;
  if (TIFFGetField(inTiff, TIFFTAG_XRESOLUTION, &theX) == 1 && TIFFGetField(inTiff, TIFFTAG_YRESOLUTION, &theY) == 1 &&
      TIFFGetFieldDefaulted(inTiff, TIFFTAG_RESOLUTIONUNIT, &theUnit) == 1 &&
      (theUnit == RESUNIT_INCH || theUnit == RESUNIT_CENTIMETER)) {
    const double theScale = theUnit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    thePage.horizontalDpi = DpiOrDefault(theX * theScale);
    thePage.verticalDpi = DpiOrDefault(theY * theScale);
  }
  return thePage;
}

// A colour that libtiff premultiplied by inAlpha, back to its own value.
inline uint8_t Unpremultiply(uint32_t inColour, uint32_t inAlpha) {
  if (inAlpha == 0) return 0;
  return static_cast<uint8_t>(std::min<uint32_t>(255, (inColour * 255 + inAlpha / 2) / inAlpha));
}

class TiffSource final : public ImageSource {
 public:
  TiffSource(ImageBytes inBytes, std::vector<uint64_t> inOffsets)
      : mBytes(std::move(inBytes)), mFile{*mBytes}, mOffsets(std::move(inOffsets)) {}

  // Opens libtiff over the bytes and reads the first page's directory.
  Status Open() {
    mTiff = OpenTiff(mFile);
    if (mTiff == nullptr) return kDamagedData;
    mPage = DescribePage(mTiff.get());
    // The first directory read by libtiff must lead the chain walked above.
    if (mOffsets.empty() || TIFFCurrentDirOffset(mTiff.get()) != mOffsets.front()) mOffsets.assign(1, TIFFCurrentDirOffset(mTiff.get()));
    return Gdiplus::Ok;
  }

  const GUID& RawFormat() const override { return ImageFormatTIFF; }
  uint32_t FrameCount() const override { return static_cast<uint32_t>(mOffsets.size()); }
  uint32_t Width() const override { return mPage.width; }
  uint32_t Height() const override { return mPage.height; }
  float HorizontalDpi() const override { return mPage.horizontalDpi; }
  float VerticalDpi() const override { return mPage.verticalDpi; }

  Status SelectFrame(uint32_t inIndex) override {
    if (inIndex >= mOffsets.size()) return Gdiplus::InvalidParameter;
    if (TIFFSetSubDirectory(mTiff.get(), mOffsets[inIndex]) != 1) return kDamagedData;
    mPage = DescribePage(mTiff.get());
    mCurrent = inIndex;
    return Gdiplus::Ok;
  }

  Status Decode(DecodedFrame& outFrame) override {
    DecodedFrame theFrame;
    const Status theStatus = AllocateFrame(mPage.width, mPage.height, theFrame);
    if (theStatus != Gdiplus::Ok) return theStatus;
    // A failed selection may have left libtiff on another directory.
    if (TIFFCurrentDirOffset(mTiff.get()) != mOffsets[mCurrent] &&
        TIFFSetSubDirectory(mTiff.get(), mOffsets[mCurrent]) != 1)
      return kDamagedData;
    char theMessage[1024] = {};
    if (TIFFRGBAImageOK(mTiff.get(), theMessage) != 1) return kDamagedData;
    TIFFRGBAImage theImage{};
    if (TIFFRGBAImageBegin(&theImage, mTiff.get(), 1, theMessage) != 1) return kDamagedData;
    theImage.req_orientation = ORIENTATION_TOPLEFT;
    const bool theRead =
        theImage.width == mPage.width && theImage.height == mPage.height &&
        TIFFRGBAImageGet(&theImage, reinterpret_cast<uint32_t*>(theFrame.bgra.data()), mPage.width, mPage.height) == 1;
    const bool theAlpha = theImage.alpha != 0;
    TIFFRGBAImageEnd(&theImage);
    if (!theRead) return kDamagedData;
    // libtiff gives each pixel as one 32-bit value (red in the low byte) with premultiplied alpha.
    for (size_t i = 0; i < theFrame.bgra.size(); i += 4) {
      uint32_t thePixel = 0;
      std::memcpy(&thePixel, theFrame.bgra.data() + i, 4);
      const uint32_t theA = TIFFGetA(thePixel);
      uint8_t* theTarget = theFrame.bgra.data() + i;
      theTarget[0] = theAlpha ? Unpremultiply(TIFFGetB(thePixel), theA) : static_cast<uint8_t>(TIFFGetB(thePixel));
      theTarget[1] = theAlpha ? Unpremultiply(TIFFGetG(thePixel), theA) : static_cast<uint8_t>(TIFFGetG(thePixel));
      theTarget[2] = theAlpha ? Unpremultiply(TIFFGetR(thePixel), theA) : static_cast<uint8_t>(TIFFGetR(thePixel));
      theTarget[3] = theAlpha ? static_cast<uint8_t>(theA) : 255;
    }
    outFrame = std::move(theFrame);
    return Gdiplus::Ok;
  }

 private:
  ImageBytes mBytes;
  MemoryFile mFile;
  std::vector<uint64_t> mOffsets;
  std::unique_ptr<TIFF, TiffDeleter> mTiff;
  PageInfo mPage;
  uint32_t mCurrent = 0;
};

}  // namespace

Status OpenTiffSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource) {
  std::vector<uint64_t> theOffsets = ChainOffsets(*inBytes);
  auto theSource = std::make_unique<TiffSource>(std::move(inBytes), std::move(theOffsets));
  const Status theStatus = theSource->Open();
  if (theStatus != Gdiplus::Ok) return theStatus;
  outSource = std::move(theSource);
  return Gdiplus::Ok;
}

}  // namespace QxImaging
