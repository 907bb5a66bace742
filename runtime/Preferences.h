// Machine-wide preferences: values of one registry key, read afresh at every use.
#pragma once

#include <windows.h>

// The one key under HKEY_LOCAL_MACHINE that holds every preference of the system.
inline constexpr const char* kPreferenceKey = "SOFTWARE\\Tallowmere\\Quorix\\2";

// The stored number when the value exists and fits in four bytes, otherwise inDefault.
DWORD GetPrefLong(const char* inName, DWORD inDefault);

// Writes inValue as REG_DWORD, creating the key when needed; failures change nothing and report
// nothing (writing needs the right to change HKEY_LOCAL_MACHINE).
void SetPrefLong(const char* inName, DWORD inValue);

// Writes inPath (at most MAX_PATH characters) as the ModulePath preference; returns the Windows
// result of the write.
LONG StoreModulePath(const char* inPath);

// Reads ModulePath from the preference key of inServer (null or empty for this machine) into
// outBuffer of inSize bytes; returns the Windows result.
LONG ReadModulePath(const char* inServer, char* outBuffer, DWORD inSize);
