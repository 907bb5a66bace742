#include "pdfcore/PDFParser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFBoolAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNullAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFSoup.h"
#include "pdfcore/PDFStream.h"
#include "pdfcore/PDFStreamAtom.h"
#include "pdfcore/PDFStringAtom.h"
#include "runtime/Assert.h"

namespace {

// Bytes read at a time when a search has to copy the stream's bytes.
constexpr uint32_t kSearchChunk = 64 * 1024;

bool IsDigit(int inByte) { return inByte >= '0' && inByte <= '9'; }

int HexValue(int inByte) {
  if (inByte >= '0' && inByte <= '9') return inByte - '0';
  if (inByte >= 'A' && inByte <= 'F') return inByte - 'A' + 10;
  if (inByte >= 'a' && inByte <= 'f') return inByte - 'a' + 10;
  return 0;
}

// The byte at the position, moving past it; -1 at the end, where the position stays.
int Take(PDFStream& ioStream) {
  const int theByte = ioStream.Peek();
  if (theByte >= 0) ioStream.Get();
  return theByte;
}

// "%ld" with a 32-bit long: an optional sign and decimal digits, up to the first other byte. A
// value beyond the range stays at its end; text without digits ("-", "+", "") is 0.
int32_t ScanInteger(std::string_view inText) {
  size_t i = 0;
  bool theNegative = false;
  if (i < inText.size() && (inText[i] == '+' || inText[i] == '-')) theNegative = inText[i++] == '-';
  int64_t theValue = 0;
  for (; i < inText.size() && IsDigit(inText[i]); ++i) {
    theValue = theValue * 10 + (inText[i] - '0');
    if (theValue > static_cast<int64_t>(INT32_MAX) + 1) theValue = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (theNegative) theValue = -theValue;
  return static_cast<int32_t>(std::clamp<int64_t>(theValue, INT32_MIN, INT32_MAX));
}

// "%lf" without the locale: an optional sign, digits with an optional point, an optional exponent
// (taken only when digits follow the "e"), up to the first other byte. Text without digits is 0.
// A value beyond the range of a double is infinite, one too small for it 0, as strtod gives.
double ScanReal(std::string_view inText) {
  size_t i = 0;
  bool theNegative = false;
  if (i < inText.size() && (inText[i] == '+' || inText[i] == '-')) theNegative = inText[i++] == '-';
  const size_t theStart = i;
  size_t theDigits = 0;
  for (; i < inText.size() && IsDigit(inText[i]); ++i) ++theDigits;
  if (i < inText.size() && inText[i] == '.') {
    for (++i; i < inText.size() && IsDigit(inText[i]); ++i) ++theDigits;
  }
  if (theDigits == 0) return 0.0;
  bool theNegativeExponent = false;
  if (i < inText.size() && (inText[i] == 'e' || inText[i] == 'E')) {
    size_t j = i + 1;
    if (j < inText.size() && (inText[j] == '+' || inText[j] == '-')) theNegativeExponent = inText[j++] == '-';
    if (j < inText.size() && IsDigit(inText[j])) {
      while (j < inText.size() && IsDigit(inText[j])) ++j;
      i = j;
    } else {
      theNegativeExponent = false;
    }
  }
  double theValue = 0.0;
  const auto theResult =
      std::from_chars(inText.data() + theStart, inText.data() + i, theValue, std::chars_format::general);
  if (theResult.ec == std::errc::result_out_of_range) theValue = theNegativeExponent ? 0.0 : HUGE_VAL;
  else if (theResult.ec != std::errc()) theValue = 0.0;
  return theNegative ? -theValue : theValue;
}

// Copies the bytes from inOffset up to inEnd (both within the stream) through Read.
std::vector<char> ReadRange(PDFStream& ioStream, uint32_t inOffset, uint32_t inEnd) {
  std::vector<char> theBytes(inEnd > inOffset ? inEnd - inOffset : 0);
  ioStream.SetPosition(inOffset);
  const auto theCount = static_cast<uint32_t>(theBytes.size());
  const uint32_t theRead = theCount == 0 ? 0 : ioStream.Read(theBytes.data(), theCount);
  theBytes.resize(theRead);
  return theBytes;
}

// Keeps the nesting count of the open containers.
class DepthMark {
 public:
  explicit DepthMark(int& ioDepth) : mDepth(ioDepth) {}
  DepthMark(const DepthMark&) = delete;
  DepthMark& operator=(const DepthMark&) = delete;
  ~DepthMark() { --mDepth; }

 private:
  int& mDepth;
};

}  // namespace

bool PDFParser::IsWhitespace(int inByte) {
  return inByte == 0 || inByte == '\t' || inByte == '\n' || inByte == '\f' || inByte == '\r' || inByte == ' ';
}

bool PDFParser::IsDelimiter(int inByte) {
  switch (inByte) {
    case '(':
    case ')':
    case '<':
    case '>':
    case '[':
    case ']':
    case '/':
    case '%':
      return true;
    default:
      return false;
  }
}

bool PDFParser::IsHexDigit(int inByte) {
  return IsDigit(inByte) || (inByte >= 'A' && inByte <= 'F') || (inByte >= 'a' && inByte <= 'f');
}

std::unique_ptr<PDFAtom> PDFParser::ParseAtom(PDFStream& ioStream, PDFSoup* inContext) {
  PDFParser theParser(ioStream);
  return theParser.ParseValue(inContext);
}

std::unique_ptr<PDFAtom> PDFParser::ParseText(std::string_view inText, PDFSoup* inContext) {
  if (inText.size() > UINT32_MAX) return nullptr;
  // The caller's bytes are read in place; nothing writes to the stream.
  PDFMemoryStream theStream;
  theStream.Attach(reinterpret_cast<const uint8_t*>(inText.data()), static_cast<uint32_t>(inText.size()));
  return ParseAtom(theStream, inContext);
}

bool PDFParser::SkipWhitespace(PDFStream& ioStream) {
  bool theSkipped = false;
  for (;;) {
    const int theByte = ioStream.Peek();
    if (IsWhitespace(theByte)) {
      ioStream.Get();
    } else if (theByte == '%') {
      // The comment runs to the next CR or LF, which the next turn skips as whitespace.
      ioStream.Get();
      for (int theNext = ioStream.Peek(); theNext >= 0 && theNext != '\r' && theNext != '\n';
           theNext = ioStream.Peek())
        ioStream.Get();
    } else {
      return theSkipped;
    }
    theSkipped = true;
  }
}

std::string_view PDFParser::ReadToken(PDFStream& ioStream, std::span<char> outBuffer) {
  size_t theCount = 0;
  for (;;) {
    const int theByte = ioStream.Peek();
    if (theByte < 0 || IsWhitespace(theByte) || IsDelimiter(theByte)) break;
    ioStream.Get();
    // The rest of a long token is consumed too, so that it is never read as the next value.
    if (theCount < outBuffer.size()) outBuffer[theCount++] = static_cast<char>(theByte);
  }
  return std::string_view(outBuffer.data(), theCount);
}

bool PDFParser::FindForward(PDFStream& ioStream, std::string_view inPattern) {
  const uint32_t theLength = ioStream.GetLength();
  const uint32_t theStart = std::min(ioStream.GetPosition(), theLength);
  if (const uint8_t* theData = ioStream.GetData()) {
    const void* theHit =
        inPattern.empty()
            ? theData + theStart
            : memmem(theData + theStart, theLength - theStart, inPattern.data(), inPattern.size());
    if (theHit) {
      ioStream.SetPosition(static_cast<uint32_t>(static_cast<const uint8_t*>(theHit) - theData));
      return true;
    }
    ioStream.SetPosition(theLength);
    return false;
  }
  // Without the bytes in memory: read chunks, each overlapping the last by the pattern's length
  // less one, so that a match across two chunks is found.
  uint32_t theBase = theStart;
  std::vector<char> theWindow;
  for (;;) {
    const uint32_t theEnd = theBase + static_cast<uint32_t>(theWindow.size());
    const uint32_t theMore = std::min(kSearchChunk, theLength - theEnd);
    const std::vector<char> theChunk = ReadRange(ioStream, theEnd, theEnd + theMore);
    theWindow.insert(theWindow.end(), theChunk.begin(), theChunk.end());
    const auto theHit = std::search(theWindow.begin(), theWindow.end(), inPattern.begin(), inPattern.end());
    if (theHit != theWindow.end() || (inPattern.empty() && theWindow.empty())) {
      ioStream.SetPosition(theBase + static_cast<uint32_t>(theHit - theWindow.begin()));
      return true;
    }
    if (theChunk.empty()) break;
    const size_t theKeep = inPattern.empty() ? 0 : inPattern.size() - 1;
    if (theWindow.size() > theKeep) {
      const size_t theDrop = theWindow.size() - theKeep;
      theWindow.erase(theWindow.begin(), theWindow.begin() + static_cast<std::ptrdiff_t>(theDrop));
      theBase += static_cast<uint32_t>(theDrop);
    }
  }
  ioStream.SetPosition(theLength);
  return false;
}

bool PDFParser::FindBackward(PDFStream& ioStream, std::string_view inPattern) {
  const uint32_t theLength = ioStream.GetLength();
  if (inPattern.size() > theLength) return false;
  const auto thePatternLength = static_cast<uint32_t>(inPattern.size());
  const uint32_t theStart = std::min(ioStream.GetPosition(), theLength - thePatternLength);
  if (const uint8_t* theData = ioStream.GetData()) {
    for (uint32_t theOffset = theStart; theOffset >= 1; --theOffset) {
      if (std::memcmp(theData + theOffset, inPattern.data(), thePatternLength) == 0) {
        ioStream.SetPosition(theOffset);
        return true;
      }
    }
    ioStream.SetPosition(0);
    return false;
  }
  // Without the bytes in memory: windows of start offsets from the top down, each read with the
  // pattern's length more bytes so that a match starting in the window is whole.
  uint32_t theHigh = theStart;
  while (theHigh >= 1) {
    const uint32_t theLow = theHigh >= kSearchChunk ? theHigh - kSearchChunk + 1 : 1;
    const std::vector<char> theWindow = ReadRange(ioStream, theLow, theHigh + thePatternLength);
    const auto theHit = std::find_end(theWindow.begin(), theWindow.end(), inPattern.begin(), inPattern.end());
    if (theHit != theWindow.end() || (inPattern.empty() && !theWindow.empty())) {
      const uint32_t theOffset =
          inPattern.empty() ? theHigh : theLow + static_cast<uint32_t>(theHit - theWindow.begin());
      ioStream.SetPosition(theOffset);
      return true;
    }
    theHigh = theLow - 1;
  }
  ioStream.SetPosition(0);
  return false;
}

std::string PDFParser::ErrorText(PDFStream& ioStream, std::string_view inMessage) {
  const uint32_t thePosition = ioStream.GetPosition();
  const uint32_t theLength = ioStream.GetLength();
  // Both windows lie within the data, whatever the position.
  const uint32_t theBeforeEnd = std::min(thePosition, theLength);
  const uint32_t theBeforeStart = theBeforeEnd > kErrorContext ? theBeforeEnd - kErrorContext : 0;
  const std::vector<char> theBefore = ReadRange(ioStream, theBeforeStart, theBeforeEnd);
  std::vector<char> theAfter;
  if (thePosition < theLength)
    theAfter =
        ReadRange(ioStream, thePosition, thePosition + std::min(kErrorContext, theLength - thePosition));
  ioStream.SetPosition(thePosition);

  std::string theText(inMessage);
  theText += " Error at \"";
  theText.append(theBefore.begin(), theBefore.end());
  theText += '^';
  theText.append(theAfter.begin(), theAfter.end());
  theText += "\" at offset ";
  theText += std::to_string(thePosition);
  theText += '.';
  for (char& theChar : theText) {
    const auto theByte = static_cast<uint8_t>(theChar);
    if (theByte < 32 || theByte > 127) theChar = ' ';
  }
  return theText;
}

std::unique_ptr<PDFNameAtom> PDFParser::ReadName(PDFStream& ioStream) {
  if (ioStream.Peek() == '/') ioStream.Get();
  std::string theBytes;
  for (;;) {
    const int theByte = ioStream.Peek();
    if (theByte < 0 || IsWhitespace(theByte) || IsDelimiter(theByte)) break;
    ioStream.Get();
    if (theByte != '#') {
      theBytes.push_back(static_cast<char>(theByte));
      continue;
    }
    // The next two bytes are taken whatever they are; those that are not hexadecimal digits add
    // nothing to the value.
    int theValue = 0;
    for (int i = 0; i < 2; ++i) {
      const int theDigit = Take(ioStream);
      if (IsHexDigit(theDigit)) theValue = theValue * 16 + HexValue(theDigit);
    }
    // A zero byte cannot stand in a name.
    theBytes.push_back(theValue == 0 ? ' ' : static_cast<char>(theValue));
  }
  auto theName = std::make_unique<PDFNameAtom>();
  theName->SetBytes(theBytes);
  return theName;
}

std::unique_ptr<PDFStringAtom> PDFParser::ReadLiteralString(PDFStream& ioStream) {
  const int theChar = Take(ioStream);
  QX_ASSERT(theChar == '(');
  std::string theBytes;
  int theDepth = 1;
  for (;;) {
    int theByte = Take(ioStream);
    if (theByte < 0) break;
    if (theByte == '\\') {
      const int theEscaped = Take(ioStream);
      if (theEscaped < 0) break;
      switch (theEscaped) {
        case '\n':
          continue;  // a line continuation
        case '\r':
          if (ioStream.Peek() == '\n') ioStream.Get();
          continue;
        case '(':
        case ')':
        case '\\':
          theBytes.push_back(static_cast<char>(theEscaped));
          continue;
        case 'b': theBytes.push_back('\b'); continue;
        case 'f': theBytes.push_back('\f'); continue;
        case 'n': theBytes.push_back('\n'); continue;
        case 'r': theBytes.push_back('\r'); continue;
        case 't': theBytes.push_back('\t'); continue;
        default:
          break;
      }
      if (theEscaped >= '0' && theEscaped <= '7') {
        int theValue = theEscaped - '0';
        for (int i = 0; i < 2; ++i) {
          const int theDigit = ioStream.Peek();
          if (theDigit < '0' || theDigit > '7') break;
          ioStream.Get();
          theValue = theValue * 8 + (theDigit - '0');
        }
        theBytes.push_back(static_cast<char>(theValue & 0xFF));
        continue;
      }
      // Any other byte: the backslash is dropped and the byte read as an ordinary one.
      theByte = theEscaped;
    }
    if (theByte == '(') {
      ++theDepth;
    } else if (theByte == ')') {
      if (--theDepth == 0) break;
    }
    theBytes.push_back(static_cast<char>(theByte));
  }
  auto theString = std::make_unique<PDFStringAtom>();
  theString->SetBytes(theBytes);
  return theString;
}

std::unique_ptr<PDFStringAtom> PDFParser::ReadHexString(PDFStream& ioStream) {
  const int theChar = Take(ioStream);
  QX_ASSERT(theChar == '<');
  std::string theBytes;
  int theHigh = -1;
  for (;;) {
    const int theByte = Take(ioStream);
    if (theByte < 0 || theByte == '>') break;
    if (IsWhitespace(theByte) || theByte == '<') continue;
    const int theDigit = HexValue(theByte);  // 0 for a byte that is not a digit
    if (theHigh < 0) {
      theHigh = theDigit;
    } else {
      theBytes.push_back(static_cast<char>(theHigh * 16 + theDigit));
      theHigh = -1;
    }
  }
  if (theHigh >= 0) theBytes.push_back(static_cast<char>(theHigh * 16));
  auto theString = std::make_unique<PDFStringAtom>();
  theString->SetBytes(theBytes);
  return theString;
}

std::unique_ptr<PDFAtom> PDFParser::ParseValue(PDFSoup* inContext) {
  SkipWhitespace(mStream);
  const int theByte = mStream.Peek();
  switch (theByte) {
    case '(':
      return ReadLiteralString(mStream);
    case '<': {
      const uint32_t thePosition = mStream.GetPosition();
      mStream.Get();
      const int theNext = mStream.Peek();
      mStream.SetPosition(thePosition);
      if (theNext == '<') return ReadDictOrStream(inContext);
      return ReadHexString(mStream);
    }
    case '[':
      return ReadArray();
    case '/':
      return ReadName(mStream);
    case '+':
    case '-':
    case '.':
      return ReadNumber();
    case 't':
    case 'f':
      return ReadBool();
    case 'n':
      return ReadNull();
    default:
      if (IsDigit(theByte)) return ReadNumberOrReference();
      return nullptr;
  }
}

std::unique_ptr<PDFAtom> PDFParser::ReadNumber() {
  char theBuffer[kNumberToken];
  const std::string_view theToken = ReadToken(mStream, theBuffer);
  if (theToken.find('.') == std::string_view::npos)
    return std::make_unique<PDFNumberAtom>(ScanInteger(theToken));
  return std::make_unique<PDFNumberAtom>(ScanReal(theToken));
}

std::unique_ptr<PDFAtom> PDFParser::ReadNumberOrReference() {
  // "<id> <generation> R", each part after whitespace; anything else is read as a number.
  const uint32_t theStart = mStream.GetPosition();
  char theFirst[kWordToken];
  char theSecond[kWordToken];
  char theThird[kWordToken];
  const std::string_view theID = ReadToken(mStream, theFirst);
  if (SkipWhitespace(mStream)) {
    const std::string_view theGeneration = ReadToken(mStream, theSecond);
    if (SkipWhitespace(mStream) && ReadToken(mStream, theThird) == "R") {
      return std::make_unique<PDFRefAtom>(static_cast<uint32_t>(ScanInteger(theID)),
                                          static_cast<uint32_t>(ScanInteger(theGeneration)));
    }
  }
  mStream.SetPosition(theStart);
  return ReadNumber();
}

std::unique_ptr<PDFAtom> PDFParser::ReadBool() {
  char theBuffer[kWordToken];
  return std::make_unique<PDFBoolAtom>(ReadToken(mStream, theBuffer) == "true");
}

std::unique_ptr<PDFAtom> PDFParser::ReadNull() {
  char theBuffer[kWordToken];
  ReadToken(mStream, theBuffer);
  return std::make_unique<PDFNullAtom>();
}

bool PDFParser::EnterContainer() {
  if (mTooDeep) return false;
  if (mDepth >= kMaxNesting) {
    mTooDeep = true;
    return false;
  }
  ++mDepth;
  return true;
}

std::unique_ptr<PDFAtom> PDFParser::ReadArray() {
  if (!EnterContainer()) return nullptr;
  const DepthMark theMark(mDepth);
  const int theChar = Take(mStream);
  QX_ASSERT(theChar == '[');
  auto theArray = std::make_unique<PDFArrayAtom>();
  for (;;) {
    SkipWhitespace(mStream);
    const int theByte = mStream.Peek();
    if (theByte < 0) break;
    if (theByte == ']') {
      mStream.Get();
      break;
    }
    // Elements are parsed without the table; a byte that starts no value ends the array there.
    std::unique_ptr<PDFAtom> theItem = ParseValue(nullptr);
    if (!theItem) break;
    theArray->Append(std::move(theItem));
    if (mTooDeep) break;
  }
  return theArray;
}

std::unique_ptr<PDFAtom> PDFParser::ReadDictOrStream(PDFSoup* inContext) {
  if (!EnterContainer()) return nullptr;
  auto theDict = std::make_unique<PDFDictAtom>();
  {
    const DepthMark theMark(mDepth);
    for (int i = 0; i < 2; ++i) {
      const int theChar = Take(mStream);
      QX_ASSERT(theChar == '<');
    }
    for (;;) {
      SkipWhitespace(mStream);
      const int theByte = mStream.Peek();
      if (theByte < 0) break;
      if (theByte == '>') {
        mStream.Get();
        Take(mStream);
        break;
      }
      // A key that is not a name, or a null value, leaves the entry out; a byte that starts no
      // value is stepped over.
      std::unique_ptr<PDFAtom> theKey = ParseValue(nullptr);
      if (mTooDeep) break;
      if (!theKey) Take(mStream);
      std::unique_ptr<PDFAtom> theValue = ParseValue(nullptr);
      if (!theValue && !mTooDeep) Take(mStream);
      if (PDFAtom::IsName(theKey.get()) && theValue && !PDFAtom::IsNull(theValue.get()))
        theDict->Set(static_cast<const PDFNameAtom*>(theKey.get())->GetName(), std::move(theValue));
      if (mTooDeep) break;
    }
  }
  if (mTooDeep) return theDict;

  // "stream" after the dictionary makes it a stream's; the keyword is only peeked at here.
  SkipWhitespace(mStream);
  const uint32_t thePosition = mStream.GetPosition();
  char theBuffer[kWordToken];
  const bool theIsStream = ReadToken(mStream, theBuffer) == "stream";
  mStream.SetPosition(thePosition);
  if (!theIsStream) return theDict;
  return ReadStreamData(std::move(theDict), inContext);
}

std::unique_ptr<PDFAtom> PDFParser::ReadStreamData(std::unique_ptr<PDFDictAtom> inDict, PDFSoup* inContext) {
  char theBuffer[kWordToken];
  ReadToken(mStream, theBuffer);
  // The line end after the keyword: CR LF, CR, or any single byte.
  if (Take(mStream) == '\r' && mStream.Peek() == '\n') mStream.Get();
  const uint32_t theStart = mStream.GetPosition();
  const uint32_t theLength = mStream.GetLength();
  const uint32_t theAvailable = theStart < theLength ? theLength - theStart : 0;

  // The Length, through the table when it is a reference. The table may parse other objects from
  // this very stream, so the position is put back afterwards.
  const PDFAtom* theValue = inDict->Get("Length");
  if (PDFAtom::IsRef(theValue)) {
    const uint32_t theID = static_cast<const PDFRefAtom*>(theValue)->GetID();
    theValue = inContext ? inContext->ResolveLength(theID) : nullptr;
    mStream.SetPosition(theStart);
  }
  uint32_t theCount = 0;
  if (PDFAtom::IsNumber(theValue) && static_cast<const PDFNumberAtom*>(theValue)->GetInteger() >= 0) {
    theCount = static_cast<uint32_t>(static_cast<const PDFNumberAtom*>(theValue)->GetInteger());
  } else {
    // No usable length: the data runs to "endstream" (the line end before it included) or to
    // the end of the data.
    theCount = FindForward(mStream, "endstream") ? mStream.GetPosition() - theStart : theAvailable;
    mStream.SetPosition(theStart);
  }
  // A length beyond the data is cut to what is there, before anything is allocated for it.
  theCount = std::min(theCount, theAvailable);

  std::vector<uint8_t> theData(theCount);
  if (theCount > 0) theData.resize(mStream.Read(theData.data(), theCount));
  auto theStream = std::make_unique<PDFStreamAtom>();
  theStream->SetDict(std::move(inDict));
  // The dictionary's Length becomes the count of bytes read, so that the stream stays consistent
  // when it is written.
  theStream->SetData(std::move(theData));

  // Past the line end and "endstream" without looking at them, never beyond the end.
  const uint32_t theEnd = mStream.GetPosition();
  mStream.SetPosition(theEnd < theLength ? std::min(theLength, theEnd + kStreamEndSkip) : theEnd);
  return theStream;
}
