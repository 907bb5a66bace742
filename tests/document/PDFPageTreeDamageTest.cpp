// Damaged page trees, as a file or a script may make them: every walk ends with "no page" or its
// message, never loops or overflows the stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "document/PDFPage.h"
#include "document/PDFPages.h"
#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFRefAtom.h"

namespace {

class PageTreeDamage : public ::testing::Test {
 protected:
  PageTreeDamage() {
    mPage = mDoc.AddPage(-1);
    mRoot = mDoc.FindPageTree();
  }

  PDFArrayAtom& RootKids() { return *static_cast<PDFArrayAtom*>(mRoot->GetValue("Kids")); }
  PDFPages* AddNode(uint32_t inParent) {
    PDFSoup& theSoup = mDoc.GetSoup();
    auto* theNode = static_cast<PDFPages*>(theSoup.Add(std::make_unique<PDFPages>(&theSoup, mDoc.NewID())));
    theNode->SetRefValue("Parent", inParent);
    return theNode;
  }
  std::string Validation() {
    std::string theMessage;
    EXPECT_EQ(mRoot->ValidateTree(&theMessage), 0);
    return theMessage;
  }

  PDFDrawingDoc mDoc;
  uint32_t mPage = 0;
  PDFPages* mRoot = nullptr;
};

TEST_F(PageTreeDamage, KidsThatLoopBackToTheRoot) {
  RootKids().Append(std::make_unique<PDFRefAtom>(mRoot->GetID(), 0));
  mRoot->SetIntegerValue("Count", 1000000);
  size_t theIndex = 0;
  EXPECT_EQ(mRoot->FindPage(2, theIndex), nullptr);
  EXPECT_EQ(Validation(), "Page tree loops back.");
  // Inserting still works: it goes into the root.
  const uint32_t theNew = mDoc.AddPage(5);
  EXPECT_EQ(mDoc.GetInfo(theNew, "/Parent"), std::to_string(mRoot->GetID()) + " 0 R");
}

TEST_F(PageTreeDamage, ANodeListedTwiceIsVisitedOnce) {
  // Each node lists the next one twice: without a visited set a search would take 2^60 steps.
  uint32_t theParent = mRoot->GetID();
  PDFArrayAtom* theKids = &RootKids();
  std::vector<PDFPages*> theNodes;
  for (int i = 0; i < 60; ++i) {
    PDFPages* theNode = AddNode(theParent);
    theNodes.push_back(theNode);
    theNode->SetIntegerValue("Count", 1000000);
    theKids->Append(std::make_unique<PDFRefAtom>(theNode->GetID(), 0));
    theKids->Append(std::make_unique<PDFRefAtom>(theNode->GetID(), 0));
    theKids = static_cast<PDFArrayAtom*>(theNode->GetValue("Kids"));
    theParent = theNode->GetID();
  }
  mRoot->SetIntegerValue("Count", 1000000);
  size_t theIndex = 0;
  EXPECT_EQ(mRoot->FindPage(500, theIndex), nullptr);
  EXPECT_EQ(mRoot->FindPageID(1), mPage);
  // With counts that agree, validation meets the second listing of the deepest node.
  for (PDFPages* theNode : theNodes) theNode->SetIntegerValue("Count", 0);
  EXPECT_EQ(Validation(), "Page tree loops back.");
}

TEST_F(PageTreeDamage, NestingBeyondTheLimitEndsTheWalk) {
  uint32_t theParent = mRoot->GetID();
  PDFArrayAtom* theKids = &RootKids();
  for (int i = 0; i < PDFPages::kMaxTreeDepth + 20; ++i) {
    PDFPages* theNode = AddNode(theParent);
    theNode->SetIntegerValue("Count", 1);
    theKids->Append(std::make_unique<PDFRefAtom>(theNode->GetID(), 0));
    theKids = static_cast<PDFArrayAtom*>(theNode->GetValue("Kids"));
    theParent = theNode->GetID();
  }
  // The deepest node holds a page.
  PDFSoup& theSoup = mDoc.GetSoup();
  auto* theDeep = static_cast<PDFPage*>(theSoup.Add(std::make_unique<PDFPage>(&theSoup, mDoc.NewID())));
  theDeep->SetParent(theParent, 0);
  theKids->Append(std::make_unique<PDFRefAtom>(theDeep->GetID(), 0));
  mRoot->SetIntegerValue("Count", 2);
  EXPECT_EQ(mRoot->FindPageID(2), 0u);
  EXPECT_EQ(Validation(), "Page tree nests too deeply.");
  // A count update from the deep page climbs a bounded number of ancestors.
  PDFPages::UpdateCounts(&theSoup, 1, theSoup.Get(theParent));
  EXPECT_EQ(mRoot->Count(), 2);
  // Deleting the deep page ends its walk up after the limit as well.
  mDoc.Delete(theDeep->GetID());
  EXPECT_EQ(mDoc.GetInfo(theDeep->GetID(), "type"), "");
}

TEST_F(PageTreeDamage, ParentsThatLoopEndCountUpdatesAndDeletes) {
  PDFPages* theA = AddNode(0);
  PDFPages* theB = AddNode(theA->GetID());
  theA->SetRefValue("Parent", theB->GetID());
  theA->SetIntegerValue("Count", 5);
  theB->SetIntegerValue("Count", 5);
  PDFPages::UpdateCounts(&mDoc.GetSoup(), 1, theA);
  // Each node of the loop is raised once.
  EXPECT_EQ(theA->Count(), 6);
  EXPECT_EQ(theB->Count(), 6);
  // A page whose parent chain loops: the delete lowers each node once and ends.
  PDFSoup& theSoup = mDoc.GetSoup();
  auto* thePage = static_cast<PDFPage*>(theSoup.Add(std::make_unique<PDFPage>(&theSoup, mDoc.NewID())));
  thePage->SetParent(theA->GetID(), 0);
  auto* theOther = static_cast<PDFPage*>(theSoup.Add(std::make_unique<PDFPage>(&theSoup, mDoc.NewID())));
  theOther->SetParent(theA->GetID(), 0);
  theOther->RemoveKey("MediaBox");
  mDoc.Delete(thePage->GetID());
  EXPECT_EQ(theA->Count(), 5);
  EXPECT_EQ(theB->Count(), 5);
  // The inherited lookup through that loop finds nothing and ends.
  EXPECT_EQ(theOther->LookupInherited("Rotate"), nullptr);
  RectRecord theBox{1, 2, 3, 4};
  theOther->GetMediaBox(theBox);
  EXPECT_EQ(theBox.x2, 3);
  // Resources are looked for up the same loop, then made for the page itself.
  theOther->AddFontResource(mPage, 0);
  EXPECT_EQ(mDoc.GetInfo(theOther->GetID(), "/Resources"),
            "<<\r\n/Font <<\r\n/Fqvx" + std::to_string(mPage) + " " + std::to_string(mPage) + " 0 R\r\n>>\r\n/ProcSet [ /PDF /Text /ImageB /ImageC /ImageI ]\r\n>>");
}

TEST_F(PageTreeDamage, MessagesOfTheValidation) {
  PDFDictAtom& theRoot = *mRoot->GetDict();
  theRoot.SetString("Count", "x");
  EXPECT_EQ(Validation(), "Count is not Number.");
  theRoot.SetInteger("Count", 1);
  theRoot.SetInteger("Kids", 1);
  EXPECT_EQ(Validation(), "Kids are not Array.");
  theRoot.Set("Kids", std::make_unique<PDFArrayAtom>());
  EXPECT_EQ(Validation(), "Count and number of pages do not agree.");
  theRoot.SetString("Type", "Pages");
  EXPECT_EQ(Validation(), "Type is not Name.");
  theRoot.SetName("Type", "Catalog");
  EXPECT_EQ(Validation(), "Type is not Pages or Page.");
  theRoot.SetName("Type", "Pages");
  auto theKids = std::make_unique<PDFArrayAtom>();
  theKids->Append(std::make_unique<PDFRefAtom>(mPage, 0));
  theRoot.Set("Kids", std::move(theKids));
  mDoc.GetSoup().Get(mPage)->RemoveKey("Parent");
  EXPECT_EQ(Validation(), "No parent found.");
  mDoc.GetSoup().Get(mPage)->SetRefValue("Parent", 2);
  EXPECT_EQ(Validation(), "Parent ID incorrect.");
  // A kid that names a content stream (references to missing objects are dropped when the table
  // hands out an object, so an existing object of the wrong kind stands for a broken kid).
  const uint32_t theStream = mDoc.AddLine(0, 0, 1, 1);
  static_cast<PDFArrayAtom*>(theRoot.Get("Kids"))->Append(std::make_unique<PDFRefAtom>(theStream, 0));
  mDoc.GetSoup().Get(mPage)->SetRefValue("Parent", mRoot->GetID());
  EXPECT_EQ(Validation(), "Object is not Dictionary.");
}

TEST_F(PageTreeDamage, ADamagedTreeMakesTheCurrentPageAFreshAppendedPage) {
  RootKids().Clear();
  RootKids().Append(std::make_unique<PDFRefAtom>(9999, 0));
  mRoot->SetIntegerValue("Count", 1);
  PDFPage* theCurrent = mDoc.FindCurrentPage();
  ASSERT_NE(theCurrent, nullptr);
  EXPECT_NE(theCurrent->GetID(), mPage);
  EXPECT_EQ(mDoc.State().mCurrentPage, static_cast<int32_t>(theCurrent->GetID()));
}

}  // namespace
