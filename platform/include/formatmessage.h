// FormatMessage: the text of a Windows error code or HRESULT from the system message table, and
// LocalAlloc/LocalFree, with which FORMAT_MESSAGE_ALLOCATE_BUFFER hands out its buffers.
#pragma once

#include <cstdarg>

#include "windef.h"

typedef HANDLE HLOCAL;

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

#ifndef MAKELANGID
#define MAKELANGID(primary, sub) ((((WORD)(sub)) << 10) | (WORD)(primary))
#define PRIMARYLANGID(lgid) ((WORD)(lgid) & 0x3ff)
#define SUBLANGID(lgid) ((WORD)(lgid) >> 10)
#endif
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_SYS_DEFAULT 0x02
#define SUBLANG_ENGLISH_US 0x01

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

#ifndef ERROR_MR_MID_NOT_FOUND
#define ERROR_MR_MID_NOT_FOUND 317L
#endif
#ifndef ERROR_RESOURCE_LANG_NOT_FOUND
#define ERROR_RESOURCE_LANG_NOT_FOUND 1815L
#endif

extern "C" {

// Formats a message of the system message table (English, the texts Windows gives, each ending
// in "\r\n"). An HRESULT of FACILITY_WIN32 (0x8007xxxx) gives the text of the Win32 code xxxx.
// PARAMS: inFlags: FORMAT_MESSAGE_FROM_SYSTEM is required (no other message source exists here;
//   FORMAT_MESSAGE_FROM_HMODULE alongside it falls back to the system table);
//   FORMAT_MESSAGE_IGNORE_INSERTS copies inserts such as %1 unchanged, without it they are
//   replaced by the string arguments (the "!s!" form only) from inArguments, a va_list* or, with
//   FORMAT_MESSAGE_ARGUMENT_ARRAY, an array of DWORD_PTR; FORMAT_MESSAGE_ALLOCATE_BUFFER makes
//   ioBuffer an LPSTR* that receives a buffer of at least inSize characters to be freed with
//   LocalFree; a non-zero FORMAT_MESSAGE_MAX_WIDTH_MASK part turns the text's line breaks into
//   spaces (no new breaks are made). inSource: unused. inMessageId, the code. inLanguageId, 0 or a
//   neutral or English language. ioBuffer and inSize, the output buffer and its size in characters.
// RETURNS: the number of characters stored, without the terminator; 0 on failure with the last
//   error ERROR_MR_MID_NOT_FOUND (no such message), ERROR_INSUFFICIENT_BUFFER,
//   ERROR_RESOURCE_LANG_NOT_FOUND, ERROR_INVALID_PARAMETER or ERROR_NOT_ENOUGH_MEMORY.
DWORD WINAPI FormatMessageA(DWORD inFlags, LPCVOID inSource, DWORD inMessageId,
                            DWORD inLanguageId, LPSTR ioBuffer, DWORD inSize,
                            va_list* inArguments);

// The UTF-16 form of FormatMessageA: the buffer, the insert strings and the sizes are in WCHARs.
DWORD WINAPI FormatMessageW(DWORD inFlags, LPCVOID inSource, DWORD inMessageId,
                            DWORD inLanguageId, LPWSTR ioBuffer, DWORD inSize,
                            va_list* inArguments);

// Allocates inBytes bytes (LMEM_FIXED, optionally LMEM_ZEROINIT); the handle is the pointer.
// RETURNS: the memory, or null with ERROR_NOT_ENOUGH_MEMORY (ERROR_INVALID_PARAMETER for flags
//   other than LMEM_FIXED and LMEM_ZEROINIT).
HLOCAL WINAPI LocalAlloc(UINT inFlags, SIZE_T inBytes);

// Frees memory from LocalAlloc (and buffers FormatMessage allocated). A null handle is allowed.
// RETURNS: null.
HLOCAL WINAPI LocalFree(HLOCAL inMemory);

}  // extern "C"
