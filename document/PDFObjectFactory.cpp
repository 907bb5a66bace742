#include "document/PDFObjectFactory.h"

#include "document/PDFBookmark.h"
#include "document/PDFCatalog.h"
#include "document/PDFContentStream.h"
#include "document/PDFOutlines.h"
#include "document/PDFPage.h"
#include "document/PDFPages.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNameAtom.h"

std::unique_ptr<PDFObject> PDFObjectFactory::Make(PDFSoup& ioSoup, uint32_t inID, uint32_t inGeneration,
                                                  std::unique_ptr<PDFAtom>& ioAtom) {
  if (PDFAtom::IsStream(ioAtom.get()))
    return std::make_unique<PDFContentStream>(&ioSoup, inID, std::move(ioAtom), inGeneration, kTypeStream);
  if (!PDFAtom::IsDict(ioAtom.get())) return nullptr;
  const PDFAtom* theType = static_cast<const PDFDictAtom*>(ioAtom.get())->Get("Type");
  if (!PDFAtom::IsName(theType)) return nullptr;
  const std::string& theName = static_cast<const PDFNameAtom*>(theType)->GetName();
  if (theName == "Catalog") return std::make_unique<PDFCatalog>(&ioSoup, inID, std::move(ioAtom), inGeneration);
  if (theName == "Outlines") return std::make_unique<PDFOutlines>(&ioSoup, inID, std::move(ioAtom), inGeneration);
  if (theName == "Pages") return std::make_unique<PDFPages>(&ioSoup, inID, std::move(ioAtom), inGeneration);
  if (theName == "Page") return std::make_unique<PDFPage>(&ioSoup, inID, std::move(ioAtom), inGeneration);
  if (theName == "Bookmark") return std::make_unique<PDFBookmark>(&ioSoup, inID, std::move(ioAtom), inGeneration);
  return nullptr;
}
