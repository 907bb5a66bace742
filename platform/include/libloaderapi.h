// Loading modules and finding their entry points and file names.
#pragma once

#include "windef.h"

typedef void (*FARPROC)();

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x1
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x2
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x4

extern "C" {

// Loads the module at inPath (UTF-8 for the A form); null with the last error set on failure
// (ERROR_MOD_NOT_FOUND for a missing or unloadable file).
HMODULE WINAPI LoadLibraryA(LPCSTR inPath);
HMODULE WINAPI LoadLibraryW(LPCWSTR inPath);
BOOL WINAPI FreeLibrary(HMODULE inModule);
// The address of an exported symbol; null with ERROR_PROC_NOT_FOUND when there is none.
FARPROC WINAPI GetProcAddress(HMODULE inModule, LPCSTR inName);
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, inName is an address inside the module wanted.
BOOL WINAPI GetModuleHandleExA(DWORD inFlags, LPCSTR inName, HMODULE* outModule);
// The full path of a module; the characters copied without the terminator, 0 on failure.
DWORD WINAPI GetModuleFileNameA(HMODULE inModule, LPSTR outPath, DWORD inSize);

}  // extern "C"

extern "C" {
// The current folder; the characters copied without the terminator, or the size needed with it
// when inSize is too small.
DWORD WINAPI GetCurrentDirectoryA(DWORD inSize, LPSTR outPath);
}

extern "C" {
// Ends the process at once with inExitCode; nothing is cleaned up.
[[noreturn]] void WINAPI ExitProcess(UINT inExitCode);
}

// Not a Windows call: the load address of the module holding inAddress (a module's HMODULE is its
// load address on Windows), 0 when no module holds it.
ULONG_PTR QxModuleBase(const void* inAddress);
