#include "pdfcore/PDFArrayAtom.h"

#include "pdfcore/PDFStream.h"
#include "runtime/Assert.h"

PDFArrayAtom::~PDFArrayAtom() { Clear(); }

void PDFArrayAtom::Clear() {
  std::vector<std::unique_ptr<PDFAtom>> theItems;
  theItems.swap(mItems);
  DestroyTree(theItems);
}

void PDFArrayAtom::Append(std::unique_ptr<PDFAtom> inAtom) {
  QX_ASSERT(inAtom);
  if (inAtom) mItems.push_back(std::move(inAtom));
}

void PDFArrayAtom::Insert(size_t inIndex, std::unique_ptr<PDFAtom> inAtom) {
  QX_ASSERT(inAtom);
  if (!inAtom) return;
  if (inIndex >= mItems.size())
    mItems.push_back(std::move(inAtom));
  else
    mItems.insert(mItems.begin() + static_cast<std::ptrdiff_t>(inIndex), std::move(inAtom));
}

PDFAtom* PDFArrayAtom::Get(size_t inIndex) const {
  return inIndex < mItems.size() ? mItems[inIndex].get() : nullptr;
}

void PDFArrayAtom::Remove(size_t inIndex) {
  if (inIndex >= mItems.size()) return;
  std::vector<std::unique_ptr<PDFAtom>> theRemoved;
  theRemoved.push_back(std::move(mItems[inIndex]));
  mItems.erase(mItems.begin() + static_cast<std::ptrdiff_t>(inIndex));
  DestroyTree(theRemoved);
}

void PDFArrayAtom::WriteNested(PDFStream& ioStream, int inDepth) const {
  if (inDepth >= kMaxDepth) {
    ioStream.WriteText("null");
    return;
  }
  ioStream.Put('[');
  for (size_t i = 0; i < mItems.size(); ++i) {
    if (i < kElementsOnFirstLine)
      ioStream.Put(' ');
    else
      ioStream.WriteText("\r\n");
    mItems[i]->WriteNested(ioStream, inDepth + 1);
  }
  ioStream.WriteText(" ]");
}

std::unique_ptr<PDFAtom> PDFArrayAtom::CloneNested(int inDepth) const {
  if (inDepth >= kMaxDepth) return nullptr;
  auto theCopy = std::make_unique<PDFArrayAtom>();
  theCopy->mItems.reserve(mItems.size());
  for (const auto& theItem : mItems) {
    // An element whose copy fails is left out.
    if (auto theItemCopy = theItem->CloneNested(inDepth + 1))
      theCopy->mItems.push_back(std::move(theItemCopy));
  }
  return theCopy;
}

void PDFArrayAtom::TakeChildren(std::vector<std::unique_ptr<PDFAtom>>& outChildren) {
  for (auto& theItem : mItems) outChildren.push_back(std::move(theItem));
  mItems.clear();
}
