#include "fonts/TrueType.h"

#include <stringapiset.h>

#include <cmath>
#include <cstring>

#include "fonts/TrueTypeReader.h"
#include "runtime/Assert.h"
#include "runtime/MappedFile.h"

namespace {

constexpr const char* kInvalidFile = "Invalid TTF file.";
constexpr uint32_t kCollectionTag = 0x74746366;  // "ttcf"
constexpr uint32_t kTrueTypeVersion = 0x00010000;
// A format 4 subtable enters at most this many codes; overlapping segments of a hostile file
// cannot make the reader loop longer.
constexpr uint32_t kMaxFormat4Codes = 2 * 65536;

constexpr uint32_t Tag(const char (&inTag)[5]) {
  return (uint32_t{static_cast<uint8_t>(inTag[0])} << 24) | (uint32_t{static_cast<uint8_t>(inTag[1])} << 16) |
         (uint32_t{static_cast<uint8_t>(inTag[2])} << 8) | uint32_t{static_cast<uint8_t>(inTag[3])};
}

const char* CodePageText(int inBit) {
  switch (inBit) {
    case 0: return "1252 Latin 1";
    case 1: return "1250 Latin 2: Eastern Europe";
    case 2: return "1251 Cyrillic";
    case 3: return "1253 Greek";
    case 4: return "1254 Turkish";
    case 5: return "1255 Hebrew";
    case 6: return "1256 Arabic";
    case 7: return "1257 Baltic";
    case 8: return "1258 VietNam";
    case 16: return "874 Thai";
    case 17: return "932 Japanese, Shift-JIS";
    case 18: return "936 Chinese: Simplified chars-PRC and Singapore";
    case 19: return "949 Korean Unified Hangeul Code (Hangeul TongHabHyung Code)";
    case 20: return "950 Chinese: Traditional chars-Hong Kong SAR, PRC and Taiwan";
    case 21: return "1361 Korean (Johab)";
    default: return "1252 Unknown";
  }
}

// The Unicode values of the Mac OS Roman codes 0x80 to 0xFF as PDF's MacRomanEncoding names them
// (0xDB is the currency sign there), by which viewers find a glyph in a font's Macintosh map.
constexpr uint16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x00A4, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

// The Mac OS Roman code of a Unicode value; false when the character set has none.
bool MacRomanCode(uint16_t inUnicode, uint16_t& outCode) {
  if (inUnicode < 0x80) {
    outCode = inUnicode;
    return true;
  }
  for (uint16_t i = 0; i < 128; ++i)
    if (kMacRomanHigh[i] == inUnicode) {
      outCode = static_cast<uint16_t>(0x80 + i);
      return true;
    }
  return false;
}

// trunc(inValue) as a signed 16-bit font unit: values beyond the range stay at its ends.
int16_t TruncTo16(double inValue) {
  const double theValue = std::trunc(inValue);
  if (theValue >= INT16_MAX) return INT16_MAX;
  if (theValue <= INT16_MIN) return INT16_MIN;
  return static_cast<int16_t>(theValue);
}

void PutU16(std::vector<uint8_t>& ioBytes, size_t inAt, uint32_t inValue) {
  ioBytes[inAt] = static_cast<uint8_t>(inValue >> 8);
  ioBytes[inAt + 1] = static_cast<uint8_t>(inValue);
}

void PutU32(std::vector<uint8_t>& ioBytes, size_t inAt, uint32_t inValue) {
  PutU16(ioBytes, inAt, inValue >> 16);
  PutU16(ioBytes, inAt + 2, inValue & 0xFFFF);
}

uint32_t CheckSum(const std::vector<uint8_t>& inBytes, size_t inStart, size_t inLength) {
  uint32_t theSum = 0;
  for (size_t i = 0; i < inLength; i += 4) {
    uint32_t theWord = 0;
    for (size_t j = 0; j < 4; ++j)
      theWord = (theWord << 8) | (i + j < inLength ? inBytes[inStart + i + j] : 0);
    theSum += theWord;
  }
  return theSum;
}

}  // namespace

void TrueType::ResetTables() {
  mFontCount = 1;
  mIsCollection = false;
  mDirectoryOffset = 0;
  mTables.clear();
  mHead = {};
  mHhea = {};
  mOS2 = {};
  mPost = {};
  mWidthsRead = false;
  mGlyphWidths.clear();
  mMacMap.clear();
  mUnicodeMap.clear();
  mSymbolMap.clear();
  mKerning.clear();
}

void TrueType::Reset() {
  BaseFont::Reset();
  ResetTables();
  mCodePages.clear();
  mCodePagesFilled = false;
  mPath.clear();
  mFontIndex = 0;
  mLoadError = 0;
  mErrorText.clear();
  mLoadedNames.store(false);
  mLoadedFully.store(false);
  mStyle.clear();
}

void TrueType::SetFile(std::u16string inPath, int32_t inIndex) {
  Reset();
  mPath = std::move(inPath);
  mFontIndex = inIndex;
}

void TrueType::SetStyle(bool inBold, bool inItalic) {
  mStyle = inBold && inItalic ? "BoldItalic" : inBold ? "Bold" : inItalic ? "Italic" : "";
}

bool TrueType::LoadFile(bool inFull) {
  std::lock_guard<std::mutex> theLock(mLoadMutex);
  if (mLoadError) return false;
  if (mLoadedFully.load() || (!inFull && mLoadedNames.load())) return true;
  MappedFile theFile;
  if (!theFile.Open(reinterpret_cast<const WCHAR*>(mPath.c_str()))) {
    mLoadError = 1;
    mErrorText = theFile.GetMessage();
    return false;
  }
  return LoadLocked(theFile.GetBytes(), inFull);
}

bool TrueType::LoadBytes(std::span<const uint8_t> inData, bool inFull) {
  std::lock_guard<std::mutex> theLock(mLoadMutex);
  if (mLoadError) return false;
  if (mLoadedFully.load() || (!inFull && mLoadedNames.load())) return true;
  return LoadLocked(inData, inFull);
}

bool TrueType::LoadLocked(std::span<const uint8_t> inData, bool inFull) {
  try {
    TrueTypeReader theReader(inData);
    Parse(theReader, inFull);
    mLoadedNames.store(true);
    if (inFull) {
      BuildEncoding();
      mLoadedFully.store(true, std::memory_order_release);
    }
    return true;
  } catch (const FontFileError& inError) {
    mLoadError = 1;
    mErrorText = inError.mMessage;
  } catch (const std::bad_alloc&) {
    mLoadError = 1;
    mErrorText = "Not enough memory to read the font.";
  }
  return false;
}

void TrueType::Parse(TrueTypeReader& ioReader, bool inFull) {
  if (!mLoadedNames.load()) {
    ResetTables();
    mNames.clear();
    mName.clear();
    ioReader.Seek(0);
    const uint32_t theTag = ioReader.U32();
    if (theTag == kCollectionTag) {
      mIsCollection = true;
      ioReader.Skip(4);
      const uint32_t theCount = ioReader.U32();
      if (theCount == 0) throw FontFileError{kInvalidFile};
      // Every font of the collection has its offset here: a count the file cannot hold is false.
      ioReader.Require(uint64_t{theCount} * 4);
      mFontCount = static_cast<int32_t>(theCount);
      if (mFontIndex < 0) mFontIndex = 0;
      if (mFontIndex > mFontCount - 1) mFontIndex = mFontCount - 1;
      ioReader.Skip(uint64_t(mFontIndex) * 4);
      mDirectoryOffset = ioReader.U32();
    } else {
      mFontCount = 1;
      mDirectoryOffset = 0;
    }
    ioReader.Seek(mDirectoryOffset);
    if (ioReader.U32() != kTrueTypeVersion) throw FontFileError{kInvalidFile};
    const uint16_t theTableCount = ioReader.U16();
    ioReader.Skip(6);
    ioReader.Require(uint64_t{theTableCount} * 16);
    mTables.resize(theTableCount);
    for (TableEntry& theEntry : mTables) {
      theEntry.tag = ioReader.U32();
      theEntry.checksum = ioReader.U32();
      theEntry.offset = ioReader.U32();
      theEntry.length = ioReader.U32();
    }
    ReadNameTable(ioReader);
  }
  if (inFull) {
    ReadMetrics(ioReader);
    ReadWidths(ioReader);
    ReadCharacterMaps(ioReader);
    ReadKern(ioReader);
  }
}

int TrueType::FindTable(const char (&inTag)[5]) const {
  const uint32_t theTag = Tag(inTag);
  for (size_t i = 0; i < mTables.size(); ++i)
    if (mTables[i].tag == theTag) return static_cast<int>(i);
  return -1;
}

void TrueType::SeekTable(TrueTypeReader& ioReader, const char (&inTag)[5], const char* inMissing) const {
  const int theIndex = FindTable(inTag);
  if (theIndex < 0) throw FontFileError{inMissing};
  ioReader.Seek(mTables[static_cast<size_t>(theIndex)].offset);
}

void TrueType::ReadNameTable(TrueTypeReader& ioReader) {
  SeekTable(ioReader, "name", "Unable to find name table.");
  const uint32_t theBase = ioReader.Tell();
  ioReader.Skip(2);
  const uint16_t theCount = ioReader.U16();
  const uint16_t theStorage = ioReader.U16();
  ioReader.Require(uint32_t{theCount} * 12);
  for (uint16_t i = 0; i < theCount; ++i) {
    const uint16_t thePlatform = ioReader.U16();
    const uint16_t theEncoding = ioReader.U16();
    ioReader.Skip(2);  // language
    const uint16_t theNameID = ioReader.U16();
    const uint16_t theLength = ioReader.U16();
    const uint16_t theOffset = ioReader.U16();
    if (theNameID != 4 && !(theNameID == 6 && mName.empty())) continue;
    const uint32_t theRecordEnd = ioReader.Tell();
    std::string theText =
        ReadNameString(ioReader, thePlatform, theEncoding, theBase + theStorage + theOffset, theLength);
    ioReader.Seek(theRecordEnd);
    if (theText.empty()) continue;
    if (theNameID == 4)
      mNames.push_back(std::move(theText));
    else
      mName = std::move(theText);
  }
  if (mName.empty()) throw FontFileError{"TrueType font does not contain a PostScript name."};
  if (mNames.empty()) mNames.push_back(mName);
}

std::string TrueType::ReadNameString(TrueTypeReader& ioReader, uint16_t inPlatform, uint16_t inEncoding,
                                     uint32_t inOffset, uint16_t inLength) {
  ioReader.Seek(inOffset);
  const std::span<const uint8_t> theBytes = ioReader.Bytes(inLength);
  const bool theWide = inPlatform == 0 || inPlatform == 3 || (inPlatform == 2 && inEncoding == 1);
  if (!theWide) return std::string(reinterpret_cast<const char*>(theBytes.data()), theBytes.size());
  std::u16string theUnits(theBytes.size() / 2, u'\0');
  for (size_t i = 0; i < theUnits.size(); ++i)
    theUnits[i] = static_cast<char16_t>((theBytes[2 * i] << 8) | theBytes[2 * i + 1]);
  if (theUnits.empty()) return {};
  const int theSize = static_cast<int>(theUnits.size());
  std::string theText(theUnits.size() * 2, '\0');
  const int theWritten = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWCH>(theUnits.data()), theSize,
                                             theText.data(), static_cast<int>(theText.size()), nullptr, nullptr);
  theText.resize(theWritten > 0 ? static_cast<size_t>(theWritten) : 0);
  return theText;
}

void TrueType::ReadMetrics(TrueTypeReader& ioReader) {
  SeekTable(ioReader, "head", "Unable to find head table.");
  mHead.version = ioReader.S32();
  mHead.fontRevision = ioReader.S32();
  mHead.checkSumAdjustment = ioReader.U32();
  mHead.magicNumber = ioReader.U32();
  mHead.flags = ioReader.U16();
  mHead.unitsPerEm = ioReader.U16();
  mHead.created = static_cast<int64_t>((uint64_t{ioReader.U32()} << 32) | ioReader.U32());
  mHead.modified = static_cast<int64_t>((uint64_t{ioReader.U32()} << 32) | ioReader.U32());
  mHead.xMin = ioReader.S16();
  mHead.yMin = ioReader.S16();
  mHead.xMax = ioReader.S16();
  mHead.yMax = ioReader.S16();
  mHead.macStyle = ioReader.U16();
  mHead.lowestRecPPEM = ioReader.U16();
  mHead.fontDirectionHint = ioReader.S16();
  mHead.indexToLocFormat = ioReader.S16();
  mHead.glyphDataFormat = ioReader.S16();
  // Every size of the font is divided by the em size: a font without one has no sizes.
  if (mHead.unitsPerEm == 0) throw FontFileError{kInvalidFile};

  SeekTable(ioReader, "hhea", "Unable to find hhea table.");
  mHhea.version = ioReader.S32();
  mHhea.ascender = ioReader.S16();
  mHhea.descender = ioReader.S16();
  mHhea.lineGap = ioReader.S16();
  mHhea.advanceWidthMax = ioReader.U16();
  mHhea.minLeftSideBearing = ioReader.S16();
  mHhea.minRightSideBearing = ioReader.S16();
  mHhea.xMaxExtent = ioReader.S16();
  mHhea.caretSlopeRise = ioReader.S16();
  mHhea.caretSlopeRun = ioReader.S16();
  mHhea.caretOffset = ioReader.S16();
  for (int16_t& theReserved : mHhea.reserved) theReserved = ioReader.S16();
  mHhea.metricDataFormat = ioReader.S16();
  mHhea.numberOfHMetrics = ioReader.U16();

  SeekTable(ioReader, "OS/2", "Unable to find OS/2 table.");
  OS2Table& o = mOS2;
  o.version = ioReader.U16();
  o.xAvgCharWidth = ioReader.S16();
  o.usWeightClass = ioReader.U16();
  o.usWidthClass = ioReader.U16();
  o.fsType = ioReader.U16();
  o.ySubscriptXSize = ioReader.S16();
  o.ySubscriptYSize = ioReader.S16();
  o.ySubscriptXOffset = ioReader.S16();
  o.ySubscriptYOffset = ioReader.S16();
  o.ySuperscriptXSize = ioReader.S16();
  o.ySuperscriptYSize = ioReader.S16();
  o.ySuperscriptXOffset = ioReader.S16();
  o.ySuperscriptYOffset = ioReader.S16();
  o.yStrikeoutSize = ioReader.S16();
  o.yStrikeoutPosition = ioReader.S16();
  o.sFamilyClass = ioReader.S16();
  std::memcpy(o.panose, ioReader.Bytes(10).data(), 10);
  for (uint32_t& theRange : o.ulUnicodeRange) theRange = ioReader.U32();
  std::memcpy(o.achVendID, ioReader.Bytes(4).data(), 4);
  o.fsSelection = ioReader.U16();
  o.usFirstCharIndex = ioReader.U16();
  o.usLastCharIndex = ioReader.U16();
  o.sTypoAscender = ioReader.S16();
  o.sTypoDescender = ioReader.S16();
  o.sTypoLineGap = ioReader.S16();
  o.usWinAscent = ioReader.U16();
  o.usWinDescent = ioReader.U16();
  // The code page ranges came with version 1, the x and cap heights with version 2; older
  // tables end before them.
  if (o.version >= 1) {
    o.ulCodePageRange1 = ioReader.U32();
    o.ulCodePageRange2 = ioReader.U32();
  }
  if (o.version >= 2) {
    o.sxHeight = ioReader.S16();
    o.sCapHeight = ioReader.S16();
  } else {
    // 0.7 of an em of 46,812 units or more is beyond a 16-bit height: it stays at the top.
    o.sxHeight = TruncTo16(mHead.unitsPerEm * 0.4);
    o.sCapHeight = TruncTo16(mHead.unitsPerEm * 0.7);
  }

  if (FindTable("post") >= 0) {
    SeekTable(ioReader, "post", "");
    mPost.format = ioReader.S32();
    mPost.italicAngle = ioReader.S32();
    mPost.underlinePosition = ioReader.S16();
    mPost.underlineThickness = ioReader.S16();
    mPost.isFixedPitch = ioReader.U32();
    mPost.minMemType42 = ioReader.U32();
    mPost.maxMemType42 = ioReader.U32();
    mPost.minMemType1 = ioReader.U32();
    mPost.maxMemType1 = ioReader.U32();
  } else {
    mPost = {};
    const double theAngle = std::atan2(double(mHhea.caretSlopeRun), double(mHhea.caretSlopeRise)) *
                            -57.295827908797776;
    const double theWhole = std::floor(theAngle);
    const auto theFraction = static_cast<uint32_t>((theAngle - theWhole) * 65535.0);
    mPost.italicAngle = static_cast<int32_t>((static_cast<uint32_t>(static_cast<int32_t>(theWhole)) << 16) |
                                             (theFraction & 0xFFFF));
  }
}

void TrueType::ReadWidths(TrueTypeReader& ioReader) {
  SeekTable(ioReader, "hmtx", "Unable to find hmtx table.");
  const uint16_t theCount = mHhea.numberOfHMetrics;
  ioReader.Require(uint32_t{theCount} * 4);
  mGlyphWidths.clear();
  mGlyphWidths.reserve(theCount);
  for (uint16_t i = 0; i < theCount; ++i) {
    mGlyphWidths.push_back(ToThousandths(ioReader.U16()));
    ioReader.Skip(2);
  }
  mWidthsRead = true;
}

void TrueType::ReadCharacterMaps(TrueTypeReader& ioReader) {
  SeekTable(ioReader, "cmap", "Unable to find cmap table.");
  const uint32_t theBase = ioReader.Tell();
  ioReader.Skip(2);
  const uint16_t theCount = ioReader.U16();
  ioReader.Require(uint32_t{theCount} * 8);
  mSymbolic = 0;
  bool theHasUnicode = false, theHasMac = false;
  uint64_t theUnicode = 0, theMac = 0, theSymbol = 0;
  for (uint16_t i = 0; i < theCount; ++i) {
    const uint16_t thePlatform = ioReader.U16();
    const uint16_t theEncoding = ioReader.U16();
    const uint32_t theOffset = ioReader.U32();
    if (thePlatform == 3 && theEncoding == 0 && !mSymbolic) {
      mSymbolic = 1;
      theSymbol = uint64_t{theBase} + theOffset;
    }
    if (thePlatform == 3 && theEncoding == 1) {
      theHasUnicode = true;
      theUnicode = uint64_t{theBase} + theOffset;
    }
    if (thePlatform == 1 && theEncoding == 0) {
      theHasMac = true;
      theMac = uint64_t{theBase} + theOffset;
    }
  }
  auto theOffsetOf = [](uint64_t inOffset) { return static_cast<uint32_t>(std::min<uint64_t>(inOffset, UINT32_MAX)); };
  if (theHasMac) ReadMap(ioReader, theOffsetOf(theMac), mMacMap, false);
  if (theHasUnicode) ReadMap(ioReader, theOffsetOf(theUnicode), mUnicodeMap, true);
  // A symbol font without a (usable) Macintosh map finds its codes in its symbol map.
  if (mSymbolic && mMacMap.empty()) ReadMap(ioReader, theOffsetOf(theSymbol), mSymbolMap, false);
}

void TrueType::ReadMap(TrueTypeReader& ioReader, uint32_t inOffset, std::unordered_map<uint16_t, CharEntry>& outMap,
                       bool inFormat4Only) {
  ioReader.Seek(inOffset);
  const uint16_t theFormat = ioReader.U16();
  if (theFormat == 4)
    ReadFormat4(ioReader, inOffset, outMap);
  else if (inFormat4Only)
    return;
  else if (theFormat == 0)
    ReadFormat0(ioReader, outMap);
  else if (theFormat == 6)
    ReadFormat6(ioReader, outMap);
}

void TrueType::Enter(std::unordered_map<uint16_t, CharEntry>& ioMap, uint16_t inCode, uint16_t inGlyph) const {
  ioMap[inCode] = CharEntry{inGlyph, GlyphWidth(inGlyph)};
}

void TrueType::ReadFormat0(TrueTypeReader& ioReader, std::unordered_map<uint16_t, CharEntry>& outMap) {
  ioReader.Skip(4);  // length, language
  const std::span<const uint8_t> theGlyphs = ioReader.Bytes(256);
  for (uint16_t c = 0; c < 256; ++c) Enter(outMap, c, theGlyphs[c]);
}

void TrueType::ReadFormat6(TrueTypeReader& ioReader, std::unordered_map<uint16_t, CharEntry>& outMap) {
  ioReader.Skip(4);  // length, language
  const uint16_t theFirst = ioReader.U16();
  const uint16_t theCount = ioReader.U16();
  ioReader.Require(uint32_t{theCount} * 2);
  for (uint32_t i = 0; i < theCount; ++i) {
    const uint16_t theGlyph = ioReader.U16();
    if (theFirst + i <= 0xFFFF) Enter(outMap, static_cast<uint16_t>(theFirst + i), theGlyph);
  }
}

void TrueType::ReadFormat4(TrueTypeReader& ioReader, uint32_t inStart, std::unordered_map<uint16_t, CharEntry>& outMap) {
  const uint16_t theLength = ioReader.U16();
  ioReader.Skip(2);  // language
  const uint16_t theSegCount = ioReader.U16() / 2;
  ioReader.Skip(6);
  const uint32_t theArrays = ioReader.Tell();
  // End codes, pad, start codes, deltas and range offsets must all lie in the file.
  ioReader.Require(uint32_t{theSegCount} * 8 + 2);
  const uint32_t theEnds = theArrays;
  const uint32_t theStarts = theEnds + theSegCount * 2u + 2u;
  const uint32_t theDeltas = theStarts + theSegCount * 2u;
  const uint32_t theRangeOffsets = theDeltas + theSegCount * 2u;
  const uint32_t theGlyphArray = theRangeOffsets + theSegCount * 2u;
  // The glyph index array is the rest of the subtable, and never more than the rest of the file.
  uint64_t theEnd = uint64_t{inStart} + theLength;
  if (theEnd > ioReader.Size() || theEnd < theGlyphArray) theEnd = ioReader.Size();
  const uint32_t theGlyphCount = static_cast<uint32_t>((theEnd - theGlyphArray) / 2);
  auto theWord = [&ioReader](uint32_t inAt) {
    ioReader.Seek(inAt);
    return ioReader.U16();
  };
  uint32_t theEntered = 0;
  for (uint32_t s = 0; s < theSegCount && theEntered < kMaxFormat4Codes; ++s) {
    const uint16_t theEndCode = theWord(theEnds + 2 * s);
    const uint16_t theStartCode = theWord(theStarts + 2 * s);
    const uint16_t theDelta = theWord(theDeltas + 2 * s);
    const uint16_t theRangeOffset = theWord(theRangeOffsets + 2 * s);
    for (uint32_t c = theStartCode; c <= theEndCode && theEntered < kMaxFormat4Codes; ++c) {
      if (c == 0xFFFF) break;
      ++theEntered;
      uint16_t theGlyph = 0;
      if (theRangeOffset == 0) {
        theGlyph = static_cast<uint16_t>(c + theDelta);
      } else {
        const int64_t theIndex = int64_t{s} + theRangeOffset / 2 + (int64_t{c} - theStartCode) - theSegCount;
        if (theIndex < 0 || theIndex >= theGlyphCount) continue;  // points outside the array
        theGlyph = theWord(theGlyphArray + static_cast<uint32_t>(theIndex) * 2);
        if (theGlyph != 0) theGlyph = static_cast<uint16_t>(theGlyph + theDelta);
      }
      Enter(outMap, static_cast<uint16_t>(c), theGlyph);
    }
  }
}

void TrueType::ReadKern(TrueTypeReader& ioReader) {
  if (FindTable("kern") < 0) return;
  SeekTable(ioReader, "kern", "");
  ioReader.Skip(2);  // version
  const uint16_t theTables = ioReader.U16();
  for (uint16_t t = 0; t < theTables; ++t) {
    const uint32_t theStart = ioReader.Tell();
    ioReader.Skip(2);  // version
    const uint16_t theLength = ioReader.U16();
    const uint16_t theCoverage = ioReader.U16();
    uint64_t theNext = uint64_t{theStart} + theLength;
    if ((theCoverage & ~uint16_t{8}) == 1) {
      const uint16_t thePairs = ioReader.U16();
      ioReader.Skip(6);
      ioReader.Require(uint32_t{thePairs} * 6);
      for (uint16_t p = 0; p < thePairs; ++p) {
        const uint32_t theLeft = ioReader.U16();
        const uint32_t theRight = ioReader.U16();
        mKerning[(theLeft << 16) | theRight] = ToThousandths(ioReader.S16());
      }
      // A long table may carry a length cut to 16 bits: go on after its pairs at least.
      if (theNext < ioReader.Tell()) theNext = ioReader.Tell();
    } else if (theLength < 6) {
      break;  // no way to find the next subtable
    }
    ioReader.Seek(theNext);
  }
}

int32_t TrueType::ToThousandths(int32_t inValue) const {
  if (mHead.unitsPerEm == 0) return 0;
  return static_cast<int32_t>(int64_t{inValue} * 1000 / mHead.unitsPerEm);
}

int32_t TrueType::GlyphWidth(int32_t inGlyph) const {
  QX_ASSERT(mWidthsRead);
  if (mGlyphWidths.empty()) return 0;
  if (inGlyph < 0) return mGlyphWidths.front();
  if (static_cast<size_t>(inGlyph) >= mGlyphWidths.size()) return mGlyphWidths.back();
  return mGlyphWidths[static_cast<size_t>(inGlyph)];
}

int32_t TrueType::Kerning(uint16_t inLeft, uint16_t inRight) const {
  const auto theFound = mKerning.find((uint32_t{inLeft} << 16) | inRight);
  return theFound == mKerning.end() ? 0 : theFound->second;
}

const TrueType::CharEntry* TrueType::MapEntry(uint16_t inCode, bool inUnicode) const {
  auto theFind = [](const std::unordered_map<uint16_t, CharEntry>& inMap, uint16_t inKey) -> const CharEntry* {
    const auto theFound = inMap.find(inKey);
    return theFound == inMap.end() ? nullptr : &theFound->second;
  };
  if (inUnicode) {
    if (!mUnicodeMap.empty()) return theFind(mUnicodeMap, inCode);
    uint16_t theMacCode = 0;
    return MacRomanCode(inCode, theMacCode) ? theFind(mMacMap, theMacCode) : nullptr;
  }
  if (!mMacMap.empty()) return theFind(mMacMap, inCode);
  if (inCode > 0xFF) return theFind(mSymbolMap, inCode);
  const CharEntry* theEntry = theFind(mSymbolMap, static_cast<uint16_t>(0xF000 + inCode));
  return theEntry ? theEntry : theFind(mSymbolMap, inCode);
}

int32_t TrueType::WidthOfGlyph(int32_t inCode, const char* inName) const {
  if (inCode < 0 || inCode > 0xFFFF) return 0;
  const CharEntry* theEntry = MapEntry(static_cast<uint16_t>(inCode), inName != nullptr);
  return theEntry ? theEntry->width : 0;
}

bool TrueType::GlyphForCode(uint16_t inCode, uint16_t& outGlyph) const {
  const CharEntry* theEntry = MapEntry(inCode, !mSymbolic);
  if (theEntry == nullptr) return false;
  outGlyph = theEntry->glyph;
  return true;
}

const std::vector<std::string>& TrueType::CodePages() {
  std::lock_guard<std::mutex> theLock(mLoadMutex);
  if (!mCodePagesFilled) {
    for (int i = 0; i < 32; ++i)
      if (mOS2.ulCodePageRange1 & (uint32_t{1} << i)) mCodePages.emplace_back(CodePageText(i));
    mCodePagesFilled = true;
  }
  return mCodePages;
}

void TrueType::FirstAndLastUsed(const std::array<bool, 256>& inUsed, int& outFirst, int& outLast) {
  outFirst = outLast = 255;
  int theFirst = -1;
  for (int c = 0; c < 256; ++c) {
    if (!inUsed[static_cast<size_t>(c)]) continue;
    if (theFirst < 0) theFirst = c;
    outLast = c;
  }
  if (theFirst >= 0) outFirst = theFirst;
}

std::vector<uint8_t> TrueType::EmbeddableBytes() const {
  MappedFile theFile;
  if (!theFile.Open(reinterpret_cast<const WCHAR*>(mPath.c_str()))) return {};
  return EmbeddableBytes(theFile.GetBytes());
}

std::vector<uint8_t> TrueType::EmbeddableBytes(std::span<const uint8_t> inFile) const {
  if (!mIsCollection) return std::vector<uint8_t>(inFile.begin(), inFile.end());
  // One font of a collection: its tables under a fresh directory, each on a 4-byte boundary.
  const size_t theCount = mTables.size();
  size_t theSize = 12 + 16 * theCount;
  for (const TableEntry& theEntry : mTables) {
    if (uint64_t{theEntry.offset} + theEntry.length > inFile.size()) return {};
    theSize += (size_t{theEntry.length} + 3) & ~size_t{3};
  }
  std::vector<uint8_t> theBytes(theSize, 0);
  PutU32(theBytes, 0, kTrueTypeVersion);
  PutU16(theBytes, 4, static_cast<uint32_t>(theCount));
  uint32_t thePower = 1, theLog = 0;
  while (thePower * 2 <= theCount) {
    thePower *= 2;
    ++theLog;
  }
  PutU16(theBytes, 6, thePower * 16);
  PutU16(theBytes, 8, theLog);
  PutU16(theBytes, 10, static_cast<uint32_t>(theCount * 16 - thePower * 16));
  size_t theAt = 12 + 16 * theCount;
  size_t theHead = SIZE_MAX;
  for (size_t i = 0; i < theCount; ++i) {
    const TableEntry& theEntry = mTables[i];
    const size_t theDir = 12 + 16 * i;
    PutU32(theBytes, theDir, theEntry.tag);
    PutU32(theBytes, theDir + 4, theEntry.checksum);
    PutU32(theBytes, theDir + 8, static_cast<uint32_t>(theAt));
    PutU32(theBytes, theDir + 12, theEntry.length);
    if (theEntry.length) std::memcpy(&theBytes[theAt], inFile.data() + theEntry.offset, theEntry.length);
    if (theEntry.tag == Tag("head") && theEntry.length >= 12) theHead = theAt;
    theAt += (size_t{theEntry.length} + 3) & ~size_t{3};
  }
  if (theHead != SIZE_MAX) {
    PutU32(theBytes, theHead + 8, 0);
    PutU32(theBytes, theHead + 8, 0xB1B0AFBAu - CheckSum(theBytes, 0, theBytes.size()));
  }
  return theBytes;
}
