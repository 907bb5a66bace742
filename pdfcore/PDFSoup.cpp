#include "pdfcore/PDFSoup.h"

#include <algorithm>

#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFTrailer.h"
#include "runtime/Assert.h"

PDFSoup::PDFSoup() : mSlots(kInitialCapacity) {}

PDFSoup::~PDFSoup() {
  // Objects go first, then the trailer and the loader.
  mSlots.clear();
  mTrailer.reset();
  mLoader.reset();
}

uint32_t PDFSoup::NewID() {
  // The first empty slot after the cursor, else a new slot at the end of the table.
  ++mCursor;
  const auto theEmpty = mEmpty.lower_bound(mCursor);
  if (theEmpty != mEmpty.end()) {
    mCursor = *theEmpty;
  } else {
    mCursor = mCount;
    ReserveID(mCursor);
  }
  return mCursor;
}

void PDFSoup::SetLoader(std::unique_ptr<PDFStream> inLoader) { mLoader = std::move(inLoader); }

void PDFSoup::SetTrailer(std::unique_ptr<PDFTrailer> inTrailer) { mTrailer = std::move(inTrailer); }

void PDFSoup::SetRootID(uint32_t inID) {
  if (mTrailer && mTrailer->GetType() == kTypeTrailer) mTrailer->SetRootID(inID);
}

uint32_t PDFSoup::GetRootID() const {
  if (mTrailer && mTrailer->GetType() == kTypeTrailer) return mTrailer->GetRootID();
  return 0;
}

PDFObject* PDFSoup::Get(uint32_t inID) {
  if (inID >= mCount) return nullptr;
  return Load(inID);
}

void PDFSoup::LoadAll() {
  for (uint32_t theID = 0; theID < mCount; ++theID) Load(theID);
}

PDFObject* PDFSoup::Add(std::unique_ptr<PDFObject> inObj) {
  QX_ASSERT(inObj);
  if (!inObj) return nullptr;
  const uint32_t theID = inObj->GetID();
  if (theID >= kMaxID || !ReserveID(theID)) return nullptr;
  mSlots[theID] = std::move(inObj);
  mEmpty.erase(theID);
  return mSlots[theID].get();
}

bool PDFSoup::Grow(uint32_t inID) {
  uint32_t theCapacity = mCapacity;
  while (theCapacity <= inID) theCapacity *= 2;
  if (theCapacity != mCapacity) {
    mSlots.resize(theCapacity);
    mCapacity = theCapacity;
  }
  return true;
}

bool PDFSoup::ReserveID(uint32_t inID) {
  QX_ASSERT(inID < kMaxID);
  if (inID >= kMaxID) return false;
  Grow(inID);
  if (inID >= mCount) {
    for (uint32_t theID = mCount; theID <= inID; ++theID) mEmpty.insert(mEmpty.end(), theID);
    mCount = inID + 1;
  }
  EmptySlot(inID);
  return true;
}

void PDFSoup::EmptySlot(uint32_t inID) {
  if (mSlots[inID]) {
    mSlots[inID].reset();
    NoteDeath();
  }
  mEmpty.insert(inID);
}

void PDFSoup::RemoveID(uint32_t inID) {
  if (inID >= mCount) return;
  EmptySlot(inID);
  mCursor = inID;
}

void PDFSoup::Clear() {
  mSlots.clear();
  mSlots.resize(kInitialCapacity);
  mSlots.shrink_to_fit();
  mCapacity = kInitialCapacity;
  mCount = 0;
  mCursor = 0;
  mEmpty.clear();
  NoteDeath();
}

PDFObject* PDFSoup::FindByID(uint32_t inID) {
  if (inID == PDFObject::kTrailerID) return mTrailer.get();
  return Get(inID);
}

PDFObject* PDFSoup::FindTyped(uint32_t inID, uint32_t inType) {
  PDFObject* theObj = FindByID(inID);
  if (theObj == nullptr || theObj->GetType() != inType || !theObj->GetActive()) return nullptr;
  return theObj;
}

bool PDFSoup::IsLoading(uint32_t inID) const {
  return std::find(mLoading.begin(), mLoading.end(), inID) != mLoading.end();
}

PDFAtom* PDFSoup::ResolveLength(uint32_t inID) {
  if (mLoading.size() >= kMaxNestedLoads || IsLoading(inID)) return nullptr;
  PDFObject* theObj = FindByID(inID);
  if (theObj == nullptr || theObj->GetType() == kTypePlaceholder) return nullptr;
  return theObj->GetAtom();
}

PDFObject* PDFSoup::Load(uint32_t inID) {
  if (inID >= mCount) return nullptr;
  if (mLoader && mSlots[inID] && !IsLoading(inID)) {
    // Parsing the object may load others (a stream's indirect Length); the list of loads under
    // way keeps any of them from parsing this one again.
    struct LoadingMark {
      std::vector<uint32_t>& mList;
      ~LoadingMark() { mList.pop_back(); }
    };
    mLoading.push_back(inID);
    std::unique_ptr<PDFObject> theReplacement;
    {
      const LoadingMark theMark{mLoading};
      theReplacement = mSlots[inID]->Materialize();
    }
    if (theReplacement && inID < mCount && mSlots[inID]) {
      theReplacement->TakeOver(*mSlots[inID]);
      mSlots[inID] = std::move(theReplacement);
    }
  }
  PDFObject* theObj = inID < mCount ? mSlots[inID].get() : nullptr;
  if (theObj && theObj->GetTidiedAt() != mTidyEpoch) {
    theObj->TidyReferences();
    theObj->SetTidiedAt(mTidyEpoch);
  }
  return theObj;
}

void PDFSoup::MarkFrom(PDFObject& inStart) {
  std::vector<uint32_t> thePending;
  inStart.Mark(thePending);
  while (!thePending.empty()) {
    const uint32_t theID = thePending.back();
    thePending.pop_back();
    PDFObject* theObj = GetRaw(theID);
    if (theObj && !theObj->GetMark()) theObj->Mark(thePending);
  }
}
