// Page content: the exact bytes of lines and rectangles, layers, resources, stream information,
// lazy generation and Flatten.
#include <gtest/gtest.h>

#include <string>

#include <zlib.h>

#include "DocumentTestSupport.h"
#include "document/PDFContentStream.h"
#include "document/PDFLine.h"
#include "document/PDFPage.h"
#include "document/PDFPages.h"
#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFStreamAtom.h"
#include "scripting/TransformMatrix.h"

namespace {

constexpr const char* kIdentityLine =
    "  BX\r\n  q\r\n  1.0000 0.0000 0.0000 1.0000 0.0000 0.0000 cm\r\n  1 w\r\n  0 0 0 RG\r\n"
    "    10 20 m\r\n    100 200 l\r\n  S\r\n  Q\r\n  EX";

std::string Contents(PDFDrawingDoc& ioDoc) { return ioDoc.GetInfo(ioDoc.FindCurrentPage()->GetID(), "/Contents"); }

std::string Refs(std::initializer_list<uint32_t> inIDs) {
  PDFArrayAtom theArray;
  for (uint32_t theID : inIDs) theArray.Append(std::make_unique<PDFRefAtom>(theID, 0));
  return theArray.ToText();
}

TEST(PDFContent, LineTemplateByteForByte) {
  PDFDrawingDoc theDoc;
  const uint32_t theLine = theDoc.AddLine(10, 20, 100, 200);
  EXPECT_EQ(theDoc.GetInfo(theLine, "type"), "line");
  EXPECT_EQ(theDoc.GetInfo(theLine, "stream"), kIdentityLine);
  EXPECT_EQ(theDoc.GetInfo(theLine, "Length"), std::to_string(std::string(kIdentityLine).size()));
  EXPECT_EQ(theDoc.GetInfo(theLine, "/Length"), std::to_string(std::string(kIdentityLine).size()));
  // Later changes of the state do not reach the added line.
  theDoc.State().mWidth = 9;
  EXPECT_EQ(theDoc.GetInfo(theLine, "stream"), kIdentityLine);

  DrawingState& theState = theDoc.State();
  theState.mColor = ColorRecord{255, 0, 128};
  theState.mWidth = 2.5;
  theState.mTransform = TransformMatrix(0.5, 0, 0, 2, 10.25, -3);
  const uint32_t theClosed = theDoc.AddLine(5, 6, 5, 6);
  EXPECT_EQ(theDoc.GetInfo(theClosed, "stream"),
            "  BX\r\n  q\r\n  0.5000 0.0000 0.0000 2.0000 10.2500 -3.0000 cm\r\n  2.5 w\r\n  1 0 0.502 RG\r\n"
            "    5 6 m\r\n    5 6 l\r\n    h\r\n  S\r\n  Q\r\n  EX");
}

// A line holds its first two points itself and any further ones apart; all are written in order,
// and a path that ends where it began is closed.
TEST(PDFContent, PolylineKeepsEveryPoint) {
  PDFDrawingDoc theDoc;
  PDFSoup& theSoup = theDoc.GetSoup();
  const uint32_t theID = theDoc.NewID();
  auto* theLine = static_cast<PDFLine*>(theSoup.Add(std::make_unique<PDFLine>(&theSoup, theID)));
  for (const PointRecord& thePoint : {PointRecord{1, 2}, PointRecord{3, 4}, PointRecord{5, 6}, PointRecord{1, 2}})
    theLine->AddPoint(thePoint);
  EXPECT_EQ(theDoc.GetInfo(theID, "stream"),
            "  BX\r\n  q\r\n  1.0000 0.0000 0.0000 1.0000 0.0000 0.0000 cm\r\n  1 w\r\n  0 0 0 RG\r\n"
            "    1 2 m\r\n    3 4 l\r\n    5 6 l\r\n    1 2 l\r\n    h\r\n  S\r\n  Q\r\n  EX");
}

TEST(PDFContent, WrittenObjectIsTheStreamWithOnlyItsLength) {
  PDFDrawingDoc theDoc;
  const uint32_t theLine = theDoc.AddLine(10, 20, 100, 200);
  const std::string theBytes = doctest::Bytes(theDoc);
  const std::string theExpected = std::to_string(theLine) + " 0 obj\r\n<<\r\n/Length " +
                                  std::to_string(std::string(kIdentityLine).size()) + "\r\n>>\r\nstream\r\n" +
                                  kIdentityLine + "\r\nendstream\r\n\r\nendobj\r\n\r\n";
  EXPECT_NE(theBytes.find(theExpected), std::string::npos) << theBytes;
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "line.pdf"), "");
}

// Content that nobody asked for is generated while the document is written and not kept; asking
// for it afterwards, writing again, and keeping it (an entry set by a script) all give the same
// bytes, and a change after that is written as changed.
TEST(PDFContent, ContentWrittenAgainAndAskedForAfterwardsIsTheSame) {
  PDFDrawingDoc theDoc;
  const uint32_t theLine = theDoc.AddLine(10, 20, 100, 200);
  theDoc.State().mRect = RectRecord{0, 0, 300, 300};
  theDoc.AddFont("Helvetica", false);
  const uint32_t theText = theDoc.AddText(u"Written once, then again");
  ASSERT_NE(theText, 0u);
  const std::string theFirst = doctest::Bytes(theDoc);
  EXPECT_EQ(doctest::Bytes(theDoc), theFirst);
  EXPECT_EQ(theDoc.GetInfo(theLine, "stream"), kIdentityLine);
  EXPECT_NE(theFirst.find(theDoc.GetInfo(theText, "stream")), std::string::npos);
  EXPECT_EQ(doctest::Bytes(theDoc), theFirst);  // both are kept now
  theDoc.SetInfo(theLine, "/Extra", "1");
  const std::string theChanged = doctest::Bytes(theDoc);
  EXPECT_NE(theChanged.find("/Extra 1\r\n/Length " + std::to_string(std::string(kIdentityLine).size())),
            std::string::npos)
      << theChanged;
}

TEST(PDFContent, RectangleTemplatesByteForByte) {
  PDFDrawingDoc theDoc;
  DrawingState& theState = theDoc.State();
  theState.mWidth = 3;
  theState.mRect = RectRecord{100, 100, 200, 150};
  const uint32_t theFrame = theDoc.FrameRect();
  EXPECT_EQ(theDoc.GetInfo(theFrame, "type"), "rect");
  EXPECT_EQ(theDoc.GetInfo(theFrame, "stream"),
            "  BX\r\n  q\r\n  1.0000 0.0000 0.0000 1.0000 0.0000 0.0000 cm\r\n  3 w\r\n  0 0 0 RG\r\n  1 1 1 rg\r\n"
            "    99 151 m\r\n    201 151 l\r\n    201 99 l\r\n    99 99 l\r\n    h\r\n  S\r\n  Q\r\n  EX");
  theState.mColor = ColorRecord{0, 0, 255};
  const uint32_t theFill = theDoc.FillRect();
  const std::string theFilled =
      "  BX\r\n  q\r\n  1.0000 0.0000 0.0000 1.0000 0.0000 0.0000 cm\r\n  0 w\r\n  0 0 0 RG\r\n  0 0 1 rg\r\n"
      "    100 150 m\r\n    200 150 l\r\n    200 100 l\r\n    100 100 l\r\n    h\r\n  f\r\n  Q\r\n  EX";
  EXPECT_EQ(theDoc.GetInfo(theFill, "stream"), theFilled);
  // Corners given the other way round draw the same rectangle.
  theState.mRect = RectRecord{200, 150, 100, 100};
  EXPECT_EQ(theDoc.GetInfo(theDoc.FillRect(), "stream"), theFilled);
  // Offsets are whole points: width 1 moves nothing, 4 moves by 2.
  theState.mWidth = 1;
  EXPECT_NE(theDoc.GetInfo(theDoc.FrameRect(), "stream").find("    100 150 m\r\n"), std::string::npos);
  theState.mWidth = 4;
  EXPECT_NE(theDoc.GetInfo(theDoc.FrameRect(), "stream").find("    98 152 m\r\n    202 152 l\r\n    202 98 l\r\n"),
            std::string::npos);
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "rectangles.pdf"), "");
}

TEST(PDFContent, LayersDecideWhereContentGoes) {
  struct Case {
    int32_t layer;
    size_t index;  // of the new entry among four
  };
  for (const Case& theCase : {Case{1, 3}, Case{2, 2}, Case{3, 1}, Case{4, 0}, Case{5, 0}, Case{100, 0},
                              Case{0, 3}, Case{-3, 3}, Case{INT32_MIN, 3}, Case{INT32_MAX, 0}}) {
    PDFDrawingDoc theDoc;
    const uint32_t theA = theDoc.AddLine(0, 0, 1, 1);
    const uint32_t theB = theDoc.AddLine(0, 0, 1, 1);
    const uint32_t theC = theDoc.AddLine(0, 0, 1, 1);
    theDoc.State().mLayer = theCase.layer;
    const uint32_t theNew = theDoc.AddLine(0, 0, 1, 1);
    std::vector<uint32_t> theOrder{theA, theB, theC};
    theOrder.insert(theOrder.begin() + static_cast<std::ptrdiff_t>(theCase.index), theNew);
    PDFArrayAtom theExpected;
    for (uint32_t theID : theOrder) theExpected.Append(std::make_unique<PDFRefAtom>(theID, 0));
    EXPECT_EQ(Contents(theDoc), theExpected.ToText()) << "layer " << theCase.layer;
    EXPECT_EQ(theDoc.LayerCount(), 4);
    const uint32_t thePage = theDoc.FindCurrentPage()->GetID();
    EXPECT_EQ(theDoc.GetInfo(thePage, "content count"), "4");
    EXPECT_EQ(theDoc.GetInfo(thePage, "content 1"), std::to_string(theOrder[0]));
    EXPECT_EQ(theDoc.GetInfo(thePage, "content 5"), "0");
  }
}

TEST(PDFContent, LayerCountOnAnEmptyDocumentMakesThePage) {
  PDFDrawingDoc theDoc;
  EXPECT_EQ(theDoc.LayerCount(), 0);
  EXPECT_EQ(theDoc.State().mCurrentPage, 4);
}

TEST(PDFContent, APageWithoutContentIsWrittenWithoutContents) {
  PDFDrawingDoc theDoc;
  const uint32_t thePage = theDoc.AddPage(-1);
  static_cast<PDFPage*>(theDoc.GetSoup().Get(thePage))->GetContents();
  const std::string theBytes = doctest::Bytes(theDoc);
  EXPECT_EQ(theBytes.find("/Contents"), std::string::npos);
}

TEST(PDFContent, ResourcesGetTheirNamesAndAFullProcSet) {
  PDFDrawingDoc theDoc;
  PDFPage* thePage = theDoc.FindCurrentPage();
  // Stand-ins for a font and an image: references to objects that do not exist are dropped.
  PDFSoup& theSoup = theDoc.GetSoup();
  while (theSoup.GetCount() < 12) theDoc.NewID();
  for (uint32_t theID : {12u, 13u, 14u, 15u})
    theSoup.Add(std::make_unique<PDFTypedObject>(&theSoup, theID, kTypeFont, std::make_unique<PDFDictAtom>(), 0));
  thePage->AddFontResource(12, 0);
  thePage->AddXObjectResource(13, 0);
  EXPECT_EQ(theDoc.GetInfo(thePage->GetID(), "/Resources"),
            "<<\r\n/Font <<\r\n/Fqvx12 12 0 R\r\n>>\r\n/ProcSet [ /PDF /Text /ImageB /ImageC /ImageI ]\r\n"
            "/XObject <<\r\n/Iqvx13 13 0 R\r\n>>\r\n>>");

  // A short ProcSet is replaced; a long one stays.
  PDFDictAtom& theResources = thePage->GetResources();
  auto theShort = std::make_unique<PDFArrayAtom>();
  theShort->Append(std::make_unique<PDFNameAtom>("PDF"));
  theShort->Append(std::make_unique<PDFNameAtom>("Text"));
  theResources.Set("ProcSet", std::move(theShort));
  thePage->AddFontResource(14, 0);
  EXPECT_EQ(theResources.Get("ProcSet")->ToText(), "[ /PDF /Text /ImageB /ImageC /ImageI ]");
  auto theLong = std::make_unique<PDFArrayAtom>();
  for (const char* theName : {"A", "B", "C", "D", "E", "F"}) theLong->Append(std::make_unique<PDFNameAtom>(theName));
  theResources.Set("ProcSet", std::move(theLong));
  thePage->AddFontResource(15, 0);
  EXPECT_EQ(static_cast<PDFArrayAtom*>(theResources.Get("ProcSet"))->GetCount(), 6u);
}

TEST(PDFContent, InheritedResourcesAreExtendedInPlace) {
  PDFDrawingDoc theDoc;
  const uint32_t theFirst = theDoc.AddPage(-1);
  const uint32_t theSecond = theDoc.AddPage(-1);
  PDFSoup& theSoup = theDoc.GetSoup();
  theDoc.FindPageTree()->GetDict()->Set("Resources", std::make_unique<PDFDictAtom>());
  static_cast<PDFPage*>(theSoup.Get(theFirst))->AddFontResource(theSecond, 0);
  PDFDictAtom& theShared = static_cast<PDFPage*>(theSoup.Get(theSecond))->GetResources();
  EXPECT_NE(theShared.Get("Font"), nullptr);
  EXPECT_EQ(theDoc.GetInfo(theSecond, "/Resources"), "");
  EXPECT_EQ(static_cast<PDFDictAtom*>(theShared.Get("Font"))->Get("Fqvx" + std::to_string(theSecond))->ToText(),
            std::to_string(theSecond) + " 0 R");
}

TEST(PDFContent, ASingleContentsReferenceBecomesAnArray) {
  PDFDrawingDoc theDoc;
  PDFPage* thePage = theDoc.FindCurrentPage();
  PDFSoup& theSoup = theDoc.GetSoup();
  const uint32_t theStream = theDoc.NewID();
  theSoup.Add(std::make_unique<PDFContentStream>(&theSoup, theStream));
  thePage->SetRefValue("Contents", theStream);
  theDoc.AddLine(0, 0, 1, 1);
  EXPECT_EQ(theDoc.LayerCount(), 2);
  EXPECT_EQ(theDoc.GetInfo(thePage->GetID(), "content 1"), std::to_string(theStream));
}

std::string Inflate(std::string_view inData) {
  std::string theOut(65536, '\0');
  uLongf theLength = theOut.size();
  if (uncompress(reinterpret_cast<Bytef*>(theOut.data()), &theLength, reinterpret_cast<const Bytef*>(inData.data()),
                 inData.size()) != Z_OK)
    return "(not zlib)";
  theOut.resize(theLength);
  return theOut;
}

TEST(PDFContent, FlattenMergesARunOfPlainStreams) {
  PDFDrawingDoc theDoc;
  const uint32_t theA = theDoc.AddLine(1, 1, 2, 2);
  const uint32_t theB = theDoc.FillRect();
  const std::string theDataA = theDoc.GetInfo(theA, "stream");
  const std::string theDataB = theDoc.GetInfo(theB, "stream");
  const uint32_t theMerged = theDoc.Flatten();
  EXPECT_EQ(Contents(theDoc), Refs({theMerged}));
  EXPECT_EQ(theDoc.GetInfo(theMerged, "/Filter"), "/FlateDecode");
  EXPECT_EQ(Inflate(theDoc.GetInfo(theMerged, "stream")), theDataA + "\r\n" + theDataB + "\r\n");
  EXPECT_EQ(theDoc.GetInfo(theA, "type"), "");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "flattened.pdf"), "");
  // The merged stream has a Filter: it is not plain and is not merged again.
  const uint32_t theC = theDoc.AddLine(3, 3, 4, 4);
  const uint32_t theSecond = theDoc.Flatten();
  EXPECT_EQ(Contents(theDoc), Refs({theMerged, theSecond}));
  EXPECT_EQ(theDoc.GetInfo(theC, "type"), "");
}

TEST(PDFContent, FlattenStopsTheRunAtAFilteredStream) {
  PDFDrawingDoc theDoc;
  const uint32_t theLine1 = theDoc.AddLine(1, 1, 2, 2);
  PDFSoup& theSoup = theDoc.GetSoup();
  const uint32_t theFiltered = theDoc.NewID();
  auto theStream = std::make_unique<PDFStreamAtom>();
  theStream->SetData("x", 1);
  theStream->GetDict()->SetName("Filter", "FlateDecode");
  theSoup.Add(std::make_unique<PDFContentStream>(&theSoup, theFiltered, std::move(theStream)));
  theDoc.FindCurrentPage()->AddContent(theFiltered, 0, 1);
  const uint32_t theLine2 = theDoc.AddLine(3, 3, 4, 4);
  const uint32_t theMerged = theDoc.Flatten();
  EXPECT_EQ(Contents(theDoc), Refs({theMerged, theFiltered, theLine2}));
  EXPECT_EQ(theDoc.GetInfo(theLine1, "type"), "");
  EXPECT_EQ(theDoc.GetInfo(theLine2, "type"), "line");
}

TEST(PDFContent, FlattenOfAnEmptyPageGivesAnIDThatNamesNothing) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const uint32_t theID = theDoc.Flatten();
  EXPECT_NE(theID, 0u);
  EXPECT_EQ(theDoc.GetInfo(theID, "type"), "");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "flatten-empty.pdf"), "");
}

}  // namespace
