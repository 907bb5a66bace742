// The Doc class at its C++ boundary: null result pointers, failed saves (reported, logged, and never
// destroying the file they were to replace), and the paths a save accepts.
#include <gtest/gtest.h>

#include <errhandlingapi.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestRoot.h"
#include "runtime/EventLog.h"
#include "runtime/Preferences.h"
#include "scripting/Doc.h"
#include "scripting/QuorixModule.h"

namespace {

namespace fs = std::filesystem;

struct DocFixture : ::testing::Test {
  void SetUp() override {
    ASSERT_EQ(Doc::CreateInstance(IID_IDoc, reinterpret_cast<void**>(&doc)), S_OK);
    folder = fs::path(root.Path()) / "out";
    fs::create_directories(folder);
  }
  void TearDown() override {
    if (doc != nullptr) doc->Release();
  }
  HRESULT Save(const std::u16string& inPath) {
    BSTR thePath = SysAllocStringLen(inPath.data(), static_cast<UINT>(inPath.size()));
    const HRESULT theResult = doc->Save(thePath);
    SysFreeString(thePath);
    return theResult;
  }
  HRESULT Save(const fs::path& inPath) {
    const std::string theText = inPath.string();
    return Save(std::u16string(theText.begin(), theText.end()));
  }
  void AddPages(int inCount) {
    VARIANT theEnd;
    VariantInit(&theEnd);
    LONG theID = 0;
    for (int i = 0; i < inCount; ++i) {
      ASSERT_EQ(doc->AddPage(theEnd, &theID), S_OK);
      ASSERT_EQ(doc->put_Page(theID), S_OK);
      ASSERT_EQ(doc->AddLine(0, 0, 100, 100, &theID), S_OK);
    }
  }
  static std::string Read(const fs::path& inPath) {
    std::ifstream theFile(inPath, std::ios::binary);
    std::ostringstream theText;
    theText << theFile.rdbuf();
    return theText.str();
  }
  // The names in the output folder: a failed save leaves no file of its own behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> theNames;
    for (const auto& theEntry : fs::directory_iterator(folder)) theNames.push_back(theEntry.path().filename().string());
    std::sort(theNames.begin(), theNames.end());
    return theNames;
  }

  TestRoot root;
  IDoc* doc = nullptr;
  fs::path folder;
};

std::string Description() {
  IErrorInfo* theInfo = nullptr;
  if (GetErrorInfo(0, &theInfo) != S_OK || theInfo == nullptr) return "<none>";
  BSTR theText = nullptr;
  theInfo->GetDescription(&theText);
  std::string theResult;
  for (UINT i = 0; i < SysStringLen(theText); ++i) theResult.push_back(static_cast<char>(theText[i]));
  SysFreeString(theText);
  theInfo->Release();
  return theResult;
}

// A save's failure: the message of the save and the system's explanation of the cause.
bool Says(const std::string& inText, const std::string& inCause) {
  return inText.rfind("Unable to write PDF to disk.", 0) == 0 && inText.find(inCause) != std::string::npos;
}

TEST_F(DocFixture, EveryResultPointerMayNotBeNull) {
  VARIANT theEmpty;
  VariantInit(&theEmpty);
  BSTR theName = SysAllocString(u"Helvetica");
  const HRESULT theResults[] = {
      doc->get_Page(nullptr),      doc->get_Font(nullptr),       doc->get_FontSize(nullptr),
      doc->get_Width(nullptr),     doc->get_HPos(nullptr),       doc->get_VPos(nullptr),
      doc->get_Color(nullptr),     doc->get_Pos(nullptr),        doc->get_Rect(nullptr),
      doc->get_MediaBox(nullptr),  doc->get_TextStyle(nullptr),  doc->get_Transform(nullptr),
      doc->get_Root(nullptr),      doc->get_Layer(nullptr),      doc->get_LayerCount(nullptr),
      doc->AddPage(theEmpty, nullptr), doc->AddFont(theName, nullptr), doc->AddText(theName, nullptr),
      doc->AddLine(0, 0, 1, 1, nullptr), doc->GetInfo(1, theName, nullptr), doc->FrameRect(nullptr),
      doc->FillRect(nullptr),      doc->GetData(nullptr),        doc->EmbedFont(theName, nullptr),
      doc->Flatten(nullptr),
  };
  SysFreeString(theName);
  for (size_t i = 0; i < std::size(theResults); ++i) EXPECT_EQ(theResults[i], E_POINTER) << "member " << i;
  // Nothing was added by the refused calls.
  LONG theRoot = -1;
  EXPECT_EQ(doc->get_Root(&theRoot), S_OK);
  EXPECT_EQ(theRoot, 0);
}

TEST_F(DocFixture, AFailedWriteIsReportedAndLoggedWhenAsked) {
  AddPages(1);
  SetPrefLong("LogErrors", 0);
  EXPECT_EQ(Save(fs::path("/dev/full")), E_FAIL);
  EXPECT_TRUE(Says(Description(), "There is not enough space on the disk."));
  EXPECT_TRUE(QxReadEventLog("Quorix").empty());

  SetPrefLong("LogErrors", 1);
  EXPECT_EQ(Save(fs::path("/dev/full")), E_FAIL);
  const auto theEvents = QxReadEventLog("Quorix");
  ASSERT_EQ(theEvents.size(), 1u);
  EXPECT_EQ(theEvents[0].mType, EVENTLOG_WARNING_TYPE);
  ASSERT_EQ(theEvents[0].mStrings.size(), 1u);
  EXPECT_TRUE(Says(theEvents[0].mStrings[0], "There is not enough space on the disk."));
}

TEST_F(DocFixture, AFailedSaveLeavesTheOldFileWhole) {
  const fs::path thePath = folder / "report.pdf";
  AddPages(1);
  ASSERT_EQ(Save(thePath), S_OK);
  const std::string theOld = Read(thePath);
  AddPages(400);
  // The child may write files of at most 16 KiB: the new document is larger, so its save fails.
  const pid_t theChild = fork();
  ASSERT_GE(theChild, 0);
  if (theChild == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit theLimit{16384, 16384};
    setrlimit(RLIMIT_FSIZE, &theLimit);
    const HRESULT theResult = Save(thePath);
    const std::string theText = Description();
    _exit(theResult == E_FAIL && Says(theText, "The file size exceeds the limit allowed and cannot be saved.") ? 0 : 1);
  }
  int theStatus = 0;
  ASSERT_EQ(waitpid(theChild, &theStatus, 0), theChild);
  EXPECT_TRUE(WIFEXITED(theStatus) && WEXITSTATUS(theStatus) == 0);
  EXPECT_EQ(Read(thePath), theOld);
  EXPECT_EQ(Names(), std::vector<std::string>{"report.pdf"});
  // Without the limit the same save replaces it.
  ASSERT_EQ(Save(thePath), S_OK);
  EXPECT_GT(Read(thePath).size(), theOld.size());
  EXPECT_EQ(Names(), std::vector<std::string>{"report.pdf"});
}

TEST_F(DocFixture, ASaveKeepsPermissionsAndLinks) {
  AddPages(1);
  const fs::path thePath = folder / "shared.pdf";
  {
    std::ofstream(thePath) << "old";
  }
  ASSERT_EQ(chmod(thePath.c_str(), 0640), 0);
  ASSERT_EQ(Save(thePath), S_OK);
  struct stat theStat {};
  ASSERT_EQ(stat(thePath.c_str(), &theStat), 0);
  EXPECT_EQ(theStat.st_mode & 07777, 0640u);
  EXPECT_EQ(Read(thePath).substr(0, 8), "%PDF-1.1");

  // Saving through a symbolic link writes the file it names; the link stays a link.
  const fs::path theLink = folder / "link.pdf";
  fs::create_symlink(thePath, theLink);
  AddPages(1);
  ASSERT_EQ(Save(theLink), S_OK);
  EXPECT_TRUE(fs::is_symlink(theLink));
  EXPECT_EQ(Read(theLink), Read(thePath));
  EXPECT_EQ(Names(), (std::vector<std::string>{"link.pdf", "shared.pdf"}));
}

TEST_F(DocFixture, APathWithAZeroInsideIsRefused) {
  AddPages(1);
  const std::string theText = (folder / "cut.pdf").string();
  std::u16string thePath(theText.begin(), theText.end());
  thePath.insert(thePath.size() - 4, 1, u'\0');  // ".../cut\0.pdf"
  EXPECT_EQ(Save(thePath), E_FAIL);
  EXPECT_TRUE(Says(Description(), "The filename, directory name, or volume label syntax is incorrect."));
  EXPECT_TRUE(Names().empty());
}

}  // namespace
