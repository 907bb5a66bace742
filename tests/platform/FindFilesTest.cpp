// Folder searches: sorted listings, wildcard matching without regard to case, and the errors of empty
// and impossible searches.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include "FileTestFolder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class FindFilesTest : public FileTestFolder {
 protected:
  void SetUp() override {
    FileTestFolder::SetUp();
    WriteText("b.txt", "bb");
    WriteText("A.txt", "a");
    WriteText("c.dat", "ccc");
    WriteText("README", "r");
    std::filesystem::create_directory(Path("sub"));
    WriteText("sub/inner.txt", "i");
  }

  // Every name the search gives, in order; the search must end with ERROR_NO_MORE_FILES.
  std::vector<std::string> NamesA(const std::string& inPattern) {
    std::vector<std::string> theNames;
    WIN32_FIND_DATAA theData{};
    HANDLE theSearch = FindFirstFileA(APath(inPattern).c_str(), &theData);
    if (theSearch == INVALID_HANDLE_VALUE) return theNames;
    do {
      theNames.emplace_back(theData.cFileName);
    } while (FindNextFileA(theSearch, &theData));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(theSearch));
    return theNames;
  }
};

using Names = std::vector<std::string>;

TEST_F(FindFilesTest, ListsEntriesInByteOrderWithTheirDetails) {
  WIN32_FIND_DATAW theData{};
  HANDLE theSearch = FindFirstFileW(WPath("*").c_str(), &theData);
  ASSERT_NE(theSearch, INVALID_HANDLE_VALUE);
  std::vector<std::u16string> theNames;
  bool theSawSub = false;
  do {
    theNames.emplace_back(theData.cFileName);
    EXPECT_EQ(theData.cAlternateFileName[0], 0);
    if (theNames.back() == u"sub") {
      theSawSub = true;
      EXPECT_EQ(theData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    } else if (theNames.back() == u"c.dat") {
      EXPECT_EQ(theData.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
      EXPECT_EQ(theData.nFileSizeLow, 3u);
      EXPECT_EQ(theData.nFileSizeHigh, 0u);
      // After 1601 by centuries: 2000-01-01 is 0x01BF53EB256D4000.
      const uint64_t theWrite =
          (static_cast<uint64_t>(theData.ftLastWriteTime.dwHighDateTime) << 32) | theData.ftLastWriteTime.dwLowDateTime;
      EXPECT_GT(theWrite, 0x01BF53EB256D4000ULL);
    }
  } while (FindNextFileW(theSearch, &theData));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  // The end stays the end.
  EXPECT_FALSE(FindNextFileW(theSearch, &theData));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(theSearch));
  EXPECT_TRUE(theSawSub);
  const std::vector<std::u16string> theExpected = {u".", u"..", u"A.txt", u"README", u"b.txt", u"c.dat", u"sub"};
  EXPECT_EQ(theNames, theExpected);
}

TEST_F(FindFilesTest, PatternsMatchWithoutRegardToCase) {
  EXPECT_EQ(NamesA("*.TXT"), (Names{"A.txt", "b.txt"}));
  EXPECT_EQ(NamesA("?.txt"), (Names{"A.txt", "b.txt"}));
  EXPECT_EQ(NamesA("*.*"), (Names{".", "..", "A.txt", "README", "b.txt", "c.dat", "sub"}));
  EXPECT_EQ(NamesA("readme.*"), (Names{"README"}));
  EXPECT_EQ(NamesA("C.DAT"), (Names{"c.dat"}));
  EXPECT_EQ(NamesA("*b*"), (Names{"b.txt", "sub"}));
  EXPECT_EQ(NamesA("sub/*.txt"), (Names{"inner.txt"}));
  EXPECT_EQ(NamesA("s?b"), (Names{"sub"}));
  EXPECT_EQ(NamesA("a*t"), (Names{"A.txt"}));
}

TEST_F(FindFilesTest, NonAsciiNamesMatchAsCharacters) {
  WriteText("\xC3\x89t\xC3\xA9.txt", "e");  // "Été.txt" in UTF-8
  WIN32_FIND_DATAW theData{};
  const std::u16string thePattern = WPath("") + u"\u00e9t?.TXT";  // "ét?.TXT": é folds with É
  HANDLE theSearch = FindFirstFileW(thePattern.c_str(), &theData);
  ASSERT_NE(theSearch, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::u16string(theData.cFileName), u"\u00c9t\u00e9.txt");
  EXPECT_FALSE(FindNextFileW(theSearch, &theData));
  EXPECT_TRUE(FindClose(theSearch));
}

TEST_F(FindFilesTest, EmptyAndImpossibleSearchesFailAsOnWindows) {
  WIN32_FIND_DATAA theData{};
  EXPECT_EQ(FindFirstFileA(APath("*.none").c_str(), &theData), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA((APath("") + "/").c_str(), &theData), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA(APath("missing/*").c_str(), &theData), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA(APath("b.txt/*").c_str(), &theData), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA(APath("*").c_str(), nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(FindFirstFileW(nullptr, nullptr), INVALID_HANDLE_VALUE);

  // An empty folder still has "." and ".." for "*", but nothing for a name pattern.
  std::filesystem::create_directory(Path("empty"));
  EXPECT_EQ(NamesA("empty/*"), (Names{".", ".."}));
  EXPECT_EQ(FindFirstFileA(APath("empty/*.txt").c_str(), &theData), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FindFilesTest, TheListingIsTakenOnceAtTheStart) {
  WIN32_FIND_DATAA theData{};
  HANDLE theSearch = FindFirstFileA(APath("*.txt").c_str(), &theData);
  ASSERT_NE(theSearch, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(theData.cFileName, "A.txt");
  std::filesystem::remove(Path("b.txt"));
  WriteText("a2.txt", "new");
  ASSERT_TRUE(FindNextFileA(theSearch, &theData));
  EXPECT_STREQ(theData.cFileName, "b.txt");
  EXPECT_EQ(theData.nFileSizeLow, 2u);
  EXPECT_FALSE(FindNextFileA(theSearch, &theData));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(theSearch));
}

}  // namespace
