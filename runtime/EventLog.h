// The event log writer, the source "Quorix", and the reporting of COM errors, system errors and
// failed assertions.
#pragma once

#include <windows.h>
#include <objbase.h>

// Event types (the Windows values).
inline constexpr WORD kEventError = 1;
inline constexpr WORD kEventWarning = 2;
inline constexpr WORD kEventInformation = 4;

inline constexpr const char* kEventSource = "Quorix";
inline constexpr WORD kEventCategory = 1;
inline constexpr DWORD kEventID = 4096;

// Formats inFormat with the arguments (printf rules, at most 1024 characters) and writes it to the
// event log of this machine under the source "Quorix".
DWORD LogEvent(const char* inFormat, WORD inType, ...) __attribute__((format(printf, 1, 3)));
// Writes a finished text unchanged: a "%" in it is never read as a format.
DWORD LogText(const char* inText, WORD inType);

// 0 on success, the Windows error of a failed source registration, or 8 without memory.
DWORD WriteEventLogEntry(const char* inServer, const char* inSource, const char* inText, WORD inType);
// 0 when the source's key exists; 13 for a source of more than 64 characters.
LONG EventSourceInstalled(const char* inServer, const char* inSource);
// Writes the source's key from the ModulePath preference.
LONG InstallEventSource(const char* inServer, const char* inSource);

// Sets the thread's COM error information (description inText, or "Unknown Error" when null;
// source = the ProgID of inClass; interface inIID) and returns inResult.
HRESULT ReportComError(REFCLSID inClass, const char* inText, REFIID inIID, HRESULT inResult);
// Logs a system error and ends the process when AutoRecover is 0; otherwise returns 0.
HRESULT ReportSystemError(const char* inText, WORD inType);

// 0 not classified (every system this platform runs on), 1 to 6 the old Windows families.
int GetOSClass();
