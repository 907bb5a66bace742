// The TrueType reader and the objects a TrueType font writes: synthetic fonts for the rules,
// hostile and truncated files for the failures, Debian's fonts for real data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "FontTestSupport.h"
#include "TestRoot.h"
#include "fonts/TrueTypeReader.h"
#include "pdfcore/PDFStreamAtom.h"

namespace {

const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* kDejaVuSerifItalic = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Italic.ttf";
const char* kLiberationSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
const char* kLiberationMono = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";
const char* kMicroHei = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
const char* kWingdings = "/usr/share/wine/fonts/wingding.ttf";
const char* kUrwOpenType = "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf";
const char* kNotoCollection = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc";

std::string LoadError(std::vector<uint8_t> inBytes, int32_t inIndex = 0) {
  TrueType theFont;
  theFont.SetFile(u"", inIndex);
  return theFont.LoadBytes(inBytes, true) ? std::string() : theFont.GetError();
}

// Renames a table of the directory of a single font (so that it goes missing).
void RenameTable(std::vector<uint8_t>& ioBytes, const char* inTag, const char* inNewTag) {
  const uint16_t theCount = static_cast<uint16_t>((ioBytes[4] << 8) | ioBytes[5]);
  for (uint16_t i = 0; i < theCount; ++i)
    if (std::memcmp(&ioBytes[12 + 16 * i], inTag, 4) == 0) std::memcpy(&ioBytes[12 + 16 * i], inNewTag, 4);
}

size_t TableOffset(const std::vector<uint8_t>& inBytes, const char* inTag) {
  const uint16_t theCount = static_cast<uint16_t>((inBytes[4] << 8) | inBytes[5]);
  for (uint16_t i = 0; i < theCount; ++i)
    if (std::memcmp(&inBytes[12 + 16 * i], inTag, 4) == 0) {
      const uint8_t* p = &inBytes[12 + 16 * i + 8];
      return (size_t{p[0]} << 24) | (size_t{p[1]} << 16) | (size_t{p[2]} << 8) | p[3];
    }
  return 0;
}

}  // namespace

TEST(TrueTypeReader, FailsPastTheEndOfTheData) {
  const uint8_t theBytes[] = {0x00, 0x01, 0x00};
  TrueTypeReader theReader(theBytes);
  EXPECT_EQ(theReader.U16(), 1);
  try {
    theReader.U16();
    FAIL() << "read past the end";
  } catch (const FontFileError& inError) {
    EXPECT_STREQ(inError.mMessage, "Font file is too short.");
  }
  EXPECT_THROW(theReader.Seek(4), FontFileError);
  EXPECT_NO_THROW(theReader.Seek(3));
  EXPECT_THROW(theReader.Bytes(1), FontFileError);
}

TEST(TrueType, ReadsNamesMetricsMapsAndKerning) {
  auto theFont = FontOf(SeedPath("regular.ttf"));
  ASSERT_TRUE(theFont->LightLoad()) << theFont->GetError();
  EXPECT_EQ(theFont->GetName(), "QxTest-Regular");
  ASSERT_EQ(theFont->NameCount(), 2u);  // the full name of each platform
  EXPECT_EQ(theFont->NameAt(0), "QxTest Regular");
  EXPECT_FALSE(theFont->IsLoadedFully());
  EXPECT_EQ(theFont->GetFontCount(), 1);

  ASSERT_TRUE(theFont->Load()) << theFont->GetError();
  EXPECT_FALSE(theFont->IsSymbolic());
  EXPECT_EQ(theFont->WidthOf('A'), 600);
  EXPECT_EQ(theFont->WidthOf('B'), 700);
  EXPECT_EQ(theFont->WidthOf(0xE9), 450);   // e acute through the Unicode map
  EXPECT_EQ(theFont->WidthOf(0x80), 550);   // the euro sign, U+20AC
  EXPECT_EQ(theFont->WidthOf('Z'), 0);      // not in the map
  EXPECT_EQ(theFont->GlyphNameAt(0x80), "Euro");
  EXPECT_EQ(theFont->Kerning(2, 3), -50);
  EXPECT_EQ(theFont->Kerning(3, 2), -20);
  EXPECT_EQ(theFont->Kerning(2, 2), 0);
  EXPECT_EQ(theFont->GlyphWidth(-1), 500);  // the first entry
  EXPECT_EQ(theFont->GlyphWidth(999), 550);  // the last entry
  uint16_t theGlyph = 0;
  ASSERT_TRUE(theFont->GlyphForCode(0x20AC, theGlyph));
  EXPECT_EQ(theGlyph, 5);
  EXPECT_FALSE(theFont->GlyphForCode('Z', theGlyph));
  EXPECT_EQ(theFont->MacMapSize(), 256u);
  EXPECT_EQ(theFont->CodePages(),
            (std::vector<std::string>{"1252 Latin 1", "932 Japanese, Shift-JIS", "1252 Unknown"}));
}

TEST(TrueType, WritesDescriptorAndFontDictionary) {
  TestRoot theRoot;
  auto theFont = FontOf(SeedPath("regular.ttf"));
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theFont->WriteFontObject(theDoc, false)};
  ASSERT_NE(theWritten.mID, 0u);
  EXPECT_EQ(theDoc.GetSoup().Get(theWritten.mID)->GetType(), kTypeFont);
  PDFDictAtom* theDict = theWritten.Dict();
  EXPECT_EQ(WrittenFont::Name(theDict, "Type"), "Font");
  EXPECT_EQ(WrittenFont::Name(theDict, "Subtype"), "TrueType");
  EXPECT_EQ(WrittenFont::Name(theDict, "BaseFont"), "QxTest-Regular");
  EXPECT_EQ(WrittenFont::Name(theDict, "Encoding"), "WinAnsiEncoding");
  EXPECT_EQ(WrittenFont::Number(theDict, "FirstChar"), 32);
  EXPECT_EQ(WrittenFont::Number(theDict, "LastChar"), 255);
  const std::vector<double> theWidths = WrittenFont::Numbers(theDict, "Widths");
  ASSERT_EQ(theWidths.size(), 224u);
  EXPECT_EQ(theWidths[0], 250);          // space
  EXPECT_EQ(theWidths['A' - 32], 600);
  EXPECT_EQ(theWidths[0xE9 - 32], 450);

  PDFDictAtom* theDescriptor = theWritten.Descriptor();
  ASSERT_NE(theDescriptor, nullptr);
  EXPECT_EQ(WrittenFont::Name(theDescriptor, "Type"), "FontDescriptor");
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "Ascent"), 750);
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "Descent"), -250);
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "CapHeight"), 660);
  EXPECT_EQ(WrittenFont::Numbers(theDescriptor, "FontBBox"), (std::vector<double>{-100, -200, 900, 800}));
  EXPECT_EQ(WrittenFont::Name(theDescriptor, "FontName"), "QxTest-Regular");
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "ItalicAngle"), 0);
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "StemV"), 80);
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "Flags"), 32);
  EXPECT_EQ(theDescriptor->Get("FontFile2"), nullptr);

  // Embedded: the font file stream comes first, with Length1 the file's size, unchanged.
  WrittenFont theEmbedded{&theDoc, theFont->WriteFontObject(theDoc, true)};
  auto* theRef = static_cast<PDFRefAtom*>(theEmbedded.Descriptor()->Get("FontFile2"));
  ASSERT_TRUE(PDFAtom::IsRef(theRef));
  PDFContentObject* theFile = theEmbedded.Object(theRef->GetID());
  EXPECT_EQ(theFile->GetType(), kTypeFontEmbedded);
  auto* theStream = static_cast<PDFStreamAtom*>(theFile->GetAtom());
  const std::vector<uint8_t> theOriginal = ReadBytes(SeedPath("regular.ttf"));
  EXPECT_EQ(WrittenFont::Number(theStream->GetDict(), "Length1"), static_cast<double>(theOriginal.size()));
  EXPECT_TRUE(std::equal(theStream->GetData().begin(), theStream->GetData().end(), theOriginal.begin(),
                         theOriginal.end()));
}

TEST(TrueType, OldOS2WithoutPostAndLargeEm) {
  TestRoot theRoot;
  auto thePlain = FontOf(SeedPath("os2v1-nopost.ttf"));
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, thePlain->WriteFontObject(theDoc, false)};
  ASSERT_NE(theWritten.mID, 0u) << thePlain->GetError();
  EXPECT_EQ(WrittenFont::Number(theWritten.Descriptor(), "CapHeight"), 700);  // 0.7 of the em
  EXPECT_EQ(WrittenFont::Number(theWritten.Descriptor(), "ItalicAngle"), 0);  // upright caret
  EXPECT_EQ(WrittenFont::Number(theWritten.Descriptor(), "Flags"), 32);       // not fixed pitch

  auto theMono = FontOf(SeedPath("em2048.ttf"));
  ASSERT_TRUE(theMono->Load()) << theMono->GetError();
  EXPECT_EQ(theMono->WidthOf('A'), 600);  // 1229 * 1000 / 2048 = 600.09
  EXPECT_EQ(theMono->WidthOf(' '), 250);
  // The Macintosh map of this font is a trimmed table (format 6) from code 32.
  EXPECT_EQ(theMono->WidthOfGlyph('A', nullptr), 600);
  EXPECT_EQ(theMono->WidthOfGlyph(33, nullptr), 600);  // glyph 0
  EXPECT_EQ(theMono->WidthOfGlyph(31, nullptr), 0);    // before the table
}

TEST(TrueType, SymbolicFontHasNoEncodingAndStartsAtZero) {
  TestRoot theRoot;
  auto theFont = FontOf(SeedPath("symbol.ttf"));
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theFont->WriteFontObject(theDoc, false)};
  ASSERT_NE(theWritten.mID, 0u) << theFont->GetError();
  EXPECT_TRUE(theFont->IsSymbolic());
  EXPECT_EQ(theWritten.Dict()->Get("Encoding"), nullptr);
  EXPECT_EQ(WrittenFont::Number(theWritten.Dict(), "FirstChar"), 0);
  EXPECT_EQ(WrittenFont::Numbers(theWritten.Dict(), "Widths").size(), 256u);
  EXPECT_EQ(static_cast<int>(WrittenFont::Number(theWritten.Descriptor(), "Flags")) & 4, 4);
  EXPECT_EQ(theFont->WidthOf('A'), 600);  // through the Macintosh map
}

TEST(TrueType, CollectionFontsAndTheirStandaloneFile) {
  TestRoot theRoot;
  auto theSecond = FontOf(SeedPath("collection.ttc"), 1);
  ASSERT_TRUE(theSecond->Load()) << theSecond->GetError();
  EXPECT_EQ(theSecond->GetFontCount(), 2);
  EXPECT_TRUE(theSecond->IsCollection());
  EXPECT_EQ(theSecond->GetName(), "QxPair-Two");
  EXPECT_EQ(theSecond->WidthOf('A'), 650);

  auto theClamped = FontOf(SeedPath("collection.ttc"), 7);
  ASSERT_TRUE(theClamped->LightLoad());
  EXPECT_EQ(theClamped->GetFontIndex(), 1);
  EXPECT_EQ(theClamped->GetName(), "QxPair-Two");

  // Embedding one font of a collection writes that font alone, as a TrueType file of its own.
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theSecond->WriteFontObject(theDoc, true)};
  auto* theRef = static_cast<PDFRefAtom*>(theWritten.Descriptor()->Get("FontFile2"));
  ASSERT_TRUE(PDFAtom::IsRef(theRef));
  auto* theStream = static_cast<PDFStreamAtom*>(theWritten.Object(theRef->GetID())->GetAtom());
  const std::vector<uint8_t> theBytes(theStream->GetData().begin(), theStream->GetData().end());
  EXPECT_EQ(WrittenFont::Number(theStream->GetDict(), "Length1"), static_cast<double>(theBytes.size()));
  ASSERT_GE(theBytes.size(), 12u);
  EXPECT_EQ(theBytes[0], 0);
  EXPECT_EQ(theBytes[1], 1);
  TrueType theAlone;
  ASSERT_TRUE(theAlone.LoadBytes(theBytes, true)) << theAlone.GetError();
  EXPECT_FALSE(theAlone.IsCollection());
  EXPECT_EQ(theAlone.GetName(), "QxPair-Two");
  EXPECT_EQ(theAlone.WidthOf('A'), 650);
  EXPECT_EQ(theAlone.Kerning(2, 3), -50);
  // The file's checksum adjustment makes the whole file sum to 0xB1B0AFBA.
  uint32_t theSum = 0;
  for (size_t i = 0; i < theBytes.size(); i += 4)
    theSum += (uint32_t{theBytes[i]} << 24) | (uint32_t{theBytes[i + 1]} << 16) | (uint32_t{theBytes[i + 2]} << 8) |
              theBytes[i + 3];
  EXPECT_EQ(theSum, 0xB1B0AFBAu);
}

TEST(TrueType, FailuresCarryTheirMessages) {
  TestRoot theRoot;
  const std::vector<uint8_t> theGood = ReadBytes(SeedPath("regular.ttf"));
  EXPECT_EQ(LoadError(theGood), "");
  EXPECT_EQ(LoadError(ReadBytes(SeedPath("cff.otf"))), "Invalid TTF file.");
  for (const char* theCut : {"truncated-3.ttf", "truncated-11.ttf", "truncated-40.ttf", "truncated-120.ttf",
                             "truncated-438.ttf", "truncated-873.ttf"})
    EXPECT_EQ(LoadError(ReadBytes(SeedPath(theCut))), "Font file is too short.") << theCut;

  const std::pair<const char*, const char*> theTables[] = {
      {"name", "Unable to find name table."}, {"head", "Unable to find head table."},
      {"hhea", "Unable to find hhea table."}, {"OS/2", "Unable to find OS/2 table."},
      {"hmtx", "Unable to find hmtx table."}, {"cmap", "Unable to find cmap table."}};
  for (const auto& [theTag, theMessage] : theTables) {
    std::vector<uint8_t> theBytes = theGood;
    RenameTable(theBytes, theTag, "zzzz");
    EXPECT_EQ(LoadError(theBytes), theMessage) << theTag;
  }
  // A missing post or kern table is no failure.
  for (const char* theTag : {"post", "kern"}) {
    std::vector<uint8_t> theBytes = theGood;
    RenameTable(theBytes, theTag, "zzzz");
    EXPECT_EQ(LoadError(theBytes), "") << theTag;
  }

  // Without a PostScript name record.
  std::vector<uint8_t> theNoName = theGood;
  const size_t theName = TableOffset(theNoName, "name");
  theNoName[theName + 6 + 2 * 12 + 7] = 5;  // the third record's name ID 6 becomes 5
  EXPECT_EQ(LoadError(theNoName), "TrueType font does not contain a PostScript name.");

  // Hostile counts and offsets: a table that lies past the end, a huge hmtx count, a name
  // string past the end, a collection that claims a million fonts, a zero em.
  std::vector<uint8_t> theFar = theGood;
  const size_t theFirstOffset = 12 + 8;
  theFar[theFirstOffset] = 0x7F;
  EXPECT_EQ(LoadError(theFar), "Font file is too short.");
  std::vector<uint8_t> theManyMetrics = theGood;
  const size_t theHhea = TableOffset(theManyMetrics, "hhea");
  theManyMetrics[theHhea + 34] = 0xFF;
  theManyMetrics[theHhea + 35] = 0xFF;
  EXPECT_EQ(LoadError(theManyMetrics), "Font file is too short.");
  std::vector<uint8_t> theLongName = theGood;
  theLongName[theName + 6 + 2 * 12 + 8] = 0xFF;  // the PostScript name's length
  EXPECT_EQ(LoadError(theLongName), "Font file is too short.");
  std::vector<uint8_t> theCollection = ReadBytes(SeedPath("collection.ttc"));
  theCollection[9] = 0x0F;  // count 0x0F000002
  EXPECT_EQ(LoadError(theCollection), "Font file is too short.");
  std::vector<uint8_t> theZeroEm = theGood;
  const size_t theHead = TableOffset(theZeroEm, "head");
  theZeroEm[theHead + 18] = 0;
  theZeroEm[theHead + 19] = 0;
  EXPECT_EQ(LoadError(theZeroEm), "Invalid TTF file.");

  // A missing file reports the mapping's message and the font stays unusable.
  auto theMissing = FontOf(theRoot.Path() + "/none.ttf");
  EXPECT_FALSE(theMissing->Load());
  EXPECT_EQ(theMissing->GetError(), "Unable to read file.");
  PDFDoc theDoc;
  EXPECT_EQ(theMissing->WriteFontObject(theDoc, false), 0u);
}

TEST(TrueTypeSystemFonts, DejaVuAndLiberation) {
  TestRoot theRoot;
  SKIP_UNLESS_FILE(kDejaVu);
  auto theDejaVu = FontOf(kDejaVu);
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theDejaVu->WriteFontObject(theDoc, false)};
  ASSERT_NE(theWritten.mID, 0u) << theDejaVu->GetError();
  EXPECT_EQ(theDejaVu->GetName(), "DejaVuSans");
  EXPECT_EQ(theDejaVu->NameAt(0), "DejaVu Sans");
  EXPECT_EQ(theDejaVu->WidthOf(' '), 317);
  EXPECT_EQ(theDejaVu->WidthOf('H'), 751);
  EXPECT_EQ(theDejaVu->WidthOf(0xE9), 615);
  EXPECT_EQ(theDejaVu->WidthOf(0xDF), 629);
  EXPECT_EQ(theDejaVu->WidthOf(0x80), 636);
  PDFDictAtom* theDescriptor = theWritten.Descriptor();
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "Ascent"), 759);
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "Descent"), -240);
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "CapHeight"), 699);  // OS/2 version 1: 0.7 em
  EXPECT_EQ(WrittenFont::Numbers(theDescriptor, "FontBBox"), (std::vector<double>{-1020, -462, 1793, 1232}));
  EXPECT_EQ(WrittenFont::Number(theDescriptor, "Flags"), 32);
  EXPECT_EQ(WrittenFont::Number(theWritten.Dict(), "FirstChar"), 32);
  EXPECT_EQ(WrittenFont::Numbers(theWritten.Dict(), "Widths").size(), 224u);
  EXPECT_EQ(theDejaVu->CodePages().front(), "1252 Latin 1");

  SKIP_UNLESS_FILE(kLiberationSans);
  auto theSans = FontOf(kLiberationSans);
  ASSERT_TRUE(theSans->Load());
  EXPECT_EQ(theSans->GetName(), "LiberationSans");
  int32_t theHello = 0;
  for (char theChar : std::string("Hello")) theHello += theSans->WidthOf(static_cast<unsigned char>(theChar));
  EXPECT_EQ(theHello, 2278);  // metric-compatible with Helvetica
  EXPECT_EQ(theSans->WidthOf(' '), 277);

  auto theMono = FontOf(kLiberationMono);
  WrittenFont theMonoWritten{&theDoc, theMono->WriteFontObject(theDoc, false)};
  ASSERT_NE(theMonoWritten.mID, 0u);
  EXPECT_EQ(theMono->WidthOf('i'), 600);
  EXPECT_EQ(WrittenFont::Number(theMonoWritten.Descriptor(), "Flags"), 33);  // fixed pitch

  auto theItalic = FontOf(kDejaVuSerifItalic);
  WrittenFont theItalicWritten{&theDoc, theItalic->WriteFontObject(theDoc, false)};
  ASSERT_NE(theItalicWritten.mID, 0u);
  EXPECT_EQ(WrittenFont::Number(theItalicWritten.Descriptor(), "ItalicAngle"), -11);
  EXPECT_EQ(WrittenFont::Number(theItalicWritten.Descriptor(), "Flags"), 96);  // italic style bit
}

TEST(TrueTypeSystemFonts, CollectionSymbolAndOpenType) {
  TestRoot theRoot;
  SKIP_UNLESS_FILE(kMicroHei);
  auto theFirst = FontOf(kMicroHei, 0);
  auto theSecond = FontOf(kMicroHei, 1);
  ASSERT_TRUE(theFirst->Load()) << theFirst->GetError();
  ASSERT_TRUE(theSecond->Load()) << theSecond->GetError();
  EXPECT_EQ(theFirst->GetFontCount(), 2);
  EXPECT_NE(theFirst->GetName(), theSecond->GetName());
  EXPECT_EQ(theSecond->WidthOf('H'), 600);
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theSecond->WriteFontObject(theDoc, true)};
  auto* theRef = static_cast<PDFRefAtom*>(theWritten.Descriptor()->Get("FontFile2"));
  ASSERT_TRUE(PDFAtom::IsRef(theRef));
  auto* theStream = static_cast<PDFStreamAtom*>(theWritten.Object(theRef->GetID())->GetAtom());
  const std::vector<uint8_t> theBytes(theStream->GetData().begin(), theStream->GetData().end());
  EXPECT_LT(theBytes.size(), std::filesystem::file_size(kMicroHei));
  TrueType theAlone;
  ASSERT_TRUE(theAlone.LoadBytes(theBytes, true));
  EXPECT_EQ(theAlone.GetName(), theSecond->GetName());
  EXPECT_EQ(theAlone.WidthOf('H'), 600);

  SKIP_UNLESS_FILE(kWingdings);
  auto theSymbol = FontOf(kWingdings);
  WrittenFont theSymbolWritten{&theDoc, theSymbol->WriteFontObject(theDoc, false)};
  ASSERT_NE(theSymbolWritten.mID, 0u) << theSymbol->GetError();
  EXPECT_EQ(theSymbol->GetName(), "WineWingdings");
  EXPECT_TRUE(theSymbol->IsSymbolic());
  EXPECT_EQ(theSymbolWritten.Dict()->Get("Encoding"), nullptr);
  EXPECT_EQ(WrittenFont::Number(theSymbolWritten.Dict(), "FirstChar"), 0);
  EXPECT_EQ(WrittenFont::Number(theSymbolWritten.Descriptor(), "Flags"), 4);
  EXPECT_EQ(theSymbol->WidthOf(32), 1000);

  SKIP_UNLESS_FILE(kUrwOpenType);
  auto theCff = FontOf(kUrwOpenType);
  EXPECT_FALSE(theCff->LightLoad());
  EXPECT_EQ(theCff->GetError(), "Invalid TTF file.");
  SKIP_UNLESS_FILE(kNotoCollection);
  auto theCffCollection = FontOf(kNotoCollection, 0);
  EXPECT_FALSE(theCffCollection->LightLoad());
  EXPECT_EQ(theCffCollection->GetError(), "Invalid TTF file.");
}

TEST(TrueType, OtherCodePagesWriteDifferencesOfTheUsedCodes) {
  TestRoot theRoot;
  auto theFont = FontOf(SeedPath("regular.ttf"));
  ASSERT_TRUE(theFont->Load());
  std::array<bool, 256> theUsed{};
  int theFirst = 0, theLast = 0;
  TrueType::FirstAndLastUsed(theUsed, theFirst, theLast);
  EXPECT_EQ(theFirst, 255);
  EXPECT_EQ(theLast, 255);
  theUsed['A'] = theUsed['B'] = theUsed['F'] = true;
  TrueType::FirstAndLastUsed(theUsed, theFirst, theLast);
  EXPECT_EQ(theFirst, 'A');
  EXPECT_EQ(theLast, 'F');

  theFont->SetCodePage(1250);
  theFont->SetStyle(true, true);
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theFont->WriteWithRange(theDoc, theFirst, theLast, theUsed, false)};
  ASSERT_NE(theWritten.mID, 0u);
  EXPECT_EQ(WrittenFont::Name(theWritten.Dict(), "BaseFont"), "QxTest-RegularBoldItalic");
  EXPECT_EQ(WrittenFont::Name(theWritten.Descriptor(), "FontName"), "QxTest-RegularBoldItalic");
  auto* theEncoding = static_cast<PDFDictAtom*>(theWritten.Dict()->Get("Encoding"));
  ASSERT_TRUE(PDFAtom::IsDict(theEncoding));
  EXPECT_EQ(WrittenFont::Name(theEncoding, "Type"), "Encoding");
  EXPECT_EQ(theEncoding->Get("Differences")->ToText(), "[ 65 /A /B 70 /F ]");
  EXPECT_EQ(WrittenFont::Numbers(theWritten.Dict(), "Widths"), (std::vector<double>{600, 700, 0, 0, 0, 0}));
}

TEST(TrueType, HostileNamesCannotBreakTheDictionaries) {
  TestRoot theRoot;
  std::vector<uint8_t> theBytes = ReadBytes(SeedPath("regular.ttf"));
  // The PostScript name is the last string: "QxTest-Regular" in UTF-16 becomes "Qx/est Regular".
  const std::u16string thePlain = u"QxTest-Regular";
  std::vector<uint8_t> theWide;
  for (char16_t theChar : thePlain) {
    theWide.push_back(static_cast<uint8_t>(theChar >> 8));
    theWide.push_back(static_cast<uint8_t>(theChar));
  }
  auto theAt = std::find_end(theBytes.begin(), theBytes.end(), theWide.begin(), theWide.end());
  ASSERT_NE(theAt, theBytes.end());
  theAt[2 * 2 + 1] = '/';
  theAt[6 * 2 + 1] = ' ';
  TrueType theFont;
  theFont.SetFile(u"", 0);
  ASSERT_TRUE(theFont.LoadBytes(theBytes, true));
  EXPECT_EQ(theFont.GetName(), "Qx/est Regular");
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theFont.WriteFontObject(theDoc, false)};
  EXPECT_EQ(WrittenFont::Name(theWritten.Dict(), "BaseFont"), "Qx-est-Regular");
  EXPECT_EQ(WrittenFont::Name(theWritten.Descriptor(), "FontName"), "Qx-est-Regular");
}

namespace {

void PutU16At(std::vector<uint8_t>& ioBytes, size_t inAt, uint16_t inValue) {
  ioBytes[inAt] = static_cast<uint8_t>(inValue >> 8);
  ioBytes[inAt + 1] = static_cast<uint8_t>(inValue);
}

// The font descriptor of a font read from bytes and written unembedded.
double DescriptorNumber(const std::vector<uint8_t>& inBytes, const char* inKey) {
  TrueType theFont;
  theFont.SetFile(u"", 0);
  if (!theFont.LoadBytes(inBytes, true)) return -99999;
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theFont.WriteFontObject(theDoc, false)};
  return WrittenFont::Number(theWritten.Descriptor(), inKey);
}

}  // namespace

TEST(TrueType, ItalicAngleFromTheCaretSlopeAndStyleFlags) {
  TestRoot theRoot;
  const std::vector<uint8_t> theGood = ReadBytes(SeedPath("regular.ttf"));
  std::vector<uint8_t> theNoPost = theGood;
  RenameTable(theNoPost, "post", "zzzz");
  const size_t theHhea = TableOffset(theNoPost, "hhea");
  // A caret leaning right (rise 1000, run 213: 12.02 degrees) is a negative angle, as in PDF,
  // and one leaning left a positive one.
  for (const auto& [theRun, theAngle] : {std::pair<int16_t, double>{213, -12.0243}, {-213, 12.0243}, {0, 0.0}}) {
    std::vector<uint8_t> theBytes = theNoPost;
    PutU16At(theBytes, theHhea + 18, 1000);
    PutU16At(theBytes, theHhea + 20, static_cast<uint16_t>(theRun));
    EXPECT_NEAR(DescriptorNumber(theBytes, "ItalicAngle"), theAngle, 0.0001) << theRun;
  }

  // macStyle bit 0 is bold (262144 in Flags), bit 1 italic (64); neither touches the rest.
  const size_t theHead = TableOffset(theGood, "head");
  const std::pair<uint16_t, double> theStyles[] = {{0, 32}, {1, 32 + 262144}, {2, 32 + 64}, {3, 32 + 64 + 262144}};
  for (const auto& [theStyle, theFlags] : theStyles) {
    std::vector<uint8_t> theBytes = theGood;
    PutU16At(theBytes, theHead + 44, theStyle);
    EXPECT_EQ(DescriptorNumber(theBytes, "Flags"), theFlags) << theStyle;
  }
}

TEST(TrueType, HeightsOfAnOldOS2TableStayInSixteenBits) {
  TestRoot theRoot;
  // OS/2 version 1 and 50,000 units per em: 0.7 em is 35,000, beyond a 16-bit height.
  auto theFont = FontOf(SeedPath("os2v1-em50000.ttf"));
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theFont->WriteFontObject(theDoc, false)};
  ASSERT_NE(theWritten.mID, 0u) << theFont->GetError();
  EXPECT_EQ(theFont->OS2().sxHeight, 20000);      // 0.4 em still fits
  EXPECT_EQ(theFont->OS2().sCapHeight, 32767);    // saturated
  EXPECT_EQ(WrittenFont::Number(theWritten.Descriptor(), "CapHeight"), 655);  // 32767 * 1000 / 50000
}

TEST(TrueType, WidthsOfFontsWithoutTheUsualCharacterMap) {
  TestRoot theRoot;
  // The seeds' maps: (1, 0) first, then (3, 1) or (3, 0). A record whose platform is 7 is ignored.
  auto theRecord = [](std::vector<uint8_t>& ioBytes, int inIndex, uint16_t inPlatform, uint16_t inEncoding) {
    const size_t theAt = TableOffset(ioBytes, "cmap") + 4 + 8 * static_cast<size_t>(inIndex);
    PutU16At(ioBytes, theAt, inPlatform);
    PutU16At(ioBytes, theAt + 2, inEncoding);
  };
  auto theLoaded = [](const std::vector<uint8_t>& inBytes) {
    auto theFont = std::make_unique<TrueType>();
    theFont->SetFile(u"", 0);
    EXPECT_TRUE(theFont->LoadBytes(inBytes, true)) << theFont->GetError();
    return theFont;
  };

  // A symbol font with only its (3, 0) map, whose codes lie at 0xF000 plus the byte.
  std::vector<uint8_t> theSymbol = ReadBytes(SeedPath("symbol.ttf"));
  theRecord(theSymbol, 0, 7, 0);
  auto theHigh = theLoaded(theSymbol);
  EXPECT_TRUE(theHigh->IsSymbolic());
  EXPECT_EQ(theHigh->MacMapSize(), 0u);
  EXPECT_EQ(theHigh->WidthOf(' '), 250);
  EXPECT_EQ(theHigh->WidthOf('A'), 600);
  EXPECT_EQ(theHigh->WidthOf('B'), 0);  // not mapped
  uint16_t theGlyph = 0;
  ASSERT_TRUE(theHigh->GlyphForCode('A', theGlyph));
  EXPECT_EQ(theGlyph, 2);

  // A symbol font whose (3, 0) map holds the bytes themselves.
  std::vector<uint8_t> theLow = ReadBytes(SeedPath("regular.ttf"));
  theRecord(theLow, 0, 7, 0);
  theRecord(theLow, 1, 3, 0);
  auto theByteCoded = theLoaded(theLow);
  EXPECT_TRUE(theByteCoded->IsSymbolic());
  EXPECT_EQ(theByteCoded->WidthOf('A'), 600);
  EXPECT_EQ(theByteCoded->WidthOf('B'), 700);
  EXPECT_EQ(theByteCoded->WidthOf(0xE9), 450);

  // With a Macintosh map as well, a symbol font keeps taking its widths from that map.
  auto theBoth = FontOf(SeedPath("symbol.ttf"));
  ASSERT_TRUE(theBoth->Load());
  EXPECT_EQ(theBoth->SymbolMapSize(), 0u);
  EXPECT_EQ(theBoth->WidthOf('B'), 700);

  // A regular font without a (3, 1) map: its Macintosh map, at the Mac OS Roman code of each
  // character, as a viewer finds the glyphs of its WinAnsiEncoding names.
  std::vector<uint8_t> theMacOnly = ReadBytes(SeedPath("regular.ttf"));
  theRecord(theMacOnly, 1, 7, 1);
  auto theMac = theLoaded(theMacOnly);
  EXPECT_FALSE(theMac->IsSymbolic());
  EXPECT_EQ(theMac->UnicodeMapSize(), 0u);
  EXPECT_EQ(theMac->WidthOf(' '), 250);
  EXPECT_EQ(theMac->WidthOf('A'), 600);
  EXPECT_EQ(theMac->WidthOf('B'), 700);
  EXPECT_EQ(theMac->WidthOf(0xE9), 450);  // e acute, Mac OS Roman 0x8E
  EXPECT_EQ(theMac->WidthOf(0x80), 0);    // the euro sign has no MacRomanEncoding name
  ASSERT_TRUE(theMac->GlyphForCode(0xE9, theGlyph));
  EXPECT_EQ(theGlyph, 4);
  PDFDoc theDoc;
  WrittenFont theWritten{&theDoc, theMac->WriteFontObject(theDoc, false)};
  EXPECT_EQ(WrittenFont::Name(theWritten.Dict(), "Encoding"), "WinAnsiEncoding");
  EXPECT_EQ(WrittenFont::Numbers(theWritten.Dict(), "Widths")['A' - 32], 600);
}
