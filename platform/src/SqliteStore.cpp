// One SQLite file under the platform root, opened on demand.
#include "SqliteStore.h"

#include "SqliteStatement.h"
#include "SqliteTransaction.h"

#include <errhandlingapi.h>
#include <platformroot.h>
#include <winerror.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace qxstore {
namespace {

// How long a statement waits for a lock held by another connection. The store's own
// transactions hold their locks for milliseconds, so a lock that stays taken while nothing is
// committed belongs to something else (an administrator's tool, a stopped process): after
// kStallLimit without a commit the call gives up with ERROR_BUSY, and the caller is told within
// seconds. While other writers go on committing, a waiter keeps its turn for up to kWaitLimit, as
// SQLite hands the lock to whoever asks first and a busy writer can hold it off for a while.
constexpr std::chrono::milliseconds kStallLimit{3000};
constexpr std::chrono::milliseconds kWaitLimit{60000};

// Creates inPath and its missing parents. RETURNS: ERROR_SUCCESS or the Windows code of the failure.
DWORD MakeFolders(const std::string& inPath) {
  for (size_t thePos = 1; thePos <= inPath.size(); ++thePos) {
    if (thePos == inPath.size() || inPath[thePos] == '/') {
      const std::string thePart = inPath.substr(0, thePos);
      if (::mkdir(thePart.c_str(), 0755) != 0 && errno != EEXIST) {
        return QxWin32ErrorFromErrno(errno);
      }
    }
  }
  struct stat theInfo {};
  if (::stat(inPath.c_str(), &theInfo) != 0) {
    return QxWin32ErrorFromErrno(errno);
  }
  return S_ISDIR(theInfo.st_mode) ? ERROR_SUCCESS : static_cast<DWORD>(ERROR_PATH_NOT_FOUND);
}

}  // namespace

int SqliteStore::WaitForLock(void* inStore, int inAttempt) {
  auto& theStore = *static_cast<SqliteStore*>(inStore);
  const auto theNow = std::chrono::steady_clock::now();
  // A commit changes the store file's modification time or size. They are read with stat, never
  // by opening the file: closing any descriptor of it would drop the locks that this process's
  // connection holds (POSIX record locks belong to the process).
  struct stat theInfo {};
  if (::stat(theStore.mPath.c_str(), &theInfo) != 0) theInfo = {};
  const bool theChanged = theInfo.st_mtim.tv_sec != theStore.mLastWritten.tv_sec ||
                          theInfo.st_mtim.tv_nsec != theStore.mLastWritten.tv_nsec ||
                          theInfo.st_size != theStore.mLastSize;
  if (inAttempt == 0) theStore.mWaitStart = theNow;
  if (inAttempt == 0 || theChanged) {
    theStore.mLastProgress = theNow;
    theStore.mLastWritten = theInfo.st_mtim;
    theStore.mLastSize = theInfo.st_size;
  }
  if (theNow - theStore.mLastProgress >= kStallLimit || theNow - theStore.mWaitStart >= kWaitLimit) {
    return 0;  // the statement fails with SQLITE_BUSY
  }
  // Short naps: the lock is free only for moments between another writer's transactions.
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min(1 + inAttempt, 20)));
  return 1;
}

void SqliteStore::Closer::operator()(sqlite3* inDb) const { sqlite3_close_v2(inDb); }

SqliteStore::SqliteStore(std::string inFileName, std::string inSchema, std::vector<std::string> inTables)
    : mFileName(std::move(inFileName)), mSchema(std::move(inSchema)), mTables(std::move(inTables)) {}

SqliteStore::~SqliteStore() {
  if (mOwner != ::getpid()) {
    // A connection inherited across fork() belongs to the parent; leave it alone.
    (void)mDb.release();
  }
}

void SqliteStore::Forget() {
  if (mDb && mOwner != ::getpid()) {
    // SQLite connections must not be used, nor closed, in a forked child: closing would run the
    // parent's lock and journal bookkeeping in the child. The child drops its copy unclosed.
    (void)mDb.release();
  }
  mDb.reset();
  mPath.clear();
  mReadOnly = false;
  mSchemaReady = false;
}

DWORD SqliteStore::ErrorFrom(int inResult) const {
  switch (inResult & 0xFF) {
    case SQLITE_OK: return ERROR_SUCCESS;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: return ERROR_ACCESS_DENIED;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ERROR_BUSY;
    case SQLITE_NOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_FULL: return ERROR_DISK_FULL;
    case SQLITE_TOOBIG: return ERROR_INVALID_PARAMETER;
    case SQLITE_IOERR: return ERROR_IO_DEVICE;
    case SQLITE_CANTOPEN: {
      const int theErrno = mDb ? sqlite3_system_errno(mDb.get()) : 0;
      return (theErrno == EACCES || theErrno == EPERM || theErrno == EROFS) ? static_cast<DWORD>(ERROR_ACCESS_DENIED)
                                                                           : static_cast<DWORD>(ERROR_CANTOPEN);
    }
    default:
      // SQLITE_NOTADB, SQLITE_CORRUPT, and errors from a schema that is not ours.
      return ERROR_BADDB;
  }
}

DWORD SqliteStore::Connect(const std::string& inPath, bool inCreate) {
  Forget();
  sqlite3* theDb = nullptr;
  const int theFlags = SQLITE_OPEN_READWRITE | (inCreate ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_FULLMUTEX;
  const int theResult = sqlite3_open_v2(inPath.c_str(), &theDb, theFlags, nullptr);
  mDb.reset(theDb);
  mOwner = ::getpid();
  if (theResult != SQLITE_OK) {
    const DWORD theError = ErrorFrom(theResult);
    Forget();
    return theError;
  }
  struct stat theInfo {};
  if (::stat(inPath.c_str(), &theInfo) != 0) {
    const DWORD theError = QxWin32ErrorFromErrno(errno);
    Forget();
    return theError;
  }
  mPath = inPath;
  mDevice = theInfo.st_dev;
  mInode = theInfo.st_ino;
  // SQLite falls back to reading when the file cannot be opened for writing: that is how a
  // caller without write rights is told apart (root writes whatever the permission bits say).
  mReadOnly = sqlite3_db_readonly(theDb, "main") == 1;
  sqlite3_busy_handler(theDb, &SqliteStore::WaitForLock, this);
  sqlite3_extended_result_codes(theDb, 1);
  // A damaged or foreign file must not be able to run code or rewrite its own schema.
  sqlite3_db_config(theDb, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(theDb, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_exec(theDb, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
  return ERROR_SUCCESS;
}

DWORD SqliteStore::CheckSchema(Access inAccess) {
  if (mSchemaReady) {
    return ERROR_SUCCESS;
  }
  SqliteStatement theQuery(mDb.get(), "SELECT name FROM sqlite_master WHERE type='table'");
  size_t theFound = 0;
  size_t theTotal = 0;
  while (theQuery.Step()) {
    ++theTotal;
    const std::string theName = theQuery.ColumnText(0);
    for (const std::string& theTable : mTables) {
      if (theName == theTable) {
        ++theFound;
      }
    }
  }
  if (!theQuery.Ok()) {
    return ErrorFrom(theQuery.Result());
  }
  if (theFound == mTables.size()) {
    mSchemaReady = true;
    return ERROR_SUCCESS;
  }
  if (theTotal != 0) {
    return ERROR_BADDB;  // a database, but not one of ours
  }
  // An empty file: a store that a writer is about to set up reads as empty.
  if (inAccess == Access::kRead) {
    return ERROR_FILE_NOT_FOUND;
  }
  if (mReadOnly) {
    return ERROR_ACCESS_DENIED;
  }
  SqliteTransaction theTransaction(mDb.get());
  if (theTransaction.Result() != SQLITE_OK) {
    return ErrorFrom(theTransaction.Result());
  }
  const int theCreate = sqlite3_exec(mDb.get(), mSchema.c_str(), nullptr, nullptr, nullptr);
  if (theCreate != SQLITE_OK) {
    return ErrorFrom(theCreate);
  }
  const int theCommit = theTransaction.Commit();
  if (theCommit != SQLITE_OK) {
    return ErrorFrom(theCommit);
  }
  mSchemaReady = true;
  return ERROR_SUCCESS;
}

DWORD SqliteStore::Open(Access inAccess) {
  const std::string theRoot = QxPlatformRoot();
  const std::string thePath = theRoot + "/" + mFileName;
  if (mDb && mOwner != ::getpid()) {
    Forget();
  }
  struct stat theInfo {};
  const bool theExists = ::stat(thePath.c_str(), &theInfo) == 0;
  if (!theExists && errno != ENOENT) {
    return QxWin32ErrorFromErrno(errno);
  }
  if (!theExists) {
    Forget();
    if (inAccess == Access::kRead) {
      return ERROR_FILE_NOT_FOUND;  // a missing store reads as empty and is not created by reading
    }
    if (const DWORD theError = MakeFolders(theRoot); theError != ERROR_SUCCESS) {
      return theError;
    }
  }
  const bool theSameFile =
      mDb && theExists && mPath == thePath && mDevice == theInfo.st_dev && mInode == theInfo.st_ino;
  // A connection that could only read is retried for a write: the rights may have changed.
  if (!theSameFile || (inAccess == Access::kWrite && mReadOnly)) {
    if (const DWORD theError = Connect(thePath, inAccess == Access::kWrite); theError != ERROR_SUCCESS) {
      return theError;
    }
  }
  if (inAccess == Access::kWrite && mReadOnly) {
    // Keep the schema check honest for a store that has no tables yet.
    const DWORD theSchema = CheckSchema(Access::kRead);
    return theSchema == ERROR_BADDB ? theSchema : static_cast<DWORD>(ERROR_ACCESS_DENIED);
  }
  return CheckSchema(inAccess);
}

}  // namespace qxstore
