#include "scripting/ValueText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

bool IsDigit(char inChar) { return inChar >= '0' && inChar <= '9'; }

// The white-space characters of the C locale.
bool IsSpace(char inChar) {
  return inChar == ' ' || inChar == '\t' || inChar == '\n' || inChar == '\v' || inChar == '\f' || inChar == '\r';
}

}  // namespace

void ValueText::AppendLong(std::string& ioText, int32_t inValue) {
  char theBuffer[16];
  const std::to_chars_result theResult = std::to_chars(theBuffer, theBuffer + sizeof(theBuffer), inValue);
  ioText.append(theBuffer, theResult.ptr);
}

void ValueText::AppendFixed4(std::string& ioText, double inValue) {
  if (!std::isfinite(inValue)) inValue = 0.0;
  // The largest finite double has 309 integer digits; sign, point and four decimals fit as well.
  char theBuffer[330];
  const std::to_chars_result theResult =
      std::to_chars(theBuffer, theBuffer + sizeof(theBuffer), inValue, std::chars_format::fixed, 4);
  if (theResult.ec != std::errc()) {
    ioText += "0.0000";
    return;
  }
  ioText.append(theBuffer, theResult.ptr);
}

void ValueText::ScanLongFields(std::string_view inText, std::span<int32_t> outValues) {
  for (int32_t& theValue : outValues) theValue = 0;
  constexpr size_t kMaxLength = 255;
  if (inText.size() > kMaxLength) return;
  char theBuffer[kMaxLength + 1] = {};
  inText.copy(theBuffer, inText.size());
  for (char& theChar : theBuffer)
    if (theChar == ',') theChar = ' ';
  ValueText theScanner(std::string_view(theBuffer, inText.size()));
  for (int32_t& theValue : outValues)
    if (!theScanner.ScanLong(theValue)) break;
}

void ValueText::SkipSpace() {
  while (mPosition < mText.size() && IsSpace(mText[mPosition])) ++mPosition;
}

bool ValueText::ScanLong(int32_t& outValue) {
  SkipSpace();
  size_t thePosition = mPosition;
  bool theNegative = false;
  if (thePosition < mText.size() && (mText[thePosition] == '+' || mText[thePosition] == '-')) {
    theNegative = mText[thePosition] == '-';
    ++thePosition;
  }
  if (thePosition >= mText.size() || !IsDigit(mText[thePosition])) return false;
  // Accumulated as a magnitude that stops growing just past the 32-bit range.
  constexpr int64_t kLimit = int64_t{1} << 32;
  int64_t theMagnitude = 0;
  while (thePosition < mText.size() && IsDigit(mText[thePosition])) {
    if (theMagnitude < kLimit) theMagnitude = theMagnitude * 10 + (mText[thePosition] - '0');
    ++thePosition;
  }
  const int64_t theValue = theNegative ? -theMagnitude : theMagnitude;
  if (theValue > std::numeric_limits<int32_t>::max())
    outValue = std::numeric_limits<int32_t>::max();
  else if (theValue < std::numeric_limits<int32_t>::min())
    outValue = std::numeric_limits<int32_t>::min();
  else
    outValue = static_cast<int32_t>(theValue);
  mPosition = thePosition;
  return true;
}

bool ValueText::ScanDouble(double& outValue) {
  SkipSpace();
  size_t thePosition = mPosition;
  bool theNegative = false;
  if (thePosition < mText.size() && (mText[thePosition] == '+' || mText[thePosition] == '-')) {
    theNegative = mText[thePosition] == '-';
    ++thePosition;
  }
  const size_t theMantissaStart = thePosition;
  // Where the first significant digit stands relative to the point, for the range decision below.
  int64_t theIntegerDigits = 0;  // significant digits before the point
  int64_t theLeadingZeros = 0;   // zeros after the point before the first significant digit
  bool theSignificant = false;
  size_t theDigitCount = 0;
  while (thePosition < mText.size() && IsDigit(mText[thePosition])) {
    if (mText[thePosition] != '0') theSignificant = true;
    if (theSignificant) ++theIntegerDigits;
    ++theDigitCount;
    ++thePosition;
  }
  if (thePosition < mText.size() && mText[thePosition] == '.') {
    ++thePosition;
    while (thePosition < mText.size() && IsDigit(mText[thePosition])) {
      if (mText[thePosition] != '0') theSignificant = true;
      if (!theSignificant) ++theLeadingZeros;
      ++theDigitCount;
      ++thePosition;
    }
  }
  if (theDigitCount == 0) return false;
  const size_t theMantissaEnd = thePosition;
  // An exponent counts only when at least one digit follows the 'e' and its sign.
  int64_t theExponent = 0;
  if (thePosition < mText.size() && (mText[thePosition] == 'e' || mText[thePosition] == 'E')) {
    size_t theExponentPosition = thePosition + 1;
    bool theExponentNegative = false;
    if (theExponentPosition < mText.size() && (mText[theExponentPosition] == '+' || mText[theExponentPosition] == '-')) {
      theExponentNegative = mText[theExponentPosition] == '-';
      ++theExponentPosition;
    }
    if (theExponentPosition < mText.size() && IsDigit(mText[theExponentPosition])) {
      while (theExponentPosition < mText.size() && IsDigit(mText[theExponentPosition])) {
        if (theExponent < 1000000) theExponent = theExponent * 10 + (mText[theExponentPosition] - '0');
        ++theExponentPosition;
      }
      if (theExponentNegative) theExponent = -theExponent;
      thePosition = theExponentPosition;
    }
  }

  double theValue = 0.0;
  const char* theFirst = mText.data() + theMantissaStart;
  const char* theLast = mText.data() + thePosition;
  const std::from_chars_result theResult = std::from_chars(theFirst, theLast, theValue, std::chars_format::general);
  if (theResult.ec == std::errc::result_out_of_range) {
    // Too large gives infinity, too small zero, as strtod gives them.
    const int64_t theOrder = theIntegerDigits > 0 ? theIntegerDigits - 1 + theExponent : theExponent - theLeadingZeros - 1;
    theValue = (theSignificant && theOrder > 0) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (theResult.ec != std::errc() || theResult.ptr != theLast) {
    // Cannot happen for the text checked above; read the mantissa alone rather than fail.
    theValue = 0.0;
    std::from_chars(theFirst, mText.data() + theMantissaEnd, theValue, std::chars_format::fixed);
  }
  outValue = theNegative ? -theValue : theValue;
  mPosition = thePosition;
  return true;
}
