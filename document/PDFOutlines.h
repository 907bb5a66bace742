// The outline root ('outl'): the top of the document's bookmarks, named by the catalog's Outlines.
#pragma once

#include "document/PDFTypedObject.h"

class PDFOutlines : public PDFTypedObject {
 public:
  // Without a dictionary the default /Type /Outlines is made.
  PDFOutlines(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom = nullptr, uint32_t inGeneration = 0);
};
