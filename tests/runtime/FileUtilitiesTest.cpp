// The folder walk, path parts, script byte arrays and text helpers.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestRoot.h"
#include "runtime/FileUtilities.h"

namespace {

struct WalkLog {
  std::vector<std::string> mPaths;
  LONG mStopAt = 0;  // 0: never stop
};

LONG Record(const char* inPath, void* inContext) {
  auto* theLog = static_cast<WalkLog*>(inContext);
  theLog->mPaths.emplace_back(inPath);
  return theLog->mStopAt != 0 && static_cast<LONG>(theLog->mPaths.size()) == theLog->mStopAt ? 7 : 0;
}

void Touch(const std::string& inPath) { std::ofstream(inPath) << "x"; }

}  // namespace

TEST(WalkFiles, VisitsInNameOrderWithinTheDepthAndStops) {
  TestRoot theRoot;
  const std::string theTop = theRoot.Path() + "/walk";
  std::filesystem::create_directories(theTop + "/sub/deeper/deepest");
  Touch(theTop + "/b.ttf");
  Touch(theTop + "/a.ttf");
  Touch(theTop + "/sub/c.ttf");
  Touch(theTop + "/sub/deeper/d.ttf");
  Touch(theTop + "/sub/deeper/deepest/e.ttf");

  WalkLog theLog;
  EXPECT_EQ(WalkFiles(theTop.c_str(), Record, 0, 1, &theLog), 0);
  EXPECT_EQ(theLog.mPaths, (std::vector<std::string>{theTop + "/a.ttf", theTop + "/b.ttf"}));

  // Depth 3: the folder and two levels of subfolders, never the third.
  theLog = {};
  EXPECT_EQ(WalkFiles((theTop + "/").c_str(), Record, 0, 3, &theLog), 0);
  EXPECT_EQ(theLog.mPaths, (std::vector<std::string>{theTop + "/a.ttf", theTop + "/b.ttf", theTop + "/sub/c.ttf",
                                                     theTop + "/sub/deeper/d.ttf"}));

  theLog = {};
  theLog.mStopAt = 1;
  EXPECT_EQ(WalkFiles(theTop.c_str(), Record, 0, 3, &theLog), 7);
  EXPECT_EQ(theLog.mPaths.size(), 1u);

  // A file is passed itself; a missing, empty or overlong path visits nothing.
  theLog = {};
  EXPECT_EQ(WalkFiles((theTop + "/a.ttf").c_str(), Record, 0, 3, &theLog), 0);
  EXPECT_EQ(theLog.mPaths.size(), 1u);
  theLog = {};
  EXPECT_EQ(WalkFiles((theTop + "/none").c_str(), Record, 0, 3, &theLog), 0);
  EXPECT_EQ(WalkFiles("", Record, 0, 3, &theLog), 0);
  EXPECT_EQ(WalkFiles(std::string(300, 'a').c_str(), Record, 0, 3, &theLog), 0);
  EXPECT_TRUE(theLog.mPaths.empty());
}

TEST(PathParts, NameAndExtension) {
  TestRoot theRoot;  // the null path reports an assertion
  EXPECT_STREQ(FileNamePart("/usr/share/fonts/DejaVuSans.ttf"), "DejaVuSans.ttf");
  EXPECT_STREQ(FileNamePart("plain.ttf"), "plain.ttf");
  EXPECT_STREQ(FileNamePart("dir\\file.ttf"), "dir\\file.ttf");  // a backslash is no separator here
  EXPECT_EQ(FileNamePart(static_cast<const char*>(nullptr)), nullptr);
  EXPECT_STREQ(ExtensionPart("archive.tar.gz"), "gz");
  const char* theBare = "/fonts/noext";
  EXPECT_EQ(ExtensionPart(theBare), theBare + std::strlen(theBare));
  EXPECT_STREQ(ExtensionPart(static_cast<const char*>(nullptr)), "");
  const std::u16string theWide = u"/a/b.c/Font.TTC";
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(FileNamePart(reinterpret_cast<const WCHAR*>(theWide.c_str())))),
            u"Font.TTC");
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(ExtensionPart(reinterpret_cast<const WCHAR*>(theWide.c_str())))),
            u"TTC");
}

TEST(ByteArrays, AccessReleaseAndMake) {
  TestRoot theRoot;
  const BYTE theBytes[] = {1, 2, 3, 250};
  VARIANT theVar;
  VariantInit(&theVar);
  ASSERT_EQ(MakeByteArray(theBytes, 4, &theVar), S_OK);
  EXPECT_EQ(V_VT(&theVar), VT_ARRAY | VT_UI1);

  // By reference, through a variant that points at it.
  VARIANT theRef;
  VariantInit(&theRef);
  V_VT(&theRef) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&theRef) = &theVar;
  const BYTE* thePtr = nullptr;
  LONG theLen = -1;
  ASSERT_EQ(AccessBytes(&theRef, &thePtr, &theLen), S_OK);
  ASSERT_EQ(theLen, 4);
  EXPECT_EQ(std::memcmp(thePtr, theBytes, 4), 0);
  EXPECT_EQ(ReleaseBytes(&theRef), S_OK);

  // An array held by reference (VT_ARRAY | VT_UI1 | VT_BYREF).
  SAFEARRAY* theArray = V_ARRAY(&theVar);
  VARIANT theArrayRef;
  VariantInit(&theArrayRef);
  V_VT(&theArrayRef) = VT_ARRAY | VT_UI1 | VT_BYREF;
  V_ARRAYREF(&theArrayRef) = &theArray;
  ASSERT_EQ(AccessBytes(&theArrayRef, &thePtr, &theLen), S_OK);
  EXPECT_EQ(theLen, 4);
  EXPECT_EQ(ReleaseBytes(&theArrayRef), S_OK);
  VariantClear(&theVar);

  // 32-bit elements and plain values are refused; a null reference is E_POINTER.
  VARIANT theInts;
  VariantInit(&theInts);
  V_VT(&theInts) = VT_ARRAY | VT_I4;
  V_ARRAY(&theInts) = SafeArrayCreateVector(VT_I4, 0, 3);
  EXPECT_EQ(AccessBytes(&theInts, &thePtr, &theLen), E_INVALIDARG);
  EXPECT_EQ(thePtr, nullptr);
  EXPECT_EQ(theLen, 0);
  VariantClear(&theInts);
  VARIANT theLong;
  VariantInit(&theLong);
  V_VT(&theLong) = VT_I4;
  EXPECT_EQ(AccessBytes(&theLong, &thePtr, &theLen), E_INVALIDARG);
  V_VT(&theRef) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&theRef) = nullptr;
  EXPECT_EQ(AccessBytes(&theRef, &thePtr, &theLen), E_POINTER);

  // An empty array.
  VARIANT theEmpty;
  VariantInit(&theEmpty);
  ASSERT_EQ(MakeByteArray(nullptr, 0, &theEmpty), S_OK);
  ASSERT_EQ(AccessBytes(&theEmpty, &thePtr, &theLen), S_OK);
  EXPECT_EQ(theLen, 0);
  EXPECT_EQ(ReleaseBytes(&theEmpty), S_OK);
  VariantClear(&theEmpty);
}

TEST(TextHelpers, ReplaceFindAndWiden) {
  TestRoot theRoot;
  char theText[] = "a-b-c";
  ReplaceChar(theText, '-', ' ');
  EXPECT_STREQ(theText, "a b c");

  const char theRange[] = "xxendobj\0stream";
  const char* theEnd = theRange + sizeof theRange - 1;
  EXPECT_EQ(FindText(theRange, "endobj", theEnd), theRange + 2);
  EXPECT_EQ(FindText(theRange, "stream", theEnd), theRange + 9);  // past a NUL byte
  EXPECT_EQ(FindText(theRange, "endobj", theRange + 7), nullptr);  // not wholly inside
  EXPECT_EQ(FindText(theRange, "", theEnd), theRange);
  EXPECT_EQ(FindText(theRange, "x", theRange), nullptr);

  EXPECT_EQ(ToWide(CP_ACP, "caf\xE9 \x80"), u"caf\u00E9 \u20AC");
  EXPECT_EQ(ToWide(1252, "abc", 2), u"ab");
  EXPECT_EQ(ToWide(CP_ACP, nullptr), u"");
}
