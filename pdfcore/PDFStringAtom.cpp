#include "pdfcore/PDFStringAtom.h"

#include <array>

#include "pdfcore/PDFStream.h"

namespace {

// How each byte is written: 0 unchanged, 1 a backslash and a letter or itself, 2 octal.
constexpr std::array<uint8_t, 256> MakeEscapeTable() {
  std::array<uint8_t, 256> theTable{};
  for (int i = 0; i < 256; ++i) theTable[i] = 2;
  for (int i = 'A'; i <= 'Z'; ++i) theTable[i] = 0;
  for (int i = 'a'; i <= 'z'; ++i) theTable[i] = 0;
  for (int i = '0'; i <= '9'; ++i) theTable[i] = 0;
  for (const char c : std::string_view(" !\"#$&'*+,-./:;=?@")) theTable[static_cast<uint8_t>(c)] = 0;
  for (const char c : std::string_view("\b\t\n\f\r()\\")) theTable[static_cast<uint8_t>(c)] = 1;
  return theTable;
}

constexpr std::array<uint8_t, 256> kEscape = MakeEscapeTable();

char EscapeLetter(uint8_t inByte) {
  switch (inByte) {
    case '\b': return 'b';
    case '\t': return 't';
    case '\n': return 'n';
    case '\f': return 'f';
    case '\r': return 'r';
    default: return static_cast<char>(inByte);  // ( ) and the backslash stand for themselves
  }
}

}  // namespace

void PDFStringAtom::SetText(std::string_view inText) {
  const size_t theZero = inText.find('\0');
  mText.assign(inText.substr(0, theZero));
}

void PDFStringAtom::WriteNested(PDFStream& ioStream, int) const {
  // The bytes since the last mark are counted from the "(" on; once more than 100 lie between
  // the mark and the position, a continuation (backslash CR LF) follows and the mark moves past it.
  char theBuffer[512];
  size_t theUsed = 0;
  theBuffer[theUsed++] = '(';
  uint32_t theSinceMark = 1;
  for (const char theChar : mText) {
    const uint8_t theByte = static_cast<uint8_t>(theChar);
    switch (kEscape[theByte]) {
      case 0:
        theBuffer[theUsed++] = theChar;
        theSinceMark += 1;
        break;
      case 1:
        theBuffer[theUsed++] = '\\';
        theBuffer[theUsed++] = EscapeLetter(theByte);
        theSinceMark += 2;
        break;
      default:
        theBuffer[theUsed++] = '\\';
        theBuffer[theUsed++] = static_cast<char>('0' + ((theByte >> 6) & 7));
        theBuffer[theUsed++] = static_cast<char>('0' + ((theByte >> 3) & 7));
        theBuffer[theUsed++] = static_cast<char>('0' + (theByte & 7));
        theSinceMark += 4;
        break;
    }
    if (theSinceMark > kContinuationSpan) {
      theBuffer[theUsed++] = '\\';
      theBuffer[theUsed++] = '\r';
      theBuffer[theUsed++] = '\n';
      theSinceMark = 0;
    }
    if (theUsed > sizeof(theBuffer) - 16) {
      ioStream.Write(theBuffer, static_cast<uint32_t>(theUsed));
      theUsed = 0;
    }
  }
  theBuffer[theUsed++] = ')';
  ioStream.Write(theBuffer, static_cast<uint32_t>(theUsed));
}

std::unique_ptr<PDFAtom> PDFStringAtom::CloneNested(int) const {
  auto theCopy = std::make_unique<PDFStringAtom>();
  theCopy->mText = mText;
  return theCopy;
}
