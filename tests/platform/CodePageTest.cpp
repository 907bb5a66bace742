// MultiByteToWideChar / WideCharToMultiByte for code page 1252 and UTF-8.
#include <errhandlingapi.h>
#include <stringapiset.h>
#include <winerror.h>

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace {

// Converts with a size query first, then into a buffer of exactly that size.
std::optional<std::u16string> ToWide(UINT inCodePage, std::string_view inText, DWORD inFlags = 0) {
  const int theSize = MultiByteToWideChar(inCodePage, inFlags, inText.data(),
                                          static_cast<int>(inText.size()), nullptr, 0);
  if (theSize == 0) return std::nullopt;
  std::u16string theResult(static_cast<size_t>(theSize), u'\0');
  const int theWritten = MultiByteToWideChar(inCodePage, inFlags, inText.data(),
                                             static_cast<int>(inText.size()), theResult.data(),
                                             theSize);
  EXPECT_EQ(theWritten, theSize);
  return theResult;
}

struct NarrowResult {
  std::string mText;
  BOOL mUsedDefault = -1;
};

std::optional<NarrowResult> ToNarrow(UINT inCodePage, std::u16string_view inWide, DWORD inFlags = 0,
                                     LPCCH inDefaultChar = nullptr) {
  const bool theWantsFlag = inCodePage != CP_UTF8;
  NarrowResult theResult;
  BOOL theQueryFlag = -1;
  const int theSize = WideCharToMultiByte(inCodePage, inFlags, inWide.data(),
                                          static_cast<int>(inWide.size()), nullptr, 0,
                                          inDefaultChar, theWantsFlag ? &theQueryFlag : nullptr);
  if (theSize == 0) return std::nullopt;
  theResult.mText.assign(static_cast<size_t>(theSize), '\0');
  const int theWritten = WideCharToMultiByte(
      inCodePage, inFlags, inWide.data(), static_cast<int>(inWide.size()), theResult.mText.data(),
      theSize, inDefaultChar, theWantsFlag ? &theResult.mUsedDefault : nullptr);
  EXPECT_EQ(theWritten, theSize);
  EXPECT_EQ(theQueryFlag, theResult.mUsedDefault) << "the size query reports the same flag";
  return theResult;
}

TEST(CodePageTest, AnsiCodePageIs1252) {
  EXPECT_EQ(GetACP(), 1252u);
  const std::string theBytes = "caf\xE9 \x80 \x93quoted\x94";
  EXPECT_EQ(ToWide(CP_ACP, theBytes), ToWide(1252, theBytes));
  EXPECT_EQ(ToWide(CP_ACP, theBytes), u"caf\u00E9 \u20AC \u201Cquoted\u201D");
}

TEST(CodePageTest, Cp1252HighRangeDecodesAsWindowsDoes) {
  const std::u16string theExpected =
      u"\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D"
      u"\u017D\u008F\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A"
      u"\u0153\u009D\u017E\u0178";
  std::string theBytes;
  for (int theByte = 0x80; theByte < 0xA0; ++theByte) {
    theBytes.push_back(static_cast<char>(theByte));
  }
  EXPECT_EQ(ToWide(1252, theBytes), theExpected);
}

TEST(CodePageTest, Cp1252EveryByteRoundTripsWithoutBestFit) {
  std::string theAll;
  for (int theByte = 0; theByte < 256; ++theByte) theAll.push_back(static_cast<char>(theByte));
  const auto theWide = ToWide(1252, theAll, MB_PRECOMPOSED | MB_ERR_INVALID_CHARS);
  ASSERT_TRUE(theWide);
  ASSERT_EQ(theWide->size(), 256u);
  for (int theByte = 0; theByte < 0x80; ++theByte) EXPECT_EQ((*theWide)[theByte], theByte);
  for (int theByte = 0xA0; theByte < 0x100; ++theByte) EXPECT_EQ((*theWide)[theByte], theByte);
  const auto theBack = ToNarrow(1252, *theWide, WC_NO_BEST_FIT_CHARS);
  ASSERT_TRUE(theBack);
  EXPECT_EQ(theBack->mText, theAll);
  EXPECT_EQ(theBack->mUsedDefault, FALSE);
}

TEST(CodePageTest, Cp1252BestFitWritesBaseLetters) {
  // A with macron, c with acute, L with stroke, U with diaeresis and macron, fullwidth A,
  // double-struck C, Greek mu.
  const auto theResult = ToNarrow(1252, u"\u0100\u0107\u0141\u01D5\uFF21\u2102\u03BC");
  ASSERT_TRUE(theResult);
  EXPECT_EQ(theResult->mText, "AcL\xDC" "AC\xB5");
  EXPECT_EQ(theResult->mUsedDefault, FALSE) << "a best-fit character is not the default";

  const auto theStrict = ToNarrow(1252, u"\u0100\u0107\u0141", WC_NO_BEST_FIT_CHARS);
  ASSERT_TRUE(theStrict);
  EXPECT_EQ(theStrict->mText, "???");
  EXPECT_EQ(theStrict->mUsedDefault, TRUE);
}

TEST(CodePageTest, Cp1252DefaultCharacter) {
  const auto theQuestion = ToNarrow(1252, u"a\u0416b");  // Cyrillic Zhe has no fit
  ASSERT_TRUE(theQuestion);
  EXPECT_EQ(theQuestion->mText, "a?b");
  EXPECT_EQ(theQuestion->mUsedDefault, TRUE);

  const auto theStar = ToNarrow(1252, u"a\u0416b", 0, "*");
  ASSERT_TRUE(theStar);
  EXPECT_EQ(theStar->mText, "a*b");

  const auto theClean = ToNarrow(1252, u"\u20ACuro");
  ASSERT_TRUE(theClean);
  EXPECT_EQ(theClean->mText, "\x80uro");
  EXPECT_EQ(theClean->mUsedDefault, FALSE);

  // Each half of a surrogate pair is a code unit of its own for a single-byte code page.
  const auto thePair = ToNarrow(1252, u"x\U0001F600y");
  ASSERT_TRUE(thePair);
  EXPECT_EQ(thePair->mText, "x??y");
  EXPECT_EQ(thePair->mUsedDefault, TRUE);
}

TEST(CodePageTest, Utf8RoundTripWithSurrogatePairs) {
  const std::string theUtf8 = "A\xC3\xA9\xE2\x82\xAC\xE6\x97\xA5\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF";
  const std::u16string theWide = u"A\u00E9\u20AC\u65E5\U0001F600\U0010FFFF";
  EXPECT_EQ(ToWide(CP_UTF8, theUtf8), theWide);
  EXPECT_EQ(ToWide(CP_UTF8, theUtf8, MB_ERR_INVALID_CHARS), theWide);
  const auto theBack = ToNarrow(CP_UTF8, theWide, WC_ERR_INVALID_CHARS);
  ASSERT_TRUE(theBack);
  EXPECT_EQ(theBack->mText, theUtf8);
}

TEST(CodePageTest, InvalidUtf8BecomesReplacementOrFails) {
  struct Case {
    std::string_view mBytes;
    std::u16string_view mExpected;
  };
  const Case theCases[] = {
      {"a\x80z", u"a\uFFFDz"},                          // stray continuation byte
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                    // overlong '/'
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},          // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},          // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"\xE6\x97" "A", u"\uFFFDA"},                     // sequence cut short, then ASCII
      {"\xF0\x9F\x98", u"\uFFFD"},                      // truncated at the end
      {"\xFE\xFF", u"\uFFFD\uFFFD"},                    // bytes that never occur
  };
  for (const Case& theCase : theCases) {
    SCOPED_TRACE(testing::PrintToString(std::string(theCase.mBytes)));
    EXPECT_EQ(ToWide(CP_UTF8, theCase.mBytes), std::u16string(theCase.mExpected));
    SetLastError(0);
    EXPECT_FALSE(ToWide(CP_UTF8, theCase.mBytes, MB_ERR_INVALID_CHARS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  }
}

TEST(CodePageTest, UnpairedSurrogatesToUtf8) {
  EXPECT_EQ(ToNarrow(CP_UTF8, u"\xD800" u"A")->mText, "\xEF\xBF\xBD" "A");
  EXPECT_EQ(ToNarrow(CP_UTF8, u"A\xDC00")->mText, "A\xEF\xBF\xBD");
  EXPECT_EQ(ToNarrow(CP_UTF8, u"\xDC00\xD800")->mText, "\xEF\xBF\xBD\xEF\xBF\xBD");
  for (std::u16string_view theBad : {u"\xD800" u"A", u"A\xDBFF", u"\xDFFF"}) {
    SetLastError(0);
    EXPECT_FALSE(ToNarrow(CP_UTF8, theBad, WC_ERR_INVALID_CHARS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  }
}

TEST(CodePageTest, TerminatedInputCountsTheTerminator) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", -1, nullptr, 0), 3);
  WCHAR theWide[8] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "h\xC3\xA9", -1, theWide, 8), 3);
  EXPECT_EQ(std::u16string_view(theWide, 3), std::u16string_view(u"h\u00E9\0", 3));

  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"h\u00E9", -1, nullptr, 0, nullptr, nullptr), 4);
  char theNarrow[8] = "xxxxxxx";
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"h\u00E9", -1, theNarrow, 8, nullptr, nullptr), 3);
  EXPECT_STREQ(theNarrow, "h\xE9");

  // With an explicit length, embedded zeros are ordinary characters and no terminator is added.
  EXPECT_EQ(ToWide(1252, std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(CodePageTest, SmallBuffersFailWithInsufficientBuffer) {
  WCHAR theWide[3];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, theWide, 3), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, theWide, 3), 3);

  // A surrogate pair needs two units; UTF-8 of U+20AC needs three bytes.
  WCHAR theOne[1];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, theOne, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  char theTwo[2];
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u20AC", 1, theTwo, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"abc", 3, theTwo, 2, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePageTest, InvalidArgumentsAreRejected) {
  WCHAR theWide[4];
  char theNarrow[4];
  BOOL theUsed = FALSE;
  const auto theExpectFailure = [](int inResult, DWORD inError) {
    EXPECT_EQ(inResult, 0);
    EXPECT_EQ(GetLastError(), inError);
    SetLastError(0);
  };
  const DWORD kParam = ERROR_INVALID_PARAMETER;
  const DWORD kFlags = ERROR_INVALID_FLAGS;
  theExpectFailure(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, theWide, 4), kParam);
  theExpectFailure(MultiByteToWideChar(CP_UTF8, 0, "a", 0, theWide, 4), kParam);
  theExpectFailure(MultiByteToWideChar(CP_UTF8, 0, "a", -2, theWide, 4), kParam);
  theExpectFailure(MultiByteToWideChar(CP_UTF8, 0, "a", 1, theWide, -1), kParam);
  theExpectFailure(MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 4), kParam);
  theExpectFailure(MultiByteToWideChar(437, 0, "a", 1, theWide, 4), kParam);
  theExpectFailure(MultiByteToWideChar(CP_OEMCP, 0, "a", 1, theWide, 4), kParam);
  theExpectFailure(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, theWide, 4), kFlags);
  theExpectFailure(MultiByteToWideChar(1252, 0x80, "a", 1, theWide, 4), kFlags);

  theExpectFailure(WideCharToMultiByte(1252, 0, nullptr, -1, theNarrow, 4, nullptr, nullptr),
                   kParam);
  theExpectFailure(WideCharToMultiByte(1252, 0, u"a", 0, theNarrow, 4, nullptr, nullptr), kParam);
  theExpectFailure(WideCharToMultiByte(1252, 0, u"a", 1, nullptr, 4, nullptr, nullptr), kParam);
  theExpectFailure(WideCharToMultiByte(1252, 0, u"a", 1, theNarrow, -3, nullptr, nullptr), kParam);
  theExpectFailure(WideCharToMultiByte(1252, WC_ERR_INVALID_CHARS, u"a", 1, theNarrow, 4, nullptr,
                                       nullptr), kFlags);
  theExpectFailure(WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", 1, theNarrow, 4,
                                       nullptr, nullptr), kFlags);
  theExpectFailure(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, theNarrow, 4, "?", nullptr), kParam);
  theExpectFailure(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, theNarrow, 4, nullptr, &theUsed),
                   kParam);
}

TEST(CodePageTest, ArbitraryBytesGiveWellFormedText) {
  // Whatever the bytes, the lenient decoder's output is valid UTF-16 that converts back strictly.
  std::mt19937 theRandom(1252);
  std::uniform_int_distribution<int> theByte(0, 255);
  for (int theRound = 0; theRound < 200; ++theRound) {
    std::string theBytes(1 + theRound * 7 % 97, '\0');
    for (char& theChar : theBytes) theChar = static_cast<char>(theByte(theRandom));
    const auto theWide = ToWide(CP_UTF8, theBytes);
    ASSERT_TRUE(theWide);
    const auto theUtf8 = ToNarrow(CP_UTF8, *theWide, WC_ERR_INVALID_CHARS);
    ASSERT_TRUE(theUtf8);
    EXPECT_EQ(ToWide(CP_UTF8, theUtf8->mText, MB_ERR_INVALID_CHARS), theWide);
  }
}

}  // namespace
