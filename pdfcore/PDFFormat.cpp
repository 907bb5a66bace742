#include "pdfcore/PDFFormat.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "runtime/Assert.h"

size_t FormatInteger(int64_t inValue, char* outBuffer) {
  const auto theResult = std::to_chars(outBuffer, outBuffer + 21, inValue);
  return static_cast<size_t>(theResult.ptr - outBuffer);
}

size_t FormatUnsigned(uint64_t inValue, char* outBuffer) {
  const auto theResult = std::to_chars(outBuffer, outBuffer + 21, inValue);
  return static_cast<size_t>(theResult.ptr - outBuffer);
}

size_t FormatFixed6(double inValue, char* outBuffer) {
  if (!std::isfinite(inValue)) inValue = 0.0;
  const auto theResult =
      std::to_chars(outBuffer, outBuffer + kRealTextMax, inValue, std::chars_format::fixed, 6);
  return static_cast<size_t>(theResult.ptr - outBuffer);
}

std::string_view FormatReal(double inValue, std::span<char> outBuffer) {
  // An infinite value becomes "0.0" before trimming, which leaves "0"; not-a-number likewise.
  char theText[kRealTextMax];
  size_t theLength = 0;
  if (std::isfinite(inValue)) {
    const auto theResult =
        std::to_chars(theText, theText + sizeof(theText), inValue, std::chars_format::fixed, 4);
    theLength = static_cast<size_t>(theResult.ptr - theText);
  } else {
    std::memcpy(theText, "0.0", 3);
    theLength = 3;
  }
  // Trailing zeros go, then a trailing point; the first character always stays.
  while (theLength > 1 && theText[theLength - 1] == '0') --theLength;
  if (theLength > 1 && theText[theLength - 1] == '.') --theLength;

  QX_ASSERT(theLength <= outBuffer.size());
  if (theLength > outBuffer.size()) {
    if (outBuffer.empty()) return {};
    outBuffer[0] = '0';
    return {outBuffer.data(), 1};
  }
  std::memcpy(outBuffer.data(), theText, theLength);
  return {outBuffer.data(), theLength};
}

std::string FormatReal(double inValue) {
  char theBuffer[kRealTextMax];
  return std::string(FormatReal(inValue, std::span<char>(theBuffer)));
}
