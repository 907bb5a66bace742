#include "pdfcore/PDFAtom.h"

#include <windows.h>

#include "pdfcore/PDFMemoryStream.h"
#include "runtime/Assert.h"

std::string PDFAtom::ToText() const {
  PDFMemoryStream theStream;
  Write(theStream);
  return std::string(theStream.GetView());
}

std::unique_ptr<PDFAtom> PDFAtom::Clone(const PDFAtom* inAtom) {
  QX_ASSERT(inAtom);
  if (inAtom == nullptr) return nullptr;
  const int32_t theKind = inAtom->GetKind();
  QX_ASSERT(theKind >= kBool && theKind <= kRef);
  if (theKind < kBool || theKind > kRef) return nullptr;
  return inAtom->CloneNested(0);
}

void PDFAtom::DestroyTree(std::vector<std::unique_ptr<PDFAtom>>& ioChildren) {
  // Each atom is emptied before it dies, so no destructor below recurses.
  while (!ioChildren.empty()) {
    std::unique_ptr<PDFAtom> theAtom = std::move(ioChildren.back());
    ioChildren.pop_back();
    if (IsContainer(theAtom.get())) theAtom->TakeChildren(ioChildren);
  }
}
