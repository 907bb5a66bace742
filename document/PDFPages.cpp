#include "document/PDFPages.h"

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFSoup.h"
#include "pdfcore/PDFStream.h"
#include "runtime/Assert.h"

namespace {

std::string TypeName(PDFSoup* inSoup, const PDFDictAtom& inDict) {
  const PDFAtom* theType = PDFTypedObject::Resolve(inSoup, inDict.Get("Type"));
  if (!PDFAtom::IsName(theType)) throw PDFPageTreeError("Type is not Name.");
  return static_cast<const PDFNameAtom*>(theType)->GetName();
}

// The dictionary of a node object (a stream's dictionary counts as none).
PDFDictAtom* NodeDict(PDFObject* inNode) {
  return inNode != nullptr && PDFAtom::IsDict(inNode->GetAtom()) ? static_cast<PDFDictAtom*>(inNode->GetAtom())
                                                                 : nullptr;
}

}  // namespace

PDFPages::PDFPages(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom, uint32_t inGeneration)
    : PDFTypedObject(inSoup, inID, kTypePages, std::move(inAtom), inGeneration) {
  mCanDelete = 0;
  if (!PDFAtom::IsDict(mAtom.get())) {
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetName("Type", "Pages");
    theDict->Set("Kids", std::make_unique<PDFArrayAtom>());
    theDict->SetInteger("Count", 0);
    mAtom = std::move(theDict);
  }
  AssertDict();
}

int32_t PDFPages::Count() {
  const PDFAtom* theCount = Resolve(GetValue("Count"));
  if (PDFAtom::IsNumber(theCount)) return static_cast<const PDFNumberAtom*>(theCount)->GetInteger();
  EnsureDict().SetInteger("Count", 0);
  return 0;
}

PDFDictAtom* PDFPages::EnterItem(PDFAtom* inItem, Walk& ioWalk, int inDepth, uint32_t* outID) const {
  if (inDepth > kMaxTreeDepth) throw PDFPageTreeError("Page tree nests too deeply.");
  if (PDFAtom::IsRef(inItem)) {
    if (outID != nullptr) *outID = static_cast<const PDFRefAtom*>(inItem)->GetID();
    if (PDFObject* theObj = ResolveObject(mSoup, inItem)) {
      if (!ioWalk.visited.insert(theObj->GetID()).second) throw PDFPageTreeError("Page tree loops back.");
    }
  }
  PDFAtom* theAtom = Resolve(inItem);
  if (!PDFAtom::IsDict(theAtom)) throw PDFPageTreeError("Object is not Dictionary.");
  return static_cast<PDFDictAtom*>(theAtom);
}

PDFAtom* PDFPages::Search(PDFAtom* inItem, int64_t& ioCounter, int64_t inN, size_t& outIndex, Walk& ioWalk,
                          int inDepth) const {
  PDFDictAtom* theDict = EnterItem(inItem, ioWalk, inDepth, nullptr);
  const std::string theType = TypeName(mSoup, *theDict);
  if (theType == "Pages") {
    const PDFAtom* theCount = Resolve(theDict->Get("Count"));
    if (!PDFAtom::IsNumber(theCount)) throw PDFPageTreeError("Count is not Number.");
    const int64_t theNodeCount = static_cast<const PDFNumberAtom*>(theCount)->GetInteger();
    // A whole subtree before page n is skipped without visiting it.
    if (ioCounter + theNodeCount < inN) {
      ioCounter += theNodeCount;
      return nullptr;
    }
    PDFAtom* theKids = Resolve(theDict->Get("Kids"));
    if (!PDFAtom::IsArray(theKids)) throw PDFPageTreeError("Kids are not Array.");
    auto* theArray = static_cast<PDFArrayAtom*>(theKids);
    for (size_t i = 0; i < theArray->GetCount(); ++i) {
      PDFAtom* theKid = theArray->Get(i);
      PDFAtom* theFound = Search(theKid, ioCounter, inN, outIndex, ioWalk, inDepth + 1);
      if (theFound == nullptr) continue;
      if (theFound == Resolve(theKid)) {
        outIndex = i;
        return theKid;
      }
      return theFound;
    }
    return nullptr;
  }
  if (theType == "Page") {
    ++ioCounter;
    return ioCounter == inN ? theDict : nullptr;
  }
  throw PDFPageTreeError("Type is not Pages or Page.");
}

PDFAtom* PDFPages::SearchLast(PDFAtom* inItem, size_t& outIndex, Walk& ioWalk, int inDepth) const {
  PDFDictAtom* theDict = EnterItem(inItem, ioWalk, inDepth, nullptr);
  const std::string theType = TypeName(mSoup, *theDict);
  if (theType == "Pages") {
    const PDFAtom* theCount = Resolve(theDict->Get("Count"));
    if (!PDFAtom::IsNumber(theCount)) throw PDFPageTreeError("Count is not Number.");
    // A subtree without pages is passed over, as the search by number skips it.
    if (static_cast<const PDFNumberAtom*>(theCount)->GetInteger() <= 0) return nullptr;
    PDFAtom* theKids = Resolve(theDict->Get("Kids"));
    if (!PDFAtom::IsArray(theKids)) throw PDFPageTreeError("Kids are not Array.");
    auto* theArray = static_cast<PDFArrayAtom*>(theKids);
    for (size_t i = theArray->GetCount(); i > 0; --i) {
      PDFAtom* theKid = theArray->Get(i - 1);
      PDFAtom* theFound = SearchLast(theKid, outIndex, ioWalk, inDepth + 1);
      if (theFound == nullptr) continue;
      if (theFound == Resolve(theKid)) {
        outIndex = i - 1;
        return theKid;
      }
      return theFound;
    }
    return nullptr;
  }
  if (theType == "Page") return theDict;
  throw PDFPageTreeError("Type is not Pages or Page.");
}

PDFAtom* PDFPages::FindLastPage(size_t& outIndex) {
  if (!PDFAtom::IsDict(mAtom.get())) return nullptr;
  try {
    Walk theWalk;
    theWalk.visited.insert(mID);
    return SearchLast(mAtom.get(), outIndex, theWalk, 0);
  } catch (const PDFPageTreeError&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

PDFAtom* PDFPages::FindPage(int64_t inN, size_t& outIndex) {
  if (!PDFAtom::IsDict(mAtom.get())) return nullptr;
  try {
    Walk theWalk;
    theWalk.visited.insert(mID);
    int64_t theCounter = 0;
    return Search(mAtom.get(), theCounter, inN, outIndex, theWalk, 0);
  } catch (const PDFPageTreeError&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

uint32_t PDFPages::FindPageID(int64_t inN) {
  size_t theIndex = 0;
  const PDFAtom* thePage = FindPage(inN, theIndex);
  return PDFAtom::IsRef(thePage) ? static_cast<const PDFRefAtom*>(thePage)->GetID() : 0;
}

PDFArrayAtom* PDFPages::EnsureKids(PDFSoup* inSoup, PDFDictAtom& ioNode) {
  PDFAtom* theKids = Resolve(inSoup, ioNode.Get("Kids"));
  if (!PDFAtom::IsArray(theKids)) {
    ioNode.Set("Kids", std::make_unique<PDFArrayAtom>());
    theKids = ioNode.Get("Kids");
  }
  QX_ASSERT(PDFAtom::IsArray(theKids));
  return PDFAtom::IsArray(theKids) ? static_cast<PDFArrayAtom*>(theKids) : nullptr;
}

PDFObject* PDFPages::InsertPage(uint32_t inID, uint32_t inGeneration, int32_t inPosition) {
  const uint32_t theCount = static_cast<uint32_t>(Count());
  uint32_t thePosition = static_cast<uint32_t>(inPosition);
  const bool theAppend = thePosition > theCount;
  if (theAppend) thePosition = theCount;

  // The receiving node is the parent of page p, when it has a usable one; otherwise this root.
  size_t theIndex = 0;
  PDFObject* theNode = this;
  if (thePosition > 0) {
    // The last page is found without counting the pages before it, so appending stays cheap.
    PDFAtom* theFound =
        thePosition == theCount ? FindLastPage(theIndex) : FindPage(thePosition, theIndex);
    if (PDFObject* thePage = ResolveObject(mSoup, theFound)) {
      PDFObject* theParent = ResolveObject(mSoup, thePage->GetValue("Parent"));
      if (PDFDictAtom* theParentDict = NodeDict(theParent)) {
        const PDFAtom* theType = Resolve(theParentDict->Get("Type"));
        if (PDFAtom::IsName(theType) && static_cast<const PDFNameAtom*>(theType)->GetName() == "Pages")
          theNode = theParent;
      }
    }
  }
  PDFDictAtom* thePages = NodeDict(theNode);
  QX_ASSERT(PDFAtom::IsDict(thePages));
  if (thePages == nullptr) return nullptr;
  PDFArrayAtom* theKids = EnsureKids(mSoup, *thePages);
  if (theKids == nullptr) return nullptr;
  auto theRef = std::make_unique<PDFRefAtom>(inID, inGeneration);
  if (theAppend)
    theKids->Append(std::move(theRef));
  else
    theKids->Insert(theIndex, std::move(theRef));  // before page p; an index past the end appends
  UpdateCounts(mSoup, 1, theNode);
  return theNode;
}

void PDFPages::UpdateCounts(PDFSoup* inSoup, int32_t inDelta, PDFObject* inNode) {
  std::unordered_set<uint32_t> theVisited;
  PDFObject* theNode = inNode;
  for (int theStep = 0; theStep < kMaxCountSteps && theNode != nullptr; ++theStep) {
    PDFDictAtom* theDict = NodeDict(theNode);
    if (theDict == nullptr || !theVisited.insert(theNode->GetID()).second) break;
    const PDFAtom* theCount = Resolve(inSoup, theDict->Get("Count"));
    const int64_t theValue =
        PDFAtom::IsNumber(theCount) ? int64_t{static_cast<const PDFNumberAtom*>(theCount)->GetInteger()} + inDelta
                                    : inDelta;
    theDict->SetInteger("Count", static_cast<int32_t>(theValue));
    const PDFAtom* theParent = theDict->Get("Parent");
    theNode = PDFAtom::IsRef(theParent) ? ResolveObject(inSoup, theParent) : nullptr;
  }
}

int64_t PDFPages::Validate(PDFAtom* inItem, uint32_t inExpectedParent, Walk& ioWalk, int inDepth) const {
  uint32_t theID = 0;
  PDFDictAtom* theDict = EnterItem(inItem, ioWalk, inDepth, &theID);
  const std::string theType = TypeName(mSoup, *theDict);
  if (inExpectedParent != 0) {
    const PDFAtom* theParent = theDict->Get("Parent");
    if (!PDFAtom::IsRef(theParent)) throw PDFPageTreeError("No parent found.");
    if (static_cast<const PDFRefAtom*>(theParent)->GetID() != inExpectedParent)
      throw PDFPageTreeError("Parent ID incorrect.");
  }
  if (theType == "Pages") {
    const PDFAtom* theCount = Resolve(theDict->Get("Count"));
    if (!PDFAtom::IsNumber(theCount)) throw PDFPageTreeError("Count is not Number.");
    PDFAtom* theKids = Resolve(theDict->Get("Kids"));
    if (!PDFAtom::IsArray(theKids)) throw PDFPageTreeError("Kids are not Array.");
    const auto* theArray = static_cast<const PDFArrayAtom*>(theKids);
    int64_t theSum = 0;
    for (size_t i = 0; i < theArray->GetCount(); ++i)
      theSum += Validate(theArray->Get(i), theID, ioWalk, inDepth + 1);
    if (theSum != static_cast<const PDFNumberAtom*>(theCount)->GetInteger())
      throw PDFPageTreeError("Count and number of pages do not agree.");
    return theSum;
  }
  if (theType == "Page") return 1;
  throw PDFPageTreeError("Type is not Pages or Page.");
}

int64_t PDFPages::ValidateTree(std::string* outMessage) {
  try {
    Walk theWalk;
    theWalk.visited.insert(mID);
    // The root's own ID is what its kids must name as their parent; its own Parent is not checked.
    PDFRefAtom theSelf(mID, mGeneration);
    if (!PDFAtom::IsDict(mAtom.get())) throw PDFPageTreeError("Object is not Dictionary.");
    theWalk.visited.erase(mID);
    return Validate(&theSelf, 0, theWalk, 0);
  } catch (const PDFPageTreeError& theError) {
    if (outMessage != nullptr) *outMessage = theError.what();
    ReportAssertion(__FILE__, __LINE__, "FALSE");
    return 0;
  }
}

void PDFPages::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  const PDFIndexedKey theKey = PDFIndexedKey::Parse(inName, "page ");
  auto* theSelf = const_cast<PDFPages*>(this);
  switch (theKey.kind) {
    case PDFIndexedKey::Kind::kCount:
      ioStream.WriteInteger(theSelf->Count());
      break;
    case PDFIndexedKey::Kind::kNumber:
      ioStream.WriteInteger(theSelf->FindPageID(theKey.number));
      break;
    case PDFIndexedKey::Kind::kNone:
      PDFTypedObject::GetProperty(inName, ioStream);
      break;
  }
}
