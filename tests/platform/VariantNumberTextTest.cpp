// Number text in VariantChangeType: the US English forms (thousands separators, currency sign,
// parentheses and trailing signs, no-break spaces), underflow and overflow, and booleans as
// numbers. Each case carries the result Windows gives for it with LCID 0x0409; they come from
// Wine's conformance tests of VarParseNumFromStr, VarNumFromParseNum and the VarXxFromStr and
// VarXxFromBool calls, which record Windows' results, and from Microsoft's documentation of
// VariantChangeType.
#include <gtest/gtest.h>

#include <oleauto.h>

#include "VariantTestSupport.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <string>

namespace {

std::string Printable(const char16_t* inText) {
  std::string theText;
  for (const char16_t* p = inText; *p != 0; ++p) {
    if (*p >= 0x20 && *p < 0x7F) {
      theText.push_back(static_cast<char>(*p));
    } else {
      char theEscape[16];
      std::snprintf(theEscape, sizeof(theEscape), "\\u%04X", static_cast<unsigned>(*p));
      theText += theEscape;
    }
  }
  return "\"" + theText + "\"";
}

// Text read as VT_R8.
struct RealCase {
  const char16_t* text;
  HRESULT result;  // what Windows returns
  double value;    // the VT_R8 Windows gives
};

void ExpectReals(const RealCase* inCases, size_t inCount) {
  for (size_t i = 0; i < inCount; ++i) {
    const RealCase& theCase = inCases[i];
    Var theSource;
    Var theResult;
    SetText(theSource, theCase.text);
    EXPECT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_R8), theCase.result) << Printable(theCase.text);
    if (theCase.result == S_OK && V_VT(&theResult) == VT_R8) {
      EXPECT_EQ(V_R8(&theResult), theCase.value) << Printable(theCase.text);
    }
  }
}

}  // namespace

TEST(VariantNumberText, ThousandsSeparators) {
  // "," may stand anywhere after the first digit of the whole part, as often as written, but not
  // before the first digit.
  const RealCase theCases[] = {
      {u"1,000", S_OK, 1000},                  // Windows: 1000
      {u"1,000,000", S_OK, 1000000},           // Windows: 1000000
      {u"1,,000", S_OK, 1000},                 // Windows: 1000 (consecutive separators)
      {u"1,00,0,,", S_OK, 1000},               // Windows: 1000 (separators anywhere)
      {u"1,", S_OK, 1},                        // Windows: 1
      {u"1,001.5", S_OK, 1001.5},              // Windows: 1001.5
      {u",1,000", DISP_E_TYPEMISMATCH, 0},     // Windows: DISP_E_TYPEMISMATCH (leading separator)
      {u"1 000", DISP_E_TYPEMISMATCH, 0},      // Windows: DISP_E_TYPEMISMATCH (a space is no separator)
      {u"1\u00A0000", DISP_E_TYPEMISMATCH, 0}, // Windows: DISP_E_TYPEMISMATCH (nor a no-break space)
  };
  ExpectReals(theCases, std::size(theCases));
}

TEST(VariantNumberText, CurrencySign) {
  // One "$" before the amount (before or after a sign, with white space after it), any number
  // after the amount; no other currency sign.
  const RealCase theCases[] = {
      {u"$12", S_OK, 12},                      // Windows: 12
      {u"$1,234.5", S_OK, 1234.5},             // Windows: 1234.5
      {u"$-11", S_OK, -11},                    // Windows: -11
      {u"-$11", S_OK, -11},                    // Windows: -11
      {u"$ 11", S_OK, 11},                     // Windows: 11 (white space after the sign)
      {u"$11$$", S_OK, 11},                    // Windows: 11 (repeated after the amount)
      {u"11 $", S_OK, 11},                     // Windows: 11
      {u"$", DISP_E_TYPEMISMATCH, 0},          // Windows: DISP_E_TYPEMISMATCH (no digits)
      {u"$$11", DISP_E_TYPEMISMATCH, 0},       // Windows: DISP_E_TYPEMISMATCH (twice before)
      {u"1\u00A3", DISP_E_TYPEMISMATCH, 0},    // Windows: DISP_E_TYPEMISMATCH (pound sign)
      {u"\u20AC12", DISP_E_TYPEMISMATCH, 0},   // Windows: DISP_E_TYPEMISMATCH (euro sign)
  };
  ExpectReals(theCases, std::size(theCases));
}

TEST(VariantNumberText, SignsAndParentheses) {
  // One sign: leading or trailing "+" or "-", or parentheses around the amount for a negative.
  const RealCase theCases[] = {
      {u"(12)", S_OK, -12},                    // Windows: -12
      {u"(0)", S_OK, 0},                       // Windows: 0
      {u"($1,234.50)", S_OK, -1234.5},         // Windows: -1234.5
      {u"12-", S_OK, -12},                     // Windows: -12
      {u"12+", S_OK, 12},                      // Windows: 12
      {u" + 0", S_OK, 0},                      // Windows: 0 (white space around the sign)
      {u"- 7", S_OK, -7},                      // Windows: -7
      {u"()", DISP_E_TYPEMISMATCH, 0},         // Windows: DISP_E_TYPEMISMATCH
      {u"(12", DISP_E_TYPEMISMATCH, 0},        // Windows: DISP_E_TYPEMISMATCH (not closed)
      {u"12)", DISP_E_TYPEMISMATCH, 0},        // Windows: DISP_E_TYPEMISMATCH (not opened)
      {u"0()", DISP_E_TYPEMISMATCH, 0},        // Windows: DISP_E_TYPEMISMATCH
      {u"-12-", DISP_E_TYPEMISMATCH, 0},       // Windows: DISP_E_TYPEMISMATCH (two signs)
      {u"+0+", DISP_E_TYPEMISMATCH, 0},        // Windows: DISP_E_TYPEMISMATCH (two signs)
      {u"+ +0", DISP_E_TYPEMISMATCH, 0},       // Windows: DISP_E_TYPEMISMATCH (two signs)
  };
  ExpectReals(theCases, std::size(theCases));
}

TEST(VariantNumberText, WhiteSpaceAroundTheDigits) {
  // Before and after the digits: the space, the no-break space and the C0 spacing controls.
  const RealCase theCases[] = {
      {u"\u00A012\u00A0", S_OK, 12},           // Windows: 12
      {u"\u00A0-12", S_OK, -12},               // Windows: -12
      {u"\t12\r\n", S_OK, 12},                 // Windows: 12
      {u"\v\f12", S_OK, 12},                   // Windows: 12
      {u" ", DISP_E_TYPEMISMATCH, 0},          // Windows: DISP_E_TYPEMISMATCH
      {u"1\t2", DISP_E_TYPEMISMATCH, 0},       // Windows: DISP_E_TYPEMISMATCH
  };
  ExpectReals(theCases, std::size(theCases));
}

TEST(VariantNumberText, DecimalsAndExponents) {
  const RealCase theCases[] = {
      {u"1.", S_OK, 1},                        // Windows: 1 (no digits after the point)
      {u"-0.51", S_OK, -0.51},                 // Windows: -0.51
      {u"0.10", S_OK, 0.1},                    // Windows: 0.1
      {u"1e+01", S_OK, 10},                    // Windows: 10
      {u"1e-1", S_OK, 0.1},                    // Windows: 0.1
      {u"1.5e20", S_OK, 1.5e20},               // Windows: 1.5E+20
      {u"1..1", DISP_E_TYPEMISMATCH, 0},       // Windows: DISP_E_TYPEMISMATCH (one point only)
      {u"1.1.", DISP_E_TYPEMISMATCH, 0},       // Windows: DISP_E_TYPEMISMATCH
      {u"1e", DISP_E_TYPEMISMATCH, 0},         // Windows: DISP_E_TYPEMISMATCH (no exponent digits)
      {u"1e1.", DISP_E_TYPEMISMATCH, 0},       // Windows: DISP_E_TYPEMISMATCH (whole exponent only)
      {u"0x10", DISP_E_TYPEMISMATCH, 0},       // Windows: DISP_E_TYPEMISMATCH (no C hexadecimal)
      {u"FE", DISP_E_TYPEMISMATCH, 0},         // Windows: DISP_E_TYPEMISMATCH
      {u"\u0660", DISP_E_TYPEMISMATCH, 0},     // Windows: DISP_E_TYPEMISMATCH (Arabic-Indic zero)
  };
  ExpectReals(theCases, std::size(theCases));
}

TEST(VariantNumberText, UnderflowIsZeroOverflowIsAnError) {
  const struct {
    const char16_t* text;
    VARTYPE type;
    HRESULT result;  // Windows
  } theCases[] = {
      {u"1e-400", VT_R8, S_OK},                 // Windows: 0
      {u"-1e-400", VT_R8, S_OK},                // Windows: 0
      {u"1e-400", VT_R4, S_OK},                 // Windows: 0
      {u"1e-50", VT_R4, S_OK},                  // Windows: 0 (below single precision)
      {u"1e-400", VT_I4, S_OK},                 // Windows: 0
      {u"1e-400", VT_CY, S_OK},                 // Windows: 0
      {u"1e-400", VT_BOOL, S_OK},               // Windows: VARIANT_FALSE
      {u"1e400", VT_R8, DISP_E_OVERFLOW},       // Windows: DISP_E_OVERFLOW
      {u"-1e400", VT_R8, DISP_E_OVERFLOW},      // Windows: DISP_E_OVERFLOW
      {u"1e39", VT_R4, DISP_E_OVERFLOW},        // Windows: DISP_E_OVERFLOW
      {u"1e400", VT_I4, DISP_E_OVERFLOW},       // Windows: DISP_E_OVERFLOW
      {u"1e400", VT_CY, DISP_E_OVERFLOW},       // Windows: DISP_E_OVERFLOW
      {u"1e400", VT_BOOL, DISP_E_OVERFLOW},     // Windows: DISP_E_OVERFLOW (read as VT_R8)
      {u"-1e400", VT_BOOL, DISP_E_OVERFLOW},    // Windows: DISP_E_OVERFLOW
  };
  for (const auto& theCase : theCases) {
    Var theSource;
    Var theResult;
    SetText(theSource, theCase.text);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, theCase.type), theCase.result)
        << Printable(theCase.text) << " vt " << theCase.type;
    if (theCase.result != S_OK) continue;
    switch (theCase.type) {
      case VT_R8: EXPECT_EQ(V_R8(&theResult), 0.0) << Printable(theCase.text); break;
      case VT_R4: EXPECT_EQ(V_R4(&theResult), 0.0f) << Printable(theCase.text); break;
      case VT_BOOL: EXPECT_EQ(V_BOOL(&theResult), VARIANT_FALSE) << Printable(theCase.text); break;
      default: EXPECT_EQ(WholeValue(&theResult), 0) << Printable(theCase.text); break;
    }
  }
}

TEST(VariantNumberText, WholeNumbersFromText) {
  // Whole targets round half to even and are computed from the digits, so that every VT_I8 and
  // VT_UI8 value can be written as text.
  const struct {
    const char16_t* text;
    VARTYPE type;
    HRESULT result;  // Windows
    int64_t value;   // Windows
  } theCases[] = {
      {u"1,000", VT_I2, S_OK, 1000},
      {u"(1,000)", VT_I2, S_OK, -1000},
      {u"$255", VT_UI1, S_OK, 255},
      {u"256-", VT_I2, S_OK, -256},
      {u"$256", VT_UI1, DISP_E_OVERFLOW, 0},
      {u"32,768", VT_I2, DISP_E_OVERFLOW, 0},
      {u"(32,768)", VT_I2, S_OK, -32768},
      {u"2,147,483,647", VT_I4, S_OK, 2147483647},
      {u"2,147,483,648", VT_I4, DISP_E_OVERFLOW, 0},
      {u"9223372036854775807", VT_I8, S_OK, std::numeric_limits<int64_t>::max()},
      {u"-9,223,372,036,854,775,808", VT_I8, S_OK, std::numeric_limits<int64_t>::min()},
      {u"9223372036854775808", VT_I8, DISP_E_OVERFLOW, 0},
      {u"18446744073709551615", VT_UI8, S_OK, -1},  // 0xFFFFFFFFFFFFFFFF
      {u"18446744073709551616", VT_UI8, DISP_E_OVERFLOW, 0},
      {u"1.5", VT_I4, S_OK, 2},
      {u"2.5", VT_I4, S_OK, 2},
      {u"-1.5", VT_I1, S_OK, -2},
      {u"-0.6", VT_I1, S_OK, -1},
      {u"-0.5", VT_I1, S_OK, 0},
      {u"0.5", VT_I1, S_OK, 0},
      {u"0.6", VT_I1, S_OK, 1},
      {u"2.5000001", VT_I4, S_OK, 3},
      {u"(2.5)", VT_I4, S_OK, -2},
      {u"-0.5", VT_UI1, S_OK, 0},
      {u"-0.6", VT_UI1, DISP_E_OVERFLOW, 0},
      {u"25e-1", VT_I4, S_OK, 2},
      {u"1.5e3", VT_I2, S_OK, 1500},
  };
  for (const auto& theCase : theCases) {
    Var theSource;
    Var theResult;
    SetText(theSource, theCase.text);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, theCase.type), theCase.result)
        << Printable(theCase.text) << " vt " << theCase.type;
    if (theCase.result != S_OK) continue;
    EXPECT_EQ(V_VT(&theResult), theCase.type);
    EXPECT_EQ(WholeValue(&theResult), theCase.value) << Printable(theCase.text);
  }
}

TEST(VariantNumberText, BooleansFromNumberText) {
  // Text that is not a boolean word is read as a number, in the same forms.
  const struct {
    const char16_t* text;
    HRESULT result;       // Windows
    VARIANT_BOOL value;   // Windows
  } theCases[] = {
      {u"1,000", S_OK, VARIANT_TRUE},
      {u"$0", S_OK, VARIANT_FALSE},
      {u"(1)", S_OK, VARIANT_TRUE},
      {u"0-", S_OK, VARIANT_FALSE},
      {u"\u00A00.1\u00A0", S_OK, VARIANT_TRUE},
      {u"+1", S_OK, VARIANT_TRUE},
      {u",1", DISP_E_TYPEMISMATCH, 0},
  };
  for (const auto& theCase : theCases) {
    Var theSource;
    Var theResult;
    SetText(theSource, theCase.text);
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_BOOL), theCase.result) << Printable(theCase.text);
    if (theCase.result == S_OK) {
      EXPECT_EQ(V_BOOL(&theResult), theCase.value) << Printable(theCase.text);
    }
  }
}

TEST(VariantNumberText, TheFormsDoNotFollowTheProcessLocale) {
  // Under a German locale "," would be the decimal point and "." the thousands separator; the
  // conversions keep the US English meaning.
  const char* theOld = std::setlocale(LC_ALL, nullptr);
  const std::string theSaved = theOld != nullptr ? theOld : "C";
  const bool theGerman = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  const RealCase theCases[] = {
      {u"1,000", S_OK, 1000},      // Windows (LCID 0x0409): 1000
      {u"1.5", S_OK, 1.5},         // Windows (LCID 0x0409): 1.5
      {u"$1,234.5", S_OK, 1234.5}, // Windows (LCID 0x0409): 1234.5
  };
  ExpectReals(theCases, std::size(theCases));
  std::setlocale(LC_ALL, theSaved.c_str());
  if (!theGerman) GTEST_SKIP() << "de_DE.UTF-8 is not installed; ran under the C locale only";
}

TEST(VariantBoolean, HoldsItsNumber) {
  // A VARIANT_BOOL is a 16-bit number to the conversions: 1 stays 1, and whole targets take its
  // bits without an overflow (wrapping, as Automation does).
  const struct {
    VARIANT_BOOL in;
    VARTYPE type;
    int64_t value;  // Windows
  } theWhole[] = {
      {1, VT_I4, 1},
      {1, VT_UI1, 1},
      {1, VT_I8, 1},
      {1, VT_CY, 10000},
      {VARIANT_TRUE, VT_I4, -1},
      {VARIANT_TRUE, VT_UI2, 65535},
      {VARIANT_TRUE, VT_UI4, 4294967295},
      {VARIANT_TRUE, VT_CY, -10000},
      {128, VT_I1, -128},
      {256, VT_UI1, 0},
      {-129, VT_I1, 127},
  };
  for (const auto& theCase : theWhole) {
    Var theSource;
    Var theResult;
    V_VT(&theSource) = VT_BOOL;
    V_BOOL(&theSource) = theCase.in;
    ASSERT_EQ(VariantChangeType(&theResult, &theSource, 0, theCase.type), S_OK) << theCase.in << " vt " << theCase.type;
    EXPECT_EQ(V_VT(&theResult), theCase.type);
    EXPECT_EQ(WholeValue(&theResult), theCase.value) << theCase.in << " vt " << theCase.type;
  }

  Var theOne;
  V_VT(&theOne) = VT_BOOL;
  V_BOOL(&theOne) = 1;
  Var theResult;
  ASSERT_EQ(VariantChangeType(&theResult, &theOne, 0, VT_R8), S_OK);
  EXPECT_EQ(V_R8(&theResult), 1.0);                     // Windows: 1
  ASSERT_EQ(VariantChangeType(&theResult, &theOne, 0, VT_R4), S_OK);
  EXPECT_EQ(V_R4(&theResult), 1.0f);                    // Windows: 1
  ASSERT_EQ(VariantChangeType(&theResult, &theOne, 0, VT_DATE), S_OK);
  EXPECT_EQ(V_DATE(&theResult), 1.0);                   // Windows: 1
  ASSERT_EQ(VariantChangeType(&theResult, &theOne, 0, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string(V_BSTR(&theResult)), u"1");  // Windows: "1"
  ASSERT_EQ(VariantChangeType(&theResult, &theOne, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(std::u16string(V_BSTR(&theResult)), u"True");  // Windows: "True"
  ASSERT_EQ(VariantChangeType(&theResult, &theOne, 0, VT_BOOL), S_OK);
  EXPECT_EQ(V_BOOL(&theResult), 1);                     // Windows: 1 (copied as it is)
}

TEST(VariantReal, InfinityToSingleIsAnOverflow) {
  const struct {
    double in;
    HRESULT result;  // Windows
  } theCases[] = {
      {std::numeric_limits<double>::infinity(), DISP_E_OVERFLOW},
      {-std::numeric_limits<double>::infinity(), DISP_E_OVERFLOW},
      {1e300, DISP_E_OVERFLOW},
      {-1e300, DISP_E_OVERFLOW},
      {3.4028234663852886e38, S_OK},  // FLT_MAX itself
      {1e-300, S_OK},                 // 0
  };
  for (const auto& theCase : theCases) {
    Var theSource;
    Var theResult;
    V_VT(&theSource) = VT_R8;
    V_R8(&theSource) = theCase.in;
    EXPECT_EQ(VariantChangeType(&theResult, &theSource, 0, VT_R4), theCase.result) << theCase.in;
  }
}
