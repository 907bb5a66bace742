// JPEG pictures through libjpeg(-turbo), read from memory. Grey, RGB and YCbCr pictures come out of
// the library as blue, green, red, alpha; CMYK and YCCK pictures come out as CMYK in the Adobe
// convention (inverted: 255 is no ink), which the conversion below turns into RGB as other viewers
// do: each colour is the product of its stored channel and the stored black, divided by 255.
//
// The resolution is the JFIF density when it is in dots per inch or per centimetre, else the EXIF
// XResolution/YResolution with their ResolutionUnit, else 96 dpi.
//
// A scan that ends early is completed by the library (as viewers do) and accepted. Refused: a
// damaged header or scan data the library gives up on (kDamagedData), more than kMaxScans scans,
// colour spaces other than the above, and frames beyond kMaxFramePixels.
#include "ImageDecoding.h"

#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

#include <csetjmp>
#include <optional>
#include <span>

namespace QxImaging {

namespace {

// A progressive picture may have many scans, each of which runs over all its coefficients; far
// more than any encoder writes means a hostile file.
constexpr int kMaxScans = 1000;

struct ErrorManager {
  jpeg_error_mgr mPublic;
  jmp_buf mJump;
};

[[noreturn]] void ExitOnError(j_common_ptr inInfo) {
  longjmp(reinterpret_cast<ErrorManager*>(inInfo->err)->mJump, 1);
}

// Warnings (a scan that ends early, corrupt data the library recovers from) are accepted quietly.
void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}

void LimitScans(j_common_ptr inInfo) {
  if (inInfo->is_decompressor &&
      reinterpret_cast<j_decompress_ptr>(inInfo)->input_scan_number > kMaxScans)
    ExitOnError(inInfo);
}

// One pass of libjpeg over the picture's bytes.
class JpegReader {
 public:
  JpegReader() {
    mInfo.err = jpeg_std_error(&mErrors.mPublic);
    mErrors.mPublic.error_exit = ExitOnError;
    mErrors.mPublic.emit_message = IgnoreMessage;
    mErrors.mPublic.output_message = IgnoreOutput;
    mProgress.progress_monitor = LimitScans;
  }
  ~JpegReader() {
    if (mCreated) jpeg_destroy_decompress(&mInfo);
  }
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;

  jpeg_decompress_struct mInfo{};
  ErrorManager mErrors{};
  jpeg_progress_mgr mProgress{};
  bool mCreated = false;
};

struct JpegHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  float horizontalDpi = kDefaultDpi;
  float verticalDpi = kDefaultDpi;
};

// Reads the markers before the first scan; false when they are damaged. EXIF markers are kept for
// the resolution.
bool ReadHeader(JpegReader& inReader, std::span<const uint8_t> inBytes) {
  j_decompress_ptr theInfo = &inReader.mInfo;
  if (setjmp(inReader.mErrors.mJump)) return false;
  jpeg_create_decompress(theInfo);
  inReader.mCreated = true;
  theInfo->progress = &inReader.mProgress;
  jpeg_mem_src(theInfo, inBytes.data(), static_cast<unsigned long>(inBytes.size()));
  jpeg_save_markers(theInfo, JPEG_APP0 + 1, 0xFFFF);
  return jpeg_read_header(theInfo, TRUE) == JPEG_HEADER_OK;
}

// The TIFF structure inside an EXIF marker, read with every offset checked.
class ExifReader {
 public:
  explicit ExifReader(std::span<const uint8_t> inTiff) : mTiff(inTiff) {}

  // The resolution of IFD0 in dots per inch, when it has one.
  std::optional<std::pair<double, double>> Resolution() const {
    if (mTiff.size() < 8) return std::nullopt;
    if (mTiff[0] == 'I' && mTiff[1] == 'I') {
      mLittle = true;
    } else if (mTiff[0] == 'M' && mTiff[1] == 'M') {
      mLittle = false;
    } else {
      return std::nullopt;
    }
    if (Read16(2) != 42) return std::nullopt;
    const uint64_t theIfd = Read32(4);
    if (theIfd > mTiff.size() || mTiff.size() - theIfd < 2) return std::nullopt;
    const uint32_t theCount = Read16(static_cast<size_t>(theIfd));
    std::optional<double> theX;
    std::optional<double> theY;
    uint32_t theUnit = 2;  // inches when the tag is absent
    for (uint32_t i = 0; i < theCount; ++i) {
      const uint64_t theEntry = theIfd + 2 + uint64_t{i} * 12;
      if (theEntry + 12 > mTiff.size()) break;
      const size_t theAt = static_cast<size_t>(theEntry);
      const uint32_t theTag = Read16(theAt);
      const uint32_t theType = Read16(theAt + 2);
      const uint32_t theValues = Read32(theAt + 4);
      if (theTag == 0x0128 && theType == 3 && theValues >= 1) {
        theUnit = Read16(theAt + 8);
      } else if ((theTag == 0x011A || theTag == 0x011B) && theType == 5 && theValues >= 1) {
        const uint64_t theOffset = Read32(theAt + 8);
        if (theOffset > mTiff.size() || mTiff.size() - theOffset < 8) continue;
        const uint32_t theNumerator = Read32(static_cast<size_t>(theOffset));
        const uint32_t theDenominator = Read32(static_cast<size_t>(theOffset) + 4);
        if (theDenominator == 0 || theNumerator == 0) continue;
        (theTag == 0x011A ? theX : theY) = static_cast<double>(theNumerator) / theDenominator;
      }
    }
    if (!theX || !theY) return std::nullopt;
    if (theUnit == 2) return std::make_pair(*theX, *theY);
    if (theUnit == 3) return std::make_pair(*theX * 2.54, *theY * 2.54);
    return std::nullopt;
  }

 private:
  uint32_t Read16(size_t inAt) const {
    return mLittle ? mTiff[inAt] | (uint32_t{mTiff[inAt + 1]} << 8) : (uint32_t{mTiff[inAt]} << 8) | mTiff[inAt + 1];
  }
  uint32_t Read32(size_t inAt) const {
    return mLittle ? Read16(inAt) | (Read16(inAt + 2) << 16) : (Read16(inAt) << 16) | Read16(inAt + 2);
  }

  std::span<const uint8_t> mTiff;
  mutable bool mLittle = true;
};

JpegHeader DescribeHeader(const jpeg_decompress_struct& inInfo) {
  JpegHeader theHeader;
  theHeader.width = inInfo.image_width;
  theHeader.height = inInfo.image_height;
  if (inInfo.saw_JFIF_marker && (inInfo.density_unit == 1 || inInfo.density_unit == 2) && inInfo.X_density != 0 &&
      inInfo.Y_density != 0) {
    const double theScale = inInfo.density_unit == 2 ? 2.54 : 1.0;
    theHeader.horizontalDpi = DpiOrDefault(inInfo.X_density * theScale);
    theHeader.verticalDpi = DpiOrDefault(inInfo.Y_density * theScale);
    return theHeader;
  }
  static constexpr uint8_t kExif[6] = {'E', 'x', 'i', 'f', 0, 0};
  for (jpeg_saved_marker_ptr theMarker = inInfo.marker_list; theMarker != nullptr; theMarker = theMarker->next) {
    if (theMarker->marker != JPEG_APP0 + 1 || theMarker->data_length < sizeof kExif ||
        std::memcmp(theMarker->data, kExif, sizeof kExif) != 0)
      continue;
    const ExifReader theExif(std::span<const uint8_t>(theMarker->data + sizeof kExif,
                                                      theMarker->data_length - sizeof kExif));
    if (const auto theDpi = theExif.Resolution()) {
      theHeader.horizontalDpi = DpiOrDefault(theDpi->first);
      theHeader.verticalDpi = DpiOrDefault(theDpi->second);
    }
    break;
  }
  return theHeader;
}

// A channel of an inverted CMYK pixel as RGB: the stored black times the stored channel, computed
// as ink subtracted from white so that results round as other viewers' do.
inline uint8_t FromInvertedCmyk(uint32_t inChannel, uint32_t inBlack) {
  const uint32_t theProduct = (255 - inChannel) * inBlack + 128;
  return static_cast<uint8_t>(inBlack - (((theProduct >> 8) + theProduct) >> 8));
}

// Decodes the scans of a reader whose header has been read into ioFrame, sized beforehand. False
// when the data is damaged beyond what the library completes by itself.
bool ReadPixels(JpegReader& inReader, DecodedFrame& ioFrame, std::vector<uint8_t>& ioRow) {
  j_decompress_ptr theInfo = &inReader.mInfo;
  if (setjmp(inReader.mErrors.mJump)) return false;
  const bool theCmyk = theInfo->jpeg_color_space == JCS_CMYK || theInfo->jpeg_color_space == JCS_YCCK;
  theInfo->out_color_space = theCmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(theInfo);
  if (theInfo->output_width != ioFrame.width || theInfo->output_height != ioFrame.height ||
      theInfo->output_components != 4)
    return false;
  const size_t theRowBytes = size_t{ioFrame.width} * 4;
  while (theInfo->output_scanline < theInfo->output_height) {
    uint8_t* theTarget = ioFrame.bgra.data() + theInfo->output_scanline * theRowBytes;
    JSAMPROW theRow = theCmyk ? ioRow.data() : theTarget;
    if (jpeg_read_scanlines(theInfo, &theRow, 1) != 1) return false;
    if (!theCmyk) continue;
    const uint8_t* theSource = ioRow.data();
    for (uint32_t x = 0; x < ioFrame.width; ++x, theSource += 4, theTarget += 4) {
      theTarget[0] = FromInvertedCmyk(theSource[2], theSource[3]);
      theTarget[1] = FromInvertedCmyk(theSource[1], theSource[3]);
      theTarget[2] = FromInvertedCmyk(theSource[0], theSource[3]);
      theTarget[3] = 255;
    }
  }
  jpeg_abort_decompress(theInfo);
  return true;
}

bool SupportedColourSpace(const jpeg_decompress_struct& inInfo) {
  switch (inInfo.jpeg_color_space) {
    case JCS_GRAYSCALE: return inInfo.num_components == 1;
    case JCS_RGB:
    case JCS_YCbCr: return inInfo.num_components == 3;
    case JCS_CMYK:
    case JCS_YCCK: return inInfo.num_components == 4;
    default: return false;
  }
}

class JpegSource final : public ImageSource {
 public:
  JpegSource(ImageBytes inBytes, const JpegHeader& inHeader) : mBytes(std::move(inBytes)), mHeader(inHeader) {}

  const GUID& RawFormat() const override { return ImageFormatJPEG; }
  uint32_t Width() const override { return mHeader.width; }
  uint32_t Height() const override { return mHeader.height; }
  float HorizontalDpi() const override { return mHeader.horizontalDpi; }
  float VerticalDpi() const override { return mHeader.verticalDpi; }

  Status Decode(DecodedFrame& outFrame) override {
    DecodedFrame theFrame;
    Status theStatus = AllocateFrame(mHeader.width, mHeader.height, theFrame, false);  // every row is decoded or the frame dropped
    if (theStatus != Gdiplus::Ok) return theStatus;
    std::vector<uint8_t> theRow;
    try {
      theRow.resize(size_t{mHeader.width} * 4);
    } catch (const std::bad_alloc&) {
      return Gdiplus::OutOfMemory;
    }
    JpegReader theReader;
    if (!ReadHeader(theReader, *mBytes) || !SupportedColourSpace(theReader.mInfo) ||
        !ReadPixels(theReader, theFrame, theRow))
      return kDamagedData;
    outFrame = std::move(theFrame);
    return Gdiplus::Ok;
  }

 private:
  ImageBytes mBytes;
  JpegHeader mHeader;
};

}  // namespace

Status OpenJpegSource(ImageBytes inBytes, std::unique_ptr<ImageSource>& outSource) {
  JpegReader theReader;
  if (!ReadHeader(theReader, *inBytes) || !SupportedColourSpace(theReader.mInfo)) return kDamagedData;
  outSource = std::make_unique<JpegSource>(std::move(inBytes), DescribeHeader(theReader.mInfo));
  return Gdiplus::Ok;
}

}  // namespace QxImaging
