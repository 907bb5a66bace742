// The image loader over the image codec: loading from files and bytes, failures and their texts,
// frames, the selection and its clipping, and the pixels it hands out.
#include <gtest/gtest.h>

#include <objbase.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "images/PDFImage.h"

namespace {

// A width x height RGB PNG whose pixel (x, y) is (x, y, 200), made with libpng.
std::vector<uint8_t> MakePNG(uint32_t inWidth, uint32_t inHeight) {
  std::vector<uint8_t> thePixels(size_t{inWidth} * inHeight * 3);
  for (uint32_t y = 0; y < inHeight; ++y)
    for (uint32_t x = 0; x < inWidth; ++x) {
      uint8_t* thePixel = &thePixels[(size_t{y} * inWidth + x) * 3];
      thePixel[0] = static_cast<uint8_t>(x);
      thePixel[1] = static_cast<uint8_t>(y);
      thePixel[2] = 200;
    }
  png_image theImage{};
  theImage.version = PNG_IMAGE_VERSION;
  theImage.width = inWidth;
  theImage.height = inHeight;
  theImage.format = PNG_FORMAT_RGB;
  png_alloc_size_t theSize = 0;
  png_image_write_to_memory(&theImage, nullptr, &theSize, 0, thePixels.data(), 0, nullptr);
  std::vector<uint8_t> thePNG(theSize);
  png_image_write_to_memory(&theImage, thePNG.data(), &theSize, 0, thePixels.data(), 0, nullptr);
  thePNG.resize(theSize);
  return thePNG;
}

struct Pixels {
  BYTE* data = nullptr;
  LONG length = 0;
  ~Pixels() { CoTaskMemFree(data); }
};

bool Load(PDFImage& ioImage, const std::vector<uint8_t>& inBytes) {
  return !ioImage.SetData(inBytes.data(), static_cast<LONG>(inBytes.size()));
}

}  // namespace

TEST(PDFImage, LoadsBytesWithTypeSizeAndWholeSelection) {
  PDFImage theImage;
  ASSERT_TRUE(Load(theImage, MakePNG(100, 50))) << theImage.GetErrorText();
  EXPECT_EQ(theImage.GetRawFormat(), PDFImage::kPNG);
  WCHAR theName[PDFImage::kTypeNameSize];
  theImage.GetTypeName(theName);
  EXPECT_EQ(std::u16string(theName), u"PNG");
  EXPECT_EQ(theImage.GetFrameCount(), 1);
  EXPECT_EQ(theImage.GetWidth(), 100);
  EXPECT_EQ(theImage.GetHeight(), 50);
  EXPECT_EQ(theImage.GetHRes(), 96.0);
  const RectRecord& theSelection = *theImage.GetSelection();
  EXPECT_EQ((std::vector<int32_t>{theSelection.x1, theSelection.y1, theSelection.x2, theSelection.y2}),
            (std::vector<int32_t>{0, 0, 100, 50}));
  EXPECT_EQ(theImage.GetErrorText(), nullptr);
  // Single-frame pictures ignore frame changes.
  theImage.SetFrame(4);
  EXPECT_EQ(theImage.GetFrame(), 0);
}

TEST(PDFImage, ClipsTheSelectionAndGivesThePixelsInsideRedFirst) {
  PDFImage theImage;
  ASSERT_TRUE(Load(theImage, MakePNG(100, 50)));
  *theImage.GetSelection() = RectRecord{120, -10, 30, 40};
  theImage.ClipSelection();
  const RectRecord& theSelection = *theImage.GetSelection();
  EXPECT_EQ((std::vector<int32_t>{theSelection.x1, theSelection.y1, theSelection.x2, theSelection.y2}),
            (std::vector<int32_t>{100, 0, 30, 40}));
  Pixels thePixels;
  theImage.GetPixels(&thePixels.data, &thePixels.length);
  ASSERT_EQ(thePixels.length, 70 * 40 * 3);
  // The first pixel is (30, 0), the last (99, 39): red = x, green = y, blue = 200.
  EXPECT_EQ((std::vector<int>{thePixels.data[0], thePixels.data[1], thePixels.data[2]}),
            (std::vector<int>{30, 0, 200}));
  const BYTE* theLast = thePixels.data + thePixels.length - 3;
  EXPECT_EQ((std::vector<int>{theLast[0], theLast[1], theLast[2]}), (std::vector<int>{99, 39, 200}));
}

TEST(PDFImage, EmptyOrOutsideSelectionsGiveNoPixels) {
  PDFImage theImage;
  Pixels theNone;
  theImage.GetPixels(&theNone.data, &theNone.length);
  EXPECT_EQ(theNone.data, nullptr);
  EXPECT_EQ(theNone.length, 0);
  ASSERT_TRUE(Load(theImage, MakePNG(20, 10)));
  for (const RectRecord& theRect : {RectRecord{5, 5, 5, 9}, RectRecord{30, 0, 40, 10}, RectRecord{-9, -9, -1, -1},
                                    RectRecord{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}}) {
    *theImage.GetSelection() = theRect;
    Pixels thePixels;
    theImage.GetPixels(&thePixels.data, &thePixels.length);
    if (theRect.x1 == INT32_MIN) {
      // The whole frame, however large the selection.
      EXPECT_EQ(thePixels.length, 20 * 10 * 3);
    } else {
      EXPECT_EQ(thePixels.data, nullptr) << theRect.x1;
      EXPECT_EQ(thePixels.length, 0);
    }
  }
}

TEST(PDFImage, FailedLoadsLeaveTheLoaderEmptyWithTheirMessages) {
  PDFImage theImage;
  ASSERT_TRUE(Load(theImage, MakePNG(8, 8)));
  EXPECT_TRUE(theImage.SetFile(u"/nonexistent/picture.png"));
  EXPECT_STREQ(theImage.GetErrorText(), "Unable to draw file. File Not Found\n");
  EXPECT_EQ(theImage.GetFrameCount(), 0);
  EXPECT_EQ(theImage.GetWidth(), 0);
  EXPECT_EQ(theImage.GetRawFormat(), PDFImage::kUndefined);

  const std::vector<uint8_t> theText{'h', 'e', 'l', 'l', 'o'};
  EXPECT_FALSE(Load(theImage, theText));
  EXPECT_STREQ(theImage.GetErrorText(), "Unable to draw file. Unknown Image Format\n");

  EXPECT_TRUE(theImage.SetData(nullptr, 0));
  EXPECT_STREQ(theImage.GetErrorText(), "No data provided. Unable to create stream.\n");

  // A good load clears what the last one reported.
  ASSERT_TRUE(Load(theImage, MakePNG(8, 8)));
  EXPECT_EQ(theImage.GetErrorText(), nullptr);
}

TEST(PDFImage, FileAndBytesLoadTheSamePicture) {
  const std::vector<uint8_t> thePNG = MakePNG(33, 17);
  const std::string thePath = ::testing::TempDir() + "pdfimage-test.png";
  FILE* theFile = std::fopen(thePath.c_str(), "wb");
  ASSERT_NE(theFile, nullptr);
  std::fwrite(thePNG.data(), 1, thePNG.size(), theFile);
  std::fclose(theFile);
  PDFImage theFromFile;
  const std::u16string theWidePath(thePath.begin(), thePath.end());
  ASSERT_FALSE(theFromFile.SetFile(theWidePath.c_str())) << theFromFile.GetErrorText();
  PDFImage theFromBytes;
  ASSERT_TRUE(Load(theFromBytes, thePNG));
  Pixels theA, theB;
  theFromFile.GetPixels(&theA.data, &theA.length);
  theFromBytes.GetPixels(&theB.data, &theB.length);
  ASSERT_EQ(theA.length, 33 * 17 * 3);
  ASSERT_EQ(theA.length, theB.length);
  EXPECT_EQ(std::vector<BYTE>(theA.data, theA.data + theA.length), std::vector<BYTE>(theB.data, theB.data + theB.length));
  std::remove(thePath.c_str());
}
