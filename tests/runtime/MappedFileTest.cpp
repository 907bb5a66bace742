// The mapped file view, its failure messages and its byte source.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TestRoot.h"
#include "runtime/FileUtilities.h"
#include "runtime/MappedFile.h"

namespace {

std::u16string Wide(const std::string& inPath) { return ToWide(CP_ACP, inPath.c_str()); }

const WCHAR* W(const std::u16string& inText) { return reinterpret_cast<const WCHAR*>(inText.c_str()); }

}  // namespace

TEST(MappedFile, MapsAWholeFileAsAByteSource) {
  TestRoot theRoot;
  const std::string thePath = theRoot.Path() + "/data.bin";
  std::ofstream(thePath, std::ios::binary) << "ABC";
  MappedFile theFile;
  ASSERT_TRUE(theFile.Open(W(Wide(thePath))));
  EXPECT_STREQ(theFile.GetMessage(), "");
  EXPECT_EQ(theFile.GetLength(), 3u);
  EXPECT_EQ(theFile.ReadByte(), 'A');
  theFile.Seek(2);
  EXPECT_EQ(theFile.Tell(), 2u);
  EXPECT_EQ(theFile.ReadByte(), 'C');
  EXPECT_EQ(theFile.ReadByte(), -1);
  // A position past the end puts the cursor at the end.
  theFile.Seek(100);
  EXPECT_EQ(theFile.Tell(), 3u);
  EXPECT_EQ(theFile.ReadByte(), -1);
  theFile.Close();
  EXPECT_EQ(theFile.GetLength(), 0u);
  EXPECT_EQ(theFile.ReadByte(), -1);
}

TEST(MappedFile, ReportsMissingEmptyAndInvalidFiles) {
  TestRoot theRoot;
  MappedFile theFile;
  EXPECT_FALSE(theFile.Open(W(Wide(theRoot.Path() + "/missing.bin"))));
  EXPECT_STREQ(theFile.GetMessage(), "Unable to read file.");
  EXPECT_FALSE(theFile.IsOpen());

  const std::string theEmpty = theRoot.Path() + "/empty.bin";
  std::ofstream(theEmpty, std::ios::binary).flush();
  EXPECT_FALSE(theFile.Open(W(Wide(theEmpty))));
  EXPECT_STREQ(theFile.GetMessage(), "File is empty.");
  EXPECT_FALSE(theFile.IsOpen());
  EXPECT_EQ(theFile.GetStart(), nullptr);

  EXPECT_FALSE(theFile.OpenHandle(INVALID_HANDLE_VALUE));
  EXPECT_STREQ(theFile.GetMessage(), "File handle invalid.");

  // A success clears the message of an earlier failure.
  const std::string theGood = theRoot.Path() + "/good.bin";
  std::ofstream(theGood, std::ios::binary) << "x";
  EXPECT_TRUE(theFile.Open(W(Wide(theGood))));
  EXPECT_STREQ(theFile.GetMessage(), "");
}
