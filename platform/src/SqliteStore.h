// One SQLite file under the platform root, opened on demand and re-opened when the root changes,
// when the file is replaced or removed, or in a forked child.
#pragma once

#include <windef.h>

#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace qxstore {

class SqliteStore {
 public:
  enum class Access { kRead, kWrite };

  // PARAMS: inFileName, the file's name inside the platform root; inSchema, the statements that
  //   create the tables; inTables, the tables that a store of this kind must hold.
  SqliteStore(std::string inFileName, std::string inSchema, std::vector<std::string> inTables);
  ~SqliteStore();
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  // Makes the connection ready for reading or writing.
  // RETURNS: ERROR_SUCCESS; for reading, ERROR_FILE_NOT_FOUND when there is no store yet (it is
  //   not created); for writing, ERROR_ACCESS_DENIED when the store cannot be written (the
  //   folder and file are created when missing). ERROR_BADDB when the file is not a store of
  //   this kind.
  DWORD Open(Access inAccess);

  // The connection after a successful Open.
  sqlite3* Db() const { return mDb.get(); }

  // True after an Open when SQLite could open the file for reading only.
  bool IsReadOnly() const { return mReadOnly; }

  // The Windows error code for a failed SQLite call on this store.
  DWORD ErrorFrom(int inResult) const;

 private:
  struct Closer {
    void operator()(sqlite3* inDb) const;
  };

  // SQLite's busy handler for the connection: RETURNS 1 to try again after a nap, 0 to give up.
  static int WaitForLock(void* inStore, int inAttempt);

  void Forget();
  DWORD Connect(const std::string& inPath, bool inCreate);
  DWORD CheckSchema(Access inAccess);

  std::string mFileName;
  std::string mSchema;
  std::vector<std::string> mTables;
  std::unique_ptr<sqlite3, Closer> mDb;
  std::string mPath;         // the file the connection is open on
  dev_t mDevice = 0;         // and its identity, to notice a replaced file
  ino_t mInode = 0;
  pid_t mOwner = 0;          // the process that opened the connection
  bool mReadOnly = false;    // SQLite could open the file for reading only
  bool mSchemaReady = false; // the tables were seen on this connection
  // The present wait for another connection's lock (WaitForLock).
  std::chrono::steady_clock::time_point mWaitStart;
  std::chrono::steady_clock::time_point mLastProgress;  // when the store file last changed
  struct timespec mLastWritten {};                      // its modification time and size then
  off_t mLastSize = 0;
};

}  // namespace qxstore
