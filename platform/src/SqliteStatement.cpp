// A prepared SQLite statement that finalizes itself.
#include "SqliteStatement.h"

namespace qxstore {

SqliteStatement::SqliteStatement(sqlite3* inDb, std::string_view inSql) {
  if (inDb == nullptr) {
    mResult = SQLITE_MISUSE;
    return;
  }
  mResult = sqlite3_prepare_v2(inDb, inSql.data(), static_cast<int>(inSql.size()), &mStatement, nullptr);
  if (mResult != SQLITE_OK) {
    sqlite3_finalize(mStatement);
    mStatement = nullptr;
  }
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(mStatement); }

SqliteStatement& SqliteStatement::Bind(int inPosition, int64_t inValue) {
  if (mStatement != nullptr && mResult == SQLITE_OK) {
    mResult = sqlite3_bind_int64(mStatement, inPosition, inValue);
  }
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int inPosition, std::string_view inText) {
  if (mStatement != nullptr && mResult == SQLITE_OK) {
    // An empty text is bound as '' (a null data pointer would bind NULL).
    const char* theData = inText.data() == nullptr ? "" : inText.data();
    mResult = sqlite3_bind_text64(mStatement, inPosition, theData, inText.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int inPosition, std::span<const uint8_t> inData) {
  if (mStatement != nullptr && mResult == SQLITE_OK) {
    // An empty blob is bound as a zero-length blob, not as NULL.
    static constexpr uint8_t kEmpty = 0;
    const void* theData = inData.empty() ? &kEmpty : inData.data();
    mResult = sqlite3_bind_blob64(mStatement, inPosition, theData, inData.size(), SQLITE_TRANSIENT);
  }
  return *this;
}

bool SqliteStatement::Step() {
  if (mStatement == nullptr || mResult != SQLITE_OK) {
    return false;
  }
  const int theResult = sqlite3_step(mStatement);
  if (theResult == SQLITE_ROW) {
    return true;
  }
  if (theResult != SQLITE_DONE) {
    mResult = theResult;
  }
  return false;
}

int SqliteStatement::Run() {
  while (Step()) {
  }
  return mResult;
}

void SqliteStatement::Reset() {
  if (mStatement != nullptr) {
    sqlite3_reset(mStatement);
    sqlite3_clear_bindings(mStatement);
    mResult = SQLITE_OK;
  }
}

int64_t SqliteStatement::ColumnInt(int inColumn) const { return sqlite3_column_int64(mStatement, inColumn); }

std::string SqliteStatement::ColumnText(int inColumn) const {
  const auto* theText = reinterpret_cast<const char*>(sqlite3_column_text(mStatement, inColumn));
  const int theSize = sqlite3_column_bytes(mStatement, inColumn);
  return theText == nullptr ? std::string() : std::string(theText, static_cast<size_t>(theSize));
}

std::vector<uint8_t> SqliteStatement::ColumnBlob(int inColumn) const {
  const auto* theData = static_cast<const uint8_t*>(sqlite3_column_blob(mStatement, inColumn));
  const int theSize = sqlite3_column_bytes(mStatement, inColumn);
  return theData == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(theData, theData + theSize);
}

bool SqliteStatement::ColumnIsNull(int inColumn) const {
  return sqlite3_column_type(mStatement, inColumn) == SQLITE_NULL;
}

}  // namespace qxstore
