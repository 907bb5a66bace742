// UTF conversion and case folding for registry and event log names.
#include "StoreText.h"

#include <cstdint>

namespace qxstore {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& ioOut, char32_t inCode) {
  if (inCode < 0x80) {
    ioOut.push_back(static_cast<char>(inCode));
  } else if (inCode < 0x800) {
    ioOut.push_back(static_cast<char>(0xC0 | (inCode >> 6)));
    ioOut.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
  } else if (inCode < 0x10000) {
    ioOut.push_back(static_cast<char>(0xE0 | (inCode >> 12)));
    ioOut.push_back(static_cast<char>(0x80 | ((inCode >> 6) & 0x3F)));
    ioOut.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
  } else {
    ioOut.push_back(static_cast<char>(0xF0 | (inCode >> 18)));
    ioOut.push_back(static_cast<char>(0x80 | ((inCode >> 12) & 0x3F)));
    ioOut.push_back(static_cast<char>(0x80 | ((inCode >> 6) & 0x3F)));
    ioOut.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
  }
}

void AppendUtf16(std::u16string& ioOut, char32_t inCode) {
  if (inCode < 0x10000) {
    ioOut.push_back(static_cast<char16_t>(inCode));
  } else {
    const char32_t theOffset = inCode - 0x10000;
    ioOut.push_back(static_cast<char16_t>(0xD800 + (theOffset >> 10)));
    ioOut.push_back(static_cast<char16_t>(0xDC00 + (theOffset & 0x3FF)));
  }
}

// Upper case of one UTF-16 unit for the scripts registry names are written in.
char16_t UpperCase(char16_t inChar) {
  if (inChar < 0x80) {
    return (inChar >= u'a' && inChar <= u'z') ? static_cast<char16_t>(inChar - 0x20) : inChar;
  }
  if (inChar >= 0xE0 && inChar <= 0xFE && inChar != 0xF7) {
    return static_cast<char16_t>(inChar - 0x20);
  }
  if (inChar == 0xFF) {
    return 0x178;
  }
  if (inChar >= 0x100 && inChar <= 0x17F) {
    // Latin Extended-A pairs letters as upper/lower; the pairing flips parity in two runs.
    const bool theOddRun = (inChar >= 0x139 && inChar <= 0x148) || (inChar >= 0x179 && inChar <= 0x17E);
    if (inChar == 0x131 || inChar == 0x138 || inChar == 0x149 || inChar == 0x17F) {
      return inChar;
    }
    if (theOddRun) {
      return (inChar % 2 == 0) ? static_cast<char16_t>(inChar - 1) : inChar;
    }
    if (inChar >= 0x178) {
      return inChar;
    }
    return (inChar % 2 == 1) ? static_cast<char16_t>(inChar - 1) : inChar;
  }
  if (inChar >= 0x3B1 && inChar <= 0x3CB && inChar != 0x3C2) {
    return static_cast<char16_t>(inChar - 0x20);
  }
  if (inChar == 0x3C2) {
    return 0x3A3;  // final sigma
  }
  if (inChar >= 0x430 && inChar <= 0x44F) {
    return static_cast<char16_t>(inChar - 0x20);
  }
  if (inChar >= 0x450 && inChar <= 0x45F) {
    return static_cast<char16_t>(inChar - 0x50);
  }
  return inChar;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view inText) {
  std::string theOut;
  theOut.reserve(inText.size());
  for (size_t theIndex = 0; theIndex < inText.size(); ++theIndex) {
    const char16_t theUnit = inText[theIndex];
    if (theUnit >= 0xD800 && theUnit <= 0xDBFF && theIndex + 1 < inText.size() &&
        inText[theIndex + 1] >= 0xDC00 && inText[theIndex + 1] <= 0xDFFF) {
      const char32_t theCode =
          0x10000 + ((static_cast<char32_t>(theUnit) - 0xD800) << 10) + (inText[theIndex + 1] - 0xDC00);
      AppendUtf8(theOut, theCode);
      ++theIndex;
    } else if (theUnit >= 0xD800 && theUnit <= 0xDFFF) {
      AppendUtf8(theOut, kReplacement);
    } else {
      AppendUtf8(theOut, theUnit);
    }
  }
  return theOut;
}

std::u16string Utf8ToUtf16(std::string_view inText) {
  std::u16string theOut;
  theOut.reserve(inText.size());
  size_t theIndex = 0;
  while (theIndex < inText.size()) {
    const auto theLead = static_cast<uint8_t>(inText[theIndex]);
    size_t theLength = 0;
    char32_t theCode = 0;
    char32_t theMinimum = 0;
    if (theLead < 0x80) {
      theOut.push_back(theLead);
      ++theIndex;
      continue;
    } else if (theLead >= 0xC2 && theLead <= 0xDF) {
      theLength = 2;
      theCode = theLead & 0x1F;
      theMinimum = 0x80;
    } else if (theLead >= 0xE0 && theLead <= 0xEF) {
      theLength = 3;
      theCode = theLead & 0x0F;
      theMinimum = 0x800;
    } else if (theLead >= 0xF0 && theLead <= 0xF4) {
      theLength = 4;
      theCode = theLead & 0x07;
      theMinimum = 0x10000;
    }
    bool theValid = theLength != 0 && theIndex + theLength <= inText.size();
    for (size_t theTrail = 1; theValid && theTrail < theLength; ++theTrail) {
      const auto theByte = static_cast<uint8_t>(inText[theIndex + theTrail]);
      if ((theByte & 0xC0) != 0x80) {
        theValid = false;
      } else {
        theCode = (theCode << 6) | (theByte & 0x3F);
      }
    }
    if (theValid && (theCode < theMinimum || theCode > 0x10FFFF || (theCode >= 0xD800 && theCode <= 0xDFFF))) {
      theValid = false;
    }
    if (theValid) {
      AppendUtf16(theOut, theCode);
      theIndex += theLength;
    } else {
      theOut.push_back(static_cast<char16_t>(kReplacement));
      ++theIndex;
    }
  }
  return theOut;
}

std::string FoldName(std::u16string_view inName) {
  std::u16string theUpper;
  theUpper.reserve(inName.size());
  for (const char16_t theChar : inName) {
    theUpper.push_back(UpperCase(theChar));
  }
  return Utf16ToUtf8(theUpper);
}

std::u16string_view WideView(const char16_t* inText) {
  return inText == nullptr ? std::u16string_view() : std::u16string_view(inText);
}

}  // namespace qxstore
