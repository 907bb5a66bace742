// Chooses the typed class for the parsed content of a read object: by the dictionary's /Type
// (Catalog, Outlines, Pages, Page), and the generic stream object for every stream. Content of
// any other kind, bookmarks included, stays with its placeholder.
#pragma once

#include <cstdint>
#include <memory>

#include "pdfcore/PDFSoup.h"

class PDFObjectFactory {
 public:
  // A PDFSoup::ObjectFactory: takes ioAtom only when it makes an object.
  static std::unique_ptr<PDFObject> Make(PDFSoup& ioSoup, uint32_t inID, uint32_t inGeneration,
                                         std::unique_ptr<PDFAtom>& ioAtom);
};
