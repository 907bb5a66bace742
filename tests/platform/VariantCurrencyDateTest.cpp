// VT_CY and VT_DATE in VariantChangeType, VariantCopy, VariantCopyInd and VariantClear. Each case
// carries the result Windows gives for it with LCID 0x0409, from Wine's conformance tests of the
// VarCyFromXx, VarXxFromCy, VarDateFromXx, VarXxFromDate, VarBstrFromCy, VarBstrFromDate and
// VarDateFromStr calls (which record Windows' results) and from Microsoft's documentation of
// the CY and DATE types.
#include <gtest/gtest.h>

#include <oleauto.h>

#include "VariantTestSupport.h"

#include <clocale>
#include <cmath>
#include <ctime>
#include <limits>
#include <string>

namespace {

void SetCurrency(Var& outVar, int64_t inTenThousandths) {
  VariantClear(&outVar);
  V_VT(&outVar) = VT_CY;
  V_CY(&outVar).int64 = inTenThousandths;
}

void SetDate(Var& outVar, double inDays) {
  VariantClear(&outVar);
  V_VT(&outVar) = VT_DATE;
  V_DATE(&outVar) = inDays;
}

std::string Narrow(const char16_t* inText) {
  std::string theText;
  for (const char16_t* p = inText; p != nullptr && *p != 0; ++p) theText.push_back(static_cast<char>(*p));
  return theText;
}

std::string Text(VARIANT* inVar) { return Narrow(V_BSTR(inVar)); }

int CurrentYear() {
  const std::time_t theNow = std::time(nullptr);
  std::tm theLocal{};
  localtime_r(&theNow, &theLocal);
  return theLocal.tm_year + 1900;
}

constexpr int64_t kUnit = 10000;  // one currency unit in ten-thousandths

}  // namespace

TEST(VariantCurrency, FromNumbers) {
  const struct {
    VARTYPE type;
    double in;       // the source value (whole numbers for the integer types)
    HRESULT result;  // Windows
    int64_t out;     // Windows, in ten-thousandths
  } theCases[] = {
      {VT_I4, 1, S_OK, kUnit},
      {VT_I4, -1, S_OK, -kUnit},
      {VT_I4, 2147483647, S_OK, 21474836470000},   // Windows: 0x00001387FFFFD8F0
      {VT_I4, -2147483648.0, S_OK, -21474836480000},
      {VT_UI4, 2147483648.0, S_OK, 21474836480000},  // Windows: 0x0000138800000000
      {VT_I8, 922337203685476, S_OK, 9223372036854760000},  // Windows: 0x7FFFFFFFFFFFC240
      {VT_I8, 922337203685477, DISP_E_OVERFLOW, 0},       // (although 9223372036854770000 would fit)
      {VT_I8, -922337203685476, S_OK, -9223372036854760000},
      {VT_I8, -922337203685477, DISP_E_OVERFLOW, 0},
      {VT_UI8, 922337203685476, S_OK, 9223372036854760000},
      {VT_UI8, 922337203685477, DISP_E_OVERFLOW, 0},
      {VT_R8, 1.5, S_OK, 15000},
      {VT_R8, -1.5, S_OK, -15000},
      {VT_R8, -0.0, S_OK, 0},
      {VT_R8, 1.00009f, S_OK, 10001},   // rounded to the ten-thousandth
      {VT_R8, -1.00005f, S_OK, -10000},
      {VT_R8, -0.00009f, S_OK, -1},
      {VT_R8, 0.00001f, S_OK, 0},
      {VT_R8, 0.00005f, S_OK, 0},
      {VT_R8, 4611686018427387648.0, DISP_E_OVERFLOW, 0},
      {VT_R8, -4611686018427388416.1, DISP_E_OVERFLOW, 0},
      {VT_R8, 1e15, DISP_E_OVERFLOW, 0},
      {VT_R4, 1.5f, S_OK, 15000},
      {VT_R4, 1.00009f, S_OK, 10001},
      {VT_DATE, -1.5, S_OK, -15000},
      {VT_DATE, 0.6, S_OK, 6000},
  };
  for (const auto& theCase : theCases) {
    Var theSource;
    ASSERT_TRUE(SetNumber(theSource, theCase.type, theCase.in));
    Var theResult;
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_CY), theCase.result)
        << "vt " << theCase.type << " " << theCase.in;
    if (theCase.result != S_OK) continue;
    EXPECT_EQ(V_VT(&theResult), VT_CY);
    EXPECT_EQ(V_CY(&theResult).int64, theCase.out) << "vt " << theCase.type << " " << theCase.in;
  }

  // Booleans, VT_EMPTY and VT_NULL.
  Var theSource;
  Var theResult;
  V_VT(&theSource) = VT_BOOL;
  V_BOOL(&theSource) = VARIANT_TRUE;
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_CY), S_OK);
  EXPECT_EQ(V_CY(&theResult).int64, -kUnit);  // Windows: -1
  VariantClear(&theSource);
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_CY), S_OK);
  EXPECT_EQ(V_CY(&theResult).int64, 0);  // Windows: 0
  V_VT(&theSource) = VT_NULL;
  EXPECT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_CY), DISP_E_TYPEMISMATCH);
}

TEST(VariantCurrency, ToNumbers) {
  // Whole targets round half to even; reals take the exact quotient.
  const struct {
    int64_t in;      // ten-thousandths
    VARTYPE type;
    HRESULT result;  // Windows
    int64_t out;     // Windows
  } theWhole[] = {
      {-15000, VT_I4, S_OK, -2},  {-6000, VT_I4, S_OK, -1}, {-5000, VT_I4, S_OK, 0},
      {-4000, VT_I4, S_OK, 0},    {4000, VT_I4, S_OK, 0},   {5000, VT_I4, S_OK, 0},
      {6000, VT_I4, S_OK, 1},     {15000, VT_I4, S_OK, 2},  {25000, VT_I4, S_OK, 2},
      {-6000, VT_UI1, DISP_E_OVERFLOW, 0},
      {-5000, VT_UI1, S_OK, 0},
      {255 * kUnit, VT_UI1, S_OK, 255},
      {256 * kUnit, VT_UI1, DISP_E_OVERFLOW, 0},
      {2147483647 * kUnit, VT_I4, S_OK, 2147483647},
      {2147483648 * kUnit, VT_I4, DISP_E_OVERFLOW, 0},
      {-2147483648 * kUnit, VT_I4, S_OK, -2147483648},
      {std::numeric_limits<int64_t>::max(), VT_I8, S_OK, 922337203685478},
      {std::numeric_limits<int64_t>::min(), VT_I8, S_OK, -922337203685478},
      {-1 * kUnit, VT_UI8, DISP_E_OVERFLOW, 0},
  };
  for (const auto& theCase : theWhole) {
    Var theSource;
    Var theResult;
    SetCurrency(theSource, theCase.in);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, theCase.type), theCase.result)
        << theCase.in << " vt " << theCase.type;
    if (theCase.result != S_OK) continue;
    EXPECT_EQ(WholeValue(&theResult), theCase.out) << theCase.in << " vt " << theCase.type;
  }

  const struct {
    int64_t in;
    double out;  // Windows
  } theReal[] = {{-15000, -1.5}, {-6000, -0.6}, {4000, 0.4}, {1, 0.0001}, {-327690000, -32769}};
  for (const auto& theCase : theReal) {
    Var theSource;
    Var theResult;
    SetCurrency(theSource, theCase.in);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_R8), S_OK);
    EXPECT_EQ(V_R8(&theResult), theCase.out) << theCase.in;
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_R4), S_OK);
    EXPECT_EQ(V_R4(&theResult), static_cast<float>(theCase.out)) << theCase.in;
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_DATE), S_OK);
    EXPECT_EQ(V_DATE(&theResult), theCase.out) << theCase.in;
  }

  const struct {
    int64_t in;
    VARIANT_BOOL out;  // Windows
  } theBool[] = {{0, VARIANT_FALSE}, {1, VARIANT_TRUE}, {-kUnit, VARIANT_TRUE}, {32768 * kUnit, VARIANT_TRUE}};
  for (const auto& theCase : theBool) {
    Var theSource;
    Var theResult;
    SetCurrency(theSource, theCase.in);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_BOOL), S_OK);
    EXPECT_EQ(V_BOOL(&theResult), theCase.out) << theCase.in;
  }
}

TEST(VariantCurrency, Text) {
  const struct {
    int64_t in;
    const char* out;  // Windows
  } theWritten[] = {
      {0, "0"},
      {10000, "1"},
      {15000, "1.5"},
      {-15000, "-1.5"},
      {9, "0.0009"},
      {-1, "-0.0001"},
      {0xFFFFFFFFll, "429496.7295"},
      {0x100000000ll, "429496.7296"},
      {std::numeric_limits<int64_t>::max(), "922337203685477.5807"},
      {std::numeric_limits<int64_t>::min(), "-922337203685477.5808"},
  };
  for (const auto& theCase : theWritten) {
    Var theSource;
    Var theResult;
    SetCurrency(theSource, theCase.in);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Text(&theResult), theCase.out) << theCase.in;
  }

  // Text is read exactly from its digits, in the number forms of US English.
  const struct {
    const char16_t* text;
    HRESULT result;  // Windows
    int64_t out;     // Windows, in ten-thousandths
  } theRead[] = {
      {u"1.5", S_OK, 15000},
      {u"$1,234.56", S_OK, 12345600},
      {u"($1,234.56)", S_OK, -12345600},
      {u"12-", S_OK, -120000},
      {u"(0.0001)", S_OK, -1},
      {u"1.23456", S_OK, 12346},
      {u"1.23454", S_OK, 12345},
      {u"0.00005", S_OK, 0},  // half to even
      {u"0.00025", S_OK, 2},
      {u"0.00075", S_OK, 8},
      {u"1e-400", S_OK, 0},
      {u"1e15", DISP_E_OVERFLOW, 0},
      {u"1/2/2000", DISP_E_TYPEMISMATCH, 0},
      {u"", DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& theCase : theRead) {
    Var theSource;
    Var theResult;
    SetText(theSource, theCase.text);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_CY), theCase.result) << Narrow(theCase.text);
    if (theCase.result != S_OK) continue;
    EXPECT_EQ(V_CY(&theResult).int64, theCase.out) << Narrow(theCase.text);
  }

  // What is written reads back as the same amount (the two extremes left aside).
  for (const auto& theCase : theWritten) {
    if (theCase.in == std::numeric_limits<int64_t>::max() || theCase.in == std::numeric_limits<int64_t>::min())
      continue;
    Var theSource;
    Var theText;
    Var theBack;
    SetCurrency(theSource, theCase.in);
    ASSERT_EQ(VariantChangeType(&theText, &theSource, 0, VT_BSTR), S_OK);
    ASSERT_EQ(VariantChangeType(&theBack, &theText, 0, VT_CY), S_OK) << theCase.out;
    EXPECT_EQ(V_CY(&theBack).int64, theCase.in) << theCase.out;
  }
}

TEST(VariantDate, FromNumbers) {
  // Dates run from 1 January 100 (-657434) to 31 December 9999 (2958465).
  const struct {
    VARTYPE type;
    double in;
    HRESULT result;  // Windows
    double out;      // Windows
  } theCases[] = {
      {VT_I4, -657434, S_OK, -657434},
      {VT_I4, -657435, DISP_E_OVERFLOW, 0},
      {VT_I4, 2958465, S_OK, 2958465},
      {VT_I4, 2958466, DISP_E_OVERFLOW, 0},
      {VT_I4, -1, S_OK, -1},
      {VT_I8, 2958466, DISP_E_OVERFLOW, 0},
      {VT_UI4, 2958466, DISP_E_OVERFLOW, 0},
      {VT_R8, 1.5, S_OK, 1.5},
      {VT_R8, -1.0, S_OK, -1.0},
      {VT_R8, 2958465.75, S_OK, 2958465.75},
      {VT_R4, 1.5f, S_OK, 1.5},
  };
  for (const auto& theCase : theCases) {
    Var theSource;
    ASSERT_TRUE(SetNumber(theSource, theCase.type, theCase.in));
    Var theResult;
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_DATE), theCase.result)
        << "vt " << theCase.type << " " << theCase.in;
    if (theCase.result != S_OK) continue;
    EXPECT_EQ(V_VT(&theResult), VT_DATE);
    EXPECT_EQ(V_DATE(&theResult), theCase.out) << "vt " << theCase.type << " " << theCase.in;
  }

  Var theTrue;
  Var theResult;
  V_VT(&theTrue) = VT_BOOL;
  V_BOOL(&theTrue) = VARIANT_TRUE;
  ASSERT_EQ(VariantChangeType(&theResult, &theTrue, 0, VT_DATE), S_OK);
  EXPECT_EQ(V_DATE(&theResult), -1.0);  // Windows: -1
}

TEST(VariantDate, ToNumbers) {
  // A date is its count of days to the numeric targets; whole targets round half to even.
  const struct {
    double in;
    VARTYPE type;
    HRESULT result;  // Windows
    int64_t out;     // Windows
  } theWhole[] = {
      {-1.5, VT_I4, S_OK, -2}, {-0.6, VT_I4, S_OK, -1}, {-0.5, VT_I4, S_OK, 0}, {0.5, VT_I4, S_OK, 0},
      {0.6, VT_I4, S_OK, 1},   {1.5, VT_I4, S_OK, 2},   {2.5, VT_I4, S_OK, 2},
      {-0.6, VT_UI1, DISP_E_OVERFLOW, 0},
      {256.0, VT_UI1, DISP_E_OVERFLOW, 0},
      {36526.0, VT_I2, DISP_E_OVERFLOW, 0},
      {36526.0, VT_I4, S_OK, 36526},
  };
  for (const auto& theCase : theWhole) {
    Var theSource;
    Var theResult;
    SetDate(theSource, theCase.in);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, theCase.type), theCase.result)
        << theCase.in << " vt " << theCase.type;
    if (theCase.result != S_OK) continue;
    EXPECT_EQ(WholeValue(&theResult), theCase.out) << theCase.in << " vt " << theCase.type;
  }

  Var theSource;
  Var theResult;
  SetDate(theSource, 36526.25);
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_R8), S_OK);
  EXPECT_EQ(V_R8(&theResult), 36526.25);  // Windows: 36526.25
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_R4), S_OK);
  EXPECT_EQ(V_R4(&theResult), 36526.25f);  // Windows: 36526.25
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_BOOL), S_OK);
  EXPECT_EQ(V_BOOL(&theResult), VARIANT_TRUE);  // Windows: VARIANT_TRUE
  SetDate(theSource, -0.0);
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_BOOL), S_OK);
  EXPECT_EQ(V_BOOL(&theResult), VARIANT_FALSE);  // Windows: VARIANT_FALSE
}

TEST(VariantDate, Text) {
  // US English: "M/d/yyyy" and "h:mm:ss AM"; the date alone at midnight, the time alone on day 0.
  const struct {
    double in;
    HRESULT result;   // Windows
    const char* out;  // Windows
  } theCases[] = {
      {0.0, S_OK, "12:00:00 AM"},
      {3.34, S_OK, "1/2/1900 8:09:36 AM"},
      {3339.34, S_OK, "2/20/1909 8:09:36 AM"},
      {365.0, S_OK, "12/30/1900"},
      {365.25, S_OK, "12/30/1900 6:00:00 AM"},
      {1461.0, S_OK, "12/31/1903"},
      {1461.5, S_OK, "12/31/1903 12:00:00 PM"},
      {25570.0, S_OK, "1/2/1970"},
      {36527.0, S_OK, "1/2/2000"},
      {36527.0 + 54245.0 / 86400.0, S_OK, "1/2/2000 3:04:05 PM"},
      {54245.0 / 86400.0, S_OK, "3:04:05 PM"},
      {-5.25, S_OK, "12/25/1899 6:00:00 AM"},  // before day 0 the time still counts forward
      {2958465.0, S_OK, "12/31/9999"},
      {-657434.0, S_OK, "1/1/100"},
      {29221.9888884444, S_OK, "1/1/1980 11:44:00 PM"},  // rounded to the second
      {2958466.0, E_INVALIDARG, ""},
      {-657435.0, E_INVALIDARG, ""},
  };
  for (const auto& theCase : theCases) {
    Var theSource;
    Var theResult;
    SetDate(theSource, theCase.in);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_BSTR), theCase.result) << theCase.in;
    if (theCase.result != S_OK) continue;
    EXPECT_EQ(Text(&theResult), theCase.out) << theCase.in;
    // And the text reads back as the same date.
    Var theBack;
    ASSERT_EQ(VariantChangeType(&theBack, &theResult, 0, VT_DATE), S_OK) << theCase.out;
    EXPECT_NEAR(V_DATE(&theBack), theCase.in, 0.5 / 86400) << theCase.out;
  }
}

TEST(VariantDate, ReadsDateText) {
  const int theYear = CurrentYear();
  auto theDayOfThisYear = [&](int inMonth, int inDay) {
    // "month/day/year" text, whose meaning the absolute cases below pin down.
    const std::string theText = std::to_string(inMonth) + "/" + std::to_string(inDay) + "/" + std::to_string(theYear);
    const std::u16string theWide(theText.begin(), theText.end());
    Var theSource;
    Var theResult;
    SetText(theSource, theWide.c_str());
    EXPECT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_DATE), S_OK) << theText;
    return V_DATE(&theResult);
  };
  const struct {
    const char16_t* text;
    double out;  // Windows
  } theCases[] = {
      {u"1/2/1970", 25570.0},
      {u"1-2-1970", 25570.0},
      {u"1 2 1970", 25570.0},
      {u"2 January 1970", 25570.0},
      {u"2 January, 1970", 25570.0},
      {u"2 Jan 1970", 25570.0},
      {u"2-Jan-1970", 25570.0},
      {u"2/Jan/1970", 25570.0},
      {u"January 2, 1970", 25570.0},
      {u"1/2/2000", 36527.0},
      {u"1/2/2000 3:04:05 PM", 36527.0 + 54245.0 / 86400.0},
      {u"3:04:05 PM", 54245.0 / 86400.0},
      {u"12:00:00 AM", 0.0},
      {u"12/25/1899 6:00:00 AM", -5.25},
      {u"2000-01-02", 36527.0},
      {u"1 2 29", 47120.0},   // two-digit years up to 29 are 20xx
      {u"1 2 30", 10960.0},   // from 30 on they are 19xx
      {u"1 2 31", 11325.0},
      {u"1 2 3", 37623.0},    // month/day/year first
      {u"14 2 3", 41673.0},   // then year/month/day
      {u"2 14 3", 37666.0},
      {u"2 3 14", 41673.0},
      {u"32 2 3", 11722.0},
      {u"2 3 32", 11722.0},
      {u"30 2", 10990.0},     // no day of the month: month and year
      {u"2 30", 10990.0},
      {u"Jan 35", 12785.0},   // no day: the number is the year
      {u"35 Jan", 12785.0},
      {u"Jan-35", 12785.0},
      {u"35/Jan", 12785.0},
      {u"1 am", 1.0 / 24},
      {u"0:1", 60.0 / 86400},
      {u"0:20", 1200.0 / 86400},
      {u"3:5", 11100.0 / 86400},
      {u"0.1", 60.0 / 86400},  // "." separates the parts of a time as ":" does
      {u"2.5", 7500.0 / 86400},
      {u"1.5.2", 3902.0 / 86400},
      {u"00:00 AM", 0.0},
      {u"00:00 a", 0.0},
      {u"12:59 AM", 3540.0 / 86400},
      {u"12:59 A", 3540.0 / 86400},
      {u"00:00 pm", 0.5},
      {u"00:00 p", 0.5},
      {u"12:59 pm", 0.5 + 3540.0 / 86400},
      {u"13:00 AM", 13.0 / 24},  // AM and PM are ignored after 12
      {u"13:00 PM", 13.0 / 24},
      {u"1 2 3 4.5", 37623.0 + 14700.0 / 86400},
      {u"1.2 3 4 5", 38415.0 + 3720.0 / 86400},
      {u"1.2.3 4 5 6", 38812.0 + 3723.0 / 86400},
      {u"1 2 3 4.5.6", 37623.0 + 14706.0 / 86400},
  };
  for (const auto& theCase : theCases) {
    Var theSource;
    Var theResult;
    SetText(theSource, theCase.text);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_DATE), S_OK) << Narrow(theCase.text);
    EXPECT_EQ(V_VT(&theResult), VT_DATE);
    EXPECT_NEAR(V_DATE(&theResult), theCase.out, 1e-9) << Narrow(theCase.text);
  }

  // Without a year: a day of the current year.
  const struct {
    const char16_t* text;
    int month;    // Windows
    int day;      // Windows
    double time;  // Windows
  } theThisYear[] = {
      {u"1 2", 1, 2, 0},
      {u"2 1", 2, 1, 0},
      {u"14 1", 1, 14, 0},  // the month where the other number cannot be one
      {u"1 14", 1, 14, 0},
      {u"Jan 2", 1, 2, 0},
      {u"2 Jan", 1, 2, 0},
      {u"3 am 1 2", 1, 2, 0.125},  // with a time before or after the date
      {u"1 2 3 am", 1, 2, 0.125},
  };
  for (const auto& theCase : theThisYear) {
    Var theSource;
    Var theResult;
    SetText(theSource, theCase.text);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_DATE), S_OK) << Narrow(theCase.text);
    EXPECT_NEAR(V_DATE(&theResult), theDayOfThisYear(theCase.month, theCase.day) + theCase.time, 1e-9)
        << Narrow(theCase.text);
  }

  // Windows: DISP_E_TYPEMISMATCH for every one of these.
  for (const char16_t* theBad :
       {u"", u"True", u"False", u"0.", u".0", u"-1.1", u"1.1-", u"1;2;3", u"1*2*3", u"1@2@3", u"1#2#3", u"(1:2)",
        u"<1:2>", u"1|2|3", u"0", u"1", u"36526", u"0.60", u"24.00", u"0:60", u"24:00", u"1 2 am", u"1 am 2",
        u"1.5 2", u"1 5.2", u"2 32 3", u"1 2 am 3", u"1 2.3 4", u"1.2.3 4", u"1 2.3.4", u"1.2 3.4", u"1.2.3.4",
        u"1 2 3 4", u"1 am 2 3.4", u"1 2 am 3.4", u"1.2 3 am 4", u"1.2 3 4 am", u"1.2.3.4.5", u"1 2 3 4 5",
        u"32 49", u"0 49", u"02.01.1970 00:00:00"}) {
    Var theSource;
    Var theResult;
    SetText(theSource, theBad);
    EXPECT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_DATE), DISP_E_TYPEMISMATCH) << Narrow(theBad);
  }
}

TEST(VariantDate, TextDoesNotFollowTheProcessLocale) {
  const char* theOld = std::setlocale(LC_ALL, nullptr);
  const std::string theSaved = theOld != nullptr ? theOld : "C";
  const bool theGerman = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  Var theSource;
  Var theResult;
  SetDate(theSource, 36527.0 + 54245.0 / 86400.0);
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Text(&theResult), "1/2/2000 3:04:05 PM");  // Windows (LCID 0x0409)
  SetCurrency(theSource, 12345);
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_BSTR), S_OK);
  EXPECT_EQ(Text(&theResult), "1.2345");  // Windows (LCID 0x0409)
  SetText(theSource, u"1/2/2000");
  ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_DATE), S_OK);
  EXPECT_EQ(V_DATE(&theResult), 36527.0);  // Windows (LCID 0x0409): 2 January, not 1 February
  std::setlocale(LC_ALL, theSaved.c_str());
  if (!theGerman) GTEST_SKIP() << "de_DE.UTF-8 is not installed; ran under the C locale only";
}

TEST(VariantCurrencyDate, CopyClearAndByReference) {
  // Neither type holds a pointer: copies are plain, clearing frees nothing, and the VT_BYREF
  // forms point at a CY or a DATE that copies and conversions read through.
  const struct {
    VARTYPE type;
    int64_t currency;   // the VT_CY value, in ten-thousandths
    double date;        // the VT_DATE value
    const char* text;   // Windows: the value as VT_BSTR
    double real;        // Windows: the value as VT_R8
  } theCases[] = {
      {VT_CY, 15000, 0, "1.5", 1.5},
      {VT_CY, -1, 0, "-0.0001", -0.0001},
      {VT_DATE, 0, 36527.5, "1/2/2000 12:00:00 PM", 36527.5},
      {VT_DATE, 0, 0.25, "6:00:00 AM", 0.25},
  };
  for (const auto& theCase : theCases) {
    Var theValue;
    V_VT(&theValue) = theCase.type;
    if (theCase.type == VT_CY)
      V_CY(&theValue).int64 = theCase.currency;
    else
      V_DATE(&theValue) = theCase.date;

    Var theCopy;
    ASSERT_EQ(VariantCopy(&theCopy, &theValue), S_OK);
    EXPECT_EQ(V_VT(&theCopy), theCase.type);
    EXPECT_EQ(V_CY(&theCopy).int64, V_CY(&theValue).int64);
    EXPECT_EQ(VariantClear(&theCopy), S_OK);
    EXPECT_EQ(V_VT(&theCopy), VT_EMPTY);

    CY theCurrency;
    theCurrency.int64 = theCase.currency;
    DATE theDate = theCase.date;
    Var theRef;
    V_VT(&theRef) = VT_BYREF | theCase.type;
    if (theCase.type == VT_CY)
      V_CYREF(&theRef) = &theCurrency;
    else
      V_DATEREF(&theRef) = &theDate;

    Var theRefCopy;
    ASSERT_EQ(VariantCopy(&theRefCopy, &theRef), S_OK);
    EXPECT_EQ(V_VT(&theRefCopy), VT_BYREF | theCase.type);
    EXPECT_EQ(V_BYREF(&theRefCopy), V_BYREF(&theRef));

    Var theDeref;
    ASSERT_EQ(VariantCopyInd(&theDeref, &theRef), S_OK);
    ASSERT_EQ(V_VT(&theDeref), theCase.type);
    EXPECT_EQ(V_CY(&theDeref).int64, V_CY(&theValue).int64);

    Var theResult;
    ASSERT_EQ(VariantChangeType(&theResult, &theRef, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Text(&theResult), theCase.text);
    ASSERT_EQ(VariantChangeType(&theResult, &theRef, 0, VT_R8), S_OK);
    EXPECT_EQ(V_R8(&theResult), theCase.real);

    // Through a VT_VARIANT reference as well.
    Var theVariantRef;
    V_VT(&theVariantRef) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&theVariantRef) = &theValue;
    ASSERT_EQ(VariantChangeType(&theResult, &theVariantRef, 0, VT_BSTR), S_OK);
    EXPECT_EQ(Text(&theResult), theCase.text);

    // Clearing a by-reference VARIANT leaves what it points at alone.
    EXPECT_EQ(VariantClear(&theRef), S_OK);
    EXPECT_EQ(V_VT(&theRef), VT_EMPTY);
    EXPECT_EQ(theCurrency.int64, theCase.currency);
    EXPECT_EQ(theDate, theCase.date);
  }

  // A VT_DATE or VT_CY onto itself, in place.
  Var theSame;
  SetDate(theSame, 25570.0);
  ASSERT_EQ(VariantChangeType(&theSame, &theSame, 0, VT_CY), S_OK);
  EXPECT_EQ(V_VT(&theSame), VT_CY);
  EXPECT_EQ(V_CY(&theSame).int64, 255700000);
  ASSERT_EQ(VariantChangeType(&theSame, &theSame, 0, VT_DATE), S_OK);
  EXPECT_EQ(V_DATE(&theSame), 25570.0);
}
