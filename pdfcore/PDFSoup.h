// The object table of one document. It owns every indirect object, hands out IDs, finds objects
// by ID (loading objects of a source file on first use) and visits them in ID order. The trailer
// is kept beside the slots, never in them.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "pdfcore/PDFObject.h"

class PDFStream;
class PDFTrailer;

class PDFSoup {
 public:
  // Makes the typed object that parsed content describes (by its /Type, or a stream), taking
  // ioAtom only when it makes one; null leaves the content with the caller. The classes live in
  // the document model, above this layer, so the document registers its factory on its table.
  using ObjectFactory = std::unique_ptr<PDFObject> (*)(PDFSoup& ioSoup, uint32_t inID, uint32_t inGeneration,
                                                       std::unique_ptr<PDFAtom>& ioAtom);
  static constexpr uint32_t kInitialCapacity = 1024;
  // Object IDs stay below this; no object at or above it is ever entered.
  static constexpr uint32_t kMaxID = 500000;
  // Loads nested inside one another while stream lengths are resolved (a stream whose "Length"
  // is an object that is itself a stream with an indirect "Length", and so on), at most.
  static constexpr size_t kMaxNestedLoads = 20;

  PDFSoup();
  PDFSoup(const PDFSoup&) = delete;
  PDFSoup& operator=(const PDFSoup&) = delete;
  ~PDFSoup();

  // The next free ID after the cursor; the table's count grows when it reaches the end. The slot
  // stays empty until an object with that ID is added. At the end of the ID range it returns
  // kMaxID, which Add refuses.
  uint32_t NewID();
  // One more than the highest ID that holds or has held an object or a reservation.
  uint32_t GetCount() const { return mCount; }
  uint32_t GetCapacity() const { return mCapacity; }
  void ResetCursor() { mCursor = 0; }

  void SetObjectFactory(ObjectFactory inFactory) { mFactory = inFactory; }
  ObjectFactory GetObjectFactory() const { return mFactory; }
  void SetLoader(std::unique_ptr<PDFStream> inLoader);
  PDFStream* GetLoader() const { return mLoader.get(); }
  // Replaces (deletes) the previous trailer.
  void SetTrailer(std::unique_ptr<PDFTrailer> inTrailer);
  PDFTrailer* GetTrailer() const { return mTrailer.get(); }
  void SetRootID(uint32_t inID);
  uint32_t GetRootID() const;

  // The object, loaded; null when the ID is not below the count or the slot is empty.
  PDFObject* Get(uint32_t inID);
  void LoadAll();
  // Enters the object under its ID, deleting any object already there; returns it. An object
  // whose ID is kMaxID or more is not entered (deleted, null returned).
  PDFObject* Add(std::unique_ptr<PDFObject> inObj);
  // Makes the slot exist and empty (deleting what was there). IDs at or above kMaxID are an
  // assertion failure and change nothing; returns whether the slot exists.
  bool ReserveID(uint32_t inID);
  // Deletes the object in the slot and empties it; the next NewID search starts after it.
  void RemoveID(uint32_t inID);
  // Deletes every object: count 0, capacity back to the start.
  void Clear();
  // The slot's object without loading; null out of range.
  PDFObject* GetRaw(uint32_t inID) const {
    return inID < mCount ? mSlots[inID].get() : nullptr;
  }
  // kTrailerID gives the trailer; other IDs as Get.
  PDFObject* FindByID(uint32_t inID);
  // FindByID, then null unless the object carries inType and is active.
  PDFObject* FindTyped(uint32_t inID, uint32_t inType);

  // Calls inCallback(PDFObject&, bool& ioStop) for each object from ID 0 up, loaded when
  // inLoad is set; stops after the first call that sets ioStop. The callback may add objects.
  template <class Callback>
  void ForEach(Callback&& inCallback, bool inLoad) {
    bool theStop = false;
    for (uint32_t theID = 0; theID < mCount && !theStop; ++theID) {
      PDFObject* theObj = inLoad ? Load(theID) : mSlots[theID].get();
      if (theObj) inCallback(*theObj, theStop);
    }
  }

  // The content of object inID as the value of a stream's indirect "Length" that is being parsed:
  // the object is found (and loaded) as FindByID finds it. Null when the object is missing or
  // still a placeholder, when it is being loaded already (the Length leads back to an object
  // whose parse is under way, directly or through a chain), or when kMaxNestedLoads loads are
  // under way; the parser then finds the end of the data by searching for "endstream". The
  // caller restores the loader's position afterwards.
  PDFAtom* ResolveLength(uint32_t inID);
  // Whether inID is being loaded (its Materialize is running).
  bool IsLoading(uint32_t inID) const;

  // Replaces a placeholder by its parsed object (when a loader is set), tidies the object's
  // references and returns it; null for an empty slot. The tidy runs only when a reference may
  // have died since the object was last tidied: an object is tidied once after it enters the
  // table, and again after each event that makes an ID name nothing live. A Load of an object
  // that is being loaded already returns the slot as it is, without parsing it again.
  PDFObject* Load(uint32_t inID);
  // Records that an object of the table became inactive (deleted), so that every object is tidied
  // again at its next Load. Emptying a slot records it by itself.
  void NoteDeath() { ++mTidyEpoch; }

  // Marks inStart and every object reachable from it through references, without recursion.
  void MarkFrom(PDFObject& inStart);

 private:
  bool Grow(uint32_t inID);
  // Deletes the slot's object (a death, when there was one) and lists the slot as empty.
  void EmptySlot(uint32_t inID);

  uint32_t mCapacity = kInitialCapacity;
  uint32_t mCount = 0;
  uint32_t mCursor = 0;
  // Empty slots below the count, so that NewID finds the next one without scanning the table.
  std::set<uint32_t> mEmpty;
  // IDs whose Materialize is running, innermost last.
  std::vector<uint32_t> mLoading;
  // Raised whenever a reference may have died; an object tidied at the current value holds none.
  uint64_t mTidyEpoch = 1;
  ObjectFactory mFactory = nullptr;
  // Declared before the slots, so that they are destroyed after every object.
  std::unique_ptr<PDFStream> mLoader;
  std::unique_ptr<PDFTrailer> mTrailer;
  std::vector<std::unique_ptr<PDFObject>> mSlots;
};
