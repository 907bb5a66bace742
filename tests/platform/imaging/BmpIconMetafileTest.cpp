// Bitmaps, icons and metafiles through the codec's flat functions: every info header size and
// depth, palettes, colour masks, run-length escapes, row order, resolution, truncation, the icon
// image chosen and its transparency, metafile sizes and resolutions, and hostile headers. The
// pictures and their expected pixels come from tests/support/make_bmp_pictures.py.
#include "CodecTestSupport.h"

using namespace Gdiplus;
using namespace codectest;

namespace {

bool MakeBmpPictures() { return MakePicturesWith("make_bmp_pictures.py", "BmpIconMetafileTest"); }

// The current frame locked as 32bppARGB: its alpha bytes, rows from the top.
std::vector<uint8_t> LockedAlpha(Bitmap& inBitmap) {
  BitmapData theData{};
  const Status theStatus = inBitmap.LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &theData);
  EXPECT_EQ(theStatus, Ok);
  if (theStatus != Ok) return {};
  std::vector<uint8_t> theAlpha;
  for (UINT y = 0; y < theData.Height; ++y) {
    const auto* theRow = static_cast<const uint8_t*>(theData.Scan0) + static_cast<ptrdiff_t>(y) * theData.Stride;
    for (UINT x = 0; x < theData.Width; ++x) theAlpha.push_back(theRow[x * 4 + 3]);
  }
  EXPECT_EQ(inBitmap.UnlockBits(&theData), Ok);
  return theAlpha;
}

bool SameGuid(const GUID& inLeft, const GUID& inRight) { return IsEqualGUID(inLeft, inRight) != 0; }

class BmpIconMetafileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sMade = MakeBmpPictures(); }
  void SetUp() override {
    ASSERT_TRUE(sMade) << "the picture generator failed";
    ASSERT_EQ(mSession.Status(), Ok);
  }

  // Loads inName and checks its raw format, size, resolution and pixels (locked as 24bppRGB, so
  // composited over white) against the generator's.
  void ExpectPicture(const std::string& inName, const GUID& inFormat, UINT inWidth, UINT inHeight, REAL inDpiX = 96,
                     REAL inDpiY = 96) {
    SCOPED_TRACE(inName);
    auto theBitmap = Load(inName);
    ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
    GUID theFormat{};
    ASSERT_EQ(theBitmap->GetRawFormat(&theFormat), Ok);
    EXPECT_TRUE(SameGuid(theFormat, inFormat));
    EXPECT_EQ(theBitmap->GetWidth(), inWidth);
    EXPECT_EQ(theBitmap->GetHeight(), inHeight);
    EXPECT_NEAR(theBitmap->GetHorizontalResolution(), inDpiX, 0.001);
    EXPECT_NEAR(theBitmap->GetVerticalResolution(), inDpiY, 0.001);
    const std::vector<uint8_t> theExpected = ExpectedRgb(inName, 0);
    ASSERT_EQ(theExpected.size(), size_t{inWidth} * inHeight * 3);
    EXPECT_EQ(LockedRgb(*theBitmap), theExpected);
  }

  void ExpectBmp(const std::string& inName, REAL inDpiX = 96, REAL inDpiY = 96) {
    ExpectPicture(inName, ImageFormatBMP, 13, 7, inDpiX, inDpiY);
  }

  // Loading inName fails with inStatus.
  void ExpectRefused(const std::string& inName, Status inStatus) {
    SCOPED_TRACE(inName);
    auto theBitmap = Load(inName);
    ASSERT_NE(theBitmap, nullptr);
    EXPECT_EQ(theBitmap->GetLastStatus(), inStatus);
  }

  static inline bool sMade = false;
  CodecSession mSession;
};

// 12-byte core headers (3-byte palette entries, 16-bit sizes), OS/2 2.x headers of 16 and 64
// bytes, Windows headers of 40, 52 (three masks inside), 56 (four masks inside), 108 and 124.
TEST_F(BmpIconMetafileTest, EveryHeaderSizeDecodes) {
  ExpectBmp("core-4bit.bmp");
  ExpectBmp("core-24bit.bmp");
  ExpectBmp("os2-16-8bit.bmp");
  ExpectBmp("os2-64-8bit.bmp");
  ExpectBmp("info-4bit.bmp");
  ExpectBmp("v2-52-16bit-565.bmp");
  ExpectBmp("v3-56-32bit-alpha.bmp");
  ExpectBmp("v4-108-32bit-rgb.bmp");
  ExpectBmp("v5-32bit-alpha.bmp");
  ExpectBmp("v5-16bit-565.bmp");
}

// 1, 4 and 8 bits through palettes; 16 bits at 5-5-5 without masks and 5-6-5 with them (fields
// widened by value × 255 / largest, truncated); 24 bits; 32 bits.
TEST_F(BmpIconMetafileTest, EveryDepthDecodes) {
  ExpectBmp("info-1bit.bmp", 72.009f, 72.009f);
  ExpectBmp("info-4bit.bmp");
  ExpectBmp("info-8bit.bmp", 96.012f, 96.012f);
  ExpectBmp("info-16bit-555.bmp");
  ExpectBmp("info-16bit-565.bmp");
  ExpectBmp("topdown-24bit.bmp");
  ExpectBmp("info-32bit-rgb.bmp", 96.012f, 96.012f);
}

// A 32-bit BI_RGB bitmap's fourth byte is not alpha, even in a 108-byte header that carries an
// alpha mask; bit fields with an alpha mask (56- and 124-byte headers) are transparent.
TEST_F(BmpIconMetafileTest, AlphaOnlyFromAnAlphaMask) {
  for (const char* theName : {"info-32bit-rgb.bmp", "v4-108-32bit-rgb.bmp"}) {
    SCOPED_TRACE(theName);
    auto theBitmap = Load(theName);
    ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
    const std::vector<uint8_t> theAlpha = LockedAlpha(*theBitmap);
    ASSERT_EQ(theAlpha.size(), 13u * 7u);
    EXPECT_EQ(std::count(theAlpha.begin(), theAlpha.end(), 255), 13 * 7);
  }
  auto theBitmap = Load("v3-56-32bit-alpha.bmp");
  ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
  const std::vector<uint8_t> theAlpha = LockedAlpha(*theBitmap);
  ASSERT_EQ(theAlpha.size(), 13u * 7u);
  // (x × 20 + y × 30) mod 256 at x, y; the top row is y = 0.
  EXPECT_EQ(theAlpha[0], 0);
  EXPECT_EQ(theAlpha[5], 100);
  EXPECT_EQ(theAlpha[13 * 6 + 12], (12 * 20 + 6 * 30) % 256);
}

// A palette shorter than the depth allows (indexes beyond it black) found after a pixel offset of
// 0; a palette count of 0 meaning all 16 entries; a count of 4 billion cut at the pixels.
TEST_F(BmpIconMetafileTest, PalettesAreBoundedByCountDepthAndData) {
  ExpectBmp("info-8bit-short-palette.bmp");
  ExpectBmp("v5-4bit-topdown.bmp");
  ExpectPicture("hostile-palette-4e9.bmp", ImageFormatBMP, 4, 2);
}

// Encoded runs, literal runs of odd length (padded to 16 bits), moves, early ends of line, runs
// over the right edge and past the last row, a stream without its end; pixels never written keep
// palette entry 0.
TEST_F(BmpIconMetafileTest, RunLengthEscapesAndOverruns) {
  ExpectBmp("rle8-magick.bmp");
  ExpectBmp("rle8-escapes.bmp");
  ExpectBmp("rle4-escapes.bmp");
  ExpectBmp("rle8-overrun.bmp");
  auto theBitmap = Load("hostile-rle-past-frame.bmp");
  ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
  EXPECT_EQ(LockedRgb(*theBitmap).size(), 4u * 2u * 3u);
}

// Rows from the bottom (positive height) and from the top (negative height), the same pixels.
TEST_F(BmpIconMetafileTest, RowOrderFollowsTheHeightsSign) {
  ExpectBmp("topdown-24bit.bmp");
  ExpectBmp("info-24bit-dpi.bmp", 299.9994f, 150.0124f);
  auto theTopDown = Load("topdown-24bit.bmp");
  auto theBottomUp = Load("info-24bit-dpi.bmp");
  EXPECT_EQ(LockedRgb(*theTopDown), LockedRgb(*theBottomUp));
  ExpectBmp("v5-4bit-topdown.bmp");
}

// Pixels per metre × 0.0254; 96 for a core header, a short OS/2 header or a count of 0.
TEST_F(BmpIconMetafileTest, ResolutionFromPixelsPerMetre) {
  ExpectBmp("info-24bit-dpi.bmp", 299.9994f, 150.0124f);
  ExpectBmp("info-1bit.bmp", 72.009f, 72.009f);
  ExpectBmp("core-24bit.bmp", 96, 96);
  ExpectBmp("os2-16-8bit.bmp", 96, 96);
  ExpectBmp("info-16bit-555.bmp", 96, 96);
}

// Cut in its fourth stored row: three rows, five pixels and the blue byte of a sixth; the rest
// black.
TEST_F(BmpIconMetafileTest, TruncatedPixelsAreCompletedWithBlack) { ExpectBmp("truncated-24bit.bmp"); }

// Sizes and counts beyond what the file or a frame can hold give a status before anything large
// is allocated.
TEST_F(BmpIconMetafileTest, HostileHeadersGiveAStatus) {
  ExpectRefused("hostile-height-min.bmp", OutOfMemory);
  ExpectRefused("hostile-width-2e31.bmp", OutOfMemory);
  ExpectRefused("hostile-huge-frame.bmp", OutOfMemory);
  ExpectRefused("hostile-offset-beyond.bmp", OutOfMemory);
  ExpectRefused("hostile-header-size.bmp", OutOfMemory);
  ExpectRefused("hostile-icon-count.ico", OutOfMemory);
  ExpectRefused("hostile-icon-huge.ico", OutOfMemory);
}

// The largest image (then the deepest) of an icon: PNG images, 32-bit bitmaps with alpha, a mixed
// icon whose 8-bit bitmap has transparent pixels in its mask.
TEST_F(BmpIconMetafileTest, IconShowsItsLargestImage) {
  ExpectPicture("icon-png.ico", ImageFormatIcon, 48, 48);
  ExpectPicture("icon-dib32.ico", ImageFormatIcon, 48, 48);
  ExpectPicture("icon-mixed.ico", ImageFormatIcon, 24, 24);
  auto theBitmap = Load("icon-mixed.ico");
  const std::vector<uint8_t> theAlpha = LockedAlpha(*theBitmap);
  ASSERT_EQ(theAlpha.size(), 24u * 24u);
  EXPECT_EQ(theAlpha[0], 0);              // corner: outside the circle
  EXPECT_EQ(theAlpha[12 * 24 + 12], 255);  // centre
  EXPECT_EQ(theBitmap->GetFrameCount(&FrameDimensionPage), 1u);
}

// A 32-bit image whose fourth bytes are all 0 uses its mask; an entry whose offset lies beyond the
// file is passed over for the next; the image's own header gives the size, not the directory.
TEST_F(BmpIconMetafileTest, IconMaskAndBrokenEntries) { ExpectPicture("icon-zero-alpha.ico", ImageFormatIcon, 8, 8); }

// Metafile sizes and resolutions from their headers; their pixels are not decoded.
TEST_F(BmpIconMetafileTest, MetafileSizeAndResolution) {
  struct Case {
    const char* name;
    const GUID& format;
    UINT width;
    UINT height;
    REAL dpi;
  };
  const Case theCases[] = {
      {"frame.emf", ImageFormatEMF, 200, 100, 101.6f},  // frame 50 × 25 mm at 1280 px / 320 mm
      {"bounds.emf", ImageFormatEMF, 50, 30, 96},       // empty frame: inclusive bounds; no millimetres
      {"placeable.wmf", ImageFormatWMF, 192, 96, 96},   // 2880 × 1440 twips
  };
  for (const Case& theCase : theCases) {
    SCOPED_TRACE(theCase.name);
    auto theBitmap = Load(theCase.name);
    ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
    GUID theFormat{};
    ASSERT_EQ(theBitmap->GetRawFormat(&theFormat), Ok);
    EXPECT_TRUE(SameGuid(theFormat, theCase.format));
    EXPECT_EQ(theBitmap->GetWidth(), theCase.width);
    EXPECT_EQ(theBitmap->GetHeight(), theCase.height);
    EXPECT_NEAR(theBitmap->GetHorizontalResolution(), theCase.dpi, 0.001);
    EXPECT_NEAR(theBitmap->GetVerticalResolution(), theCase.dpi, 0.001);
    BitmapData theData{};
    EXPECT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, &theData), NotImplemented);
  }
  ExpectRefused("empty.emf", OutOfMemory);
  ExpectRefused("placeable-no-inch.wmf", OutOfMemory);
  ExpectRefused("standard.wmf", UnknownImageFormat);
}

}  // namespace
