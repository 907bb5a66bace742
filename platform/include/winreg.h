// The registry calls of this platform: a machine-wide store of keys and values under the roots
// HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT, with the Windows signatures, results and semantics.
//
// The store is one SQLite file, registry.db, under the platform root (platformroot.h). Key and
// value names compare without regard to case. Who may write is decided by the store file: a
// caller that cannot write it gets ERROR_ACCESS_DENIED for every write and still reads. A missing
// store reads as empty; a damaged one makes every call fail with ERROR_BADDB.
//
// HKEY_CLASSES_ROOT is, as on a machine without per-user classes, a view of the key
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
//
// A handle stands for the key it was opened on. Once that key is deleted, through any handle or by
// any process, every call through the handle but RegCloseKey fails with ERROR_KEY_DELETED, also
// after a key of the same name was made again (that is another key); nothing is ever created or
// written under a deleted key.
#pragma once

#include "windef.h"
#include "winerror.h"

// ---- predefined keys ----
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)

// ---- value types ----
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// ---- generic access rights (shared with other objects) ----
#ifndef DELETE
#define DELETE 0x00010000L
#endif
#ifndef READ_CONTROL
#define READ_CONTROL 0x00020000L
#endif
#ifndef WRITE_DAC
#define WRITE_DAC 0x00040000L
#endif
#ifndef WRITE_OWNER
#define WRITE_OWNER 0x00080000L
#endif
#ifndef SYNCHRONIZE
#define SYNCHRONIZE 0x00100000L
#endif
#ifndef STANDARD_RIGHTS_READ
#define STANDARD_RIGHTS_READ READ_CONTROL
#endif
#ifndef STANDARD_RIGHTS_WRITE
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#endif
#ifndef STANDARD_RIGHTS_EXECUTE
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#endif
#ifndef STANDARD_RIGHTS_REQUIRED
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#endif
#ifndef STANDARD_RIGHTS_ALL
#define STANDARD_RIGHTS_ALL 0x001F0000L
#endif
#ifndef MAXIMUM_ALLOWED
#define MAXIMUM_ALLOWED 0x02000000L
#endif

// ---- key access rights ----
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_EXECUTE 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

// ---- key options and dispositions ----
#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_OPTION_CREATE_LINK 0x00000002L
#define REG_OPTION_BACKUP_RESTORE 0x00000004L
#define REG_OPTION_OPEN_LINK 0x00000008L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

// ---- results the registry gives beyond winerror.h's list ----
#ifndef ERROR_BAD_NETPATH
#define ERROR_BAD_NETPATH 53L
#endif
#ifndef ERROR_BAD_PATHNAME
#define ERROR_BAD_PATHNAME 161L
#endif

extern "C" {

// PARAMS: inKey, an open key or a predefined key; inSubKey, the path of the key to open or create
//   below it, components separated by backslashes (null or empty: inKey itself); inReserved 0;
//   inClass ignored; inOptions REG_OPTION_NON_VOLATILE; inDesired, the access rights of the new
//   handle; inSecurity ignored; outResult, the new handle; outDisposition (may be null),
//   REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
// RETURNS: ERROR_SUCCESS; ERROR_ACCESS_DENIED when the handle lacks KEY_CREATE_SUB_KEY or the
//   store cannot be written; ERROR_INVALID_HANDLE; ERROR_KEY_DELETED; ERROR_BADDB for a damaged
//   store.
// Missing keys along the path are created too.
LSTATUS WINAPI RegCreateKeyExA(HKEY inKey, LPCSTR inSubKey, DWORD inReserved, LPSTR inClass,
                               DWORD inOptions, REGSAM inDesired,
                               const LPSECURITY_ATTRIBUTES inSecurity, PHKEY outResult,
                               LPDWORD outDisposition);
LSTATUS WINAPI RegCreateKeyExW(HKEY inKey, LPCWSTR inSubKey, DWORD inReserved, LPWSTR inClass,
                               DWORD inOptions, REGSAM inDesired,
                               const LPSECURITY_ATTRIBUTES inSecurity, PHKEY outResult,
                               LPDWORD outDisposition);

// PARAMS: inKey and inSubKey as for RegCreateKeyEx; inOptions 0; inDesired, the access rights;
//   outResult, the new handle.
// RETURNS: ERROR_SUCCESS; ERROR_FILE_NOT_FOUND when the key does not exist; ERROR_ACCESS_DENIED
//   when write rights are asked for and the store cannot be written; ERROR_KEY_DELETED.
LSTATUS WINAPI RegOpenKeyExA(HKEY inKey, LPCSTR inSubKey, DWORD inOptions, REGSAM inDesired,
                             PHKEY outResult);
LSTATUS WINAPI RegOpenKeyExW(HKEY inKey, LPCWSTR inSubKey, DWORD inOptions, REGSAM inDesired,
                             PHKEY outResult);

// PARAMS: inKey, an open key. RETURNS: ERROR_SUCCESS or ERROR_INVALID_HANDLE.
// Closing a predefined key succeeds and changes nothing.
LSTATUS WINAPI RegCloseKey(HKEY inKey);

// PARAMS: inMachineName, null or empty for the local machine; inKey, HKEY_LOCAL_MACHINE or
//   HKEY_CLASSES_ROOT; outResult receives the predefined key itself.
// RETURNS: ERROR_SUCCESS; ERROR_BAD_NETPATH for any other machine; ERROR_INVALID_HANDLE.
LSTATUS WINAPI RegConnectRegistryA(LPCSTR inMachineName, HKEY inKey, PHKEY outResult);
LSTATUS WINAPI RegConnectRegistryW(LPCWSTR inMachineName, HKEY inKey, PHKEY outResult);

// PARAMS: inKey, a key opened with KEY_QUERY_VALUE; inValueName, null or empty for the key's
//   default value; inReserved null; outType (may be null); outData (may be null to ask for the
//   size); ioData, in: the size of outData in bytes, out: the size of the data.
// RETURNS: ERROR_SUCCESS; ERROR_FILE_NOT_FOUND; ERROR_KEY_DELETED; ERROR_MORE_DATA when outData
//   is too small (ioData then holds the size needed). The A form returns string data (REG_SZ,
//   REG_EXPAND_SZ, REG_MULTI_SZ) in the system code page, and puts a zero after data that does
//   not end in one when the buffer has room for it (ioData leaves it out); the W form returns the
//   UTF-16 bytes stored, as they are.
LSTATUS WINAPI RegQueryValueExA(HKEY inKey, LPCSTR inValueName, LPDWORD inReserved,
                                LPDWORD outType, LPBYTE outData, LPDWORD ioData);
LSTATUS WINAPI RegQueryValueExW(HKEY inKey, LPCWSTR inValueName, LPDWORD inReserved,
                                LPDWORD outType, LPBYTE outData, LPDWORD ioData);

// PARAMS: inKey, a key opened with KEY_SET_VALUE; inValueName, null or empty for the default
//   value; inReserved 0; inType, the value type; inData and inDataSize, the data. String data of
//   the W form is UTF-16 including its terminator; the A form's string data is in the system code
//   page and stored as UTF-16. String data whose size leaves out its terminator is stored with
//   it, as on Windows: when the last character given is not zero and the one just past
//   inDataSize is, that character is stored too (it is read, so it must be readable).
// RETURNS: ERROR_SUCCESS; ERROR_ACCESS_DENIED; ERROR_KEY_DELETED when the key no longer exists.
LSTATUS WINAPI RegSetValueExA(HKEY inKey, LPCSTR inValueName, DWORD inReserved, DWORD inType,
                              const BYTE* inData, DWORD inDataSize);
LSTATUS WINAPI RegSetValueExW(HKEY inKey, LPCWSTR inValueName, DWORD inReserved, DWORD inType,
                              const BYTE* inData, DWORD inDataSize);

// PARAMS: inKey, a key opened with KEY_SET_VALUE; inValueName, null or empty for the default
//   value. RETURNS: ERROR_SUCCESS; ERROR_FILE_NOT_FOUND; ERROR_ACCESS_DENIED; ERROR_KEY_DELETED.
LSTATUS WINAPI RegDeleteValueA(HKEY inKey, LPCSTR inValueName);
LSTATUS WINAPI RegDeleteValueW(HKEY inKey, LPCWSTR inValueName);

// PARAMS: inKey, an open key; inSubKey, the key to delete below it (empty: inKey itself).
// RETURNS: ERROR_SUCCESS; ERROR_FILE_NOT_FOUND; ERROR_ACCESS_DENIED when the key has subkeys,
//   is a predefined key, or the store cannot be written; ERROR_KEY_DELETED when inKey's key was
//   deleted. The key's values go with it.
LSTATUS WINAPI RegDeleteKeyA(HKEY inKey, LPCSTR inSubKey);
LSTATUS WINAPI RegDeleteKeyW(HKEY inKey, LPCWSTR inSubKey);

// PARAMS: inKey, an open key; inSubKey, the key to remove with all its subkeys and values
//   (null: the subkeys and values of inKey are removed and inKey stays).
// RETURNS: ERROR_SUCCESS; ERROR_FILE_NOT_FOUND; ERROR_ACCESS_DENIED; ERROR_KEY_DELETED.
LSTATUS WINAPI RegDeleteTreeA(HKEY inKey, LPCSTR inSubKey);
LSTATUS WINAPI RegDeleteTreeW(HKEY inKey, LPCWSTR inSubKey);

// PARAMS: inKey, a key opened with KEY_ENUMERATE_SUB_KEYS; inIndex, 0 for the first subkey;
//   outName and ioName, the name buffer and, in, its size in characters including the
//   terminator, out, the characters stored without it; inReserved null; outClass/ioClass (may be
//   null) receive an empty class; outLastWriteTime (may be null), when the key last changed.
// RETURNS: ERROR_SUCCESS; ERROR_NO_MORE_ITEMS past the last subkey; ERROR_MORE_DATA when the
//   name does not fit; ERROR_KEY_DELETED. Subkeys come in order of their names compared without
//   regard to case.
LSTATUS WINAPI RegEnumKeyExA(HKEY inKey, DWORD inIndex, LPSTR outName, LPDWORD ioName,
                             LPDWORD inReserved, LPSTR outClass, LPDWORD ioClass,
                             PFILETIME outLastWriteTime);
LSTATUS WINAPI RegEnumKeyExW(HKEY inKey, DWORD inIndex, LPWSTR outName, LPDWORD ioName,
                             LPDWORD inReserved, LPWSTR outClass, LPDWORD ioClass,
                             PFILETIME outLastWriteTime);

// PARAMS: inKey, a key opened with KEY_QUERY_VALUE; inIndex, 0 for the first value; outName and
//   ioName as for RegEnumKeyEx; inReserved null; outType, outData and ioData as for
//   RegQueryValueEx (each may be null).
// RETURNS: ERROR_SUCCESS; ERROR_NO_MORE_ITEMS; ERROR_KEY_DELETED; ERROR_MORE_DATA when the name
//   or the data does not fit: outType and ioData then hold the type and the size needed, the
//   buffers and ioName are left as they were, except that the W form hands out a name that fits
//   when only the data does not. Values come in order of their names compared without regard to
//   case; the default value, when set, has the empty name and comes first.
LSTATUS WINAPI RegEnumValueA(HKEY inKey, DWORD inIndex, LPSTR outName, LPDWORD ioName,
                             LPDWORD inReserved, LPDWORD outType, LPBYTE outData, LPDWORD ioData);
LSTATUS WINAPI RegEnumValueW(HKEY inKey, DWORD inIndex, LPWSTR outName, LPDWORD ioName,
                             LPDWORD inReserved, LPDWORD outType, LPBYTE outData, LPDWORD ioData);

}  // extern "C"

// The generic names select the 8-bit or the wide form, as UNICODE decides.
#ifdef UNICODE
#define RegCreateKeyEx RegCreateKeyExW
#define RegOpenKeyEx RegOpenKeyExW
#define RegConnectRegistry RegConnectRegistryW
#define RegQueryValueEx RegQueryValueExW
#define RegSetValueEx RegSetValueExW
#define RegDeleteValue RegDeleteValueW
#define RegDeleteKey RegDeleteKeyW
#define RegDeleteTree RegDeleteTreeW
#define RegEnumKeyEx RegEnumKeyExW
#define RegEnumValue RegEnumValueW
#else
#define RegCreateKeyEx RegCreateKeyExA
#define RegOpenKeyEx RegOpenKeyExA
#define RegConnectRegistry RegConnectRegistryA
#define RegQueryValueEx RegQueryValueExA
#define RegSetValueEx RegSetValueExA
#define RegDeleteValue RegDeleteValueA
#define RegDeleteKey RegDeleteKeyA
#define RegDeleteTree RegDeleteTreeA
#define RegEnumKeyEx RegEnumKeyExA
#define RegEnumValue RegEnumValueA
#endif
