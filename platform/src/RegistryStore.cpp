// The registry store: keys and values in registry.db, and the table of open key handles.
#include "RegistryStore.h"

#include "SqliteStatement.h"
#include "SqliteTransaction.h"
#include "StoreText.h"

#include <ctime>

namespace qxstore {
namespace {

constexpr uint32_t kClassesRoot = 0x80000000u;
constexpr uint32_t kLocalMachine = 0x80000002u;

// Windows' limits: a key name of 255 characters, 512 levels of keys, value names of 16383.
constexpr size_t kMaxKeyNameChars = 255;
constexpr size_t kMaxDepth = 512;
constexpr size_t kMaxValueNameChars = 16383;

constexpr uintptr_t kFirstHandle = 0x1000;
constexpr uintptr_t kLastHandle = 0x7FFFFFF0;

// Rights that change the store; a handle holds them only when the store can be written.
constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr REGSAM kIgnoredRights = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

// Keys hang from their parent's row (0 for the machine root); the fold column holds the name as
// it compares (FoldName), so that lookups, uniqueness and enumeration order ignore case while
// the name column keeps the spelling it was created with.
constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS RegKeys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  written INTEGER NOT NULL DEFAULT 0,
  UNIQUE(parent, fold));
CREATE TABLE IF NOT EXISTS RegValues(
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, fold)) WITHOUT ROWID;
)";

// The subtree of a key (itself included); UNION ends the walk even in a damaged store whose
// parent links form a loop.
constexpr const char* kSubtree =
    "WITH RECURSIVE Subtree(id) AS (SELECT ?1 UNION SELECT RegKeys.id FROM RegKeys JOIN Subtree ON "
    "RegKeys.parent = Subtree.id) ";

// Splits a subkey path at its backslashes and appends the names to ioPath.
DWORD ParsePath(std::u16string_view inPath, std::vector<std::u16string>& ioPath) {
  if (inPath.empty()) {
    return ERROR_SUCCESS;
  }
  if (inPath.front() == u'\\') {
    return ERROR_BAD_PATHNAME;
  }
  size_t theStart = 0;
  while (theStart < inPath.size()) {
    size_t theEnd = inPath.find(u'\\', theStart);
    if (theEnd == std::u16string_view::npos) {
      theEnd = inPath.size();
    }
    const std::u16string_view theName = inPath.substr(theStart, theEnd - theStart);
    if (theName.empty()) {
      return ERROR_BAD_PATHNAME;
    }
    if (theName.size() > kMaxKeyNameChars || ioPath.size() >= kMaxDepth) {
      return ERROR_INVALID_PARAMETER;
    }
    ioPath.emplace_back(theName);
    theStart = theEnd + 1;  // a single trailing backslash is allowed
  }
  return ERROR_SUCCESS;
}

// Now, as a FILETIME count (100 ns units since 1601-01-01 UTC).
int64_t FileTimeNow() {
  timespec theNow{};
  clock_gettime(CLOCK_REALTIME, &theNow);
  return (static_cast<int64_t>(theNow.tv_sec) + 11644473600LL) * 10000000LL + theNow.tv_nsec / 100;
}

}  // namespace

RegistryStore& RegistryStore::Instance() {
  static RegistryStore theStore;
  return theStore;
}

RegistryStore::RegistryStore()
    : mStore("registry.db", kSchema, {"RegKeys", "RegValues"}), mNextHandle(kFirstHandle) {}

bool RegistryStore::IsPredefined(HKEY inKey) {
  const auto theValue = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(inKey));
  const uint64_t theHigh = theValue >> 32;
  const auto theLow = static_cast<uint32_t>(theValue);
  // Accept the value sign-extended too, as Windows' own definition produces it.
  return (theHigh == 0 || theHigh == 0xFFFFFFFFu) && (theLow == kClassesRoot || theLow == kLocalMachine);
}

LSTATUS RegistryStore::Lookup(HKEY inKey, REGSAM inNeeded, KeyRef& outRef) const {
  if (IsPredefined(inKey)) {
    outRef = KeyRef();
    if (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(inKey)) == kClassesRoot) {
      outRef.mPath = {u"SOFTWARE", u"Classes"};
      outRef.mFixed = 2;
    }
    outRef.mAccess = KEY_ALL_ACCESS;
  } else {
    const auto theFound = mHandles.find(reinterpret_cast<uintptr_t>(inKey));
    if (theFound == mHandles.end()) {
      return ERROR_INVALID_HANDLE;
    }
    outRef = theFound->second;
  }
  return (outRef.mAccess & inNeeded) == inNeeded ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

HKEY RegistryStore::AddHandle(KeyRef inRef) {
  while (mHandles.contains(mNextHandle)) {
    mNextHandle = mNextHandle >= kLastHandle ? kFirstHandle : mNextHandle + 4;
  }
  const uintptr_t theHandle = mNextHandle;
  mHandles.emplace(theHandle, std::move(inRef));
  mNextHandle = mNextHandle >= kLastHandle ? kFirstHandle : mNextHandle + 4;
  return reinterpret_cast<HKEY>(theHandle);
}

RegistryStore::Found RegistryStore::Resolve(int64_t inStart, std::span<const std::u16string> inNames) {
  Found theFound;
  theFound.mID = inStart;
  SqliteStatement theQuery(mStore.Db(), "SELECT id FROM RegKeys WHERE parent = ?1 AND fold = ?2");
  for (const std::u16string& theName : inNames) {
    theQuery.Reset();
    theQuery.Bind(1, theFound.mID).Bind(2, FoldName(theName));
    if (!theQuery.Step()) {
      theFound.mError = theQuery.Ok() ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND) : mStore.ErrorFrom(theQuery.Result());
      return theFound;
    }
    theFound.mID = theQuery.ColumnInt(0);
  }
  if (!theQuery.Ok()) {
    theFound.mError = mStore.ErrorFrom(theQuery.Result());
  }
  return theFound;
}

RegistryStore::Found RegistryStore::CreatePath(int64_t inStart, std::span<const std::u16string> inNames,
                                              bool& outCreatedLast) {
  Found theFound;
  theFound.mID = inStart;
  outCreatedLast = false;
  SqliteStatement theQuery(mStore.Db(), "SELECT id FROM RegKeys WHERE parent = ?1 AND fold = ?2");
  SqliteStatement theInsert(mStore.Db(), "INSERT INTO RegKeys(parent, name, fold, written) VALUES(?1, ?2, ?3, ?4)");
  for (const std::u16string& theName : inNames) {
    const std::string theFold = FoldName(theName);
    theQuery.Reset();
    theQuery.Bind(1, theFound.mID).Bind(2, theFold);
    if (theQuery.Step()) {
      theFound.mID = theQuery.ColumnInt(0);
      outCreatedLast = false;
      continue;
    }
    if (!theQuery.Ok()) {
      theFound.mError = mStore.ErrorFrom(theQuery.Result());
      return theFound;
    }
    theInsert.Reset();
    theInsert.Bind(1, theFound.mID).Bind(2, Utf16ToUtf8(theName)).Bind(3, theFold).Bind(4, FileTimeNow());
    if (const int theResult = theInsert.Run(); theResult != SQLITE_OK) {
      theFound.mError = mStore.ErrorFrom(theResult);
      return theFound;
    }
    theFound.mID = sqlite3_last_insert_rowid(mStore.Db());
    outCreatedLast = true;
  }
  return theFound;
}

DWORD RegistryStore::Touch(int64_t inID) {
  SqliteStatement theUpdate(mStore.Db(), "UPDATE RegKeys SET written = ?1 WHERE id = ?2");
  theUpdate.Bind(1, FileTimeNow()).Bind(2, inID);
  return mStore.ErrorFrom(theUpdate.Run());
}

bool RegistryStore::StoreIsReadOnly() {
  // A store that cannot be opened is not known to be read-only; writes then report the reason.
  return mStore.Open(SqliteStore::Access::kRead) == ERROR_SUCCESS && mStore.IsReadOnly();
}

LSTATUS RegistryStore::GrantAccess(REGSAM inDesired, REGSAM& outAccess) {
  const REGSAM theDesired = inDesired & ~kIgnoredRights;
  if ((theDesired & MAXIMUM_ALLOWED) != 0) {
    outAccess = (theDesired & ~MAXIMUM_ALLOWED) | (StoreIsReadOnly() ? KEY_READ : KEY_ALL_ACCESS);
  } else if ((theDesired & kWriteRights) != 0 && StoreIsReadOnly()) {
    return ERROR_ACCESS_DENIED;
  } else {
    outAccess = theDesired;
  }
  return ERROR_SUCCESS;
}

LSTATUS RegistryStore::OpenKey(HKEY inParent, std::u16string_view inSubKey, REGSAM inDesired, HKEY& outKey) {
  std::lock_guard theLock(mMutex);
  KeyRef theParent;
  if (const LSTATUS theError = Lookup(inParent, 0, theParent); theError != ERROR_SUCCESS) {
    return theError;
  }
  KeyRef theRef = theParent;
  if (const DWORD theError = ParsePath(inSubKey, theRef.mPath); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  if (theRef.OwnKey()) {
    // Opening below a deleted key, or the deleted key itself again, gives ERROR_KEY_DELETED.
    int64_t theID = 0;
    if (const DWORD theError = ResolveForRead(theParent, theID); theError != ERROR_SUCCESS) {
      return static_cast<LSTATUS>(theError);
    }
    const Found theFound =
        Resolve(theID, std::span<const std::u16string>(theRef.mPath).subspan(theParent.mPath.size()));
    if (theFound.mError != ERROR_SUCCESS) {
      return static_cast<LSTATUS>(theFound.mError);
    }
    theRef.mID = theFound.mID;
  }
  if (const LSTATUS theError = GrantAccess(inDesired, theRef.mAccess); theError != ERROR_SUCCESS) {
    return theError;
  }
  outKey = AddHandle(std::move(theRef));
  return ERROR_SUCCESS;
}

LSTATUS RegistryStore::CreateKey(HKEY inParent, std::u16string_view inSubKey, DWORD inOptions, REGSAM inDesired,
                                 HKEY& outKey, DWORD& outDisposition) {
  if ((inOptions & (REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK)) != 0) {
    return ERROR_NOT_SUPPORTED;  // the store keeps every key; volatile keys and links are not offered
  }
  std::lock_guard theLock(mMutex);
  KeyRef theParent;
  if (const LSTATUS theError = Lookup(inParent, 0, theParent); theError != ERROR_SUCCESS) {
    return theError;
  }
  KeyRef theRef = theParent;
  if (const DWORD theError = ParsePath(inSubKey, theRef.mPath); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  const auto theSub = std::span<const std::u16string>(theRef.mPath).subspan(theParent.mPath.size());
  // A key that exists is opened, which needs no right to write.
  DWORD theExisting = ERROR_SUCCESS;
  if (theRef.OwnKey()) {
    int64_t theID = 0;
    theExisting = ResolveForRead(theParent, theID);
    if (theExisting == ERROR_SUCCESS) {
      const Found theFound = Resolve(theID, theSub);
      theExisting = theFound.mError;
      theRef.mID = theFound.mID;
    }
  }
  if (theExisting == ERROR_SUCCESS) {
    if (const LSTATUS theError = GrantAccess(inDesired, theRef.mAccess); theError != ERROR_SUCCESS) {
      return theError;
    }
    outKey = AddHandle(std::move(theRef));
    outDisposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  }
  if (theExisting != ERROR_FILE_NOT_FOUND) {
    return static_cast<LSTATUS>(theExisting);  // ERROR_KEY_DELETED for a parent that is gone
  }
  if ((theParent.mAccess & KEY_CREATE_SUB_KEY) == 0) {
    return ERROR_ACCESS_DENIED;
  }
  if (const DWORD theOpen = mStore.Open(SqliteStore::Access::kWrite); theOpen != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theOpen);
  }
  SqliteTransaction theTransaction(mStore.Db());
  if (theTransaction.Result() != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Result()));
  }
  // The parent is looked up again inside the transaction: a key that another handle or process
  // deleted since is refused here, never made again along the path or left without a parent.
  int64_t theParentID = 0;
  if (const DWORD theError = ResolveForWrite(theParent, theParentID); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  bool theCreated = false;
  const Found theFound = CreatePath(theParentID, theSub, theCreated);
  if (theFound.mError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theFound.mError);
  }
  if (const int theCommit = theTransaction.Commit(); theCommit != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theCommit));
  }
  const REGSAM theDesired = inDesired & ~(kIgnoredRights | MAXIMUM_ALLOWED);
  theRef.mAccess = (inDesired & MAXIMUM_ALLOWED) != 0 ? (theDesired | KEY_ALL_ACCESS) : theDesired;
  theRef.mID = theFound.mID;
  outKey = AddHandle(std::move(theRef));
  outDisposition = theCreated ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LSTATUS RegistryStore::CloseKey(HKEY inKey) {
  if (IsPredefined(inKey)) {
    return ERROR_SUCCESS;
  }
  std::lock_guard theLock(mMutex);
  return mHandles.erase(reinterpret_cast<uintptr_t>(inKey)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// The row of the key that a handle stands for, looked up in the store at each call, so that a
// deletion through any handle or by any process is seen.
// RETURNS: ERROR_SUCCESS; ERROR_KEY_DELETED when the handle's own key is gone, also when a key of
// the same name was made since (that is another key, as on Windows); for the predefined key's own
// part of the path, which exists whether or not the store holds it: ERROR_FILE_NOT_FOUND when the
// store does not hold it yet, or with inMakePredefined (inside a write transaction) it is made; a
// store failure.
DWORD RegistryStore::HandleKey(const KeyRef& inRef, bool inMakePredefined, int64_t& outID) {
  const Found theFound = Resolve(0, inRef.mPath);
  outID = theFound.mID;
  if (inRef.OwnKey()) {
    if (theFound.mError == ERROR_FILE_NOT_FOUND || (theFound.mError == ERROR_SUCCESS && theFound.mID != inRef.mID)) {
      return ERROR_KEY_DELETED;
    }
    return theFound.mError;
  }
  if (theFound.mError != ERROR_FILE_NOT_FOUND || !inMakePredefined) {
    return theFound.mError;
  }
  // Only the predefined key's own part is missing (HKEY_CLASSES_ROOT before its first key).
  bool theCreated = false;
  const Found theMade = CreatePath(0, inRef.mPath, theCreated);
  outID = theMade.mID;
  return theMade.mError;
}

// HandleKey for reading: a store that does not exist holds no key of a handle.
DWORD RegistryStore::ResolveForRead(const KeyRef& inRef, int64_t& outID) {
  const DWORD theOpen = mStore.Open(SqliteStore::Access::kRead);
  if (theOpen == ERROR_FILE_NOT_FOUND) {
    return inRef.OwnKey() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
  }
  if (theOpen != ERROR_SUCCESS) {
    return theOpen;
  }
  return HandleKey(inRef, false, outID);
}

// HandleKey inside a write transaction, making the predefined key's own part when missing.
DWORD RegistryStore::ResolveForWrite(const KeyRef& inRef, int64_t& outID) { return HandleKey(inRef, true, outID); }

LSTATUS RegistryStore::QueryValue(HKEY inKey, std::u16string_view inName, DWORD& outType,
                                  std::vector<uint8_t>& outData) {
  std::lock_guard theLock(mMutex);
  KeyRef theRef;
  if (const LSTATUS theError = Lookup(inKey, KEY_QUERY_VALUE, theRef); theError != ERROR_SUCCESS) {
    return theError;
  }
  int64_t theID = 0;
  if (const DWORD theError = ResolveForRead(theRef, theID); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  SqliteStatement theQuery(mStore.Db(), "SELECT type, data FROM RegValues WHERE key = ?1 AND fold = ?2");
  theQuery.Bind(1, theID).Bind(2, FoldName(inName));
  if (!theQuery.Step()) {
    return theQuery.Ok() ? ERROR_FILE_NOT_FOUND : static_cast<LSTATUS>(mStore.ErrorFrom(theQuery.Result()));
  }
  outType = static_cast<DWORD>(theQuery.ColumnInt(0));
  outData = theQuery.ColumnBlob(1);
  return ERROR_SUCCESS;
}

LSTATUS RegistryStore::SetValue(HKEY inKey, std::u16string_view inName, DWORD inType, std::span<const uint8_t> inData) {
  std::lock_guard theLock(mMutex);
  KeyRef theRef;
  if (const LSTATUS theError = Lookup(inKey, KEY_SET_VALUE, theRef); theError != ERROR_SUCCESS) {
    return theError;
  }
  if (inName.size() > kMaxValueNameChars) {
    return ERROR_INVALID_PARAMETER;
  }
  if (const DWORD theOpen = mStore.Open(SqliteStore::Access::kWrite); theOpen != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theOpen);
  }
  SqliteTransaction theTransaction(mStore.Db());
  if (theTransaction.Result() != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Result()));
  }
  int64_t theID = 0;
  if (const DWORD theError = ResolveForWrite(theRef, theID); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  // A value written again keeps the spelling of its name and takes the new type and data.
  SqliteStatement theUpsert(mStore.Db(),
                            "INSERT INTO RegValues(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                            "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
  theUpsert.Bind(1, theID).Bind(2, Utf16ToUtf8(inName)).Bind(3, FoldName(inName)).Bind(4, static_cast<int64_t>(inType));
  theUpsert.BindBlob(5, inData);
  if (const int theResult = theUpsert.Run(); theResult != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theResult));
  }
  if (const DWORD theError = Touch(theID); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Commit()));
}

LSTATUS RegistryStore::DeleteValue(HKEY inKey, std::u16string_view inName) {
  std::lock_guard theLock(mMutex);
  KeyRef theRef;
  if (const LSTATUS theError = Lookup(inKey, KEY_SET_VALUE, theRef); theError != ERROR_SUCCESS) {
    return theError;
  }
  // Deleting from a store that does not exist finds nothing, and creates nothing.
  if (const DWORD theOpen = mStore.Open(SqliteStore::Access::kRead); theOpen != ERROR_SUCCESS) {
    return theOpen == ERROR_FILE_NOT_FOUND && theRef.OwnKey() ? ERROR_KEY_DELETED : static_cast<LSTATUS>(theOpen);
  }
  if (const DWORD theOpen = mStore.Open(SqliteStore::Access::kWrite); theOpen != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theOpen);
  }
  SqliteTransaction theTransaction(mStore.Db());
  if (theTransaction.Result() != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Result()));
  }
  int64_t theID = 0;
  if (const DWORD theError = HandleKey(theRef, false, theID); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  SqliteStatement theDelete(mStore.Db(), "DELETE FROM RegValues WHERE key = ?1 AND fold = ?2");
  theDelete.Bind(1, theID).Bind(2, FoldName(inName));
  if (const int theResult = theDelete.Run(); theResult != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theResult));
  }
  if (sqlite3_changes(mStore.Db()) == 0) {
    return ERROR_FILE_NOT_FOUND;
  }
  if (const DWORD theError = Touch(theID); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Commit()));
}

LSTATUS RegistryStore::DeleteKey(HKEY inKey, std::u16string_view inSubKey) {
  std::lock_guard theLock(mMutex);
  KeyRef theHandle;
  // Deleting the key of the handle itself needs the handle's DELETE right; deleting a subkey
  // needs only the right to write the store, as the parent's handle rights do not apply.
  if (const LSTATUS theError = Lookup(inKey, inSubKey.empty() ? DELETE : 0, theHandle); theError != ERROR_SUCCESS) {
    return theError;
  }
  KeyRef theRef = theHandle;
  if (const DWORD theError = ParsePath(inSubKey, theRef.mPath); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  if (!theRef.OwnKey()) {
    return ERROR_ACCESS_DENIED;  // a predefined key cannot be deleted
  }
  const auto theSub = std::span<const std::u16string>(theRef.mPath).subspan(theHandle.mPath.size());
  // As on Windows, a key that is not there is reported as missing, whatever the caller's rights.
  int64_t theID = 0;
  if (const DWORD theError = ResolveForRead(theHandle, theID); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  if (const Found theFound = Resolve(theID, theSub); theFound.mError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theFound.mError);
  }
  if (const DWORD theOpen = mStore.Open(SqliteStore::Access::kWrite); theOpen != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theOpen);
  }
  SqliteTransaction theTransaction(mStore.Db());
  if (theTransaction.Result() != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Result()));
  }
  if (const DWORD theError = HandleKey(theHandle, false, theID); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  const Found theFound = Resolve(theID, theSub);
  if (theFound.mError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theFound.mError);
  }
  SqliteStatement theChild(mStore.Db(), "SELECT 1 FROM RegKeys WHERE parent = ?1 LIMIT 1");
  theChild.Bind(1, theFound.mID);
  if (theChild.Step()) {
    return ERROR_ACCESS_DENIED;  // as on Windows, a key with subkeys is not deleted
  }
  if (!theChild.Ok()) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theChild.Result()));
  }
  SqliteStatement theValues(mStore.Db(), "DELETE FROM RegValues WHERE key = ?1");
  SqliteStatement theKey(mStore.Db(), "DELETE FROM RegKeys WHERE id = ?1");
  theValues.Bind(1, theFound.mID);
  theKey.Bind(1, theFound.mID);
  if (const int theResult = theValues.Run(); theResult != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theResult));
  }
  if (const int theResult = theKey.Run(); theResult != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theResult));
  }
  return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Commit()));
}

LSTATUS RegistryStore::DeleteTree(HKEY inKey, std::u16string_view inSubKey) {
  std::lock_guard theLock(mMutex);
  const bool theKeepKey = inSubKey.empty();
  REGSAM theNeeded = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;
  if (theKeepKey) {
    theNeeded |= KEY_SET_VALUE;
  }
  KeyRef theHandle;
  if (const LSTATUS theError = Lookup(inKey, theNeeded, theHandle); theError != ERROR_SUCCESS) {
    return theError;
  }
  KeyRef theRef = theHandle;
  if (const DWORD theError = ParsePath(inSubKey, theRef.mPath); theError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theError);
  }
  const auto theSub = std::span<const std::u16string>(theRef.mPath).subspan(theHandle.mPath.size());
  // Emptying a predefined key that the store does not hold yet has nothing to do.
  const bool theEmptyRoot = theKeepKey && !theRef.OwnKey();
  // As on Windows, a key that is not there is reported as missing, whatever the caller's rights.
  int64_t theID = 0;
  if (const DWORD theError = ResolveForRead(theHandle, theID); theError != ERROR_SUCCESS) {
    return theError == ERROR_FILE_NOT_FOUND && theEmptyRoot ? ERROR_SUCCESS : static_cast<LSTATUS>(theError);
  }
  if (const Found theFound = Resolve(theID, theSub); theFound.mError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theFound.mError);
  }
  if (const DWORD theOpen = mStore.Open(SqliteStore::Access::kWrite); theOpen != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theOpen);
  }
  SqliteTransaction theTransaction(mStore.Db());
  if (theTransaction.Result() != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Result()));
  }
  if (const DWORD theError = HandleKey(theHandle, false, theID); theError != ERROR_SUCCESS) {
    return theError == ERROR_FILE_NOT_FOUND && theEmptyRoot ? ERROR_SUCCESS : static_cast<LSTATUS>(theError);
  }
  const Found theFound = Resolve(theID, theSub);
  if (theFound.mError != ERROR_SUCCESS) {
    return static_cast<LSTATUS>(theFound.mError);
  }
  SqliteStatement theValues(mStore.Db(),
                            std::string(kSubtree) + "DELETE FROM RegValues WHERE key IN Subtree");
  SqliteStatement theKeys(mStore.Db(), std::string(kSubtree) +
                                           "DELETE FROM RegKeys WHERE id IN Subtree AND (?2 = 0 OR id <> ?1)");
  theValues.Bind(1, theFound.mID);
  theKeys.Bind(1, theFound.mID).Bind(2, static_cast<int64_t>(theKeepKey ? 1 : 0));
  if (const int theResult = theValues.Run(); theResult != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theResult));
  }
  if (const int theResult = theKeys.Run(); theResult != SQLITE_OK) {
    return static_cast<LSTATUS>(mStore.ErrorFrom(theResult));
  }
  if (theKeepKey) {
    if (const DWORD theError = Touch(theFound.mID); theError != ERROR_SUCCESS) {
      return static_cast<LSTATUS>(theError);
    }
  }
  return static_cast<LSTATUS>(mStore.ErrorFrom(theTransaction.Commit()));
}

LSTATUS RegistryStore::EnumKey(HKEY inKey, DWORD inIndex, std::u16string& outName, FILETIME& outWritten) {
  std::lock_guard theLock(mMutex);
  KeyRef theRef;
  if (const LSTATUS theError = Lookup(inKey, KEY_ENUMERATE_SUB_KEYS, theRef); theError != ERROR_SUCCESS) {
    return theError;
  }
  int64_t theID = 0;
  if (const DWORD theError = ResolveForRead(theRef, theID); theError != ERROR_SUCCESS) {
    return theError == ERROR_FILE_NOT_FOUND ? ERROR_NO_MORE_ITEMS : static_cast<LSTATUS>(theError);
  }
  SqliteStatement theQuery(mStore.Db(),
                           "SELECT name, written FROM RegKeys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
  theQuery.Bind(1, theID).Bind(2, static_cast<int64_t>(inIndex));
  if (!theQuery.Step()) {
    return theQuery.Ok() ? ERROR_NO_MORE_ITEMS : static_cast<LSTATUS>(mStore.ErrorFrom(theQuery.Result()));
  }
  outName = Utf8ToUtf16(theQuery.ColumnText(0));
  const auto theWritten = static_cast<uint64_t>(theQuery.ColumnInt(1));
  outWritten.dwLowDateTime = static_cast<DWORD>(theWritten);
  outWritten.dwHighDateTime = static_cast<DWORD>(theWritten >> 32);
  return ERROR_SUCCESS;
}

LSTATUS RegistryStore::EnumValue(HKEY inKey, DWORD inIndex, std::u16string& outName, DWORD& outType,
                                 std::vector<uint8_t>& outData) {
  std::lock_guard theLock(mMutex);
  KeyRef theRef;
  if (const LSTATUS theError = Lookup(inKey, KEY_QUERY_VALUE, theRef); theError != ERROR_SUCCESS) {
    return theError;
  }
  int64_t theID = 0;
  if (const DWORD theError = ResolveForRead(theRef, theID); theError != ERROR_SUCCESS) {
    return theError == ERROR_FILE_NOT_FOUND ? ERROR_NO_MORE_ITEMS : static_cast<LSTATUS>(theError);
  }
  SqliteStatement theQuery(mStore.Db(),
                           "SELECT name, type, data FROM RegValues WHERE key = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
  theQuery.Bind(1, theID).Bind(2, static_cast<int64_t>(inIndex));
  if (!theQuery.Step()) {
    return theQuery.Ok() ? ERROR_NO_MORE_ITEMS : static_cast<LSTATUS>(mStore.ErrorFrom(theQuery.Result()));
  }
  outName = Utf8ToUtf16(theQuery.ColumnText(0));
  outType = static_cast<DWORD>(theQuery.ColumnInt(1));
  outData = theQuery.ColumnBlob(2);
  return ERROR_SUCCESS;
}

}  // namespace qxstore
