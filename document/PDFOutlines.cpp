#include "document/PDFOutlines.h"

#include "document/PDFBookmark.h"
#include "pdfcore/PDFDictAtom.h"
#include "runtime/Assert.h"

PDFOutlines::PDFOutlines(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom, uint32_t inGeneration)
    : PDFTypedObject(inSoup, inID, kTypeOutlines, std::move(inAtom), inGeneration) {
  mCanDelete = 0;
  if (!PDFAtom::IsDict(mAtom.get())) {
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetName("Type", "Outlines");
    mAtom = std::move(theDict);
  }
  AssertDict();
}

PDFBookmark* PDFOutlines::FindChild(std::string_view inTitle) {
  if (mSoup == nullptr) return nullptr;
  return PDFBookmark::FindChild(*mSoup, *this, inTitle);
}

void PDFOutlines::AppendChild(PDFBookmark& ioBaby) {
  if (mSoup == nullptr) {
    ReportAssertion(__FILE__, __LINE__, "mSoup");
    return;
  }
  if (PDFBookmark* theLast = PDFBookmark::LastChild(*mSoup, *this)) {
    PDFBookmark::InsertAfter(*mSoup, this, theLast, &ioBaby);
    return;
  }
  PDFDictAtom& theDict = EnsureDict();
  theDict.SetRef("First", ioBaby.GetID(), ioBaby.GetGeneration());
  theDict.SetRef("Last", ioBaby.GetID(), ioBaby.GetGeneration());
  ForgetTidied();
  if (ioBaby.IsOpen())
    theDict.SetInteger("Count", 1);
  else
    theDict.Remove("Count");
  ioBaby.RemoveKey("Prev");
  ioBaby.RemoveKey("Next");
  ioBaby.SetParent(*this);
}
