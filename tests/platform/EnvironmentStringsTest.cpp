// Expanding %NAME% references: known names, unknown names left as written, and buffer sizes.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

class EnvironmentStringsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("QX_FONT_ROOT", "/usr/share", 1);
    ::setenv("QX_Mixed_Case", "mixed", 1);
    ::unsetenv("QX_NOT_SET_ANYWHERE");
  }
  void TearDown() override {
    ::unsetenv("QX_FONT_ROOT");
    ::unsetenv("QX_Mixed_Case");
  }

  static std::string ExpandA(const char* inSource) {
    const DWORD theNeeded = ExpandEnvironmentStringsA(inSource, nullptr, 0);
    std::string theBuffer(theNeeded, '#');
    EXPECT_EQ(ExpandEnvironmentStringsA(inSource, theBuffer.data(), theNeeded), theNeeded);
    EXPECT_EQ(theBuffer.back(), '\0');
    theBuffer.pop_back();
    return theBuffer;
  }
};

TEST_F(EnvironmentStringsTest, KnownNamesAreReplacedAndOthersKept) {
  EXPECT_EQ(ExpandA("%QX_FONT_ROOT%/fonts"), "/usr/share/fonts");
  EXPECT_EQ(ExpandA("a%QX_FONT_ROOT%%QX_FONT_ROOT%b"), "a/usr/share/usr/shareb");
  EXPECT_EQ(ExpandA("%QX_NOT_SET_ANYWHERE%/x"), "%QX_NOT_SET_ANYWHERE%/x");
  EXPECT_EQ(ExpandA("%QX_NOT_SET_ANYWHERE%%QX_FONT_ROOT%"), "%QX_NOT_SET_ANYWHERE%/usr/share");
  EXPECT_EQ(ExpandA("100%"), "100%");
  EXPECT_EQ(ExpandA("%%"), "%%");
  EXPECT_EQ(ExpandA("50% of %QX_FONT_ROOT"), "50% of %QX_FONT_ROOT");
  EXPECT_EQ(ExpandA(""), "");
  // Names are found without regard to case, as on Windows.
  EXPECT_EQ(ExpandA("%qx_mixed_case%"), "mixed");
  EXPECT_EQ(ExpandA("%qx_font_root%"), "/usr/share");
}

TEST_F(EnvironmentStringsTest, ASmallBufferGetsTheNeededSizeAndNothingPastItsEnd) {
  const char* theSource = "%QX_FONT_ROOT%/fonts";  // 16 characters and the terminator
  EXPECT_EQ(ExpandEnvironmentStringsA(theSource, nullptr, 0), 17u);
  char theBuffer[32];
  std::fill(std::begin(theBuffer), std::end(theBuffer), '#');
  EXPECT_EQ(ExpandEnvironmentStringsA(theSource, theBuffer, 16), 17u);
  EXPECT_EQ(theBuffer[0], '\0');
  for (size_t theIndex = 16; theIndex < sizeof(theBuffer); ++theIndex) EXPECT_EQ(theBuffer[theIndex], '#');
  EXPECT_EQ(ExpandEnvironmentStringsA(theSource, theBuffer, 17), 17u);
  EXPECT_STREQ(theBuffer, "/usr/share/fonts");
  EXPECT_EQ(theBuffer[17], '#');

  EXPECT_EQ(ExpandEnvironmentStringsA(nullptr, theBuffer, 32), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ExpandEnvironmentStringsA("x", nullptr, 5), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(EnvironmentStringsTest, WideFormCountsUtf16Units) {
  ::setenv("QX_WIDE", "\xC3\xA9\xF0\x9F\x98\x80", 1);  // é and an emoji: 1 + 2 units
  char16_t theBuffer[16];
  std::fill(std::begin(theBuffer), std::end(theBuffer), u'#');
  EXPECT_EQ(ExpandEnvironmentStringsW(u"<%QX_WIDE%>", theBuffer, 16), 6u);
  EXPECT_EQ(std::u16string(theBuffer), u"<\u00e9\U0001F600>");
  EXPECT_EQ(ExpandEnvironmentStringsW(u"%QX_NOT_SET_ANYWHERE%", theBuffer, 2), 22u);
  EXPECT_EQ(theBuffer[0], 0);
  EXPECT_EQ(theBuffer[2], char16_t(0xD83D));  // past the given size: still the earlier result
  ::unsetenv("QX_WIDE");
}

}  // namespace
