#include "pdfcore/PDFRefAtom.h"

#include "pdfcore/PDFStream.h"

void PDFRefAtom::WriteNested(PDFStream& ioStream, int) const {
  ioStream.WriteUnsigned(mID);
  ioStream.Put(' ');
  ioStream.WriteUnsigned(mGeneration);
  ioStream.WriteText(" R");
}

std::unique_ptr<PDFAtom> PDFRefAtom::CloneNested(int) const {
  auto theCopy = std::make_unique<PDFRefAtom>();
  theCopy->mSet = mSet;
  theCopy->mID = mID;
  theCopy->mGeneration = mGeneration;
  return theCopy;
}
