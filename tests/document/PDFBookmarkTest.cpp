// Bookmarks: paths, exact titles and their cut, open and closed counts, sibling links and
// destinations; deleting first, middle, last and only children; and outlines as a file may hold
// them: items without a class, items calling themselves roots, a root without /Type, loops in
// Next and Parent, and First/Last naming objects of other kinds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "document/PDFBookmark.h"
#include "document/PDFCatalog.h"
#include "document/PDFOutlines.h"
#include "pdfcore/PDFPlaceholder.h"

namespace {

// The outline root's ID of a document that has its default structure.
uint32_t RootOf(PDFDrawingDoc& ioDoc) { return ioDoc.FindOutlines()->GetID(); }

std::string Ref(uint32_t inID) { return std::to_string(inID) + " 0 R"; }

// The title held by the bookmark inID.
std::string TitleOf(PDFDrawingDoc& ioDoc, uint32_t inID) {
  const auto* theBook = dynamic_cast<PDFBookmark*>(ioDoc.GetSoup().FindByID(inID));
  return theBook != nullptr ? theBook->GetTitle() : "<no bookmark>";
}

std::string DestTo(uint32_t inPage) { return "[ " + Ref(inPage) + " /XYZ null null null ]"; }

// The IDs reached from inParent's First through Next (at most inLimit of them).
std::vector<uint32_t> Children(PDFDrawingDoc& ioDoc, uint32_t inParent, size_t inLimit = 50) {
  std::vector<uint32_t> theIDs;
  std::string theLink = ioDoc.GetInfo(inParent, "/First");
  while (!theLink.empty() && theIDs.size() < inLimit) {
    const uint32_t theID = static_cast<uint32_t>(std::stoul(theLink));
    theIDs.push_back(theID);
    theLink = ioDoc.GetInfo(theID, "/Next");
  }
  return theIDs;
}

// Enters an object as a file's object stands after its first use: parsed, with the class the
// document's factory chooses for it, or still a placeholder when none fits.
PDFObject* AddRead(PDFDrawingDoc& ioDoc, uint32_t inID, const std::string& inText) {
  PDFSoup& theSoup = ioDoc.GetSoup();
  auto thePlaceholder = std::make_unique<PDFPlaceholder>(&theSoup, inID, 0, inText);
  std::unique_ptr<PDFObject> theTyped = thePlaceholder->Materialize();
  if (theTyped) return theSoup.Add(std::move(theTyped));
  return theSoup.Add(std::move(thePlaceholder));
}

// A document with one page whose outline root (ID 2) holds the items given as object texts,
// numbered from 10 up; the root's own text is inRoot.
struct ReadOutline {
  PDFDrawingDoc doc;
  uint32_t page = 0;

  ReadOutline(const std::string& inRoot, const std::vector<std::string>& inItems) {
    page = doc.AddPage(-1);
    AddRead(doc, 2, inRoot);
    for (size_t i = 0; i < inItems.size(); ++i) AddRead(doc, static_cast<uint32_t>(10 + i), inItems[i]);
  }
};

// ---- Paths, titles and counts of new bookmarks ----

TEST(PDFBookmark, FirstExpandedBookmarkIsFirstAndLastOfTheRootWithCountOne) {
  PDFDrawingDoc theDoc;
  const uint32_t thePage = theDoc.AddPage(-1);
  const uint32_t theBook = theDoc.AddBookmark("Intro", true);
  const uint32_t theRoot = RootOf(theDoc);
  EXPECT_EQ(theDoc.GetInfo(theBook, "type"), "book");
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/First"), Ref(theBook));
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Last"), Ref(theBook));
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), "1");
  EXPECT_EQ(theDoc.GetInfo(theBook, "/Parent"), Ref(theRoot));
  EXPECT_EQ(theDoc.GetInfo(theBook, "/Title"), "(Intro)");
  EXPECT_EQ(theDoc.GetInfo(theBook, "/Dest"), DestTo(thePage));
  EXPECT_EQ(theDoc.GetInfo(theBook, "/Count"), "0");
  EXPECT_EQ(theDoc.GetInfo(theBook, "/Prev"), "");
  EXPECT_EQ(theDoc.GetInfo(theBook, "/Next"), "");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-first.pdf"), "");
}

TEST(PDFBookmark, FirstCollapsedBookmarkLeavesTheRootWithoutCountAndTheSecondCountsOne) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const uint32_t theFirst = theDoc.AddBookmark("One", false);
  const uint32_t theRoot = RootOf(theDoc);
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), "");
  // A second top-level bookmark adds 1 to the missing Count whatever its own state.
  const uint32_t theSecond = theDoc.AddBookmark("Two", false);
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), "1");
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/First"), Ref(theFirst));
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Last"), Ref(theSecond));
  EXPECT_EQ(theDoc.GetInfo(theFirst, "/Next"), Ref(theSecond));
  EXPECT_EQ(theDoc.GetInfo(theSecond, "/Prev"), Ref(theFirst));
  EXPECT_EQ(theDoc.GetInfo(theSecond, "/Next"), "");
  theDoc.AddBookmark("Three", true);
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), "2");
  EXPECT_EQ(Children(theDoc, theRoot).size(), 3u);
}

TEST(PDFBookmark, NestedPathCountsBySignOfEachAncestor) {
  for (const bool theExpanded : {true, false}) {
    SCOPED_TRACE(theExpanded);
    PDFDrawingDoc theDoc;
    const uint32_t thePage = theDoc.AddPage(-1);
    const uint32_t theB = theDoc.AddBookmark("A\\B", theExpanded);
    const uint32_t theRoot = RootOf(theDoc);
    const uint32_t theA = static_cast<uint32_t>(std::stoul(theDoc.GetInfo(theRoot, "/First")));
    EXPECT_EQ(theDoc.GetInfo(theA, "/Title"), "(A)");
    EXPECT_EQ(theDoc.GetInfo(theA, "/Count"), theExpanded ? "1" : "-1");
    EXPECT_EQ(theDoc.GetInfo(theA, "/Dest"), "");
    EXPECT_EQ(theDoc.GetInfo(theA, "/First"), Ref(theB));
    EXPECT_EQ(theDoc.GetInfo(theA, "/Last"), Ref(theB));
    EXPECT_EQ(theDoc.GetInfo(theB, "/Parent"), Ref(theA));
    EXPECT_EQ(theDoc.GetInfo(theB, "/Dest"), DestTo(thePage));
    // The root is always open: A (when open) and B each add one.
    EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), theExpanded ? "2" : "1");

    // A third level: each ancestor moves by one in the direction of its own state.
    theDoc.AddBookmark("A\\B\\C", theExpanded);
    EXPECT_EQ(theDoc.GetInfo(theB, "/Count"), theExpanded ? "1" : "-1");
    EXPECT_EQ(theDoc.GetInfo(theA, "/Count"), theExpanded ? "2" : "-2");
    EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), theExpanded ? "3" : "2");
    EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-nested.pdf"), "");
  }
}

TEST(PDFBookmark, SamePathAgainOnlyMovesTheDestination) {
  PDFDrawingDoc theDoc;
  const uint32_t theFirstPage = theDoc.AddPage(-1);
  const uint32_t theSecondPage = theDoc.AddPage(-1);
  const uint32_t theB = theDoc.AddBookmark("A\\B", true);
  const uint32_t theRoot = RootOf(theDoc);
  const uint32_t theA = static_cast<uint32_t>(std::stoul(theDoc.GetInfo(theRoot, "/First")));
  const std::string theABefore = theDoc.GetInfo(theA, "value");
  const uint32_t theCount = theDoc.GetSoup().GetCount();
  EXPECT_EQ(theDoc.GetInfo(theB, "/Dest"), DestTo(theFirstPage));

  theDoc.SelectPage(static_cast<int32_t>(theSecondPage));
  EXPECT_EQ(theDoc.AddBookmark("A\\B", false), theB);
  EXPECT_EQ(theDoc.GetSoup().GetCount(), theCount);
  EXPECT_EQ(theDoc.GetInfo(theB, "/Dest"), DestTo(theSecondPage));
  EXPECT_EQ(theDoc.GetInfo(theA, "value"), theABefore);
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), "2");
  // An inner bookmark gets a destination only from a path that ends at it.
  EXPECT_EQ(theDoc.AddBookmark("A", true), theA);
  EXPECT_EQ(theDoc.GetInfo(theA, "/Dest"), DestTo(theSecondPage));
}

TEST(PDFBookmark, TitlesMatchExactlyAndAreCutAt255Bytes) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const uint32_t theUpper = theDoc.AddBookmark("A", true);
  EXPECT_NE(theDoc.AddBookmark("a", true), theUpper);
  EXPECT_NE(theDoc.AddBookmark("A ", true), theUpper);
  EXPECT_NE(theDoc.AddBookmark("", true), theUpper);
  EXPECT_EQ(theDoc.AddBookmark("A", true), theUpper);

  const std::string theLong(300, 'x');
  const uint32_t theCut = theDoc.AddBookmark(theLong, true);
  EXPECT_EQ(TitleOf(theDoc, theCut), std::string(255, 'x'));
  EXPECT_EQ(theDoc.AddBookmark(theLong, true), theCut);
  // Only the first 255 bytes take part in the match.
  EXPECT_EQ(theDoc.AddBookmark(std::string(255, 'x') + "different", true), theCut);
  const uint32_t theChild = theDoc.AddBookmark(theLong + "\\" + theLong, true);
  EXPECT_EQ(theDoc.GetInfo(theCut, "/First"), Ref(theChild));
  EXPECT_EQ(TitleOf(theDoc, theChild), std::string(255, 'x'));
  // Bytes outside ASCII compare as bytes; a text string ends at a zero byte, so a component
  // compares by what it keeps.
  const std::string theBytes("\xE9t\xE9\0x", 5);
  const uint32_t theBinary = theDoc.AddBookmark(theBytes, true);
  EXPECT_EQ(TitleOf(theDoc, theBinary), "\xE9t\xE9");
  EXPECT_EQ(theDoc.AddBookmark(theBytes, true), theBinary);
  EXPECT_EQ(theDoc.AddBookmark(std::string("\xE9t\xE9", 3), true), theBinary);
  EXPECT_NE(theDoc.AddBookmark("\xC9t\xE9", true), theBinary);
}

TEST(PDFBookmark, EmptyComponentsAreTitlesOfZeroLength) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const uint32_t theRoot = RootOf(theDoc);
  const uint32_t theDeep = theDoc.AddBookmark("\\A\\\\B\\", true);
  // "", A, "", B, "" from the top down.
  std::vector<std::string> theTitles;
  uint32_t theNode = theDeep;
  for (int i = 0; i < 10 && theNode != theRoot; ++i) {
    theTitles.insert(theTitles.begin(), theDoc.GetInfo(theNode, "/Title"));
    theNode = static_cast<uint32_t>(std::stoul(theDoc.GetInfo(theNode, "/Parent")));
  }
  EXPECT_EQ(theTitles, (std::vector<std::string>{"()", "(A)", "()", "(B)", "()"}));
  EXPECT_EQ(theDoc.AddBookmark("\\A\\\\B\\", false), theDeep);
  EXPECT_EQ(theDoc.AddBookmark("", true), static_cast<uint32_t>(std::stoul(theDoc.GetInfo(theRoot, "/First"))));
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), "5");
}

TEST(PDFBookmark, DestinationIsTheCurrentPageMadeWhenThereIsNone) {
  PDFDrawingDoc theDoc;
  const uint32_t theBook = theDoc.AddBookmark("Alone", true);
  const uint32_t thePage = static_cast<uint32_t>(theDoc.State().mCurrentPage);
  EXPECT_EQ(theDoc.GetInfo(thePage, "type"), "page");
  EXPECT_EQ(theDoc.GetInfo(theBook, "/Dest"), DestTo(thePage));
  const uint32_t theSecond = theDoc.AddPage(0);
  theDoc.SelectPage(static_cast<int32_t>(theSecond));
  EXPECT_EQ(theDoc.GetInfo(theDoc.AddBookmark("Front", true), "/Dest"), DestTo(theSecond));
}

// ---- Delete ----

struct ThreeChildren {
  PDFDrawingDoc doc;
  uint32_t root = 0, parent = 0, first = 0, middle = 0, last = 0;

  explicit ThreeChildren(bool inExpanded) {
    doc.AddPage(-1);
    first = doc.AddBookmark("P\\1", inExpanded);
    middle = doc.AddBookmark("P\\2", inExpanded);
    last = doc.AddBookmark("P\\3", inExpanded);
    root = RootOf(doc);
    parent = static_cast<uint32_t>(std::stoul(doc.GetInfo(root, "/First")));
  }
};

TEST(PDFBookmark, DeletingFirstMiddleAndLastChildKeepsTheChainWhole) {
  {
    ThreeChildren theTree(true);
    theTree.doc.Delete(theTree.middle);
    EXPECT_EQ(theTree.doc.GetInfo(theTree.middle, "id"), "");
    EXPECT_EQ(Children(theTree.doc, theTree.parent), (std::vector<uint32_t>{theTree.first, theTree.last}));
    EXPECT_EQ(theTree.doc.GetInfo(theTree.last, "/Prev"), Ref(theTree.first));
    EXPECT_EQ(theTree.doc.GetInfo(theTree.parent, "/First"), Ref(theTree.first));
    EXPECT_EQ(theTree.doc.GetInfo(theTree.parent, "/Last"), Ref(theTree.last));
    EXPECT_EQ(doctest::SaveAndCheck(theTree.doc, "bookmark-delete-middle.pdf"), "");
  }
  {
    ThreeChildren theTree(true);
    theTree.doc.Delete(theTree.first);
    EXPECT_EQ(Children(theTree.doc, theTree.parent), (std::vector<uint32_t>{theTree.middle, theTree.last}));
    EXPECT_EQ(theTree.doc.GetInfo(theTree.middle, "/Prev"), "");
    EXPECT_EQ(theTree.doc.GetInfo(theTree.parent, "/First"), Ref(theTree.middle));
  }
  {
    ThreeChildren theTree(true);
    theTree.doc.Delete(theTree.last);
    EXPECT_EQ(Children(theTree.doc, theTree.parent), (std::vector<uint32_t>{theTree.first, theTree.middle}));
    EXPECT_EQ(theTree.doc.GetInfo(theTree.middle, "/Next"), "");
    EXPECT_EQ(theTree.doc.GetInfo(theTree.parent, "/Last"), Ref(theTree.middle));
    // A new child goes after the remaining last one.
    const uint32_t theNew = theTree.doc.AddBookmark("P\\4", true);
    EXPECT_EQ(Children(theTree.doc, theTree.parent),
              (std::vector<uint32_t>{theTree.first, theTree.middle, theNew}));
  }
}

TEST(PDFBookmark, DeletingTheOnlyChildEmptiesItsParent) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const uint32_t theOnly = theDoc.AddBookmark("Only", true);
  const uint32_t theRoot = RootOf(theDoc);
  theDoc.Delete(theOnly);
  // No link is left naming the deleted bookmark, under the root as under a bookmark.
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/First"), "");
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Last"), "");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-delete-only.pdf"), "");
  const uint32_t theAgain = theDoc.AddBookmark("Only", true);
  EXPECT_NE(theAgain, theOnly);
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/First"), Ref(theAgain));
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Last"), Ref(theAgain));

  const uint32_t theChild = theDoc.AddBookmark("Only\\Child", true);
  theDoc.Delete(theChild);
  EXPECT_EQ(theDoc.GetInfo(theAgain, "/First"), "");
  EXPECT_EQ(theDoc.GetInfo(theAgain, "/Last"), "");
}

TEST(PDFBookmark, DeletingTakesTheDescendantsOffTheAncestorsButCountsTheItemItself) {
  for (const bool theExpanded : {true, false}) {
    SCOPED_TRACE(theExpanded);
    PDFDrawingDoc theDoc;
    theDoc.AddPage(-1);
    theDoc.AddBookmark("Top\\Mid\\1", theExpanded);
    theDoc.AddBookmark("Top\\Mid\\2", theExpanded);
    const uint32_t theRoot = RootOf(theDoc);
    const uint32_t theTop = static_cast<uint32_t>(std::stoul(theDoc.GetInfo(theRoot, "/First")));
    const uint32_t theMid = static_cast<uint32_t>(std::stoul(theDoc.GetInfo(theTop, "/First")));
    EXPECT_EQ(theDoc.GetInfo(theMid, "/Count"), theExpanded ? "2" : "-2");
    EXPECT_EQ(theDoc.GetInfo(theTop, "/Count"), theExpanded ? "3" : "-3");
    // The root is open: Top counts when it is open, each descendant always.
    EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), theExpanded ? "4" : "3");
    theDoc.Delete(theMid);
    // Mid's two children come off Top and the root in each one's direction; Mid stays counted.
    EXPECT_EQ(theDoc.GetInfo(theTop, "/Count"), theExpanded ? "1" : "-1");
    EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), theExpanded ? "2" : "1");
    EXPECT_EQ(theDoc.GetInfo(theTop, "/First"), "");
    EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-delete-counts.pdf"), "");
  }
}

TEST(PDFBookmark, ARootCountThatComesBackToZeroGoes) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const uint32_t theB = theDoc.AddBookmark("A\\B", false);
  const uint32_t theRoot = RootOf(theDoc);
  const uint32_t theA = static_cast<uint32_t>(std::stoul(theDoc.GetInfo(theRoot, "/First")));
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), "1");
  theDoc.Delete(theA);
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Count"), "");
  EXPECT_EQ(theDoc.GetInfo(theB, "type"), "book");
}

TEST(PDFBookmark, TheRootCannotBeDeleted) {
  PDFDrawingDoc theDoc;
  theDoc.AddBookmark("X", true);
  const uint32_t theRoot = RootOf(theDoc);
  theDoc.Delete(theRoot);
  EXPECT_EQ(theDoc.GetInfo(theRoot, "type"), "outl");
}

// ---- Outlines read from a file ----

TEST(PDFBookmark, ItemsWithoutTypeOrCallingThemselvesRootsAreTakenOver) {
  ReadOutline theFile("<< /Type /Outlines /First 10 0 R /Last 11 0 R /Count 2 >>",
                      {"<< /Title (Plain) /Parent 2 0 R /Next 11 0 R >>",
                       "<< /Type /Outlines /Title (Own) /Parent 2 0 R /Prev 10 0 R /Count 0 >>"});
  PDFDrawingDoc& theDoc = theFile.doc;
  EXPECT_EQ(theDoc.GetInfo(10, "type"), "plac");
  EXPECT_EQ(theDoc.GetInfo(11, "type"), "outl");
  EXPECT_EQ(theDoc.AddBookmark("Own", true), 11u);
  EXPECT_EQ(theDoc.GetInfo(10, "type"), "book");
  EXPECT_EQ(theDoc.GetInfo(11, "type"), "book");
  EXPECT_EQ(theDoc.GetInfo(11, "/Type"), "");
  EXPECT_EQ(theDoc.GetInfo(11, "/Dest"), DestTo(theFile.page));
  // A new one goes after the file's last item.
  const uint32_t theNew = theDoc.AddBookmark("New", true);
  EXPECT_EQ(Children(theDoc, 2), (std::vector<uint32_t>{10, 11, theNew}));
  EXPECT_EQ(theDoc.GetInfo(2, "/Count"), "3");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-read-items.pdf"), "");
}

TEST(PDFBookmark, RootWithoutTypeIsTakenOverNotReplaced) {
  ReadOutline theFile("<< /First 10 0 R /Last 10 0 R /Count 1 >>", {"<< /Title (Kept) /Parent 2 0 R >>"});
  PDFDrawingDoc& theDoc = theFile.doc;
  EXPECT_EQ(theDoc.AddBookmark("Kept", true), 10u);
  EXPECT_EQ(RootOf(theDoc), 2u);
  EXPECT_EQ(theDoc.GetInfo(2, "type"), "outl");
  EXPECT_EQ(theDoc.GetInfo(1, "/Outlines"), Ref(2));
  EXPECT_EQ(theDoc.GetInfo(2, "/First"), Ref(10));
}

TEST(PDFBookmark, DeletingAReadItemUnlinksIt) {
  ReadOutline theFile("<< /Type /Outlines /First 10 0 R /Last 12 0 R /Count 3 >>",
                      {"<< /Title (a) /Parent 2 0 R /Next 11 0 R >>",
                       "<< /Title (b) /Parent 2 0 R /Prev 10 0 R /Next 12 0 R >>",
                       "<< /Title (c) /Parent 2 0 R /Prev 11 0 R >>"});
  PDFDrawingDoc& theDoc = theFile.doc;
  theDoc.Delete(11);
  EXPECT_EQ(theDoc.GetInfo(11, "id"), "");
  EXPECT_EQ(Children(theDoc, 2), (std::vector<uint32_t>{10, 12}));
  EXPECT_EQ(theDoc.GetInfo(12, "/Prev"), Ref(10));
  theDoc.Delete(10);
  theDoc.Delete(12);
  EXPECT_EQ(theDoc.GetInfo(2, "/First"), "");
  EXPECT_EQ(theDoc.GetInfo(2, "/Last"), "");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-read-delete.pdf"), "");
}

TEST(PDFBookmark, LoopingSiblingsEndTheSearchAndTheWalk) {
  // 10 -> 11 -> 10 ..., and Last names an item inside the loop.
  ReadOutline theFile("<< /Type /Outlines /First 10 0 R /Last 11 0 R /Count 2 >>",
                      {"<< /Title (a) /Parent 2 0 R /Next 11 0 R /Prev 11 0 R >>",
                       "<< /Title (b) /Parent 2 0 R /Next 10 0 R /Prev 10 0 R >>"});
  PDFDrawingDoc& theDoc = theFile.doc;
  const uint32_t theNew = theDoc.AddBookmark("not there", true);
  EXPECT_EQ(theDoc.GetInfo(theNew, "type"), "book");
  EXPECT_EQ(theDoc.AddBookmark("b", true), 11u);
  theDoc.Delete(10);
  theDoc.Delete(theNew);
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-loop.pdf"), "");
}

TEST(PDFBookmark, SelfLinksAndParentLoopsNeitherHangNorTakeOver) {
  // 10 names itself everywhere; 11 and 12 are each other's parents and never reach the root.
  ReadOutline theFile("<< /Type /Outlines /First 10 0 R /Last 10 0 R /Count 1 >>",
                      {"<< /Title (self) /Parent 2 0 R /Next 10 0 R /Prev 10 0 R /First 10 0 R /Last 10 0 R "
                       "/Count 5 >>",
                       "<< /Title (x) /Parent 12 0 R >>", "<< /Title (y) /Parent 11 0 R >>"});
  PDFDrawingDoc& theDoc = theFile.doc;
  const uint32_t theChild = theDoc.AddBookmark("self\\child", true);
  EXPECT_EQ(theDoc.GetInfo(theChild, "/Parent"), Ref(10));
  EXPECT_EQ(theDoc.AddBookmark("self\\child", true), theChild);
  EXPECT_EQ(PDFBookmark::FromReference(&theDoc.GetSoup(), 11), nullptr);
  // Outside the outline it is an object like any other: deleted without unlinking anything.
  theDoc.Delete(11);
  EXPECT_EQ(theDoc.GetInfo(11, "id"), "");
  EXPECT_EQ(theDoc.GetInfo(12, "type"), "plac");
  theDoc.Delete(10);
  EXPECT_EQ(theDoc.GetInfo(10, "id"), "");
  EXPECT_EQ(theDoc.GetInfo(2, "/First"), "");
  EXPECT_EQ(theDoc.GetInfo(2, "/Last"), "");
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-self.pdf"), "");
}

TEST(PDFBookmark, FirstAndLastNamingOtherKindsAreLeftAlone) {
  PDFDrawingDoc theDoc;
  const uint32_t thePage = theDoc.AddPage(-1);
  const uint32_t theRoot = RootOf(theDoc);
  PDFObject* theRootObj = theDoc.GetSoup().FindByID(theRoot);
  // The root's First names the catalog, its Last the page.
  theRootObj->SetRefValue("First", theDoc.GetRootID());
  theRootObj->SetRefValue("Last", thePage);
  const std::string thePageBefore = theDoc.GetInfo(thePage, "value");
  const std::string theCatalogBefore = theDoc.GetInfo(theDoc.GetRootID(), "value");
  const std::string theTreeBefore = theDoc.GetInfo(3, "value");
  const uint32_t theBook = theDoc.AddBookmark("Safe", true);
  EXPECT_EQ(theDoc.GetInfo(thePage, "value"), thePageBefore);
  EXPECT_EQ(theDoc.GetInfo(theDoc.GetRootID(), "value"), theCatalogBefore);
  EXPECT_EQ(theDoc.GetInfo(thePage, "type"), "page");
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/First"), Ref(theBook));
  EXPECT_EQ(theDoc.GetInfo(theRoot, "/Last"), Ref(theBook));

  // A bookmark whose Parent names the page: counting stops there and the page tree keeps its Count.
  PDFObject* theBookObj = theDoc.GetSoup().FindByID(theBook);
  theBookObj->SetRefValue("Parent", thePage);
  theDoc.AddBookmark("Safe\\Below", true);
  EXPECT_EQ(theDoc.GetInfo(thePage, "/Count"), "");
  EXPECT_EQ(theDoc.GetInfo(3, "value"), theTreeBefore);
  theDoc.Delete(theBook);
  EXPECT_EQ(theDoc.GetInfo(thePage, "value"), thePageBefore);
  EXPECT_EQ(theDoc.GetInfo(3, "value"), theTreeBefore);
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-foreign.pdf"), "");
}

TEST(PDFBookmark, ALastOfAnotherKindLeavesTheChainFromFirstToDecide) {
  ReadOutline theFile("<< /Type /Outlines /First 10 0 R /Last 4 0 R /Count 2 >>",
                      {"<< /Title (a) /Parent 2 0 R /Next 11 0 R >>", "<< /Title (b) /Parent 2 0 R /Prev 10 0 R >>"});
  PDFDrawingDoc& theDoc = theFile.doc;
  const uint32_t theNew = theDoc.AddBookmark("c", true);
  EXPECT_EQ(Children(theDoc, 2), (std::vector<uint32_t>{10, 11, theNew}));
  EXPECT_EQ(theDoc.GetInfo(2, "/Last"), Ref(theNew));
  EXPECT_EQ(theDoc.GetInfo(theNew, "/Prev"), Ref(11));
  EXPECT_EQ(theDoc.GetInfo(2, "/Count"), "3");
  EXPECT_EQ(theDoc.GetInfo(4, "/Next"), "");
}

TEST(PDFBookmark, LinksOfAReadItemToOtherKindsAreNeitherFollowedNorChanged) {
  // Item 10's children are the catalog and the page; item 11's siblings are the page and the catalog.
  ReadOutline theFile("<< /Type /Outlines /First 10 0 R /Last 11 0 R /Count 2 >>",
                      {"<< /Title (item) /Parent 2 0 R /Next 11 0 R /First 1 0 R /Last 4 0 R /Count 3 >>",
                       "<< /Title (odd) /Parent 2 0 R /Prev 4 0 R /Next 1 0 R >>"});
  PDFDrawingDoc& theDoc = theFile.doc;
  const std::string thePageBefore = theDoc.GetInfo(theFile.page, "value");
  const std::string theCatalogBefore = theDoc.GetInfo(1, "value");
  const uint32_t theChild = theDoc.AddBookmark("item\\child", true);
  EXPECT_EQ(Children(theDoc, 10), (std::vector<uint32_t>{theChild}));
  EXPECT_EQ(theDoc.GetInfo(10, "/Last"), Ref(theChild));
  EXPECT_EQ(theDoc.GetInfo(10, "/Count"), "4");
  theDoc.Delete(11);
  theDoc.Delete(theChild);
  EXPECT_EQ(theDoc.GetInfo(theFile.page, "value"), thePageBefore);
  EXPECT_EQ(theDoc.GetInfo(1, "value"), theCatalogBefore);
  EXPECT_EQ(theDoc.GetInfo(2, "/Last"), Ref(10));
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "bookmark-read-foreign.pdf"), "");
}

TEST(PDFBookmark, AnItemOfAnotherKindUnderTheRootIsNeverTakenOver) {
  PDFDrawingDoc theDoc;
  const uint32_t thePage = theDoc.AddPage(-1);
  const uint32_t theRoot = RootOf(theDoc);
  // The page claims the outline root as its parent and is named as the root's first child.
  theDoc.GetSoup().FindByID(thePage)->SetRefValue("Parent", theRoot);
  theDoc.GetSoup().FindByID(theRoot)->SetRefValue("First", thePage);
  EXPECT_EQ(PDFBookmark::FromReference(&theDoc.GetSoup(), thePage), nullptr);
  EXPECT_EQ(PDFBookmark::FromReference(&theDoc.GetSoup(), theRoot), nullptr);
  EXPECT_EQ(PDFBookmark::FromReference(&theDoc.GetSoup(), PDFObject::kTrailerID), nullptr);
  EXPECT_EQ(PDFBookmark::FromReference(&theDoc.GetSoup(), 0), nullptr);
  EXPECT_EQ(PDFBookmark::FromReference(&theDoc.GetSoup(), 99999), nullptr);
  theDoc.AddBookmark("x", true);
  EXPECT_EQ(theDoc.GetInfo(thePage, "type"), "page");
}

TEST(PDFBookmark, ALongSiblingLoopIsSearchedOnlySoFar) {
  // 1200 items whose last one leads back to the first: the title search compares at most 1000.
  std::vector<std::string> theItems;
  const int theCount = 1200;
  for (int i = 0; i < theCount; ++i) {
    const int theNext = 10 + (i + 1) % theCount;
    theItems.push_back("<< /Title (t" + std::to_string(i) + ") /Parent 2 0 R /Next " + std::to_string(theNext) +
                       " 0 R >>");
  }
  ReadOutline theFile("<< /Type /Outlines /First 10 0 R /Last 50 0 R >>", theItems);
  PDFDrawingDoc& theDoc = theFile.doc;
  EXPECT_EQ(theDoc.AddBookmark("t999", true), 10u + 999);
  const uint32_t theFar = theDoc.AddBookmark("t1000", true);
  EXPECT_NE(theFar, 10u + 1000);
  EXPECT_EQ(theDoc.GetInfo(theFar, "type"), "book");
}

}  // namespace
