#include "pdfcore/PDFFormat.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "pdfcore/PDFMemoryStream.h"

namespace {

std::string Fixed6(double inValue) {
  char theBuffer[kRealTextMax];
  return std::string(theBuffer, FormatFixed6(inValue, theBuffer));
}

TEST(PDFFormatTest, FormatRealTrimsZerosAndPoint) {
  EXPECT_EQ(FormatReal(1.5), "1.5");
  EXPECT_EQ(FormatReal(2.0), "2");
  EXPECT_EQ(FormatReal(10.0), "10");
  EXPECT_EQ(FormatReal(0.0), "0");
  EXPECT_EQ(FormatReal(-0.5), "-0.5");
  EXPECT_EQ(FormatReal(0.00004), "0");
  EXPECT_EQ(FormatReal(12.34567), "12.3457");
  EXPECT_EQ(FormatReal(100.0), "100");  // zeros before the point stay
  EXPECT_EQ(FormatReal(-0.00004), "-0");
}

TEST(PDFFormatTest, FormatRealOfValuesWithoutTextIsZero) {
  EXPECT_EQ(FormatReal(std::numeric_limits<double>::infinity()), "0");
  EXPECT_EQ(FormatReal(-std::numeric_limits<double>::infinity()), "0");
  EXPECT_EQ(FormatReal(std::nan("")), "0");
}

TEST(PDFFormatTest, FormatRealIntoCallerBuffer) {
  char theBuffer[8];
  EXPECT_EQ(FormatReal(612.25, theBuffer), "612.25");
  // A buffer too small for the text gets "0", never a cut number.
  char theSmall[3];
  EXPECT_EQ(FormatReal(12345.5, theSmall), "0");
  // The largest double fits in kRealTextMax.
  char theLarge[kRealTextMax];
  EXPECT_EQ(FormatReal(std::numeric_limits<double>::max(), theLarge).size(), 309u);
}

TEST(PDFFormatTest, Fixed6KeepsSixDecimals) {
  EXPECT_EQ(Fixed6(0.5), "0.500000");
  EXPECT_EQ(Fixed6(-12.25), "-12.250000");
  EXPECT_EQ(Fixed6(3.0), "3.000000");
  EXPECT_EQ(Fixed6(1e-7), "0.000000");
  EXPECT_EQ(Fixed6(std::numeric_limits<double>::infinity()), "0.000000");
  EXPECT_EQ(Fixed6(-std::numeric_limits<double>::max()).size(), 309u + 8u);
}

// A host that sets a locale with a decimal comma must still get a point.
TEST(PDFFormatTest, NumbersIgnoreTheProcessLocale) {
  const char* theOld = std::setlocale(LC_ALL, nullptr);
  const std::string theSaved = theOld ? theOld : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  char theCheck[32];
  std::snprintf(theCheck, sizeof(theCheck), "%.1f", 1.5);
  EXPECT_STREQ(theCheck, "1,5") << "the locale should use a decimal comma";

  EXPECT_EQ(FormatReal(1.5), "1.5");
  EXPECT_EQ(Fixed6(0.5), "0.500000");
  PDFMemoryStream theStream;
  theStream.WriteReal(-2.25);
  theStream.Put(' ');
  theStream.WriteInteger(-1234567);
  EXPECT_EQ(theStream.GetView(), "-2.250000 -1234567");
  std::setlocale(LC_ALL, theSaved.c_str());
}

}  // namespace
