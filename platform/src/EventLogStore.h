// The Application log: entries in eventlog.db under the platform root, their mirror in the
// system log, and the table of registered event sources.
#pragma once

#include "SqliteStore.h"

#include <eventlog.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qxstore {

class EventLogStore {
 public:
  // The log of this process (one connection, shared by all threads under a mutex).
  static EventLogStore& Instance();

  EventLogStore();
  EventLogStore(const EventLogStore&) = delete;
  EventLogStore& operator=(const EventLogStore&) = delete;

  // RETURNS: ERROR_SUCCESS and a handle for inSource (UTF-8), or the Windows error.
  DWORD Register(std::string inSource, HANDLE& outHandle);
  // RETURNS: ERROR_SUCCESS or ERROR_INVALID_HANDLE.
  DWORD Deregister(HANDLE inHandle);
  // Writes one entry (strings in UTF-8) and mirrors it to the system log.
  // RETURNS: ERROR_SUCCESS or the reason the entry could not be stored.
  DWORD Report(HANDLE inHandle, WORD inType, WORD inCategory, DWORD inEventID, const std::vector<std::string>& inStrings,
               std::span<const uint8_t> inData);
  // RETURNS: ERROR_SUCCESS (a log that does not exist reads as empty) or the reason it could
  // not be read.
  DWORD Read(std::string_view inSource, std::vector<QxEventEntry>& outEntries);

 private:
  void MirrorToSyslog(const std::string& inSource, WORD inType, WORD inCategory, DWORD inEventID,
                      const std::vector<std::string>& inStrings);

  std::mutex mMutex;
  SqliteStore mStore;
  std::map<uintptr_t, std::string> mSources;
  uintptr_t mNextHandle;
};

}  // namespace qxstore
