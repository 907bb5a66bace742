// The JPEG marker walk: failure messages, what the application segments record, and the trace.
#include <gtest/gtest.h>

#include <string>

#include "JPEGTestSupport.h"
#include "images/JPEGParser.h"

namespace {

// A parser whose debugger output is kept for inspection.
class TracedParser : public JPEGParser {
 public:
  explicit TracedParser(const std::vector<uint8_t>& inData)
      : JPEGParser(inData.data(), static_cast<uint32_t>(inData.size())) {}
  std::string mOutput;

 protected:
  void DebugOutput(const char* inText) override { mOutput += inText; }
};

// Start of image, a baseline frame header of 3 x 2 samples and 1 component, a start of scan.
Bytes FrameAndScan() {
  Bytes theBytes;
  theBytes.Add({0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0, 2, 0, 3, 1, 1, 0x11, 0});
  theBytes.Add({0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0});
  return theBytes;
}

std::string Failure(const std::vector<uint8_t>& inData) {
  TracedParser theParser(inData);
  EXPECT_FALSE(theParser.Parse());
  return theParser.GetMessage();
}

}  // namespace

TEST(JPEGParser, FailureMessages) {
  EXPECT_EQ(Failure({0xFF, 0xD9, 0xFF, 0xD8}), "JPEG header missing");
  EXPECT_EQ(Failure({0xFF}), "JPEG header missing");
  Bytes theFrame = FrameAndScan();
  theFrame.mData[5] = 14;  // not 1 x 3 + 8
  EXPECT_EQ(Failure(theFrame.mData), "Bad SOF marker length");
  Bytes theScan = FrameAndScan();
  theScan.mData[18] = 10;  // not 1 x 2 + 6
  EXPECT_EQ(Failure(theScan.mData), "Bad SOS marker length");
  EXPECT_EQ(Failure(Bytes().Add({0xFF, 0xD8, 0xFF, 0xDB, 0, 1}).mData), "Bad JPEG marker length");
  EXPECT_EQ(Failure(Bytes().Add({0xFF, 0xD8, 0xFF, 0xED, 0, 0}).mData), "Bad JPEG marker length");
  // A comment that claims more than is left, and scan data without an end.
  EXPECT_EQ(Failure(Bytes().Add({0xFF, 0xD8, 0xFF, 0xFE, 0, 9, 'a', 0xFF, 0xD9}).mData), "JPEG file too short");
  EXPECT_EQ(Failure(FrameAndScan().Add({1, 2, 0xFF, 0x00, 3}).mData), "JPEG file too short");
}

TEST(JPEGParser, StuffedBytesAndRestartsStayInTheScan) {
  // Read as markers, the 0 after each 0xFF would start a segment of length 1 and fail.
  Bytes theBytes = FrameAndScan();
  theBytes.Add({0x12, 0xFF, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xD0, 0xFF, 0x00, 0x00, 0x01, 0xFF, 0xD9});
  TracedParser theParser(theBytes.mData);
  EXPECT_TRUE(theParser.Parse()) << theParser.GetMessage();
  EXPECT_EQ(theParser.GetWidth(), 3);
  EXPECT_EQ(theParser.GetHeight(), 2);
  EXPECT_EQ(theParser.GetComponents(), 1);
}

TEST(JPEGParser, ApplicationSegmentsAreRecorded) {
  Bytes theBytes;
  theBytes.Add({0xFF, 0xD8, 0xFF, 0xE0, 0, 16}).Text("JFIF").Add({0, 1, 2, 1, 1, 44, 0, 72, 0, 0});
  theBytes.Add({0xFF, 0xEE, 0, 14}).Text("Adobe").Add({0, 100, 0, 0, 0, 0, 2});
  theBytes.Add({0xFF, 0xED, 0, 6, 'p', 's', 'd', '!'});
  theBytes.Add({0xFF, 0xE0, 0, 0});  // a length below 2 moves nothing back
  theBytes.Add({0xFF, 0xD9});
  TracedParser theParser(theBytes.mData);
  EXPECT_TRUE(theParser.Parse()) << theParser.GetMessage();
  EXPECT_TRUE(theParser.HasJFIF());
  EXPECT_EQ(theParser.GetJFIFMajorVersion(), 1);
  EXPECT_EQ(theParser.GetJFIFMinorVersion(), 2);
  EXPECT_EQ(theParser.GetJFIFDensityUnits(), 1);
  EXPECT_EQ(theParser.GetJFIFXDensity(), 300);
  EXPECT_EQ(theParser.GetJFIFYDensity(), 72);
  EXPECT_TRUE(theParser.HasAdobe());
  EXPECT_EQ(theParser.GetAdobeTransform(), 2);
  EXPECT_EQ(theParser.GetPhotoshopOffset(), 40u);
  EXPECT_EQ(theParser.GetPhotoshopLength(), 4u);
  EXPECT_EQ(theParser.mOutput, "");  // trace is off unless switched on

  // libjpeg marks CMYK data with an Adobe segment without colour transform.
  const std::vector<uint8_t> theData = MakeJPEG(8, 8, 4);
  TracedParser theCMYK(theData);
  EXPECT_TRUE(theCMYK.Parse());
  EXPECT_TRUE(theCMYK.HasAdobe() && !theCMYK.HasJFIF());
  EXPECT_EQ(theCMYK.GetAdobeTransform(), 0);
}

TEST(JPEGParser, TraceOfASmallStream) {
  Bytes theBytes;
  theBytes.Add({0xFF, 0xD8, 0xFF, 0xE0, 0, 16}).Text("JFIF").Add({0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  theBytes.Add({0xFF, 0xE2, 0, 18}).Text("ICC_PROFILE").Add({0, 1, 2, 9, 9});
  theBytes.Add({0xFF, 0xFE, 0, 7}).Text("hello");
  theBytes.Add({0xFF, 0xDB, 0, 4, 0, 0, 0xFF, 0x01});
  theBytes.Add({0xFF, 0xC2, 0, 11, 8, 0, 2, 0, 3, 1, 1, 0x11, 0});
  theBytes.Add({0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0x55, 0xFF, 0xD3, 0x66, 0xFF, 0xD9});
  TracedParser theParser(theBytes.mData);
  theParser.SetTrace(true);
  EXPECT_TRUE(theParser.Parse()) << theParser.GetMessage();
  EXPECT_EQ(theParser.mOutput,
            "JFIF APP0 Header\n"
            "ICC Chunk 1 of 2\n"
            "Comment\nhello\n"
            "DQT\nLength = 4\n"
            "Warning - Temporary Reserved Marker Used\n"
            "Start of Frame\n"
            "JPEG image: 3 by 2, 1 components, 8 bits per sample\n"
            "JPEG Process: Progressive\n"
            "Start of Scan\nLength = 8, Components = 1\n"
            "Restart\n"
            "End of Image\n");
}
