// The text style record: defaults, accessors, text form and parsing.
#include <gtest/gtest.h>

#include "scripting/TextStyle.h"

namespace {

constexpr const char* kDefault = "10.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0 0 0";

TEST(TextStyle, DefaultsAndTextForm) {
  TextStyle theStyle;
  EXPECT_EQ(theStyle.GetSize(), 10.0);
  EXPECT_EQ(theStyle.Text(), kDefault);

  theStyle.SetSize(12.34567);
  theStyle.SetIndent(-1);  // no setter checks its value
  theStyle.SetCharSpacing(0.5);
  theStyle.SetWordSpacing(1.25);
  theStyle.SetLineSpacing(2);
  theStyle.SetParaSpacing(3);
  theStyle.SetJustification(0.75);
  theStyle.SetOutline(0.1);
  theStyle.SetUnderline(-1);
  theStyle.SetStrike(7);
  theStyle.SetStrike2(0);
  EXPECT_EQ(theStyle.Text(), "12.3457 -1.0000 0.5000 1.2500 2.0000 3.0000 0.7500 0.1000 -1 7 0");
  EXPECT_EQ(theStyle.GetStrike(), 7);
}

TEST(TextStyle, ParseChangesOnlyTheFieldsItReads) {
  TextStyle theStyle;
  theStyle.Parse("12 2");
  EXPECT_EQ(theStyle.Text(), "12.0000 2.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0 0 0");

  TextStyle theComma;
  theComma.Parse("12,2");
  EXPECT_EQ(theComma.GetSize(), 12.0);
  EXPECT_EQ(theComma.GetIndent(), 0.0);

  TextStyle theFlags;
  theFlags.Parse("0 0 0 0 0 0 0 0 1 0 0");
  EXPECT_EQ(theFlags.GetSize(), 0.0);
  EXPECT_EQ(theFlags.GetUnderline(), 1);
  EXPECT_EQ(theFlags.Text(), "0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 1 0 0");
}

TEST(TextStyle, FlagsAreWholeNumberFields) {
  TextStyle theStyle;
  theStyle.SetStrike(5);
  theStyle.SetStrike2(6);
  // The flag field reads "1" of "1.5"; the next field then starts at ".5", which is no whole number.
  theStyle.Parse("9 8 7 6 5 4 3 2 1.5 0 0");
  EXPECT_EQ(theStyle.Text(), "9.0000 8.0000 7.0000 6.0000 5.0000 4.0000 3.0000 2.0000 1 5 6");
  theStyle.Parse("1 1 1 1 1 1 1 1 -1 -2 99999999999");
  EXPECT_EQ(theStyle.Text(), "1.0000 1.0000 1.0000 1.0000 1.0000 1.0000 1.0000 1.0000 -1 -2 2147483647");
  theStyle.Parse("nothing");
  EXPECT_EQ(theStyle.Text(), "1.0000 1.0000 1.0000 1.0000 1.0000 1.0000 1.0000 1.0000 -1 -2 2147483647");
}

}  // namespace
