// The document structure: default objects and their order, the catalog's bytes, pages added at
// positions, the current page, object information and deletion.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "document/PDFCatalog.h"
#include "document/PDFPage.h"
#include "document/PDFPages.h"
#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFStringAtom.h"
#include "pdfcore/PDFTrailer.h"

namespace {

// The IDs of the pages in tree order.
std::vector<uint32_t> PageOrder(PDFDrawingDoc& ioDoc) {
  std::vector<uint32_t> theOrder;
  PDFPages* theTree = ioDoc.FindPageTree();
  for (int64_t n = 1; n <= theTree->Count(); ++n) theOrder.push_back(theTree->FindPageID(n));
  return theOrder;
}

TEST(PDFDrawingDoc, FirstPageMakesCatalogOutlinesTreeAndPageInOrder) {
  PDFDrawingDoc theDoc;
  EXPECT_EQ(theDoc.GetRootID(), 0u);
  const uint32_t thePage = theDoc.AddPage(-1);
  EXPECT_EQ(thePage, 4u);
  EXPECT_EQ(theDoc.GetRootID(), 1u);
  EXPECT_EQ(theDoc.GetInfo(1, "type"), "cata");
  EXPECT_EQ(theDoc.GetInfo(2, "type"), "outl");
  EXPECT_EQ(theDoc.GetInfo(3, "type"), "pags");
  EXPECT_EQ(theDoc.GetInfo(4, "type"), "page");
  // The catalog's keys in byte order, exactly as written.
  EXPECT_EQ(theDoc.GetInfo(1, "value"),
            "<<\r\n/OpenAction [ 4 0 R /Fit ]\r\n/Outlines 2 0 R\r\n/PageMode /UseNone\r\n/Pages 3 0 R\r\n"
            "/Type /Catalog\r\n>>");
  EXPECT_EQ(theDoc.GetInfo(2, "value"), "<<\r\n/Type /Outlines\r\n>>");
  EXPECT_EQ(theDoc.GetInfo(3, "/Kids"), "[ 4 0 R ]");
  EXPECT_EQ(theDoc.GetInfo(3, "/Count"), "1");
  EXPECT_EQ(theDoc.GetInfo(4, "/Parent"), "3 0 R");
  EXPECT_EQ(theDoc.GetInfo(4, "/MediaBox"), "[ 0 0 612 792 ]");
  // The current page is not changed by adding one.
  EXPECT_EQ(theDoc.State().mCurrentPage, 0);

  // A second page leaves OpenAction on the first.
  theDoc.AddPage(-1);
  EXPECT_EQ(theDoc.GetInfo(1, "/OpenAction"), "[ 4 0 R /Fit ]");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "two-pages.pdf"), "");
}

TEST(PDFDrawingDoc, PagesGoWhereThePositionSays) {
  struct Case {
    int32_t position;
    size_t index;  // where the new page lands among four
  };
  for (const Case& theCase : {Case{2, 1}, Case{0, 0}, Case{3, 2}, Case{4, 3}, Case{100, 3}, Case{-1, 3},
                              Case{1, 0}, Case{-5, 3}}) {
    PDFDrawingDoc theDoc;
    std::vector<uint32_t> theOld;
    for (int i = 0; i < 3; ++i) theOld.push_back(theDoc.AddPage(-1));
    const uint32_t theNew = theDoc.AddPage(theCase.position);
    std::vector<uint32_t> theExpected = theOld;
    theExpected.insert(theExpected.begin() + static_cast<std::ptrdiff_t>(theCase.index), theNew);
    EXPECT_EQ(PageOrder(theDoc), theExpected) << "position " << theCase.position;
    EXPECT_EQ(theDoc.FindPageTree()->Count(), 4);
    EXPECT_EQ(theDoc.ValidatePageTree(), 4);
  }
}

TEST(PDFDrawingDoc, MediaBoxIsStoredNormalised) {
  PDFDrawingDoc theDoc;
  theDoc.State().mMediaBox = RectRecord{612, 792, 0, 0};
  const uint32_t thePage = theDoc.AddPage(-1);
  EXPECT_EQ(theDoc.GetInfo(thePage, "/MediaBox"), "[ 0 0 612 792 ]");
}

TEST(PDFDrawingDoc, SelectingAPageTakesItsMediaBoxAndMovesThePosition) {
  PDFDrawingDoc theDoc;
  DrawingState& theState = theDoc.State();
  const uint32_t theFirst = theDoc.AddPage(-1);
  theState.mMediaBox = RectRecord{0, 0, 300, 400};
  const uint32_t theSmall = theDoc.AddPage(-1);
  theState.mMediaBox = RectRecord{0, 0, 612, 792};
  theState.mRect = RectRecord{50, 60, 250, 350};
  theState.mPosition = PointRecord{1, 2};

  theDoc.SelectPage(static_cast<int32_t>(theSmall));
  EXPECT_EQ(theState.mCurrentPage, static_cast<int32_t>(theSmall));
  EXPECT_EQ(theState.mMediaBox.Right(), 300);
  EXPECT_EQ(theState.mMediaBox.Top(), 400);
  EXPECT_EQ(theState.mPosition.x, 50);
  EXPECT_EQ(theState.mPosition.y, 350);

  // Selecting the current page again does nothing.
  theState.mMediaBox = RectRecord{0, 0, 1, 1};
  theDoc.SelectPage(static_cast<int32_t>(theSmall));
  EXPECT_EQ(theState.mMediaBox.Right(), 1);

  // An ID that is no page selects the first page.
  theDoc.SelectPage(1);
  EXPECT_EQ(theState.mCurrentPage, static_cast<int32_t>(theFirst));
  EXPECT_EQ(theState.mMediaBox.Right(), 612);
}

TEST(PDFDrawingDoc, SelectingOnAnEmptyDocumentAppendsAPage) {
  PDFDrawingDoc theDoc;
  theDoc.SelectPage(77);
  EXPECT_EQ(theDoc.State().mCurrentPage, 4);
  EXPECT_EQ(theDoc.FindPageTree()->Count(), 1);
}

TEST(PDFDrawingDoc, ARootThatIsNoCatalogIsReplaced) {
  PDFDrawingDoc theDoc;
  PDFSoup& theSoup = theDoc.GetSoup();
  const uint32_t theFontID = theDoc.NewID();
  theSoup.Add(std::make_unique<PDFTypedObject>(&theSoup, theFontID, kTypeFont, std::make_unique<PDFDictAtom>(), 0));
  theSoup.SetRootID(theFontID);
  PDFCatalog* theCat = theDoc.FindCatalog();
  ASSERT_NE(theCat, nullptr);
  EXPECT_NE(theCat->GetID(), theFontID);
  EXPECT_EQ(theDoc.GetRootID(), theCat->GetID());
  EXPECT_EQ(theDoc.GetInfo(theCat->GetPages(), "type"), "pags");
  EXPECT_EQ(theDoc.GetInfo(theCat->GetOutlines(), "type"), "outl");
}

TEST(PDFDrawingDoc, CommonInformation) {
  PDFDrawingDoc theDoc;
  const uint32_t thePage = theDoc.AddPage(-1);
  EXPECT_EQ(theDoc.GetInfo(thePage, "id"), std::to_string(thePage));
  EXPECT_EQ(theDoc.GetInfo(thePage, "active"), "1");
  EXPECT_EQ(theDoc.GetInfo(thePage, "/Type"), "/Page");
  EXPECT_EQ(theDoc.GetInfo(thePage, "/Nothing"), "");
  EXPECT_EQ(theDoc.GetInfo(thePage, "nonsense"), "");
  EXPECT_EQ(theDoc.GetInfo(1, "pages"), "3");
  EXPECT_EQ(theDoc.GetInfo(1, "outlines"), "2");
  EXPECT_EQ(theDoc.GetInfo(PDFObject::kTrailerID, "value"), "<<\r\n/Root 1 0 R\r\n>>");
  EXPECT_EQ(theDoc.GetInfo(PDFObject::kTrailerID, "type"), "trlr");
  EXPECT_EQ(theDoc.GetInfo(12345, "type"), "");
  EXPECT_EQ(theDoc.GetInfo(600000, "value"), "");
}

TEST(PDFDrawingDoc, PageTreeInformation) {
  PDFDrawingDoc theDoc;
  EXPECT_EQ(theDoc.GetInfo(theDoc.FindPageTree()->GetID(), "page count"), "0");
  std::vector<uint32_t> thePages;
  for (int i = 0; i < 3; ++i) thePages.push_back(theDoc.AddPage(-1));
  const uint32_t theTree = theDoc.FindPageTree()->GetID();
  EXPECT_EQ(theDoc.GetInfo(theTree, "page count"), "3");
  EXPECT_EQ(theDoc.GetInfo(theTree, "page 2"), std::to_string(thePages[1]));
  EXPECT_EQ(theDoc.GetInfo(theTree, "page  3xyz"), std::to_string(thePages[2]));
  EXPECT_EQ(theDoc.GetInfo(theTree, "page 5"), "0");
  EXPECT_EQ(theDoc.GetInfo(theTree, "page 0"), "0");
  EXPECT_EQ(theDoc.GetInfo(theTree, "page -1"), "0");
  EXPECT_EQ(theDoc.GetInfo(theTree, "page 99999999999999999999"), "0");
  EXPECT_EQ(theDoc.GetInfo(theTree, "page x"), "");
}

TEST(PDFDrawingDoc, ACountThatIsNoNumberIsResetWhenAsked) {
  PDFDrawingDoc theDoc;
  PDFPages* theTree = theDoc.FindPageTree();
  theTree->GetDict()->SetString("Count", "three");
  EXPECT_EQ(theTree->Count(), 0);
  EXPECT_EQ(theDoc.GetInfo(theTree->GetID(), "/Count"), "0");
}

TEST(PDFDrawingDoc, DeletingAPageLowersTheCountsAndFreesIt) {
  PDFDrawingDoc theDoc;
  const uint32_t theFirst = theDoc.AddPage(-1);
  const uint32_t theSecond = theDoc.AddPage(-1);
  const uint32_t theLine = (theDoc.SelectPage(static_cast<int32_t>(theSecond)), theDoc.AddLine(1, 2, 3, 4));
  theDoc.Delete(theSecond);
  EXPECT_EQ(theDoc.GetInfo(theSecond, "type"), "");
  EXPECT_EQ(theDoc.FindPageTree()->Count(), 1);
  EXPECT_EQ(theDoc.ValidatePageTree(), 1);
  EXPECT_EQ(PageOrder(theDoc), std::vector<uint32_t>{theFirst});

  const std::string theBytes = doctest::Bytes(theDoc);
  // The page and its content, reachable from nothing now, are free entries.
  const size_t theXref = theBytes.find("xref\r\n");
  ASSERT_NE(theXref, std::string::npos);
  const size_t theFirstEntry = theBytes.find("\r\n", theXref + 6) + 2;
  auto theEntry = [&](uint32_t inID) { return theBytes.substr(theFirstEntry + 20 * inID, 20); };
  EXPECT_EQ(theEntry(theSecond).substr(17, 1), "f");
  EXPECT_EQ(theEntry(theLine).substr(17, 1), "f");
  EXPECT_EQ(theEntry(theFirst).substr(17, 1), "n");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "deleted-page.pdf"), "");
}

TEST(PDFDrawingDoc, DeletingTheFirstPageDropsTheOpenAction) {
  PDFDrawingDoc theDoc;
  const uint32_t theFirst = theDoc.AddPage(-1);
  theDoc.AddPage(-1);
  theDoc.Delete(theFirst);
  doctest::Bytes(theDoc);
  EXPECT_EQ(theDoc.GetInfo(1, "/OpenAction"), "");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "deleted-first-page.pdf"), "");
}

TEST(PDFDrawingDoc, StructureObjectsAndTheTrailerCannotBeDeleted) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  for (uint32_t theID : {1u, 2u, 3u, PDFObject::kTrailerID, 0u, 999u}) theDoc.Delete(theID);
  EXPECT_EQ(theDoc.GetInfo(1, "active"), "1");
  EXPECT_EQ(theDoc.GetInfo(2, "active"), "1");
  EXPECT_EQ(theDoc.GetInfo(3, "active"), "1");
  EXPECT_EQ(theDoc.GetInfo(PDFObject::kTrailerID, "value"), "<<\r\n/Root 1 0 R\r\n>>");
}

TEST(PDFDrawingDoc, NestedTreeLookupSkipsSubtreesAndInsertsIntoTheRightNode) {
  // Root -> [A (pages 1, 2), B (page 3)].
  PDFDrawingDoc theDoc;
  PDFSoup& theSoup = theDoc.GetSoup();
  PDFPages* theRoot = theDoc.FindPageTree();
  auto MakeNode = [&]() {
    PDFPages* theNode = static_cast<PDFPages*>(theSoup.Add(std::make_unique<PDFPages>(&theSoup, theDoc.NewID())));
    theNode->SetRefValue("Parent", theRoot->GetID());
    return theNode;
  };
  PDFPages* theA = MakeNode();
  PDFPages* theB = MakeNode();
  auto MakePage = [&](PDFPages* inNode) {
    PDFPage* thePage = static_cast<PDFPage*>(theSoup.Add(std::make_unique<PDFPage>(&theSoup, theDoc.NewID())));
    static_cast<PDFArrayAtom*>(inNode->GetValue("Kids"))->Append(std::make_unique<PDFRefAtom>(thePage->GetID(), 0));
    thePage->SetParent(inNode->GetID(), 0);
    PDFPages::UpdateCounts(&theSoup, 1, inNode);
    return thePage->GetID();
  };
  auto* theRootKids = static_cast<PDFArrayAtom*>(theRoot->GetValue("Kids"));
  theRootKids->Append(std::make_unique<PDFRefAtom>(theA->GetID(), 0));
  theRootKids->Append(std::make_unique<PDFRefAtom>(theB->GetID(), 0));
  const uint32_t the1 = MakePage(theA);
  const uint32_t the2 = MakePage(theA);
  const uint32_t the3 = MakePage(theB);
  EXPECT_EQ(theRoot->Count(), 3);
  EXPECT_EQ(theDoc.ValidatePageTree(), 3);
  EXPECT_EQ(PageOrder(theDoc), (std::vector<uint32_t>{the1, the2, the3}));

  // Page 3 is found in B without entering A: A's count is trusted.
  theA->SetIntegerValue("Count", 2);
  size_t theIndex = 99;
  EXPECT_NE(theRoot->FindPage(3, theIndex), nullptr);
  EXPECT_EQ(theIndex, 0u);

  // Inserting before page 3 goes into B; appending goes after page 3 into B as well.
  const uint32_t theBefore3 = theDoc.AddPage(3);
  EXPECT_EQ(theDoc.GetInfo(theBefore3, "/Parent"), std::to_string(theB->GetID()) + " 0 R");
  const uint32_t theLast = theDoc.AddPage(-1);
  EXPECT_EQ(theDoc.GetInfo(theLast, "/Parent"), std::to_string(theB->GetID()) + " 0 R");
  EXPECT_EQ(theB->Count(), 3);
  EXPECT_EQ(theRoot->Count(), 5);
  EXPECT_EQ(PageOrder(theDoc), (std::vector<uint32_t>{the1, the2, theBefore3, the3, theLast}));

  // Deleting a page in A lowers A and the root.
  theDoc.Delete(the2);
  EXPECT_EQ(theA->Count(), 1);
  EXPECT_EQ(theRoot->Count(), 4);
  EXPECT_EQ(theDoc.ValidatePageTree(), 4);
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "nested-tree.pdf"), "");
}

}  // namespace
