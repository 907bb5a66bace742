// Images on a page: image objects (their dictionary, data and information), placements (their
// exact bytes, natural size, sharing of one image), what AddJPEG refuses, AddRawRGB's compressed
// pixels, and saved files as qpdf and poppler see them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <zlib.h>

#include "../images/JPEGTestSupport.h"
#include "DocumentTestSupport.h"
#include "document/PDFImageObject.h"
#include "document/PDFPage.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFRefAtom.h"

namespace {

// The placement fragment for the identity transform.
std::string Fragment(const std::string& inSize, uint32_t inImage) {
  return "  BX\r\n  q\r\n  1.0000 0.0000 0.0000 1.0000 0.0000 0.0000 cm\r\n  " + inSize +
         " cm\r\n  /Iqvx" + std::to_string(inImage) + " Do\r\n  Q\r\n  EX";
}

uint32_t ImageOf(PDFDrawingDoc& ioDoc, uint32_t inPlacement) {
  return static_cast<uint32_t>(std::stoul(ioDoc.GetInfo(inPlacement, "xobject")));
}

std::vector<uint8_t> StreamData(PDFDrawingDoc& ioDoc, uint32_t inImage) {
  auto* theImage = dynamic_cast<PDFImageObject*>(ioDoc.GetSoup().FindTyped(inImage, kTypeImage));
  if (theImage == nullptr) return {};
  const auto theData = theImage->GetData();
  return {theData.begin(), theData.end()};
}

// The output of a command, or "" when it fails.
std::string CommandOutput(const std::string& inCommand, const std::string& inOut) {
  if (std::system((inCommand + " > '" + inOut + "' 2>&1").c_str()) != 0) return {};
  return pdftest::ReadFile(inOut);
}

TEST(PDFImageObject, JPEGAtNaturalSizeFromTheRectangleCorner) {
  PDFDrawingDoc theDoc;
  theDoc.State().mRect = RectRecord{50, 60, 50, 60};
  const std::vector<uint8_t> theJPEG = MakeJPEG(200, 100, 3);
  const uint32_t thePlacement = theDoc.AddJPEG(theJPEG);
  ASSERT_NE(thePlacement, 0u);
  const uint32_t theImage = ImageOf(theDoc, thePlacement);
  EXPECT_EQ(theImage + 1, thePlacement);  // the image object gets its ID first
  EXPECT_EQ(theDoc.GetInfo(thePlacement, "type"), "imag");
  EXPECT_EQ(theDoc.GetInfo(thePlacement, "stream"), Fragment("200 0 0 100 50 60", theImage));
  EXPECT_EQ(theDoc.GetInfo(theImage, "type"), "jpeg");
  EXPECT_EQ(theDoc.GetInfo(theImage, "width"), "200");
  EXPECT_EQ(theDoc.GetInfo(theImage, "height"), "100");
  EXPECT_EQ(theDoc.GetInfo(theImage, "components"), "3");
  EXPECT_EQ(theDoc.GetInfo(theImage, "/ColorSpace"), "/DeviceRGB");
  EXPECT_EQ(theDoc.GetInfo(theImage, "/Filter"), "/DCTDecode");
  EXPECT_EQ(StreamData(theDoc, theImage), theJPEG);
  // The page names the image under its resource name.
  PDFDictAtom& theResources = theDoc.FindCurrentPage()->GetResources();
  const auto* theXObjects = static_cast<PDFDictAtom*>(theResources.Get("XObject"));
  ASSERT_NE(theXObjects, nullptr);
  const auto* theRef = theXObjects->Get("Iqvx" + std::to_string(theImage));
  ASSERT_TRUE(PDFAtom::IsRef(theRef));
  EXPECT_EQ(static_cast<const PDFRefAtom*>(theRef)->GetID(), theImage);
}

TEST(PDFImageObject, RectangleDecidesSizeAndPositionAndTransformComesFirst) {
  PDFDrawingDoc theDoc;
  const std::vector<uint8_t> theJPEG = MakeJPEG(20, 10, 3);
  // A full rectangle given with its corners swapped stretches the image over it.
  theDoc.State().mRect = RectRecord{300, 400, 100, 150};
  theDoc.State().mTransform.Rotate(90, 0, 0);
  const uint32_t theStretched = theDoc.AddJPEG(theJPEG);
  const std::string theFragment = theDoc.GetInfo(theStretched, "stream");
  EXPECT_NE(theFragment.find("  200 0 0 250 100 150 cm\r\n"), std::string::npos) << theFragment;
  EXPECT_EQ(theFragment.find("1.0000 0.0000 0.0000 1.0000"), std::string::npos) << theFragment;
  // Zero height only: the larger x (the second when equal) and the larger y move.
  theDoc.State().mTransform = TransformMatrix();
  theDoc.State().mRect = RectRecord{30, 70, 10, 70};
  const uint32_t theNatural = theDoc.AddJPEG(theJPEG);
  EXPECT_EQ(theDoc.GetInfo(theNatural, "stream"), Fragment("20 0 0 10 10 70", ImageOf(theDoc, theNatural)));
  // Zero width only: both sizes still come from the image, from the lower left corner.
  theDoc.State().mRect = RectRecord{10, 90, 10, 70};
  const uint32_t theTall = theDoc.AddJPEG(theJPEG);
  EXPECT_EQ(theDoc.GetInfo(theTall, "stream"), Fragment("20 0 0 10 10 70", ImageOf(theDoc, theTall)));
}

TEST(PDFImageObject, PlacingAgainSharesTheImage) {
  PDFDrawingDoc theDoc;
  theDoc.State().mRect = RectRecord{0, 0, 0, 0};
  const std::vector<uint8_t> theJPEG = MakeJPEG(40, 30, 3);
  const uint32_t theFirst = theDoc.AddJPEG(theJPEG);
  const uint32_t theSecond = theDoc.AddJPEG(theJPEG);
  EXPECT_NE(ImageOf(theDoc, theFirst), ImageOf(theDoc, theSecond));  // same bytes, two images

  theDoc.State().mRect = RectRecord{5, 6, 5, 6};
  const uint32_t theAgain = theDoc.PlaceImage(theFirst);
  ASSERT_NE(theAgain, 0u);
  EXPECT_EQ(theAgain, theSecond + 1);  // only a placement was made
  EXPECT_EQ(ImageOf(theDoc, theAgain), ImageOf(theDoc, theFirst));
  EXPECT_EQ(theDoc.GetInfo(theAgain, "stream"), Fragment("40 0 0 30 5 6", ImageOf(theDoc, theFirst)));
  EXPECT_EQ(theDoc.LayerCount(), 3);

  // Only placements can be placed again.
  EXPECT_EQ(theDoc.PlaceImage(ImageOf(theDoc, theFirst)), 0u);
  EXPECT_EQ(theDoc.PlaceImage(theDoc.FindCurrentPage()->GetID()), 0u);
  EXPECT_EQ(theDoc.PlaceImage(0), 0u);
  EXPECT_EQ(theDoc.PlaceImage(99999), 0u);
  // A placement whose image is gone cannot be placed again.
  theDoc.Delete(ImageOf(theDoc, theSecond));
  EXPECT_EQ(theDoc.PlaceImage(theSecond), 0u);
}

TEST(PDFImageObject, JPEGKeepsItsColourSpaceAndBytes) {
  PDFDrawingDoc theDoc;
  const std::vector<uint8_t> theGrey = MakeJPEG(16, 8, 1);
  const uint32_t theGreyImage = ImageOf(theDoc, theDoc.AddJPEG(theGrey));
  EXPECT_EQ(theDoc.GetInfo(theGreyImage, "/ColorSpace"), "/DeviceGray");
  EXPECT_EQ(theDoc.GetInfo(theGreyImage, "components"), "1");
  EXPECT_EQ(StreamData(theDoc, theGreyImage), theGrey);
  const uint32_t theCMYKImage = ImageOf(theDoc, theDoc.AddJPEG(MakeJPEG(16, 8, 4)));
  EXPECT_EQ(theDoc.GetInfo(theCMYKImage, "/ColorSpace"), "/DeviceCMYK");
  EXPECT_EQ(theDoc.GetInfo(theCMYKImage, "components"), "4");
  // The written object: the image dictionary, the stream's length, the bytes unchanged.
  const std::string theBytes = doctest::Bytes(theDoc);
  const std::string theObject = std::to_string(theGreyImage) + " 0 obj\r\n";
  const size_t theStart = theBytes.find(theObject);
  ASSERT_NE(theStart, std::string::npos);
  const std::string theText = theBytes.substr(theStart, theBytes.find("endobj", theStart) - theStart);
  for (const char* theEntry : {"/Type /XObject", "/Subtype /Image", "/Width 16", "/Height 8",
                               "/BitsPerComponent 8", "/ColorSpace /DeviceGray", "/Filter /DCTDecode"}) {
    EXPECT_NE(theText.find(theEntry), std::string::npos) << theEntry << " in " << theText;
  }
  EXPECT_NE(theText.find("/Name /Iqvx" + std::to_string(theGreyImage)), std::string::npos) << theText;
  EXPECT_NE(theText.find("/Length " + std::to_string(theGrey.size())), std::string::npos) << theText;
  EXPECT_NE(theText.find("stream\r\n" + std::string(theGrey.begin(), theGrey.end()) + "\r\nendstream"),
            std::string::npos);
  // JPEG image objects raise the file's version.
  EXPECT_EQ(theBytes.substr(0, 8), "%PDF-1.2");
}

TEST(PDFImageObject, AddJPEGRefusesEverythingButACompleteJPEG) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const int32_t theCount = theDoc.LayerCount();
  const uint32_t theNextID = theDoc.GetSoup().GetCount();
  std::vector<uint8_t> theTruncated = MakeJPEG(32, 32, 3);
  theTruncated.resize(theTruncated.size() / 2);
  const std::vector<uint8_t> thePNG = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                       0, 0, 0, 4, 0, 0, 0, 4, 8, 2, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<uint8_t> theGIF = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 4, 0, 0, 0, 0};
  const std::vector<uint8_t> theBMP = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0,
                                       4, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (const auto& theData : {theTruncated, thePNG, theGIF, theBMP, std::vector<uint8_t>()})
    EXPECT_EQ(theDoc.AddJPEG(theData), 0u);
  EXPECT_EQ(theDoc.LayerCount(), theCount);
  EXPECT_EQ(theDoc.GetSoup().GetCount(), theNextID);
}

TEST(PDFImageObject, RawRGBIsStoredCompressedAndInflatesBack) {
  PDFDrawingDoc theDoc;
  theDoc.State().mRect = RectRecord{0, 0, 0, 0};
  std::vector<uint8_t> thePixels(7 * 5 * 3);
  for (size_t i = 0; i < thePixels.size(); ++i) thePixels[i] = static_cast<uint8_t>(i * 37);
  const uint32_t thePlacement = theDoc.AddRawRGB(thePixels, 7, 5);
  ASSERT_NE(thePlacement, 0u);
  const uint32_t theImage = ImageOf(theDoc, thePlacement);
  EXPECT_EQ(theDoc.GetInfo(theImage, "/Filter"), "/FlateDecode");
  EXPECT_EQ(theDoc.GetInfo(theImage, "/ColorSpace"), "/DeviceRGB");
  EXPECT_EQ(theDoc.GetInfo(theImage, "/BitsPerComponent"), "8");
  EXPECT_EQ(theDoc.GetInfo(theImage, "components"), "3");
  EXPECT_EQ(theDoc.GetInfo(thePlacement, "stream"), Fragment("7 0 0 5 0 0", theImage));
  const std::vector<uint8_t> theData = StreamData(theDoc, theImage);
  std::vector<uint8_t> theInflated(thePixels.size() + 16);
  uLongf theLength = theInflated.size();
  ASSERT_EQ(uncompress(theInflated.data(), &theLength, theData.data(), theData.size()), Z_OK);
  theInflated.resize(theLength);
  EXPECT_EQ(theInflated, thePixels);

  // No pixels, or fewer bytes than the size needs: nothing is added.
  const uint32_t theNextID = theDoc.GetSoup().GetCount();
  EXPECT_EQ(theDoc.AddRawRGB({}, 0, 0), 0u);
  EXPECT_EQ(theDoc.AddRawRGB(thePixels, 7, 6), 0u);
  EXPECT_EQ(theDoc.GetSoup().GetCount(), theNextID);
}

TEST(PDFImageObject, DeletingAPlacementLeavesItsImage) {
  PDFDrawingDoc theDoc;
  const uint32_t theFirst = theDoc.AddJPEG(MakeJPEG(24, 24, 3));
  const uint32_t theImage = ImageOf(theDoc, theFirst);
  const uint32_t theSecond = theDoc.PlaceImage(theFirst);
  theDoc.Delete(theFirst);
  EXPECT_EQ(theDoc.GetInfo(theFirst, "active"), "");
  EXPECT_EQ(theDoc.GetInfo(theImage, "width"), "24");
  // The image is reached only through the remaining placement, so the sweep before saving keeps it.
  const std::string theBytes = doctest::Bytes(theDoc);
  EXPECT_NE(theBytes.find(std::to_string(theImage) + " 0 obj\r\n"), std::string::npos);
  EXPECT_NE(theBytes.find(std::to_string(theSecond) + " 0 obj\r\n"), std::string::npos);
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "image-shared.pdf"), "");
}

TEST(PDFImageObject, SavedImagesPassQpdfAndPopplerSeesThem) {
  PDFDrawingDoc theDoc;
  theDoc.State().mRect = RectRecord{10, 20, 10, 20};
  ASSERT_NE(theDoc.AddJPEG(MakeJPEG(200, 100, 1)), 0u);
  theDoc.State().mRect = RectRecord{300, 300, 400, 500};
  ASSERT_NE(theDoc.AddJPEG(MakeJPEG(64, 48, 4)), 0u);
  std::vector<uint8_t> theRed(30 * 20 * 3, 0);
  for (size_t i = 0; i < theRed.size(); i += 3) theRed[i] = 255;
  theDoc.State().mRect = RectRecord{100, 600, 100, 600};
  const uint32_t theRaw = theDoc.AddRawRGB(theRed, 30, 20);
  ASSERT_NE(theRaw, 0u);
  ASSERT_NE(theDoc.PlaceImage(theRaw), 0u);
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "images.pdf"), "");

  const std::string thePath = doctest::SavePath("images.pdf");
  const std::string theList = CommandOutput("pdfimages -list '" + thePath + "'", thePath + ".list.txt");
  ASSERT_FALSE(theList.empty());
  // page num type width height color comp bpc enc ...; the shared image is listed twice.
  EXPECT_NE(theList.find("image     200   100  gray    1   8  jpeg"), std::string::npos) << theList;
  EXPECT_NE(theList.find("image      64    48  cmyk    4   8  jpeg"), std::string::npos) << theList;
  const size_t theRawRow = theList.find("image      30    20  rgb     3   8  image");
  ASSERT_NE(theRawRow, std::string::npos) << theList;
  EXPECT_NE(theList.find("image      30    20  rgb     3   8  image", theRawRow + 1), std::string::npos);

  // Rendered at 72 dpi, the raw picture covers 100..130 x 600..620 in red.
  const std::string theImage = thePath + ".render";
  ASSERT_EQ(std::system(("pdftoppm -r 72 -x 110 -y 182 -W 1 -H 1 '" + thePath + "' '" + theImage +
                         "' -singlefile > /dev/null 2>&1").c_str()), 0);
  const std::string thePPM = pdftest::ReadFile(theImage + ".ppm");
  ASSERT_GE(thePPM.size(), 3u);
  const std::string thePixel = thePPM.substr(thePPM.size() - 3);
  EXPECT_EQ(static_cast<uint8_t>(thePixel[0]), 255);
  EXPECT_EQ(static_cast<uint8_t>(thePixel[1]), 0);
  EXPECT_EQ(static_cast<uint8_t>(thePixel[2]), 0);
}

}  // namespace
