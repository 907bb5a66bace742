// The Application log: entries in eventlog.db, mirrored to syslog.
#include "EventLogStore.h"

#include "SqliteStatement.h"
#include "SqliteTransaction.h"

#include <winerror.h>

#include <ctime>
#include <syslog.h>

namespace qxstore {
namespace {

constexpr uintptr_t kFirstHandle = 0x40000000;
constexpr uintptr_t kLastHandle = 0x7FFFFFF0;

// The log keeps the newest entries, dropping the oldest beyond this count, as a Windows log
// set to overwrite events as needed does.
constexpr int64_t kMaxEntries = 100000;

// Each entry is a row of Application; its insertion strings are rows of ApplicationStrings in
// their order, kept exactly as written (line breaks included).
constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS Application(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  time INTEGER NOT NULL,
  source TEXT NOT NULL,
  type INTEGER NOT NULL,
  category INTEGER NOT NULL,
  event_id INTEGER NOT NULL,
  data BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS ApplicationStrings(
  entry INTEGER NOT NULL,
  position INTEGER NOT NULL,
  text TEXT NOT NULL,
  PRIMARY KEY(entry, position)) WITHOUT ROWID;
)";

int SyslogPriority(WORD inType) {
  switch (inType) {
    case EVENTLOG_ERROR_TYPE: return LOG_ERR;
    case EVENTLOG_WARNING_TYPE: return LOG_WARNING;
    case EVENTLOG_INFORMATION_TYPE: return LOG_INFO;
    default: return LOG_NOTICE;  // success and audit entries
  }
}

// The system log gets one line per entry: control characters are shown as escapes.
void AppendVisible(std::string& ioOut, std::string_view inText) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char theChar : inText) {
    const auto theByte = static_cast<unsigned char>(theChar);
    if (theChar == '\r') {
      ioOut += "\\r";
    } else if (theChar == '\n') {
      ioOut += "\\n";
    } else if (theChar == '\t') {
      ioOut += "\\t";
    } else if (theByte < 0x20 || theByte == 0x7F) {
      ioOut += "\\x";
      ioOut += kHex[theByte >> 4];
      ioOut += kHex[theByte & 0xF];
    } else {
      ioOut += theChar;
    }
  }
}

}  // namespace

EventLogStore& EventLogStore::Instance() {
  static EventLogStore theStore;
  return theStore;
}

EventLogStore::EventLogStore()
    : mStore("eventlog.db", kSchema, {"Application", "ApplicationStrings"}), mNextHandle(kFirstHandle) {}

DWORD EventLogStore::Register(std::string inSource, HANDLE& outHandle) {
  std::lock_guard theLock(mMutex);
  while (mSources.contains(mNextHandle)) {
    mNextHandle = mNextHandle >= kLastHandle ? kFirstHandle : mNextHandle + 4;
  }
  const uintptr_t theHandle = mNextHandle;
  mSources.emplace(theHandle, std::move(inSource));
  mNextHandle = mNextHandle >= kLastHandle ? kFirstHandle : mNextHandle + 4;
  outHandle = reinterpret_cast<HANDLE>(theHandle);
  return ERROR_SUCCESS;
}

DWORD EventLogStore::Deregister(HANDLE inHandle) {
  std::lock_guard theLock(mMutex);
  return mSources.erase(reinterpret_cast<uintptr_t>(inHandle)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

void EventLogStore::MirrorToSyslog(const std::string& inSource, WORD inType, WORD inCategory, DWORD inEventID,
                                   const std::vector<std::string>& inStrings) {
  std::string theMessage = QxEventTypeName(inType);
  theMessage += " category " + std::to_string(inCategory) + " event " + std::to_string(inEventID) + ":";
  for (const std::string& theString : inStrings) {
    theMessage += ' ';
    AppendVisible(theMessage, theString);
  }
  // openlog keeps the ident pointer, so the source string must outlive the closelog below; the
  // store's mutex keeps threads from changing the ident under one another.
  openlog(inSource.c_str(), LOG_PID, LOG_USER);
  syslog(LOG_USER | SyslogPriority(inType), "%s", theMessage.c_str());
  closelog();
}

DWORD EventLogStore::Report(HANDLE inHandle, WORD inType, WORD inCategory, DWORD inEventID,
                            const std::vector<std::string>& inStrings, std::span<const uint8_t> inData) {
  std::lock_guard theLock(mMutex);
  const auto theFound = mSources.find(reinterpret_cast<uintptr_t>(inHandle));
  if (theFound == mSources.end()) {
    return ERROR_INVALID_HANDLE;
  }
  const std::string& theSource = theFound->second;
  // The system log gets the entry even when the Application log cannot be written.
  MirrorToSyslog(theSource, inType, inCategory, inEventID, inStrings);

  if (const DWORD theOpen = mStore.Open(SqliteStore::Access::kWrite); theOpen != ERROR_SUCCESS) {
    return theOpen;
  }
  SqliteTransaction theTransaction(mStore.Db());
  if (theTransaction.Result() != SQLITE_OK) {
    return mStore.ErrorFrom(theTransaction.Result());
  }
  SqliteStatement theInsert(mStore.Db(),
                            "INSERT INTO Application(time, source, type, category, event_id, data) "
                            "VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
  theInsert.Bind(1, static_cast<int64_t>(std::time(nullptr)))
      .Bind(2, theSource)
      .Bind(3, static_cast<int64_t>(inType))
      .Bind(4, static_cast<int64_t>(inCategory))
      .Bind(5, static_cast<int64_t>(inEventID))
      .BindBlob(6, inData);
  if (const int theResult = theInsert.Run(); theResult != SQLITE_OK) {
    return mStore.ErrorFrom(theResult);
  }
  const int64_t theID = sqlite3_last_insert_rowid(mStore.Db());
  SqliteStatement theString(mStore.Db(), "INSERT INTO ApplicationStrings(entry, position, text) VALUES(?1, ?2, ?3)");
  for (size_t thePosition = 0; thePosition < inStrings.size(); ++thePosition) {
    theString.Reset();
    theString.Bind(1, theID).Bind(2, static_cast<int64_t>(thePosition)).Bind(3, inStrings[thePosition]);
    if (const int theResult = theString.Run(); theResult != SQLITE_OK) {
      return mStore.ErrorFrom(theResult);
    }
  }
  SqliteStatement theTrimEntries(mStore.Db(), "DELETE FROM Application WHERE id <= ?1");
  SqliteStatement theTrimStrings(mStore.Db(), "DELETE FROM ApplicationStrings WHERE entry <= ?1");
  theTrimEntries.Bind(1, theID - kMaxEntries);
  theTrimStrings.Bind(1, theID - kMaxEntries);
  if (const int theResult = theTrimEntries.Run(); theResult != SQLITE_OK) {
    return mStore.ErrorFrom(theResult);
  }
  if (const int theResult = theTrimStrings.Run(); theResult != SQLITE_OK) {
    return mStore.ErrorFrom(theResult);
  }
  return mStore.ErrorFrom(theTransaction.Commit());
}

DWORD EventLogStore::Read(std::string_view inSource, std::vector<QxEventEntry>& outEntries) {
  std::lock_guard theLock(mMutex);
  outEntries.clear();
  const DWORD theOpen = mStore.Open(SqliteStore::Access::kRead);
  if (theOpen == ERROR_FILE_NOT_FOUND) {
    return ERROR_SUCCESS;  // nothing has been logged yet
  }
  if (theOpen != ERROR_SUCCESS) {
    return theOpen;
  }
  // One statement, so that the entries and their strings come from one consistent snapshot.
  SqliteStatement theQuery(mStore.Db(),
                           "SELECT a.id, a.time, a.source, a.type, a.category, a.event_id, a.data, s.text "
                           "FROM Application a LEFT JOIN ApplicationStrings s ON s.entry = a.id "
                           "WHERE ?1 = '' OR a.source = ?1 COLLATE NOCASE ORDER BY a.id, s.position");
  theQuery.Bind(1, inSource);
  while (theQuery.Step()) {
    const int64_t theID = theQuery.ColumnInt(0);
    if (outEntries.empty() || outEntries.back().mID != theID) {
      QxEventEntry theEntry;
      theEntry.mID = theID;
      theEntry.mTime = theQuery.ColumnInt(1);
      theEntry.mSource = theQuery.ColumnText(2);
      theEntry.mType = static_cast<WORD>(theQuery.ColumnInt(3));
      theEntry.mCategory = static_cast<WORD>(theQuery.ColumnInt(4));
      theEntry.mEventID = static_cast<DWORD>(theQuery.ColumnInt(5));
      theEntry.mData = theQuery.ColumnBlob(6);
      outEntries.push_back(std::move(theEntry));
    }
    if (!theQuery.ColumnIsNull(7)) {
      outEntries.back().mStrings.push_back(theQuery.ColumnText(7));
    }
  }
  if (!theQuery.Ok()) {
    outEntries.clear();
    return mStore.ErrorFrom(theQuery.Result());
  }
  return ERROR_SUCCESS;
}

}  // namespace qxstore
