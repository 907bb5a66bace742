// TrueType fonts as a viewer draws them: text set in a font whose character maps were rewritten,
// and in the members of a collection, rendered by pdftoppm and compared pixel by pixel with text
// set in a font whose glyphs are known. Wrong widths put glyphs on top of each other; a wrong
// font file draws other glyphs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "pdfcore/PDFStreamAtom.h"

#include "FontTestSupport.h"
#include "RenderSupport.h"
#include "TestRoot.h"

namespace {

using rendertest::DifferentPixels;
using rendertest::RenderText;

const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* kMicroHei = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

void PutU16(std::vector<uint8_t>& ioBytes, uint16_t inValue) {
  ioBytes.push_back(static_cast<uint8_t>(inValue >> 8));
  ioBytes.push_back(static_cast<uint8_t>(inValue));
}

void PutU32(std::vector<uint8_t>& ioBytes, uint32_t inValue) {
  PutU16(ioBytes, static_cast<uint16_t>(inValue >> 16));
  PutU16(ioBytes, static_cast<uint16_t>(inValue));
}

// A format 4 subtable with one segment for each code.
std::vector<uint8_t> Format4(const std::map<uint16_t, uint16_t>& inGlyphs) {
  std::vector<uint16_t> theEnds, theDeltas;
  for (const auto& [theCode, theGlyph] : inGlyphs) {
    theEnds.push_back(theCode);
    theDeltas.push_back(static_cast<uint16_t>(theGlyph - theCode));
  }
  theEnds.push_back(0xFFFF);
  theDeltas.push_back(1);
  const auto theSegments = static_cast<uint16_t>(theEnds.size());
  std::vector<uint8_t> theBytes;
  PutU16(theBytes, 4);
  PutU16(theBytes, static_cast<uint16_t>(16 + 8 * theSegments));
  PutU16(theBytes, 0);  // language
  PutU16(theBytes, static_cast<uint16_t>(2 * theSegments));
  for (int i = 0; i < 3; ++i) PutU16(theBytes, 0);  // search fields, unused by readers of small tables
  for (uint16_t theEnd : theEnds) PutU16(theBytes, theEnd);
  PutU16(theBytes, 0);
  for (uint16_t theStart : theEnds) PutU16(theBytes, theStart);
  for (uint16_t theDelta : theDeltas) PutU16(theBytes, theDelta);
  for (uint16_t i = 0; i < theSegments; ++i) PutU16(theBytes, 0);
  return theBytes;
}

// A format 6 subtable of the codes 0 to 255.
std::vector<uint8_t> Format6(const std::map<uint16_t, uint16_t>& inGlyphs) {
  std::vector<uint8_t> theBytes;
  for (uint16_t theValue : {6, 10 + 2 * 256, 0, 0, 256}) PutU16(theBytes, theValue);
  for (uint16_t theCode = 0; theCode < 256; ++theCode) {
    const auto theFound = inGlyphs.find(theCode);
    PutU16(theBytes, theFound == inGlyphs.end() ? 0 : theFound->second);
  }
  return theBytes;
}

// The font with its character map replaced by one subtable (platform, encoding): the new map is
// appended and the directory points to it.
std::vector<uint8_t> WithOnlyMap(std::vector<uint8_t> inFont, uint16_t inPlatform, uint16_t inEncoding,
                                 const std::vector<uint8_t>& inSubtable) {
  std::vector<uint8_t> theMap;
  for (uint16_t theValue : {uint16_t{0}, uint16_t{1}, inPlatform, inEncoding}) PutU16(theMap, theValue);
  PutU32(theMap, 12);
  theMap.insert(theMap.end(), inSubtable.begin(), inSubtable.end());
  inFont.resize((inFont.size() + 3) & ~size_t{3}, 0);
  const auto theOffset = static_cast<uint32_t>(inFont.size());
  inFont.insert(inFont.end(), theMap.begin(), theMap.end());
  const uint16_t theCount = static_cast<uint16_t>((inFont[4] << 8) | inFont[5]);
  for (uint16_t i = 0; i < theCount; ++i) {
    const size_t theEntry = 12 + 16 * size_t{i};
    if (std::memcmp(&inFont[theEntry], "cmap", 4) != 0) continue;
    std::vector<uint8_t> theFields;
    PutU32(theFields, theOffset);
    PutU32(theFields, static_cast<uint32_t>(theMap.size()));
    std::copy(theFields.begin(), theFields.end(), inFont.begin() + static_cast<std::ptrdiff_t>(theEntry + 8));
  }
  return inFont;
}

std::unique_ptr<TrueType> LoadFrom(const std::vector<uint8_t>& inBytes, const std::string& inName) {
  const std::string thePath = rendertest::Scratch(inName + ".ttf");
  pdftest::WriteFile(thePath, std::string(inBytes.begin(), inBytes.end()));
  auto theFont = FontOf(thePath);
  EXPECT_TRUE(theFont->Load()) << inName << ": " << theFont->GetError();
  return theFont;
}

}  // namespace

// Text set in a font with only a symbol map, or only a Macintosh map, must look exactly like the
// same text set in the original font: same glyphs at the same places.
TEST(TrueTypeRender, FontsWithoutAUnicodeMapDrawTheirText) {
  TestRoot theRoot;
  SKIP_UNLESS_FILE(kDejaVu);
  auto theOriginal = FontOf(kDejaVu);
  ASSERT_TRUE(theOriginal->Load()) << theOriginal->GetError();
  // The glyph of each code-page 1252 byte and of each Mac OS Roman code the text needs.
  std::map<uint16_t, uint16_t> theByByte, theBySymbol, theByMac;
  for (int theCode = 32; theCode < 256; ++theCode) {
    uint16_t theGlyph = 0;
    if (!theOriginal->GlyphForCode(theOriginal->UnicodeAt(theCode), theGlyph)) continue;
    theByByte[static_cast<uint16_t>(theCode)] = theGlyph;
    theBySymbol[static_cast<uint16_t>(0xF000 + theCode)] = theGlyph;
    if (theCode < 127) theByMac[static_cast<uint16_t>(theCode)] = theGlyph;
  }
  for (const auto& [theMacCode, theUnicode] : {std::pair<uint16_t, char16_t>{0x8A, u'\u00E4'}, {0x8E, u'\u00E9'},
                                               {0x9F, u'\u00FC'}}) {
    uint16_t theGlyph = 0;
    ASSERT_TRUE(theOriginal->GlyphForCode(theUnicode, theGlyph));
    theByMac[theMacCode] = theGlyph;
  }

  const std::u16string theText = u"Hello, World: caf\u00E9 B\u00E4r M\u00FCll!";
  auto theReference = RenderText(*theOriginal, true, theText, 24, "map-reference");
  EXPECT_EQ(theReference.qpdf, "");
  ASSERT_GT(theReference.image.Ink(), 800) << "no text drawn";

  const std::vector<uint8_t> theBytes = ReadBytes(kDejaVu);
  struct Case {
    const char* name;
    std::vector<uint8_t> font;
    bool symbolic;
  };
  const Case theCases[] = {
      {"map-symbol-f000", WithOnlyMap(theBytes, 3, 0, Format4(theBySymbol)), true},
      {"map-symbol-bytes", WithOnlyMap(theBytes, 3, 0, Format4(theByByte)), true},
      {"map-mac-only", WithOnlyMap(theBytes, 1, 0, Format6(theByMac)), false},
  };
  for (const Case& theCase : theCases) {
    SCOPED_TRACE(theCase.name);
    auto theFont = LoadFrom(theCase.font, theCase.name);
    EXPECT_EQ(theFont->IsSymbolic(), theCase.symbolic);
    for (char16_t theChar : theText) {
      const int theByte = theChar < 0x100 ? theChar : 0;
      EXPECT_EQ(theFont->WidthOf(theByte), theOriginal->WidthOf(theByte)) << static_cast<int>(theChar);
    }
    auto theRendering = RenderText(*theFont, true, theText, 24, theCase.name);
    EXPECT_EQ(theRendering.qpdf, "");
    EXPECT_LE(DifferentPixels(theRendering.image, theReference.image), 20);
  }
}

// Each member of a TrueType collection draws its own glyphs: the two members of WenQuanYi Micro
// Hei share their outlines but map Latin letters to different ones (proportional and fixed
// pitch). The standalone font written for a member must draw what the viewer draws from the
// whole collection file when that member is the collection's first font, and the two members
// must look different.
TEST(TrueTypeRender, CollectionMembersDrawTheirOwnGlyphs) {
  TestRoot theRoot;
  SKIP_UNLESS_FILE(kMicroHei);
  const std::vector<uint8_t> theCollection = ReadBytes(kMicroHei);
  ASSERT_GT(theCollection.size(), 20u);
  const std::u16string theText = u"Wig mm";
  rendertest::GrayImage theEmbedded[2];
  for (int32_t theIndex = 0; theIndex < 2; ++theIndex) {
    SCOPED_TRACE(theIndex);
    auto theFont = FontOf(kMicroHei, theIndex);
    ASSERT_TRUE(theFont->Load()) << theFont->GetError();
    ASSERT_EQ(theFont->GetFontCount(), 2);
    const std::string theName = "collection-" + std::to_string(theIndex);
    auto theOwn = RenderText(*theFont, true, theText, 48, theName);
    EXPECT_EQ(theOwn.qpdf, "");
    ASSERT_GT(theOwn.image.Ink(), 800) << "no text drawn";
    theEmbedded[theIndex] = theOwn.image;

    // The same document with the whole collection as the font file, its two directory offsets
    // swapped for the second member, so that the viewer's first font is this member.
    std::vector<uint8_t> theWhole = theCollection;
    if (theIndex == 1) std::swap_ranges(theWhole.begin() + 12, theWhole.begin() + 16, theWhole.begin() + 16);
    auto theSwapIn = [&theWhole](const WrittenFont& inWritten) {
      auto* theRef = static_cast<PDFRefAtom*>(inWritten.Descriptor()->Get("FontFile2"));
      auto* theStream = static_cast<PDFStreamAtom*>(inWritten.Object(theRef->GetID())->GetAtom());
      theStream->GetDict()->SetInteger("Length1", static_cast<int32_t>(theWhole.size()));
      theStream->SetData(std::move(theWhole));
    };
    auto theOracle = RenderText(*theFont, true, theText, 48, theName + "-whole", theSwapIn);
    EXPECT_EQ(theOracle.qpdf, "");
    EXPECT_LE(DifferentPixels(theOwn.image, theOracle.image), 20);
  }
  EXPECT_GT(DifferentPixels(theEmbedded[0], theEmbedded[1]), 300);
}
