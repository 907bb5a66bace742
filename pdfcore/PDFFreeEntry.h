// A free cross-reference entry: the head of the free list (ID 0, generation 65535) or an ID that
// holds no object (generation 1). It writes no body, only its "f" entry.
#pragma once

#include "pdfcore/PDFObject.h"

class PDFFreeEntry : public PDFObject {
 public:
  static constexpr uint32_t kHeadGeneration = 65535;

  explicit PDFFreeEntry(uint32_t inID);

  void WriteXrefEntry(PDFStream& ioStream) override;

 protected:
  void WriteBody(PDFStream& ioStream) override;
};
