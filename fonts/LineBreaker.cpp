#include "fonts/LineBreaker.h"

#include <stringapiset.h>

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
}

int32_t LineBreaker::TruncToLong(double inValue) {
  if (std::isnan(inValue)) return 0;
  if (inValue <= INT32_MIN) return INT32_MIN;
  if (inValue >= INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(inValue);
}

bool LineBreaker::IsWhitespace(char16_t inChar) {
  return inChar == 0 || inChar == 9 || inChar == 10 || inChar == 12 || inChar == 13 || inChar == 32;
}

bool LineBreaker::IsPunctuation(char16_t inChar) {
  if (inChar < 128) return (inChar >= 33 && inChar <= 47) || (inChar >= 58 && inChar <= 64) ||
                           (inChar >= 91 && inChar <= 96) || (inChar >= 123 && inChar <= 126);
  // Beyond ASCII: the general punctuation block (dashes, quotation marks, ellipsis) and the
  // ideographic comma and full stop.
  return (inChar >= 0x2010 && inChar <= 0x2027) || inChar == 0x3001 || inChar == 0x3002;
}

uint8_t LineBreaker::ByteOf(char16_t inChar) {
  if (inChar < 128) return static_cast<uint8_t>(inChar);
  const auto theFound = mBytes.find(inChar);
  if (theFound != mBytes.end()) return theFound->second;
  char theByte = 0;
  const WCHAR theWide = inChar;
  const int theCount = WideCharToMultiByte(1252, 0, &theWide, 1, &theByte, 1, nullptr, nullptr);
  const uint8_t theResult = theCount == 1 ? static_cast<uint8_t>(theByte) : static_cast<uint8_t>(inChar & 0xFF);
  mBytes.emplace(inChar, theResult);
  return theResult;
}

int64_t LineBreaker::CharUnits(char16_t inChar) {
  return int64_t{mFont.WidthOf(ByteOf(inChar))} + mCharUnits + (inChar == u' ' ? mWordUnits : 0);
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
  BreakLine(thePos, TruncToLong(theWidth), mCharWrap);
  // A line that places nothing and ends at no paragraph break would be followed by the same line
  // again: the second such line in a row ends the layout with the text left over.
  const bool theEmpty = mSelLength == 0 && !mStoppedAtNewline && mSelStart == thePrevEnd;
  if (theEmpty && mLastLineEmpty) {
    mOverflow = true;
    --mLineCount;
    return false;
  }
  mLastLineEmpty = theEmpty;
  mStep = theStep;
  mUsed += theStep;
  return true;
}

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
    if (theChar == 0) {
      mAtEnd = true;
      break;
    }
    if (IsNewline(theChar)) {
      mStoppedAtNewline = true;
      break;
    }
    theSum += CharUnits(theChar);
    if (IsWhitespace(theChar)) theWhitespace = theSum <= theLimit ? i + 1 : i;
    if (IsPunctuation(theChar)) thePunctuation = theSum <= theLimit ? i + 1 : i;
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
