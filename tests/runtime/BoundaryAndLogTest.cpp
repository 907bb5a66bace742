// Preferences, the event log writer, assertions and the common method boundary.
#include <gtest/gtest.h>

#include <eventlog.h>
#include <winreg.h>

#include <regex>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "TestRoot.h"
#include "runtime/Assert.h"
#include "runtime/ComBoundary.h"
#include "runtime/EventLog.h"
#include "runtime/FileUtilities.h"
#include "runtime/Preferences.h"

namespace {

constexpr CLSID kClass = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
constexpr IID kInterface = {0x11111112, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
constexpr ComClassInfo kInfo{&kClass, &kInterface};

std::vector<QxEventEntry> QuorixEvents() { return QxReadEventLog("Quorix"); }

std::u16string TakeDescription() {
  IErrorInfo* theInfo = nullptr;
  if (GetErrorInfo(0, &theInfo) != S_OK) return u"<none>";
  BSTR theText = nullptr;
  theInfo->GetDescription(&theText);
  std::u16string theResult(theText, SysStringLen(theText));
  SysFreeString(theText);
  theInfo->Release();
  return theResult;
}

volatile int* volatile gNowhere = nullptr;
__attribute__((noinline, no_sanitize("address", "undefined"))) int ReadNowhere() { return *gNowhere; }

}  // namespace

TEST(Preferences, DefaultsWhenAbsentAndOversizedValues) {
  TestRoot theRoot;
  EXPECT_EQ(GetPrefLong("LogErrors", 0), 0u);
  EXPECT_EQ(GetPrefLong("LogAsserts", 1), 1u);
  EXPECT_EQ(GetPrefLong("UpdateID", 1), 1u);
  SetPrefLong("LogErrors", 1);
  EXPECT_EQ(GetPrefLong("LogErrors", 0), 1u);
  SetPrefLong("LogErrors", 0);
  EXPECT_EQ(GetPrefLong("LogErrors", 7), 0u);  // written as 0, not deleted
  HKEY theKey = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPreferenceKey, 0, KEY_WRITE, &theKey), ERROR_SUCCESS);
  RegSetValueExA(theKey, "LogErrors", 0, REG_SZ, reinterpret_cast<const BYTE*>("12345678"), 9);
  RegCloseKey(theKey);
  EXPECT_EQ(GetPrefLong("LogErrors", 0), 0u);

  ASSERT_EQ(StoreModulePath("/opt/quorix/libquorix2.so"), ERROR_SUCCESS);
  char thePath[MAX_PATH];
  ASSERT_EQ(ReadModulePath(nullptr, thePath, sizeof(thePath)), ERROR_SUCCESS);
  EXPECT_STREQ(thePath, "/opt/quorix/libquorix2.so");
}

TEST(EventLog, OneLineEntriesWithTheFixedFields) {
  TestRoot theRoot;
  StoreModulePath("/opt/quorix/libquorix2.so");
  EXPECT_EQ(LogText("first line\r\nsecond 100% done", kEventWarning), 0u);
  EXPECT_EQ(LogEvent("%s has %d pages", kEventInformation, "doc.pdf", 3), 0u);
  const auto theEvents = QuorixEvents();
  ASSERT_EQ(theEvents.size(), 2u);
  EXPECT_EQ(theEvents[0].mType, kEventWarning);
  EXPECT_EQ(theEvents[0].mCategory, 1);
  EXPECT_EQ(theEvents[0].mEventID, 4096u);
  ASSERT_EQ(theEvents[0].mStrings.size(), 1u);
  EXPECT_EQ(theEvents[0].mStrings[0], "first line  second 100% done");
  EXPECT_EQ(theEvents[1].mStrings[0], "doc.pdf has 3 pages");
  // The first event installed the source from the module path.
  HKEY theKey = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Quorix", 0,
                          KEY_READ, &theKey),
            ERROR_SUCCESS);
  char theFile[MAX_PATH];
  DWORD theSize = sizeof(theFile);
  ASSERT_EQ(RegQueryValueExA(theKey, "EventMessageFile", nullptr, nullptr, reinterpret_cast<BYTE*>(theFile), &theSize),
            ERROR_SUCCESS);
  EXPECT_STREQ(theFile, "/opt/quorix/libquorix2.so");
  DWORD theTypes = 0;
  theSize = sizeof(theTypes);
  RegQueryValueExA(theKey, "TypesSupported", nullptr, nullptr, reinterpret_cast<BYTE*>(&theTypes), &theSize);
  EXPECT_EQ(theTypes, 7u);
  RegCloseKey(theKey);
}

TEST(EventLog, SourceNamesOfMoreThan64CharactersAreRefused) {
  TestRoot theRoot;
  EXPECT_EQ(EventSourceInstalled(nullptr, std::string(65, 's').c_str()), 13);
  EXPECT_EQ(EventSourceInstalled(nullptr, std::string(64, 's').c_str()), ERROR_FILE_NOT_FOUND);
  // Without a module path the source cannot be installed, and the entry is still written.
  EXPECT_EQ(InstallEventSource(nullptr, "Quorix"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(LogText("kept anyway", kEventError), 0u);
  EXPECT_EQ(QuorixEvents().size(), 1u);
}

TEST(Assertions, LoggedAsErrorsUnlessSwitchedOff) {
  TestRoot theRoot;
  const long theLine = __LINE__ + 1;
  QX_ASSERT(1 + 1 == 3);
  auto theEvents = QuorixEvents();
  ASSERT_EQ(theEvents.size(), 1u);
  EXPECT_EQ(theEvents[0].mType, kEventError);
  // The source is named by its path inside the tree, wherever the tree was built.
  EXPECT_EQ(theEvents[0].mStrings[0], "Assertion Failed in tests/runtime/BoundaryAndLogTest.cpp line " +
                                          std::to_string(theLine) + " (1 + 1 == 3)");
  ReportAssertion("100%.cpp", 5, "inSize % 2 == 0");
  theEvents = QuorixEvents();
  ASSERT_EQ(theEvents.size(), 2u);
  EXPECT_EQ(theEvents[1].mStrings[0], "Assertion Failed in 100%.cpp line 5 (inSize % 2 == 0)");
  // So is an assertion of the library's own code.
  EXPECT_STREQ(ExtensionPart(static_cast<const char*>(nullptr)), "");
  theEvents = QuorixEvents();
  ASSERT_EQ(theEvents.size(), 3u);
  EXPECT_TRUE(std::regex_match(theEvents[2].mStrings[0],
                               std::regex(R"(Assertion Failed in runtime/FileUtilities\.cpp line \d+ \(inPath\))")))
      << theEvents[2].mStrings[0];
  SetPrefLong("LogAsserts", 0);
  QX_ASSERT(false);
  EXPECT_EQ(QuorixEvents().size(), 3u);
}

TEST(ComBoundary, ErrorsBecomeErrorInformationAndWarnings) {
  TestRoot theRoot;
  EXPECT_EQ(QX_COM_METHOD(kInfo, [] () -> HRESULT { throw ComError(E_FAIL, "Unable to do it."); }), E_FAIL);
  EXPECT_EQ(TakeDescription(), u"Unable to do it.");
  EXPECT_TRUE(QuorixEvents().empty());  // LogErrors absent: no event

  SetPrefLong("LogErrors", 1);
  EXPECT_EQ(QX_COM_METHOD(kInfo, [] () -> HRESULT { throw ComError(E_OUTOFMEMORY); }), E_FAIL);
  EXPECT_EQ(TakeDescription(), u"Not enough memory resources are available to complete this operation.");
  EXPECT_EQ(QX_COM_METHOD(kInfo, [] () -> HRESULT { throw ComError(static_cast<HRESULT>(0x80040300u)); }), E_FAIL);
  EXPECT_EQ(TakeDescription(), u"IDispatch error #256");
  EXPECT_EQ(QX_COM_METHOD(kInfo, [] () -> HRESULT { throw ComError(static_cast<HRESULT>(0x80001234u)); }), E_FAIL);
  EXPECT_EQ(TakeDescription(), u"Unknown error 0x80001234");
  EXPECT_EQ(QX_COM_METHOD(kInfo, [] () -> HRESULT { throw 7; }), E_FAIL);
  EXPECT_EQ(TakeDescription(), u"Unknown exception thrown.");
  const auto theEvents = QuorixEvents();
  ASSERT_EQ(theEvents.size(), 4u);
  for (const auto& theEvent : theEvents) EXPECT_EQ(theEvent.mType, kEventWarning);
  EXPECT_EQ(theEvents[3].mStrings[0], "Unknown exception thrown.");

  LONG* theNull = nullptr;
  EXPECT_EQ(QX_COM_METHOD_OUT(kInfo, theNull, [] { return S_OK; }), E_POINTER);
  ErrorReport theReport;
  EXPECT_EQ(FinishWithReport(kInfo, theReport), S_OK);
  theReport.AddMessage("Unable to read file.");
  EXPECT_EQ(FinishWithReport(kInfo, theReport), E_FAIL);
  EXPECT_EQ(TakeDescription(), u"Unable to read file.\n");
}

TEST(ComBoundary, MachineFaultIsLoggedAndTheProcessGoesOn) {
  TestRoot theRoot;
  const long theLine = __LINE__ + 1;
  EXPECT_EQ(QX_COM_METHOD(kInfo, [] { return static_cast<HRESULT>(ReadNowhere()); }), S_OK);
  const auto theEvents = QuorixEvents();
  ASSERT_EQ(theEvents.size(), 1u);
  EXPECT_EQ(theEvents[0].mType, kEventError);
  const std::string& theText = theEvents[0].mStrings[0];
  EXPECT_EQ(theText.rfind("Code at 0x", 0), 0u);
  EXPECT_NE(theText.find(" attempted to read from 0x00000000. "), std::string::npos);
  EXPECT_NE(theText.find("System Error caught at line " + std::to_string(theLine) +
                         " of tests/runtime/BoundaryAndLogTest.cpp. Base at 0x"),
            std::string::npos)
      << theText;
}

TEST(ComBoundary, MachineFaultEndsTheProcessWithoutAutoRecover) {
  TestRoot theRoot;
  SetPrefLong("AutoRecover", 0);
  const pid_t theChild = fork();
  if (theChild == 0) {
    QX_COM_METHOD(kInfo, [] { return static_cast<HRESULT>(ReadNowhere()); });
    _exit(0);
  }
  int theStatus = 0;
  waitpid(theChild, &theStatus, 0);
  ASSERT_TRUE(WIFEXITED(theStatus));
  EXPECT_EQ(WEXITSTATUS(theStatus), 1);
  EXPECT_EQ(QuorixEvents().size(), 1u);  // logged before the end
}
