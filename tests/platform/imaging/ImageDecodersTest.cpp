// The pixels, sizes, resolutions and frames the codec gives for PNG, JPEG, TIFF and GIF pictures,
// compared with what Pillow decodes from the same files.
#include "CodecTestSupport.h"

using namespace Gdiplus;
using namespace codectest;

namespace {

class ImageDecodersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { sMade = MakePictures("ImageDecodersTest"); }
  void SetUp() override {
    ASSERT_TRUE(sMade) << "the picture generator failed";
    ASSERT_EQ(mSession.Status(), Ok);
  }

  // Loads inName, checks its size and resolution and that its current frame equals Pillow's.
  void ExpectPicture(const std::string& inName, UINT inWidth, UINT inHeight, REAL inDpiX, REAL inDpiY) {
    SCOPED_TRACE(inName);
    auto theBitmap = Load(inName);
    ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
    EXPECT_EQ(theBitmap->GetWidth(), inWidth);
    EXPECT_EQ(theBitmap->GetHeight(), inHeight);
    EXPECT_NEAR(theBitmap->GetHorizontalResolution(), inDpiX, 0.01);
    EXPECT_NEAR(theBitmap->GetVerticalResolution(), inDpiY, 0.01);
    EXPECT_EQ(LockedRgb(*theBitmap), ExpectedRgb(inName, 0));
  }

  static inline bool sMade = false;
  CodecSession mSession;
};

TEST_F(ImageDecodersTest, PngOfEveryKindEqualsPillow) {
  GUID theFormat{};
  auto theBitmap = Load("rgb.png");
  ASSERT_EQ(theBitmap->GetRawFormat(&theFormat), Ok);
  EXPECT_TRUE(IsEqualGUID(theFormat, ImageFormatPNG));
  // pHYs of 11811 pixels per metre.
  ExpectPicture("rgb.png", 13, 7, 299.9994f, 299.9994f);
  ExpectPicture("palette.png", 9, 5, 96, 96);  // with a transparent palette entry
  ExpectPicture("grey.png", 6, 4, 96, 96);
  ExpectPicture("grey_alpha.png", 7, 5, 96, 96);
  ExpectPicture("rgba.png", 10, 6, 96, 96);
  ExpectPicture("rgb16.png", 11, 6, 96, 96);  // high bytes of 16-bit samples
  ExpectPicture("interlaced.png", 19, 13, 96, 96);
}

TEST_F(ImageDecodersTest, PureRedPixelIsBlueGreenRedInTheBuffer) {
  auto theBitmap = Load("red.png");
  BitmapData theData{};
  ASSERT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat24bppRGB, &theData), Ok);
  const auto* thePixel = static_cast<const uint8_t*>(theData.Scan0);
  EXPECT_EQ(thePixel[0], 0);
  EXPECT_EQ(thePixel[1], 0);
  EXPECT_EQ(thePixel[2], 255);
  EXPECT_EQ(theData.Stride, 4);
  EXPECT_EQ(theBitmap->UnlockBits(&theData), Ok);
}

TEST_F(ImageDecodersTest, ArgbLockKeepsStraightAlpha) {
  auto theBitmap = Load("rgba.png");
  BitmapData theData{};
  ASSERT_EQ(theBitmap->LockBits(nullptr, ImageLockModeRead, PixelFormat32bppARGB, &theData), Ok);
  ASSERT_EQ(theData.Stride, 40);
  // Composited here over white, the pixels must equal Pillow's.
  std::vector<uint8_t> theRgb;
  for (UINT y = 0; y < theData.Height; ++y) {
    const auto* theRow = static_cast<const uint8_t*>(theData.Scan0) + y * theData.Stride;
    for (UINT x = 0; x < theData.Width; ++x) {
      const unsigned theAlpha = theRow[x * 4 + 3];
      for (int c = 2; c >= 0; --c)
        theRgb.push_back(static_cast<uint8_t>((theRow[x * 4 + c] * theAlpha + 255 * (255 - theAlpha) + 127) / 255));
    }
  }
  EXPECT_EQ(theBitmap->UnlockBits(&theData), Ok);
  EXPECT_EQ(theRgb, ExpectedRgb("rgba.png", 0));
}

TEST_F(ImageDecodersTest, JpegKindsAndResolutionsMatchPillow) {
  struct Case {
    const char* name;
    REAL dpi;
  };
  // JFIF density in dots per inch; JFIF without units; EXIF resolution; no JFIF at all (CMYK with
  // the Adobe marker, whose inverted inks become RGB as Pillow shows them).
  for (const Case& theCase : {Case{"baseline.jpg", 72}, Case{"progressive.jpg", 96}, Case{"grey.jpg", 150},
                              Case{"cmyk.jpg", 96}}) {
    SCOPED_TRACE(theCase.name);
    auto theBitmap = Load(theCase.name);
    ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
    GUID theFormat{};
    EXPECT_EQ(theBitmap->GetRawFormat(&theFormat), Ok);
    EXPECT_TRUE(IsEqualGUID(theFormat, ImageFormatJPEG));
    EXPECT_EQ(theBitmap->GetWidth(), 32u);
    EXPECT_EQ(theBitmap->GetHeight(), 24u);
    EXPECT_NEAR(theBitmap->GetHorizontalResolution(), theCase.dpi, 0.01);
    EXPECT_NEAR(theBitmap->GetVerticalResolution(), theCase.dpi, 0.01);
    const std::vector<uint8_t> theRgb = LockedRgb(*theBitmap);
    const std::vector<uint8_t> theExpected = ExpectedRgb(theCase.name, 0);
    ASSERT_EQ(theRgb.size(), theExpected.size());
    // Both decode with the same library: any difference beyond rounding is a fault.
    const Difference theDifference = Compare(theRgb, theExpected, 1);
    EXPECT_LE(theDifference.largest, 3);
    EXPECT_LE(theDifference.beyondTolerance, theRgb.size() / 100);
  }
}

TEST_F(ImageDecodersTest, TiffPagesHaveTheirOwnSizeResolutionAndPixels) {
  auto theBitmap = Load("pages.tif");
  ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
  GUID theFormat{};
  EXPECT_EQ(theBitmap->GetRawFormat(&theFormat), Ok);
  EXPECT_TRUE(IsEqualGUID(theFormat, ImageFormatTIFF));
  GUID theDimension{};
  ASSERT_EQ(theBitmap->GetFrameDimensionsList(&theDimension, 1), Ok);
  EXPECT_TRUE(IsEqualGUID(theDimension, FrameDimensionPage));
  ASSERT_EQ(theBitmap->GetFrameCount(&FrameDimensionPage), 3u);
  struct Page {
    UINT width, height;
    REAL dpiX, dpiY;
  };
  // RGB at 300 dpi; grey, LZW, 72 dpi; RGB, Deflate, 40 × 50 dots per centimetre.
  const Page kPages[3] = {{20, 10, 300, 300}, {7, 12, 72, 72}, {15, 15, 101.6f, 127}};
  // Out of order, and back to a page seen before.
  for (const UINT thePage : {0u, 2u, 1u, 0u, 2u}) {
    SCOPED_TRACE(thePage);
    ASSERT_EQ(theBitmap->SelectActiveFrame(&FrameDimensionPage, thePage), Ok);
    EXPECT_EQ(theBitmap->GetWidth(), kPages[thePage].width);
    EXPECT_EQ(theBitmap->GetHeight(), kPages[thePage].height);
    EXPECT_NEAR(theBitmap->GetHorizontalResolution(), kPages[thePage].dpiX, 0.01);
    EXPECT_NEAR(theBitmap->GetVerticalResolution(), kPages[thePage].dpiY, 0.01);
    EXPECT_EQ(LockedRgb(*theBitmap), ExpectedRgb("pages.tif", thePage));
  }
}

TEST_F(ImageDecodersTest, GifFramesAreCompositedAsPillowShowsThem) {
  auto theBitmap = Load("anim.gif");
  ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
  GUID theDimension{};
  ASSERT_EQ(theBitmap->GetFrameDimensionsList(&theDimension, 1), Ok);
  EXPECT_TRUE(IsEqualGUID(theDimension, FrameDimensionTime));
  ASSERT_EQ(theBitmap->GetFrameCount(&FrameDimensionTime), 5u);
  EXPECT_EQ(theBitmap->GetFrameCount(&FrameDimensionPage), 0u);
  EXPECT_EQ(theBitmap->GetLastStatus(), InvalidParameter);
  // In order (each frame continues from the one before), then backwards and skipping (replayed
  // from the start).
  for (const UINT theFrame : {0u, 1u, 2u, 3u, 4u, 2u, 1u, 4u, 0u, 3u}) {
    SCOPED_TRACE(theFrame);
    ASSERT_EQ(theBitmap->SelectActiveFrame(&FrameDimensionTime, theFrame), Ok);
    // Every frame has the logical screen's size, whatever the size of its image.
    EXPECT_EQ(theBitmap->GetWidth(), 24u);
    EXPECT_EQ(theBitmap->GetHeight(), 16u);
    EXPECT_EQ(theBitmap->GetHorizontalResolution(), 96);
    EXPECT_EQ(LockedRgb(*theBitmap), ExpectedRgb("anim.gif", theFrame));
  }
}

TEST_F(ImageDecodersTest, GifImageBeyondTheScreenIsClipped) {
  auto theBitmap = Load("clipped.gif");
  ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
  ASSERT_EQ(theBitmap->GetFrameCount(&FrameDimensionTime), 2u);
  for (const UINT theFrame : {0u, 1u}) {
    SCOPED_TRACE(theFrame);
    ASSERT_EQ(theBitmap->SelectActiveFrame(&FrameDimensionTime, theFrame), Ok);
    EXPECT_EQ(theBitmap->GetWidth(), 12u);
    EXPECT_EQ(theBitmap->GetHeight(), 10u);
    EXPECT_EQ(LockedRgb(*theBitmap), ExpectedRgb("clipped.gif", theFrame));
  }
}

TEST_F(ImageDecodersTest, TruncatedJpegScanIsCompletedLikeViewersDo) {
  // The data ends two thirds into the scan: the rows before are decoded, the rest is completed as
  // libjpeg completes it, the same for Pillow.
  auto theBitmap = Load("truncated.jpg");
  ASSERT_EQ(theBitmap->GetLastStatus(), Ok);
  EXPECT_EQ(theBitmap->GetWidth(), 128u);
  const std::vector<uint8_t> theRgb = LockedRgb(*theBitmap);
  const std::vector<uint8_t> theExpected = ExpectedRgb("truncated.jpg", 0);
  ASSERT_EQ(theRgb.size(), theExpected.size());
  const Difference theDifference = Compare(theRgb, theExpected, 1);
  EXPECT_LE(theDifference.largest, 3);
  EXPECT_LE(theDifference.beyondTolerance, theRgb.size() / 100);
}

}  // namespace
