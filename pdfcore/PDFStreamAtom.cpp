#include "pdfcore/PDFStreamAtom.h"

#include "pdfcore/PDFStream.h"
#include "runtime/Assert.h"

PDFStreamAtom::~PDFStreamAtom() { Release(); }

void PDFStreamAtom::SetDict(std::unique_ptr<PDFDictAtom> inDict) {
  std::vector<std::unique_ptr<PDFAtom>> theOld;
  if (mDict) theOld.push_back(std::move(mDict));
  mDict = std::move(inDict);
  DestroyTree(theOld);
}

PDFDictAtom* PDFStreamAtom::GetDict() const {
  QX_ASSERT(mDict);
  return mDict.get();
}

void PDFStreamAtom::SetData(const void* inData, uint32_t inLen) {
  QX_ASSERT((inLen == 0) || (inData));
  if (inLen != 0 && inData == nullptr) return;
  const auto* theBytes = static_cast<const uint8_t*>(inData);
  mData.assign(theBytes, theBytes + inLen);
  SyncLength();
}

void PDFStreamAtom::SetData(std::vector<uint8_t>&& inData) {
  mData = std::move(inData);
  SyncLength();
}

void PDFStreamAtom::SyncLength() {
  QX_ASSERT(mData.size() <= INT32_MAX);
  if (!mDict) mDict = std::make_unique<PDFDictAtom>();
  mDict->SetInteger("Length", static_cast<int32_t>(mData.size()));
}

void PDFStreamAtom::Release() {
  std::vector<std::unique_ptr<PDFAtom>> theOld;
  TakeChildren(theOld);
  DestroyTree(theOld);
  mData.clear();
  mData.shrink_to_fit();
}

void PDFStreamAtom::WriteNested(PDFStream& ioStream, int inDepth) const {
  if (inDepth >= kMaxDepth) {
    ioStream.WriteText("null");
    return;
  }
  // A stream always needs its dictionary in the file, even before anything was set.
  if (mDict)
    mDict->WriteNested(ioStream, inDepth + 1);
  else
    ioStream.WriteText("<<\r\n>>");
  ioStream.WriteText("\r\nstream\r\n");
  if (!mData.empty()) ioStream.Write(mData.data(), static_cast<uint32_t>(mData.size()));
  ioStream.WriteText("\r\nendstream\r\n");
}

std::unique_ptr<PDFAtom> PDFStreamAtom::CloneNested(int inDepth) const {
  if (inDepth >= kMaxDepth) return nullptr;
  auto theCopy = std::make_unique<PDFStreamAtom>();
  if (mDict) {
    auto theDict = mDict->CloneNested(inDepth + 1);
    if (theDict) theCopy->mDict.reset(static_cast<PDFDictAtom*>(theDict.release()));
  }
  theCopy->mData = mData;
  return theCopy;
}

void PDFStreamAtom::TakeChildren(std::vector<std::unique_ptr<PDFAtom>>& outChildren) {
  if (mDict) outChildren.push_back(std::move(mDict));
}
