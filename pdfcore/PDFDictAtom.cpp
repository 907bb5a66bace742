#include "pdfcore/PDFDictAtom.h"

#include <iterator>

#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFStringAtom.h"
#include "runtime/Assert.h"

PDFDictAtom::~PDFDictAtom() { Clear(); }

void PDFDictAtom::Set(std::string_view inKey, std::unique_ptr<PDFAtom> inValue) {
  QX_ASSERT(inValue);
  if (!inValue) return;
  auto theWhere = mMap.find(inKey);
  if (theWhere == mMap.end()) {
    mMap.emplace(std::string(inKey), std::move(inValue));
  } else {
    std::vector<std::unique_ptr<PDFAtom>> theOld;
    theOld.push_back(std::move(theWhere->second));
    theWhere->second = std::move(inValue);
    DestroyTree(theOld);
  }
}

void PDFDictAtom::Set(std::unique_ptr<PDFNameAtom> inKey, std::unique_ptr<PDFAtom> inValue) {
  QX_ASSERT(inKey);
  if (!inKey) return;
  Set(inKey->GetName(), std::move(inValue));
}

PDFAtom* PDFDictAtom::GetAt(size_t inIndex) const {
  if (inIndex >= mMap.size()) return nullptr;
  return std::next(mMap.begin(), static_cast<std::ptrdiff_t>(inIndex))->second.get();
}

PDFAtom* PDFDictAtom::Get(std::string_view inKey) const {
  const auto theWhere = mMap.find(inKey);
  return theWhere == mMap.end() ? nullptr : theWhere->second.get();
}

PDFAtom* PDFDictAtom::Get(const PDFAtom* inKey) const {
  QX_ASSERT(IsName(inKey));
  if (!IsName(inKey)) return nullptr;
  return Get(static_cast<const PDFNameAtom*>(inKey)->GetName());
}

std::unique_ptr<PDFAtom> PDFDictAtom::Detach(std::string_view inKey) {
  const auto theWhere = mMap.find(inKey);
  if (theWhere == mMap.end()) return nullptr;
  std::unique_ptr<PDFAtom> theValue = std::move(theWhere->second);
  mMap.erase(theWhere);
  return theValue;
}

const std::string* PDFDictAtom::GetKeyAt(size_t inIndex) const {
  if (inIndex >= mMap.size()) return nullptr;
  return &std::next(mMap.begin(), static_cast<std::ptrdiff_t>(inIndex))->first;
}

void PDFDictAtom::Erase(Map::iterator inWhere) {
  std::vector<std::unique_ptr<PDFAtom>> theOld;
  theOld.push_back(std::move(inWhere->second));
  mMap.erase(inWhere);
  DestroyTree(theOld);
}

void PDFDictAtom::Remove(std::string_view inKey) {
  const auto theWhere = mMap.find(inKey);
  if (theWhere != mMap.end()) Erase(theWhere);
}

void PDFDictAtom::RemoveAt(size_t inIndex) {
  if (inIndex < mMap.size()) Erase(std::next(mMap.begin(), static_cast<std::ptrdiff_t>(inIndex)));
}

void PDFDictAtom::Clear() {
  std::vector<std::unique_ptr<PDFAtom>> theValues;
  TakeChildren(theValues);
  DestroyTree(theValues);
}

void PDFDictAtom::SetInteger(std::string_view inKey, int32_t inValue) {
  Set(inKey, std::make_unique<PDFNumberAtom>(inValue));
}

void PDFDictAtom::SetReal(std::string_view inKey, double inValue) {
  Set(inKey, std::make_unique<PDFNumberAtom>(inValue));
}

void PDFDictAtom::SetName(std::string_view inKey, std::string_view inName) {
  Set(inKey, std::make_unique<PDFNameAtom>(inName));
}

void PDFDictAtom::SetString(std::string_view inKey, std::string_view inText) {
  Set(inKey, std::make_unique<PDFStringAtom>(inText));
}

void PDFDictAtom::SetRef(std::string_view inKey, uint32_t inID, uint32_t inGeneration) {
  Set(inKey, std::make_unique<PDFRefAtom>(inID, inGeneration));
}

void PDFDictAtom::WriteNested(PDFStream& ioStream, int inDepth) const {
  if (inDepth >= kMaxDepth) {
    ioStream.WriteText("null");
    return;
  }
  ioStream.WriteText("<<\r\n");
  for (const auto& [theKey, theValue] : mMap) {
    // Keys are written whole, whatever their length, and escaped like names read from a file, so
    // that a key read as /A#20B is written back as it was.
    PDFNameAtom::WriteEscaped(ioStream, theKey);
    ioStream.Put(' ');
    theValue->WriteNested(ioStream, inDepth + 1);
    ioStream.WriteText("\r\n");
  }
  ioStream.WriteText(">>");
}

std::unique_ptr<PDFAtom> PDFDictAtom::CloneNested(int inDepth) const {
  if (inDepth >= kMaxDepth) return nullptr;
  auto theCopy = std::make_unique<PDFDictAtom>();
  for (const auto& [theKey, theValue] : mMap) {
    // A value whose copy fails is left out; the copy's keys arrive in order.
    if (auto theValueCopy = theValue->CloneNested(inDepth + 1))
      theCopy->mMap.emplace_hint(theCopy->mMap.end(), theKey, std::move(theValueCopy));
  }
  return theCopy;
}

void PDFDictAtom::TakeChildren(std::vector<std::unique_ptr<PDFAtom>>& outChildren) {
  for (auto& [theKey, theValue] : mMap) outChildren.push_back(std::move(theValue));
  mMap.clear();
}
