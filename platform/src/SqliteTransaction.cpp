// A write transaction (BEGIN IMMEDIATE) that rolls back unless committed.
#include "SqliteTransaction.h"

namespace qxstore {

SqliteTransaction::SqliteTransaction(sqlite3* inDb) : mDb(inDb) {
  // IMMEDIATE takes the write lock at once, so two writers never both read and then both try to
  // upgrade (which SQLite resolves by failing one of them with SQLITE_BUSY).
  mResult = sqlite3_exec(mDb, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  mOpen = mResult == SQLITE_OK;
}

SqliteTransaction::~SqliteTransaction() {
  if (mOpen && sqlite3_get_autocommit(mDb) == 0) {
    sqlite3_exec(mDb, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

int SqliteTransaction::Commit() {
  if (!mOpen) {
    return mResult;
  }
  const int theResult = sqlite3_exec(mDb, "COMMIT", nullptr, nullptr, nullptr);
  if (theResult == SQLITE_OK) {
    mOpen = false;
  }
  return theResult;
}

}  // namespace qxstore
