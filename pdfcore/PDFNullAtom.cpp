#include "pdfcore/PDFNullAtom.h"

#include "pdfcore/PDFStream.h"

void PDFNullAtom::WriteNested(PDFStream& ioStream, int) const { ioStream.WriteText("null"); }

std::unique_ptr<PDFAtom> PDFNullAtom::CloneNested(int) const {
  return std::make_unique<PDFNullAtom>();
}
