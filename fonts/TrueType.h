// A TrueType font read from a font file (a single font or one font of a collection). The
// registry reads only its names (light load); a document that uses it reads the whole font (full
// load): the metrics of the font descriptor, the advance widths, the character maps that give the
// width of each of the 256 codes, and the kerning pairs. Writing the font into a document makes
// the font file stream (when embedded), the font descriptor and the font dictionary.
//
// Registry fonts are shared by every document of the process: loading is serialised by a lock,
// and a loaded font is only read afterwards.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "fonts/BaseFont.h"

class TrueTypeReader;
class PDFDictAtom;

class TrueType : public BaseFont {
 public:
  // A character map entry: glyph index and its advance width in thousandths.
  struct CharEntry {
    uint16_t glyph = 0;
    int32_t width = 0;
  };
  struct TableEntry {
    uint32_t tag = 0;
    uint32_t checksum = 0;
    uint32_t offset = 0;
    uint32_t length = 0;
  };
  struct HeadTable {
    int32_t version = 0, fontRevision = 0;
    uint32_t checkSumAdjustment = 0, magicNumber = 0;
    uint16_t flags = 0, unitsPerEm = 0;
    int64_t created = 0, modified = 0;
    int16_t xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    uint16_t macStyle = 0, lowestRecPPEM = 0;
    int16_t fontDirectionHint = 0, indexToLocFormat = 0, glyphDataFormat = 0;
  };
  struct HheaTable {
    int32_t version = 0;
    int16_t ascender = 0, descender = 0, lineGap = 0;
    uint16_t advanceWidthMax = 0;
    int16_t minLeftSideBearing = 0, minRightSideBearing = 0, xMaxExtent = 0;
    int16_t caretSlopeRise = 0, caretSlopeRun = 0, caretOffset = 0;
    int16_t reserved[4] = {};
    int16_t metricDataFormat = 0;
    uint16_t numberOfHMetrics = 0;
  };
  struct OS2Table {
    uint16_t version = 0;
    int16_t xAvgCharWidth = 0;
    uint16_t usWeightClass = 0, usWidthClass = 0, fsType = 0;
    int16_t ySubscriptXSize = 0, ySubscriptYSize = 0, ySubscriptXOffset = 0, ySubscriptYOffset = 0;
    int16_t ySuperscriptXSize = 0, ySuperscriptYSize = 0, ySuperscriptXOffset = 0,
            ySuperscriptYOffset = 0;
    int16_t yStrikeoutSize = 0, yStrikeoutPosition = 0, sFamilyClass = 0;
    uint8_t panose[10] = {};
    uint32_t ulUnicodeRange[4] = {};
    uint8_t achVendID[4] = {};
    uint16_t fsSelection = 0, usFirstCharIndex = 0, usLastCharIndex = 0;
    int16_t sTypoAscender = 0, sTypoDescender = 0, sTypoLineGap = 0;
    uint16_t usWinAscent = 0, usWinDescent = 0;
    uint32_t ulCodePageRange1 = 0, ulCodePageRange2 = 0;
    int16_t sxHeight = 0, sCapHeight = 0;
  };
  struct PostTable {
    int32_t format = 0;
    int32_t italicAngle = 0;  // 16.16 fixed
    int16_t underlinePosition = 0, underlineThickness = 0;
    uint32_t isFixedPitch = 0;
    uint32_t minMemType42 = 0, maxMemType42 = 0, minMemType1 = 0, maxMemType1 = 0;
  };

  TrueType() = default;

  // Frees the tables and maps, empties the code pages, clears path, error and both load flags.
  void Reset() override;
  // Reset, then remember the file and the font's position in a collection.
  void SetFile(std::u16string inPath, int32_t inIndex);
  const std::u16string& GetPath() const { return mPath; }
  int32_t GetFontIndex() const { return mFontIndex; }
  int32_t GetFontCount() const { return mFontCount; }
  // "BoldItalic", "Bold", "Italic" or empty; appended to the name in the written font.
  void SetStyle(bool inBold, bool inItalic);

  // Names and counts only; then everything with the encoding. True when the font is usable;
  // otherwise GetError gives the failure text.
  bool LightLoad() { return LoadFile(false); }
  bool Load() override { return LoadFile(true); }
  // The same steps over bytes already in memory (the path is not read).
  bool LoadBytes(std::span<const uint8_t> inData, bool inFull);
  bool IsLoadedFully() const { return mLoadedFully.load(std::memory_order_acquire); }
  // Nonzero when loading failed.
  int32_t GetLoadError() const { return mLoadError; }
  const std::string& GetError() const { return mErrorText; }

  // Marks every code as used and writes the font file (when embedding), descriptor and font
  // dictionary; returns the dictionary's ID, 0 when the font cannot be loaded.
  uint32_t WriteFontObject(PDFDoc& ioDoc, bool inEmbed) override;
  // The same for the codes inFirst to inLast whose flags are set.
  uint32_t WriteWithRange(PDFDoc& ioDoc, int inFirst, int inLast, const std::array<bool, 256>& inUsed,
                          bool inEmbed);
  // The first and last code whose flag is set (255 and 255 when none is).
  static void FirstAndLastUsed(const std::array<bool, 256>& inUsed, int& outFirst, int& outLast);

  // With a name: the width of a Unicode value, without: of one of the font's own codes, 0 when
  // absent. The maps are searched as MapEntry says.
  int32_t WidthOfGlyph(int32_t inCode, const char* inName) const override;
  // The advance width of a glyph: the last entry beyond the table, the first for a negative one.
  int32_t GlyphWidth(int32_t inGlyph) const;
  int32_t Kerning(uint16_t inLeft, uint16_t inRight) const;
  // The glyph of a Unicode value when not symbolic, of one of the font's own codes when symbolic,
  // found as MapEntry says; false when absent.
  bool GlyphForCode(uint16_t inCode, uint16_t& outGlyph) const;
  // The code pages the font declares (bits 0 to 31 of ulCodePageRange1), filled once.
  const std::vector<std::string>& CodePages();
  int32_t ToThousandths(int32_t inValue) const;

  // The font file as it goes into a document: a single font file unchanged, one font of a
  // collection as a standalone TrueType file of its own tables. Empty when it cannot be read.
  std::vector<uint8_t> EmbeddableBytes() const;
  // The same from the bytes of the whole file.
  std::vector<uint8_t> EmbeddableBytes(std::span<const uint8_t> inFile) const;

  const HeadTable& Head() const { return mHead; }
  const HheaTable& Hhea() const { return mHhea; }
  const OS2Table& OS2() const { return mOS2; }
  const PostTable& Post() const { return mPost; }
  const std::vector<TableEntry>& Tables() const { return mTables; }
  const std::vector<int32_t>& GlyphWidths() const { return mGlyphWidths; }
  size_t MacMapSize() const { return mMacMap.size(); }
  size_t UnicodeMapSize() const { return mUnicodeMap.size(); }
  size_t SymbolMapSize() const { return mSymbolMap.size(); }
  bool IsCollection() const { return mIsCollection; }
  const std::string& GetStyle() const { return mStyle; }

 private:
  bool LoadFile(bool inFull);
  void ResetTables();
  bool LoadLocked(std::span<const uint8_t> inData, bool inFull);
  void Parse(TrueTypeReader& ioReader, bool inFull);
  int FindTable(const char (&inTag)[5]) const;
  // Seeks to the table, or fails with inMissing when the font has none.
  void SeekTable(TrueTypeReader& ioReader, const char (&inTag)[5], const char* inMissing) const;
  void ReadNameTable(TrueTypeReader& ioReader);
  std::string ReadNameString(TrueTypeReader& ioReader, uint16_t inPlatform, uint16_t inEncoding,
                             uint32_t inOffset, uint16_t inLength);
  void ReadMetrics(TrueTypeReader& ioReader);
  void ReadWidths(TrueTypeReader& ioReader);
  void ReadCharacterMaps(TrueTypeReader& ioReader);
  void ReadKern(TrueTypeReader& ioReader);
  void ReadMap(TrueTypeReader& ioReader, uint32_t inOffset, std::unordered_map<uint16_t, CharEntry>& outMap,
               bool inFormat4Only);
  void ReadFormat0(TrueTypeReader& ioReader, std::unordered_map<uint16_t, CharEntry>& outMap);
  void ReadFormat4(TrueTypeReader& ioReader, uint32_t inStart, std::unordered_map<uint16_t, CharEntry>& outMap);
  void ReadFormat6(TrueTypeReader& ioReader, std::unordered_map<uint16_t, CharEntry>& outMap);
  void Enter(std::unordered_map<uint16_t, CharEntry>& ioMap, uint16_t inCode, uint16_t inGlyph) const;
  // The map entry of a Unicode value (inUnicode) or of one of the font's own codes. A Unicode
  // value is looked up in the (3, 1) map; a font without one is read the way viewers read it,
  // through its Macintosh map at the value's Mac OS Roman code. An own code is looked up in the
  // Macintosh map; a font without one is read through its (3, 0) symbol map, at 0xF000 plus the
  // code and then at the code itself. Null when the code is absent.
  const CharEntry* MapEntry(uint16_t inCode, bool inUnicode) const;

  uint32_t WriteFontFile(PDFDoc& ioDoc);
  uint32_t WriteDescriptor(PDFDoc& ioDoc, uint32_t inFontFile, const std::string& inName);
  // The name and style as written into a document: every byte that a PDF name cannot hold as it
  // is (outside 33 to 126, delimiters, the number sign) becomes a hyphen, so that a hostile
  // name can neither break nor extend the dictionaries it appears in.
  std::string WrittenName() const;

  std::u16string mPath;
  int32_t mFontIndex = 0;
  int32_t mFontCount = 1;
  bool mIsCollection = false;
  uint32_t mDirectoryOffset = 0;
  int32_t mLoadError = 0;
  std::string mErrorText;
  std::atomic<bool> mLoadedNames{false};
  std::atomic<bool> mLoadedFully{false};
  std::mutex mLoadMutex;
  std::string mStyle;

  std::vector<TableEntry> mTables;
  HeadTable mHead;
  HheaTable mHhea;
  OS2Table mOS2;
  PostTable mPost;
  bool mWidthsRead = false;
  std::vector<int32_t> mGlyphWidths;
  std::unordered_map<uint16_t, CharEntry> mMacMap;
  std::unordered_map<uint16_t, CharEntry> mUnicodeMap;
  // From the (platform 3, encoding 0) subtable of a symbol font.
  std::unordered_map<uint16_t, CharEntry> mSymbolMap;
  std::unordered_map<uint32_t, int32_t> mKerning;
  std::vector<std::string> mCodePages;
  bool mCodePagesFilled = false;
};
