// Object IDs as a script sees them after flattening, discarded texts, deletions and additions; the
// clean-up sweep before saving; and the lazy tidy of references, which must give the same
// documents as tidying on every lookup.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "TestRoot.h"
#include "document/PDFPage.h"
#include "document/PDFPages.h"
#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFStringAtom.h"
#include "pdfcore/PDFTrailer.h"
#include "runtime/Preferences.h"

namespace {

// The cross-reference entries of a written document, 20 bytes each.
std::vector<std::string> XrefEntries(const std::string& inBytes) {
  const size_t theStart = inBytes.rfind("xref\r\n0 ");
  const size_t theLineEnd = inBytes.find("\r\n", theStart + 6);
  const size_t theCount = std::stoul(inBytes.substr(theStart + 8, theLineEnd - theStart - 8));
  std::vector<std::string> theEntries;
  for (size_t i = 0; i < theCount; ++i) theEntries.push_back(inBytes.substr(theLineEnd + 2 + 20 * i, 20));
  return theEntries;
}

bool IsFree(const std::string& inBytes, uint32_t inID) { return XrefEntries(inBytes).at(inID)[17] == 'f'; }

TEST(DocumentIDs, FlattenFreesIDsOnlyWhenItMerges) {
  // Without a merge the returned ID stays taken.
  PDFDrawingDoc theEmpty;
  EXPECT_EQ(theEmpty.Flatten(), 1u);  // then catalog 2, outlines 3, tree 4, page 5
  EXPECT_EQ(theEmpty.AddLine(0, 0, 1, 1), 6u);
  EXPECT_EQ(theEmpty.Flatten(), 7u);  // the line is merged into 7; 1 and 6 are free again
  EXPECT_EQ(theEmpty.AddLine(0, 0, 1, 1), 1u);
  EXPECT_EQ(theEmpty.AddLine(0, 0, 1, 1), 6u);
  EXPECT_EQ(theEmpty.AddLine(0, 0, 1, 1), 8u);
  EXPECT_EQ(doctest::SaveAndCheck(theEmpty, "ids-after-flatten.pdf"), "");
}

TEST(DocumentIDs, ATextThatPlacesNothingUsesUpItsID) {
  PDFDrawingDoc theDoc;
  theDoc.State().mCurrentPage = static_cast<int32_t>(theDoc.AddPage(-1));  // 1 to 4
  theDoc.State().mTextStyle.SetSize(0.5);
  const PointRecord thePosition = theDoc.State().mPosition;
  EXPECT_EQ(theDoc.AddText(u"Too small to place"), 0u);  // the default font is 5, the text took 6
  EXPECT_EQ(theDoc.State().mPosition.x, thePosition.x);
  EXPECT_EQ(theDoc.State().mPosition.y, thePosition.y);
  EXPECT_EQ(theDoc.AddLine(0, 0, 1, 1), 7u);
  const std::string theBytes = doctest::Bytes(theDoc);
  EXPECT_EQ(XrefEntries(theBytes).size(), 8u);
  EXPECT_TRUE(IsFree(theBytes, 6));
}

TEST(DocumentIDs, DeletedIDsAreNotHandedOutAgainButRemovedOnesAre) {
  PDFDrawingDoc theDoc;
  const uint32_t theA = theDoc.AddLine(0, 0, 1, 1);  // catalog 1 .. page 4, then 5
  const uint32_t theB = theDoc.AddLine(0, 0, 1, 1);
  EXPECT_EQ(theB, 6u);
  theDoc.Delete(theA);
  EXPECT_EQ(theDoc.AddLine(0, 0, 1, 1), 7u);
  EXPECT_EQ(theDoc.Flatten(), 8u);  // 6 and 7 merge into 8; 5 stays a deleted object
  EXPECT_EQ(theDoc.AddLine(0, 0, 1, 1), 6u);
  theDoc.Delete(6);
  EXPECT_EQ(theDoc.AddLine(0, 0, 1, 1), 7u);
  for (int i = 0; i < 1000; ++i) {
    const uint32_t theID = theDoc.AddLine(0, 0, 1, 1);
    ASSERT_EQ(theID, 9u + static_cast<uint32_t>(i));
    theDoc.Delete(theID);
  }
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "ids-after-deletions.pdf"), "");
}

TEST(DocumentIDs, TheTrailerIsMinusOne) {
  PDFDrawingDoc theDoc;
  EXPECT_EQ(theDoc.GetInfo(PDFObject::kTrailerID, "id"), "-1");
  EXPECT_EQ(theDoc.GetSoup().GetTrailer()->Describe(), "Item -1 Type 'trlr'");
}

TEST(CleanUpSweep, EverySaveAfterADeletionSweepsAfresh) {
  PDFDrawingDoc theDoc;
  const uint32_t theFirst = theDoc.AddPage(-1);
  const uint32_t theSecond = theDoc.AddPage(-1);
  theDoc.SelectPage(static_cast<int32_t>(theFirst));
  const uint32_t theLine1 = theDoc.AddLine(0, 0, 1, 1);
  theDoc.SelectPage(static_cast<int32_t>(theSecond));
  const uint32_t theLine2 = theDoc.AddLine(0, 0, 1, 1);

  theDoc.Delete(theFirst);
  std::string theBytes = doctest::Bytes(theDoc);
  EXPECT_TRUE(IsFree(theBytes, theLine1));
  EXPECT_FALSE(IsFree(theBytes, theLine2));
  // The marks of the first sweep must not keep the second page's line alive.
  theDoc.Delete(theSecond);
  theBytes = doctest::Bytes(theDoc);
  EXPECT_TRUE(IsFree(theBytes, theLine2));
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "sweep-twice.pdf"), "");
}

TEST(CleanUpSweep, UnusedFontsGoAndUsedOnesStay) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const uint32_t theUnused = theDoc.AddFont("Courier", false);
  const uint32_t theUsed = theDoc.AddFont("Helvetica", false);
  ASSERT_NE(theUnused, 0u);
  theDoc.State().mCurrentFont = static_cast<int32_t>(theUsed);
  ASSERT_NE(theDoc.AddText(u"Kept in Helvetica"), 0u);
  theDoc.Delete(theDoc.AddLine(0, 0, 1, 1));
  const std::string theBytes = doctest::Bytes(theDoc);
  EXPECT_TRUE(IsFree(theBytes, theUnused));
  EXPECT_FALSE(IsFree(theBytes, theUsed));
}

TEST(CleanUpSweep, FlattenedTextKeepsItsFont) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  const uint32_t theFont = theDoc.AddFont("Helvetica", false);
  theDoc.State().mCurrentFont = static_cast<int32_t>(theFont);
  theDoc.State().mRect = RectRecord{72, 72, 540, 720};
  theDoc.State().mPosition = PointRecord{72, 720};
  ASSERT_NE(theDoc.AddText(u"Flattened words survive"), 0u);
  theDoc.Flatten();
  theDoc.Delete(theDoc.AddLine(0, 0, 1, 1));
  EXPECT_FALSE(IsFree(doctest::Bytes(theDoc), theFont));
  EXPECT_EQ(doctest::SaveAndCheck(theDoc, "flatten-delete-save.pdf"), "");
  const std::string thePath = doctest::SavePath("flatten-delete-save.pdf");
  const std::string theCommand = "pdftotext '" + thePath + "' '" + thePath + ".txt'";
  ASSERT_EQ(std::system(theCommand.c_str()), 0);
  EXPECT_NE(pdftest::ReadFile(thePath + ".txt").find("Flattened words survive"), std::string::npos);
}

TEST(CleanUpSweep, FreeListIsLinkedInOrderAndEndsInZero) {
  PDFDrawingDoc theDoc;
  std::vector<uint32_t> theLines;
  for (int i = 0; i < 5; ++i) theLines.push_back(theDoc.AddLine(0, 0, 1, 1));
  theDoc.Delete(theLines[1]);
  theDoc.Delete(theLines[3]);
  theDoc.NewID();  // never used
  const std::vector<std::string> theEntries = XrefEntries(doctest::Bytes(theDoc));
  uint32_t theNext = 0;
  std::vector<uint32_t> theChain;
  do {
    ASSERT_EQ(theEntries.at(theNext)[17], 'f');
    theNext = static_cast<uint32_t>(std::stoul(theEntries[theNext].substr(0, 10)));
    if (theNext != 0) theChain.push_back(theNext);
  } while (theNext != 0 && theChain.size() < theEntries.size());
  EXPECT_EQ(theChain, (std::vector<uint32_t>{theLines[1], theLines[3], static_cast<uint32_t>(theEntries.size() - 1)}));
}

TEST(CleanUpSweep, UpdateIDZeroKeepsTheTrailerIDString) {
  TestRoot theRoot;
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  auto theID = std::make_unique<PDFArrayAtom>();
  theID->Append(std::make_unique<PDFStringAtom>("first"));
  theID->Append(std::make_unique<PDFStringAtom>("second"));
  theDoc.GetSoup().GetTrailer()->GetTrailerDict().Set("ID", std::move(theID));
  SetPrefLong("UpdateID", 0);
  EXPECT_NE(doctest::Bytes(theDoc).find("/ID [ (first) (second) ]"), std::string::npos);
  SetPrefLong("UpdateID", 1);
  EXPECT_EQ(doctest::Bytes(theDoc).find("(second)"), std::string::npos);
}

TEST(PageTreeAppend, GoesToTheNodeOfTheLastPagePastEmptyNodes) {
  // Root -> [A (pages 1, 2), B (empty)]: the last page is in A, so a new last page joins A.
  PDFDrawingDoc theDoc;
  PDFSoup& theSoup = theDoc.GetSoup();
  PDFPages* theRoot = theDoc.FindPageTree();
  auto MakeNode = [&]() {
    auto* theNode = static_cast<PDFPages*>(theSoup.Add(std::make_unique<PDFPages>(&theSoup, theDoc.NewID())));
    theNode->SetRefValue("Parent", theRoot->GetID());
    static_cast<PDFArrayAtom*>(theRoot->GetValue("Kids"))->Append(std::make_unique<PDFRefAtom>(theNode->GetID(), 0));
    return theNode;
  };
  PDFPages* theA = MakeNode();
  PDFPages* theB = MakeNode();
  for (int i = 0; i < 2; ++i) {
    auto* thePage = static_cast<PDFPage*>(theSoup.Add(std::make_unique<PDFPage>(&theSoup, theDoc.NewID())));
    static_cast<PDFArrayAtom*>(theA->GetValue("Kids"))->Append(std::make_unique<PDFRefAtom>(thePage->GetID(), 0));
    thePage->SetParent(theA->GetID(), 0);
    PDFPages::UpdateCounts(&theSoup, 1, theA);
  }
  const uint32_t theLast = theDoc.AddPage(-1);
  EXPECT_EQ(theDoc.GetInfo(theLast, "/Parent"), std::to_string(theA->GetID()) + " 0 R");
  EXPECT_EQ(theA->Count(), 3);
  EXPECT_EQ(theB->Count(), 0);
  EXPECT_EQ(theDoc.ValidatePageTree(), 3);
  EXPECT_EQ(theRoot->FindPageID(3), theLast);
}

// Every object is made to tidy at its next lookup, as if lookups always tidied.
void ForgetAllTidies(PDFDrawingDoc& ioDoc) {
  PDFSoup& theSoup = ioDoc.GetSoup();
  for (uint32_t theID = 0; theID < theSoup.GetCount(); ++theID)
    if (PDFObject* theObj = theSoup.GetRaw(theID)) theObj->ForgetTidied();
}

TEST(LazyTidy, GivesTheSameDocumentsAsTidyingOnEveryLookup) {
  for (uint32_t theSeed = 1; theSeed <= 12; ++theSeed) {
    std::mt19937 theRandom(theSeed);
    PDFDrawingDoc theLazy;
    PDFDrawingDoc theEager;
    auto Pick = [&](uint32_t inBelow) { return static_cast<uint32_t>(theRandom() % inBelow); };
    for (int theStep = 0; theStep < 150; ++theStep) {
      ForgetAllTidies(theEager);
      const uint32_t theCount = theLazy.GetSoup().GetCount();
      const uint32_t theTarget = theCount > 1 ? 1 + Pick(theCount - 1) : 1;
      const int32_t thePosition = static_cast<int32_t>(Pick(6)) - 1;
      const uint32_t theOperation = Pick(23);
      uint32_t theLazyResult = 0;
      uint32_t theEagerResult = 0;
      auto Both = [&](auto&& inCall) {
        theLazyResult = inCall(theLazy);
        theEagerResult = inCall(theEager);
      };
      if (theOperation < 3) {
        Both([&](PDFDrawingDoc& ioDoc) { return ioDoc.AddPage(thePosition); });
      } else if (theOperation < 5) {
        Both([&](PDFDrawingDoc& ioDoc) {
          ioDoc.SelectPage(static_cast<int32_t>(theTarget));
          return static_cast<uint32_t>(ioDoc.State().mCurrentPage);
        });
      } else if (theOperation < 9) {
        Both([&](PDFDrawingDoc& ioDoc) { return ioDoc.AddLine(0, 0, 10, 10); });
      } else if (theOperation < 10) {
        Both([&](PDFDrawingDoc& ioDoc) { return ioDoc.FrameRect(); });
      } else if (theOperation < 11) {
        Both([&](PDFDrawingDoc& ioDoc) { return ioDoc.AddText(u"Some words"); });
      } else if (theOperation < 12) {
        Both([&](PDFDrawingDoc& ioDoc) { return ioDoc.AddFont(theTarget % 2 ? "Courier" : "Helvetica", false); });
      } else if (theOperation < 16) {
        Both([&](PDFDrawingDoc& ioDoc) {
          ioDoc.Delete(theTarget);
          return 0u;
        });
      } else if (theOperation < 18) {
        Both([&](PDFDrawingDoc& ioDoc) { return ioDoc.Flatten(); });
      } else if (theOperation < 20) {
        // Content goes below the top when the layer is above 1: where depends on every reference
        // left in the page's contents.
        Both([&](PDFDrawingDoc& ioDoc) {
          ioDoc.State().mLayer = static_cast<int32_t>(1 + theTarget % 3);
          return static_cast<uint32_t>(ioDoc.LayerCount());
        });
      } else {
        ASSERT_EQ(doctest::Bytes(theLazy), doctest::Bytes(theEager)) << "seed " << theSeed << " step " << theStep;
      }
      ASSERT_EQ(theLazyResult, theEagerResult) << "seed " << theSeed << " step " << theStep;
    }
    ForgetAllTidies(theEager);
    EXPECT_EQ(doctest::Bytes(theLazy), doctest::Bytes(theEager)) << "seed " << theSeed;
  }
}

}  // namespace
