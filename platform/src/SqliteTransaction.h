// A write transaction (BEGIN IMMEDIATE) that rolls back unless committed.
#pragma once

#include <sqlite3.h>

namespace qxstore {

class SqliteTransaction {
 public:
  // Begins the transaction, waiting for other writers as the connection's busy timeout allows.
  explicit SqliteTransaction(sqlite3* inDb);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;

  // SQLITE_OK when the transaction began.
  int Result() const { return mResult; }
  // RETURNS: SQLITE_OK when committed; otherwise the failure, and the transaction is rolled back.
  int Commit();

 private:
  sqlite3* mDb;
  int mResult;
  bool mOpen = false;
};

}  // namespace qxstore
