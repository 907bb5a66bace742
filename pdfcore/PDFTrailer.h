// The trailer object: ID 0xFFFFFFFF, never in the table's slots, holding the trailer dictionary.
// Marking from it finds every object the document still reaches.
#pragma once

#include "pdfcore/PDFContentObject.h"

class PDFTrailer : public PDFContentObject {
 public:
  // Without a dictionary (or with an atom that is not one) a new dictionary /Root 0 0 R is made.
  explicit PDFTrailer(PDFSoup* inSoup, std::unique_ptr<PDFAtom> inAtom = nullptr);

  // The trailer dictionary, made sure to be a dictionary whose "Root" holds a reference.
  PDFDictAtom& GetTrailerDict();
  uint32_t GetRootID();
  void SetRootID(uint32_t inID);

 protected:
  void WriteBody(PDFStream& ioStream) override;
};
