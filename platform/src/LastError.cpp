// The per-thread last-error value and the mapping from POSIX errno values to Windows codes.
#include <errhandlingapi.h>
#include <winerror.h>

#include <cerrno>

namespace {
thread_local DWORD tLastError = 0;
}

DWORD WINAPI GetLastError() { return tLastError; }

void WINAPI SetLastError(DWORD inCode) { tLastError = inCode; }

DWORD QxWin32ErrorFromErrno(int inErrno) {
  switch (inErrno) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EISDIR: return ERROR_ACCESS_DENIED;  // Windows refuses to open a folder as a file with 5
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EAGAIN: return ERROR_LOCK_VIOLATION;
    case EBUSY: return ERROR_BUSY;
    case EFBIG: return ERROR_FILE_TOO_LARGE;
    case EIO: return ERROR_IO_DEVICE;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    default: return ERROR_GEN_FAILURE;
  }
}

DWORD QxSetLastErrorFromErrno() {
  const DWORD theCode = QxWin32ErrorFromErrno(errno);
  SetLastError(theCode);
  return theCode;
}
