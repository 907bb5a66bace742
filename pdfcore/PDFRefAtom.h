// A reference to an indirect object: "<id> <generation> R".
#pragma once

#include "pdfcore/PDFAtom.h"

class PDFRefAtom : public PDFAtom {
 public:
  PDFRefAtom() : PDFAtom(kRef) {}
  PDFRefAtom(uint32_t inID, uint32_t inGeneration)
      : PDFAtom(kRef), mSet(1), mID(inID), mGeneration(inGeneration) {}

  void SetSet(int32_t inSet) { mSet = inSet; }
  int32_t GetSet() const { return mSet; }
  // Setting the ID or the generation also sets the set-flag.
  void SetID(uint32_t inID) {
    mID = inID;
    mSet = 1;
  }
  uint32_t GetID() const { return mID; }
  void SetGeneration(uint32_t inGeneration) {
    mGeneration = inGeneration;
    mSet = 1;
  }
  uint32_t GetGeneration() const { return mGeneration; }

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;

 private:
  int32_t mSet = 0;
  uint32_t mID = 0;
  uint32_t mGeneration = 0;
};
