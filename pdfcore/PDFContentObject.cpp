#include "pdfcore/PDFContentObject.h"

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFParser.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFSoup.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFStreamAtom.h"
#include "pdfcore/PDFStringAtom.h"

PDFContentObject::PDFContentObject(PDFSoup* inSoup, uint32_t inID, uint32_t inType,
                                   std::unique_ptr<PDFAtom> inAtom, uint32_t inGeneration)
    : PDFObject(inID, inType, inGeneration), mSoup(inSoup), mAtom(std::move(inAtom)) {}

PDFContentObject::~PDFContentObject() = default;

void PDFContentObject::SetAtom(std::unique_ptr<PDFAtom> inAtom) { mAtom = std::move(inAtom); }

void PDFContentObject::SetProperty(std::string_view inName, std::string_view inValue) {
  const bool theWholeValue = inName == "value";
  const bool theEntry = !inName.empty() && inName.front() == '/';
  if (!theWholeValue && !theEntry) return;
  std::unique_ptr<PDFAtom> theParsed = PDFParser::ParseText(inValue, mSoup);
  if (!theParsed) return;
  if (theWholeValue) {
    if (mAtom && mAtom->GetKind() != theParsed->GetKind()) return;
    mAtom = std::move(theParsed);
  } else {
    PDFDictAtom* theDict = GetDict();
    if (theDict == nullptr) return;
    theDict->Set(inName.substr(1), std::move(theParsed));
  }
  // The new content may refer to objects that are gone: the next lookup tidies it again.
  ForgetTidied();
}

PDFDictAtom* PDFContentObject::GetDict() const {
  if (PDFAtom::IsDict(mAtom.get())) return static_cast<PDFDictAtom*>(mAtom.get());
  if (PDFAtom::IsStream(mAtom.get())) {
    return static_cast<PDFStreamAtom*>(mAtom.get())->FindDict();
  }
  return nullptr;
}

PDFAtom* PDFContentObject::GetValue(std::string_view inKey) const {
  const PDFDictAtom* theDict = GetDict();
  return theDict ? theDict->Get(inKey) : nullptr;
}

void PDFContentObject::RemoveKey(std::string_view inKey) {
  if (PDFDictAtom* theDict = GetDict()) theDict->Remove(inKey);
}

std::string PDFContentObject::GetNameValue(std::string_view inKey) const {
  const PDFAtom* theValue = GetValue(inKey);
  return PDFAtom::IsName(theValue) ? static_cast<const PDFNameAtom*>(theValue)->GetName()
                                   : std::string();
}

std::string PDFContentObject::GetStringValue(std::string_view inKey) const {
  const PDFAtom* theValue = GetValue(inKey);
  return PDFAtom::IsString(theValue) ? static_cast<const PDFStringAtom*>(theValue)->GetText()
                                     : std::string();
}

uint32_t PDFContentObject::GetRefValue(std::string_view inKey) const {
  const PDFAtom* theValue = GetValue(inKey);
  return PDFAtom::IsRef(theValue) ? static_cast<const PDFRefAtom*>(theValue)->GetID() : 0;
}

int32_t PDFContentObject::GetIntegerValue(std::string_view inKey) const {
  const PDFAtom* theValue = GetValue(inKey);
  return PDFAtom::IsNumber(theValue) ? static_cast<const PDFNumberAtom*>(theValue)->GetInteger()
                                     : 0;
}

void PDFContentObject::SetStringValue(std::string_view inKey, std::string_view inText) {
  if (PDFDictAtom* theDict = GetDict()) theDict->SetString(inKey, inText);
}

void PDFContentObject::SetRefValue(std::string_view inKey, uint32_t inID) {
  if (PDFDictAtom* theDict = GetDict()) theDict->SetRef(inKey, inID, 0);
  // The ID may name nothing live: the next Load tidies this object again.
  ForgetTidied();
}

void PDFContentObject::SetIntegerValue(std::string_view inKey, int32_t inValue) {
  if (PDFDictAtom* theDict = GetDict()) theDict->SetInteger(inKey, inValue);
}

uint32_t PDFContentObject::Delete() {
  const bool theWasActive = GetActive();
  const uint32_t theGeneration = PDFObject::Delete();
  if (theWasActive && !GetActive() && mSoup != nullptr) mSoup->NoteDeath();
  return theGeneration;
}

void PDFContentObject::Mark(std::vector<uint32_t>& ioPending) {
  if (mMark) return;
  mMark = 1;
  CollectReferences(mAtom.get(), ioPending);
}

void PDFContentObject::CollectReferences(const PDFAtom* inAtom, std::vector<uint32_t>& ioIDs) const {
  CollectNested(inAtom, ioIDs, 0);
}

void PDFContentObject::CollectNested(const PDFAtom* inAtom, std::vector<uint32_t>& ioIDs,
                                     int inDepth) const {
  if (inAtom == nullptr || inDepth > PDFAtom::kMaxDepth) return;
  switch (inAtom->GetKind()) {
    case PDFAtom::kRef:
      ioIDs.push_back(static_cast<const PDFRefAtom*>(inAtom)->GetID());
      break;
    case PDFAtom::kArray: {
      const auto* theArray = static_cast<const PDFArrayAtom*>(inAtom);
      for (size_t i = 0; i < theArray->GetCount(); ++i)
        CollectNested(theArray->Get(i), ioIDs, inDepth + 1);
      break;
    }
    case PDFAtom::kDict:
      for (const auto& theEntry : static_cast<const PDFDictAtom*>(inAtom)->GetMap())
        CollectNested(theEntry.second.get(), ioIDs, inDepth + 1);
      break;
    case PDFAtom::kStream:
      CollectNested(static_cast<const PDFStreamAtom*>(inAtom)->FindDict(), ioIDs, inDepth + 1);
      break;
    default:
      break;
  }
}

bool PDFContentObject::IsDeadReference(const PDFAtom* inAtom) const {
  if (!PDFAtom::IsRef(inAtom) || mSoup == nullptr) return false;
  const PDFObject* theTarget = mSoup->GetRaw(static_cast<const PDFRefAtom*>(inAtom)->GetID());
  return theTarget == nullptr || !theTarget->GetActive();
}

uint32_t PDFContentObject::TidyReferences() {
  if (mSoup == nullptr || !mAtom) return 0;
  if (IsDeadReference(mAtom.get())) {
    auto* theRef = static_cast<PDFRefAtom*>(mAtom.get());
    // Already 0 0 R: nothing left to remove, so nothing is counted (the passes can end).
    if (theRef->GetID() == 0 && theRef->GetGeneration() == 0) return 0;
    theRef->SetID(0);
    theRef->SetGeneration(0);
    return 1;
  }
  return TidyNested(mAtom.get(), 0);
}

uint32_t PDFContentObject::TidyNested(PDFAtom* inAtom, int inDepth) {
  if (inAtom == nullptr || inDepth > PDFAtom::kMaxDepth) return 0;
  uint32_t theRemoved = 0;
  switch (inAtom->GetKind()) {
    case PDFAtom::kArray: {
      auto* theArray = static_cast<PDFArrayAtom*>(inAtom);
      for (size_t i = 0; i < theArray->GetCount();) {
        PDFAtom* theItem = theArray->Get(i);
        if (IsDeadReference(theItem)) {
          theArray->Remove(i);
          ++theRemoved;
        } else {
          theRemoved += TidyNested(theItem, inDepth + 1);
          ++i;
        }
      }
      break;
    }
    case PDFAtom::kDict: {
      auto* theDict = static_cast<PDFDictAtom*>(inAtom);
      std::vector<std::string> theDeadKeys;
      for (const auto& [theKey, theValue] : theDict->GetMap()) {
        if (IsDeadReference(theValue.get()))
          theDeadKeys.push_back(theKey);
        else
          theRemoved += TidyNested(theValue.get(), inDepth + 1);
      }
      for (const auto& theKey : theDeadKeys) theDict->Remove(theKey);
      theRemoved += static_cast<uint32_t>(theDeadKeys.size());
      break;
    }
    case PDFAtom::kStream:
      theRemoved += TidyNested(static_cast<PDFStreamAtom*>(inAtom)->FindDict(), inDepth + 1);
      break;
    default:
      break;
  }
  return theRemoved;
}

void PDFContentObject::WriteBody(PDFStream& ioStream) {
  WriteOpening(ioStream);
  if (mAtom)
    mAtom->Write(ioStream);
  else
    ioStream.WriteText("null");
  WriteClosing(ioStream);
}

void PDFContentObject::WriteOpening(PDFStream& ioStream) const {
  ioStream.WriteUnsigned(mID);
  ioStream.Put(' ');
  ioStream.WriteUnsigned(mGeneration);
  ioStream.WriteText(" obj\r\n");
}

void PDFContentObject::WriteClosing(PDFStream& ioStream) { ioStream.WriteText("\r\nendobj\r\n\r\n"); }
