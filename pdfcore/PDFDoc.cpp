#include "pdfcore/PDFDoc.h"

#include <chrono>
#include <string>

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFFreeEntry.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFStringAtom.h"
#include "pdfcore/PDFTrailer.h"
#include "runtime/Assert.h"
#include "runtime/Preferences.h"

namespace {

// The header's version digit is one character: 1.1 to 1.9.
constexpr uint32_t kLowestVersion = 1;
constexpr uint32_t kHighestVersion = 9;

uint32_t MakeSeed() {
  uint32_t theSeed = static_cast<uint32_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  try {
    std::random_device theDevice;
    theSeed ^= theDevice();
  } catch (...) {
    // No device on this host: the clock alone seeds the generator.
  }
  return theSeed;
}

}  // namespace

PDFDoc::PDFDoc() : mSoup(std::make_unique<PDFSoup>()), mRandom(MakeSeed()) {
  mSoup->Add(std::make_unique<PDFFreeEntry>(0));
  mSoup->SetTrailer(std::make_unique<PDFTrailer>(mSoup.get()));
}

PDFDoc::~PDFDoc() = default;

void PDFDoc::AdoptSoup(std::unique_ptr<PDFSoup> inSoup) {
  QX_ASSERT(inSoup);
  if (!inSoup) return;
  mSoup = std::move(inSoup);
  QX_ASSERT(mSoup->FindByID(0) == NULL);
  mSoup->Add(std::make_unique<PDFFreeEntry>(0));
  mLoadedAll = 0;
  mParsePending = false;
  mDeleted = 0;
}

PDFTrailer& PDFDoc::EnsureTrailer() {
  if (mSoup->GetTrailer() == nullptr) mSoup->SetTrailer(std::make_unique<PDFTrailer>(mSoup.get()));
  return *mSoup->GetTrailer();
}

void PDFDoc::Write(PDFStream& ioStream) {
  ParsePending();
  if (mLoadedAll && mDeleted) {
    TidyPasses();
    Sweep();
    TidyPasses();
  }
  FillFreeEntries();
  LinkFreeList();
  WriteHeader(ioStream);
  WriteBody(ioStream);
  WriteXref(ioStream);
  WriteTrailer(ioStream);
  WriteStartXref(ioStream);
}

int PDFDoc::TidyPasses() {
  int thePasses = 0;
  while (thePasses < kMaxTidyPasses) {
    ++thePasses;
    uint32_t theRemoved = 0;
    mSoup->ForEach([&](PDFObject& inObj, bool&) { theRemoved += inObj.TidyReferences(); }, false);
    if (theRemoved == 0) break;
  }
  return thePasses;
}

void PDFDoc::Sweep() {
  mSoup->ForEach([](PDFObject& inObj, bool&) { inObj.SetMark(false); }, true);
  PDFTrailer& theTrailer = EnsureTrailer();
  theTrailer.SetMark(false);
  mSoup->MarkFrom(theTrailer);
  mSoup->ForEach(
      [](PDFObject& inObj, bool&) {
        // Objects that may not be deleted stay, reachable or not.
        if (!inObj.GetMark() && inObj.GetActive() && inObj.GetCanDelete()) inObj.Delete();
      },
      true);
}

void PDFDoc::FillFreeEntries() {
  const uint32_t theCount = mSoup->GetCount();
  for (uint32_t theID = 0; theID < theCount; ++theID) {
    if (mSoup->GetRaw(theID) == nullptr) mSoup->Add(std::make_unique<PDFFreeEntry>(theID));
  }
}

void PDFDoc::LinkFreeList() {
  PDFObject* theLast = nullptr;
  mSoup->ForEach(
      [&](PDFObject& inObj, bool&) {
        if (theLast == nullptr) {
          theLast = &inObj;  // the first object met (ID 0) heads the chain
        } else if (!inObj.GetActive()) {
          theLast->SetNextFree(inObj.GetID());
          theLast = &inObj;
        }
      },
      false);
  if (theLast) theLast->SetNextFree(0);
}

void PDFDoc::WriteHeader(PDFStream& ioStream) {
  uint32_t theVersion = kLowestVersion;
  mSoup->ForEach(
      [&](PDFObject& inObj, bool&) {
        if (inObj.GetMinVersion() > theVersion) theVersion = inObj.GetMinVersion();
      },
      false);
  if (theVersion > kHighestVersion) theVersion = kHighestVersion;
  ioStream.WriteText("%PDF-1.");
  ioStream.WriteUnsigned(theVersion);
  ioStream.WriteText("\r\n\r\n");
}

void PDFDoc::WriteBody(PDFStream& ioStream) {
  mSoup->ForEach([&](PDFObject& inObj, bool&) { inObj.Write(ioStream); }, false);
}

void PDFDoc::WriteXref(PDFStream& ioStream) {
  mOffsetXREF = ioStream.GetPosition();
  const uint32_t theCount = mSoup->GetCount();
  ioStream.WriteText("xref\r\n0 ");
  ioStream.WriteUnsigned(theCount);
  ioStream.WriteText("\r\n");
  // From here on a read document counts as fully parsed. The parsing itself waits until the
  // document is used again (every use but a raw walk parses what it touches, and the next write
  // or deletion parses the rest first), so that a document read only to be saved is never parsed
  // beyond what the copy of its untouched objects needs.
  mParsePending = true;
  for (uint32_t theID = 0; theID < theCount; ++theID) {
    if (PDFObject* theObj = mSoup->GetRaw(theID)) theObj->WriteXrefEntry(ioStream);
  }
}

void PDFDoc::WriteTrailer(PDFStream& ioStream) {
  PDFDictAtom& theDict = EnsureTrailer().GetTrailerDict();
  theDict.SetInteger("Size", static_cast<int32_t>(mSoup->GetCount()));
  theDict.Remove("Prev");
  PDFAtom* theID = theDict.Get("ID");
  if (PDFAtom::IsArray(theID)) {
    auto* theArray = static_cast<PDFArrayAtom*>(theID);
    PDFAtom* theSecond = theArray->GetCount() >= 2 ? theArray->Get(1) : nullptr;
    if (PDFAtom::IsString(theSecond) && GetPrefLong("UpdateID", 1) != 0) {
      // Bytes from 1 to 255: a zero byte would end the string text early.
      std::uniform_int_distribution<int> theByte(1, 255);
      std::string theText(kIDLength, '\0');
      for (char& theChar : theText) theChar = static_cast<char>(theByte(mRandom));
      static_cast<PDFStringAtom*>(theSecond)->SetText(theText);
    }
  }
  ioStream.WriteText("trailer\r\n");
  theDict.Write(ioStream);
  ioStream.WriteText("\r\n");
}

void PDFDoc::WriteStartXref(PDFStream& ioStream) {
  QX_ASSERT(mOffsetXREF);
  ioStream.WriteText("startxref\r\n");
  ioStream.WriteUnsigned(mOffsetXREF);
  ioStream.WriteText("\r\n%%EOF\r\n");
}

void PDFDoc::ParsePending() {
  if (!mParsePending) return;
  mParsePending = false;
  mSoup->LoadAll();
}

bool PDFDoc::DeleteObject(uint32_t inID) {
  ParsePending();
  PDFObject* theObj = mSoup->FindByID(inID);
  if (theObj == nullptr || !theObj->GetActive() || !theObj->GetCanDelete()) return false;
  if (!mLoadedAll) {
    mSoup->LoadAll();
    mLoadedAll = 1;
    // Loading may have replaced the object by its parsed form: look it up again.
    theObj = mSoup->GetRaw(inID);
    if (theObj == nullptr || !theObj->GetActive() || !theObj->GetCanDelete()) return false;
  }
  theObj->DeleteWithDependants();
  mSoup->ResetCursor();
  mDeleted = 1;
  return true;
}

PDFObject* PDFDoc::GetObject(uint32_t inID) {
  PDFObject* theObj = mSoup->FindByID(inID);
  QX_ASSERT(theObj);
  QX_ASSERT(theObj && theObj->GetActive());
  return theObj;
}
