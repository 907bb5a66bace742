#include "document/PDFPage.h"

#include <string>
#include <unordered_set>

#include "document/PDFContentStream.h"
#include "document/PDFPages.h"
#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDeflate.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFSoup.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFStreamAtom.h"
#include "runtime/Assert.h"

namespace {

// The procedure sets every page's resources list.
constexpr const char* kProcSet[] = {"PDF", "Text", "ImageB", "ImageC", "ImageI"};
constexpr size_t kProcSetCount = sizeof(kProcSet) / sizeof(kProcSet[0]);

bool ReadInteger(PDFSoup* inSoup, PDFAtom* inAtom, int32_t& outValue) {
  const PDFAtom* theAtom = PDFTypedObject::Resolve(inSoup, inAtom);
  if (!PDFAtom::IsNumber(theAtom)) return false;
  outValue = static_cast<const PDFNumberAtom*>(theAtom)->GetInteger();
  return true;
}

}  // namespace

PDFPage::PDFPage(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom, uint32_t inGeneration)
    : PDFTypedObject(inSoup, inID, kTypePage, std::move(inAtom), inGeneration) {
  if (!PDFAtom::IsDict(mAtom.get())) {
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetName("Type", "Page");
    theDict->SetRef("Parent", 0, 0);
    auto theBox = std::make_unique<PDFArrayAtom>();
    for (int i = 0; i < 4; ++i) theBox->Append(std::make_unique<PDFNumberAtom>(int32_t{0}));
    theDict->Set("MediaBox", std::move(theBox));
    mAtom = std::move(theDict);
  }
  AssertDict();
}

void PDFPage::SetMediaBox(const RectRecord& inRect) {
  auto theBox = std::make_unique<PDFArrayAtom>();
  theBox->Append(std::make_unique<PDFNumberAtom>(inRect.Left()));
  theBox->Append(std::make_unique<PDFNumberAtom>(inRect.Bottom()));
  theBox->Append(std::make_unique<PDFNumberAtom>(inRect.Right()));
  theBox->Append(std::make_unique<PDFNumberAtom>(inRect.Top()));
  EnsureDict().Set("MediaBox", std::move(theBox));
}

void PDFPage::GetMediaBox(RectRecord& ioRect) const {
  PDFAtom* theBox = LookupInherited("MediaBox");
  if (!PDFAtom::IsArray(theBox)) return;
  const auto* theArray = static_cast<const PDFArrayAtom*>(theBox);
  int32_t theValues[4];
  for (size_t i = 0; i < 4; ++i)
    if (!ReadInteger(mSoup, theArray->Get(i), theValues[i])) return;
  ioRect = RectRecord{theValues[0], theValues[1], theValues[2], theValues[3]};
}

void PDFPage::SetParent(uint32_t inID, uint32_t inGeneration) { EnsureDict().SetRef("Parent", inID, inGeneration); }

PDFAtom* PDFPage::LookupInherited(std::string_view inKey) const {
  PDFDictAtom* theDict = GetDict();
  for (int theStep = 0; theStep < kMaxParentSteps && theDict != nullptr; ++theStep) {
    if (PDFAtom* theValue = Resolve(theDict->Get(inKey))) return theValue;
    theDict = ResolveDict(theDict->Get("Parent"));
  }
  return nullptr;
}

PDFDictAtom& PDFPage::GetResources() {
  PDFDictAtom* theResources = nullptr;
  PDFDictAtom* theDict = GetDict();
  for (int theStep = 0; theStep < kMaxParentSteps && theDict != nullptr; ++theStep) {
    if (PDFAtom* theValue = Resolve(theDict->Get("Resources"))) {
      if (PDFAtom::IsDict(theValue)) theResources = static_cast<PDFDictAtom*>(theValue);
      break;
    }
    theDict = ResolveDict(theDict->Get("Parent"));
  }
  if (theResources == nullptr) {
    EnsureDict().Set("Resources", std::make_unique<PDFDictAtom>());
    theResources = static_cast<PDFDictAtom*>(GetDict()->Get("Resources"));
  }
  PDFAtom* theProcSet = Resolve(theResources->Get("ProcSet"));
  if (!PDFAtom::IsArray(theProcSet)) {
    theResources->Set("ProcSet", std::make_unique<PDFArrayAtom>());
    theProcSet = theResources->Get("ProcSet");
  }
  auto* theArray = static_cast<PDFArrayAtom*>(theProcSet);
  if (theArray->GetCount() < kProcSetCount) {
    theArray->Clear();
    for (const char* theName : kProcSet) theArray->Append(std::make_unique<PDFNameAtom>(theName));
  }
  return *theResources;
}

void PDFPage::AddResource(std::string_view inCategory, std::string_view inPrefix, uint32_t inID,
                          uint32_t inGeneration) {
  PDFDictAtom& theResources = GetResources();
  PDFAtom* theCategory = Resolve(theResources.Get(inCategory));
  if (!PDFAtom::IsDict(theCategory)) {
    theResources.Set(inCategory, std::make_unique<PDFDictAtom>());
    theCategory = theResources.Get(inCategory);
  }
  std::string theName(inPrefix);
  theName += std::to_string(static_cast<int32_t>(inID));
  if (theName.size() > kMaxResourceName) theName.resize(kMaxResourceName);
  static_cast<PDFDictAtom*>(theCategory)->SetRef(theName, inID, inGeneration);
}

void PDFPage::AddFontResource(uint32_t inID, uint32_t inGeneration) { AddResource("Font", "Fqvx", inID, inGeneration); }

void PDFPage::AddXObjectResource(uint32_t inID, uint32_t inGeneration) {
  AddResource("XObject", "Iqvx", inID, inGeneration);
}

PDFArrayAtom& PDFPage::GetContents() {
  PDFDictAtom& theDict = EnsureDict();
  PDFAtom* theContents = theDict.Get("Contents");
  if (PDFAtom::IsArray(theContents)) return *static_cast<PDFArrayAtom*>(theContents);
  std::unique_ptr<PDFAtom> theNew;
  if (PDFAtom::IsRef(theContents)) {
    PDFAtom* theTarget = Resolve(theContents);
    // A content object whose content is not generated yet holds no atom, and is a stream too.
    const auto* theContent =
        dynamic_cast<const PDFContentStream*>(mSoup->FindByID(static_cast<const PDFRefAtom*>(theContents)->GetID()));
    if (PDFAtom::IsStream(theTarget) || (theContent != nullptr && theContent->GetActive() && theTarget == nullptr)) {
      auto theArray = std::make_unique<PDFArrayAtom>();
      theArray->Append(PDFAtom::Clone(theContents));
      theNew = std::move(theArray);
    } else if (PDFAtom::IsArray(theTarget)) {
      theNew = PDFAtom::Clone(theTarget);
    }
  }
  if (!PDFAtom::IsArray(theNew.get())) theNew = std::make_unique<PDFArrayAtom>();
  theDict.Set("Contents", std::move(theNew));
  return *static_cast<PDFArrayAtom*>(theDict.Get("Contents"));
}

void PDFPage::AddContent(uint32_t inID, uint32_t inGeneration, int32_t inLayer) {
  PDFArrayAtom& theContents = GetContents();
  const int64_t theCount = static_cast<int64_t>(theContents.GetCount());
  int64_t theIndex = theCount - int64_t{inLayer} + 1;
  auto theRef = std::make_unique<PDFRefAtom>(inID, inGeneration);
  if (theIndex >= theCount) {
    theContents.Append(std::move(theRef));
  } else {
    if (theIndex < 0) theIndex = 0;
    theContents.Insert(static_cast<size_t>(theIndex), std::move(theRef));
  }
}

int32_t PDFPage::LayerCount() { return static_cast<int32_t>(GetContents().GetCount()); }

bool PDFPage::IsPlainStream(const PDFAtom* inEntry) const {
  if (!PDFAtom::IsRef(inEntry) || mSoup == nullptr) return false;
  PDFObject* theObj = mSoup->FindByID(static_cast<const PDFRefAtom*>(inEntry)->GetID());
  if (theObj == nullptr || !theObj->GetActive()) return false;
  if (auto* theContent = dynamic_cast<PDFContentStream*>(theObj)) theContent->ForceGeneration();
  const PDFAtom* theAtom = theObj->GetAtom();
  if (!PDFAtom::IsStream(theAtom)) return false;
  const PDFDictAtom* theDict = static_cast<const PDFStreamAtom*>(theAtom)->FindDict();
  return theDict != nullptr && theDict->GetCount() == 1 && theDict->Get("Length") != nullptr;
}

bool PDFPage::Flatten(uint32_t inNewID) {
  PDFArrayAtom& theContents = GetContents();
  size_t theFirst = 0;
  while (theFirst < theContents.GetCount() && !IsPlainStream(theContents.Get(theFirst))) ++theFirst;
  if (theFirst >= theContents.GetCount()) return false;
  size_t theEnd = theFirst + 1;
  while (theEnd < theContents.GetCount() && IsPlainStream(theContents.Get(theEnd))) ++theEnd;

  std::vector<uint8_t> theJoined;
  for (size_t i = theFirst; i < theEnd; ++i) {
    const PDFObject* theObj = mSoup->FindByID(static_cast<const PDFRefAtom*>(theContents.Get(i))->GetID());
    const auto theData = static_cast<const PDFStreamAtom*>(theObj->GetAtom())->GetData();
    theJoined.insert(theJoined.end(), theData.begin(), theData.end());
    theJoined.push_back('\r');
    theJoined.push_back('\n');
  }
  std::vector<uint8_t> theCompressed;
  if (!PDFDeflate::Compress(theJoined, theCompressed)) return false;

  auto theStream = std::make_unique<PDFStreamAtom>();
  auto theDict = std::make_unique<PDFDictAtom>();
  theDict->SetName("Filter", "FlateDecode");
  theStream->SetDict(std::move(theDict));
  theStream->SetData(std::move(theCompressed));
  if (mSoup->Add(std::make_unique<PDFContentStream>(mSoup, inNewID, std::move(theStream))) == nullptr) return false;

  for (size_t i = theEnd; i > theFirst; --i) {
    const uint32_t theID = static_cast<const PDFRefAtom*>(theContents.Get(i - 1))->GetID();
    if (theID != inNewID) mSoup->RemoveID(theID);
    theContents.Remove(i - 1);
  }
  theContents.Insert(theFirst, std::make_unique<PDFRefAtom>(inNewID, 0));
  mAddedByDoc = 0;
  return true;
}

void PDFPage::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  const PDFIndexedKey theKey = PDFIndexedKey::Parse(inName, "content ");
  auto* theSelf = const_cast<PDFPage*>(this);
  switch (theKey.kind) {
    case PDFIndexedKey::Kind::kCount:
      ioStream.WriteInteger(theSelf->LayerCount());
      break;
    case PDFIndexedKey::Kind::kNumber: {
      const PDFArrayAtom& theContents = theSelf->GetContents();
      uint32_t theID = 0;
      if (theKey.number >= 1 && static_cast<uint64_t>(theKey.number) <= theContents.GetCount()) {
        const PDFAtom* theEntry = theContents.Get(static_cast<size_t>(theKey.number - 1));
        if (PDFAtom::IsRef(theEntry)) theID = static_cast<const PDFRefAtom*>(theEntry)->GetID();
      }
      ioStream.WriteInteger(static_cast<int32_t>(theID));
      break;
    }
    case PDFIndexedKey::Kind::kNone:
      PDFTypedObject::GetProperty(inName, ioStream);
      break;
  }
}

uint32_t PDFPage::Delete() {
  if (!mActive || !mCanDelete) return PDFTypedObject::Delete();
  // The parent no longer lists the page; each ancestor counts one page less.
  if (PDFDictAtom* theParent = ResolveDict(GetValue("Parent"))) {
    if (PDFAtom* theKids = Resolve(theParent->Get("Kids")); PDFAtom::IsArray(theKids)) {
      auto* theArray = static_cast<PDFArrayAtom*>(theKids);
      for (size_t i = theArray->GetCount(); i > 0; --i) {
        const PDFAtom* theKid = theArray->Get(i - 1);
        if (PDFAtom::IsRef(theKid) && static_cast<const PDFRefAtom*>(theKid)->GetID() == mID) theArray->Remove(i - 1);
      }
    }
  }
  std::unordered_set<const PDFDictAtom*> theVisited;
  PDFDictAtom* theNode = GetDict();
  int32_t theBelow = 0;
  for (int theStep = 0; theStep < kMaxParentSteps && theNode != nullptr; ++theStep) {
    PDFDictAtom* theParent = ResolveDict(theNode->Get("Parent"));
    if (theParent == nullptr || !theVisited.insert(theParent).second) break;
    int32_t theCount = 0;
    theBelow = ReadInteger(mSoup, theParent->Get("Count"), theCount) ? theCount - 1 : theBelow;
    theParent->SetInteger("Count", theBelow);
    theNode = theParent;
  }
  return PDFTypedObject::Delete();
}

void PDFPage::WriteBody(PDFStream& ioStream) {
  if (PDFDictAtom* theDict = GetDict()) {
    const PDFAtom* theContents = theDict->Get("Contents");
    if (PDFAtom::IsArray(theContents) && static_cast<const PDFArrayAtom*>(theContents)->GetCount() == 0)
      theDict->Remove("Contents");
  }
  PDFTypedObject::WriteBody(ioStream);
}

void PDFPage::CollectReferences(const PDFAtom* inAtom, std::vector<uint32_t>& ioIDs) const {
  if (!mAddedByDoc || inAtom != mAtom.get() || !PDFAtom::IsDict(inAtom)) {
    PDFTypedObject::CollectReferences(inAtom, ioIDs);
    return;
  }
  for (const auto& [theKey, theValue] : static_cast<const PDFDictAtom*>(inAtom)->GetMap())
    if (theKey != "Resources") PDFTypedObject::CollectReferences(theValue.get(), ioIDs);
}
