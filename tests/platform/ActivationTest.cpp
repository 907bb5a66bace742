// GUID text, per-thread error information, registration with the tool, activation by ProgID of
// the test server, and lookups in a store that is damaged or locked.
#include <gtest/gtest.h>

#include <formatmessage.h>
#include <objbase.h>
#include <winreg.h>

#include <sqlite3.h>

#include <chrono>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestRoot.h"
#include "testserver/TestWidget.h"

namespace {

int RunTool(const std::string& inArguments) {
  const std::string theCommand = BinaryPath("bin/qxregsvr32") + " " + inArguments + " >/dev/null 2>&1";
  const int theStatus = std::system(theCommand.c_str());
  return WIFEXITED(theStatus) ? WEXITSTATUS(theStatus) : -1;
}

const std::string kServer = BinaryPath("lib/libqxtestserver.so");

}  // namespace

TEST(Guid, TextRoundTripAndBadText) {
  OLECHAR theText[39];
  ASSERT_EQ(StringFromGUID2(CLSID_TestWidget, theText, 39), 39);
  EXPECT_EQ(std::u16string(theText), u"{6E1B3A53-0D1F-4C41-9A3B-517E22C49011}");
  EXPECT_EQ(StringFromGUID2(CLSID_TestWidget, theText, 38), 0);
  CLSID theBack;
  ASSERT_EQ(CLSIDFromString(u"{6e1b3a53-0d1f-4c41-9a3b-517e22c49011}", &theBack), S_OK);
  EXPECT_TRUE(IsEqualCLSID(theBack, CLSID_TestWidget));
  for (const char16_t* theBad : {u"6E1B3A53-0D1F-4C41-9A3B-517E22C49011", u"{6E1B3A53-0D1F-4C41-9A3B-517E22C4901}",
                                 u"{6E1B3A53-0D1F-4C41-9A3B-517E22C49011}x", u"{XE1B3A53-0D1F-4C41-9A3B-517E22C49011}"})
    EXPECT_EQ(CLSIDFromString(theBad, &theBack), CO_E_CLASSSTRING);
}

TEST(ErrorInfo, OneSlotPerThreadEmptiedByTaking) {
  ICreateErrorInfo* theCreate = nullptr;
  ASSERT_EQ(CreateErrorInfo(&theCreate), S_OK);
  theCreate->SetDescription(const_cast<LPOLESTR>(u"main thread"));
  IErrorInfo* theInfo = nullptr;
  theCreate->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&theInfo));
  SetErrorInfo(0, theInfo);
  theInfo->Release();
  theCreate->Release();

  HRESULT theOther = S_OK;
  std::thread([&] {
    IErrorInfo* theNone = nullptr;
    theOther = GetErrorInfo(0, &theNone);
  }).join();
  EXPECT_EQ(theOther, S_FALSE);

  IErrorInfo* theTaken = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &theTaken), S_OK);
  BSTR theText = nullptr;
  theTaken->GetDescription(&theText);
  EXPECT_EQ(std::u16string(theText), u"main thread");
  SysFreeString(theText);
  theTaken->Release();
  EXPECT_EQ(GetErrorInfo(0, &theTaken), S_FALSE);
  EXPECT_EQ(theTaken, nullptr);
}

TEST(Activation, RegisteredServerIsCreatedByEitherProgID) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kServer), 0);
  for (const char16_t* theProgID : {u"QuorixTest.Widget", u"QuorixTest.Widget.1", u"quorixtest.widget"}) {
    CLSID theClass;
    ASSERT_EQ(CLSIDFromProgID(theProgID, &theClass), S_OK);
    EXPECT_TRUE(IsEqualCLSID(theClass, CLSID_TestWidget));
    IDispatch* theObject = nullptr;
    ASSERT_EQ(CoCreateInstance(theClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&theObject)),
              S_OK);
    theObject->Release();
  }
  LPOLESTR theProgID = nullptr;
  ASSERT_EQ(ProgIDFromCLSID(CLSID_TestWidget, &theProgID), S_OK);
  EXPECT_EQ(std::u16string(theProgID), u"QuorixTest.Widget.1");
  CoTaskMemFree(theProgID);

  // The failing member reaches the caller with its source and description.
  IDispatch* theObject = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&theObject)),
            S_OK);
  std::u16string theName = u"Fail";
  LPOLESTR theNames[1] = {theName.data()};
  DISPID theID = 0;
  ASSERT_EQ(theObject->GetIDsOfNames(IID_NULL, theNames, 1, 0, &theID), S_OK);
  DISPPARAMS theNoArgs{nullptr, nullptr, 0, 0};
  EXCEPINFO theExcep{};
  EXPECT_EQ(theObject->Invoke(theID, IID_NULL, 0, DISPATCH_METHOD, &theNoArgs, nullptr, &theExcep, nullptr),
            DISP_E_EXCEPTION);
  EXPECT_EQ(static_cast<uint32_t>(theExcep.scode), 0x80004005u);
  EXPECT_EQ(std::u16string(theExcep.bstrSource), u"QuorixTest.Widget");
  EXPECT_EQ(std::u16string(theExcep.bstrDescription), u"The widget failed on purpose.");
  SysFreeString(theExcep.bstrSource);
  SysFreeString(theExcep.bstrDescription);
  SysFreeString(theExcep.bstrHelpFile);

  // A machine fault inside a member becomes a C++ exception at the member's guard.
  theName = u"Crash";
  ASSERT_EQ(theObject->GetIDsOfNames(IID_NULL, theNames, 1, 0, &theID), S_OK);
  for (LONG theKind : {0, 1}) {
    VARIANT theArg;
    V_VT(&theArg) = VT_I4;
    V_I4(&theArg) = theKind;
    DISPPARAMS theParams{&theArg, nullptr, 1, 0};
    VARIANT theResult;
    VariantInit(&theResult);
    ASSERT_EQ(theObject->Invoke(theID, IID_NULL, 0, DISPATCH_METHOD, &theParams, &theResult, nullptr, nullptr), S_OK);
    EXPECT_EQ(std::u16string(V_BSTR(&theResult)),
              theKind == 0 ? u"code 0xC0000005 read 0x00000000" : u"code 0xC0000005 write 0x00000000");
    VariantClear(&theResult);
  }
  theObject->Release();
}

TEST(Activation, TypeLibraryIsRegisteredAndFound) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kServer), 0);
  ITypeLib* theLib = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_QuorixTest, 1, 0, 0x409, &theLib), S_OK);
  BSTR theName = nullptr, theDoc = nullptr;
  theLib->GetDocumentation(-1, &theName, &theDoc, nullptr, nullptr);
  EXPECT_EQ(std::u16string(theName), u"QuorixTest");
  EXPECT_EQ(std::u16string(theDoc), u"Quorix test server");
  SysFreeString(theName);
  SysFreeString(theDoc);
  theLib->Release();
  HKEY theKey = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Interface\\{6E1B3A52-0D1F-4C41-9A3B-517E22C49011}\\TypeLib", 0,
                          KEY_READ, &theKey),
            ERROR_SUCCESS);
  RegCloseKey(theKey);

  ASSERT_EQ(RunTool("/u " + kServer), 0);
  EXPECT_EQ(LoadRegTypeLib(LIBID_QuorixTest, 1, 0, 0x409, &theLib), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"Interface\\{6E1B3A52-0D1F-4C41-9A3B-517E22C49011}", 0, KEY_READ,
                          &theKey),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, u"TypeLib\\{6E1B3A54-0D1F-4C41-9A3B-517E22C49011}", 0, KEY_READ, &theKey),
            ERROR_FILE_NOT_FOUND);
  CLSID theClass;
  EXPECT_EQ(CLSIDFromProgID(u"QuorixTest.Widget", &theClass), CO_E_CLASSSTRING);
  IDispatch* theObject = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&theObject)),
            REGDB_E_CLASSNOTREG);
}

TEST(Activation, FailuresAreResultsNotCrashes) {
  TestRoot theRoot;
  CLSID theClass;
  EXPECT_EQ(CLSIDFromProgID(u"No.Such.Class", &theClass), CO_E_CLASSSTRING);
  // A class whose module is missing, and one whose module has no DllGetClassObject.
  auto theRegister = [](const char16_t* inClsid, const std::string& inPath) {
    HKEY theKey = nullptr;
    const std::u16string theKeyPath = std::u16string(u"CLSID\\") + inClsid + u"\\InprocServer32";
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, theKeyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &theKey,
                              nullptr),
              ERROR_SUCCESS);
    const std::u16string thePath(inPath.begin(), inPath.end());
    RegSetValueExW(theKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(thePath.c_str()),
                   static_cast<DWORD>((thePath.size() + 1) * 2));
    RegCloseKey(theKey);
  };
  theRegister(u"{00000000-0000-0000-0000-0000000000A1}", theRoot.Path() + "/missing.so");
  theRegister(u"{00000000-0000-0000-0000-0000000000A2}", BinaryPath("lib/libquorixplatform.so"));
  IUnknown* theObject = nullptr;
  CLSIDFromString(u"{00000000-0000-0000-0000-0000000000A1}", &theClass);
  EXPECT_EQ(CoCreateInstance(theClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&theObject)),
            HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  CLSIDFromString(u"{00000000-0000-0000-0000-0000000000A2}", &theClass);
  EXPECT_EQ(CoCreateInstance(theClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&theObject)),
            HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(CoCreateInstance(theClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);

  EXPECT_EQ(RunTool(theRoot.Path() + "/missing.so"), 3);
  EXPECT_EQ(RunTool(BinaryPath("lib/libquorixplatform.so")), 4);
  EXPECT_EQ(RunTool(""), 1);
}

TEST(Activation, DamagedStoreIsReportedNotMistakenForAMissingClass) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kServer), 0);
  {
    std::ofstream theFile(theRoot.Path() + "/registry.db", std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 512; ++i) theFile << "not a registry ";
  }
  const HRESULT theDamaged = HRESULT_FROM_WIN32(ERROR_BADDB);
  CLSID theClass;
  EXPECT_EQ(CLSIDFromProgID(u"QuorixTest.Widget", &theClass), theDamaged);
  IDispatch* theObject = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&theObject)),
            theDamaged);
  LPOLESTR theProgID = nullptr;
  EXPECT_EQ(ProgIDFromCLSID(CLSID_TestWidget, &theProgID), theDamaged);
  ITypeLib* theLib = nullptr;
  EXPECT_EQ(LoadRegTypeLib(LIBID_QuorixTest, 1, 0, 0x409, &theLib), TYPE_E_REGISTRYACCESS);
  EXPECT_EQ(UnRegisterTypeLib(LIBID_QuorixTest, 1, 0, 0x409, SYS_WIN64), TYPE_E_REGISTRYACCESS);
  // What a caller shows for it names the store's damage.
  char theText[256] = {};
  ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(theDamaged), 0, theText, sizeof(theText), nullptr),
            0u);
  EXPECT_STREQ(theText, "The configuration registry database is corrupt.\r\n");
}

TEST(Activation, StoreLockedByAnotherProcessIsReportedWithinSeconds) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kServer), 0);
  // A child holds an exclusive lock on the store until the parent closes the release pipe.
  int theReady[2];
  int theRelease[2];
  ASSERT_EQ(::pipe(theReady), 0);
  ASSERT_EQ(::pipe(theRelease), 0);
  const std::string theStore = theRoot.Path() + "/registry.db";
  const pid_t theChild = ::fork();
  if (theChild == 0) {
    ::close(theReady[0]);
    ::close(theRelease[1]);
    sqlite3* theDb = nullptr;
    const bool theLocked = sqlite3_open_v2(theStore.c_str(), &theDb, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
                           sqlite3_exec(theDb, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    const char theByte = theLocked ? 'L' : 'F';
    if (::write(theReady[1], &theByte, 1) != 1) ::_exit(1);
    char theIgnored;
    while (::read(theRelease[0], &theIgnored, 1) > 0) {
    }
    ::_exit(0);  // the lock goes with the process
  }
  ::close(theReady[1]);
  ::close(theRelease[0]);
  char theState = 0;
  ASSERT_EQ(::read(theReady[0], &theState, 1), 1);
  ::close(theReady[0]);
  EXPECT_EQ(theState, 'L');

  const HRESULT theBusy = HRESULT_FROM_WIN32(ERROR_BUSY);
  using Clock = std::chrono::steady_clock;
  constexpr auto kPatience = std::chrono::seconds(10);
  auto theStart = Clock::now();
  CLSID theClass;
  EXPECT_EQ(CLSIDFromProgID(u"QuorixTest.Widget", &theClass), theBusy);
  EXPECT_LT(Clock::now() - theStart, kPatience);
  theStart = Clock::now();
  IDispatch* theObject = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_TestWidget, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&theObject)),
            theBusy);
  EXPECT_LT(Clock::now() - theStart, kPatience);

  ::close(theRelease[1]);
  int theStatus = 0;
  ASSERT_EQ(::waitpid(theChild, &theStatus, 0), theChild);
  // With the lock gone the class is found again.
  EXPECT_EQ(CLSIDFromProgID(u"QuorixTest.Widget", &theClass), S_OK);
}

TEST(Activation, TypeLibraryThatCannotBeRemovedIsReported) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kServer), 0);
  // The store is readable by everyone and writable by its owner only; root, whom permissions do
  // not bind, tries as nobody.
  const bool theAsRoot = ::geteuid() == 0;
  std::filesystem::permissions(theRoot.Path(), std::filesystem::perms(0755));
  std::filesystem::permissions(theRoot.Path() + "/registry.db", std::filesystem::perms(theAsRoot ? 0644 : 0444));
  const pid_t theChild = ::fork();
  if (theChild == 0) {
    if (theAsRoot && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
    ::_exit(UnRegisterTypeLib(LIBID_QuorixTest, 1, 0, 0x409, SYS_WIN64) == TYPE_E_REGISTRYACCESS ? 0 : 11);
  }
  int theStatus = 0;
  ASSERT_EQ(::waitpid(theChild, &theStatus, 0), theChild);
  ASSERT_TRUE(WIFEXITED(theStatus));
  EXPECT_EQ(WEXITSTATUS(theStatus), 0) << "10: could not drop rights, 11: not reported as TYPE_E_REGISTRYACCESS";
  ITypeLib* theLib = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_QuorixTest, 1, 0, 0x409, &theLib), S_OK);
  theLib->Release();
}
