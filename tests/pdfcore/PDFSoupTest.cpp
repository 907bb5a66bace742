// Objects, the object table, marks and cross-reference entries.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFContentObject.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFFreeEntry.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFSoup.h"
#include "pdfcore/PDFTrailer.h"

namespace {

PDFContentObject* AddDict(PDFSoup& ioSoup, uint32_t inID, uint32_t inType = kTypeStream) {
  auto theObj = std::make_unique<PDFContentObject>(&ioSoup, inID, inType, std::make_unique<PDFDictAtom>());
  return static_cast<PDFContentObject*>(ioSoup.Add(std::move(theObj)));
}

std::string XrefEntry(PDFObject& inObj) {
  PDFMemoryStream theStream;
  inObj.WriteXrefEntry(theStream);
  return std::string(theStream.GetView());
}

// Stands for an object of a source file that is parsed on first use.
class FakePlaceholder : public PDFObject {
 public:
  FakePlaceholder(PDFSoup* inSoup, uint32_t inID) : PDFObject(inID, kTypePlaceholder), mSoup(inSoup) {
    mMinVersion = 4;
    mOffset = 77;
    mCanDelete = 0;
  }
  std::unique_ptr<PDFObject> Materialize() override {
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetRef("Gone", 300);  // a reference to nothing, tidied on load
    return std::make_unique<PDFContentObject>(mSoup, mID, kTypePage, std::move(theDict));
  }

 protected:
  void WriteBody(PDFStream&) override {}

 private:
  PDFSoup* mSoup;
};

TEST(PDFSoupTest, NewIDsRunInOrder) {
  PDFSoup theSoup;
  theSoup.Add(std::make_unique<PDFFreeEntry>(0));
  EXPECT_EQ(theSoup.NewID(), 1u);
  EXPECT_EQ(theSoup.NewID(), 2u);
  EXPECT_EQ(theSoup.NewID(), 3u);
  EXPECT_EQ(theSoup.GetCount(), 4u);
  // Handed-out slots stay empty until filled.
  EXPECT_EQ(theSoup.GetRaw(2), nullptr);
  AddDict(theSoup, 1);
  AddDict(theSoup, 3);
  // After a reset the lowest empty slot comes first.
  theSoup.ResetCursor();
  EXPECT_EQ(theSoup.NewID(), 2u);
  AddDict(theSoup, 2);
  EXPECT_EQ(theSoup.NewID(), 4u);
  // A deleted object stays in its slot and is not reused; a removed slot is.
  theSoup.GetRaw(2)->Delete();
  theSoup.ResetCursor();
  AddDict(theSoup, 4);
  EXPECT_EQ(theSoup.NewID(), 5u);
  theSoup.RemoveID(2);
  EXPECT_EQ(theSoup.GetRaw(2), nullptr);
  EXPECT_EQ(theSoup.NewID(), 5u);  // the search starts after the removed ID
  theSoup.RemoveID(1);
  theSoup.ResetCursor();
  EXPECT_EQ(theSoup.NewID(), 1u);
}

TEST(PDFSoupTest, CapacityAndTheIDLimit) {
  PDFSoup theSoup;
  EXPECT_EQ(theSoup.GetCapacity(), 1024u);
  EXPECT_TRUE(theSoup.ReserveID(5000));
  EXPECT_EQ(theSoup.GetCapacity(), 8192u);
  EXPECT_EQ(theSoup.GetCount(), 5001u);
  EXPECT_EQ(AddDict(theSoup, PDFSoup::kMaxID), nullptr);
  EXPECT_FALSE(theSoup.ReserveID(PDFSoup::kMaxID));
  EXPECT_EQ(theSoup.GetCount(), 5001u);
  EXPECT_NE(AddDict(theSoup, PDFSoup::kMaxID - 1), nullptr);
  EXPECT_EQ(theSoup.GetCount(), PDFSoup::kMaxID);
  theSoup.Clear();
  EXPECT_EQ(theSoup.GetCount(), 0u);
  EXPECT_EQ(theSoup.GetCapacity(), 1024u);
  // Once the search passes the last ID, NewID gives an ID that Add refuses, and the count stays.
  PDFSoup theFull;
  theFull.ReserveID(PDFSoup::kMaxID - 1);
  theFull.RemoveID(PDFSoup::kMaxID - 1);  // the next search starts after it
  const uint32_t theID = theFull.NewID();
  EXPECT_EQ(theID, PDFSoup::kMaxID);
  EXPECT_EQ(AddDict(theFull, theID), nullptr);
  EXPECT_EQ(theFull.GetCount(), PDFSoup::kMaxID);
}

TEST(PDFSoupTest, FindingObjects) {
  PDFSoup theSoup;
  theSoup.SetTrailer(std::make_unique<PDFTrailer>(&theSoup));
  theSoup.Add(std::make_unique<PDFFreeEntry>(0));
  AddDict(theSoup, 3, kTypeFont);
  EXPECT_EQ(theSoup.FindByID(PDFObject::kTrailerID), theSoup.GetTrailer());
  EXPECT_EQ(theSoup.FindTyped(3, kTypePage), nullptr);
  EXPECT_NE(theSoup.FindTyped(3, kTypeFont), nullptr);
  theSoup.GetRaw(3)->Delete();
  EXPECT_EQ(theSoup.FindTyped(3, kTypeFont), nullptr);
  EXPECT_EQ(theSoup.Get(4), nullptr);
  EXPECT_EQ(theSoup.Get(2), nullptr);
  theSoup.SetRootID(3);
  EXPECT_EQ(theSoup.GetRootID(), 3u);
}

TEST(PDFSoupTest, ForEachVisitsInOrderAndStops) {
  PDFSoup theSoup;
  theSoup.Add(std::make_unique<PDFFreeEntry>(0));
  for (uint32_t i = 1; i <= 5; ++i) AddDict(theSoup, i);
  theSoup.RemoveID(2);
  std::string theSeen;
  theSoup.ForEach([&](PDFObject& inObj, bool& ioStop) {
    theSeen += std::to_string(inObj.GetID());
    ioStop = inObj.GetID() == 4;
  }, false);
  EXPECT_EQ(theSeen, "0134");
}

TEST(PDFSoupTest, LoadReplacesPlaceholdersAndTidies) {
  PDFSoup theSoup;
  theSoup.Add(std::make_unique<PDFFreeEntry>(0));
  theSoup.Add(std::make_unique<FakePlaceholder>(&theSoup, 1));
  // Without a loader nothing is parsed.
  EXPECT_EQ(theSoup.Get(1)->GetType(), kTypePlaceholder);
  theSoup.SetLoader(std::make_unique<PDFMemoryStream>());
  // Raw access never parses.
  EXPECT_EQ(theSoup.GetRaw(1)->GetType(), kTypePlaceholder);
  PDFObject* theObj = theSoup.Get(1);
  ASSERT_NE(theObj, nullptr);
  EXPECT_EQ(theObj->GetType(), kTypePage);
  EXPECT_EQ(theObj->GetMinVersion(), 4u);
  EXPECT_EQ(theObj->GetOffset(), 77u);
  EXPECT_FALSE(theObj->GetCanDelete());
  EXPECT_EQ(theObj->GetValue("Gone"), nullptr);
}

TEST(PDFSoupTest, ObjectBasics) {
  PDFSoup theSoup;
  PDFContentObject* theObj = AddDict(theSoup, 12, kTypeBookmark);
  EXPECT_EQ(theObj->Describe(), "Item 12 Type 'book'");
  PDFMemoryStream theStream;
  theObj->GetProperty("id", theStream);
  theStream.Put(' ');
  theObj->GetProperty("active", theStream);
  theStream.Put(' ');
  theObj->GetProperty("type", theStream);
  theObj->GetProperty("other", theStream);
  EXPECT_EQ(theStream.GetView(), "12 1 book");
  // Content hooks.
  theObj->SetIntegerValue("Count", -3);
  theObj->SetRefValue("Parent", 7);
  theObj->SetStringValue("Title", "T");
  EXPECT_EQ(theObj->GetIntegerValue("Count"), -3);
  EXPECT_EQ(theObj->GetRefValue("Parent"), 7u);
  EXPECT_EQ(theObj->GetStringValue("Title"), "T");
  EXPECT_EQ(theObj->GetNameValue("Title"), "");
  theObj->RemoveKey("Title");
  EXPECT_EQ(theObj->GetValue("Title"), nullptr);
  EXPECT_EQ(theObj->DebugText(), "12 0 obj\r\n<<\r\n/Count -3\r\n/Parent 7 0 R\r\n>>\r\nendobj\r\n\r\n");
  // Delete raises the generation once; a second delete changes nothing.
  EXPECT_EQ(theObj->Delete(), 1u);
  EXPECT_FALSE(theObj->GetActive());
  EXPECT_EQ(theObj->Delete(), 0u);
  EXPECT_EQ(theObj->GetGeneration(), 1u);
  // An undeletable object stays.
  PDFFreeEntry theFree(4);
  EXPECT_EQ(theFree.Delete(), 0u);
  EXPECT_EQ(theFree.GetGeneration(), 1u);
}

TEST(PDFSoupTest, CrossReferenceEntries) {
  PDFSoup theSoup;
  PDFContentObject* theObj = AddDict(theSoup, 1);
  PDFMemoryStream theStream;
  theStream.WriteText(std::string(17, ' '));
  theObj->Write(theStream);
  EXPECT_EQ(theObj->GetOffset(), 17u);
  EXPECT_EQ(XrefEntry(*theObj), "0000000017 00000 n\r\n");
  PDFFreeEntry theHead(0);
  theHead.Write(theStream);
  EXPECT_EQ(XrefEntry(theHead), "0000000000 65535 f\r\n");
  PDFFreeEntry theOther(9);
  theOther.Write(theStream);
  theOther.SetNextFree(12);
  EXPECT_EQ(XrefEntry(theOther), "0000000012 00001 f\r\n");
  theObj->Delete();
  theObj->SetNextFree(0);
  EXPECT_EQ(XrefEntry(*theObj), "0000000000 00001 f\r\n");
}

TEST(PDFSoupTest, TidyRemovesDeadReferences) {
  PDFSoup theSoup;
  theSoup.Add(std::make_unique<PDFFreeEntry>(0));
  PDFContentObject* theObj = AddDict(theSoup, 1);
  AddDict(theSoup, 2);
  AddDict(theSoup, 3)->Delete();
  auto theKids = std::make_unique<PDFArrayAtom>();
  theKids->Append(std::make_unique<PDFRefAtom>(2, 0));
  theKids->Append(std::make_unique<PDFRefAtom>(3, 0));   // inactive
  theKids->Append(std::make_unique<PDFRefAtom>(99, 0));  // beyond the table
  theKids->Append(std::make_unique<PDFRefAtom>(2, 0));
  auto theInner = std::make_unique<PDFDictAtom>();
  theInner->SetRef("Dead", 0);  // slot 0 is the free entry
  theInner->SetRef("Live", 2);
  theKids->Append(std::move(theInner));
  theObj->GetDict()->Set("Kids", std::move(theKids));
  theObj->GetDict()->SetRef("Gone", 3);
  EXPECT_EQ(theObj->TidyReferences(), 4u);
  EXPECT_EQ(theObj->GetAtom()->ToText(),
            "<<\r\n/Kids [ 2 0 R 2 0 R <<\r\n/Live 2 0 R\r\n>> ]\r\n>>");
  EXPECT_EQ(theObj->TidyReferences(), 0u);
  // A content atom that is itself a dead reference becomes 0 0 R, counted once.
  auto theRefObj = std::make_unique<PDFContentObject>(&theSoup, 4, kTypeStream,
                                                      std::make_unique<PDFRefAtom>(3, 0));
  EXPECT_EQ(theRefObj->TidyReferences(), 1u);
  EXPECT_EQ(theRefObj->GetAtom()->ToText(), "0 0 R");
  EXPECT_EQ(theRefObj->TidyReferences(), 0u);
}

TEST(PDFSoupTest, MarkingLongChainsTakesNoStack) {
  // Each object references the next: marking must not recurse once per object.
  PDFSoup theSoup;
  theSoup.Add(std::make_unique<PDFFreeEntry>(0));
  constexpr uint32_t kObjects = 300000;
  for (uint32_t i = 1; i <= kObjects; ++i) {
    PDFContentObject* theObj = AddDict(theSoup, i);
    theObj->GetDict()->SetRef("Next", i % kObjects + 1);  // the last one loops back to 1
  }
  AddDict(theSoup, kObjects + 1);  // unreachable
  PDFTrailer theTrailer(&theSoup);
  theTrailer.SetRootID(1);
  theSoup.MarkFrom(theTrailer);
  EXPECT_TRUE(theSoup.GetRaw(1)->GetMark());
  EXPECT_TRUE(theSoup.GetRaw(kObjects)->GetMark());
  EXPECT_FALSE(theSoup.GetRaw(kObjects + 1)->GetMark());
}

TEST(PDFSoupTest, TrailerObject) {
  PDFSoup theSoup;
  PDFTrailer theTrailer(&theSoup);
  EXPECT_EQ(theTrailer.GetID(), 0xFFFFFFFFu);
  EXPECT_EQ(theTrailer.GetType(), kTypeTrailer);
  EXPECT_FALSE(theTrailer.GetCanDelete());
  EXPECT_EQ(theTrailer.GetAtom()->ToText(), "<<\r\n/Root 0 0 R\r\n>>");
  // A dictionary whose Root is not a reference gets one.
  auto theDict = std::make_unique<PDFDictAtom>();
  theDict->SetInteger("Root", 5);
  PDFTrailer theOther(&theSoup, std::move(theDict));
  EXPECT_EQ(theOther.GetRootID(), 0u);
  theOther.SetRootID(8);
  EXPECT_EQ(theOther.GetAtom()->ToText(), "<<\r\n/Root 8 0 R\r\n>>");
  PDFTrailer theFromArray(&theSoup, std::make_unique<PDFArrayAtom>());
  EXPECT_TRUE(PDFAtom::IsDict(theFromArray.GetAtom()));
}

// The table's ID search, done the slow way: scan slot by slot from the cursor.
struct SlotScanModel {
  std::vector<bool> filled;
  uint32_t cursor = 0;
  uint32_t NewID() {
    ++cursor;
    while (cursor < filled.size() && filled[cursor]) ++cursor;
    if (cursor >= filled.size()) {
      cursor = static_cast<uint32_t>(filled.size());
      filled.push_back(false);
    }
    return cursor;
  }
};

TEST(PDFSoupTest, NewIDFindsTheSameIDsAsAScanForAnySequence) {
  for (uint32_t theSeed = 1; theSeed <= 20; ++theSeed) {
    std::mt19937 theRandom(theSeed);
    PDFSoup theSoup;
    SlotScanModel theModel;
    theSoup.Add(std::make_unique<PDFFreeEntry>(0));
    theModel.filled.push_back(true);
    std::vector<uint32_t> thePending;
    for (int theStep = 0; theStep < 3000; ++theStep) {
      const uint32_t theCount = theSoup.GetCount();
      ASSERT_EQ(theCount, theModel.filled.size());
      const uint32_t theAny = static_cast<uint32_t>(theRandom() % (theCount + 3));
      switch (theRandom() % 10) {
        case 0:
        case 1:
        case 2:
        case 3: {
          const uint32_t theID = theSoup.NewID();
          ASSERT_EQ(theID, theModel.NewID()) << "seed " << theSeed << " step " << theStep;
          thePending.push_back(theID);
          break;
        }
        case 4:
        case 5:
          // Most IDs handed out get their object; some stay empty.
          if (!thePending.empty()) {
            AddDict(theSoup, thePending.back());
            theModel.filled[thePending.back()] = true;
            thePending.pop_back();
          }
          break;
        case 6:
          if (theAny > 0 && theAny < theCount) {
            theSoup.RemoveID(theAny);
            theModel.filled[theAny] = false;
            theModel.cursor = theAny;
          }
          break;
        case 7:
          if (PDFObject* theObj = theSoup.GetRaw(theAny); theObj != nullptr && theObj->GetCanDelete())
            theObj->Delete();
          theSoup.ResetCursor();
          theModel.cursor = 0;
          break;
        case 8:
          // A reservation past the end leaves a run of empty slots.
          theSoup.ReserveID(theCount + theAny % 4);
          theModel.filled.resize(theCount + theAny % 4 + 1, false);
          theModel.filled[theCount + theAny % 4] = false;
          break;
        default:
          theSoup.ResetCursor();
          theModel.cursor = 0;
          break;
      }
    }
  }
}

TEST(PDFSoupTest, LoadTidiesAgainAfterEveryDeath) {
  PDFSoup theSoup;
  theSoup.Add(std::make_unique<PDFFreeEntry>(0));
  PDFContentObject* theHolder = AddDict(theSoup, 1);
  for (uint32_t theID = 2; theID <= 5; ++theID) {
    AddDict(theSoup, theID);
    theHolder->GetDict()->SetRef("R" + std::to_string(theID), theID);
  }
  auto Keys = [&] { return theSoup.Get(1)->GetAtom()->ToText(); };
  EXPECT_EQ(Keys(), "<<\r\n/R2 2 0 R\r\n/R3 3 0 R\r\n/R4 4 0 R\r\n/R5 5 0 R\r\n>>");
  theSoup.GetRaw(2)->Delete();  // a deletion
  EXPECT_EQ(Keys(), "<<\r\n/R3 3 0 R\r\n/R4 4 0 R\r\n/R5 5 0 R\r\n>>");
  theSoup.RemoveID(3);  // an emptied slot
  EXPECT_EQ(Keys(), "<<\r\n/R4 4 0 R\r\n/R5 5 0 R\r\n>>");
  theSoup.Add(std::make_unique<PDFFreeEntry>(4));  // an object replaced by a free entry
  EXPECT_EQ(Keys(), "<<\r\n/R5 5 0 R\r\n>>");
  // A reference to nothing set after the last tidy goes at the next lookup.
  theSoup.Get(1)->SetRefValue("Nowhere", 77);
  EXPECT_EQ(Keys(), "<<\r\n/R5 5 0 R\r\n>>");
}

}  // namespace
