// The registry store: Windows results and semantics of the Reg* calls, several processes writing
// at once, a store the caller cannot write, and store files that are missing or damaged.
#include <windows.h>
#include <platformroot.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const BYTE* Bytes(const void* inData) { return static_cast<const BYTE*>(inData); }

DWORD WideSize(std::u16string_view inText) { return static_cast<DWORD>((inText.size() + 1) * sizeof(char16_t)); }

// A forked child that runs a body and reports back through a pipe.
struct Child {
  pid_t mPid = -1;
  int mReport = -1;
};

// Starts inBody in a forked child. With inGo (a pipe) the child first waits until the parent
// closes that pipe, so that several children can be released at the same moment.
Child StartChild(const std::function<std::string()>& inBody, const int* inGo = nullptr) {
  int thePipe[2];
  if (::pipe(thePipe) != 0) {
    return {};
  }
  const pid_t thePid = ::fork();
  if (thePid == 0) {
    ::close(thePipe[0]);
    if (inGo != nullptr) {
      ::close(inGo[1]);
      char theByte;
      while (::read(inGo[0], &theByte, 1) > 0) {
      }
    }
    const std::string theReport = inBody();
    ssize_t theWritten = ::write(thePipe[1], theReport.data(), theReport.size());
    (void)theWritten;
    ::_exit(0);
  }
  ::close(thePipe[1]);
  return {thePid, thePipe[0]};
}

// RETURNS: what the child's body reported (empty when all went well), or how it ended abnormally.
std::string FinishChild(const Child& inChild) {
  if (inChild.mPid < 0) {
    return "could not start the child";
  }
  std::string theReport;
  char theBuffer[512];
  ssize_t theRead = 0;
  while ((theRead = ::read(inChild.mReport, theBuffer, sizeof theBuffer)) > 0) {
    theReport.append(theBuffer, static_cast<size_t>(theRead));
  }
  ::close(inChild.mReport);
  int theStatus = 0;
  ::waitpid(inChild.mPid, &theStatus, 0);
  if (!WIFEXITED(theStatus) || WEXITSTATUS(theStatus) != 0) {
    theReport += " child ended abnormally, status " + std::to_string(theStatus);
  }
  return theReport;
}

std::string RunInChild(const std::function<std::string()>& inBody) { return FinishChild(StartChild(inBody)); }

// Each test gets a fresh platform root that does not exist yet.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char theTemplate[] = "/tmp/qxregistryXXXXXX";
    ASSERT_NE(::mkdtemp(theTemplate), nullptr);
    mFolder = theTemplate;
    mRoot = mFolder / "root";
    ::setenv("QUORIX_ROOT", mRoot.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QUORIX_ROOT");
    std::error_code theError;
    fs::remove_all(mFolder, theError);
  }

  fs::path StorePath() const { return mRoot / "registry.db"; }

  HKEY Create(HKEY inParent, const char16_t* inPath, REGSAM inAccess = KEY_ALL_ACCESS) {
    HKEY theKey = nullptr;
    EXPECT_EQ(RegCreateKeyExW(inParent, inPath, 0, nullptr, REG_OPTION_NON_VOLATILE, inAccess, nullptr, &theKey,
                              nullptr),
              ERROR_SUCCESS);
    return theKey;
  }

  void SetDword(HKEY inKey, const char16_t* inName, DWORD inValue) {
    EXPECT_EQ(RegSetValueExW(inKey, inName, 0, REG_DWORD, Bytes(&inValue), sizeof inValue), ERROR_SUCCESS);
  }

  void SetString(HKEY inKey, const char16_t* inName, std::u16string_view inText) {
    EXPECT_EQ(RegSetValueExW(inKey, inName, 0, REG_SZ, Bytes(inText.data()), WideSize(inText)), ERROR_SUCCESS);
  }

  // RETURNS: the data of a REG_DWORD value, or the error as a negative number.
  int64_t GetDword(HKEY inKey, const char16_t* inName) {
    DWORD theType = 0;
    DWORD theValue = 0;
    DWORD theSize = sizeof theValue;
    const LSTATUS theResult =
        RegQueryValueExW(inKey, inName, nullptr, &theType, reinterpret_cast<BYTE*>(&theValue), &theSize);
    if (theResult != ERROR_SUCCESS) {
      return -theResult;
    }
    EXPECT_EQ(theType, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(theSize, sizeof theValue);
    return theValue;
  }

  std::u16string GetString(HKEY inKey, const char16_t* inName) {
    char16_t theText[256] = {};
    DWORD theSize = sizeof theText;
    DWORD theType = 0;
    EXPECT_EQ(RegQueryValueExW(inKey, inName, nullptr, &theType, reinterpret_cast<BYTE*>(theText), &theSize),
              ERROR_SUCCESS);
    EXPECT_EQ(theType, static_cast<DWORD>(REG_SZ));
    return theText;
  }

  std::vector<std::u16string> SubKeys(HKEY inKey) {
    std::vector<std::u16string> theNames;
    for (DWORD theIndex = 0;; ++theIndex) {
      char16_t theName[256];
      DWORD theSize = 256;
      const LSTATUS theResult = RegEnumKeyExW(inKey, theIndex, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
      if (theResult == ERROR_NO_MORE_ITEMS) {
        break;
      }
      EXPECT_EQ(theResult, ERROR_SUCCESS);
      if (theResult != ERROR_SUCCESS) {
        break;
      }
      theNames.emplace_back(theName, theSize);
    }
    return theNames;
  }

  std::vector<std::u16string> ValueNames(HKEY inKey) {
    std::vector<std::u16string> theNames;
    for (DWORD theIndex = 0;; ++theIndex) {
      char16_t theName[256];
      DWORD theSize = 256;
      const LSTATUS theResult = RegEnumValueW(inKey, theIndex, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
      if (theResult == ERROR_NO_MORE_ITEMS) {
        break;
      }
      EXPECT_EQ(theResult, ERROR_SUCCESS);
      if (theResult != ERROR_SUCCESS) {
        break;
      }
      theNames.emplace_back(theName, theSize);
    }
    return theNames;
  }

  // Rows of a table of the store, counted with SQLite itself.
  int64_t CountRows(const char* inTable) {
    sqlite3* theDb = nullptr;
    int64_t theCount = -1;
    if (sqlite3_open_v2(StorePath().c_str(), &theDb, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* theQuery = nullptr;
      const std::string theSql = std::string("SELECT count(*) FROM ") + inTable;
      if (sqlite3_prepare_v2(theDb, theSql.c_str(), -1, &theQuery, nullptr) == SQLITE_OK &&
          sqlite3_step(theQuery) == SQLITE_ROW) {
        theCount = sqlite3_column_int64(theQuery, 0);
      }
      sqlite3_finalize(theQuery);
    }
    sqlite3_close(theDb);
    return theCount;
  }

  // Keys whose parent row is missing and values whose key row is missing, read with SQLite
  // itself; empty when every key and value hangs from something that exists (or there is no store).
  std::string Orphans() {
    std::string theOrphans;
    sqlite3* theDb = nullptr;
    if (sqlite3_open_v2(StorePath().c_str(), &theDb, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* theQuery = nullptr;
      const char* theSql =
          "SELECT 'key ' || name FROM RegKeys WHERE parent <> 0 AND parent NOT IN (SELECT id FROM RegKeys) "
          "UNION ALL SELECT 'value ' || name FROM RegValues WHERE key <> 0 AND key NOT IN (SELECT id FROM RegKeys)";
      if (sqlite3_prepare_v2(theDb, theSql, -1, &theQuery, nullptr) != SQLITE_OK) {
        theOrphans = "the store could not be read";
      }
      while (theQuery != nullptr && sqlite3_step(theQuery) == SQLITE_ROW) {
        theOrphans += reinterpret_cast<const char*>(sqlite3_column_text(theQuery, 0));
        theOrphans += "; ";
      }
      sqlite3_finalize(theQuery);
    }
    sqlite3_close(theDb);
    return theOrphans;
  }

  fs::path mFolder;
  fs::path mRoot;
};

TEST(PlatformRootTest, EnvironmentSelectsTheRootAtEachCall) {
  ::setenv("QUORIX_ROOT", "/tmp/somewhere", 1);
  EXPECT_EQ(QxPlatformRoot(), "/tmp/somewhere");
  ::setenv("QUORIX_ROOT", "", 1);
  EXPECT_EQ(QxPlatformRoot(), "/var/lib/quorix");
  ::unsetenv("QUORIX_ROOT");
  EXPECT_EQ(QxPlatformRoot(), "/var/lib/quorix");
}

TEST_F(RegistryTest, MissingStoreReadsAsEmptyAndIsNotCreated) {
  HKEY theKey = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere", 0, KEY_READ, &theKey), ERROR_FILE_NOT_FOUND);
  DWORD theSize = 0;
  EXPECT_EQ(RegQueryValueExW(HKEY_LOCAL_MACHINE, u"LogErrors", nullptr, nullptr, nullptr, &theSize),
            ERROR_FILE_NOT_FOUND);
  char16_t theName[64];
  DWORD theNameSize = 64;
  EXPECT_EQ(RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, theName, &theNameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  theNameSize = 64;
  EXPECT_EQ(RegEnumValueW(HKEY_CLASSES_ROOT, 0, theName, &theNameSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegDeleteValueW(HKEY_LOCAL_MACHINE, u"LogErrors"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"SOFTWARE"), ERROR_FILE_NOT_FOUND);
  // The predefined keys themselves always open.
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &theKey), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(theKey), ERROR_SUCCESS);
  EXPECT_FALSE(fs::exists(mRoot));

  // The first write creates the folder and the store.
  HKEY theCreated = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere");
  EXPECT_TRUE(fs::exists(StorePath()));
  RegCloseKey(theCreated);
}

TEST_F(RegistryTest, CreateOpenAndDispositions) {
  HKEY theKey = nullptr;
  DWORD theDisposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere\\Quorix\\2", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &theKey, &theDisposition),
            ERROR_SUCCESS);
  EXPECT_EQ(theDisposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  SetDword(theKey, u"LogErrors", 1);
  EXPECT_EQ(RegCloseKey(theKey), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(theKey), ERROR_INVALID_HANDLE);

  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere\\Quorix\\2\\", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &theKey, &theDisposition),
            ERROR_SUCCESS);
  EXPECT_EQ(theDisposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(GetDword(theKey, u"LogErrors"), 1);
  RegCloseKey(theKey);

  // Paths are relative to any open key; intermediate keys were created.
  HKEY theSoftware = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &theSoftware), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKeyExW(theSoftware, u"Tallowmere\\Quorix\\2", 0, KEY_READ, &theKey), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(theKey, u"LogErrors"), 1);
  RegCloseKey(theKey);
  RegCloseKey(theSoftware);

  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nobody", 0, KEY_READ, &theKey), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\SOFTWARE", 0, KEY_READ, &theKey), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\\\Tallowmere", 0, KEY_READ, &theKey), ERROR_BAD_PATHNAME);
  const std::u16string theLongName(256, u'k');
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, theLongName.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &theKey,
                            nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(0x1234567), u"SOFTWARE", 0, KEY_READ, &theKey),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Volatile", 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                            nullptr, &theKey, nullptr),
            ERROR_NOT_SUPPORTED);
}

TEST_F(RegistryTest, NamesCompareWithoutRegardToCase) {
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere\\Quorix\\2");
  SetDword(theKey, u"LogErrors", 7);
  SetDword(theKey, u"LOGERRORS", 8);  // the same value, written again
  EXPECT_EQ(GetDword(theKey, u"logerrors"), 8);
  // The value keeps the spelling it was created with.
  EXPECT_EQ(ValueNames(theKey), std::vector<std::u16string>{u"LogErrors"});
  RegCloseKey(theKey);

  HKEY theOther = nullptr;
  DWORD theDisposition = 0;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"software\\TALLOWMERE\\quorix\\2", 0, nullptr, 0, KEY_READ, nullptr,
                            &theOther, &theDisposition),
            ERROR_SUCCESS);
  EXPECT_EQ(theDisposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(GetDword(theOther, u"LOGerrors"), 8);
  RegCloseKey(theOther);

  // Letters beyond ASCII fold too.
  HKEY theUmlaut = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\\u00c4rger\\\u0416\u0443\u043a");
  SetString(theUmlaut, u"Stra\u00dfe", u"x");
  RegCloseKey(theUmlaut);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"software\\\u00e4RGER\\\u0436\u0423\u041a", 0, KEY_READ, &theUmlaut),
            ERROR_SUCCESS);
  EXPECT_EQ(GetString(theUmlaut, u"STRA\u00dfE"), u"x");
  RegCloseKey(theUmlaut);

  // The 8-bit forms take names in the system code page (1252) and find the same keys; a name
  // the code page cannot hold comes back with its default character.
  HKEY theNarrow = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\\xe4rger", 0, KEY_READ, &theNarrow), ERROR_SUCCESS);
  char theName[64];
  DWORD theNameSize = sizeof theName;
  ASSERT_EQ(RegEnumKeyExA(theNarrow, 0, theName, &theNameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::string(theName, theNameSize), "???");
  RegCloseKey(theNarrow);
}

TEST_F(RegistryTest, DefaultValueOfAKey) {
  HKEY theKey = Create(HKEY_CLASSES_ROOT, u"Quorix2.Doc\\CLSID");
  DWORD theSize = 0;
  EXPECT_EQ(RegQueryValueExW(theKey, nullptr, nullptr, nullptr, nullptr, &theSize), ERROR_FILE_NOT_FOUND);
  const std::u16string theClsid = u"{6B1AE4B8-1C2F-4D6A-9E55-2A1E0F6D7C31}";
  EXPECT_EQ(RegSetValueExW(theKey, nullptr, 0, REG_SZ, Bytes(theClsid.c_str()), WideSize(theClsid)), ERROR_SUCCESS);
  SetDword(theKey, u"Another", 3);
  EXPECT_EQ(GetString(theKey, u""), theClsid);
  EXPECT_EQ(GetString(theKey, nullptr), theClsid);
  // The default value is listed first, with the empty name.
  EXPECT_EQ(ValueNames(theKey), (std::vector<std::u16string>{u"", u"Another"}));
  RegCloseKey(theKey);

  // HKEY_CLASSES_ROOT is the machine's SOFTWARE\Classes.
  HKEY theView = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Quorix2.Doc\\CLSID", 0, KEY_READ, &theView),
            ERROR_SUCCESS);
  char theText[64] = {};
  DWORD theTextSize = sizeof theText;
  DWORD theType = 0;
  ASSERT_EQ(RegQueryValueExA(theView, "", nullptr, &theType, reinterpret_cast<BYTE*>(theText), &theTextSize),
            ERROR_SUCCESS);
  EXPECT_EQ(theType, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::string(theText), "{6B1AE4B8-1C2F-4D6A-9E55-2A1E0F6D7C31}");
  EXPECT_EQ(theTextSize, 39u);  // 38 characters and the terminator

  EXPECT_EQ(RegDeleteValueW(theView, nullptr), ERROR_ACCESS_DENIED);  // opened for reading only
  RegCloseKey(theView);
  theKey = Create(HKEY_CLASSES_ROOT, u"Quorix2.Doc\\CLSID");
  EXPECT_EQ(RegDeleteValueW(theKey, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(theKey, u"", nullptr, nullptr, nullptr, &theSize), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueW(theKey, nullptr), ERROR_FILE_NOT_FOUND);
  RegCloseKey(theKey);
}

TEST_F(RegistryTest, QuerySizesAndMoreData) {
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Sizes");
  SetString(theKey, u"ModulePath", u"/usr/lib/libquorix2.so");
  const DWORD theNeeded = WideSize(u"/usr/lib/libquorix2.so");

  // A null data pointer asks for the size.
  DWORD theSize = 0;
  DWORD theType = 0;
  ASSERT_EQ(RegQueryValueExW(theKey, u"ModulePath", nullptr, &theType, nullptr, &theSize), ERROR_SUCCESS);
  EXPECT_EQ(theSize, theNeeded);
  EXPECT_EQ(theType, static_cast<DWORD>(REG_SZ));

  // A buffer one byte short: ERROR_MORE_DATA and the size needed.
  std::vector<BYTE> theBuffer(theNeeded - 1);
  theSize = static_cast<DWORD>(theBuffer.size());
  EXPECT_EQ(RegQueryValueExW(theKey, u"ModulePath", nullptr, nullptr, theBuffer.data(), &theSize), ERROR_MORE_DATA);
  EXPECT_EQ(theSize, theNeeded);
  theBuffer.resize(theNeeded);
  EXPECT_EQ(RegQueryValueExW(theKey, u"ModulePath", nullptr, nullptr, theBuffer.data(), &theSize), ERROR_SUCCESS);
  EXPECT_EQ(std::memcmp(theBuffer.data(), u"/usr/lib/libquorix2.so", theNeeded), 0);
  EXPECT_EQ(RegQueryValueExW(theKey, u"ModulePath", nullptr, nullptr, theBuffer.data(), nullptr),
            ERROR_INVALID_PARAMETER);

  // The 8-bit form counts the code-page bytes, terminator included.
  const char* theNarrow = "Gr\xfc\xdf" "e";  // "Gruesse" with umlaut and sharp s in 1252, 5 bytes
  ASSERT_EQ(RegSetValueExA(theKey, "Greeting", 0, REG_SZ, Bytes(theNarrow), 6), ERROR_SUCCESS);
  theSize = 0;
  ASSERT_EQ(RegQueryValueExA(theKey, "Greeting", nullptr, nullptr, nullptr, &theSize), ERROR_SUCCESS);
  EXPECT_EQ(theSize, 6u);
  char theSmall[4];
  theSize = sizeof theSmall;
  EXPECT_EQ(RegQueryValueExA(theKey, "Greeting", nullptr, nullptr, reinterpret_cast<BYTE*>(theSmall), &theSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(theSize, 6u);
  // Stored as UTF-16: the wide form reads 6 characters and the terminator.
  EXPECT_EQ(GetString(theKey, u"Greeting"), u"Gr\u00fc\u00dfe");
  theSize = 0;
  ASSERT_EQ(RegQueryValueExW(theKey, u"Greeting", nullptr, nullptr, nullptr, &theSize), ERROR_SUCCESS);
  EXPECT_EQ(theSize, 12u);

  // DWORD and binary data come back as stored, with their types.
  SetDword(theKey, u"UpdateID", 0xDEADBEEF);
  EXPECT_EQ(GetDword(theKey, u"UpdateID"), 0xDEADBEEF);
  const BYTE theBlob[] = {0, 1, 2, 0xFF, 0};
  ASSERT_EQ(RegSetValueExW(theKey, u"Blob", 0, REG_BINARY, theBlob, sizeof theBlob), ERROR_SUCCESS);
  BYTE theRead[16] = {};
  theSize = sizeof theRead;
  ASSERT_EQ(RegQueryValueExA(theKey, "Blob", nullptr, &theType, theRead, &theSize), ERROR_SUCCESS);
  EXPECT_EQ(theType, static_cast<DWORD>(REG_BINARY));
  ASSERT_EQ(theSize, sizeof theBlob);
  EXPECT_EQ(std::memcmp(theRead, theBlob, sizeof theBlob), 0);
  // A value can change its type.
  SetString(theKey, u"UpdateID", u"now text");
  EXPECT_EQ(GetString(theKey, u"UpdateID"), u"now text");
  EXPECT_EQ(RegQueryValueExW(theKey, u"Missing", nullptr, nullptr, nullptr, &theSize), ERROR_FILE_NOT_FOUND);
  RegCloseKey(theKey);
}

// String data written without its terminating zero is stored with it when a zero follows just past
// the given size, as Windows does (it looks at that one character); every read then reports the
// size stored. Data whose last given character is a zero, or that is followed by another
// character, is stored as given, and other types are never touched.
TEST_F(RegistryTest, StringWrittenWithoutItsTerminatorIsStoredWithIt) {
  static const char16_t kFive[] = u"abcde";
  static const char16_t kPathWide[] = u"%PATH%";
  static const char16_t kMultiWide[] = u"Aa\0Bb\0Cc\0";  // the literal adds the last terminator
  static const char kFull[] = "FullString";
  static const char kPath[] = "%PATH%";
  static const char kMulti[] = "Aa\0Bb\0Cc\0";
  static const char kInner[] = "This\0Breaks\0\0A\0\0\0Lot\0\0\0\0";
  struct Case {
    const char* mWhat;
    bool mWide;         // written with RegSetValueExW, else RegSetValueExA
    DWORD mType;
    const void* mData;
    DWORD mSize;        // the size given when writing
    DWORD mWideSize;    // Windows: the size RegQueryValueExW and RegEnumValueW report
    DWORD mNarrowSize;  // Windows: the size RegQueryValueExA and RegEnumValueA report
  };
  const Case theCases[] = {
      // Written with the wide form.
      {"W, 5 characters without the terminator, a zero after them", true, REG_SZ, kFive, 10, 12, 6},
      {"W, 5 characters and the terminator", true, REG_SZ, kFive, 12, 12, 6},
      {"W, 4 characters, another character after them", true, REG_SZ, kFive, 8, 8, 4},
      {"W, no data", true, REG_SZ, kFive, 0, 0, 0},
      {"W, expandable, without the terminator", true, REG_EXPAND_SZ, kPathWide, 12, 14, 7},
      {"W, multi-string with its last terminator only", true, REG_MULTI_SZ, kMultiWide, 18, 18, 9},
      {"W, multi-string without its last terminator", true, REG_MULTI_SZ, kMultiWide, 16, 18, 9},
      {"W, multi-string cut inside its last string", true, REG_MULTI_SZ, kMultiWide, 14, 14, 7},
      {"W, binary data", true, REG_BINARY, kFive, 10, 10, 10},
      // Written with the 8-bit form.
      {"A, 10 characters without the terminator, a zero after them", false, REG_SZ, kFull, 10, 22, 11},
      {"A, 9 characters, another character after them", false, REG_SZ, kFull, 9, 18, 9},
      {"A, 10 characters and the terminator", false, REG_SZ, kFull, 11, 22, 11},
      {"A, no data", false, REG_SZ, kFull, 0, 0, 0},
      {"A, zeros inside the string", false, REG_SZ, kInner, sizeof kInner, 2 * sizeof kInner, sizeof kInner},
      {"A, expandable, without the terminator", false, REG_EXPAND_SZ, kPath, 6, 14, 7},
      {"A, multi-string as REG_SZ with its last terminator only", false, REG_SZ, kMulti, 9, 18, 9},
      {"A, multi-string as REG_SZ without its last terminator", false, REG_SZ, kMulti, 8, 18, 9},
      {"A, multi-string as REG_SZ cut inside its last string", false, REG_SZ, kMulti, 7, 14, 7},
      {"A, multi-string without its last terminator", false, REG_MULTI_SZ, kMulti, 8, 18, 9},
      {"A, binary data", false, REG_BINARY, kFull, 10, 10, 10},
  };
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Strings");
  for (const Case& theCase : theCases) {
    SCOPED_TRACE(theCase.mWhat);
    const LSTATUS theSet =
        theCase.mWide ? RegSetValueExW(theKey, u"V", 0, theCase.mType, Bytes(theCase.mData), theCase.mSize)
                      : RegSetValueExA(theKey, "V", 0, theCase.mType, Bytes(theCase.mData), theCase.mSize);
    ASSERT_EQ(theSet, ERROR_SUCCESS);

    // What each form should read: the bytes given (and the terminator stored after them), in the
    // other form's characters for strings (all of them ASCII here).
    const bool theString = theCase.mType != REG_BINARY;
    const BYTE* theGiven = Bytes(theCase.mData);
    std::vector<BYTE> theWide(theCase.mWideSize);
    std::vector<BYTE> theNarrow(theCase.mNarrowSize);
    if (!theString) {
      theWide.assign(theGiven, theGiven + theCase.mWideSize);
      theNarrow.assign(theGiven, theGiven + theCase.mNarrowSize);
    } else if (theCase.mWide) {
      theWide.assign(theGiven, theGiven + theCase.mWideSize);
      for (size_t theIndex = 0; theIndex < theNarrow.size(); ++theIndex) {
        theNarrow[theIndex] = static_cast<BYTE>(static_cast<const char16_t*>(theCase.mData)[theIndex]);
      }
    } else {
      theNarrow.assign(theGiven, theGiven + theCase.mNarrowSize);
      for (size_t theIndex = 0; theIndex < theWide.size() / 2; ++theIndex) {
        const auto theChar = static_cast<char16_t>(static_cast<const unsigned char*>(theCase.mData)[theIndex]);
        std::memcpy(&theWide[2 * theIndex], &theChar, 2);
      }
    }

    for (const bool theWideRead : {true, false}) {
      SCOPED_TRACE(theWideRead ? "read with the wide form" : "read with the 8-bit form");
      const std::vector<BYTE>& theWanted = theWideRead ? theWide : theNarrow;
      const DWORD theWantedSize = static_cast<DWORD>(theWanted.size());
      DWORD theType = 0;
      // The size alone.
      DWORD theSize = 0;
      EXPECT_EQ(theWideRead ? RegQueryValueExW(theKey, u"V", nullptr, &theType, nullptr, &theSize)
                            : RegQueryValueExA(theKey, "V", nullptr, &theType, nullptr, &theSize),
                ERROR_SUCCESS);
      EXPECT_EQ(theSize, theWantedSize);
      EXPECT_EQ(theType, theCase.mType);
      // The data.
      BYTE theData[64];
      theSize = sizeof theData;
      ASSERT_EQ(theWideRead ? RegQueryValueExW(theKey, u"V", nullptr, nullptr, theData, &theSize)
                            : RegQueryValueExA(theKey, "V", nullptr, nullptr, theData, &theSize),
                ERROR_SUCCESS);
      EXPECT_EQ(std::vector<BYTE>(theData, theData + theSize), theWanted);
      // A buffer one byte short.
      if (theWantedSize > 0) {
        theSize = theWantedSize - 1;
        EXPECT_EQ(theWideRead ? RegQueryValueExW(theKey, u"V", nullptr, nullptr, theData, &theSize)
                              : RegQueryValueExA(theKey, "V", nullptr, nullptr, theData, &theSize),
                  ERROR_MORE_DATA);
        EXPECT_EQ(theSize, theWantedSize);
      }
      // Enumerated.
      char16_t theWideName[8];
      char theNarrowName[8];
      DWORD theNameSize = 8;
      theSize = sizeof theData;
      theType = 0;
      ASSERT_EQ(theWideRead ? RegEnumValueW(theKey, 0, theWideName, &theNameSize, nullptr, &theType, theData, &theSize)
                            : RegEnumValueA(theKey, 0, theNarrowName, &theNameSize, nullptr, &theType, theData,
                                            &theSize),
                ERROR_SUCCESS);
      EXPECT_EQ(theType, theCase.mType);
      EXPECT_EQ(std::vector<BYTE>(theData, theData + theSize), theWanted);
    }
  }
  RegCloseKey(theKey);
}

// The 8-bit reads put a zero after string data that does not end in one when the buffer has room
// for it, leaving it out of the size they report; without that room the buffer gets the data only.
TEST_F(RegistryTest, EightBitReadsEndStringDataWithAZeroWhenThereIsRoom) {
  static const char kString[] = "FullString";   // stored as its first 9 characters
  static const char kMulti[] = "Aa\0Bb\0Cc\0";  // stored as its first 7 bytes
  struct Case {
    const char* mWhat;
    const char* mData;
    DWORD mSize;          // as written, which no terminator follows
    bool mEnumerate;      // RegEnumValueA, else RegQueryValueExA
    DWORD mRoom;          // the buffer size given
    LSTATUS mWindows;     // Windows' result,
    DWORD mWindowsSize;   // the size it reports,
    int mWindowsAtSize;   // and the buffer's bytes at that size and after it (0xBD: left alone)
    int mWindowsAfter;
  };
  const Case theCases[] = {
      {"query, room for the data only", kString, 9, false, 9, ERROR_SUCCESS, 9, 0xBD, 0xBD},
      {"query, room for one byte more", kString, 9, false, 10, ERROR_SUCCESS, 9, 0, 0xBD},
      {"query, one byte short", kString, 9, false, 8, ERROR_MORE_DATA, 9, -1, -1},
      {"enumeration, room for the data only", kString, 9, true, 9, ERROR_SUCCESS, 9, 0xBD, 0xBD},
      {"enumeration, room for one byte more", kString, 9, true, 10, ERROR_SUCCESS, 9, 0, 0xBD},
      {"multi-string query, room for two bytes more", kMulti, 7, false, 9, ERROR_SUCCESS, 7, 0, 0xBD},
      {"multi-string enumeration, room for two bytes more", kMulti, 7, true, 9, ERROR_SUCCESS, 7, 0, 0xBD},
  };
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Termination");
  for (const Case& theCase : theCases) {
    SCOPED_TRACE(theCase.mWhat);
    ASSERT_EQ(RegSetValueExA(theKey, "stringtest", 0, REG_SZ, Bytes(theCase.mData), theCase.mSize), ERROR_SUCCESS);
    BYTE theBuffer[16];
    std::memset(theBuffer, 0xBD, sizeof theBuffer);
    DWORD theSize = theCase.mRoom;
    char theName[32];
    DWORD theNameSize = sizeof theName;
    const LSTATUS theResult =
        theCase.mEnumerate ? RegEnumValueA(theKey, 0, theName, &theNameSize, nullptr, nullptr, theBuffer, &theSize)
                           : RegQueryValueExA(theKey, "stringtest", nullptr, nullptr, theBuffer, &theSize);
    EXPECT_EQ(theResult, theCase.mWindows);
    EXPECT_EQ(theSize, theCase.mWindowsSize);
    if (theResult == ERROR_SUCCESS) {
      EXPECT_EQ(std::memcmp(theBuffer, theCase.mData, theSize), 0);
      EXPECT_EQ(theBuffer[theSize], theCase.mWindowsAtSize);
      EXPECT_EQ(theBuffer[theSize + 1], theCase.mWindowsAfter);
    } else {
      EXPECT_EQ(theBuffer[0], 0xBD);  // nothing is written when the data does not fit
    }
  }
  RegCloseKey(theKey);
}

TEST_F(RegistryTest, EnumerationIsOrderedByNameWithoutCase) {
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Enum");
  for (const char16_t* theName : {u"gamma", u"Beta", u"alpha", u"ALPHA2"}) {
    RegCloseKey(Create(theKey, theName));
    SetDword(theKey, theName, 1);
  }
  const std::vector<std::u16string> theExpected = {u"alpha", u"ALPHA2", u"Beta", u"gamma"};
  EXPECT_EQ(SubKeys(theKey), theExpected);
  EXPECT_EQ(ValueNames(theKey), theExpected);

  // A name buffer too small for the name and its terminator gives ERROR_MORE_DATA.
  char16_t theName[8];
  DWORD theSize = 5;  // "alpha" needs 6 with the terminator
  EXPECT_EQ(RegEnumKeyExW(theKey, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  theSize = 6;
  FILETIME theWritten{};
  EXPECT_EQ(RegEnumKeyExW(theKey, 0, theName, &theSize, nullptr, nullptr, nullptr, &theWritten), ERROR_SUCCESS);
  EXPECT_EQ(theSize, 5u);
  EXPECT_NE(theWritten.dwHighDateTime, 0u);
  theSize = 5;
  EXPECT_EQ(RegEnumValueW(theKey, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);

  // Data of an enumerated value: size on request, ERROR_MORE_DATA when it does not fit.
  DWORD theType = 0;
  DWORD theData = 0;
  DWORD theDataSize = 2;
  theSize = 8;
  EXPECT_EQ(RegEnumValueW(theKey, 1, theName, &theSize, nullptr, &theType, reinterpret_cast<BYTE*>(&theData),
                          &theDataSize),
            ERROR_MORE_DATA);
  EXPECT_EQ(theDataSize, 4u);
  theSize = 8;
  theDataSize = 4;
  ASSERT_EQ(RegEnumValueW(theKey, 1, theName, &theSize, nullptr, &theType, reinterpret_cast<BYTE*>(&theData),
                          &theDataSize),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(theName, theSize), u"ALPHA2");
  EXPECT_EQ(theType, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(theData, 1u);
  theSize = 8;
  EXPECT_EQ(RegEnumValueW(theKey, 4, theName, &theSize, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  // A handle without the right to enumerate subkeys is refused.
  HKEY theQueryOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Enum", 0, KEY_QUERY_VALUE, &theQueryOnly), ERROR_SUCCESS);
  theSize = 8;
  EXPECT_EQ(RegEnumKeyExW(theQueryOnly, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr),
            ERROR_ACCESS_DENIED);
  RegCloseKey(theQueryOnly);
  RegCloseKey(theKey);
}

// RegEnumValue with a name or data buffer too small: ERROR_MORE_DATA, with the type and the data
// size needed reported. The buffers and the name size stay as they were, except that the wide form
// still hands out a name that fits when only the data does not.
TEST_F(RegistryTest, EnumValueThatDoesNotFitReportsTheTypeAndTheDataSize) {
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Overflow");
  SetString(theKey, u"Test", u"foobar");  // 14 bytes in the wide form, 7 in the 8-bit form
  struct Case {
    const char* mWhat;
    bool mWide;
    DWORD mNameRoom;          // characters
    DWORD mDataRoom;          // bytes
    LSTATUS mWindows;         // Windows' result,
    DWORD mWindowsNameSize;   // name size,
    DWORD mWindowsDataSize;   // and data size,
    bool mWindowsNameOut;     // and whether the name
    bool mWindowsDataOut;     // and the data are handed out
  };
  const Case theCases[] = {
      {"W, name and data too small", true, 2, 2, ERROR_MORE_DATA, 2, 14, false, false},
      {"W, name too small", true, 3, 20, ERROR_MORE_DATA, 3, 14, false, false},
      {"W, no room for the name", true, 0, 20, ERROR_MORE_DATA, 0, 14, false, false},
      {"W, data too small", true, 20, 2, ERROR_MORE_DATA, 4, 14, true, false},
      {"W, both fit", true, 20, 20, ERROR_SUCCESS, 4, 14, true, true},
      {"A, name and data too small", false, 2, 2, ERROR_MORE_DATA, 2, 7, false, false},
      // Windows: some versions cut the name to "Te" and hand out the data here; most leave both.
      {"A, name too small", false, 3, 16, ERROR_MORE_DATA, 3, 7, false, false},
      {"A, no room for the name", false, 0, 16, ERROR_MORE_DATA, 0, 7, false, false},
      {"A, data too small", false, 20, 2, ERROR_MORE_DATA, 20, 7, false, false},
      {"A, both fit", false, 20, 20, ERROR_SUCCESS, 4, 7, true, true},
  };
  for (const Case& theCase : theCases) {
    SCOPED_TRACE(theCase.mWhat);
    char16_t theWideName[24];
    char theNarrowName[24];
    std::fill(std::begin(theWideName), std::end(theWideName), u'x');
    std::fill(std::begin(theNarrowName), std::end(theNarrowName), 'x');
    BYTE theData[24];
    std::memset(theData, 0xBD, sizeof theData);
    DWORD theNameSize = theCase.mNameRoom;
    DWORD theDataSize = theCase.mDataRoom;
    DWORD theType = 1234;
    const LSTATUS theResult =
        theCase.mWide
            ? RegEnumValueW(theKey, 0, theWideName, &theNameSize, nullptr, &theType, theData, &theDataSize)
            : RegEnumValueA(theKey, 0, theNarrowName, &theNameSize, nullptr, &theType, theData, &theDataSize);
    EXPECT_EQ(theResult, theCase.mWindows);
    EXPECT_EQ(theType, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(theNameSize, theCase.mWindowsNameSize);
    EXPECT_EQ(theDataSize, theCase.mWindowsDataSize);
    const bool theNameOut = theCase.mWide ? std::u16string_view(theWideName, 5) == std::u16string_view(u"Test", 5)
                                          : std::string_view(theNarrowName, 5) == std::string_view("Test", 5);
    const bool theNameLeft = theCase.mWide ? theWideName[0] == u'x' : theNarrowName[0] == 'x';
    EXPECT_EQ(theNameOut, theCase.mWindowsNameOut);
    EXPECT_EQ(theNameLeft, !theCase.mWindowsNameOut);
    const bool theDataOut = theCase.mWide ? std::memcmp(theData, u"foobar", 14) == 0
                                          : std::memcmp(theData, "foobar", 7) == 0;
    EXPECT_EQ(theDataOut, theCase.mWindowsDataOut);
    EXPECT_EQ(theData[0] == 0xBD, !theCase.mWindowsDataOut);
  }
  RegCloseKey(theKey);
}

TEST_F(RegistryTest, DeleteKeyAndTreeRemoval) {
  HKEY theLeaf = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Branch\\Leaf");
  SetDword(theLeaf, u"InLeaf", 1);
  HKEY theBranch = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Branch");
  SetDword(theBranch, u"InBranch", 2);
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Other"));

  // A key with subkeys is refused, as on Windows.
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Branch"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Nothing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);  // a predefined key
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"software\\tree\\branch\\LEAF"), ERROR_SUCCESS);

  // A handle to a deleted key reports it.
  EXPECT_EQ(RegQueryValueExW(theLeaf, u"InLeaf", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  DWORD theOne = 1;
  EXPECT_EQ(RegSetValueExW(theLeaf, u"InLeaf", 0, REG_DWORD, Bytes(&theOne), 4), ERROR_KEY_DELETED);
  RegCloseKey(theLeaf);

  // The tree removal takes subkeys and values; the null form empties a key and keeps it.
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree\\Branch\\Deep\\Deeper"));
  HKEY theTree = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree", 0, KEY_READ, &theTree), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteTreeW(theTree, u"Branch"), ERROR_ACCESS_DENIED);  // needs DELETE on the handle
  RegCloseKey(theTree);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tree", 0, KEY_ALL_ACCESS, &theTree), ERROR_SUCCESS);
  SetDword(theTree, u"OnTree", 3);
  EXPECT_EQ(RegDeleteTreeW(theTree, u"Branch"), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(theTree), std::vector<std::u16string>{u"Other"});
  EXPECT_EQ(RegDeleteTreeW(theTree, u"Branch"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteTreeW(theTree, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(SubKeys(theTree).empty());
  EXPECT_TRUE(ValueNames(theTree).empty());
  EXPECT_EQ(GetDword(theTree, u"OnTree"), -ERROR_FILE_NOT_FOUND);
  RegCloseKey(theTree);
  RegCloseKey(theBranch);

  // Nothing of the removed keys is left behind in the store.
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tree"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_SUCCESS);
  EXPECT_EQ(CountRows("RegKeys"), 0);
  EXPECT_EQ(CountRows("RegValues"), 0);
}

// Every call through a handle whose key was deleted fails with ERROR_KEY_DELETED (1018), whoever
// deleted the key: the handle itself, another handle, or another process. Nothing is created under
// the deleted key, and a key made again under the same name is another key that the old handle
// does not reach.
TEST_F(RegistryTest, HandleToADeletedKeyRefusesEveryCall) {
  struct Call {
    const char* mWhat;
    std::function<LSTATUS(HKEY)> mCall;
    LSTATUS mWindows;
  };
  // Windows refuses every operation on a deleted key with ERROR_KEY_DELETED ("Illegal operation
  // attempted on a registry key that has been marked for deletion"). Wine's conformance tests,
  // which pass on Windows, record it for creating, opening, setting, querying and enumerating
  // through such a handle; the deleting calls open or query the key first and meet the same.
  const DWORD theOne = 1;
  // Runs a call that opens or creates a key, closing what it got.
  auto theOpening = [](const std::function<LSTATUS(HKEY, HKEY*)>& inCall) {
    return [inCall](HKEY inKey) {
      HKEY theKey = nullptr;
      const LSTATUS theResult = inCall(inKey, &theKey);
      if (theResult == ERROR_SUCCESS) {
        RegCloseKey(theKey);
      }
      return theResult;
    };
  };
  const std::vector<Call> theCalls = {
      // Creating keys and setting values under the deleted key.
      {"RegCreateKeyExW of a subkey", theOpening([](HKEY inKey, HKEY* outKey) {
         return RegCreateKeyExW(inKey, u"Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, outKey, nullptr);
       }),
       ERROR_KEY_DELETED},
      {"RegCreateKeyExA of a subkey", theOpening([](HKEY inKey, HKEY* outKey) {
         return RegCreateKeyExA(inKey, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, outKey, nullptr);
       }),
       ERROR_KEY_DELETED},
      {"RegCreateKeyExW of a path of two keys", theOpening([](HKEY inKey, HKEY* outKey) {
         return RegCreateKeyExW(inKey, u"Child\\Grandchild", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, outKey, nullptr);
       }),
       ERROR_KEY_DELETED},
      {"RegCreateKeyExW of the key itself", theOpening([](HKEY inKey, HKEY* outKey) {
         return RegCreateKeyExW(inKey, u"", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, outKey, nullptr);
       }),
       ERROR_KEY_DELETED},
      {"RegSetValueExW", [&](HKEY inKey) { return RegSetValueExW(inKey, u"V", 0, REG_DWORD, Bytes(&theOne), 4); },
       ERROR_KEY_DELETED},
      {"RegSetValueExA", [&](HKEY inKey) { return RegSetValueExA(inKey, "V", 0, REG_SZ, Bytes("x"), 2); },
       ERROR_KEY_DELETED},
      {"RegSetValueExW of the default value",
       [&](HKEY inKey) { return RegSetValueExW(inKey, nullptr, 0, REG_SZ, Bytes(u"x"), 4); }, ERROR_KEY_DELETED},
      // Reading.
      {"RegQueryValueExW", [](HKEY inKey) {
         DWORD theSize = 0;
         return RegQueryValueExW(inKey, u"V", nullptr, nullptr, nullptr, &theSize);
       },
       ERROR_KEY_DELETED},
      {"RegQueryValueExA", [](HKEY inKey) {
         char theData[16];
         DWORD theSize = sizeof theData;
         return RegQueryValueExA(inKey, "V", nullptr, nullptr, reinterpret_cast<BYTE*>(theData), &theSize);
       },
       ERROR_KEY_DELETED},
      {"RegEnumValueW", [](HKEY inKey) {
         char16_t theName[16];
         DWORD theSize = 16;
         return RegEnumValueW(inKey, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_KEY_DELETED},
      {"RegEnumValueA", [](HKEY inKey) {
         char theName[16];
         DWORD theSize = 16;
         return RegEnumValueA(inKey, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_KEY_DELETED},
      {"RegEnumKeyExW", [](HKEY inKey) {
         char16_t theName[16];
         DWORD theSize = 16;
         return RegEnumKeyExW(inKey, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_KEY_DELETED},
      {"RegEnumKeyExA", [](HKEY inKey) {
         char theName[16];
         DWORD theSize = 16;
         return RegEnumKeyExA(inKey, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr);
       },
       ERROR_KEY_DELETED},
      {"RegOpenKeyExW of a subkey", theOpening([](HKEY inKey, HKEY* outKey) {
         return RegOpenKeyExW(inKey, u"Child", 0, KEY_READ, outKey);
       }),
       ERROR_KEY_DELETED},
      {"RegOpenKeyExA of a subkey", theOpening([](HKEY inKey, HKEY* outKey) {
         return RegOpenKeyExA(inKey, "Child", 0, KEY_READ, outKey);
       }),
       ERROR_KEY_DELETED},
      {"RegOpenKeyExW of the key itself", theOpening([](HKEY inKey, HKEY* outKey) {
         return RegOpenKeyExW(inKey, nullptr, 0, KEY_READ, outKey);
       }),
       ERROR_KEY_DELETED},
      // Deleting.
      {"RegDeleteValueW", [](HKEY inKey) { return RegDeleteValueW(inKey, u"V"); }, ERROR_KEY_DELETED},
      {"RegDeleteValueA", [](HKEY inKey) { return RegDeleteValueA(inKey, "V"); }, ERROR_KEY_DELETED},
      {"RegDeleteKeyW of a subkey", [](HKEY inKey) { return RegDeleteKeyW(inKey, u"Child"); }, ERROR_KEY_DELETED},
      {"RegDeleteKeyW of the key itself", [](HKEY inKey) { return RegDeleteKeyW(inKey, u""); }, ERROR_KEY_DELETED},
      {"RegDeleteTreeW of a subkey", [](HKEY inKey) { return RegDeleteTreeW(inKey, u"Child"); }, ERROR_KEY_DELETED},
      {"RegDeleteTreeW emptying the key", [](HKEY inKey) { return RegDeleteTreeW(inKey, nullptr); },
       ERROR_KEY_DELETED},
  };

  struct Deletion {
    const char* mWho;
    std::function<LSTATUS(HKEY)> mDelete;  // given the handle that the calls then use
  };
  const std::vector<Deletion> theDeletions = {
      {"the handle itself", [](HKEY inKey) { return RegDeleteKeyW(inKey, u""); }},
      {"another handle", [](HKEY) { return RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone"); }},
      {"another handle, with the tree", [](HKEY) { return RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone"); }},
      {"another process", [](HKEY) -> LSTATUS {
         const std::string theReport = RunInChild([] {
           const LSTATUS theResult = RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone");
           return theResult == ERROR_SUCCESS ? std::string() : "deletion gave " + std::to_string(theResult);
         });
         return theReport.empty() ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
       }},
  };

  for (const Deletion& theDeletion : theDeletions) {
    SCOPED_TRACE(std::string("deleted by ") + theDeletion.mWho);
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Other"));
    HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone");
    SetDword(theKey, u"V", 1);
    ASSERT_EQ(theDeletion.mDelete(theKey), ERROR_SUCCESS);

    for (const Call& theCall : theCalls) {
      EXPECT_EQ(theCall.mCall(theKey), theCall.mWindows) << theCall.mWhat;
    }
    // Nothing was made again under the deleted key, nor left without a parent.
    HKEY theSoftware = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &theSoftware), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(theSoftware), std::vector<std::u16string>{u"Other"});
    RegCloseKey(theSoftware);
    EXPECT_EQ(Orphans(), "");

    // A key made again under the same name is another key: the old handle still reports the
    // deletion and writes nothing into it.
    HKEY theAgain = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Gone");
    for (const Call& theCall : theCalls) {
      EXPECT_EQ(theCall.mCall(theKey), theCall.mWindows) << theCall.mWhat << ", with the key made again";
    }
    EXPECT_TRUE(SubKeys(theAgain).empty());
    EXPECT_TRUE(ValueNames(theAgain).empty());
    // Closing the old handle works as for any other.
    EXPECT_EQ(RegCloseKey(theKey), ERROR_SUCCESS);
    RegCloseKey(theAgain);
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"SOFTWARE"), ERROR_SUCCESS);
  }
}

TEST_F(RegistryTest, HandleRightsAreEnforced) {
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Rights"));
  HKEY theReader = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Rights", 0, KEY_READ, &theReader), ERROR_SUCCESS);
  DWORD theOne = 1;
  EXPECT_EQ(RegSetValueExW(theReader, u"V", 0, REG_DWORD, Bytes(&theOne), 4), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueW(theReader, u"V"), ERROR_ACCESS_DENIED);
  HKEY theChild = nullptr;
  EXPECT_EQ(RegCreateKeyExW(theReader, u"Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &theChild, nullptr),
            ERROR_ACCESS_DENIED);
  RegCloseKey(theReader);

  HKEY theWriter = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Rights", 0, KEY_WRITE, &theWriter), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(theWriter, u"V", 0, REG_DWORD, Bytes(&theOne), 4), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExW(theWriter, u"V", nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
  RegCloseKey(theWriter);
}

TEST_F(RegistryTest, ConnectRegistryOnlyToTheLocalMachine) {
  HKEY theKey = nullptr;
  EXPECT_EQ(RegConnectRegistryW(nullptr, HKEY_LOCAL_MACHINE, &theKey), ERROR_SUCCESS);
  EXPECT_EQ(theKey, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RegConnectRegistryA("", HKEY_CLASSES_ROOT, &theKey), ERROR_SUCCESS);
  EXPECT_EQ(theKey, HKEY_CLASSES_ROOT);
  EXPECT_EQ(RegConnectRegistryW(u"\\\\server", HKEY_LOCAL_MACHINE, &theKey), ERROR_BAD_NETPATH);
  EXPECT_EQ(RegConnectRegistryA("server", HKEY_LOCAL_MACHINE, &theKey), 53);
}

TEST_F(RegistryTest, RootChangesAndRemovedStoresAreNoticed) {
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Moving");
  SetDword(theKey, u"Here", 1);
  RegCloseKey(theKey);

  const fs::path theSecond = mFolder / "second";
  ::setenv("QUORIX_ROOT", theSecond.c_str(), 1);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Moving", 0, KEY_READ, &theKey), ERROR_FILE_NOT_FOUND);
  theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Moving");
  SetDword(theKey, u"Here", 2);
  RegCloseKey(theKey);

  ::setenv("QUORIX_ROOT", mRoot.c_str(), 1);
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Moving", 0, KEY_READ, &theKey), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(theKey, u"Here"), 1);
  RegCloseKey(theKey);

  // A store removed behind the process's back reads as missing; the next write makes a new one
  // that other processes see.
  fs::remove_all(mRoot);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Moving", 0, KEY_READ, &theKey), ERROR_FILE_NOT_FOUND);
  theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Again");
  SetDword(theKey, u"Fresh", 3);
  RegCloseKey(theKey);
  EXPECT_EQ(CountRows("RegValues"), 1);
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
  RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared"));
  constexpr int kValuesEach = 1000;
  auto theWriter = [](char16_t inPrefix) {
    return [inPrefix]() -> std::string {
      HKEY theKey = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared", 0, KEY_WRITE, &theKey) != ERROR_SUCCESS) {
        return "open failed";
      }
      for (int theIndex = 0; theIndex < kValuesEach; ++theIndex) {
        std::u16string theName(1, inPrefix);
        for (const char theDigit : std::to_string(theIndex)) {
          theName += static_cast<char16_t>(theDigit);
        }
        const DWORD theValue = static_cast<DWORD>(theIndex);
        const LSTATUS theResult = RegSetValueExW(theKey, theName.c_str(), 0, REG_DWORD, Bytes(&theValue), 4);
        if (theResult != ERROR_SUCCESS) {
          return "write " + std::to_string(theIndex) + " failed with " + std::to_string(theResult);
        }
      }
      RegCloseKey(theKey);
      return {};
    };
  };
  // Both children start writing at the same moment, when the go pipe closes.
  int theGo[2];
  ASSERT_EQ(::pipe(theGo), 0);
  const Child theFirst = StartChild(theWriter(u'A'), theGo);
  const Child theSecond = StartChild(theWriter(u'B'), theGo);
  ::close(theGo[0]);
  ::close(theGo[1]);
  EXPECT_EQ(FinishChild(theFirst), "");
  EXPECT_EQ(FinishChild(theSecond), "");

  HKEY theKey = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Shared", 0, KEY_READ, &theKey), ERROR_SUCCESS);
  const std::vector<std::u16string> theNames = ValueNames(theKey);
  EXPECT_EQ(theNames.size(), 2u * kValuesEach);
  EXPECT_EQ(GetDword(theKey, u"A999"), 999);
  EXPECT_EQ(GetDword(theKey, u"b0"), 0);
  RegCloseKey(theKey);
}

TEST_F(RegistryTest, TreeDeletedWhileAnotherProcessWritesUnderItLeavesNoOrphans) {
  // Round after round, one process writes under a key through a handle it holds (values, and new
  // keys two levels deep with values of their own) while another process removes the whole tree
  // at a different moment each time. Each write either succeeds or, once the tree is gone, fails
  // with ERROR_KEY_DELETED for good. Afterwards nothing of the tree is left and every key and value
  // in the store hangs from a key that exists.
  constexpr int kRounds = 8;
  constexpr int kMaxWrites = 20000;                  // per round, before and after the deletion
  constexpr int kWritesAfterDeletion = 30;
  constexpr auto kRoundLimit = std::chrono::seconds(10);
  const auto theStart = std::chrono::steady_clock::now();
  for (int theRound = 0; theRound < kRounds && std::chrono::steady_clock::now() - theStart < 3 * kRoundLimit;
       ++theRound) {
    SCOPED_TRACE("round " + std::to_string(theRound));
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Race\\Branch"));
    const int theWhen = 1 + (theRound * 7) % 40;  // how many writes the deleter waits for
    auto theName = [](const char16_t* inPrefix, int inIndex) {
      std::u16string theText(inPrefix);
      for (const char theDigit : std::to_string(inIndex)) {
        theText += static_cast<char16_t>(theDigit);
      }
      return theText;
    };
    auto theWriter = [&]() -> std::string {
      HKEY theBranch = nullptr;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Race\\Branch", 0, KEY_ALL_ACCESS, &theBranch) !=
          ERROR_SUCCESS) {
        return "open failed";
      }
      std::string theReport;
      bool theGone = false;
      auto theCheck = [&](const char* inWhat, int inIndex, LSTATUS inResult) {
        if (inResult == ERROR_KEY_DELETED) {
          theGone = true;
        } else if (inResult != ERROR_SUCCESS || theGone) {
          theReport += std::string(inWhat) + " " + std::to_string(inIndex) + " gave " + std::to_string(inResult) +
                       (theGone ? " after the deletion; " : "; ");
        }
      };
      const auto theLimit = std::chrono::steady_clock::now() + kRoundLimit;
      int theAfter = 0;
      for (int theIndex = 0; theIndex < kMaxWrites && theAfter < kWritesAfterDeletion &&
                             std::chrono::steady_clock::now() < theLimit;
           ++theIndex) {
        const DWORD theValue = static_cast<DWORD>(theIndex);
        theCheck("set", theIndex,
                 RegSetValueExW(theBranch, theName(u"V", theIndex).c_str(), 0, REG_DWORD, Bytes(&theValue), 4));
        HKEY theLeaf = nullptr;
        const LSTATUS theCreate = RegCreateKeyExW(theBranch, (theName(u"Leaf", theIndex) + u"\\Deeper").c_str(), 0,
                                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &theLeaf, nullptr);
        theCheck("create", theIndex, theCreate);
        if (theCreate == ERROR_SUCCESS) {
          // The new key may itself be gone by now.
          const LSTATUS theSet = RegSetValueExW(theLeaf, u"W", 0, REG_DWORD, Bytes(&theValue), 4);
          if (theSet != ERROR_SUCCESS && theSet != ERROR_KEY_DELETED) {
            theReport += "set in a new key gave " + std::to_string(theSet) + "; ";
          }
          RegCloseKey(theLeaf);
        }
        if (theGone) {
          ++theAfter;
        }
        ::usleep(100);  // leaves the other process moments to take the store's lock
      }
      if (!theGone) {
        theReport += "the deletion was never seen; ";
      }
      RegCloseKey(theBranch);
      return theReport;
    };
    auto theDeleter = [&]() -> std::string {
      const std::u16string theSign = theName(u"V", theWhen);
      const auto theLimit = std::chrono::steady_clock::now() + kRoundLimit;
      bool theSeen = false;
      while (!theSeen && std::chrono::steady_clock::now() < theLimit) {
        HKEY theKey = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Race\\Branch", 0, KEY_READ, &theKey) == ERROR_SUCCESS) {
          DWORD theSize = 0;
          theSeen = RegQueryValueExW(theKey, theSign.c_str(), nullptr, nullptr, nullptr, &theSize) == ERROR_SUCCESS;
          RegCloseKey(theKey);
        }
        ::usleep(200);
      }
      const LSTATUS theResult = RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Race");
      return theResult == ERROR_SUCCESS ? std::string() : "deletion gave " + std::to_string(theResult);
    };
    int theGo[2];
    ASSERT_EQ(::pipe(theGo), 0);
    const Child theWriting = StartChild(theWriter, theGo);
    const Child theDeleting = StartChild(theDeleter, theGo);
    ::close(theGo[0]);
    ::close(theGo[1]);
    EXPECT_EQ(FinishChild(theWriting), "");
    EXPECT_EQ(FinishChild(theDeleting), "");

    HKEY theKey = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Race", 0, KEY_READ, &theKey), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Orphans(), "");
    EXPECT_EQ(CountRows("RegValues"), 0);
    EXPECT_EQ(CountRows("RegKeys"), 1);  // SOFTWARE
  }
}

TEST_F(RegistryTest, WriterWaitsItsTurnWhileAnotherKeepsCommitting) {
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Waiting");
  // A child takes the store's lock again and again, committing a change each time it lets go,
  // for longer than a lock may stay taken without any commit, and then lets go for good. A waiter
  // seldom hits the short gaps between its transactions, so the write below normally gets its
  // turn only when the child is done: it must not give up while the child makes progress.
  int theReady[2];
  ASSERT_EQ(::pipe(theReady), 0);
  const std::string theStore = StorePath().string();
  const pid_t theChild = ::fork();
  if (theChild == 0) {
    ::close(theReady[0]);
    sqlite3* theDb = nullptr;
    if (sqlite3_open_v2(theStore.c_str(), &theDb, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) ::_exit(1);
    sqlite3_busy_timeout(theDb, 10000);  // should the parent slip into a gap, the child waits for it
    auto theLock = [theDb] { return sqlite3_exec(theDb, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK; };
    if (!theLock() || ::write(theReady[1], "L", 1) != 1) ::_exit(2);
    for (int theRound = 0; theRound < 12; ++theRound) {
      ::usleep(400 * 1000);
      sqlite3_exec(theDb, "UPDATE RegKeys SET written = written + 1", nullptr, nullptr, nullptr);
      if (sqlite3_exec(theDb, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) ::_exit(3);
      if (theRound + 1 < 12 && !theLock()) ::_exit(4);
    }
    ::_exit(0);
  }
  ::close(theReady[1]);
  char theState = 0;
  ASSERT_EQ(::read(theReady[0], &theState, 1), 1);
  ::close(theReady[0]);
  EXPECT_EQ(theState, 'L');

  const DWORD theOne = 1;
  EXPECT_EQ(RegSetValueExW(theKey, u"Turn", 0, REG_DWORD, Bytes(&theOne), 4), ERROR_SUCCESS);
  int theStatus = 0;
  ASSERT_EQ(::waitpid(theChild, &theStatus, 0), theChild);
  EXPECT_TRUE(WIFEXITED(theStatus) && WEXITSTATUS(theStatus) == 0) << "status " << theStatus;
  EXPECT_EQ(GetDword(theKey, u"Turn"), 1);
  RegCloseKey(theKey);
}

TEST_F(RegistryTest, StoreThatCannotBeWrittenRefusesWritesAndStillReads) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root to drop to another user";
  }
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere\\Quorix\\2");
  SetDword(theKey, u"LogErrors", 1);
  SetString(theKey, u"ModulePath", u"/opt/quorix/libquorix2.so");
  RegCloseKey(theKey);
  // Readable by everyone, writable by root only.
  fs::permissions(mFolder, fs::perms(0755));
  fs::permissions(mRoot, fs::perms(0755));
  fs::permissions(StorePath(), fs::perms(0644));

  const std::string theReport = RunInChild([this]() -> std::string {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
      return "could not drop to nobody";
    }
    std::string theFailures;
    auto theCheck = [&theFailures](const char* inWhat, LSTATUS inGot, LSTATUS inWanted) {
      if (inGot != inWanted) {
        theFailures += std::string(inWhat) + " gave " + std::to_string(inGot) + "; ";
      }
    };
    HKEY theRead = nullptr;
    theCheck("open for reading", RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere\\Quorix\\2", 0, KEY_READ,
                                               &theRead),
             ERROR_SUCCESS);
    theCheck("query", static_cast<LSTATUS>(GetDword(theRead, u"LogErrors")), 1);
    if (GetString(theRead, u"ModulePath") != u"/opt/quorix/libquorix2.so") {
      theFailures += "string read back wrong; ";
    }
    HKEY theOther = nullptr;
    DWORD theDisposition = 0;
    theCheck("create of an existing key for reading",
             RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere", 0, nullptr, 0, KEY_READ, nullptr, &theOther,
                             &theDisposition),
             ERROR_SUCCESS);
    RegCloseKey(theOther);
    theCheck("open for writing",
             RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere", 0, KEY_WRITE, &theOther), ERROR_ACCESS_DENIED);
    theCheck("create of a new key",
             RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\New", 0, nullptr, 0, KEY_READ, nullptr, &theOther,
                             nullptr),
             ERROR_ACCESS_DENIED);
    const DWORD theZero = 0;
    theCheck("set on the machine key",
             RegSetValueExW(HKEY_LOCAL_MACHINE, u"LogErrors", 0, REG_DWORD, Bytes(&theZero), 4), ERROR_ACCESS_DENIED);
    theCheck("set through HKEY_CLASSES_ROOT",
             RegSetValueExA(HKEY_CLASSES_ROOT, "", 0, REG_SZ, Bytes("x"), 2), ERROR_ACCESS_DENIED);
    theCheck("delete value", RegDeleteValueW(HKEY_LOCAL_MACHINE, u"LogErrors"), ERROR_ACCESS_DENIED);
    theCheck("delete key", RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere\\Quorix\\2"),
             ERROR_ACCESS_DENIED);
    theCheck("delete tree", RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere"), ERROR_ACCESS_DENIED);
    // A key that is not there is reported as missing, as it would be to a writer.
    theCheck("delete of a missing key", RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Missing"),
             ERROR_FILE_NOT_FOUND);
    theCheck("delete tree of a missing key", RegDeleteTreeW(HKEY_CLASSES_ROOT, u"Missing.Class"),
             ERROR_FILE_NOT_FOUND);
    // Reading goes on working after the refusals.
    theCheck("query again", static_cast<LSTATUS>(GetDword(theRead, u"LogErrors")), 1);
    RegCloseKey(theRead);
    return theFailures;
  });
  EXPECT_EQ(theReport, "");

  // The store is as it was.
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Tallowmere\\Quorix\\2", 0, KEY_READ, &theKey),
            ERROR_SUCCESS);
  EXPECT_EQ(GetDword(theKey, u"LogErrors"), 1);
  RegCloseKey(theKey);
  EXPECT_EQ(CountRows("RegKeys"), 4);
}

TEST_F(RegistryTest, StoreOfRandomBytesFailsEveryCallWithoutCrashing) {
  fs::create_directories(mRoot);
  std::vector<char> theNoise(64 * 1024);
  std::mt19937 theRandom(20240601);
  for (char& theByte : theNoise) {
    theByte = static_cast<char>(theRandom());
  }
  std::ofstream(StorePath(), std::ios::binary).write(theNoise.data(), static_cast<std::streamsize>(theNoise.size()));

  HKEY theKey = nullptr;
  DWORD theSize = 0;
  char16_t theName[32];
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE", 0, KEY_READ, &theKey), ERROR_BADDB);
  EXPECT_EQ(RegQueryValueExW(HKEY_LOCAL_MACHINE, u"X", nullptr, nullptr, nullptr, &theSize), ERROR_BADDB);
  theSize = 32;
  EXPECT_EQ(RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr), ERROR_BADDB);
  theSize = 32;
  EXPECT_EQ(RegEnumValueW(HKEY_CLASSES_ROOT, 0, theName, &theSize, nullptr, nullptr, nullptr, nullptr), ERROR_BADDB);
  EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\X", 0, nullptr, 0, KEY_WRITE, nullptr, &theKey, nullptr),
            ERROR_BADDB);
  const DWORD theOne = 1;
  EXPECT_EQ(RegSetValueExW(HKEY_LOCAL_MACHINE, u"X", 0, REG_DWORD, Bytes(&theOne), 4), ERROR_BADDB);
  EXPECT_EQ(RegDeleteValueW(HKEY_LOCAL_MACHINE, u"X"), ERROR_BADDB);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE"), ERROR_BADDB);
  EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, nullptr), ERROR_BADDB);

  // The damaged file is left for an administrator to look at, not replaced.
  std::ifstream theFile(StorePath(), std::ios::binary);
  const std::vector<char> theAfter((std::istreambuf_iterator<char>(theFile)), std::istreambuf_iterator<char>());
  EXPECT_EQ(theAfter, theNoise);
}

TEST_F(RegistryTest, StoreDamagedPastItsHeaderReportsErrors) {
  HKEY theKey = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Damaged");
  const std::u16string theFiller(500, u'f');
  for (char16_t theLetter = u'A'; theLetter <= u'Z'; ++theLetter) {
    const std::u16string theName = u"Value" + std::u16string(1, theLetter);
    SetString(theKey, theName.c_str(), theFiller);
  }
  RegCloseKey(theKey);
  // Keep the first page (header and schema), overwrite every page after it.
  const auto theSize = fs::file_size(StorePath());
  ASSERT_GT(theSize, 4096u);
  {
    std::fstream theFile(StorePath(), std::ios::binary | std::ios::in | std::ios::out);
    theFile.seekp(4096);
    std::mt19937 theRandom(7);
    for (auto thePos = 4096u; thePos < theSize; ++thePos) {
      theFile.put(static_cast<char>(theRandom()));
    }
  }
  // Whatever page a call needs, it reports the damage rather than crashing or making data up.
  // A new process looks (this one keeps the pages it read before the damage in its cache, as
  // SQLite trusts an unchanged file header).
  const std::string theReport = RunInChild([] {
    std::string theFailures;
    HKEY theOpened = nullptr;
    if (const LSTATUS theResult = RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Damaged", 0, KEY_READ, &theOpened);
        theResult != ERROR_BADDB) {
      theFailures += "open gave " + std::to_string(theResult) + "; ";
    }
    char16_t theName[64];
    DWORD theNameSize = 64;
    if (const LSTATUS theResult =
            RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, theName, &theNameSize, nullptr, nullptr, nullptr, nullptr);
        theResult != ERROR_BADDB) {
      theFailures += "enumeration gave " + std::to_string(theResult) + "; ";
    }
    const DWORD theOne = 1;
    if (RegSetValueExW(HKEY_LOCAL_MACHINE, u"X", 0, REG_DWORD, Bytes(&theOne), 4) == ERROR_SUCCESS) {
      theFailures += "a write into the damaged store succeeded; ";
    }
    return theFailures;
  });
  EXPECT_EQ(theReport, "");
}

}  // namespace
