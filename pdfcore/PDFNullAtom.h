// The null value.
#pragma once

#include "pdfcore/PDFAtom.h"

class PDFNullAtom : public PDFAtom {
 public:
  PDFNullAtom() : PDFAtom(kNull) {}

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;
};
