// Files: creation dispositions and their last errors, reading and writing, the file pointer, share
// modes, byte-range locks, read-only mappings and handle checking.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include "FileTestFolder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <latch>
#include <string>
#include <thread>
#include <vector>

namespace {

class FilesTest : public FileTestFolder {
 protected:
  HANDLE Open(const std::string& inName, DWORD inAccess, DWORD inShare, DWORD inDisposition) {
    return CreateFileW(WPath(inName).c_str(), inAccess, inShare, nullptr, inDisposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  }

  static std::string ReadAll(HANDLE inFile) {
    std::string theText(256, '\0');
    DWORD theRead = 0;
    EXPECT_TRUE(ReadFile(inFile, theText.data(), static_cast<DWORD>(theText.size()), &theRead, nullptr));
    theText.resize(theRead);
    return theText;
  }

  static BOOL Write(HANDLE inFile, const std::string& inText) {
    DWORD theWritten = 0;
    const BOOL theResult = WriteFile(inFile, inText.data(), static_cast<DWORD>(inText.size()), &theWritten, nullptr);
    if (theResult) {
      EXPECT_EQ(theWritten, inText.size());
    }
    return theResult;
  }
};

TEST_F(FilesTest, DispositionsSetTheLastErrorAsWindowsDoes) {
  HANDLE theFile = Open("new.txt", GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(Write(theFile, "hello"));
  EXPECT_TRUE(CloseHandle(theFile));

  EXPECT_EQ(Open("new.txt", GENERIC_WRITE, 0, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

  theFile = Open("new.txt", GENERIC_READ, 0, OPEN_ALWAYS);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ReadAll(theFile), "hello");  // OPEN_ALWAYS keeps the content
  EXPECT_TRUE(CloseHandle(theFile));

  theFile = Open("other.txt", GENERIC_READ, 0, OPEN_ALWAYS);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(CloseHandle(theFile));

  SetLastError(12345);
  theFile = Open("fresh.txt", GENERIC_WRITE, 0, CREATE_ALWAYS);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(CloseHandle(theFile));

  // CREATE_ALWAYS empties an existing file, even through a handle without write access.
  theFile = Open("new.txt", GENERIC_READ, 0, CREATE_ALWAYS);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(CloseHandle(theFile));
  EXPECT_EQ(ReadText("new.txt"), "");

  WriteText("trunc.txt", "0123456789");
  EXPECT_EQ(Open("trunc.txt", GENERIC_READ, 0, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadText("trunc.txt"), "0123456789");
  theFile = Open("trunc.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(theFile));
  EXPECT_EQ(ReadText("trunc.txt"), "");

  EXPECT_EQ(Open("missing.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open("missing.txt", GENERIC_WRITE, 0, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Open("nofolder/a.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Open("nofolder/a.txt", GENERIC_WRITE, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(Open("new.txt/a.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  EXPECT_EQ(Open("x.txt", GENERIC_READ, 0, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(Open("x.txt", GENERIC_READ, 0, 6), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(std::filesystem::exists(Path("x.txt")));
}

TEST_F(FilesTest, FoldersAndForbiddenFilesAreRefusedWithAccessDenied) {
  std::filesystem::create_directory(Path("dir"));
  EXPECT_EQ(Open("dir", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open("dir", GENERIC_WRITE, 0, OPEN_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Open("dir", 0, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  WriteText("secret.txt", "x");
  std::filesystem::permissions(Path("secret.txt"), std::filesystem::perms::none);
  if (std::ifstream(Path("secret.txt")).good()) GTEST_SKIP() << "running with rights that ignore permissions";
  EXPECT_EQ(Open("secret.txt", GENERIC_READ, 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FilesTest, WidePathsReachTheDiskAsUtf8) {
  const std::u16string theName = WPath("") + u"\u00e9t\u00e9-\U0001F600.txt";
  HANDLE theFile = CreateFileW(theName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(theFile));
  EXPECT_TRUE(std::filesystem::exists(mFolder / std::filesystem::path(u8"\u00e9t\u00e9-\U0001F600.txt")));

  const std::u16string theBroken = WPath("") + u"bad" + char16_t(0xD800) + u"x.txt";
  EXPECT_EQ(CreateFileW(theBroken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
  EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileW(u"", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  // The A form takes UTF-8.
  theFile = CreateFileA(APath("narrow.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(theFile));
  EXPECT_TRUE(std::filesystem::exists(Path("narrow.txt")));
}

TEST_F(FilesTest, ReadsAndWritesCheckTheHandlesAccess) {
  HANDLE theFile = Open("data.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  std::string theBig(300000, 'q');
  for (size_t theIndex = 0; theIndex < theBig.size(); ++theIndex) theBig[theIndex] = static_cast<char>(theIndex % 251);
  EXPECT_TRUE(Write(theFile, theBig));
  EXPECT_EQ(SetFilePointer(theFile, 0, nullptr, FILE_BEGIN), 0u);
  std::string theBack(theBig.size() + 10, '\0');
  DWORD theRead = 0;
  EXPECT_TRUE(ReadFile(theFile, theBack.data(), static_cast<DWORD>(theBack.size()), &theRead, nullptr));
  EXPECT_EQ(theRead, theBig.size());
  theBack.resize(theRead);
  EXPECT_EQ(theBack, theBig);
  // At the end a read succeeds with nothing.
  EXPECT_TRUE(ReadFile(theFile, theBack.data(), 10, &theRead, nullptr));
  EXPECT_EQ(theRead, 0u);
  // A positioned read uses the OVERLAPPED offset and reports the end past it.
  OVERLAPPED theAt{};
  theAt.Offset = 1000;
  char theByte = 0;
  EXPECT_TRUE(ReadFile(theFile, &theByte, 1, &theRead, &theAt));
  EXPECT_EQ(theByte, static_cast<char>(1000 % 251));
  theAt.Offset = 400000;
  EXPECT_FALSE(ReadFile(theFile, &theByte, 1, &theRead, &theAt));
  EXPECT_EQ(GetLastError(), ERROR_HANDLE_EOF);
  EXPECT_FALSE(ReadFile(theFile, nullptr, 1, &theRead, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_NOACCESS);
  EXPECT_TRUE(CloseHandle(theFile));

  HANDLE theReader = Open("data.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  HANDLE theWriter = Open("data.bin", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  ASSERT_NE(theReader, INVALID_HANDLE_VALUE);
  ASSERT_NE(theWriter, INVALID_HANDLE_VALUE);
  DWORD theCount = 99;
  EXPECT_FALSE(WriteFile(theReader, "x", 1, &theCount, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(theCount, 0u);
  EXPECT_FALSE(ReadFile(theWriter, &theByte, 1, &theCount, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(SetEndOfFile(theReader));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(FlushFileBuffers(theWriter));
  EXPECT_TRUE(CloseHandle(theReader));
  EXPECT_TRUE(CloseHandle(theWriter));
}

TEST_F(FilesTest, FilePointerAndSizeUseBothHalves) {
  HANDLE theFile = Open("seek.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(Write(theFile, "0123456789"));
  EXPECT_EQ(SetFilePointer(theFile, -4, nullptr, FILE_END), 6u);
  EXPECT_EQ(SetFilePointer(theFile, 2, nullptr, FILE_CURRENT), 8u);
  EXPECT_EQ(SetFilePointer(theFile, -9, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(theFile, 0, nullptr, FILE_CURRENT), 8u);  // unchanged by the failed move
  EXPECT_EQ(SetFilePointer(theFile, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // 5 GiB: the high half is 1. The file is extended without writing (a sparse file).
  LONG theHigh = 1;
  EXPECT_EQ(SetFilePointer(theFile, 0x40000000, &theHigh, FILE_BEGIN), 0x40000000u);
  EXPECT_EQ(theHigh, 1);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  ASSERT_TRUE(SetEndOfFile(theFile));
  DWORD theSizeHigh = 0;
  EXPECT_EQ(GetFileSize(theFile, &theSizeHigh), 0x40000000u);
  EXPECT_EQ(theSizeHigh, 1u);
  LARGE_INTEGER theSize{};
  EXPECT_TRUE(GetFileSizeEx(theFile, &theSize));
  EXPECT_EQ(theSize.QuadPart, 0x140000000LL);
  // Without a high part a position past 4 GiB cannot be returned.
  EXPECT_EQ(SetFilePointer(theFile, 0, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  LARGE_INTEGER theMove{};
  theMove.QuadPart = 3;
  LARGE_INTEGER thePosition{};
  EXPECT_TRUE(SetFilePointerEx(theFile, theMove, &thePosition, FILE_BEGIN));
  EXPECT_EQ(thePosition.QuadPart, 3);
  ASSERT_TRUE(SetEndOfFile(theFile));
  EXPECT_EQ(GetFileSize(theFile, nullptr), 3u);
  theMove.QuadPart = -4;
  EXPECT_FALSE(SetFilePointerEx(theFile, theMove, &thePosition, FILE_END));
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_TRUE(CloseHandle(theFile));
  EXPECT_EQ(ReadText("seek.bin"), "012");
}

TEST_F(FilesTest, ShareModesAreEnforcedBetweenHandles) {
  WriteText("shared.txt", "keep me");
  HANDLE theFirst = Open("shared.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(theFirst, INVALID_HANDLE_VALUE);

  // A second reader that shares reading is fine; a writer is not admitted by the first share mode.
  HANDLE theSecond = Open("shared.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(theSecond, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(theSecond));
  EXPECT_EQ(Open("shared.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  // A reader whose own share mode excludes the first handle's reading is refused too.
  EXPECT_EQ(Open("shared.txt", GENERIC_READ, FILE_SHARE_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  // A refused CREATE_ALWAYS must leave the content alone.
  EXPECT_EQ(Open("shared.txt", GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(ReadText("shared.txt"), "keep me");
  // A handle without data access takes no part in sharing.
  HANDLE theQuery = Open("shared.txt", 0, 0, OPEN_EXISTING);
  ASSERT_NE(theQuery, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(theQuery, nullptr), 7u);
  EXPECT_TRUE(CloseHandle(theQuery));
  // Deleting needs every open handle to share deleting.
  EXPECT_FALSE(DeleteFileW(WPath("shared.txt").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

  EXPECT_TRUE(CloseHandle(theFirst));
  HANDLE theWriter = Open("shared.txt", GENERIC_WRITE, FILE_SHARE_DELETE, OPEN_EXISTING);
  ASSERT_NE(theWriter, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open("shared.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING),
            INVALID_HANDLE_VALUE);
  EXPECT_TRUE(DeleteFileW(WPath("shared.txt").c_str()));
  EXPECT_TRUE(CloseHandle(theWriter));
  EXPECT_FALSE(std::filesystem::exists(Path("shared.txt")));
}

TEST_F(FilesTest, ConcurrentExclusiveOpensAdmitExactlyOne) {
  WriteText("race.txt", "x");
  constexpr int kThreads = 8;
  std::latch theStart(kThreads);
  std::latch theOpened(kThreads);
  std::atomic<int> theWinners{0};
  std::atomic<int> theViolations{0};
  std::vector<std::thread> theThreads;
  for (int theIndex = 0; theIndex < kThreads; ++theIndex) {
    theThreads.emplace_back([&] {
      theStart.arrive_and_wait();
      HANDLE theFile = Open("race.txt", GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
      if (theFile != INVALID_HANDLE_VALUE) {
        ++theWinners;
      } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
        ++theViolations;
      }
      theOpened.arrive_and_wait();  // everybody has tried while the winner still holds the file
      if (theFile != INVALID_HANDLE_VALUE) CloseHandle(theFile);
    });
  }
  for (auto& theThread : theThreads) theThread.join();
  EXPECT_EQ(theWinners.load(), 1);
  EXPECT_EQ(theViolations.load(), kThreads - 1);
}

TEST_F(FilesTest, LockedRangesConflictBetweenHandlesOfOneProcess) {
  WriteText("locks.bin", std::string(100, 'a'));
  const DWORD theShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE theFirst = Open("locks.bin", GENERIC_READ | GENERIC_WRITE, theShare, OPEN_EXISTING);
  HANDLE theSecond = Open("locks.bin", GENERIC_READ | GENERIC_WRITE, theShare, OPEN_EXISTING);
  ASSERT_NE(theFirst, INVALID_HANDLE_VALUE);
  ASSERT_NE(theSecond, INVALID_HANDLE_VALUE);

  ASSERT_TRUE(LockFile(theFirst, 10, 0, 20, 0));
  EXPECT_FALSE(LockFile(theSecond, 25, 0, 10, 0));
  EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
  EXPECT_FALSE(LockFile(theFirst, 29, 0, 1, 0));  // locks of one handle do not overlap either
  EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
  EXPECT_TRUE(LockFile(theSecond, 30, 0, 10, 0));  // adjacent, not overlapping

  // Data in a range locked by another handle cannot be read or written through this one.
  char theBuffer[8] = {};
  DWORD theCount = 0;
  EXPECT_EQ(SetFilePointer(theSecond, 12, nullptr, FILE_BEGIN), 12u);
  EXPECT_FALSE(ReadFile(theSecond, theBuffer, 4, &theCount, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
  EXPECT_FALSE(WriteFile(theSecond, "zz", 2, &theCount, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
  EXPECT_EQ(SetFilePointer(theFirst, 12, nullptr, FILE_BEGIN), 12u);
  EXPECT_TRUE(WriteFile(theFirst, "zz", 2, &theCount, nullptr));

  // Unlocking needs exactly a range this handle locked.
  EXPECT_FALSE(UnlockFile(theFirst, 10, 0, 5, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
  EXPECT_FALSE(UnlockFile(theSecond, 10, 0, 20, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
  EXPECT_FALSE(UnlockFile(theFirst, 50, 0, 5, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
  EXPECT_TRUE(UnlockFile(theFirst, 10, 0, 20, 0));
  EXPECT_FALSE(UnlockFile(theFirst, 10, 0, 20, 0));
  EXPECT_EQ(GetLastError(), ERROR_NOT_LOCKED);
  EXPECT_TRUE(LockFile(theSecond, 10, 0, 20, 0));

  // Closing a handle releases its ranges; whole-file ranges past every offset work too.
  EXPECT_TRUE(CloseHandle(theSecond));
  EXPECT_TRUE(LockFile(theFirst, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF));
  EXPECT_TRUE(UnlockFile(theFirst, 0, 0, 0xFFFFFFFF, 0xFFFFFFFF));
  EXPECT_TRUE(CloseHandle(theFirst));

  // Read-only handles lock exclusively as well.
  HANDLE theReaderA = Open("locks.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  HANDLE theReaderB = Open("locks.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_TRUE(LockFile(theReaderA, 0, 0, 10, 0));
  EXPECT_FALSE(LockFile(theReaderB, 5, 0, 10, 0));
  EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
  EXPECT_TRUE(CloseHandle(theReaderA));
  EXPECT_TRUE(CloseHandle(theReaderB));
}

TEST_F(FilesTest, MappedFilesAreReadThroughTheirViews) {
  std::string theText(200000, 0);
  for (size_t theIndex = 0; theIndex < theText.size(); ++theIndex) theText[theIndex] = static_cast<char>('a' + theIndex % 26);
  WriteText("map.bin", theText);
  HANDLE theFile = Open("map.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  HANDLE theMapping = CreateFileMappingW(theFile, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(theMapping, nullptr);
  // The mapping keeps the file: closing the file handle first is fine.
  EXPECT_TRUE(CloseHandle(theFile));
  const auto* theView = static_cast<const char*>(MapViewOfFile(theMapping, FILE_MAP_READ, 0, 0, 0));
  ASSERT_NE(theView, nullptr);
  EXPECT_EQ(std::string(theView, theText.size()), theText);
  const auto* thePart = static_cast<const char*>(MapViewOfFile(theMapping, FILE_MAP_READ, 0, 65536, 100));
  ASSERT_NE(thePart, nullptr);
  EXPECT_EQ(std::string(thePart, 100), theText.substr(65536, 100));
  // A view outlives its mapping handle.
  EXPECT_TRUE(CloseHandle(theMapping));
  EXPECT_EQ(thePart[99], theText[65635]);
  EXPECT_TRUE(UnmapViewOfFile(thePart));
  EXPECT_TRUE(UnmapViewOfFile(theView));
  EXPECT_FALSE(UnmapViewOfFile(theView));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
}

TEST_F(FilesTest, MappingRefusesWhatCouldNotBeRead) {
  WriteText("empty.bin", "");
  WriteText("small.bin", std::string(1000, 's'));
  HANDLE theEmpty = Open("empty.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  SetLastError(0);
  EXPECT_EQ(CreateFileMappingW(theEmpty, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
  EXPECT_TRUE(CloseHandle(theEmpty));

  HANDLE theFile = Open("small.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_EQ(CreateFileMappingW(theFile, nullptr, PAGE_READONLY, 0, 1001, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(CreateFileMappingW(theFile, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
  HANDLE theMapping = CreateFileMappingA(theFile, nullptr, PAGE_READONLY, 0, 500, nullptr);
  ASSERT_NE(theMapping, nullptr);
  EXPECT_EQ(MapViewOfFile(theMapping, FILE_MAP_READ, 0, 4096, 10), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MAPPED_ALIGNMENT);
  EXPECT_EQ(MapViewOfFile(theMapping, FILE_MAP_READ, 0, 0, 501), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(MapViewOfFile(theMapping, FILE_MAP_READ, 0, 65536, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(MapViewOfFile(theMapping, FILE_MAP_WRITE, 0, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(CloseHandle(theMapping));
  EXPECT_TRUE(CloseHandle(theFile));

  HANDLE theWriteOnly = Open("small.bin", GENERIC_WRITE, 0, OPEN_EXISTING);
  EXPECT_EQ(CreateFileMappingW(theWriteOnly, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(CloseHandle(theWriteOnly));

  int theLocal = 0;
  EXPECT_FALSE(UnmapViewOfFile(&theLocal));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
  EXPECT_FALSE(UnmapViewOfFile(nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_ADDRESS);
}

TEST_F(FilesTest, AMappedFileCannotBeShortenedUnderItsViews) {
  WriteText("held.bin", std::string(5000, 'h'));
  const DWORD theShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
  HANDLE theReader = Open("held.bin", GENERIC_READ, theShare, OPEN_EXISTING);
  HANDLE theMapping = CreateFileMappingW(theReader, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(theMapping, nullptr);
  const auto* theView = static_cast<const char*>(MapViewOfFile(theMapping, FILE_MAP_READ, 0, 0, 0));
  ASSERT_NE(theView, nullptr);
  EXPECT_TRUE(CloseHandle(theMapping));
  EXPECT_TRUE(CloseHandle(theReader));

  HANDLE theWriter = Open("held.bin", GENERIC_WRITE, theShare, OPEN_EXISTING);
  ASSERT_NE(theWriter, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SetFilePointer(theWriter, 100, nullptr, FILE_BEGIN), 100u);
  EXPECT_FALSE(SetEndOfFile(theWriter));
  EXPECT_EQ(GetLastError(), ERROR_USER_MAPPED_FILE);
  EXPECT_EQ(Open("held.bin", GENERIC_WRITE, theShare, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_USER_MAPPED_FILE);
  EXPECT_EQ(theView[4999], 'h');  // still readable: the file kept its length
  // Growing is harmless.
  EXPECT_EQ(SetFilePointer(theWriter, 6000, nullptr, FILE_BEGIN), 6000u);
  EXPECT_TRUE(SetEndOfFile(theWriter));

  EXPECT_TRUE(UnmapViewOfFile(theView));
  EXPECT_EQ(SetFilePointer(theWriter, 100, nullptr, FILE_BEGIN), 100u);
  EXPECT_TRUE(SetEndOfFile(theWriter));
  EXPECT_EQ(GetFileSize(theWriter, nullptr), 100u);
  EXPECT_TRUE(CloseHandle(theWriter));
}

TEST_F(FilesTest, HandlesOfTheWrongKindOrNoneAreRefused) {
  int theLocal = 0;
  for (HANDLE theBad : {static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, static_cast<HANDLE>(&theLocal)}) {
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(theBad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindClose(theBad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    DWORD theCount = 0;
    char theByte = 0;
    EXPECT_FALSE(ReadFile(theBad, &theByte, 1, &theCount, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(WriteFile(theBad, &theByte, 1, &theCount, nullptr));
    EXPECT_EQ(GetFileSize(theBad, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetFilePointer(theBad, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_FALSE(LockFile(theBad, 0, 0, 1, 0));
    EXPECT_EQ(CreateFileMappingW(theBad, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(MapViewOfFile(theBad, FILE_MAP_READ, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  }

  WriteText("kind.txt", "k");
  HANDLE theFile = Open("kind.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  HANDLE theMapping = CreateFileMappingW(theFile, nullptr, PAGE_READONLY, 0, 0, nullptr);
  WIN32_FIND_DATAW theData{};
  HANDLE theSearch = FindFirstFileW(WPath("*").c_str(), &theData);
  ASSERT_NE(theSearch, INVALID_HANDLE_VALUE);

  EXPECT_FALSE(FindClose(theFile));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(CloseHandle(theSearch));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(FindNextFileW(theFile, &theData));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  char theByte = 0;
  DWORD theCount = 0;
  EXPECT_FALSE(ReadFile(theMapping, &theByte, 1, &theCount, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(CreateFileMappingW(theMapping, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(MapViewOfFile(theFile, FILE_MAP_READ, 0, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  // Each closes once, by its own call.
  EXPECT_TRUE(FindClose(theSearch));
  EXPECT_FALSE(FindClose(theSearch));
  EXPECT_TRUE(CloseHandle(theMapping));
  EXPECT_TRUE(CloseHandle(theFile));
  EXPECT_FALSE(CloseHandle(theFile));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FilesTest, FoldersAndFilesAreMadeAndRemovedWithWindowsErrors) {
  EXPECT_TRUE(CreateDirectoryW(WPath("d").c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryW(WPath("d").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA(APath("no/d").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  WriteText("d/f.txt", "f");
  EXPECT_FALSE(RemoveDirectoryW(WPath("d").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(RemoveDirectoryW(WPath("d/f.txt").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_DIRECTORY);
  EXPECT_FALSE(RemoveDirectoryA(APath("gone").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  EXPECT_FALSE(DeleteFileW(WPath("d").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFileW(WPath("d/none.txt").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(WPath("x/none.txt").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  std::filesystem::permissions(Path("d/f.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_FALSE(DeleteFileA(APath("d/f.txt").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  std::filesystem::permissions(Path("d/f.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_TRUE(DeleteFileA(APath("d/f.txt").c_str()));
  EXPECT_TRUE(RemoveDirectoryW(WPath("d").c_str()));
  EXPECT_FALSE(std::filesystem::exists(Path("d")));
}

TEST_F(FilesTest, AttributesTellFoldersReadOnlyAndMissingPaths) {
  std::filesystem::create_directory(Path("sub"));
  WriteText("plain.txt", "p");
  WriteText("locked.txt", "l");
  std::filesystem::permissions(Path("locked.txt"), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(GetFileAttributesW(WPath("sub").c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW(WPath("plain.txt").c_str()), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(GetFileAttributesA(APath("locked.txt").c_str()), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(GetFileAttributesW(WPath("none.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesW(WPath("none/x.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesW(WPath("plain.txt/x").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesW(nullptr), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  // A read-only attribute asked for at creation makes a read-only file.
  HANDLE theFile = CreateFileW(WPath("made.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_READONLY, nullptr);
  ASSERT_NE(theFile, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(theFile));
  EXPECT_EQ(GetFileAttributesW(WPath("made.txt").c_str()), FILE_ATTRIBUTE_READONLY);
}

TEST_F(FilesTest, TempPathEndsWithASeparatorAndReportsTheSizeItNeeds) {
  const DWORD theNeeded = GetTempPathA(0, nullptr);
  ASSERT_GT(theNeeded, 1u);
  std::string theBuffer(theNeeded, 'x');
  EXPECT_EQ(GetTempPathA(theNeeded - 1, theBuffer.data()), theNeeded);
  EXPECT_EQ(theBuffer, std::string(theNeeded, 'x'));  // nothing written when it does not fit
  EXPECT_EQ(GetTempPathA(theNeeded, theBuffer.data()), theNeeded - 1);
  EXPECT_EQ(theBuffer[theNeeded - 2], '/');
  EXPECT_EQ(theBuffer[theNeeded - 1], '\0');
  std::u16string theWide(GetTempPathW(0, nullptr), u'x');
  EXPECT_EQ(GetTempPathW(static_cast<DWORD>(theWide.size()), theWide.data()), theWide.size() - 1);
  EXPECT_EQ(theWide[theWide.size() - 2], u'/');
}

}  // namespace
