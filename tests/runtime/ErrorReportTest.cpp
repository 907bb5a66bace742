// Composition of error reports and the sentences of machine faults.
#include <gtest/gtest.h>

#include <string>

#include "runtime/ErrorReport.h"
#include "runtime/SException.h"

TEST(ErrorReport, ComposesMessagesAndWindowsErrors) {
  ErrorReport theReport;
  EXPECT_FALSE(theReport.HasError());
  EXPECT_STREQ(theReport.GetText(), "No errors occurred");

  theReport.AddMessage("One.");
  theReport.AddMessage("Two.");
  theReport.AddMessage("Three.");
  EXPECT_TRUE(theReport.HasError());
  EXPECT_STREQ(theReport.GetText(), "One. Two. Three.\n");

  theReport.Reset();
  theReport.AddMessage("No data provided.");
  theReport.AddMessage("Unable to create stream.");
  theReport.mWinError1 = 2;
  EXPECT_STREQ(theReport.GetText(),
               "No data provided. Unable to create stream.\n"
               "A Windows error occurred that indicates that a file could not be found (2).\n");

  theReport.Reset();
  EXPECT_STREQ(theReport.GetText(), "No errors occurred");
  theReport.mWinError1 = 14;
  theReport.mWinError2 = 5;
  EXPECT_STREQ(theReport.GetText(),
               "A Windows error occurred that indicates that there was not enough memory (14).\n"
               "Windows error 5. Access is denied.\r\n");
}

TEST(ErrorReport, FixedMeaningsAndCodePageText) {
  EXPECT_EQ(WindowsErrorPhrase(3), "A Windows error occurred that indicates that a file path could not be found (3).\n");
  EXPECT_EQ(WindowsErrorPhrase(8), "A Windows error occurred that indicates that there was not enough memory (8).\n");
  EXPECT_EQ(WindowsErrorPhrase(15), "A Windows error occurred that indicates that the drive did not exist (15).\n");
  // A code without system text still gets its number.
  EXPECT_EQ(WindowsErrorPhrase(0xFFFF0), "Windows error 1048560. ");
  // Messages are kept wide and composed in the system code page: an e acute survives.
  ErrorReport theReport;
  theReport.AddMessage("caf\xe9");
  EXPECT_STREQ(theReport.GetText(), "caf\xe9\n");
}

TEST(SException, DescribesReadWriteAndOtherFaults) {
  SException theRead;
  theRead.mCode = 0xC0000005;
  theRead.mAddress = 0x1234;
  theRead.mReadFlag = 1;
  theRead.mModuleBase = 0x10000000;
  EXPECT_STREQ(theRead.Describe("Doc.cpp", 120),
               "Code at 0x00001234 attempted to read from 0x00000000. "
               "System Error caught at line 120 of Doc.cpp. Base at 0x10000000.");

  SException theWrite;
  theWrite.mCode = 0xC0000005;
  theWrite.mAddress = 0x10;
  theWrite.mWriteFlag = 1;
  theWrite.mFaultAddress = 0xABCDEF;
  EXPECT_STREQ(theWrite.Describe("XRect.cpp", 7),
               "Code at 0x00000010 attempted to write to 0x00abcdef. "
               "System Error caught at line 7 of XRect.cpp. Base at 0x00000000.");

  SException theDivide;
  theDivide.mCode = 0xC0000094;
  theDivide.mAddress = 0x20;
  const std::string theLongName(200, 'f');
  // Together the sentences pass 255 characters: only the first is kept.
  EXPECT_STREQ(theDivide.Describe(theLongName.c_str(), 1), "Code at 0x00000020 caused a System Exception 0xc0000094. ");
}
