// Temporary names, replacing and moving files, final paths, and what the attributes say of
// devices: the calls that let a program write beside a file and put the result in its place.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include "FileTestFolder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include <sys/stat.h>

namespace {

using FileReplaceTest = FileTestFolder;

TEST_F(FileReplaceTest, TemporaryNamesAreNewFilesEachTime) {
  std::set<std::u16string> theNames;
  for (int i = 0; i < 50; ++i) {
    WCHAR theName[MAX_PATH];
    const UINT theNumber = GetTempFileNameW(mFolder.u16string().c_str(), u"qxtool", 0, theName);
    ASSERT_NE(theNumber, 0u);
    const std::u16string theText(theName);
    EXPECT_EQ(theText.rfind(mFolder.u16string() + u"/qxt", 0), 0u);  // three prefix characters
    EXPECT_EQ(theText.substr(theText.size() - 4), u".TMP");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(theText)));
    theNames.insert(theText);
  }
  EXPECT_EQ(theNames.size(), 50u);
  // A given number only makes the name; a missing folder is an error.
  WCHAR theName[MAX_PATH];
  EXPECT_EQ(GetTempFileNameW(mFolder.u16string().c_str(), u"ab", 0x1F, theName), 0x1Fu);
  EXPECT_EQ(std::u16string(theName), mFolder.u16string() + u"/ab1F.TMP");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(std::u16string(theName))));
  EXPECT_EQ(GetTempFileNameW(WPath("missing").c_str(), u"qx", 0, theName), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FileReplaceTest, ReplacingKeepsModeAndLinksAndRespectsSharing) {
  WriteText("target", "old");
  ASSERT_EQ(chmod(APath("target").c_str(), 0604), 0);
  std::filesystem::create_symlink(Path("target"), Path("link"));
  WriteText("new", "new");
  ASSERT_TRUE(ReplaceFileW(WPath("link").c_str(), WPath("new").c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link")));
  EXPECT_EQ(ReadText("target"), "new");
  EXPECT_FALSE(std::filesystem::exists(Path("new")));
  struct stat theStat {};
  ASSERT_EQ(stat(APath("target").c_str(), &theStat), 0);
  EXPECT_EQ(theStat.st_mode & 07777, 0604u);

  // A missing target, a backup name, and a target open without delete sharing are refused.
  WriteText("other", "other");
  EXPECT_FALSE(ReplaceFileW(WPath("absent").c_str(), WPath("other").c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(ReplaceFileW(WPath("target").c_str(), WPath("other").c_str(), WPath("backup").c_str(), 0, nullptr,
                            nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  HANDLE theOpen = CreateFileW(WPath("target").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(theOpen, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(ReplaceFileW(WPath("target").c_str(), WPath("other").c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_REMOVE_REPLACED));
  CloseHandle(theOpen);
  EXPECT_EQ(ReadText("target"), "new");
  EXPECT_EQ(ReadText("other"), "other");
}

TEST_F(FileReplaceTest, MovingReplacesOnlyWhenAsked) {
  WriteText("a", "a");
  WriteText("b", "b");
  EXPECT_FALSE(MoveFileExW(WPath("a").c_str(), WPath("b").c_str(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ReadText("b"), "b");
  ASSERT_TRUE(MoveFileExW(WPath("a").c_str(), WPath("c").c_str(), 0));
  EXPECT_EQ(ReadText("c"), "a");
  ASSERT_TRUE(MoveFileExW(WPath("c").c_str(), WPath("b").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(ReadText("b"), "a");
  EXPECT_FALSE(std::filesystem::exists(Path("c")));
  EXPECT_FALSE(MoveFileExW(WPath("c").c_str(), WPath("d").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileReplaceTest, FinalPathsResolveLinksAndDevicesAreMarked) {
  WriteText("real", "x");
  std::filesystem::create_symlink(Path("real"), Path("alias"));
  HANDLE theFile = CreateFileW(WPath("alias").c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  const std::u16string theExpected = std::filesystem::canonical(Path("real")).u16string();
  EXPECT_EQ(GetFinalPathNameByHandleW(theFile, nullptr, 0, 0), theExpected.size() + 1);
  WCHAR thePath[MAX_PATH];
  EXPECT_EQ(GetFinalPathNameByHandleW(theFile, thePath, MAX_PATH, 0), theExpected.size());
  EXPECT_EQ(std::u16string(thePath), theExpected);
  CloseHandle(theFile);
  EXPECT_EQ(GetFinalPathNameByHandleW(theFile, thePath, MAX_PATH, 0), 0u);

  EXPECT_NE(GetFileAttributesW(u"/dev/null") & FILE_ATTRIBUTE_DEVICE, 0u);
  ASSERT_EQ(mkfifo(APath("pipe").c_str(), 0600), 0);
  EXPECT_NE(GetFileAttributesW(WPath("pipe").c_str()) & FILE_ATTRIBUTE_DEVICE, 0u);
  EXPECT_EQ(GetFileAttributesW(WPath("real").c_str()) & FILE_ATTRIBUTE_DEVICE, 0u);
}

}  // namespace
