// The working object of one text layout run: it walks the text line by line, breaking each line
// greedily where it stops fitting the width (after whitespace, after punctuation, or between
// characters at the left edge), and keeps the height used so far.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>
#include <unordered_map>

class BaseFont;

class LineBreaker {
 public:
  struct Geometry {
    double width = 0;        // W: the rectangle's width
    double firstOffset = 0;  // extra left offset of the very first line
    double indent = 0;       // extra offset of the first line of each paragraph
    double lineStep = 0;     // size + line spacing
    double paraSpacing = 0;  // added to the step of a paragraph's first line
    double height = 0;       // height available
    bool skipLeading = false;
  };

  // inText ends at its first NUL (or its end).
  LineBreaker(std::u16string_view inText, const BaseFont& inFont, double inSize, double inCharSpacing,
              double inWordSpacing);

  void SetGeometry(const Geometry& inGeometry) { mGeometry = inGeometry; }
  void SetSkipLeading(bool inSkip) { mGeometry.skipLeading = inSkip; }

  // The layout step: produces the next line, or returns false when the text or the height ran out.
  bool NextLine();
  // A run over the same text and geometry as an earlier one takes each line's break from that
  // run's record instead of searching for it again (the rest of the step runs as always).
  // Breaks() is the record of this run: per line its length, whether it stopped at a newline and
  // whether it reached the end.
  void Replay(std::span<const uint32_t> inBreaks) { mReplay = inBreaks; }
  const std::vector<uint32_t>& Breaks() const { return mBreaks; }
  void RecordBreaks() {
    mRecording = true;
    mBreaks.reserve(32);
  }

  // The code-page 1252 byte the content holds for a character.
  uint8_t ByteOf(char16_t inChar) { return inChar < 256 ? LatinBytes()[inChar] : ConvertedByte(inChar); }
  // A character's width in font units: its glyph's width plus the spacings (each spacing may be
  // as large as a 32-bit number, so the sum is kept in 64 bits).
  int64_t CharUnits(char16_t inChar) { return inChar < 256 ? mLatinUnits[inChar] : UnitsOfByte(inChar, ByteOf(inChar)); }
  // The width in points of [inStart, inStart + inLength), without the spacing of its last
  // character; outSpaces counts its spaces.
  double Measure(size_t inStart, size_t inLength, int32_t& outSpaces);
  static constexpr bool IsWhitespace(char16_t inChar) {
    return inChar == 0 || inChar == 9 || inChar == 10 || inChar == 12 || inChar == 13 || inChar == 32;
  }
  static constexpr bool IsPunctuation(char16_t inChar) {
    if (inChar < 128)
      return (inChar >= 33 && inChar <= 47) || (inChar >= 58 && inChar <= 64) || (inChar >= 91 && inChar <= 96) ||
             (inChar >= 123 && inChar <= 126);
    // Beyond ASCII: the general punctuation block (dashes, quotation marks, ellipsis) and the
    // ideographic comma and full stop.
    return (inChar >= 0x2010 && inChar <= 0x2027) || inChar == 0x3001 || inChar == 0x3002;
  }
  // trunc(inValue) as a 32-bit number: values beyond the range stay at its ends, NaN gives 0.
  // Every number of the layout that comes from a script's value (sizes, spacings, positioning
  // factors, any of them infinite or not a number) passes through it on its way to an integer.
  static int32_t TruncToLong(double inValue);

  std::u16string_view Text() const { return mText; }
  size_t SelStart() const { return mSelStart; }
  size_t SelLength() const { return mSelLength; }
  double Offset() const { return mOffset; }
  double Step() const { return mStep; }
  bool StoppedAtNewline() const { return mStoppedAtNewline; }
  bool AtEnd() const { return mAtEnd; }
  bool ParaStart() const { return mParaStart; }
  int32_t LineCount() const { return mLineCount; }
  double Used() const { return mUsed; }
  bool Overflow() const { return mOverflow; }
  double Size() const { return mSize; }
  const Geometry& GetGeometry() const { return mGeometry; }

 private:
  char16_t At(size_t inPos) const { return inPos < mText.size() ? mText[inPos] : u'\0'; }
  // The bytes of U+0000 to U+00FF in code page 1252, converted once per process.
  static const uint8_t* LatinBytes();
  // The byte of a character beyond U+00FF, converted once per run.
  uint8_t ConvertedByte(char16_t inChar);
  int64_t UnitsOfByte(char16_t inChar, uint8_t inByte) const;
  void BreakLine(size_t inStart, int32_t inWidth, bool inCharWrap);

  std::u16string_view mText;
  const BaseFont& mFont;
  double mSize;
  int32_t mCharUnits = 0;  // character spacing in font units
  int32_t mWordUnits = 0;  // word spacing in font units
  Geometry mGeometry;

  size_t mSelStart = 0;
  size_t mSelLength = 0;
  double mOffset = 0;
  double mStep = 0;
  bool mCharWrap = false;
  bool mParaStart = true;
  bool mStoppedAtNewline = false;
  bool mAtEnd = false;
  double mUsed = 0;
  int32_t mLineCount = 0;
  bool mOverflow = false;
  bool mLastLineEmpty = false;
  std::span<const uint32_t> mReplay;
  size_t mReplayed = 0;
  bool mRecording = false;
  std::vector<uint32_t> mBreaks;
  // The width in units of every character below U+0100, the spacings included: the layout looks
  // each character up here rather than converting it and asking the font each time.
  int64_t mLatinUnits[256];
  std::unordered_map<char16_t, uint8_t> mBytes;
};
