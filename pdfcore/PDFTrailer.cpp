#include "pdfcore/PDFTrailer.h"

#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFRefAtom.h"

PDFTrailer::PDFTrailer(PDFSoup* inSoup, std::unique_ptr<PDFAtom> inAtom)
    : PDFContentObject(inSoup, kTrailerID, kTypeTrailer, nullptr, 0) {
  mCanDelete = 0;
  if (PDFAtom::IsDict(inAtom.get())) {
    mAtom = std::move(inAtom);
  } else {
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetRef("Root", 0, 0);
    mAtom = std::move(theDict);
  }
}

PDFDictAtom& PDFTrailer::GetTrailerDict() {
  if (!PDFAtom::IsDict(mAtom.get())) mAtom = std::make_unique<PDFDictAtom>();
  auto* theDict = static_cast<PDFDictAtom*>(mAtom.get());
  if (!PDFAtom::IsRef(theDict->Get("Root"))) theDict->SetRef("Root", 0, 0);
  return *theDict;
}

uint32_t PDFTrailer::GetRootID() {
  return static_cast<PDFRefAtom*>(GetTrailerDict().Get("Root"))->GetID();
}

void PDFTrailer::SetRootID(uint32_t inID) {
  static_cast<PDFRefAtom*>(GetTrailerDict().Get("Root"))->SetID(inID);
}

// The trailer is written by the document after the cross-reference section, never as a body.
void PDFTrailer::WriteBody(PDFStream&) {}
