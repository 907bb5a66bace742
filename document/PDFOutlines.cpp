#include "document/PDFOutlines.h"

#include "pdfcore/PDFDictAtom.h"
#include "runtime/Assert.h"

PDFOutlines::PDFOutlines(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom, uint32_t inGeneration)
    : PDFTypedObject(inSoup, inID, kTypeOutlines, std::move(inAtom), inGeneration) {
  mCanDelete = 0;
  if (!PDFAtom::IsDict(mAtom.get())) {
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetName("Type", "Outlines");
    mAtom = std::move(theDict);
  }
  AssertDict();
}
