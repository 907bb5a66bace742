#include "fonts/LineBreaker.h"

#include <stringapiset.h>

#include <array>
#include <cmath>

#include "fonts/BaseFont.h"
#include "runtime/Assert.h"

namespace {

bool IsNewline(char16_t inChar) { return inChar == u'\r' || inChar == u'\n'; }

int32_t ToUnits(double inPoints, double inSize) {
  return LineBreaker::TruncToLong(std::trunc(inPoints * 1000.0 / inSize + 0.5));
}

}  // namespace

LineBreaker::LineBreaker(std::u16string_view inText, const BaseFont& inFont, double inSize, double inCharSpacing,
                         double inWordSpacing)
    : mText(inText.substr(0, inText.find(u'\0'))), mFont(inFont), mSize(inSize) {
  QX_ASSERT(inSize > 0);
  if (inSize != 0) {
    mCharUnits = ToUnits(inCharSpacing, inSize);
    mWordUnits = ToUnits(inWordSpacing, inSize);
  }
  const uint8_t* theBytes = LatinBytes();
  const int64_t theCharUnits = mCharUnits;
  for (size_t theChar = 0; theChar < 256; ++theChar) mLatinUnits[theChar] = mFont.WidthOf(theBytes[theChar]) + theCharUnits;
  mLatinUnits[u' '] += mWordUnits;
}

const uint8_t* LineBreaker::LatinBytes() {
  static const auto sBytes = [] {
    std::array<uint8_t, 256> theBytes{};
    for (char16_t theChar = 0; theChar < 256; ++theChar) {
      if (theChar < 128) {
        theBytes[theChar] = static_cast<uint8_t>(theChar);
        continue;
      }
      char theByte = 0;
      const WCHAR theWide = theChar;
      const int theCount = WideCharToMultiByte(1252, 0, &theWide, 1, &theByte, 1, nullptr, nullptr);
      theBytes[theChar] = theCount == 1 ? static_cast<uint8_t>(theByte) : static_cast<uint8_t>(theChar);
    }
    return theBytes;
  }();
  return sBytes.data();
}

int64_t LineBreaker::UnitsOfByte(char16_t inChar, uint8_t inByte) const {
  return int64_t{mFont.WidthOf(inByte)} + mCharUnits + (inChar == u' ' ? mWordUnits : 0);
}

int32_t LineBreaker::TruncToLong(double inValue) {
  if (std::isnan(inValue)) return 0;
  if (inValue <= INT32_MIN) return INT32_MIN;
  if (inValue >= INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(inValue);
}

uint8_t LineBreaker::ConvertedByte(char16_t inChar) {
  const auto theFound = mBytes.find(inChar);
  if (theFound != mBytes.end()) return theFound->second;
  char theByte = 0;
  const WCHAR theWide = inChar;
  const int theCount = WideCharToMultiByte(1252, 0, &theWide, 1, &theByte, 1, nullptr, nullptr);
  const uint8_t theResult = theCount == 1 ? static_cast<uint8_t>(theByte) : static_cast<uint8_t>(inChar & 0xFF);
  mBytes.emplace(inChar, theResult);
  return theResult;
}

double LineBreaker::Measure(size_t inStart, size_t inLength, int32_t& outSpaces) {
  outSpaces = 0;
  int64_t theUnits = 0;
  for (size_t i = inStart; i < inStart + inLength; ++i) {
    const char16_t theChar = At(i);
    theUnits += CharUnits(theChar);
    if (theChar == u' ') ++outSpaces;
  }
  if (inLength > 0) {
    const char16_t theLast = At(inStart + inLength - 1);
    theUnits -= int64_t{mCharUnits} + (theLast == u' ' ? mWordUnits : 0);
  }
  return static_cast<double>(theUnits) * mSize * 0.001;
}

bool LineBreaker::NextLine() {
  ++mLineCount;
  const size_t thePrevEnd = mSelStart + mSelLength;
  size_t thePos = thePrevEnd;
  // The first line of a paragraph begins at the text start or at a paragraph break.
  const bool theParaStart = thePos == 0 || IsNewline(At(thePos));
  const double theStep = mGeometry.lineStep + (theParaStart ? mGeometry.paraSpacing : 0.0);
  if (theStep + mUsed > mGeometry.height) {
    mSelStart = thePos;
    mSelLength = 0;
    if (At(thePos) != 0) mOverflow = true;
    --mLineCount;
    return false;
  }
  mParaStart = theParaStart;
  if (At(thePos) == u'\r') ++thePos;
  if (At(thePos) == u'\n') ++thePos;
  if (mGeometry.skipLeading)
    while (At(thePos) == u' ' || At(thePos) == u'\t' || At(thePos) == u'\f') ++thePos;
  mOffset = (mLineCount == 1 ? mGeometry.firstOffset : 0.0) + (mParaStart ? mGeometry.indent : 0.0);
  const double theWidth = std::trunc(mGeometry.width - mOffset);
  mCharWrap = mOffset <= 0;
  mSelStart = thePos;
  mSelLength = 0;
  if (At(thePos) == 0) {
    --mLineCount;
    return false;
  }
  if (mReplayed < mReplay.size()) {
    const uint32_t theBreak = mReplay[mReplayed++];
    mSelStart = thePos;
    mSelLength = theBreak >> 2;
    mStoppedAtNewline = (theBreak & 2) != 0;
    mAtEnd = (theBreak & 1) != 0;
  } else {
    BreakLine(thePos, TruncToLong(theWidth), mCharWrap);
  }
  // A line that places nothing and ends at no paragraph break would be followed by the same line
  // again: the second such line in a row ends the layout with the text left over.
  const bool theEmpty = mSelLength == 0 && !mStoppedAtNewline && mSelStart == thePrevEnd;
  if (theEmpty && mLastLineEmpty) {
    mOverflow = true;
    --mLineCount;
    return false;
  }
  mLastLineEmpty = theEmpty;
  // Lines of up to 2^30 characters are recorded; a longer one ends the record, and a replay
  // searches from there on.
  if (mRecording) {
    if (mSelLength < (size_t{1} << 30))
      mBreaks.push_back(static_cast<uint32_t>(mSelLength << 2) | (mStoppedAtNewline ? 2u : 0u) | (mAtEnd ? 1u : 0u));
    else
      mRecording = false;
  }
  mStep = theStep;
  mUsed += theStep;
  return true;
}

namespace {

// What the line breaker asks of a character below U+0100, in one look-up.
enum : uint8_t { kStop = 1, kNewline = 2, kSpace = 4, kPunctuation = 8 };

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> theClasses{};
  for (unsigned c = 0; c < 256; ++c) {
    const auto theChar = static_cast<char16_t>(c);
    uint8_t theClass = 0;
    if (theChar == 0) theClass |= kStop;
    if (theChar == u'\r' || theChar == u'\n') theClass |= kStop | kNewline;
    if (LineBreaker::IsWhitespace(theChar)) theClass |= kSpace;
    if (LineBreaker::IsPunctuation(theChar)) theClass |= kPunctuation;
    theClasses[c] = theClass;
  }
  return theClasses;
}

constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

uint8_t ClassOf(char16_t inChar) {
  if (inChar < 256) return kClasses[inChar];
  return static_cast<uint8_t>((LineBreaker::IsWhitespace(inChar) ? kSpace : 0) |
                              (LineBreaker::IsPunctuation(inChar) ? kPunctuation : 0));
}

}  // namespace

void LineBreaker::BreakLine(size_t inStart, int32_t inWidth, bool inCharWrap) {
  mStoppedAtNewline = false;
  mAtEnd = false;
  // Kept as a real number: a tiny size makes the limit larger than any integer.
  const double theLimit = mSize > 0 ? std::trunc(inWidth * 1000.0 / mSize + 0.5) : 0.0;
  int64_t theSum = 0;
  size_t theWhitespace = SIZE_MAX, thePunctuation = SIZE_MAX, theCharBreak = SIZE_MAX;
  size_t i = inStart;
  for (;; ++i) {
    const char16_t theChar = At(i);
    const uint8_t theClass = ClassOf(theChar);
    if (theClass & kStop) {
      if (theClass & kNewline)
        mStoppedAtNewline = true;
      else
        mAtEnd = true;
      break;
    }
    theSum += CharUnits(theChar);
    if (theClass & kSpace) theWhitespace = theSum <= theLimit ? i + 1 : i;
    if (theClass & kPunctuation) thePunctuation = theSum <= theLimit ? i + 1 : i;
    if (inCharWrap) theCharBreak = i;
    if (theSum > theLimit) break;
  }
  size_t theEnd = i;
  if (theSum > theLimit) {
    mAtEnd = false;
    mStoppedAtNewline = false;
    if (theWhitespace != SIZE_MAX)
      theEnd = theWhitespace;
    else if (thePunctuation != SIZE_MAX)
      theEnd = thePunctuation;
    else if (theCharBreak != SIZE_MAX)
      theEnd = theCharBreak;
    else
      theEnd = inStart;
  }
  mSelStart = inStart;
  mSelLength = theEnd - inStart;
}
