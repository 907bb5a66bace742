#include "pdfcore/PDFPlaceholder.h"

#include <cstring>
#include <string>

#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFNullAtom.h"
#include "pdfcore/PDFParser.h"
#include "pdfcore/PDFReader.h"
#include "pdfcore/PDFSoup.h"
#include "runtime/Assert.h"

namespace {

constexpr std::string_view kEndObj = "endobj";

// The position of the first inPattern in inData[inFrom, inTo), or inTo.
uint32_t Search(const uint8_t* inData, uint32_t inFrom, uint32_t inTo, std::string_view inPattern) {
  if (inFrom >= inTo) return inTo;
  const void* theHit = memmem(inData + inFrom, inTo - inFrom, inPattern.data(), inPattern.size());
  return theHit ? static_cast<uint32_t>(static_cast<const uint8_t*>(theHit) - inData) : inTo;
}

bool IsSeparator(int inByte) { return PDFParser::IsWhitespace(inByte) || PDFParser::IsDelimiter(inByte); }

}  // namespace

PDFPlaceholder::PDFPlaceholder(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration, uint32_t inOffset,
                               uint32_t inVersion)
    : PDFContentObject(inSoup, inID, kTypePlaceholder, nullptr, inGeneration), mReadOffset(inOffset) {
  QX_ASSERT(mReadOffset > 0);
  mMinVersion = inVersion;
  mCanDelete = 0;
}

PDFPlaceholder::PDFPlaceholder(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration, std::string_view inText)
    : PDFContentObject(inSoup, inID, kTypePlaceholder, nullptr, inGeneration),
      mText(std::make_unique<PDFMemoryStream>()) {
  mCanDelete = 0;
  // The whole text is kept: a formatted write would cut it at its size limit.
  mText->WriteUnsigned(inID);
  mText->Put(' ');
  mText->WriteUnsigned(inGeneration);
  mText->WriteText(" obj ");
  mText->WriteText(inText);
  mText->WriteText(" endobj");
}

PDFPlaceholder::~PDFPlaceholder() = default;

std::unique_ptr<PDFObject> PDFPlaceholder::Materialize() {
  if (mAtom) return nullptr;
  PDFStream* theSource = mText ? mText.get() : (mSoup ? mSoup->GetLoader() : nullptr);
  if (theSource == nullptr) return nullptr;
  ReadAtom(*theSource);
  return MakeTypedObject();
}

void PDFPlaceholder::ReadAtom(PDFStream& inStream, bool inResolveLengths) {
  inStream.SetPosition(mReadOffset);
  std::unique_ptr<PDFAtom> theAtom;
  if (PDFReader::ReadObjectHeader(inStream, mID, mGeneration))
    theAtom = PDFParser::ParseAtom(inStream, inResolveLengths ? mSoup : nullptr);
  // Whatever went wrong, an unreadable object reads as null.
  SetAtom(theAtom ? std::move(theAtom) : std::make_unique<PDFNullAtom>());
}

std::unique_ptr<PDFObject> PDFPlaceholder::MakeTypedObject() {
  QX_ASSERT(mAtom);
  // From now on this object holds parsed content: it is written in the usual form and may go.
  mCanDelete = 1;
  const PDFSoup::ObjectFactory theFactory = mSoup ? mSoup->GetObjectFactory() : nullptr;
  if (theFactory == nullptr || !mAtom) return nullptr;
  std::unique_ptr<PDFObject> theObj = theFactory(*mSoup, mID, mGeneration, mAtom);
  if (theObj) mCanDelete = theObj->GetCanDelete() ? 1 : 0;
  return theObj;
}

void PDFPlaceholder::WriteBody(PDFStream& ioStream) {
  if (!mAtom && !mText) {
    if (CopyRawBytes(ioStream)) return;
    // The bytes cannot be copied safely: the object is parsed and written in its parsed form.
    // Outside a load, an indirect stream Length is not resolved: resolving it could load (and so
    // replace and delete) this very object; the search for "endstream" decides instead.
    if (PDFStream* theSource = mSoup ? mSoup->GetLoader() : nullptr) ReadAtom(*theSource, false);
  } else if (!mAtom) {
    ReadAtom(*mText, false);
  }
  PDFContentObject::WriteBody(ioStream);
}

bool PDFPlaceholder::CopyRawBytes(PDFStream& ioStream) {
  PDFStream* theSrc = mSoup ? mSoup->GetLoader() : nullptr;
  QX_ASSERT(theSrc);
  if (theSrc == nullptr) return false;
  const uint8_t* theData = theSrc->GetData();
  const uint32_t theLength = theSrc->GetLength();
  if (theData == nullptr || mReadOffset >= theLength) return false;
  // The copy starts at the object's ID and only when the header is the expected one.
  theSrc->SetPosition(mReadOffset);
  PDFParser::SkipWhitespace(*theSrc);
  const uint32_t theStart = theSrc->GetPosition();
  if (!PDFReader::ReadObjectHeader(*theSrc, mID, mGeneration)) return false;
  const uint32_t theLimit = std::min(mEndLimit, theLength);
  uint32_t theFrom = theSrc->GetPosition();
  // A stream's data may hold the word "endobj": the search starts after its "endstream".
  const uint32_t theFirstEnd = Search(theData, theFrom, theLimit, kEndObj);
  const uint32_t theStream = Search(theData, theFrom, theFirstEnd, "stream");
  if (theStream < theFirstEnd) {
    const uint32_t theEndStream = Search(theData, theStream, theLimit, "endstream");
    if (theEndStream < theLimit) theFrom = theEndStream + 9;
  }
  uint32_t theEnd = 0;
  for (uint32_t thePos = Search(theData, theFrom, theLimit, kEndObj); thePos < theLimit;
       thePos = Search(theData, thePos + 1, theLimit, kEndObj)) {
    const int theBefore = theData[thePos - 1];
    const uint32_t theAfterPos = thePos + static_cast<uint32_t>(kEndObj.size());
    const int theAfter = theAfterPos < theLength ? theData[theAfterPos] : -1;
    if (IsSeparator(theBefore) && (theAfter < 0 || IsSeparator(theAfter))) {
      theEnd = theAfterPos;
      break;
    }
  }
  if (theEnd == 0) return false;
  // The byte after "endobj" goes with it when it ends the line; otherwise a line end is added, so
  // that the next object starts on a line of its own.
  const bool theTakeNext = theEnd < theLength && PDFParser::IsWhitespace(theData[theEnd]);
  const uint32_t theLen = theEnd - theStart + (theTakeNext ? 1 : 0);
  QX_ASSERT(theLen > 0);
  ioStream.Write(theData + theStart, theLen);
  if (!theTakeNext) ioStream.WriteText("\r\n");
  return true;
}
