// Files, file mappings, folder searches and environment-string expansion, Windows-shaped, over POSIX.
//
// Paths: the W forms take UTF-16 paths and hand them to the OS as UTF-8; the A forms take UTF-8.
// The path separator is "/"; paths are used as given. A wide path with an unpaired surrogate is
// refused with ERROR_INVALID_NAME; paths longer than 32767 units with ERROR_FILENAME_EXCED_RANGE.
//
// Handles: a file, mapping or search handle names an object owned by this layer. CloseHandle closes
// files and mappings, FindClose searches; a null, invalid, closed or wrong-kind handle gives FALSE
// with ERROR_INVALID_HANDLE and is otherwise harmless. Every call is thread-safe.
//
// Sharing and locks: share modes are enforced among the handles of this process (keyed by device and
// inode), as on Windows: a second open fails with ERROR_SHARING_VIOLATION when its access conflicts
// with an earlier handle's share mode or its share mode excludes an earlier handle's access. Handles
// opened with no data access (dwDesiredAccess 0) take no part in sharing. Across processes share modes
// are NOT enforced. LockFile ranges are exclusive among the handles of this process (two handles of
// one file conflict, and so do overlapping locks of one handle); a ReadFile or WriteFile through
// another handle of this process into a locked range fails with ERROR_LOCK_VIOLATION. Across
// processes the ranges are also held as open-file-description record locks, which other processes
// see only when they lock too (they are advisory there).
//
// Mappings: read-only only (PAGE_READONLY, FILE_MAP_READ). A mapping keeps its own reference to the
// file, so the file handle may be closed first. While a mapping or a view of a file exists in this
// process, shortening that file through this layer (SetEndOfFile, CREATE_ALWAYS, TRUNCATE_EXISTING)
// fails with ERROR_USER_MAPPED_FILE, so a view never reaches past the end of its file; another
// process that shortens a mapped file is not stopped.
#pragma once

#include "windef.h"

// Error codes used by these calls that the general error table may not list.
#ifndef ERROR_MAPPED_ALIGNMENT
#define ERROR_MAPPED_ALIGNMENT 1132L
#endif
#ifndef ERROR_USER_MAPPED_FILE
#define ERROR_USER_MAPPED_FILE 1224L
#endif

// ---- access rights (dwDesiredAccess) ----
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u
#define FILE_READ_DATA 0x0001u
#define FILE_WRITE_DATA 0x0002u
#define FILE_APPEND_DATA 0x0004u
#define FILE_READ_ATTRIBUTES 0x0080u

// ---- share modes ----
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

// ---- creation dispositions ----
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

// ---- attributes and flags ----
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_DEVICE 0x00000040u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_TEMPORARY 0x00000100u
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_FLAG_RANDOM_ACCESS 0x10000000u
#define FILE_FLAG_SEQUENTIAL_SCAN 0x08000000u

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)

// ---- SetFilePointer move methods ----
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

// ---- mappings ----
#define PAGE_READONLY 0x02u
#define PAGE_READWRITE 0x04u
#define PAGE_WRITECOPY 0x08u
#define SEC_COMMIT 0x08000000u
#define FILE_MAP_COPY 0x0001u
#define FILE_MAP_WRITE 0x0002u
#define FILE_MAP_READ 0x0004u

typedef struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *PWIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

typedef struct _WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
} WIN32_FIND_DATAW, *PWIN32_FIND_DATAW, *LPWIN32_FIND_DATAW;

extern "C" {

// ---- opening and closing ----

// PARAMS: lpFileName, the path; dwDesiredAccess, GENERIC_READ and/or GENERIC_WRITE (0: attributes only);
//   dwShareMode, FILE_SHARE_* bits other handles may use; lpSecurityAttributes, only bInheritHandle is
//   used (an inheritable handle survives exec); dwCreationDisposition, CREATE_NEW .. TRUNCATE_EXISTING;
//   dwFlagsAndAttributes, FILE_ATTRIBUTE_READONLY makes a created file read-only, FILE_FLAG_WRITE_THROUGH
//   writes synchronously, the scan hints advise the OS, the rest is ignored; hTemplateFile, ignored.
// RETURNS: the handle, or INVALID_HANDLE_VALUE with the last error: 2 missing file, 3 missing folder on
//   the way, 5 no permission or a folder, 32 sharing violation, 80 CREATE_NEW over an existing file,
//   87 bad disposition or TRUNCATE_EXISTING without GENERIC_WRITE. On success the last error is 183
//   (ERROR_ALREADY_EXISTS) when CREATE_ALWAYS or OPEN_ALWAYS found the file, else 0.
HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);

// PARAMS: hObject, a file or mapping handle. RETURNS: TRUE; FALSE with ERROR_INVALID_HANDLE for
//   anything else (search handles included: they are closed by FindClose). Closing a file releases
//   its LockFile ranges.
BOOL WINAPI CloseHandle(HANDLE hObject);

// ---- reading and writing ----

// PARAMS: hFile; lpBuffer, nNumberOfBytesToRead; lpNumberOfBytesRead, receives the count (may be null
//   only with lpOverlapped); lpOverlapped, when given, its Offset/OffsetHigh is where to read and the
//   call stays synchronous. RETURNS: TRUE (0 bytes read at the end of the file); FALSE with 5 when the
//   handle has no read access, 33 when another handle of this process locked the range.
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped);

// PARAMS: as ReadFile. Writes all bytes (partial writes are continued). RETURNS: TRUE; FALSE with 5
//   without write access, 33 for a range locked by another handle of this process, 112 disk full
//   (*lpNumberOfBytesWritten then holds what was written).
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped);

// PARAMS: hFile; lDistanceToMove, the low 32 bits of the move (sign-extended when lpDistanceToMoveHigh
//   is null); lpDistanceToMoveHigh, in the high 32 bits, out the high 32 bits of the new position;
//   dwMoveMethod, FILE_BEGIN, FILE_CURRENT or FILE_END.
// RETURNS: the low 32 bits of the new position (last error 0), or INVALID_SET_FILE_POINTER with 131
//   (ERROR_NEGATIVE_SEEK) for a position before the start, 87 for a position that needs the high part
//   when lpDistanceToMoveHigh is null; the position is then unchanged.
DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod);

// PARAMS: hFile; liDistanceToMove; lpNewFilePointer, optional out; dwMoveMethod. RETURNS: TRUE or FALSE.
BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                             DWORD dwMoveMethod);

// PARAMS: hFile, opened for writing. Makes the current position the end of the file.
// RETURNS: TRUE; FALSE with 5 without write access, 1224 when a mapping of this process would reach
//   past the new end.
BOOL WINAPI SetEndOfFile(HANDLE hFile);

// PARAMS: hFile, opened for writing. RETURNS: TRUE once the data is on the device; FALSE otherwise.
BOOL WINAPI FlushFileBuffers(HANDLE hFile);

// PARAMS: hFile; lpFileSizeHigh, optional out for the high 32 bits. RETURNS: the low 32 bits (last error
//   0), or INVALID_FILE_SIZE with the last error set on failure.
DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize);

// PARAMS: hFile; the 64-bit offset and length of the range, each as low and high halves.
// RETURNS: TRUE; FALSE with 33 (ERROR_LOCK_VIOLATION) when the range overlaps a range locked by any
//   handle of this process (the same handle included) or by another process.
BOOL WINAPI LockFile(HANDLE hFile, DWORD dwFileOffsetLow, DWORD dwFileOffsetHigh, DWORD nNumberOfBytesToLockLow,
                     DWORD nNumberOfBytesToLockHigh);

// PARAMS: as LockFile; the range must be exactly one this handle locked.
// RETURNS: TRUE; FALSE with 158 (ERROR_NOT_LOCKED) otherwise.
BOOL WINAPI UnlockFile(HANDLE hFile, DWORD dwFileOffsetLow, DWORD dwFileOffsetHigh, DWORD nNumberOfBytesToUnlockLow,
                       DWORD nNumberOfBytesToUnlockHigh);

// ---- mappings ----

// PARAMS: hFile, a file handle with read access; lpFileMappingAttributes, ignored; flProtect,
//   PAGE_READONLY (other protections give ERROR_NOT_SUPPORTED); dwMaximumSizeHigh/Low, the size of the
//   mapping, 0 for the whole file; lpName, must be null (named mappings give ERROR_NOT_SUPPORTED).
// RETURNS: the mapping handle, or NULL with: 6 not a file handle, 5 no read access, 1006
//   (ERROR_FILE_INVALID) for an empty file with size 0, 8 for a size beyond the end of the file.
HANDLE WINAPI CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
                                 DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCWSTR lpName);
HANDLE WINAPI CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
                                 DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName);

// PARAMS: hFileMappingObject; dwDesiredAccess, FILE_MAP_READ (write access gives 5); the offset, a
//   multiple of 65536 as on Windows (else 1132, ERROR_MAPPED_ALIGNMENT); dwNumberOfBytesToMap, 0 for
//   the rest of the mapping. RETURNS: the start of a read-only view, or NULL (5 when the view would
//   pass the end of the mapping). The view outlives the mapping handle until UnmapViewOfFile.
LPVOID WINAPI MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                            DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap);

// PARAMS: lpBaseAddress, the start of a view returned by MapViewOfFile.
// RETURNS: TRUE; FALSE with 487 (ERROR_INVALID_ADDRESS) for any other pointer.
BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress);

// ---- attributes, files and folders ----

// PARAMS: the path. RETURNS: FILE_ATTRIBUTE_DIRECTORY for a folder, FILE_ATTRIBUTE_DEVICE for a
//   device, pipe or socket, FILE_ATTRIBUTE_READONLY when the owner may not write,
//   FILE_ATTRIBUTE_NORMAL when none applies; INVALID_FILE_ATTRIBUTES with 2
//   (missing, its folder exists) or 3 (a folder on the way is missing).
DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName);
DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName);

// ---- replacing files ----

#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define REPLACEFILE_WRITE_THROUGH 0x00000001u
#define FILE_NAME_NORMALIZED 0x0u
#define VOLUME_NAME_DOS 0x0u

// PARAMS: lpPathName, the folder; lpPrefixString, up to three characters are used; uUnique, 0 to
//   make a new empty file with a unique name, otherwise only the name is made from it; lpTempFileName,
//   MAX_PATH units for "<folder>/<prefix><hex>.TMP".
// RETURNS: the number in the name; 0 with the last error (3 missing folder, 5 no permission, 206 the
//   name would not fit MAX_PATH).
UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName);

// PARAMS: the file to replace (it must exist; when it is a symbolic link, the file it names is
//   replaced) and the replacement; a backup name and the reserved arguments are not supported
//   (must be null). The replacement takes the replaced file's name and its permission bits (and its
//   owner where the process may set it).
// RETURNS: TRUE; FALSE with 2 when the replaced file is missing, 87 for a backup name,
//   1175 (ERROR_UNABLE_TO_REMOVE_REPLACED) when a handle of this process has it open without
//   FILE_SHARE_DELETE, 1176 (ERROR_UNABLE_TO_MOVE_REPLACEMENT) when the rename fails (the
//   replacement then stays where it was).
BOOL WINAPI ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName, LPCWSTR lpBackupFileName,
                         DWORD dwReplaceFlags, LPVOID lpExclude, LPVOID lpReserved);

// PARAMS: the file to move and its new name; dwFlags, MOVEFILE_REPLACE_EXISTING to replace a file of
//   that name. RETURNS: TRUE; FALSE with 2/3 missing, 5 no permission, 17 another device, 183 the new
//   name exists and may not be replaced.
BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);

// PARAMS: an open file handle; the output buffer and its size in units; dwFlags, 0.
// RETURNS: the length of the absolute path of the file (symbolic links resolved, '/' separators),
//   without the terminator; when the buffer is too small, the size needed including the terminator;
//   0 with 6 for an invalid handle.
DWORD WINAPI GetFinalPathNameByHandleW(HANDLE hFile, LPWSTR lpszFilePath, DWORD cchFilePath, DWORD dwFlags);

// PARAMS: the path. RETURNS: TRUE; FALSE with 2/3 when missing, 5 for a folder or a read-only file,
//   32 when a handle of this process has the file open without FILE_SHARE_DELETE.
BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);
BOOL WINAPI DeleteFileA(LPCSTR lpFileName);

// PARAMS: the path; lpSecurityAttributes, ignored. RETURNS: TRUE; FALSE with 183 when it exists, 3 when
//   its parent is missing.
BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);

// PARAMS: the path of an empty folder. RETURNS: TRUE; FALSE with 145 when not empty, 267 for a file,
//   2/3 when missing.
BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName);
BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName);

// PARAMS: nBufferLength, the buffer's size in characters; lpBuffer. The folder is $TMPDIR, $TMP, $TEMP
//   or /tmp, ending in "/". RETURNS: the length without the terminator when it fits; else the size
//   needed including the terminator (nothing written); 0 on failure.
DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer);
DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer);

// ---- folder searches ----

// PARAMS: lpFileName, "folder/pattern" where the pattern (the last component) may hold * and ?, matched
//   without regard to case; lpFindFileData, receives the first entry.
// Entries come sorted by the byte order of their UTF-8 names; "." and ".." are included when the
// pattern matches them ("*" does); "x.*" also matches "x". The listing is taken once, here. Names that
// are not valid UTF-8 or longer than MAX_PATH-1 UTF-16 units are left out. cAlternateFileName is empty.
// RETURNS: the search handle, or INVALID_HANDLE_VALUE with 2 when nothing matches (or the pattern is
//   empty), 3 when the folder is missing.
HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);

// RETURNS: TRUE with the next entry; FALSE with 18 (ERROR_NO_MORE_FILES) after the last.
BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData);

// PARAMS: a search handle. RETURNS: TRUE; FALSE with ERROR_INVALID_HANDLE for anything else.
BOOL WINAPI FindClose(HANDLE hFindFile);

// ---- environment strings ----

// PARAMS: lpSrc, text in which every %NAME% of a defined environment variable is replaced by its value
//   (names are looked up exactly, then without regard to ASCII case); unknown names and lone % signs
//   stay as they are. lpDst, nSize: the buffer and its size in characters.
// RETURNS: the characters the result needs including the terminator. When that exceeds nSize nothing
//   is written except an empty string in a buffer of at least one character. 0 with 87 for a null
//   source, or a null buffer with a non-zero size.
DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize);
DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize);

}  // extern "C"
