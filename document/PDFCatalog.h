// The document catalog ('cata'): names the page tree root, the outline root and the page shown
// when the document opens.
#pragma once

#include "document/PDFTypedObject.h"

class PDFCatalog : public PDFTypedObject {
 public:
  // Without a dictionary the default /Type /Catalog /PageMode /UseNone is made.
  PDFCatalog(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom = nullptr, uint32_t inGeneration = 0);

  void SetPages(uint32_t inID) { SetRefValue("Pages", inID); }
  void SetOutlines(uint32_t inID) { SetRefValue("Outlines", inID); }
  // The object ID under the key; 0 when it is missing or not a reference.
  uint32_t GetPages() const { return GetRefValue("Pages"); }
  uint32_t GetOutlines() const { return GetRefValue("Outlines"); }
  // OpenAction := [inPageID 0 R /Fit].
  void SetOpenAction(uint32_t inPageID);

  // "pages" and "outlines" give the IDs; other keys the common information.
  void GetProperty(std::string_view inName, PDFStream& ioStream) const override;
  // An OpenAction that names an object which no longer exists goes as a whole.
  uint32_t TidyReferences() override;
};
