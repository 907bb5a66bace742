// VariantChangeType: conversion between Automation types, with Automation's rules:
// reals and currency round half to even when they become integers, values out of range give
// DISP_E_OVERFLOW, text that is no number gives DISP_E_TYPEMISMATCH, VT_EMPTY becomes 0 or the
// empty string, true is -1.
//
// Text is read and written in the forms of US English (LCID 0x0409) whatever the locale argument
// and the process locale: numbers with "." as the decimal point, "," between thousands, "$" as the
// currency sign, a leading or trailing sign or parentheses for a negative amount, white space
// (the no-break space included) before and after; dates as "M/d/yyyy h:mm:ss AM".
//
// VT_CY is a 64-bit count of ten-thousandths. VT_DATE is a count of days since 30 December 1899 in
// a double: the whole part is the day (negative before that date) and the distance from it to
// the value, always taken as positive, is the time of day, so -1.25 is 29 December 1899, 06:00.
#include <oleauto.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

namespace {

// How many default-value properties are followed when an object converts to a plain value.
constexpr int kMaxValueDepth = 8;

// A source value reduced to what the conversion needs.
struct Value {
  enum Kind {
    kEmpty, kNull, kSigned, kUnsigned, kReal, kBool, kCurrency, kDate, kString, kObject, kError, kArray
  } kind = kEmpty;
  int64_t mSigned = 0;  // kSigned; kBool: the VARIANT_BOOL as stored; kCurrency: ten-thousandths
  uint64_t mUnsigned = 0;
  double mReal = 0;  // kReal; kDate: days since 30 December 1899
  bool mSingle = false;  // the real came from VT_R4
  BSTR mString = nullptr;  // borrowed
  IUnknown* mObject = nullptr;  // borrowed
  bool mIsDispatch = false;
};

Value Classify(const VARIANT& inSource) {
  Value theValue;
  switch (V_VT(&inSource)) {
    case VT_EMPTY: theValue.kind = Value::kEmpty; break;
    case VT_NULL: theValue.kind = Value::kNull; break;
    case VT_I1: theValue.kind = Value::kSigned; theValue.mSigned = static_cast<int8_t>(inSource.cVal); break;
    case VT_I2: theValue.kind = Value::kSigned; theValue.mSigned = inSource.iVal; break;
    case VT_I4:
    case VT_INT: theValue.kind = Value::kSigned; theValue.mSigned = inSource.lVal; break;
    case VT_I8: theValue.kind = Value::kSigned; theValue.mSigned = inSource.llVal; break;
    case VT_UI1: theValue.kind = Value::kUnsigned; theValue.mUnsigned = inSource.bVal; break;
    case VT_UI2: theValue.kind = Value::kUnsigned; theValue.mUnsigned = inSource.uiVal; break;
    case VT_UI4:
    case VT_UINT: theValue.kind = Value::kUnsigned; theValue.mUnsigned = inSource.ulVal; break;
    case VT_UI8: theValue.kind = Value::kUnsigned; theValue.mUnsigned = inSource.ullVal; break;
    case VT_R4: theValue.kind = Value::kReal; theValue.mReal = inSource.fltVal; theValue.mSingle = true; break;
    case VT_R8: theValue.kind = Value::kReal; theValue.mReal = inSource.dblVal; break;
    // A VARIANT_BOOL is a 16-bit number to the conversions: only VARIANT_TRUE (-1) and
    // VARIANT_FALSE should be stored, but another value (1) converts to numbers as itself.
    case VT_BOOL: theValue.kind = Value::kBool; theValue.mSigned = inSource.boolVal; break;
    case VT_CY: theValue.kind = Value::kCurrency; theValue.mSigned = inSource.cyVal.int64; break;
    case VT_DATE: theValue.kind = Value::kDate; theValue.mReal = inSource.date; break;
    case VT_BSTR: theValue.kind = Value::kString; theValue.mString = inSource.bstrVal; break;
    case VT_DISPATCH:
      theValue.kind = Value::kObject;
      theValue.mObject = inSource.pdispVal;
      theValue.mIsDispatch = true;
      break;
    case VT_UNKNOWN: theValue.kind = Value::kObject; theValue.mObject = inSource.punkVal; break;
    case VT_ERROR: theValue.kind = Value::kError; theValue.mSigned = inSource.scode; break;
    default: theValue.kind = (V_VT(&inSource) & VT_ARRAY) ? Value::kArray : Value::kError; break;
  }
  return theValue;
}

// ---- number text ----

// The white space allowed around number and date text: the space, the no-break space (which is
// not the thousands separator in US English) and the C0 spacing controls.
bool IsSpace(OLECHAR inChar) {
  return inChar == u' ' || inChar == u'\u00A0' || inChar == u'\t' || inChar == u'\n' || inChar == u'\v' ||
         inChar == u'\f' || inChar == u'\r';
}

bool IsDigit(OLECHAR inChar) { return inChar >= u'0' && inChar <= u'9'; }

// A number read from text: value = digits x 10^exponent, negated when mNegative. mDigits holds
// the significant decimal digits with neither leading nor trailing zeros (empty for zero), so
// that integer and currency targets can be computed exactly, not through a double.
struct NumberText {
  bool mNegative = false;
  std::string mDigits;
  int64_t mExponent = 0;
};

// Exponents beyond this many digits give 0 or an overflow whatever the digits are; clamping them
// keeps the arithmetic in range.
constexpr int64_t kExponentLimit = 100000;

void SetMagnitude(NumberText& ioNumber, uint64_t inMagnitude) {
  ioNumber.mDigits = inMagnitude == 0 ? std::string() : std::to_string(inMagnitude);
  ioNumber.mExponent = 0;
  while (!ioNumber.mDigits.empty() && ioNumber.mDigits.back() == '0') {
    ioNumber.mDigits.pop_back();
    ++ioNumber.mExponent;
  }
}

// "&H" hexadecimal and "&O" octal whole numbers, with white space around them only. Text of up to
// 32 bits reads as a signed 32-bit number ("&HFFFFFFFF" is -1), as in Automation.
HRESULT ReadRadixText(const OLECHAR* inText, UINT inStart, UINT inLength, NumberText& outNumber) {
  const OLECHAR theMarker = inText[inStart + 1];
  const unsigned theBase = (theMarker == u'H' || theMarker == u'h') ? 16 : 8;
  UINT i = inStart + 2;
  uint64_t theValue = 0;
  bool theAny = false;
  bool theTooBig = false;
  for (; i < inLength; ++i) {
    const OLECHAR c = inText[i];
    unsigned theDigit = 0;
    if (c >= u'0' && c <= u'9')
      theDigit = c - u'0';
    else if (theBase == 16 && c >= u'a' && c <= u'f')
      theDigit = c - u'a' + 10;
    else if (theBase == 16 && c >= u'A' && c <= u'F')
      theDigit = c - u'A' + 10;
    else
      break;
    if (theDigit >= theBase) break;
    theAny = true;
    if (theValue > (std::numeric_limits<uint64_t>::max() >> (theBase == 16 ? 4 : 3))) theTooBig = true;
    theValue = theValue * theBase + theDigit;
  }
  while (i < inLength && IsSpace(inText[i])) ++i;
  if (!theAny || i != inLength) return DISP_E_TYPEMISMATCH;
  if (theTooBig) return DISP_E_OVERFLOW;
  if (theValue <= 0xFFFFFFFFull) {
    const int32_t theSigned = static_cast<int32_t>(static_cast<uint32_t>(theValue));
    outNumber.mNegative = theSigned < 0;
    SetMagnitude(outNumber, theSigned < 0 ? 0ull - static_cast<uint64_t>(static_cast<int64_t>(theSigned))
                                          : static_cast<uint64_t>(theSigned));
  } else {
    outNumber.mNegative = false;
    SetMagnitude(outNumber, theValue);
  }
  return S_OK;
}

// Reads number text as Automation does for US English. Before the digits: white space, one sign
// ("+", "-" or "(" that a ")" must close after them) and one "$", in any order. The digits may
// carry "," between them (anywhere after the first digit, as often as written), one "." and an
// exponent ("e" or "E", an optional sign, digits). After them: white space, a sign when none came
// before, the closing ")", and any number of "$". Everything must be used. RETURNS: S_OK;
// DISP_E_TYPEMISMATCH for other text; DISP_E_OVERFLOW for "&H" text beyond 64 bits.
HRESULT ReadNumberText(BSTR inText, NumberText& outNumber) {
  outNumber = NumberText();
  const UINT theLength = SysStringLen(inText);
  UINT i = 0;
  bool theSign = false;  // a sign or an opening parenthesis was read
  bool theParenthesis = false;
  bool theCurrency = false;
  for (; i < theLength; ++i) {
    const OLECHAR c = inText[i];
    if (IsSpace(c)) continue;
    if (!theSign && (c == u'+' || c == u'-' || c == u'(')) {
      theSign = true;
      outNumber.mNegative = c != u'+';
      theParenthesis = c == u'(';
      continue;
    }
    if (!theCurrency && c == u'$') {
      theCurrency = true;
      continue;
    }
    break;
  }
  if (!theSign && !theCurrency && i + 1 < theLength && inText[i] == u'&' &&
      (inText[i + 1] == u'H' || inText[i + 1] == u'h' || inText[i + 1] == u'O' || inText[i + 1] == u'o'))
    return ReadRadixText(inText, i, theLength, outNumber);

  std::string theDigits;  // every digit as written
  size_t thePointAt = std::string::npos;
  for (; i < theLength; ++i) {
    const OLECHAR c = inText[i];
    if (IsDigit(c))
      theDigits.push_back(static_cast<char>(c));
    else if (c == u',' && !theDigits.empty() && thePointAt == std::string::npos)
      continue;
    else if (c == u'.' && thePointAt == std::string::npos)
      thePointAt = theDigits.size();
    else
      break;
  }
  if (theDigits.empty()) return DISP_E_TYPEMISMATCH;

  int64_t theExponent = 0;
  if (i < theLength && (inText[i] == u'e' || inText[i] == u'E')) {
    // An "e" that no digit follows is not part of the number (and so makes the text no number).
    UINT j = i + 1;
    bool theNegativeExponent = false;
    if (j < theLength && (inText[j] == u'+' || inText[j] == u'-')) theNegativeExponent = inText[j++] == u'-';
    if (j < theLength && IsDigit(inText[j])) {
      for (; j < theLength && IsDigit(inText[j]); ++j)
        if (theExponent < kExponentLimit) theExponent = theExponent * 10 + (inText[j] - u'0');
      if (theNegativeExponent) theExponent = -theExponent;
      i = j;
    }
  }

  bool theClosed = false;
  for (; i < theLength; ++i) {
    const OLECHAR c = inText[i];
    if (IsSpace(c) || c == u'$') continue;
    if (!theSign && (c == u'+' || c == u'-')) {
      theSign = true;
      outNumber.mNegative = c == u'-';
      continue;
    }
    if (theParenthesis && !theClosed && c == u')') {
      theClosed = true;
      continue;
    }
    break;
  }
  if (i != theLength || theParenthesis != theClosed) return DISP_E_TYPEMISMATCH;

  // Keep the significant digits only.
  const size_t theFraction = thePointAt == std::string::npos ? 0 : theDigits.size() - thePointAt;
  theExponent -= static_cast<int64_t>(theFraction);
  size_t theFirst = 0;
  while (theFirst < theDigits.size() && theDigits[theFirst] == '0') ++theFirst;
  theDigits.erase(0, theFirst);
  while (!theDigits.empty() && theDigits.back() == '0') {
    theDigits.pop_back();
    ++theExponent;
  }
  if (theDigits.empty()) {
    outNumber.mNegative = false;
    theExponent = 0;
  }
  outNumber.mDigits = std::move(theDigits);
  outNumber.mExponent = theExponent;
  return S_OK;
}

// A whole number as sign and magnitude, so that every value of VT_I8 and of VT_UI8 fits.
struct Whole {
  bool mNegative = false;
  uint64_t mMagnitude = 0;
};

// The number x 10^inScale rounded half to even to a whole number. RETURNS: S_OK, or
// DISP_E_OVERFLOW when the magnitude does not fit in 64 bits.
HRESULT ScaledWhole(const NumberText& inNumber, int inScale, Whole& outWhole) {
  outWhole = Whole();
  const std::string& theDigits = inNumber.mDigits;
  if (theDigits.empty()) return S_OK;
  const int64_t theSize = static_cast<int64_t>(theDigits.size());
  const int64_t theWholeDigits = theSize + inNumber.mExponent + inScale;
  if (theWholeDigits > 20) return DISP_E_OVERFLOW;
  uint64_t theMagnitude = 0;
  for (int64_t i = 0; i < theWholeDigits; ++i) {
    const unsigned theDigit = i < theSize ? static_cast<unsigned>(theDigits[i] - '0') : 0;
    if (theMagnitude > (std::numeric_limits<uint64_t>::max() - theDigit) / 10) return DISP_E_OVERFLOW;
    theMagnitude = theMagnitude * 10 + theDigit;
  }
  // The first dropped digit decides, then whether anything follows it (there are no trailing
  // zeros), then the parity. A value below 0.1 has a dropped first digit of 0.
  if (theWholeDigits >= 0 && theWholeDigits < theSize) {
    const unsigned theDropped = static_cast<unsigned>(theDigits[theWholeDigits] - '0');
    const bool theMore = theWholeDigits + 1 < theSize;
    if (theDropped > 5 || (theDropped == 5 && (theMore || (theMagnitude & 1)))) {
      if (theMagnitude == std::numeric_limits<uint64_t>::max()) return DISP_E_OVERFLOW;
      ++theMagnitude;
    }
  }
  outWhole.mNegative = inNumber.mNegative && theMagnitude != 0;
  outWhole.mMagnitude = theMagnitude;
  return S_OK;
}

// The number as a double, correctly rounded. A value too small for a double is 0 (not an error);
// one too large is DISP_E_OVERFLOW.
HRESULT RealFromText(const NumberText& inNumber, double& outReal) {
  outReal = 0;
  if (inNumber.mDigits.empty()) return S_OK;
  const std::string theText = inNumber.mDigits + "e" + std::to_string(inNumber.mExponent);
  double theReal = 0;
  auto [thePtr, theError] =
      std::from_chars(theText.data(), theText.data() + theText.size(), theReal, std::chars_format::scientific);
  if (theError == std::errc::result_out_of_range) {
    // The value lies below 1 when its digits all come after the decimal point.
    if (static_cast<int64_t>(inNumber.mDigits.size()) + inNumber.mExponent <= 0) return S_OK;
    return DISP_E_OVERFLOW;
  }
  if (theError != std::errc()) return DISP_E_TYPEMISMATCH;
  outReal = inNumber.mNegative ? -theReal : theReal;
  return S_OK;
}

bool EqualsIgnoreCase(BSTR inText, const char* inWord) {
  const UINT theLength = SysStringLen(inText);
  if (theLength != std::strlen(inWord)) return false;
  for (UINT i = 0; i < theLength; ++i) {
    OLECHAR c = inText[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<OLECHAR>(c - u'A' + u'a');
    char w = inWord[i];
    if (w >= 'A' && w <= 'Z') w = static_cast<char>(w - 'A' + 'a');
    if (c != static_cast<OLECHAR>(w)) return false;
  }
  return true;
}

BSTR MakeString(const std::string& inAscii) {
  std::u16string theWide(inAscii.begin(), inAscii.end());
  return SysAllocStringLen(theWide.data(), static_cast<UINT>(theWide.size()));
}

// The text of a real number: at most 15 significant digits (7 for single precision), exponent
// form when the exponent is below -4 or not below that precision, as Automation writes it.
std::string RealText(double inNumber, bool inSingle) {
  if (std::isnan(inNumber)) return "NaN";
  if (std::isinf(inNumber)) return inNumber < 0 ? "-1.#INF" : "1.#INF";
  char theBuffer[64];
  auto [thePtr, theError] =
      std::to_chars(theBuffer, theBuffer + sizeof(theBuffer), inNumber, std::chars_format::general, inSingle ? 7 : 15);
  if (theError != std::errc()) return "0";
  std::string theText(theBuffer, thePtr);
  for (char& c : theText)
    if (c == 'e') c = 'E';
  return theText;
}

// ---- currency ----

constexpr int64_t kCurrencyScale = 10000;

// Currency text: the exact amount with "." and no more decimals than needed ("1.5", "-0.0001").
std::string CurrencyText(int64_t inCurrency) {
  const bool theNegative = inCurrency < 0;
  const uint64_t theMagnitude =
      theNegative ? 0ull - static_cast<uint64_t>(inCurrency) : static_cast<uint64_t>(inCurrency);
  std::string theText = (theNegative ? "-" : "") + std::to_string(theMagnitude / kCurrencyScale);
  uint64_t theFraction = theMagnitude % kCurrencyScale;
  if (theFraction != 0) {
    std::string theDecimals = std::to_string(theFraction + kCurrencyScale).substr(1);
    while (theDecimals.back() == '0') theDecimals.pop_back();
    theText += "." + theDecimals;
  }
  return theText;
}

// A real as currency, rounded half to even to the ten-thousandth.
HRESULT CurrencyFromReal(double inReal, int64_t& outCurrency) {
  if (std::isnan(inReal)) return DISP_E_OVERFLOW;
  const double theScaled = std::nearbyint(inReal * static_cast<double>(kCurrencyScale));
  if (!(theScaled >= -9223372036854775808.0 && theScaled < 9223372036854775808.0)) return DISP_E_OVERFLOW;
  outCurrency = static_cast<int64_t>(theScaled);
  return S_OK;
}

// A whole number as currency. Automation refuses magnitudes from 922337203685477 on, although
// that one would still fit, so the range is the same for both signs.
HRESULT CurrencyFromWhole(const Whole& inWhole, int64_t& outCurrency) {
  constexpr uint64_t theLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max() / kCurrencyScale);
  if (inWhole.mMagnitude >= theLimit) return DISP_E_OVERFLOW;
  const int64_t theScaled = static_cast<int64_t>(inWhole.mMagnitude) * kCurrencyScale;
  outCurrency = inWhole.mNegative ? -theScaled : theScaled;
  return S_OK;
}

// ---- dates ----

// The first and the last day a date can hold: 1 January 100 and 31 December 9999.
constexpr double kFirstDay = -657434.0;
constexpr double kLastDay = 2958465.0;
// Days from 30 December 1899 (day 0) to 1 January 1970.
constexpr int64_t kDaysTo1970 = 25569;
constexpr int64_t kSecondsPerDay = 86400;

bool IsDateInRange(double inDate) { return inDate > kFirstDay - 1 && inDate < kLastDay + 1; }

bool IsLeapYear(int64_t inYear) { return (inYear % 4 == 0 && inYear % 100 != 0) || inYear % 400 == 0; }

unsigned DaysInMonth(int64_t inYear, unsigned inMonth) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return inMonth == 2 && IsLeapYear(inYear) ? 29 : kDays[inMonth - 1];
}

// Days since 1 January 1970 of a day of the proleptic Gregorian calendar: the year is counted
// from 1 March, so that the leap day comes last, in 400-year eras of 146097 days.
int64_t DaysFromCivil(int64_t inYear, unsigned inMonth, unsigned inDay) {
  const int64_t theYear = inMonth <= 2 ? inYear - 1 : inYear;
  const int64_t theEra = (theYear >= 0 ? theYear : theYear - 399) / 400;
  const int64_t theYearOfEra = theYear - theEra * 400;
  const int64_t theDayOfYear = (153 * (inMonth > 2 ? inMonth - 3 : inMonth + 9) + 2) / 5 + inDay - 1;
  const int64_t theDayOfEra = theYearOfEra * 365 + theYearOfEra / 4 - theYearOfEra / 100 + theDayOfYear;
  return theEra * 146097 + theDayOfEra - 719468;
}

// The calendar day of a count of days since 1 January 1970 (the inverse of DaysFromCivil).
void CivilFromDays(int64_t inDays, int64_t& outYear, unsigned& outMonth, unsigned& outDay) {
  const int64_t theShifted = inDays + 719468;
  const int64_t theEra = (theShifted >= 0 ? theShifted : theShifted - 146096) / 146097;
  const int64_t theDayOfEra = theShifted - theEra * 146097;
  const int64_t theYearOfEra = (theDayOfEra - theDayOfEra / 1460 + theDayOfEra / 36524 - theDayOfEra / 146096) / 365;
  const int64_t theDayOfYear = theDayOfEra - (365 * theYearOfEra + theYearOfEra / 4 - theYearOfEra / 100);
  const int64_t theMonthIndex = (5 * theDayOfYear + 2) / 153;  // 0 is March
  outDay = static_cast<unsigned>(theDayOfYear - (153 * theMonthIndex + 2) / 5 + 1);
  outMonth = static_cast<unsigned>(theMonthIndex < 10 ? theMonthIndex + 3 : theMonthIndex - 9);
  outYear = theYearOfEra + theEra * 400 + (outMonth <= 2 ? 1 : 0);
}

// Date text as US English writes it: "1/2/2000 3:04:05 PM"; the date alone at midnight, the time
// alone on day 0 (30 December 1899). Times round to the nearest second. RETURNS: S_OK, or
// E_INVALIDARG for a value outside the range of dates.
HRESULT DateText(double inDate, std::string& outText) {
  if (!IsDateInRange(inDate)) return E_INVALIDARG;
  const double theDay = std::trunc(inDate);
  const int64_t theSeconds = static_cast<int64_t>(std::floor(std::fabs(inDate - theDay) * kSecondsPerDay + 0.5));
  // On a line of seconds, so that a time rounded up to midnight moves to the next day.
  const int64_t theTotal = static_cast<int64_t>(theDay) * kSecondsPerDay + theSeconds;
  int64_t theDays = theTotal / kSecondsPerDay;
  if (theTotal % kSecondsPerDay < 0) --theDays;
  const int64_t theTime = theTotal - theDays * kSecondsPerDay;
  char theBuffer[64];
  outText.clear();
  if (theDays != 0) {
    int64_t theYear = 0;
    unsigned theMonth = 0;
    unsigned theDayOfMonth = 0;
    CivilFromDays(theDays - kDaysTo1970, theYear, theMonth, theDayOfMonth);
    std::snprintf(theBuffer, sizeof(theBuffer), "%u/%u/%lld", theMonth, theDayOfMonth,
                  static_cast<long long>(theYear));
    outText = theBuffer;
  }
  if (theDays == 0 || theTime != 0) {
    const int64_t theHour = theTime / 3600;
    std::snprintf(theBuffer, sizeof(theBuffer), "%s%lld:%02lld:%02lld %s", outText.empty() ? "" : " ",
                  static_cast<long long>(theHour % 12 == 0 ? 12 : theHour % 12),
                  static_cast<long long>(theTime / 60 % 60), static_cast<long long>(theTime % 60),
                  theHour < 12 ? "AM" : "PM");
    outText += theBuffer;
  }
  return S_OK;
}

// One piece of date text: a number, a month name or AM/PM, with the separator written before it.
struct DateToken {
  enum Kind { kNumber, kMonth, kMeridiem } kind = kNumber;
  int64_t mValue = 0;  // the number, the month (1-12), or 1 for PM and 0 for AM
  size_t mDigits = 0;  // how many digits the number was written with
  char mBefore = 0;  // ' ' for white space or a comma, '/', '-', ':' (also for '.'), 0 at the start
};

bool MatchWord(const std::string& inWord, DateToken& outToken) {
  static const char* const kMonths[] = {"january", "february", "march",     "april",   "may",      "june",
                                        "july",    "august",   "september", "october", "november", "december"};
  for (unsigned m = 0; m < 12; ++m) {
    if (inWord == kMonths[m] || inWord == std::string(kMonths[m], 3)) {
      outToken.kind = DateToken::kMonth;
      outToken.mValue = m + 1;
      return true;
    }
  }
  if (inWord == "am" || inWord == "a" || inWord == "pm" || inWord == "p") {
    outToken.kind = DateToken::kMeridiem;
    outToken.mValue = inWord[0] == 'p' ? 1 : 0;
    return true;
  }
  return false;
}

bool SplitDateText(BSTR inText, std::vector<DateToken>& outTokens) {
  const UINT theLength = SysStringLen(inText);
  char theSeparator = 0;
  for (UINT i = 0; i < theLength;) {
    const OLECHAR c = inText[i];
    if (IsSpace(c) || c == u',') {
      if (theSeparator == 0 && !outTokens.empty()) theSeparator = ' ';
      ++i;
      continue;
    }
    if (c == u'/' || c == u'-' || c == u':' || c == u'.') {
      // One separator other than white space between two pieces, and none at the start.
      if (outTokens.empty() || (theSeparator != 0 && theSeparator != ' ')) return false;
      theSeparator = c == u'.' ? ':' : static_cast<char>(c);
      ++i;
      continue;
    }
    DateToken theToken;
    theToken.mBefore = theSeparator;
    if (IsDigit(c)) {
      for (; i < theLength && IsDigit(inText[i]); ++i) {
        if (++theToken.mDigits > 9) return false;
        theToken.mValue = theToken.mValue * 10 + (inText[i] - u'0');
      }
    } else {
      std::string theWord;
      for (; i < theLength && ((inText[i] >= u'a' && inText[i] <= u'z') || (inText[i] >= u'A' && inText[i] <= u'Z'));
           ++i)
        theWord.push_back(static_cast<char>(inText[i] | 0x20));
      if (theWord.empty() || !MatchWord(theWord, theToken)) return false;
    }
    outTokens.push_back(theToken);
    theSeparator = 0;
  }
  // Text may not end in a separator other than white space.
  return !outTokens.empty() && (theSeparator == 0 || theSeparator == ' ');
}

int64_t CurrentYear() {
  const std::time_t theNow = std::time(nullptr);
  std::tm theLocal{};
  if (localtime_r(&theNow, &theLocal) == nullptr) return 2000;
  return theLocal.tm_year + 1900;
}

// A year as written: one or two digits are 1930-2029, more digits are the year itself.
int64_t FullYear(const DateToken& inNumber) {
  if (inNumber.mDigits <= 2) return inNumber.mValue < 30 ? 2000 + inNumber.mValue : 1900 + inNumber.mValue;
  return inNumber.mValue;
}

bool IsValidDay(int64_t inYear, int64_t inMonth, int64_t inDay) {
  return inYear >= 100 && inYear <= 9999 && inMonth >= 1 && inMonth <= 12 && inDay >= 1 &&
         inDay <= DaysInMonth(inYear, static_cast<unsigned>(inMonth));
}

// Which of the date numbers is the month, the day and the year. The order of US English
// (month/day/year) is tried first, then year/month/day and day/month/year; two numbers are a
// month and a day of the current year, else a month and a year.
bool ResolveDate(const std::vector<DateToken>& inNumbers, int64_t inMonthName, int64_t& outYear, int64_t& outMonth,
                 int64_t& outDay) {
  auto theTry = [&](int64_t inYear, int64_t inMonth, int64_t inDay) {
    if (!IsValidDay(inYear, inMonth, inDay)) return false;
    outYear = inYear;
    outMonth = inMonth;
    outDay = inDay;
    return true;
  };
  if (inMonthName != 0) {
    if (inNumbers.size() == 1) {
      const DateToken& theNumber = inNumbers[0];
      return (theNumber.mDigits <= 2 && theTry(CurrentYear(), inMonthName, theNumber.mValue)) ||
             theTry(FullYear(theNumber), inMonthName, 1);
    }
    if (inNumbers.size() == 2) {
      const DateToken& a = inNumbers[0];
      const DateToken& b = inNumbers[1];
      return (a.mDigits <= 2 && theTry(FullYear(b), inMonthName, a.mValue)) ||
             (b.mDigits <= 2 && theTry(FullYear(a), inMonthName, b.mValue));
    }
    return false;
  }
  if (inNumbers.size() == 3) {
    const DateToken& a = inNumbers[0];
    const DateToken& b = inNumbers[1];
    const DateToken& c = inNumbers[2];
    return theTry(FullYear(c), a.mValue, b.mValue) || theTry(FullYear(a), b.mValue, c.mValue) ||
           theTry(FullYear(c), b.mValue, a.mValue);
  }
  if (inNumbers.size() == 2) {
    const DateToken& a = inNumbers[0];
    const DateToken& b = inNumbers[1];
    const int64_t theYear = CurrentYear();
    return theTry(theYear, a.mValue, b.mValue) || theTry(theYear, b.mValue, a.mValue) ||
           theTry(FullYear(b), a.mValue, 1) || theTry(FullYear(a), b.mValue, 1);
  }
  return false;
}

// Reads date text in the forms US English writes and reads: a date of numbers separated by "/",
// "-" or spaces (month/day/year, or year-month-day), or with a month name ("2 January 2000",
// "Jan 2, 2000"), and a time "h:mm[:ss]" ("." also separates its parts) with an optional AM or
// PM, which an hour written alone may also carry ("3 PM"); either part may be missing, and the
// time comes before or after the date, not inside it. Two-digit years are 1930-2029. RETURNS:
// false for text that is no date.
bool ReadDateText(BSTR inText, double& outDate) {
  std::vector<DateToken> theTokens;
  if (!SplitDateText(inText, theTokens)) return false;
  std::vector<DateToken> theDateNumbers;
  int64_t theMonthName = 0;
  bool theDateClosed = false;  // a time came after part of the date: the date is complete
  bool theHasTime = false;
  int64_t theTime[3] = {0, 0, 0};
  bool theHasMeridiem = false;
  bool thePM = false;
  for (size_t i = 0; i < theTokens.size(); ++i) {
    const DateToken& theToken = theTokens[i];
    if (theToken.kind == DateToken::kMonth) {
      if (theMonthName != 0 || theDateClosed) return false;
      theMonthName = theToken.mValue;
      continue;
    }
    if (theToken.kind == DateToken::kMeridiem) return false;  // only after a time
    // A number that a time separator follows, or AM/PM, starts the time.
    size_t theEnd = i + 1;
    while (theEnd < theTokens.size() && theTokens[theEnd].kind == DateToken::kNumber &&
           theTokens[theEnd].mBefore == ':')
      ++theEnd;
    const size_t theCount = theEnd - i;
    const bool theMeridiemNext = theEnd < theTokens.size() && theTokens[theEnd].kind == DateToken::kMeridiem &&
                                 (theTokens[theEnd].mBefore == ' ' || theTokens[theEnd].mBefore == 0);
    if (theCount == 1 && !theMeridiemNext) {
      if (theDateClosed) return false;
      theDateNumbers.push_back(theToken);
      continue;
    }
    if (theHasTime || theCount > 3) return false;
    theHasTime = true;
    theDateClosed = !theDateNumbers.empty() || theMonthName != 0;
    for (size_t k = 0; k < theCount; ++k) theTime[k] = theTokens[i + k].mValue;
    if (theMeridiemNext) {
      theHasMeridiem = true;
      thePM = theTokens[theEnd].mValue != 0;
      ++theEnd;
    }
    i = theEnd - 1;
  }
  if (theDateNumbers.size() > 3 || (theDateNumbers.empty() && theMonthName == 0 && !theHasTime)) return false;

  int64_t theHour = theTime[0];
  if (theHour > 23 || theTime[1] > 59 || theTime[2] > 59) return false;
  // AM and PM apply to hours up to 12 and are ignored after that.
  if (theHasMeridiem && theHour <= 12) {
    if (thePM && theHour < 12) theHour += 12;
    if (!thePM && theHour == 12) theHour = 0;
  }
  const double theFraction =
      static_cast<double>(theHour * 3600 + theTime[1] * 60 + theTime[2]) / static_cast<double>(kSecondsPerDay);

  int64_t theDay = 0;
  if (!theDateNumbers.empty() || theMonthName != 0) {
    int64_t theYear = 0;
    int64_t theMonth = 0;
    int64_t theDayOfMonth = 0;
    if (!ResolveDate(theDateNumbers, theMonthName, theYear, theMonth, theDayOfMonth)) return false;
    theDay = DaysFromCivil(theYear, static_cast<unsigned>(theMonth), static_cast<unsigned>(theDayOfMonth)) +
             kDaysTo1970;
  }
  const double theWhole = static_cast<double>(theDay);
  outDate = theDay < 0 ? theWhole - theFraction : theWhole + theFraction;
  return true;
}

// ---- conversions ----

HRESULT ObjectValue(const Value& inValue, LCID inLocale, USHORT inFlags, VARIANT& outValue) {
  if (inValue.mObject == nullptr || (inFlags & VARIANT_NOVALUEPROP)) return DISP_E_TYPEMISMATCH;
  IDispatch* theDispatch = nullptr;
  if (FAILED(inValue.mObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&theDispatch))))
    return DISP_E_TYPEMISMATCH;
  DISPPARAMS theNoArgs = {nullptr, nullptr, 0, 0};
  VariantInit(&outValue);
  const HRESULT theResult =
      theDispatch->Invoke(DISPID_VALUE, IID_NULL, inLocale, DISPATCH_PROPERTYGET, &theNoArgs, &outValue, nullptr, nullptr);
  theDispatch->Release();
  if (FAILED(theResult)) {
    VariantClear(&outValue);
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT Convert(VARIANT& outDest, const VARIANT& inSource, LCID inLocale, USHORT inFlags, VARTYPE inType, int inDepth);

// Rounds a real half to even to a whole number.
HRESULT WholeFromReal(double inReal, Whole& outWhole) {
  if (std::isnan(inReal)) return DISP_E_OVERFLOW;
  const double theRounded = std::nearbyint(inReal);
  if (std::fabs(theRounded) >= 18446744073709551616.0) return DISP_E_OVERFLOW;
  outWhole.mNegative = theRounded < 0;
  outWhole.mMagnitude = static_cast<uint64_t>(std::fabs(theRounded));
  return S_OK;
}

// Rounds currency half to even to a whole number.
Whole WholeFromCurrency(int64_t inCurrency) {
  Whole theWhole;
  theWhole.mNegative = inCurrency < 0;
  const uint64_t theMagnitude =
      theWhole.mNegative ? 0ull - static_cast<uint64_t>(inCurrency) : static_cast<uint64_t>(inCurrency);
  uint64_t theUnits = theMagnitude / kCurrencyScale;
  const uint64_t theRest = theMagnitude % kCurrencyScale;
  if (theRest > kCurrencyScale / 2 || (theRest == kCurrencyScale / 2 && (theUnits & 1))) ++theUnits;
  theWhole.mMagnitude = theUnits;
  theWhole.mNegative = theWhole.mNegative && theUnits != 0;
  return theWhole;
}

// The value as a whole number with sign, for the targets that need one (integers and currency).
HRESULT WholeOf(const Value& inValue, Whole& outWhole) {
  outWhole = Whole();
  switch (inValue.kind) {
    case Value::kEmpty: return S_OK;
    case Value::kSigned:
    case Value::kBool:
      outWhole.mNegative = inValue.mSigned < 0;
      outWhole.mMagnitude = outWhole.mNegative ? 0ull - static_cast<uint64_t>(inValue.mSigned)
                                               : static_cast<uint64_t>(inValue.mSigned);
      return S_OK;
    case Value::kUnsigned: outWhole.mMagnitude = inValue.mUnsigned; return S_OK;
    case Value::kReal:
    case Value::kDate: return WholeFromReal(inValue.mReal, outWhole);
    case Value::kCurrency: outWhole = WholeFromCurrency(inValue.mSigned); return S_OK;
    case Value::kString: {
      NumberText theNumber;
      const HRESULT theResult = ReadNumberText(inValue.mString, theNumber);
      if (FAILED(theResult)) return theResult;
      return ScaledWhole(theNumber, 0, outWhole);
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

// Whole-number targets: the range (as the magnitudes of the largest and the smallest value) and
// how the result is stored.
HRESULT ToWhole(VARIANT& outDest, const Value& inValue, VARTYPE inType) {
  uint64_t theMaxPositive = 0;
  uint64_t theMaxNegative = 0;
  switch (inType) {
    case VT_I1: theMaxPositive = 0x7F; theMaxNegative = 0x80; break;
    case VT_UI1: theMaxPositive = 0xFF; break;
    case VT_I2: theMaxPositive = 0x7FFF; theMaxNegative = 0x8000; break;
    case VT_UI2: theMaxPositive = 0xFFFF; break;
    case VT_I4:
    case VT_INT: theMaxPositive = 0x7FFFFFFF; theMaxNegative = 0x80000000; break;
    case VT_UI4:
    case VT_UINT: theMaxPositive = 0xFFFFFFFF; break;
    case VT_I8: theMaxPositive = 0x7FFFFFFFFFFFFFFF; theMaxNegative = 0x8000000000000000; break;
    case VT_UI8: theMaxPositive = 0xFFFFFFFFFFFFFFFF; break;
    default: return DISP_E_BADVARTYPE;
  }
  // The two's complement bits of the result; the store below keeps as many as the target has.
  uint64_t theBits = 0;
  if (inValue.kind == Value::kBool) {
    // Booleans never overflow: the 16-bit value wraps to the target, as Automation does (true
    // is 255 as VT_UI1 and 0xFFFFFFFF as VT_UI4).
    theBits = static_cast<uint64_t>(inValue.mSigned);
  } else {
    Whole theWhole;
    const HRESULT theResult = WholeOf(inValue, theWhole);
    if (FAILED(theResult)) return theResult;
    if (theWhole.mMagnitude > (theWhole.mNegative ? theMaxNegative : theMaxPositive)) return DISP_E_OVERFLOW;
    theBits = theWhole.mNegative ? 0ull - theWhole.mMagnitude : theWhole.mMagnitude;
  }
  V_VT(&outDest) = inType;
  switch (inType) {
    case VT_I1: outDest.cVal = static_cast<CHAR>(theBits); break;
    case VT_UI1: outDest.bVal = static_cast<BYTE>(theBits); break;
    case VT_I2: outDest.iVal = static_cast<SHORT>(theBits); break;
    case VT_UI2: outDest.uiVal = static_cast<USHORT>(theBits); break;
    case VT_I4:
    case VT_INT: outDest.lVal = static_cast<LONG>(theBits); break;
    case VT_UI4:
    case VT_UINT: outDest.ulVal = static_cast<ULONG>(theBits); break;
    case VT_I8: outDest.llVal = static_cast<LONGLONG>(theBits); break;
    case VT_UI8: outDest.ullVal = theBits; break;
    default: break;
  }
  return S_OK;
}

// The value as a double, for the real and date targets.
HRESULT RealOf(const Value& inValue, double& outReal) {
  outReal = 0;
  switch (inValue.kind) {
    case Value::kEmpty: return S_OK;
    case Value::kBool:
    case Value::kSigned: outReal = static_cast<double>(inValue.mSigned); return S_OK;
    case Value::kUnsigned: outReal = static_cast<double>(inValue.mUnsigned); return S_OK;
    case Value::kReal:
    case Value::kDate: outReal = inValue.mReal; return S_OK;
    case Value::kCurrency:
      outReal = static_cast<double>(inValue.mSigned) / static_cast<double>(kCurrencyScale);
      return S_OK;
    case Value::kString: {
      NumberText theNumber;
      const HRESULT theResult = ReadNumberText(inValue.mString, theNumber);
      if (FAILED(theResult)) return theResult;
      return RealFromText(theNumber, outReal);
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToReal(VARIANT& outDest, const Value& inValue, VARTYPE inType) {
  double theReal = 0;
  const HRESULT theResult = RealOf(inValue, theReal);
  if (FAILED(theResult)) return theResult;
  if (inType == VT_R4) {
    // Infinity is out of range too; NaN stays NaN.
    if (std::fabs(theReal) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
    V_VT(&outDest) = VT_R4;
    outDest.fltVal = static_cast<float>(theReal);
  } else {
    V_VT(&outDest) = VT_R8;
    outDest.dblVal = theReal;
  }
  return S_OK;
}

HRESULT ToCurrency(VARIANT& outDest, const Value& inValue) {
  int64_t theCurrency = 0;
  HRESULT theResult = S_OK;
  switch (inValue.kind) {
    case Value::kCurrency: theCurrency = inValue.mSigned; break;
    case Value::kReal:
    case Value::kDate: theResult = CurrencyFromReal(inValue.mReal, theCurrency); break;
    case Value::kString: {
      // Exactly, from the digits: "0.00005" is 0 and "0.00015" is 0.0002 (half to even).
      NumberText theNumber;
      Whole theScaled;
      theResult = ReadNumberText(inValue.mString, theNumber);
      if (SUCCEEDED(theResult)) theResult = ScaledWhole(theNumber, 4, theScaled);
      if (SUCCEEDED(theResult)) {
        if (theScaled.mMagnitude > (theScaled.mNegative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull))
          theResult = DISP_E_OVERFLOW;
        else
          theCurrency = static_cast<int64_t>(theScaled.mNegative ? 0ull - theScaled.mMagnitude : theScaled.mMagnitude);
      }
      break;
    }
    default: {
      Whole theWhole;
      theResult = WholeOf(inValue, theWhole);
      if (SUCCEEDED(theResult)) theResult = CurrencyFromWhole(theWhole, theCurrency);
      break;
    }
  }
  if (FAILED(theResult)) return theResult;
  V_VT(&outDest) = VT_CY;
  outDest.cyVal.int64 = theCurrency;
  return S_OK;
}

HRESULT ToDate(VARIANT& outDest, const Value& inValue) {
  double theDate = 0;
  if (inValue.kind == Value::kString) {
    // Dates are read from date text only: number text ("36526", "1.5") is no date.
    if (!ReadDateText(inValue.mString, theDate)) return DISP_E_TYPEMISMATCH;
  } else {
    const HRESULT theResult = RealOf(inValue, theDate);
    if (FAILED(theResult)) return theResult;
    if (!IsDateInRange(theDate)) return DISP_E_OVERFLOW;
  }
  V_VT(&outDest) = VT_DATE;
  outDest.date = theDate;
  return S_OK;
}

HRESULT ToBool(VARIANT& outDest, const Value& inValue) {
  VARIANT_BOOL theBool = VARIANT_FALSE;
  switch (inValue.kind) {
    case Value::kEmpty: break;
    // A boolean is copied as it is, even a value other than VARIANT_TRUE.
    case Value::kBool: theBool = static_cast<VARIANT_BOOL>(inValue.mSigned); break;
    case Value::kSigned:
    case Value::kCurrency: theBool = inValue.mSigned != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case Value::kUnsigned: theBool = inValue.mUnsigned != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case Value::kReal:
    case Value::kDate: theBool = inValue.mReal != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case Value::kString: {
      if (EqualsIgnoreCase(inValue.mString, "true") || EqualsIgnoreCase(inValue.mString, "#TRUE#")) {
        theBool = VARIANT_TRUE;
      } else if (EqualsIgnoreCase(inValue.mString, "false") || EqualsIgnoreCase(inValue.mString, "#FALSE#")) {
        theBool = VARIANT_FALSE;
      } else {
        // Other text is read as a double: "1e400" overflows, "1e-400" is 0 and so false.
        double theNumber = 0;
        const HRESULT theResult = RealOf(inValue, theNumber);
        if (FAILED(theResult)) return theResult;
        theBool = theNumber != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      }
      break;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
  V_VT(&outDest) = VT_BOOL;
  outDest.boolVal = theBool;
  return S_OK;
}

HRESULT ToString(VARIANT& outDest, const Value& inValue, USHORT inFlags) {
  std::string theText;
  switch (inValue.kind) {
    case Value::kEmpty: break;
    case Value::kBool:
      // Without a flag a boolean is written as the number it holds.
      if (inFlags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))
        theText = inValue.mSigned != 0 ? "True" : "False";
      else
        theText = std::to_string(inValue.mSigned);
      break;
    case Value::kSigned: theText = std::to_string(inValue.mSigned); break;
    case Value::kUnsigned: theText = std::to_string(inValue.mUnsigned); break;
    case Value::kReal: theText = RealText(inValue.mReal, inValue.mSingle); break;
    case Value::kCurrency: theText = CurrencyText(inValue.mSigned); break;
    case Value::kDate: {
      const HRESULT theResult = DateText(inValue.mReal, theText);
      if (FAILED(theResult)) return theResult;
      break;
    }
    case Value::kString:
      V_VT(&outDest) = VT_BSTR;
      V_BSTR(&outDest) = inValue.mString != nullptr
                             ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(inValue.mString),
                                                     SysStringByteLen(inValue.mString))
                             : nullptr;
      return (inValue.mString != nullptr && V_BSTR(&outDest) == nullptr) ? E_OUTOFMEMORY : S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
  V_BSTR(&outDest) = MakeString(theText);
  if (V_BSTR(&outDest) == nullptr) return E_OUTOFMEMORY;
  V_VT(&outDest) = VT_BSTR;
  return S_OK;
}

HRESULT ToObject(VARIANT& outDest, const Value& inValue, VARTYPE inType) {
  if (inValue.kind == Value::kEmpty) {
    V_VT(&outDest) = inType;
    V_UNKNOWN(&outDest) = nullptr;
    return S_OK;
  }
  if (inValue.kind != Value::kObject) return DISP_E_TYPEMISMATCH;
  V_VT(&outDest) = inType;
  V_UNKNOWN(&outDest) = nullptr;
  if (inValue.mObject == nullptr) return S_OK;
  void* theObject = nullptr;
  const HRESULT theResult =
      inValue.mObject->QueryInterface(inType == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &theObject);
  if (FAILED(theResult)) {
    V_VT(&outDest) = VT_EMPTY;
    return inType == VT_DISPATCH ? DISP_E_TYPEMISMATCH : theResult;
  }
  V_UNKNOWN(&outDest) = static_cast<IUnknown*>(theObject);
  return S_OK;
}

HRESULT Convert(VARIANT& outDest, const VARIANT& inSource, LCID inLocale, USHORT inFlags, VARTYPE inType,
                int inDepth) {
  VariantInit(&outDest);
  const Value theValue = Classify(inSource);
  if (inType & VT_ARRAY) {
    if (V_VT(&inSource) != inType) return DISP_E_TYPEMISMATCH;
    return VariantCopy(&outDest, &inSource);
  }
  // An object becomes a plain value through its default property.
  if (theValue.kind == Value::kObject && inType != VT_DISPATCH && inType != VT_UNKNOWN) {
    if (inDepth >= kMaxValueDepth) return DISP_E_TYPEMISMATCH;
    VARIANT theInner;
    HRESULT theResult = ObjectValue(theValue, inLocale, inFlags, theInner);
    if (FAILED(theResult)) return theResult;
    theResult = Convert(outDest, theInner, inLocale, inFlags, inType, inDepth + 1);
    VariantClear(&theInner);
    return theResult;
  }
  switch (inType) {
    case VT_EMPTY: return S_OK;
    case VT_NULL:
      if (theValue.kind != Value::kNull && theValue.kind != Value::kEmpty) return DISP_E_TYPEMISMATCH;
      V_VT(&outDest) = VT_NULL;
      return S_OK;
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: return ToWhole(outDest, theValue, inType);
    case VT_R4:
    case VT_R8: return ToReal(outDest, theValue, inType);
    case VT_CY: return ToCurrency(outDest, theValue);
    case VT_DATE: return ToDate(outDest, theValue);
    case VT_BOOL: return ToBool(outDest, theValue);
    case VT_BSTR: return ToString(outDest, theValue, inFlags);
    case VT_DISPATCH:
    case VT_UNKNOWN: return ToObject(outDest, theValue, inType);
    case VT_ERROR:
      if (theValue.kind != Value::kError) return DISP_E_TYPEMISMATCH;
      V_VT(&outDest) = VT_ERROR;
      V_ERROR(&outDest) = V_ERROR(&inSource);
      return S_OK;
    case VT_VARIANT: return VariantCopy(&outDest, &inSource);
    default: return DISP_E_BADVARTYPE;
  }
}

}  // namespace

HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* outDest, const VARIANTARG* inSource, LCID inLocale, USHORT inFlags,
                                   VARTYPE inType) {
  if (outDest == nullptr || inSource == nullptr) return E_INVALIDARG;
  if (inType & VT_BYREF) return DISP_E_BADVARTYPE;
  // By-reference sources are converted from the value they point at.
  VARIANT theSource;
  VariantInit(&theSource);
  HRESULT theResult = VariantCopyInd(&theSource, inSource);
  if (FAILED(theResult)) return theResult;
  VARIANT theResultValue;
  theResult = Convert(theResultValue, theSource, inLocale, inFlags, inType, 0);
  VariantClear(&theSource);
  if (FAILED(theResult)) {
    VariantClear(&theResultValue);
    return theResult;
  }
  // The destination may be the source itself: clear it only now.
  theResult = VariantClear(outDest);
  if (FAILED(theResult)) {
    VariantClear(&theResultValue);
    return theResult;
  }
  *outDest = theResultValue;
  return S_OK;
}

HRESULT WINAPI VariantChangeType(VARIANTARG* outDest, const VARIANTARG* inSource, USHORT inFlags, VARTYPE inType) {
  return VariantChangeTypeEx(outDest, inSource, LOCALE_USER_DEFAULT, inFlags, inType);
}
