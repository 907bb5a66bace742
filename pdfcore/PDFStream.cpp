#include "pdfcore/PDFStream.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <windows.h>

#include "pdfcore/PDFFormat.h"
#include "runtime/Assert.h"

void PDFStream::Format(const char* inFormat, ...) {
  if (inFormat == nullptr) return;
  const size_t theFormatLength = std::strlen(inFormat);
  if (theFormatLength >= kUnformattedLength) {
    // Long texts are written as they are: a "%" inside them is an ordinary byte.
    Write(inFormat, static_cast<uint32_t>(theFormatLength));
    return;
  }
  char theBuffer[kFormatLimit];
  va_list theArguments;
  va_start(theArguments, inFormat);
  const int theLength = std::vsnprintf(theBuffer, sizeof(theBuffer), inFormat, theArguments);
  va_end(theArguments);
  if (theLength <= 0) return;
  // The result is cut at the limit, as the fixed-size formatting buffer cuts it.
  const uint32_t theCount =
      theLength < static_cast<int>(kFormatLimit) ? static_cast<uint32_t>(theLength) : kFormatLimit - 1;
  Write(theBuffer, theCount);
}

int PDFStream::Peek() {
  const uint32_t thePosition = GetPosition();
  const int theByte = Get();
  SetPosition(thePosition);
  return theByte;
}

int PDFStream::Get() {
  uint8_t theByte = 0;
  return Read(&theByte, 1) == 1 ? theByte : -1;
}

bool PDFStream::Put(uint8_t inByte) { return Write(&inByte, 1); }

const uint8_t* PDFStream::GetData() {
  QX_ASSERT(FALSE);
  return nullptr;
}

void PDFStream::Skip(int32_t inCount) {
  SetPosition(GetPosition() + static_cast<uint32_t>(inCount));
}

uint32_t PDFStream::Read(void*, uint32_t) {
  QX_ASSERT(FALSE);
  return 0;
}

bool PDFStream::WriteText(std::string_view inText) {
  return Write(inText.data(), static_cast<uint32_t>(inText.size()));
}

bool PDFStream::WriteInteger(int64_t inValue) {
  char theBuffer[24];
  return Write(theBuffer, static_cast<uint32_t>(FormatInteger(inValue, theBuffer)));
}

bool PDFStream::WriteUnsigned(uint64_t inValue) {
  char theBuffer[24];
  return Write(theBuffer, static_cast<uint32_t>(FormatUnsigned(inValue, theBuffer)));
}

bool PDFStream::WritePadded(uint64_t inValue, unsigned inWidth) {
  char theDigits[24];
  const size_t theLength = FormatUnsigned(inValue, theDigits);
  if (inWidth > 20) inWidth = 20;
  if (theLength >= inWidth) return Write(theDigits, static_cast<uint32_t>(theLength));
  char theBuffer[24];
  const size_t thePad = inWidth - theLength;
  std::memset(theBuffer, '0', thePad);
  std::memcpy(theBuffer + thePad, theDigits, theLength);
  return Write(theBuffer, inWidth);
}

bool PDFStream::WriteReal(double inValue) {
  char theBuffer[kRealTextMax];
  return Write(theBuffer, static_cast<uint32_t>(FormatFixed6(inValue, theBuffer)));
}
