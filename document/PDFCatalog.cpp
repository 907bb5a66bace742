#include "document/PDFCatalog.h"

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFStream.h"
#include "runtime/Assert.h"

namespace {

// Whether inAtom holds, at any depth up to the nesting limit, a reference that IsDead says is dead.
template <class IsDead>
bool HoldsDeadReference(const PDFAtom* inAtom, IsDead&& inIsDead, int inDepth) {
  if (inAtom == nullptr || inDepth > PDFAtom::kMaxDepth) return false;
  if (PDFAtom::IsRef(inAtom)) return inIsDead(inAtom);
  if (PDFAtom::IsArray(inAtom)) {
    const auto* theArray = static_cast<const PDFArrayAtom*>(inAtom);
    for (size_t i = 0; i < theArray->GetCount(); ++i)
      if (HoldsDeadReference(theArray->Get(i), inIsDead, inDepth + 1)) return true;
    return false;
  }
  if (PDFAtom::IsDict(inAtom)) {
    for (const auto& theEntry : static_cast<const PDFDictAtom*>(inAtom)->GetMap())
      if (HoldsDeadReference(theEntry.second.get(), inIsDead, inDepth + 1)) return true;
  }
  return false;
}

}  // namespace

PDFCatalog::PDFCatalog(PDFSoup* inSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom, uint32_t inGeneration)
    : PDFTypedObject(inSoup, inID, kTypeCatalog, std::move(inAtom), inGeneration) {
  mCanDelete = 0;
  if (!PDFAtom::IsDict(mAtom.get())) {
    auto theDict = std::make_unique<PDFDictAtom>();
    theDict->SetName("Type", "Catalog");
    theDict->SetName("PageMode", "UseNone");
    mAtom = std::move(theDict);
  }
  AssertDict();
}

void PDFCatalog::SetOpenAction(uint32_t inPageID) {
  auto theAction = std::make_unique<PDFArrayAtom>();
  theAction->Append(std::make_unique<PDFRefAtom>(inPageID, 0));
  theAction->Append(std::make_unique<PDFNameAtom>("Fit"));
  EnsureDict().Set("OpenAction", std::move(theAction));
}

void PDFCatalog::GetProperty(std::string_view inName, PDFStream& ioStream) const {
  if (inName == "pages") {
    ioStream.WriteInteger(static_cast<int32_t>(GetPages()));
  } else if (inName == "outlines") {
    ioStream.WriteInteger(static_cast<int32_t>(GetOutlines()));
  } else {
    PDFTypedObject::GetProperty(inName, ioStream);
  }
}

uint32_t PDFCatalog::TidyReferences() {
  uint32_t theRemoved = 0;
  if (const PDFAtom* theAction = GetValue("OpenAction")) {
    if (HoldsDeadReference(theAction, [this](const PDFAtom* inRef) { return IsDeadReference(inRef); }, 0)) {
      RemoveKey("OpenAction");
      ++theRemoved;
    }
  }
  return theRemoved + PDFTypedObject::TidyReferences();
}
