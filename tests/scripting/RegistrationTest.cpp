// Registration of the server module with the registration tool, and what it writes and removes.
#include <gtest/gtest.h>

#include <eventlog.h>
#include <libloaderapi.h>
#include <objbase.h>
#include <winreg.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "TestRoot.h"
#include "runtime/Preferences.h"
#include "scripting/Quorix2.h"

namespace {

const std::string kModule = BinaryPath("lib/libquorix2.so");

int RunTool(const std::string& inArguments) {
  const int theStatus = std::system((BinaryPath("bin/qxregsvr32") + " " + inArguments + " >/dev/null 2>&1").c_str());
  return WIFEXITED(theStatus) ? WEXITSTATUS(theStatus) : -1;
}

struct ToolRun {
  int mStatus = -1;     // the exit status; -1 when the tool did not end normally
  std::string mOutput;  // what it printed, standard output and error together
};

// Runs the registration tool with inArguments and collects what it prints. With inAsNobody the
// tool runs as the unprivileged user nobody (the caller must be root), for whom permission bits
// hold. With inReadOnlyStore the child first checks that it may read that store and may not
// write it. The child ends with 126 when it could not take that identity or the check failed,
// and with 127 when the tool could not be started.
ToolRun RunToolAndCapture(const std::vector<std::string>& inArguments, bool inAsNobody = false,
                          const std::string& inReadOnlyStore = {}) {
  int thePipe[2];
  if (::pipe(thePipe) != 0) return {};
  const std::string theTool = BinaryPath("bin/qxregsvr32");
  const pid_t theChild = ::fork();
  if (theChild == 0) {
    ::dup2(thePipe[1], STDOUT_FILENO);
    ::dup2(thePipe[1], STDERR_FILENO);
    ::close(thePipe[0]);
    ::close(thePipe[1]);
    if (inAsNobody && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(126);
    if (!inReadOnlyStore.empty() &&
        (::access(inReadOnlyStore.c_str(), R_OK) != 0 || ::access(inReadOnlyStore.c_str(), W_OK) == 0))
      ::_exit(126);
    std::vector<char*> theArgv{const_cast<char*>(theTool.c_str())};
    for (const std::string& theArgument : inArguments) theArgv.push_back(const_cast<char*>(theArgument.c_str()));
    theArgv.push_back(nullptr);
    ::execv(theTool.c_str(), theArgv.data());
    ::_exit(127);
  }
  ::close(thePipe[1]);
  ToolRun theRun;
  char theBuffer[512];
  ssize_t theRead = 0;
  while ((theRead = ::read(thePipe[0], theBuffer, sizeof(theBuffer))) > 0)
    theRun.mOutput.append(theBuffer, static_cast<size_t>(theRead));
  ::close(thePipe[0]);
  int theStatus = 0;
  ::waitpid(theChild, &theStatus, 0);
  if (WIFEXITED(theStatus)) theRun.mStatus = WEXITSTATUS(theStatus);
  return theRun;
}

// Makes the store of inRoot readable by everyone and writable by no one but its owner (root),
// or, for a caller who is not root, by no one. RETURNS: whether the tool must run as nobody.
bool ProtectStore(const TestRoot& inRoot) {
  const bool theAsRoot = ::geteuid() == 0;
  std::filesystem::permissions(inRoot.Path(), std::filesystem::perms(0755));
  std::filesystem::permissions(inRoot.Path() + "/registry.db", std::filesystem::perms(theAsRoot ? 0644 : 0444));
  return theAsRoot;
}

// The default value (or the named value) of HKEY_CLASSES_ROOT\inPath; "<missing>" when absent.
std::string ClassesValue(const std::string& inPath, const char* inName = nullptr) {
  HKEY theKey = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, inPath.c_str(), 0, KEY_READ, &theKey) != ERROR_SUCCESS) return "<missing>";
  char theBuffer[1024] = {};
  DWORD theSize = sizeof(theBuffer) - 1;
  const LONG theResult =
      RegQueryValueExA(theKey, inName, nullptr, nullptr, reinterpret_cast<BYTE*>(theBuffer), &theSize);
  RegCloseKey(theKey);
  return theResult == ERROR_SUCCESS ? std::string(theBuffer) : "<no value>";
}

bool KeyExists(HKEY inRoot, const std::string& inPath) {
  HKEY theKey = nullptr;
  if (RegOpenKeyExA(inRoot, inPath.c_str(), 0, KEY_READ, &theKey) != ERROR_SUCCESS) return false;
  RegCloseKey(theKey);
  return true;
}

struct ClassCase {
  const char* name;
  const char* clsid;
};

constexpr ClassCase kClasses[] = {
    {"XRect", "{AFFAA018-F21E-4EDC-A01B-1D4EEC346BD0}"},
    {"XPoint", "{D27581AF-FB08-41DE-8637-196C1B232228}"},
    {"XColor", "{BD45B4D5-475B-4EA1-9469-390F3000936E}"},
    {"XTextStyle", "{E0784FB0-D961-47FD-86AF-45535356F42E}"},
    {"XTransform", "{A8538BD0-EAFB-471B-B0D5-F75392D2061C}"},
    {"Image", "{C2CED082-D749-4494-934B-88F6BF1B2927}"},
};

}  // namespace

TEST(Registration, WritesTheClassesTypeLibraryModulePathAndEventSource) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kModule), 0);
  for (const ClassCase& theClass : kClasses) {
    const std::string theName = theClass.name;
    const std::string theDescription = theName + " Class";
    const std::string theProgID = "Quorix2." + theName + ".1";
    const std::string theIndependent = "Quorix2." + theName;
    const std::string theKey = std::string("CLSID\\") + theClass.clsid;
    EXPECT_EQ(ClassesValue(theProgID), theDescription);
    EXPECT_EQ(ClassesValue(theProgID + "\\CLSID"), theClass.clsid);
    EXPECT_EQ(ClassesValue(theIndependent), theDescription);
    EXPECT_EQ(ClassesValue(theIndependent + "\\CLSID"), theClass.clsid);
    EXPECT_EQ(ClassesValue(theIndependent + "\\CurVer"), theProgID);
    EXPECT_EQ(ClassesValue(theKey), theDescription);
    EXPECT_EQ(ClassesValue(theKey + "\\ProgID"), theProgID);
    EXPECT_EQ(ClassesValue(theKey + "\\VersionIndependentProgID"), theIndependent);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, theKey + "\\Programmable"));
    EXPECT_EQ(ClassesValue(theKey + "\\InprocServer32").find("libquorix2.so") != std::string::npos, true);
    EXPECT_EQ(ClassesValue(theKey + "\\InprocServer32", "ThreadingModel"), "Both");
    EXPECT_EQ(ClassesValue(theKey + "\\TypeLib"), "{74636A1B-826E-455B-83BC-0856AB35A02E}");
  }
  EXPECT_EQ(ClassesValue("TypeLib\\{74636A1B-826E-455B-83BC-0856AB35A02E}\\1.0"), "Quorix PDF Generation Library");

  // The library found through the registry carries every member's name and help string.
  ITypeLib* theLib = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_Quorix2, 1, 0, 0x409, &theLib), S_OK);
  BSTR theName = nullptr, theHelp = nullptr;
  theLib->GetDocumentation(-1, &theName, &theHelp, nullptr, nullptr);
  EXPECT_EQ(std::u16string(theName), u"Quorix2");
  EXPECT_EQ(std::u16string(theHelp), u"Quorix PDF Generation Library");
  SysFreeString(theName);
  SysFreeString(theHelp);
  ITypeInfo* theInfo = nullptr;
  ASSERT_EQ(theLib->GetTypeInfoOfGuid(IID_IXRect, &theInfo), S_OK);
  TYPEATTR* theAttr = nullptr;
  theInfo->GetTypeAttr(&theAttr);
  for (UINT i = 0; i < theAttr->cFuncs; ++i) {
    FUNCDESC* theDesc = nullptr;
    theInfo->GetFuncDesc(i, &theDesc);
    BSTR theDoc = nullptr;
    theInfo->GetDocumentation(theDesc->memid, nullptr, &theDoc, nullptr, nullptr);
    EXPECT_GT(SysStringLen(theDoc), 0u) << "member " << theDesc->memid << " has no help string";
    SysFreeString(theDoc);
    theInfo->ReleaseFuncDesc(theDesc);
  }
  theInfo->ReleaseTypeAttr(theAttr);
  theInfo->Release();

  // IImage: its members in dispatch-ID order, Frame's get before its put, PDFImage hidden.
  ASSERT_EQ(theLib->GetTypeInfoOfGuid(IID_IImage, &theInfo), S_OK);
  theInfo->GetTypeAttr(&theAttr);
  const char16_t* const kImageMembers[] = {u"SetFile", u"SetData", u"Type",   u"FrameCount", u"Frame",
                                           u"Frame",   u"Width",   u"Height", u"HRes",       u"VRes",
                                           u"Selection", u"PDFImage"};
  ASSERT_EQ(theAttr->cFuncs, std::size(kImageMembers));
  for (UINT i = 0; i < theAttr->cFuncs; ++i) {
    FUNCDESC* theDesc = nullptr;
    theInfo->GetFuncDesc(i, &theDesc);
    BSTR theMember = nullptr;
    theInfo->GetDocumentation(theDesc->memid, &theMember, nullptr, nullptr, nullptr);
    EXPECT_EQ(std::u16string(theMember), kImageMembers[i]);
    EXPECT_EQ(theDesc->memid, static_cast<MEMBERID>(i < 5 ? i + 1 : i));
    EXPECT_EQ((theDesc->wFuncFlags & FUNCFLAG_FHIDDEN) != 0, i == 11) << "member " << i;
    SysFreeString(theMember);
    theInfo->ReleaseFuncDesc(theDesc);
  }
  theInfo->ReleaseTypeAttr(theAttr);
  theInfo->Release();
  theLib->Release();

  char thePath[MAX_PATH];
  ASSERT_EQ(ReadModulePath(nullptr, thePath, sizeof(thePath)), ERROR_SUCCESS);
  EXPECT_NE(std::string(thePath).find("libquorix2.so"), std::string::npos);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Quorix"));
  const auto theEvents = QxReadEventLog("Quorix");
  ASSERT_EQ(theEvents.size(), 1u);
  EXPECT_EQ(theEvents[0].mType, 4);
  EXPECT_EQ(theEvents[0].mStrings[0], "Quorix Registered Successfully");
}

TEST(Registration, UnregisteringRemovesWhatRegistrationAdded) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kModule), 0);
  ASSERT_EQ(RunTool("/u " + kModule), 0);
  for (const ClassCase& theClass : kClasses) {
    const std::string theName = theClass.name;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Quorix2." + theName + ".1"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Quorix2." + theName));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + theClass.clsid));
  }
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{74636A1B-826E-455B-83BC-0856AB35A02E}"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Interface\\{9CDCA22A-869C-4FA0-9A12-79BEACC1F961}"));
  CLSID theClass;
  EXPECT_EQ(CLSIDFromProgID(u"Quorix2.XRect", &theClass), CO_E_CLASSSTRING);
  IUnknown* theObject = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_XRect, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&theObject)),
            REGDB_E_CLASSNOTREG);
}

TEST(Registration, UnregisteringWithoutTheRightToWriteFailsAndKeepsEveryKey) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kModule), 0);
  const std::string theStore = theRoot.Path() + "/registry.db";
  const ToolRun theRun = RunToolAndCapture({"/u", kModule}, ProtectStore(theRoot), theStore);
  if (theRun.mStatus == 127) GTEST_SKIP() << "nobody may not run the tool from this build folder";
  ASSERT_NE(theRun.mStatus, 126) << "could not set up a caller who reads the store and may not write it";

  EXPECT_EQ(theRun.mStatus, 5) << theRun.mOutput;
  EXPECT_NE(theRun.mOutput.find("the call to DllUnregisterServer failed with error code 0x80070005.\nAccess is denied."),
            std::string::npos)
      << theRun.mOutput;
  EXPECT_EQ(theRun.mOutput.find("succeeded"), std::string::npos) << theRun.mOutput;
  for (const ClassCase& theClass : kClasses) {
    const std::string theName = theClass.name;
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Quorix2." + theName + ".1"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Quorix2." + theName));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + theClass.clsid + "\\InprocServer32"));
  }
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "TypeLib\\{74636A1B-826E-455B-83BC-0856AB35A02E}\\1.0\\0\\win64"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "Interface\\{9CDCA22A-869C-4FA0-9A12-79BEACC1F961}"));
}

TEST(Registration, UnregisteringWhatIsAlreadyGoneIsNoFailure) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kModule), 0);
  // One class and the type library were removed by hand: the rest still goes.
  ASSERT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "Quorix2.XPoint.1"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTreeA(HKEY_CLASSES_ROOT, "TypeLib\\{74636A1B-826E-455B-83BC-0856AB35A02E}"), ERROR_SUCCESS);
  EXPECT_EQ(RunTool("/u " + kModule), 0);
  for (const ClassCase& theClass : kClasses) {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "Quorix2." + std::string(theClass.name)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::string("CLSID\\") + theClass.clsid));
  }
  EXPECT_EQ(RunTool("/u " + kModule), 0);

  // Nothing is left to remove, so a caller who may not write the store has nothing to fail at.
  const std::string theStore = theRoot.Path() + "/registry.db";
  const ToolRun theRun = RunToolAndCapture({"/u", kModule}, ProtectStore(theRoot), theStore);
  if (theRun.mStatus == 127) GTEST_SKIP() << "nobody may not run the tool from this build folder";
  ASSERT_NE(theRun.mStatus, 126) << "could not set up a caller who reads the store and may not write it";
  EXPECT_EQ(theRun.mStatus, 0) << theRun.mOutput;
}

TEST(Registration, UnregisteringFromADamagedStoreReportsTheDamage) {
  TestRoot theRoot;
  ASSERT_EQ(RunTool(kModule), 0);
  {
    std::ofstream theFile(theRoot.Path() + "/registry.db", std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 512; ++i) theFile << "not a registry ";
  }
  const ToolRun theRun = RunToolAndCapture({"/u", kModule});
  EXPECT_EQ(theRun.mStatus, 5) << theRun.mOutput;
  EXPECT_NE(theRun.mOutput.find("failed with error code 0x800703F1.\nThe configuration registry database is corrupt."),
            std::string::npos)
      << theRun.mOutput;
}

TEST(Registration, FactoriesAndUnloading) {
  TestRoot theRoot;
  HMODULE theModule = LoadLibraryA(kModule.c_str());
  ASSERT_NE(theModule, nullptr);
  auto theGetClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(theModule, "DllGetClassObject"));
  auto theCanUnload = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(theModule, "DllCanUnloadNow"));
  ASSERT_NE(theGetClassObject, nullptr);
  ASSERT_NE(theCanUnload, nullptr);
  EXPECT_EQ(theGetClassObject(CLSID_XRect, IID_IClassFactory, nullptr), E_POINTER);
  void* theFactory = reinterpret_cast<void*>(1);
  EXPECT_EQ(theGetClassObject(IID_IXRect, IID_IClassFactory, &theFactory), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(theFactory, nullptr);
  IClassFactory* theFirst = nullptr;
  IClassFactory* theSecond = nullptr;
  ASSERT_EQ(theGetClassObject(CLSID_XColor, IID_IClassFactory, reinterpret_cast<void**>(&theFirst)), S_OK);
  ASSERT_EQ(theGetClassObject(CLSID_XColor, IID_IClassFactory, reinterpret_cast<void**>(&theSecond)), S_OK);
  EXPECT_EQ(theFirst, theSecond);  // created once and cached
  EXPECT_EQ(theCanUnload(), S_OK);
  IDispatch* theObject = nullptr;
  ASSERT_EQ(theFirst->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&theObject)), S_OK);
  EXPECT_EQ(theCanUnload(), S_FALSE);
  theObject->Release();
  EXPECT_EQ(theCanUnload(), S_OK);
  theFirst->LockServer(TRUE);
  EXPECT_EQ(theCanUnload(), S_FALSE);
  theFirst->LockServer(FALSE);
  EXPECT_EQ(theCanUnload(), S_OK);
  theFirst->Release();
  theSecond->Release();
}

TEST(Registration, MachineFaultInsideAMethodIsLoggedAndRecovered) {
  TestRoot theRoot;
  HMODULE theModule = LoadLibraryA(kModule.c_str());
  ASSERT_NE(theModule, nullptr);
  auto theHook = reinterpret_cast<HRESULT (*)(LONG)>(GetProcAddress(theModule, "QuorixTestHookFault"));
  ASSERT_NE(theHook, nullptr);
  EXPECT_EQ(theHook(1), S_OK);
  auto theEvents = QxReadEventLog("Quorix");
  ASSERT_EQ(theEvents.size(), 1u);
  EXPECT_EQ(theEvents[0].mType, 1);
  EXPECT_NE(theEvents[0].mStrings[0].find("attempted to read from 0x00000000. System Error caught at line "),
            std::string::npos);
  // The catching method's source is named by its path inside the tree.
  EXPECT_NE(theEvents[0].mStrings[0].find(" of scripting/QuorixModule.cpp. Base at 0x"), std::string::npos)
      << theEvents[0].mStrings[0];

  SetPrefLong("AutoRecover", 0);
  const pid_t theChild = fork();
  if (theChild == 0) {
    theHook(1);
    _exit(0);
  }
  int theStatus = 0;
  waitpid(theChild, &theStatus, 0);
  ASSERT_TRUE(WIFEXITED(theStatus));
  EXPECT_EQ(WEXITSTATUS(theStatus), 1);
}
