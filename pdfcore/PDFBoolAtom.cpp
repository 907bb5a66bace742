#include "pdfcore/PDFBoolAtom.h"

#include "pdfcore/PDFStream.h"

void PDFBoolAtom::WriteNested(PDFStream& ioStream, int) const {
  ioStream.WriteText(mValue ? "true" : "false");
}

std::unique_ptr<PDFAtom> PDFBoolAtom::CloneNested(int) const {
  auto theCopy = std::make_unique<PDFBoolAtom>();
  theCopy->mValue = mValue;
  return theCopy;
}
