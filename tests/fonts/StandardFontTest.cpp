// The standard fonts, their width tables and the glyph list.
#include <gtest/gtest.h>

#include <string>

#include "TestRoot.h"
#include "fonts/GlyphList.h"
#include "fonts/StandardFont.h"
#include "fonts/StandardFontTables.h"
#include "pdfcore/PDFDoc.h"
#include "pdfcore/PDFObject.h"

namespace {

int32_t Measure(const BaseFont& inFont, const std::string& inText) {
  int32_t theSum = 0;
  for (unsigned char theChar : inText) theSum += inFont.WidthOf(theChar);
  return theSum;
}

}  // namespace

TEST(StandardFont, SelectsByNameWithoutRegardToCase) {
  TestRoot theRoot;
  StandardFont theFont;
  theFont.SelectByName("helvetica-bold");
  EXPECT_EQ(theFont.GetIndex(), 5);
  EXPECT_EQ(theFont.GetName(), "Helvetica-Bold");
  ASSERT_EQ(theFont.NameCount(), 1u);
  EXPECT_EQ(theFont.NameAt(0), "Helvetica-Bold");

  PDFDoc theDoc;
  const uint32_t theID = theFont.WriteFontObject(theDoc, false);
  ASSERT_NE(theID, 0u);
  PDFObject* theObj = theDoc.GetSoup().Get(theID);
  ASSERT_NE(theObj, nullptr);
  EXPECT_EQ(theObj->GetType(), kTypeFont);
  const std::string theText = theObj->DebugText();
  EXPECT_NE(theText.find("/BaseFont /Helvetica-Bold"), std::string::npos) << theText;
  EXPECT_NE(theText.find("/Encoding /WinAnsiEncoding"), std::string::npos);
  EXPECT_NE(theText.find("/Subtype /Type1"), std::string::npos);
  EXPECT_NE(theText.find("/Type /Font"), std::string::npos);

  StandardFont theOther;
  theOther.SelectByName("Garamond");
  EXPECT_EQ(theOther.GetIndex(), 0);
  EXPECT_EQ(theOther.GetName(), "Times-Roman");

  std::string theCanonical;
  EXPECT_EQ(StandardIndexFromName("ZAPFDINGBATS", &theCanonical), 13);
  EXPECT_EQ(theCanonical, "ZapfDingbats");
  EXPECT_EQ(StandardFontName(14), nullptr);
  EXPECT_EQ(StandardFontName(-1), nullptr);
}

TEST(StandardFont, WidthsFollowTheMetricsAndFallBackWhereThereIsNoGlyph) {
  StandardFont theHelvetica;
  theHelvetica.SelectByName("Helvetica");
  EXPECT_EQ(Measure(theHelvetica, "Hello"), 2278);
  EXPECT_EQ(theHelvetica.WidthOf(0xE9), 556);  // e acute
  EXPECT_EQ(theHelvetica.WidthOf(0xA7), 556);  // section sign
  EXPECT_EQ(theHelvetica.WidthOf(128), 546);   // the euro sign of code page 1252: the fallback
  EXPECT_EQ(theHelvetica.WidthOf(0x96), 546);  // en dash in 1252: the fallback too

  StandardFont theTimes;
  theTimes.SelectByName("Times-Roman");
  EXPECT_EQ(theTimes.WidthOf(32), 250);
  EXPECT_EQ(theTimes.WidthOf(160), 517);  // no-break space measures with the fallback
  EXPECT_EQ(theTimes.WidthOf(0xAD), 333);  // soft hyphen
  EXPECT_EQ(theTimes.WidthOf(0xE9), 444);
  EXPECT_EQ(theTimes.WidthOf(0xA7), 500);
  EXPECT_EQ(theTimes.WidthOf(7), 517);

  StandardFont theSymbol;
  theSymbol.SelectByName("Symbol");
  EXPECT_EQ(theSymbol.WidthOf(97), 631);  // alpha at its own code

  // The table of the fourteen: fallback and the widths of space, H, e and o.
  struct Row {
    const char* name;
    int fallback, space, h, e, o;
  };
  const Row theRows[] = {{"Times-Roman", 517, 250, 722, 444, 500},      {"Times-Bold", 541, 250, 778, 444, 500},
                         {"Times-Italic", 514, 250, 722, 444, 500},     {"Times-BoldItalic", 524, 250, 778, 444, 500},
                         {"Helvetica", 546, 278, 722, 556, 556},        {"Helvetica-Bold", 565, 278, 722, 556, 611},
                         {"Helvetica-Oblique", 546, 278, 722, 556, 556}, {"Helvetica-BoldOblique", 565, 278, 722, 556, 611},
                         {"Courier", 600, 600, 600, 600, 600},          {"Courier-Bold", 600, 600, 600, 600, 600},
                         {"Courier-Oblique", 600, 600, 600, 600, 600},  {"Courier-BoldOblique", 600, 600, 600, 600, 600},
                         {"Symbol", 588, 250, 722, 439, 549},           {"ZapfDingbats", 746, 278, 816, 696, 762}};
  for (int i = 0; i < kStandardFontCount; ++i) {
    StandardFont theFont;
    theFont.SelectByIndex(i);
    SCOPED_TRACE(theRows[i].name);
    EXPECT_EQ(theFont.GetName(), theRows[i].name);
    EXPECT_EQ(theFont.GetAscent(), 800);
    EXPECT_EQ(theFont.WidthOf(0), theRows[i].fallback);
    EXPECT_EQ(theFont.WidthOf(' '), theRows[i].space);
    EXPECT_EQ(theFont.WidthOf('H'), theRows[i].h);
    EXPECT_EQ(theFont.WidthOf('e'), theRows[i].e);
    EXPECT_EQ(theFont.WidthOf('o'), theRows[i].o);
  }
}

TEST(StandardFont, IndexOutsideTheTableKeepsTimesWidths) {
  TestRoot theRoot;  // reported as an assertion
  StandardFont theFont;
  theFont.SelectByIndex(20);
  EXPECT_EQ(theFont.GetName(), "");
  EXPECT_EQ(theFont.GetAscent(), 800);
  EXPECT_EQ(theFont.WidthOf(' '), 250);
}

TEST(GlyphList, HoldsTheEditionOf1051SortedByName) {
  ASSERT_EQ(kGlyphListCount, 1051u);
  EXPECT_STREQ(kGlyphList[0].name, "A");
  EXPECT_EQ(kGlyphList[3].unicode, 0xF7E6);
  EXPECT_STREQ(kGlyphList[1050].name, "zeta");
  for (size_t i = 1; i < kGlyphListCount; ++i)
    ASSERT_LE(std::string(kGlyphList[i - 1].name), std::string(kGlyphList[i].name));

  // The reverse index: doubled names answer for both their values.
  EXPECT_STREQ(GlyphList::NameOf(0x0020), "space");
  EXPECT_STREQ(GlyphList::NameOf(0x00A0), "space");
  EXPECT_STREQ(GlyphList::NameOf(0x00AD), "hyphen");
  EXPECT_STREQ(GlyphList::NameOf(0x03BC), "mu");
  EXPECT_STREQ(GlyphList::NameOf(0x20AC), "Euro");
  EXPECT_EQ(GlyphList::NameOf(0x0001), nullptr);
  EXPECT_EQ(GlyphList::NameOf(0x4E00), nullptr);
}

TEST(BaseFont, BuildsTheCodePageEncoding) {
  // A font that is not symbolic maps each 1252 byte to Unicode and its glyph name.
  struct Probe : BaseFont {
    Probe() { mSymbolic = 0; }
    int32_t WidthOfGlyph(int32_t inUnicode, const char* inName) const override {
      return inName && std::string(inName) == ".notdef" ? 0 : inUnicode;
    }
  };
  Probe theFont;
  theFont.BuildEncoding();
  EXPECT_EQ(theFont.GlyphNameAt(0x80), "Euro");
  EXPECT_EQ(theFont.UnicodeAt(0x80), 0x20AC);
  EXPECT_EQ(theFont.WidthOf(0x80), 0x20AC);
  EXPECT_EQ(theFont.GlyphNameAt(0xE9), "eacute");
  EXPECT_EQ(theFont.GlyphNameAt(0xA0), "space");
  EXPECT_EQ(theFont.GlyphNameAt(5), ".notdef");
  EXPECT_EQ(theFont.WidthOf(5), 0);
  EXPECT_EQ(theFont.GlyphNameAt(32), "space");
}
