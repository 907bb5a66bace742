// A prepared SQLite statement that finalizes itself.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qxstore {

class SqliteStatement {
 public:
  // Prepares inSql on inDb; Result() tells whether that worked.
  SqliteStatement(sqlite3* inDb, std::string_view inSql);
  ~SqliteStatement();
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // The SQLite result of the last prepare or step that failed, SQLITE_OK otherwise.
  int Result() const { return mResult; }
  bool Ok() const { return mResult == SQLITE_OK; }

  // Binders take 1-based parameter positions. Text and blobs are copied by SQLite.
  SqliteStatement& Bind(int inPosition, int64_t inValue);
  SqliteStatement& Bind(int inPosition, std::string_view inText);
  SqliteStatement& BindBlob(int inPosition, std::span<const uint8_t> inData);

  // Steps once. RETURNS: true when a row is available; false at the end or on failure (then
  // Result() holds the failure).
  bool Step();
  // Steps to the end. RETURNS: SQLITE_OK or the failure.
  int Run();
  // Makes the statement ready to run again with new bindings.
  void Reset();

  int64_t ColumnInt(int inColumn) const;
  std::string ColumnText(int inColumn) const;
  std::vector<uint8_t> ColumnBlob(int inColumn) const;
  bool ColumnIsNull(int inColumn) const;

 private:
  sqlite3_stmt* mStatement = nullptr;
  int mResult = SQLITE_OK;
};

}  // namespace qxstore
