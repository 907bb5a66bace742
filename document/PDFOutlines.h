// The outline root ('outl'): the top of the document's bookmarks, named by the catalog's Outlines.
#pragma once

#include <string_view>

#include "document/PDFTypedObject.h"

class PDFBookmark;

class PDFOutlines : public PDFTypedObject {
 public:
  // Without a dictionary the default /Type /Outlines is made.
  PDFOutlines(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom = nullptr, uint32_t inGeneration = 0);

  // The first top-level bookmark titled inTitle exactly; null when there is none.
  PDFBookmark* FindChild(std::string_view inTitle);
  // Appends ioBaby after the last top-level bookmark. The first one becomes First and Last, and
  // the root's Count becomes 1 when it is open and goes when it is not.
  void AppendChild(PDFBookmark& ioBaby);
};
