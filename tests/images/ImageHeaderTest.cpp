// Recognising image kinds: real JPEG streams of every component count, truncated and damaged
// streams, and the GIF, PNG and BMP header rules.
#include <gtest/gtest.h>

#include <eventlog.h>

#include "JPEGTestSupport.h"
#include "TestRoot.h"
#include "images/ImageHeader.h"

namespace {

ImageHeader Recognise(const std::vector<uint8_t>& inData) {
  ImageHeader theHeader;
  theHeader.Recognise(inData.data(), static_cast<uint32_t>(inData.size()));
  return theHeader;
}

}  // namespace

TEST(ImageHeaderJPEG, KindFollowsTheComponentCount) {
  const ImageHeader theRGB = Recognise(MakeJPEG(640, 480, 3));
  EXPECT_EQ(theRGB.GetKind(), ImageHeader::kJPEGRGB);
  EXPECT_EQ(theRGB.GetWidth(), 640);
  EXPECT_EQ(theRGB.GetHeight(), 480);
  EXPECT_EQ(Recognise(MakeJPEG(33, 17, 1)).GetKind(), ImageHeader::kJPEGGrey);
  EXPECT_EQ(Recognise(MakeJPEG(33, 17, 4)).GetKind(), ImageHeader::kJPEGCMYK);
  // A complete stream of two components is no kind the library can embed; its size is still read.
  const ImageHeader theTwo = Recognise(MakeJPEG(33, 17, 2));
  EXPECT_EQ(theTwo.GetKind(), ImageHeader::kUnknown);
  EXPECT_EQ(theTwo.GetWidth(), 33);
  EXPECT_EQ(theTwo.GetHeight(), 17);
}

TEST(ImageHeaderJPEG, ScanDataWithStuffedBytesAndRestartsRunsToTheEnd) {
  const std::vector<uint8_t> theRestarts = MakeJPEG(64, 64, 3, {.restartInterval = 1});
  const long theScan = Find(theRestarts, 0xFF, 0xDA);
  ASSERT_GT(theScan, 0);
  ASSERT_GT(Find(theRestarts, 0xFF, 0x00, theScan + 2), 0);
  ASSERT_GT(Find(theRestarts, 0xFF, 0xD0, theScan + 2), 0);
  EXPECT_EQ(Recognise(theRestarts).GetKind(), ImageHeader::kJPEGRGB);
  // Several scans, with tables between them.
  EXPECT_EQ(Recognise(MakeJPEG(40, 30, 3, {.progressive = true})).GetKind(), ImageHeader::kJPEGRGB);
}

TEST(ImageHeaderJPEG, EveryTruncatedStreamIsRejected) {
  const std::vector<uint8_t> theFull = MakeJPEG(24, 16, 3, {.restartInterval = 1});
  for (size_t theLength = 1; theLength < theFull.size(); ++theLength) {
    // An exact-size copy, so that a read past the end is caught by the address sanitizer.
    const std::vector<uint8_t> theCut(theFull.begin(), theFull.begin() + theLength);
    ASSERT_EQ(Recognise(theCut).GetKind(), ImageHeader::kUnknown) << theLength;
  }
  // Cut in the middle of the scan, after the frame header: the size is still reported.
  const std::vector<uint8_t> theBig = MakeJPEG(640, 480, 3);
  const std::vector<uint8_t> theCut(theBig.begin(), theBig.begin() + theBig.size() / 2);
  const ImageHeader theHeader = Recognise(theCut);
  EXPECT_EQ(theHeader.GetKind(), ImageHeader::kUnknown);
  EXPECT_EQ(theHeader.GetWidth(), 640);
  EXPECT_EQ(theHeader.GetHeight(), 480);
}

TEST(ImageHeaderOther, GIFAndPNG) {
  Bytes theGIF;
  theGIF.Text("GIF89a").Add({0x2C, 0x01, 0xC8, 0x00, 0, 0, 0, 0});
  ImageHeader theHeader = Recognise(theGIF.mData);
  EXPECT_EQ(theHeader.GetKind(), ImageHeader::kGIF);
  EXPECT_EQ(theHeader.GetWidth(), 300);
  EXPECT_EQ(theHeader.GetHeight(), 200);
  // A zero width is not a GIF, and without a JPEG start nothing else fits either.
  theGIF.mData[6] = theGIF.mData[7] = 0;
  theHeader = Recognise(theGIF.mData);
  EXPECT_EQ(theHeader.GetKind(), ImageHeader::kUnknown);
  EXPECT_EQ(theHeader.GetWidth(), 0);

  Bytes thePNG;
  thePNG.Add({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13}).Text("IHDR");
  thePNG.Add({0, 1, 0, 2, 0, 0, 3, 4});
  theHeader = Recognise(thePNG.mData);
  EXPECT_EQ(theHeader.GetKind(), ImageHeader::kPNG);
  EXPECT_EQ(theHeader.GetWidth(), 0x10002);
  EXPECT_EQ(theHeader.GetHeight(), 0x304);
  // The height field does not fit in 23 bytes.
  thePNG.mData.pop_back();
  EXPECT_EQ(Recognise(thePNG.mData).GetKind(), ImageHeader::kUnknown);
}

TEST(ImageHeaderOther, BMPCoreHeaderHasSixteenBitSizes) {
  Bytes theBMP;
  theBMP.Text("BM").Add({0, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0});
  theBMP.Add({12, 0, 0, 0, 0x02, 0x01, 0x04, 0x03, 1, 0, 24, 0});
  ImageHeader theHeader = Recognise(theBMP.mData);
  EXPECT_EQ(theHeader.GetKind(), ImageHeader::kBMP);
  EXPECT_EQ(theHeader.GetWidth(), 0x102);
  EXPECT_EQ(theHeader.GetHeight(), 0x304);
  // Any other header has 32-bit sizes; a top-down picture (negative height) does not fit.
  theBMP.mData[14] = 40;
  theHeader = Recognise(theBMP.mData);
  EXPECT_EQ(theHeader.GetKind(), ImageHeader::kBMP);
  EXPECT_EQ(theHeader.GetWidth(), 0x03040102);
  EXPECT_EQ(theHeader.GetHeight(), 0x00180001);
  theBMP.mData[25] = 0xFF;
  EXPECT_EQ(Recognise(theBMP.mData).GetKind(), ImageHeader::kUnknown);
}

TEST(ImageHeaderOther, MissingDataIsAnAssertion) {
  TestRoot theRoot;
  ImageHeader theHeader;
  theHeader.Recognise(nullptr, 10);
  const uint8_t theByte = 0xFF;
  theHeader.Recognise(&theByte, 0);
  EXPECT_EQ(theHeader.GetKind(), ImageHeader::kUnknown);
  const auto theEvents = QxReadEventLog("Quorix");
  ASSERT_EQ(theEvents.size(), 2u);
  EXPECT_NE(theEvents[0].mStrings[0].find("images/ImageHeader.cpp line"), std::string::npos);
  EXPECT_NE(theEvents[0].mStrings[0].find("(inData)"), std::string::npos);
  EXPECT_NE(theEvents[1].mStrings[0].find("(inLen > 0)"), std::string::npos);
}
