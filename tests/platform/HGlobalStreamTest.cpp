// Memory blocks and the streams over them.
#include <gtest/gtest.h>

#include <errhandlingapi.h>
#include <objidl.h>
#include <winerror.h>

#include <cstring>

TEST(HGlobalStream, ReadsWritesSeeksAndGrowsItsBlock) {
  HGLOBAL theBlock = GlobalAlloc(GMEM_MOVEABLE, 4);
  ASSERT_NE(theBlock, nullptr);
  std::memcpy(GlobalLock(theBlock), "abcd", 4);
  EXPECT_FALSE(GlobalUnlock(theBlock));
  IStream* theStream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(theBlock, TRUE, &theStream), S_OK);
  char theText[8] = {};
  ULONG theRead = 0;
  EXPECT_EQ(theStream->Read(theText, 8, &theRead), S_FALSE);
  EXPECT_EQ(theRead, 4u);
  EXPECT_STREQ(theText, "abcd");
  // Writing past the end grows the block under the same handle.
  ULONG theWritten = 0;
  EXPECT_EQ(theStream->Write("efgh", 4, &theWritten), S_OK);
  EXPECT_EQ(GlobalSize(theBlock), 8u);
  STATSTG theStat{};
  EXPECT_EQ(theStream->Stat(&theStat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(theStat.cbSize.QuadPart, 8u);
  LARGE_INTEGER theMove;
  theMove.QuadPart = -3;
  ULARGE_INTEGER thePosition{};
  EXPECT_EQ(theStream->Seek(theMove, STREAM_SEEK_END, &thePosition), S_OK);
  EXPECT_EQ(thePosition.QuadPart, 5u);
  EXPECT_EQ(theStream->Read(theText, 3, &theRead), S_OK);
  EXPECT_EQ(std::string(theText, 3), "fgh");
  // A position before the start is refused and the position stays.
  theMove.QuadPart = -100;
  EXPECT_EQ(theStream->Seek(theMove, STREAM_SEEK_CUR, &thePosition), STG_E_INVALIDFUNCTION);
  ULARGE_INTEGER theSize;
  theSize.QuadPart = 2;
  EXPECT_EQ(theStream->SetSize(theSize), S_OK);
  EXPECT_EQ(theStream->Read(theText, 1, &theRead), S_FALSE);
  EXPECT_EQ(theRead, 0u);
  // The stream frees its block with its last reference (seen by the leak checker).
  EXPECT_EQ(theStream->Release(), 0u);
}

TEST(HGlobalStream, LockCountsAndNullBlocks) {
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
  EXPECT_EQ(GlobalSize(nullptr), 0u);
  HGLOBAL theBlock = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(theBlock, nullptr);
  EXPECT_FALSE(GlobalUnlock(theBlock));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
  EXPECT_NE(GlobalLock(theBlock), nullptr);
  EXPECT_NE(GlobalLock(theBlock), nullptr);
  EXPECT_TRUE(GlobalUnlock(theBlock));
  EXPECT_FALSE(GlobalUnlock(theBlock));
  EXPECT_EQ(GlobalFree(theBlock), nullptr);
  IStream* theStream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &theStream), S_OK);
  STATSTG theStat{};
  theStream->Stat(&theStat, STATFLAG_NONAME);
  EXPECT_EQ(theStat.cbSize.QuadPart, 0u);
  theStream->Release();
}
