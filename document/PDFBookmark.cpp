#include "document/PDFBookmark.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNullAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFSoup.h"
#include "pdfcore/PDFStringAtom.h"
#include "runtime/Assert.h"

namespace {

PDFDictAtom* DictOf(const PDFObject& inObj) {
  PDFAtom* theAtom = inObj.GetAtom();
  return PDFAtom::IsDict(theAtom) ? static_cast<PDFDictAtom*>(theAtom) : nullptr;
}

// ioOwner's inKey := a reference to inTarget with its generation (objects read from a file keep
// theirs, so a reference with generation 0 could name nothing).
void SetLink(PDFObject& ioOwner, std::string_view inKey, const PDFObject& inTarget) {
  if (PDFDictAtom* theDict = DictOf(ioOwner)) {
    theDict->SetRef(inKey, inTarget.GetID(), inTarget.GetGeneration());
    ioOwner.ForgetTidied();
  }
}

// The Count entry when it is a number, 0 otherwise.
int64_t CountOf(const PDFObject& inObj) {
  const PDFAtom* theCount = inObj.GetValue("Count");
  return PDFAtom::IsNumber(theCount) ? static_cast<const PDFNumberAtom*>(theCount)->GetInteger() : 0;
}

int32_t ClampToInt32(int64_t inValue) {
  return static_cast<int32_t>(std::clamp<int64_t>(inValue, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The object named as outline root when it is active and holds a dictionary, whatever its class
// (a root read from a file without /Type has none of its own until it is taken over).
PDFObject* RootObject(PDFSoup& inSoup, uint32_t inRootID) {
  if (inRootID == 0) return nullptr;
  PDFObject* theRoot = inSoup.FindByID(inRootID);
  return theRoot != nullptr && theRoot->GetActive() && DictOf(*theRoot) != nullptr ? theRoot : nullptr;
}

}  // namespace

PDFBookmark::PDFBookmark(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom, uint32_t inGeneration)
    : PDFTypedObject(inSoup, inID, kTypeBookmark, std::move(inAtom), inGeneration) {
  mCanDelete = 1;
  if (!PDFAtom::IsDict(mAtom.get())) {
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetName("Type", "Outlines");
    theDict->SetInteger("Count", 0);
    mAtom = std::move(theDict);
  }
  AssertDict();
}

std::string_view PDFBookmark::StoredTitle(std::string_view inTitle) {
  inTitle = inTitle.substr(0, std::min(inTitle.find('\0'), inTitle.size()));
  return inTitle.substr(0, std::min(inTitle.size(), kMaxTitle));
}

void PDFBookmark::SetTitle(std::string_view inTitle) { SetStringValue("Title", StoredTitle(inTitle)); }

std::string PDFBookmark::GetTitle() const {
  const PDFAtom* theTitle = Resolve(GetValue("Title"));
  return PDFAtom::IsString(theTitle) ? static_cast<const PDFStringAtom*>(theTitle)->GetText() : std::string();
}

bool PDFBookmark::HasTitle(std::string_view inTitle) const {
  const PDFAtom* theTitle = Resolve(GetValue("Title"));
  return PDFAtom::IsString(theTitle) && static_cast<const PDFStringAtom*>(theTitle)->GetText() == inTitle;
}

void PDFBookmark::SetParent(const PDFObject& inParent) { SetLink(*this, "Parent", inParent); }

void PDFBookmark::SetDestination(uint32_t inPageID, uint32_t inPageGeneration) {
  auto theDest = std::make_unique<PDFArrayAtom>();
  theDest->Append(std::make_unique<PDFRefAtom>(inPageID, inPageGeneration));
  theDest->Append(std::make_unique<PDFNameAtom>("XYZ"));
  for (int i = 0; i < 3; ++i) theDest->Append(std::make_unique<PDFNullAtom>());
  EnsureDict().Set("Dest", std::move(theDest));
  ForgetTidied();
}

bool PDFBookmark::IsOpen() const {
  const int64_t theCount = CountOf(*this);
  return theCount > 0 || (theCount == 0 && mOpen != 0);
}

uint32_t PDFBookmark::OutlineRootID(PDFSoup& inSoup) {
  const uint32_t theRootID = inSoup.GetRootID();
  const PDFObject* theCat = theRootID != 0 ? inSoup.FindTyped(theRootID, kTypeCatalog) : nullptr;
  return theCat != nullptr ? theCat->GetRefValue("Outlines") : 0;
}

PDFBookmark* PDFBookmark::FromReference(PDFSoup* inSoup, uint32_t inID) {
  if (inSoup == nullptr) {
    ReportAssertion(__FILE__, __LINE__, "inSoup");
    return nullptr;
  }
  if (inID == 0 || inID >= PDFSoup::kMaxID) return nullptr;
  PDFObject* theObj = inSoup->FindByID(inID);
  if (theObj == nullptr || !theObj->GetActive()) return nullptr;
  if (theObj->GetType() == kTypeBookmark) return dynamic_cast<PDFBookmark*>(theObj);
  // Only items without a class of their own are outline items: the document's own bookmarks read
  // back call themselves outline roots, anything else keeps its class.
  const uint32_t theRootID = OutlineRootID(*inSoup);
  if (theRootID == 0 || inID == theRootID) return nullptr;
  if (theObj->GetType() != kTypePlaceholder && theObj->GetType() != kTypeOutlines) return nullptr;
  if (DictOf(*theObj) == nullptr) return nullptr;

  bool theReachesRoot = false;
  const PDFObject* theNode = theObj;
  for (int theStep = 0; theStep < kMaxTakeOverSteps; ++theStep) {
    const PDFObject* theParent = ResolveObject(inSoup, theNode->GetValue("Parent"));
    if (theParent == nullptr) break;
    if (theParent->GetID() == theRootID) {
      theReachesRoot = true;
      break;
    }
    theNode = theParent;
  }
  if (!theReachesRoot) return nullptr;

  std::unique_ptr<PDFAtom> theAtom = PDFAtom::Clone(theObj->GetAtom());
  if (!PDFAtom::IsDict(theAtom.get())) return nullptr;
  static_cast<PDFDictAtom*>(theAtom.get())->Remove("Type");
  auto theNew = std::make_unique<PDFBookmark>(inSoup, inID, std::move(theAtom), theObj->GetGeneration());
  theNew->TakeOver(*theObj);
  theNew->SetCanDelete(true);
  // The old object dies here.
  PDFObject* theAdded = inSoup->Add(std::move(theNew));
  auto* theBook = dynamic_cast<PDFBookmark*>(theAdded);
  if (theBook == nullptr || theBook->GetType() != kTypeBookmark)
    ReportAssertion(__FILE__, __LINE__, "theBook->GetType() == 'book'");
  return theBook;
}

PDFBookmark* PDFBookmark::FindChild(PDFSoup& inSoup, PDFObject& inParent, std::string_view inTitle) {
  uint32_t theID = inParent.GetRefValue("First");
  for (int theCompared = 0; theCompared < kMaxSiblings && theID != 0; ++theCompared) {
    PDFBookmark* theBook = FromReference(&inSoup, theID);
    if (theBook == nullptr) return nullptr;
    if (theBook->HasTitle(inTitle)) return theBook;
    theID = theBook->GetRefValue("Next");
  }
  return nullptr;
}

PDFBookmark* PDFBookmark::LastChild(PDFSoup& inSoup, PDFObject& inParent) {
  PDFBookmark* theLast = FromReference(&inSoup, inParent.GetRefValue("Last"));
  if (theLast != nullptr && theLast != &inParent) return theLast;
  // Last names no bookmark: the chain from First decides.
  return ChainEnd(inSoup, inParent, nullptr);
}

PDFBookmark* PDFBookmark::ChainEnd(PDFSoup& inSoup, PDFObject& inParent, const PDFBookmark* inStop) {
  PDFBookmark* theLast = nullptr;
  std::unordered_set<uint32_t> theSeen;
  uint32_t theID = inParent.GetRefValue("First");
  for (int theStep = 0; theStep < kMaxSiblings && theID != 0 && theSeen.insert(theID).second; ++theStep) {
    PDFBookmark* theBook = FromReference(&inSoup, theID);
    if (theBook == nullptr || theBook == &inParent || theBook == inStop) break;
    theLast = theBook;
    theID = theBook->GetRefValue("Next");
  }
  return theLast;
}

void PDFBookmark::InsertAfter(PDFSoup& inSoup, PDFObject* inParent, PDFBookmark* inPrevious, PDFBookmark* inBaby) {
  if (inParent == nullptr || inBaby == nullptr) {
    ReportAssertion(__FILE__, __LINE__, "(inParent) && (inBaby)");
    return;
  }
  PDFBookmark* theFollowing = nullptr;
  if (inPrevious == nullptr || inPrevious == inBaby) {
    inBaby->RemoveKey("Next");
    inBaby->RemoveKey("Prev");
  } else {
    // Only a bookmark can follow; a link to anything else is dropped.
    theFollowing = FromReference(&inSoup, inPrevious->GetRefValue("Next"));
    if (theFollowing == inBaby || theFollowing == inPrevious) theFollowing = nullptr;
    if (theFollowing != nullptr) {
      SetLink(*inBaby, "Next", *theFollowing);
      SetLink(*theFollowing, "Prev", *inBaby);
    } else {
      inBaby->RemoveKey("Next");
    }
    SetLink(*inPrevious, "Next", *inBaby);
    SetLink(*inBaby, "Prev", *inPrevious);
  }
  if (DictOf(*inParent) != nullptr) {
    inBaby->SetParent(*inParent);
    if (inPrevious == nullptr && theFollowing == nullptr) SetLink(*inParent, "First", *inBaby);
    if (theFollowing == nullptr) SetLink(*inParent, "Last", *inBaby);
  }
  UpdateCounts(inSoup, inBaby, 1);
}

void PDFBookmark::AppendChild(PDFBookmark& ioBaby) {
  if (mSoup == nullptr) {
    ReportAssertion(__FILE__, __LINE__, "mSoup");
    return;
  }
  InsertAfter(*mSoup, this, LastChild(*mSoup, *this), &ioBaby);
}

void PDFBookmark::UpdateCounts(PDFSoup& inSoup, PDFObject* inNode, int32_t inDelta) {
  if (inNode == nullptr) {
    ReportAssertion(__FILE__, __LINE__, "inMod");
    return;
  }
  const uint32_t theRootID = OutlineRootID(inSoup);
  std::unordered_set<uint32_t> theSeen{inNode->GetID()};
  PDFObject* theNode = inNode;
  for (int theStep = 0; theStep < kMaxCountSteps; ++theStep) {
    const uint32_t theParentID = theNode->GetRefValue("Parent");
    if (theParentID == 0 || !theSeen.insert(theParentID).second) return;
    const bool theIsRoot = theParentID == theRootID;
    PDFObject* theParent = nullptr;
    bool theOpen = true;
    if (theIsRoot) {
      theParent = RootObject(inSoup, theRootID);
    } else if (PDFBookmark* theBook = FromReference(&inSoup, theParentID)) {
      theParent = theBook;
      theOpen = theBook->IsOpen();
    }
    // A parent of another kind (a page, say) is never counted in.
    if (theParent == nullptr) return;
    const int32_t theCount = ClampToInt32(CountOf(*theParent) + (theOpen ? inDelta : -int64_t{inDelta}));
    PDFDictAtom* theDict = DictOf(*theParent);
    if (theDict == nullptr) return;
    if (theCount == 0 && theIsRoot)
      theDict->Remove("Count");
    else
      theDict->SetInteger("Count", theCount);
    theNode = theParent;
  }
}

uint32_t PDFBookmark::Delete() {
  if (!mActive || !mCanDelete || mSoup == nullptr) return PDFTypedObject::Delete();
  PDFSoup& theSoup = *mSoup;
  auto theSibling = [&](std::string_view inKey) -> PDFBookmark* {
    PDFBookmark* theBook = FromReference(&theSoup, GetRefValue(inKey));
    return theBook != this ? theBook : nullptr;
  };
  PDFBookmark* thePrev = theSibling("Prev");
  PDFBookmark* theNext = theSibling("Next");
  const uint32_t theRootID = OutlineRootID(theSoup);
  const uint32_t theParentID = GetRefValue("Parent");
  PDFObject* theParent = theParentID != 0 && theParentID == theRootID ? RootObject(theSoup, theRootID)
                                                                        : FromReference(&theSoup, theParentID);
  if (theParent == this) theParent = nullptr;

  // Every link that names this bookmark moves to its neighbour on that side, or goes.
  if (thePrev != nullptr && thePrev->GetRefValue("Next") == mID) {
    if (theNext != nullptr)
      SetLink(*thePrev, "Next", *theNext);
    else
      thePrev->RemoveKey("Next");
  }
  if (theNext != nullptr && theNext->GetRefValue("Prev") == mID) {
    if (thePrev != nullptr)
      SetLink(*theNext, "Prev", *thePrev);
    else
      theNext->RemoveKey("Prev");
  }
  if (theParent != nullptr) {
    if (theParent->GetRefValue("First") == mID) {
      if (theNext != nullptr)
        SetLink(*theParent, "First", *theNext);
      else
        theParent->RemoveKey("First");
    }
    if (theParent->GetRefValue("Last") == mID) {
      // Without a previous sibling the chain that remains from First ends the list.
      PDFBookmark* theLast = thePrev != nullptr ? thePrev : ChainEnd(theSoup, *theParent, this);
      if (theLast != nullptr)
        SetLink(*theParent, "Last", *theLast);
      else
        theParent->RemoveKey("Last");
    }
  }
  // The descendants this bookmark passed up are taken off its ancestors again (whichever its own
  // state, the ancestors saw each of them counted once); the bookmark itself stays counted.
  const int64_t theOwn = CountOf(*this);
  if (theOwn != 0) UpdateCounts(theSoup, this, ClampToInt32(-(theOwn < 0 ? -theOwn : theOwn)));
  return PDFTypedObject::Delete();
}
