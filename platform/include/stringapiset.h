// Conversion between UTF-16 and the 8-bit code pages: the system's "ANSI" code page 1252 and UTF-8.
#pragma once

#include "windef.h"

typedef const CHAR* LPCCH;
typedef const WCHAR* LPCWCH;

// Code pages. CP_ACP, the ANSI code page, is 1252 on this platform. CP_OEMCP is named so that
// code using it compiles; no OEM code page is converted here, so it fails as an unknown page.
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

// MultiByteToWideChar flags.
#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008

// WideCharToMultiByte flags.
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

extern "C" {

// Converts 8-bit text to UTF-16.
// PARAMS: inCodePage, CP_ACP, 1252 or CP_UTF8. inFlags: for 1252 MB_PRECOMPOSED and/or
//   MB_ERR_INVALID_CHARS, for UTF-8 0 or MB_ERR_INVALID_CHARS. inText, the bytes; inTextSize, their
//   count, or any negative number (usually -1) for a zero-terminated string (the terminator is then
//   converted and counted). Each 1252 byte becomes the code unit of Microsoft's published table.
//   outWide, the output buffer of inWideSize code units; inWideSize 0 asks for the size only.
// RETURNS: the number of UTF-16 code units written (or needed, when inWideSize is 0); 0 on failure
//   with the last error ERROR_INVALID_PARAMETER (unknown code page, null or empty input, bad
//   sizes), ERROR_INVALID_FLAGS, ERROR_INSUFFICIENT_BUFFER, or ERROR_NO_UNICODE_TRANSLATION
//   (invalid UTF-8 with MB_ERR_INVALID_CHARS; without it each ill-formed part becomes U+FFFD).
int WINAPI MultiByteToWideChar(UINT inCodePage, DWORD inFlags, LPCCH inText, int inTextSize,
                               LPWSTR outWide, int inWideSize);

// Converts UTF-16 to 8-bit text.
// PARAMS: inCodePage, CP_ACP, 1252 or CP_UTF8. inFlags: for 1252 0 or WC_NO_BEST_FIT_CHARS, for
//   UTF-8 0 or WC_ERR_INVALID_CHARS. For 1252 each code unit becomes the byte of Microsoft's
//   published table, exact or best fit (U+0100 -> "A"), or the default character when the table
//   has none; with WC_NO_BEST_FIT_CHARS only a byte that converts back to the same code unit is
//   written. inWide, the UTF-16 text; inWideSize, its length in code units or any negative number
//   (usually -1) for a zero-terminated string. outText, the output buffer of inTextSize bytes;
//   inTextSize 0 asks for the size only. inDefaultChar: for 1252, the character for what cannot be
//   written (null: '?'); outUsedDefaultChar: for 1252, set TRUE when the default character was
//   used (a best fit, even U+FF1F -> "?", is not the default character), else FALSE. Both must be
//   null for UTF-8.
// RETURNS: the number of bytes written (or needed); 0 on failure with the last error
//   ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS, ERROR_INSUFFICIENT_BUFFER, or
//   ERROR_NO_UNICODE_TRANSLATION (an unpaired surrogate with WC_ERR_INVALID_CHARS; without it an
//   unpaired surrogate becomes U+FFFD).
int WINAPI WideCharToMultiByte(UINT inCodePage, DWORD inFlags, LPCWCH inWide, int inWideSize,
                               LPSTR outText, int inTextSize, LPCCH inDefaultChar,
                               LPBOOL outUsedDefaultChar);

// RETURNS: the ANSI code page of the system, 1252.
UINT WINAPI GetACP();

}  // extern "C"
