#include "document/PDFTypedObject.h"

#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFSoup.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFStreamAtom.h"
#include "runtime/Assert.h"

PDFTypedObject::PDFTypedObject(PDFSoup* inSoup, uint32_t inID, uint32_t inType, std::unique_ptr<PDFAtom> inAtom,
                               uint32_t inGeneration)
    : PDFContentObject(inSoup, inID, inType, std::move(inAtom), inGeneration) {}

PDFAtom* PDFTypedObject::Resolve(PDFSoup* inSoup, PDFAtom* inAtom) {
  for (int theStep = 0; theStep < kMaxReferenceSteps; ++theStep) {
    if (!PDFAtom::IsRef(inAtom)) return inAtom;
    if (inSoup == nullptr) return nullptr;
    PDFObject* theObj = inSoup->FindByID(static_cast<const PDFRefAtom*>(inAtom)->GetID());
    if (theObj == nullptr || !theObj->GetActive()) return nullptr;
    inAtom = theObj->GetAtom();
  }
  return PDFAtom::IsRef(inAtom) ? nullptr : inAtom;
}

PDFObject* PDFTypedObject::ResolveObject(PDFSoup* inSoup, const PDFAtom* inAtom) {
  PDFObject* theObj = nullptr;
  for (int theStep = 0; theStep < kMaxReferenceSteps && PDFAtom::IsRef(inAtom); ++theStep) {
    if (inSoup == nullptr) return nullptr;
    theObj = inSoup->FindByID(static_cast<const PDFRefAtom*>(inAtom)->GetID());
    if (theObj == nullptr || !theObj->GetActive()) return nullptr;
    inAtom = theObj->GetAtom();
  }
  return PDFAtom::IsRef(inAtom) ? nullptr : theObj;
}

PDFDictAtom* PDFTypedObject::ResolveDict(PDFSoup* inSoup, PDFAtom* inAtom) {
  PDFAtom* theAtom = Resolve(inSoup, inAtom);
  if (PDFAtom::IsDict(theAtom)) return static_cast<PDFDictAtom*>(theAtom);
  if (PDFAtom::IsStream(theAtom)) return static_cast<PDFStreamAtom*>(theAtom)->FindDict();
  return nullptr;
}

void PDFTypedObject::WriteCommonInfo(const PDFObject& inObj, std::string_view inKey, PDFStream& ioStream) {
  if (!inKey.empty() && inKey.front() == '/') {
    PDFAtom* theAtom = inObj.GetAtom();
    const PDFDictAtom* theDict = nullptr;
    if (PDFAtom::IsDict(theAtom))
      theDict = static_cast<const PDFDictAtom*>(theAtom);
    else if (PDFAtom::IsStream(theAtom))
      theDict = static_cast<const PDFStreamAtom*>(theAtom)->FindDict();
    if (theDict != nullptr) {
      if (const PDFAtom* theValue = theDict->Get(inKey.substr(1))) theValue->Write(ioStream);
    }
    return;
  }
  if (inKey == "value") {
    if (const PDFAtom* theAtom = inObj.GetAtom()) theAtom->Write(ioStream);
    return;
  }
  // "id", "active" and "type".
  inObj.PDFObject::GetProperty(inKey, ioStream);
}

void PDFTypedObject::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  WriteCommonInfo(*this, inName, ioStream);
}

void PDFTypedObject::AssertDict() const {
  if (!PDFAtom::IsDict(mAtom.get())) ReportAssertion(__FILE__, __LINE__, "PDFAtom::IsDict(mAtom)");
}

PDFDictAtom& PDFTypedObject::EnsureDict() {
  if (!PDFAtom::IsDict(mAtom.get())) mAtom = std::make_unique<PDFDictAtom>();
  return *static_cast<PDFDictAtom*>(mAtom.get());
}

PDFIndexedKey PDFIndexedKey::Parse(std::string_view inKey, std::string_view inPrefix) {
  PDFIndexedKey theKey;
  if (inKey.substr(0, inPrefix.size()) != inPrefix) return theKey;
  std::string_view theSuffix = inKey.substr(inPrefix.size());
  if (theSuffix == "count") {
    theKey.kind = Kind::kCount;
    return theKey;
  }
  size_t thePos = 0;
  while (thePos < theSuffix.size() &&
         (theSuffix[thePos] == ' ' || (theSuffix[thePos] >= '\t' && theSuffix[thePos] <= '\r')))
    ++thePos;
  bool theNegative = false;
  if (thePos < theSuffix.size() && (theSuffix[thePos] == '+' || theSuffix[thePos] == '-')) {
    theNegative = theSuffix[thePos] == '-';
    ++thePos;
  }
  const size_t theFirstDigit = thePos;
  int64_t theValue = 0;
  // Saturates far beyond any page or content count instead of overflowing.
  constexpr int64_t kLimit = int64_t{1} << 40;
  while (thePos < theSuffix.size() && theSuffix[thePos] >= '0' && theSuffix[thePos] <= '9') {
    if (theValue < kLimit) theValue = theValue * 10 + (theSuffix[thePos] - '0');
    ++thePos;
  }
  if (thePos == theFirstDigit) return theKey;
  theKey.kind = Kind::kNumber;
  theKey.number = theNegative ? -theValue : theValue;
  return theKey;
}
