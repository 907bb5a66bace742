#include "fonts/BaseFont.h"

#include <stringapiset.h>

#include "fonts/GlyphList.h"

namespace {
const std::string kEmptyName;
}

BaseFont::BaseFont() { BaseFont::Reset(); }

void BaseFont::Reset() {
  mNames.clear();
  mName.clear();
  mCodePage = kDefaultCodePage;
  mSymbolic = 1;
  for (std::string& theName : mGlyphNames) theName.clear();
  for (int i = 0; i < 256; ++i) mUnicode[i] = mWidths[i] = 0;
  mAscent = kDefaultAscent;
}

const std::string& BaseFont::NameAt(size_t inIndex) const {
  return inIndex < mNames.size() ? mNames[inIndex] : kEmptyName;
}

const std::string& BaseFont::GlyphNameAt(int inCode) const {
  return inCode >= 0 && inCode < 256 ? mGlyphNames[inCode] : kEmptyName;
}

void BaseFont::BuildEncoding() {
  for (int c = 0; c < 256; ++c) {
    if (mSymbolic) {
      mWidths[c] = static_cast<uint16_t>(WidthOfGlyph(c, nullptr));
      continue;
    }
    const char theByte = static_cast<char>(c);
    WCHAR theWide = 0;
    const int theCount =
        MultiByteToWideChar(static_cast<UINT>(mCodePage), MB_PRECOMPOSED, &theByte, 1, &theWide, 1);
    const uint16_t theUnicode = theCount == 1 ? static_cast<uint16_t>(theWide) : uint16_t{63};
    const char* theName = GlyphList::NameOf(theUnicode);
    mGlyphNames[c] = theName ? theName : ".notdef";
    mUnicode[c] = theUnicode;
    mWidths[c] = static_cast<uint16_t>(WidthOfGlyph(theUnicode, mGlyphNames[c].c_str()));
  }
}

uint32_t BaseFont::WriteFontObject(PDFDoc&, bool) { return 0; }

int32_t BaseFont::WidthOfGlyph(int32_t, const char*) const { return 0; }
