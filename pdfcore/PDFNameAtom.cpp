#include "pdfcore/PDFNameAtom.h"

#include <cstdint>

#include "pdfcore/PDFStream.h"
#include "runtime/Assert.h"

void PDFNameAtom::SetName(std::string_view inName) {
  QX_ASSERT(inName.empty() || inName.front() != '/');
  if (!inName.empty() && inName.front() == '/') inName.remove_prefix(1);
  mName.assign(inName.substr(0, inName.find('\0')));
  mEscaped = false;
}

void PDFNameAtom::SetBytes(std::string_view inBytes) {
  mName.assign(inBytes);
  mEscaped = true;
}

bool PDFNameAtom::IsRegular(uint8_t inByte) {
  if (inByte < 0x21 || inByte > 0x7E) return false;
  return std::string_view("()<>[]{}/%#").find(static_cast<char>(inByte)) == std::string_view::npos;
}

void PDFNameAtom::WriteEscaped(PDFStream& ioStream, std::string_view inName) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char theBuffer[512];
  size_t theUsed = 0;
  theBuffer[theUsed++] = '/';
  for (const char theChar : inName) {
    const auto theByte = static_cast<uint8_t>(theChar);
    if (IsRegular(theByte)) {
      theBuffer[theUsed++] = theChar;
    } else {
      theBuffer[theUsed++] = '#';
      theBuffer[theUsed++] = kHex[theByte >> 4];
      theBuffer[theUsed++] = kHex[theByte & 15];
    }
    if (theUsed > sizeof(theBuffer) - 4) {
      ioStream.Write(theBuffer, static_cast<uint32_t>(theUsed));
      theUsed = 0;
    }
  }
  ioStream.Write(theBuffer, static_cast<uint32_t>(theUsed));
}

void PDFNameAtom::WriteNested(PDFStream& ioStream, int) const {
  if (mEscaped) {
    WriteEscaped(ioStream, mName);
    return;
  }
  ioStream.Put('/');
  ioStream.WriteText(mName);
}

std::unique_ptr<PDFAtom> PDFNameAtom::CloneNested(int) const {
  auto theCopy = std::make_unique<PDFNameAtom>();
  theCopy->mName = mName;
  theCopy->mEscaped = mEscaped;
  return theCopy;
}
