#include "QxText.h"

namespace qx {

std::string ToUtf8(std::u16string_view inText) {
  std::string theResult;
  theResult.reserve(inText.size());
  for (size_t i = 0; i < inText.size(); ++i) {
    uint32_t theCode = inText[i];
    if (theCode >= 0xD800 && theCode <= 0xDBFF && i + 1 < inText.size() && inText[i + 1] >= 0xDC00 &&
        inText[i + 1] <= 0xDFFF) {
      theCode = 0x10000 + ((theCode - 0xD800) << 10) + (inText[i + 1] - 0xDC00);
      ++i;
    } else if (theCode >= 0xD800 && theCode <= 0xDFFF) {
      theCode = 0xFFFD;  // a lone surrogate
    }
    if (theCode < 0x80) {
      theResult.push_back(static_cast<char>(theCode));
    } else if (theCode < 0x800) {
      theResult.push_back(static_cast<char>(0xC0 | (theCode >> 6)));
      theResult.push_back(static_cast<char>(0x80 | (theCode & 0x3F)));
    } else if (theCode < 0x10000) {
      theResult.push_back(static_cast<char>(0xE0 | (theCode >> 12)));
      theResult.push_back(static_cast<char>(0x80 | ((theCode >> 6) & 0x3F)));
      theResult.push_back(static_cast<char>(0x80 | (theCode & 0x3F)));
    } else {
      theResult.push_back(static_cast<char>(0xF0 | (theCode >> 18)));
      theResult.push_back(static_cast<char>(0x80 | ((theCode >> 12) & 0x3F)));
      theResult.push_back(static_cast<char>(0x80 | ((theCode >> 6) & 0x3F)));
      theResult.push_back(static_cast<char>(0x80 | (theCode & 0x3F)));
    }
  }
  return theResult;
}

std::u16string ToUtf16(std::string_view inText) {
  std::u16string theResult;
  theResult.reserve(inText.size());
  size_t i = 0;
  while (i < inText.size()) {
    const unsigned char theLead = static_cast<unsigned char>(inText[i]);
    uint32_t theCode = 0xFFFD;
    size_t theLength = 1;
    if (theLead < 0x80) {
      theCode = theLead;
    } else if (theLead >= 0xC2 && theLead <= 0xF4) {
      theLength = theLead < 0xE0 ? 2 : theLead < 0xF0 ? 3 : 4;
      if (i + theLength <= inText.size()) {
        uint32_t theValue = theLead & (0x7F >> theLength);
        bool theValid = true;
        for (size_t k = 1; k < theLength; ++k) {
          const unsigned char theNext = static_cast<unsigned char>(inText[i + k]);
          if ((theNext & 0xC0) != 0x80) {
            theValid = false;
            theLength = k;
            break;
          }
          theValue = (theValue << 6) | (theNext & 0x3F);
        }
        const uint32_t theMin = theLength == 2 ? 0x80 : theLength == 3 ? 0x800 : 0x10000;
        if (theValid && theValue >= theMin && theValue <= 0x10FFFF && !(theValue >= 0xD800 && theValue <= 0xDFFF))
          theCode = theValue;
      } else {
        theLength = 1;
      }
    }
    if (theCode >= 0x10000) {
      theCode -= 0x10000;
      theResult.push_back(static_cast<char16_t>(0xD800 + (theCode >> 10)));
      theResult.push_back(static_cast<char16_t>(0xDC00 + (theCode & 0x3FF)));
    } else {
      theResult.push_back(static_cast<char16_t>(theCode));
    }
    i += theLength;
  }
  return theResult;
}

namespace {
char16_t Fold(char16_t inChar) {
  if ((inChar >= u'A' && inChar <= u'Z') || (inChar >= 0xC0 && inChar <= 0xDE && inChar != 0xD7))
    return static_cast<char16_t>(inChar + 32);
  return inChar;
}
}  // namespace

bool EqualsNoCase(std::u16string_view inA, std::u16string_view inB) {
  if (inA.size() != inB.size()) return false;
  for (size_t i = 0; i < inA.size(); ++i)
    if (Fold(inA[i]) != Fold(inB[i])) return false;
  return true;
}

BSTR AllocBstr(std::u16string_view inText) {
  return SysAllocStringLen(inText.data(), static_cast<UINT>(inText.size()));
}

}  // namespace qx
