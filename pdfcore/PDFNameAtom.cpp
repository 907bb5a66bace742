#include "pdfcore/PDFNameAtom.h"

#include "pdfcore/PDFStream.h"
#include "runtime/Assert.h"

void PDFNameAtom::SetName(std::string_view inName) {
  QX_ASSERT(inName.empty() || inName.front() != '/');
  if (!inName.empty() && inName.front() == '/') inName.remove_prefix(1);
  mName.assign(inName.substr(0, inName.find('\0')));
}

void PDFNameAtom::WriteNested(PDFStream& ioStream, int) const {
  ioStream.Put('/');
  ioStream.WriteText(mName);
}

std::unique_ptr<PDFAtom> PDFNameAtom::CloneNested(int) const {
  auto theCopy = std::make_unique<PDFNameAtom>();
  theCopy->mName = mName;
  return theCopy;
}
