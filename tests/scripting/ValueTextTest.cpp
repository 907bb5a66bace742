// The locale-free number text of the value classes: "%ld" and "%.4f" forms and the field scans.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "scripting/TextStyle.h"
#include "scripting/TransformMatrix.h"
#include "scripting/ValueText.h"
#include "scripting/XTransform.h"
#include "ValueDispatch.h"

namespace {

std::string Long(int32_t inValue) {
  std::string theText;
  ValueText::AppendLong(theText, inValue);
  return theText;
}

std::string Fixed(double inValue) {
  std::string theText;
  ValueText::AppendFixed4(theText, inValue);
  return theText;
}

TEST(ValueText, WholeNumbersAreWrittenPlainly) {
  EXPECT_EQ(Long(0), "0");
  EXPECT_EQ(Long(-5), "-5");
  EXPECT_EQ(Long(std::numeric_limits<int32_t>::max()), "2147483647");
  EXPECT_EQ(Long(std::numeric_limits<int32_t>::min()), "-2147483648");
}

TEST(ValueText, RealsHaveExactlyFourDecimals) {
  EXPECT_EQ(Fixed(1.0), "1.0000");
  EXPECT_EQ(Fixed(0.0), "0.0000");
  EXPECT_EQ(Fixed(-10.0), "-10.0000");
  EXPECT_EQ(Fixed(12.34567), "12.3457");
  EXPECT_EQ(Fixed(0.00004), "0.0000");
  EXPECT_EQ(Fixed(1e20), "100000000000000000000.0000");
  // A tiny negative number keeps its sign, as printf writes it.
  EXPECT_EQ(Fixed(-6.1e-17), "-0.0000");
  EXPECT_EQ(Fixed(std::numeric_limits<double>::max()).size(), 309u + 5u);
  // Values that are not finite never reach a text.
  EXPECT_EQ(Fixed(std::numeric_limits<double>::infinity()), "0.0000");
  EXPECT_EQ(Fixed(-std::numeric_limits<double>::infinity()), "0.0000");
  EXPECT_EQ(Fixed(std::numeric_limits<double>::quiet_NaN()), "0.0000");
}

TEST(ValueText, WholeNumberFieldsReadAsFarAsTheirDigitsGo) {
  ValueText theScanner(" \t\n\v\f\r12abc");
  int32_t theValue = -1;
  ASSERT_TRUE(theScanner.ScanLong(theValue));
  EXPECT_EQ(theValue, 12);
  EXPECT_FALSE(theScanner.ScanLong(theValue));
  EXPECT_EQ(theValue, 12);

  // Fields need no whitespace between them; a sign starts a new one.
  ValueText theJoined("+7-2 0x10");
  int32_t theA = 0, theB = 0, theC = -1, theD = -1;
  ASSERT_TRUE(theJoined.ScanLong(theA));
  ASSERT_TRUE(theJoined.ScanLong(theB));
  ASSERT_TRUE(theJoined.ScanLong(theC));
  EXPECT_FALSE(theJoined.ScanLong(theD));
  EXPECT_EQ(theA, 7);
  EXPECT_EQ(theB, -2);
  EXPECT_EQ(theC, 0);
  EXPECT_EQ(theD, -1);

  for (const char* theBad : {"", "   ", "-", "+ 5", "--1", ".5", "x1"}) {
    ValueText theBadScanner(theBad);
    EXPECT_FALSE(theBadScanner.ScanLong(theValue)) << theBad;
  }
}

TEST(ValueText, WholeNumbersBeyondThirtyTwoBitsAreClamped) {
  ValueText theScanner("99999999999 -99999999999 2147483648 -2147483649 00000000000000000000000000042");
  int32_t theValues[5] = {};
  for (int32_t& theValue : theValues) ASSERT_TRUE(theScanner.ScanLong(theValue));
  EXPECT_EQ(theValues[0], std::numeric_limits<int32_t>::max());
  EXPECT_EQ(theValues[1], std::numeric_limits<int32_t>::min());
  EXPECT_EQ(theValues[2], std::numeric_limits<int32_t>::max());
  EXPECT_EQ(theValues[3], std::numeric_limits<int32_t>::min());
  EXPECT_EQ(theValues[4], 42);
}

TEST(ValueText, RealFieldsFollowTheDecimalNumberForm) {
  ValueText theScanner(" 1.5 .5 5. -.25 +3 1e3 1E-2 -0 2.5e+1x");
  const double theExpected[] = {1.5, 0.5, 5.0, -0.25, 3.0, 1000.0, 0.01, 0.0, 25.0};
  for (double theWanted : theExpected) {
    double theValue = -1;
    ASSERT_TRUE(theScanner.ScanDouble(theValue)) << theWanted;
    EXPECT_EQ(theValue, theWanted);
  }
  double theValue = -1;
  EXPECT_FALSE(theScanner.ScanDouble(theValue));
  EXPECT_EQ(theValue, -1);

  // An exponent without digits is not part of the number: the next field starts at the 'e'.
  ValueText theShort("1e 2");
  ASSERT_TRUE(theShort.ScanDouble(theValue));
  EXPECT_EQ(theValue, 1.0);
  EXPECT_FALSE(theShort.ScanDouble(theValue));
  ValueText theSigned("4e+");
  ASSERT_TRUE(theSigned.ScanDouble(theValue));
  EXPECT_EQ(theValue, 4.0);

  // Only decimal numbers: no names of special values, no hexadecimal, no decimal comma.
  for (const char* theBad : {".", "+-1", "inf", "nan", "infinity", "e5", ",5"}) {
    ValueText theBadScanner(theBad);
    EXPECT_FALSE(theBadScanner.ScanDouble(theValue)) << theBad;
  }
  ValueText theHex("0x1p3");
  ASSERT_TRUE(theHex.ScanDouble(theValue));
  EXPECT_EQ(theValue, 0.0);
  EXPECT_FALSE(theHex.ScanDouble(theValue));
  ValueText theComma("1,5");
  ASSERT_TRUE(theComma.ScanDouble(theValue));
  EXPECT_EQ(theValue, 1.0);
  EXPECT_FALSE(theComma.ScanDouble(theValue));
}

TEST(ValueText, RealsOutOfRangeBecomeInfiniteOrZero) {
  ValueText theScanner("1e999 -1e999 1e-999 -1e-999 0.0000001e-400 123456789e99999999999999 0e99999");
  double theValues[7] = {};
  for (double& theValue : theValues) ASSERT_TRUE(theScanner.ScanDouble(theValue));
  EXPECT_EQ(theValues[0], std::numeric_limits<double>::infinity());
  EXPECT_EQ(theValues[1], -std::numeric_limits<double>::infinity());
  EXPECT_EQ(theValues[2], 0.0);
  EXPECT_EQ(theValues[3], 0.0);
  EXPECT_TRUE(std::signbit(theValues[3]));
  EXPECT_EQ(theValues[4], 0.0);
  EXPECT_EQ(theValues[5], std::numeric_limits<double>::infinity());
  EXPECT_EQ(theValues[6], 0.0);
}

TEST(ValueText, AZeroByteEndsTheText) {
  ValueText theScanner(std::string_view("1\0 2", 4));
  double theValue = 0;
  ASSERT_TRUE(theScanner.ScanDouble(theValue));
  EXPECT_TRUE(theScanner.AtEnd());
  EXPECT_FALSE(theScanner.ScanDouble(theValue));
  EXPECT_EQ(theValue, 1.0);
}

TEST(ValueText, WholeNumberFieldsOfTheValueClasses) {
  int32_t theFields[4] = {9, 9, 9, 9};
  ValueText::ScanLongFields("100,200 ,300,,400", theFields);
  EXPECT_EQ((std::vector<int32_t>(theFields, theFields + 4)), (std::vector<int32_t>{100, 200, 300, 400}));

  // Fields not read are 0; the scan stops at the first field that is no number.
  ValueText::ScanLongFields("1 x 3", theFields);
  EXPECT_EQ((std::vector<int32_t>(theFields, theFields + 4)), (std::vector<int32_t>{1, 0, 0, 0}));
  ValueText::ScanLongFields("no digits", theFields);
  EXPECT_EQ((std::vector<int32_t>(theFields, theFields + 4)), (std::vector<int32_t>{0, 0, 0, 0}));

  // 255 characters are read; 256 are not read at all.
  std::string theText = "1 2 3 4";
  theText.resize(255, ' ');
  ValueText::ScanLongFields(theText, theFields);
  EXPECT_EQ(theFields[3], 4);
  theText += ' ';
  ValueText::ScanLongFields(theText, theFields);
  EXPECT_EQ((std::vector<int32_t>(theFields, theFields + 4)), (std::vector<int32_t>{0, 0, 0, 0}));
}

// A host process may run under a locale with a decimal comma; no text form may change.
class GermanLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(GermanLocale, TextFormsAndScansIgnoreTheLocale) {
  EXPECT_EQ(Fixed(1.5), "1.5000");
  EXPECT_EQ(Long(-1234567), "-1234567");

  ValueText theScanner("2.5 1,5");
  double theA = 0, theB = 0;
  ASSERT_TRUE(theScanner.ScanDouble(theA));
  ASSERT_TRUE(theScanner.ScanDouble(theB));
  EXPECT_EQ(theA, 2.5);
  EXPECT_EQ(theB, 1.0);

  TransformMatrix theMatrix;
  theMatrix.Parse("0.5 0 0 0.25 10.125 -3.5");
  EXPECT_EQ(theMatrix.Text(), "0.5000 0.0000 0.0000 0.2500 10.1250 -3.5000");

  TextStyle theStyle;
  theStyle.Parse("12.5 1.25");
  EXPECT_EQ(theStyle.Text(), "12.5000 1.2500 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0 0 0");

  ComRef<IXTransform> theTransform;
  ASSERT_EQ(XTransform::Create(nullptr, &theTransform), S_OK);
  ASSERT_EQ(SetText(theTransform.get(), u"1.5 0 0 1.5 0.75 0"), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "1.5000 0.0000 0.0000 1.5000 0.7500 0.0000");
}

}  // namespace
