// The event log calls of this platform. Entries go to the Application log, a SQLite table in
// eventlog.db beside the registry store (platformroot.h), and are mirrored to the system log
// (syslog, ident = the event source, priority from the event type).
#pragma once

#include "windef.h"
#include "winerror.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

typedef void* PSID;

// ---- event types ----
#define EVENTLOG_SUCCESS 0x0000
#define EVENTLOG_ERROR_TYPE 0x0001
#define EVENTLOG_WARNING_TYPE 0x0002
#define EVENTLOG_INFORMATION_TYPE 0x0004
#define EVENTLOG_AUDIT_SUCCESS 0x0008
#define EVENTLOG_AUDIT_FAILURE 0x0010

#ifndef ERROR_BAD_NETPATH
#define ERROR_BAD_NETPATH 53L
#endif

extern "C" {

// PARAMS: inServerName, null or empty for the local machine; inSourceName, the event source.
// RETURNS: a handle for ReportEvent, or null with the last error set (ERROR_BAD_NETPATH for
//   another machine, ERROR_INVALID_PARAMETER for a missing or empty source name).
HANDLE WINAPI RegisterEventSourceA(LPCSTR inServerName, LPCSTR inSourceName);
HANDLE WINAPI RegisterEventSourceW(LPCWSTR inServerName, LPCWSTR inSourceName);

// PARAMS: inEventLog, a handle from RegisterEventSource; inType, an EVENTLOG_* type; inCategory;
//   inEventID; inUserSid ignored; inNumStrings insertion strings at inStrings; inDataSize bytes
//   of raw data at inRawData (may be 0 and null).
// RETURNS: TRUE when the entry was written; FALSE with the last error set otherwise
//   (ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER, ERROR_ACCESS_DENIED when the log cannot be
//   written, ERROR_BADDB when it is damaged).
// The strings are stored exactly as given, line breaks included.
BOOL WINAPI ReportEventA(HANDLE inEventLog, WORD inType, WORD inCategory, DWORD inEventID,
                         PSID inUserSid, WORD inNumStrings, DWORD inDataSize, LPCSTR* inStrings,
                         LPVOID inRawData);
BOOL WINAPI ReportEventW(HANDLE inEventLog, WORD inType, WORD inCategory, DWORD inEventID,
                         PSID inUserSid, WORD inNumStrings, DWORD inDataSize, LPCWSTR* inStrings,
                         LPVOID inRawData);

// PARAMS: inEventLog, a handle from RegisterEventSource.
// RETURNS: TRUE, or FALSE with ERROR_INVALID_HANDLE.
BOOL WINAPI DeregisterEventSource(HANDLE inEventLog);

}  // extern "C"

#ifdef UNICODE
#define RegisterEventSource RegisterEventSourceW
#define ReportEvent ReportEventW
#else
#define RegisterEventSource RegisterEventSourceA
#define ReportEvent ReportEventA
#endif

// Not a Windows call: one entry of the Application log, as the listing command and tests read it.
struct QxEventEntry {
  int64_t mID = 0;                    // record number, rising in the order of writing
  int64_t mTime = 0;                  // seconds since 1970-01-01 UTC
  std::string mSource;                // UTF-8
  WORD mType = 0;                     // EVENTLOG_* type
  WORD mCategory = 0;
  DWORD mEventID = 0;
  std::vector<std::string> mStrings;  // insertion strings, UTF-8, as written
  std::vector<BYTE> mData;            // raw data
};

// Not a Windows call: reads the Application log, oldest entry first.
// PARAMS: inSource, when not empty, keeps only the entries of that source (compared without
//   regard to case).
// RETURNS: the entries. The last error is ERROR_SUCCESS when the log was read (a log that does
//   not exist yet reads as empty), otherwise the reason it could not be read (ERROR_BADDB for a
//   damaged log, ERROR_ACCESS_DENIED ...), and the result is then empty.
std::vector<QxEventEntry> QxReadEventLog(std::string_view inSource = {});

// Not a Windows call: the word the listing shows for an event type ("Error", "Warning",
// "Information", "Success", "AuditSuccess", "AuditFailure"; "Type<n>" for any other value).
std::string QxEventTypeName(WORD inType);
