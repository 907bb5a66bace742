#include "pdfcore/PDFReader.h"

#include <algorithm>
#include <array>
#include <span>

#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFParser.h"
#include "pdfcore/PDFPlaceholder.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFTrailer.h"

namespace {

// The token at the position and its whole length (the position's change), of which at most
// kTokenSize bytes are kept.
struct Token {
  std::array<char, PDFReader::kTokenSize> mBuffer{};
  std::string_view mText;
  uint32_t mLength = 0;
};

void ReadTokenAt(PDFStream& ioStream, Token& outToken) {
  const uint32_t theStart = ioStream.GetPosition();
  outToken.mText = PDFParser::ReadToken(ioStream, std::span<char>(outToken.mBuffer));
  outToken.mLength = ioStream.GetPosition() - theStart;
}

}  // namespace

PDFReader::PDFReader(PDFSoup::ObjectFactory inFactory) : mSoup(std::make_unique<PDFSoup>()) {
  mSoup->SetObjectFactory(inFactory);
}

PDFReader::~PDFReader() = default;

bool PDFReader::ScanNumber(std::string_view inText, int64_t& outValue) {
  size_t i = 0;
  bool theNegative = false;
  if (i < inText.size() && (inText[i] == '+' || inText[i] == '-')) theNegative = inText[i++] == '-';
  const size_t theFirst = i;
  int64_t theValue = 0;
  for (; i < inText.size() && inText[i] >= '0' && inText[i] <= '9'; ++i)
    if (i - theFirst < 18) theValue = theValue * 10 + (inText[i] - '0');
  if (i == theFirst) return false;
  outValue = theNegative ? -theValue : theValue;
  return true;
}

bool PDFReader::ReadObjectHeader(PDFStream& ioStream, uint32_t inID, uint32_t inGeneration) {
  Token theToken;
  int64_t theValue = 0;
  PDFParser::SkipWhitespace(ioStream);
  ReadTokenAt(ioStream, theToken);
  if (!ScanNumber(theToken.mText, theValue) || theValue != inID) return false;
  PDFParser::SkipWhitespace(ioStream);
  ReadTokenAt(ioStream, theToken);
  if (!ScanNumber(theToken.mText, theValue) || theValue != inGeneration) return false;
  PDFParser::SkipWhitespace(ioStream);
  ReadTokenAt(ioStream, theToken);
  return theToken.mLength == 3 && theToken.mText == "obj";
}

void PDFReader::Fail(PDFStream& ioStream, std::string_view inMessage) {
  throw Failure{PDFParser::ErrorText(ioStream, inMessage)};
}

std::optional<std::string> PDFReader::Read(std::unique_ptr<PDFStream> inStream) {
  if (!inStream || !mSoup) return std::string("Unable to find EOF at end of PDF.");
  PDFStream& theStream = *inStream;
  mSoup->SetLoader(std::move(inStream));
  try {
    ReadHeader(theStream);
    ReadTrailers(theStream);
    SetEndLimits(theStream);
  } catch (const Failure& inFailure) {
    return inFailure.mText;
  }
  return std::nullopt;
}

void PDFReader::ReadHeader(PDFStream& ioStream) {
  ioStream.SetPosition(0);
  mVersion = kDefaultVersion;
  if (!PDFParser::FindForward(ioStream, "%PDF-1.")) return;
  ioStream.Skip(7);
  const int theDigit = ioStream.Get() - '0';
  if (theDigit >= 0 && theDigit <= 9) mVersion = static_cast<uint32_t>(theDigit);
}

void PDFReader::ReadTrailers(PDFStream& ioStream) {
  int64_t theOffset = FindXrefOffset(ioStream);
  bool theFirst = true;
  for (;;) {
    // A chain that comes back to a section already read ends there.
    if (std::find(mSections.begin(), mSections.end(), theOffset) != mSections.end()) break;
    ReadXrefSection(ioStream, theOffset);
    std::unique_ptr<PDFDictAtom> theTrailer = ReadTrailer(ioStream);
    if (!theTrailer) throw Failure{"Unable to find PDF trailer."};
    if (theTrailer->Get("Encrypt")) throw Failure{"Unable to read encrypted PDF."};
    // The objects of a hybrid file's cross-reference stream would look free and be swept away.
    if (theTrailer->Get("XRefStm"))
      throw Failure{"Unable to read PDF with cross-reference streams."};
    PDFAtom* thePrev = theTrailer->Get("Prev");
    const bool theHasPrev = PDFAtom::IsNumber(thePrev);
    if (theHasPrev) theOffset = static_cast<const PDFNumberAtom*>(thePrev)->GetInteger();
    if (theFirst) {
      mSoup->SetTrailer(std::make_unique<PDFTrailer>(mSoup.get(), std::move(theTrailer)));
      theFirst = false;
    }
    if (!theHasPrev) break;
  }
}

uint32_t PDFReader::FindXrefOffset(PDFStream& ioStream) {
  const uint32_t theLength = ioStream.GetLength();
  ioStream.SetPosition(theLength);
  const bool theFoundEOF = PDFParser::FindBackward(ioStream, "%%EOF");
  const uint32_t theEOF = ioStream.GetPosition();
  if (!theFoundEOF || theLength - theEOF > kEOFWindow) Fail(ioStream, "Unable to find EOF at end of PDF.");
  const bool theFoundStart = PDFParser::FindBackward(ioStream, "startxref");
  const uint32_t theStart = ioStream.GetPosition();
  if (!theFoundStart || theStart > theEOF || theEOF - theStart > kStartXrefWindow)
    Fail(ioStream, "Unable to find startxref at end of PDF.");
  ioStream.SetPosition(theStart + 9);
  const std::unique_ptr<PDFAtom> theValue = PDFParser::ParseAtom(ioStream, nullptr);
  if (!PDFAtom::IsNumber(theValue.get())) Fail(ioStream, "Unable to find offset of xref table.");
  const int32_t theOffset = static_cast<const PDFNumberAtom*>(theValue.get())->GetInteger();
  if (theOffset < 0 || static_cast<uint32_t>(theOffset) >= theLength) {
    ioStream.SetPosition(theStart + 9);
    PDFParser::SkipWhitespace(ioStream);
    Fail(ioStream, "Unable to find start of xref section.");
  }
  return static_cast<uint32_t>(theOffset);
}

void PDFReader::ReadXrefSection(PDFStream& ioStream, int64_t inOffset) {
  const uint32_t theLength = ioStream.GetLength();
  if (inOffset < 0 || inOffset >= theLength) {
    // The error shows the end of the data, the nearest place to the offset that exists.
    ioStream.SetPosition(theLength);
    Fail(ioStream, "Unable to find start of xref section.");
  }
  const auto theOffset = static_cast<uint32_t>(inOffset);
  mSections.push_back(theOffset);
  ioStream.SetPosition(theOffset);
  Token theToken;
  ReadTokenAt(ioStream, theToken);
  if (!theToken.mText.starts_with("xref")) {
    ioStream.SetPosition(theOffset);
    Fail(ioStream, "Unable to find start of xref section.");
  }
  for (;;) {
    int64_t theFirst = 0;
    int64_t theCount = 0;
    PDFParser::SkipWhitespace(ioStream);
    ReadTokenAt(ioStream, theToken);
    if (!ScanNumber(theToken.mText, theFirst)) {
      ioStream.Skip(-static_cast<int32_t>(theToken.mLength));
      break;
    }
    PDFParser::SkipWhitespace(ioStream);
    ReadTokenAt(ioStream, theToken);
    if (!ScanNumber(theToken.mText, theCount)) {
      ioStream.Skip(-static_cast<int32_t>(theToken.mLength));
      break;
    }
    if (theFirst < 0 || theCount < 0) break;
    // No subsection lists more entries than the bytes after its header can hold.
    const uint32_t theRemaining = theLength - std::min(ioStream.GetPosition(), theLength);
    const int64_t theFit = (theRemaining + 1) / kMinEntryBytes;
    // A subsection cut to the bytes there ends at the first token that cannot start an entry.
    const bool theCut = theCount > theFit;
    theCount = std::min(theCount, theFit);
    for (int64_t theID = theFirst; theID < theFirst + theCount; ++theID) {
      Token theOffsetToken;
      Token theGenToken;
      Token theTypeToken;
      PDFParser::SkipWhitespace(ioStream);
      ReadTokenAt(ioStream, theOffsetToken);
      if (theCut && (theOffsetToken.mText.empty() || theOffsetToken.mText[0] < '0' || theOffsetToken.mText[0] > '9')) {
        ioStream.Skip(-static_cast<int32_t>(theOffsetToken.mLength));
        return;
      }
      if (theOffsetToken.mLength != 10) Fail(ioStream, "Length of offset in xref table is incorrect.");
      PDFParser::SkipWhitespace(ioStream);
      ReadTokenAt(ioStream, theGenToken);
      if (theGenToken.mLength != 5) Fail(ioStream, "Length of generation in xref table is incorrect.");
      PDFParser::SkipWhitespace(ioStream);
      ReadTokenAt(ioStream, theTypeToken);
      if (theTypeToken.mLength != 1) Fail(ioStream, "Length of in-use entry in xref table is incorrect.");
      // Where an object of any section starts also ends the raw copy of the object before it.
      if (theTypeToken.mText == "n" && theOffsetToken.mText.find_first_not_of("0123456789") == std::string_view::npos) {
        int64_t theStart = 0;
        if (ScanNumber(theOffsetToken.mText, theStart) && theStart > 0 && theStart < theLength)
          mStarts.push_back(static_cast<uint32_t>(theStart));
      }
      // ID 0 is the head of the free list, which the document makes itself.
      if (theID <= 0 || theID >= PDFSoup::kMaxID) continue;
      const auto theIndex = static_cast<uint32_t>(theID);
      if (theIndex >= mClaimed.size()) mClaimed.resize(theIndex + 1, false);
      // Entries of newer sections, read first, win; a newer free entry claims its ID too.
      if (mClaimed[theIndex]) continue;
      mClaimed[theIndex] = true;
      if (theTypeToken.mText != "n") continue;
      int64_t theObjOffset = 0;
      int64_t theGeneration = 0;
      if (!ScanNumber(theOffsetToken.mText, theObjOffset))
        Fail(ioStream, "Unable to convert xref offset to a number.");
      if (!ScanNumber(theGenToken.mText, theGeneration))
        Fail(ioStream, "Unable to convert xref generation to a number.");
      if (theObjOffset <= 0 || theObjOffset > UINT32_MAX || theGeneration < 0) continue;
      mSoup->Add(std::make_unique<PDFPlaceholder>(mSoup.get(), theIndex, static_cast<uint32_t>(theGeneration),
                                                  static_cast<uint32_t>(theObjOffset), mVersion));
    }
  }
}

std::unique_ptr<PDFDictAtom> PDFReader::ReadTrailer(PDFStream& ioStream) {
  if (!PDFParser::FindForward(ioStream, "trailer")) return nullptr;
  ioStream.Skip(7);
  std::unique_ptr<PDFAtom> theValue = PDFParser::ParseAtom(ioStream, nullptr);
  if (!PDFAtom::IsDict(theValue.get())) return nullptr;
  return std::unique_ptr<PDFDictAtom>(static_cast<PDFDictAtom*>(theValue.release()));
}

void PDFReader::SetEndLimits(PDFStream& ioStream) {
  // Every place where something else starts: the objects of every section (those replaced by a
  // newer section too) and the cross-reference sections.
  std::vector<uint32_t> theStarts = mSections;
  theStarts.insert(theStarts.end(), mStarts.begin(), mStarts.end());
  std::vector<PDFPlaceholder*> thePlaceholders;
  mSoup->ForEach(
      [&](PDFObject& inObj, bool&) {
        if (inObj.GetType() == kTypePlaceholder) thePlaceholders.push_back(&static_cast<PDFPlaceholder&>(inObj));
      },
      false);
  std::sort(theStarts.begin(), theStarts.end());
  const uint32_t theLength = ioStream.GetLength();
  for (PDFPlaceholder* thePlaceholder : thePlaceholders) {
    const auto theNext = std::upper_bound(theStarts.begin(), theStarts.end(), thePlaceholder->GetReadOffset());
    thePlaceholder->SetEndLimit(theNext != theStarts.end() ? std::min(*theNext, theLength) : theLength);
  }
}
