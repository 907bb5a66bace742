// Opening, reading, writing, sizing and locking files, and the path calls on files and folders.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include "FileObject.h"
#include "FileSharing.h"
#include "KernelHandles.h"
#include "PathText.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using qxfile::FileObject;
using qxfile::FileSharing;
using qxfile::InodeKey;
using qxfile::KernelHandles;
using qxfile::PathText;
using qxfile::UniqueFd;

namespace {

constexpr int kMaxCreateAttempts = 8;
constexpr uint64_t kMaxOffset = static_cast<uint64_t>(std::numeric_limits<off_t>::max());

DWORD DataAccessOf(DWORD inDesiredAccess) {
  DWORD theAccess = 0;
  if ((inDesiredAccess & (GENERIC_READ | GENERIC_EXECUTE | GENERIC_ALL | FILE_READ_DATA)) != 0) {
    theAccess |= qxfile::kAccessRead;
  }
  if ((inDesiredAccess & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA)) != 0) {
    theAccess |= qxfile::kAccessWrite;
  }
  return theAccess;
}

uint64_t Join(DWORD inLow, DWORD inHigh) { return (static_cast<uint64_t>(inHigh) << 32) | inLow; }

HANDLE Fail(DWORD inCode) {
  SetLastError(inCode);
  return INVALID_HANDLE_VALUE;
}

BOOL FailBool(DWORD inCode) {
  SetLastError(inCode);
  return FALSE;
}

// Empties an existing file that was opened without write access (CREATE_ALWAYS with read access only
// empties the file all the same): a second, writable descriptor of the same file does it.
DWORD TruncateThroughPath(const std::string& inPath, const InodeKey& inKey) {
  UniqueFd theFd(::open(inPath.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!theFd.Valid()) return QxWin32ErrorFromErrno(errno);
  struct stat theStat {};
  if (::fstat(theFd.Get(), &theStat) != 0) return QxWin32ErrorFromErrno(errno);
  if (InodeKey::Of(theStat) != inKey) return ERROR_SHARING_VIOLATION;  // replaced meanwhile
  return FileSharing::Truncate(inKey, theFd.Get(), 0);
}

HANDLE OpenFile(const std::string& inPath, DWORD inDesiredAccess, DWORD inShareMode,
                LPSECURITY_ATTRIBUTES inSecurity, DWORD inDisposition, DWORD inFlags) {
  if (inPath.empty()) return Fail(ERROR_PATH_NOT_FOUND);
  const DWORD theAccess = DataAccessOf(inDesiredAccess);
  const bool theCanWrite = (theAccess & qxfile::kAccessWrite) != 0;
  if (inDisposition < CREATE_NEW || inDisposition > TRUNCATE_EXISTING ||
      (inDisposition == TRUNCATE_EXISTING && !theCanWrite)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }

  // Opening never blocks (a FIFO would wait for a writer); blocking is restored afterwards.
  int theFlags = O_NONBLOCK | O_NOCTTY;
  if (inSecurity == nullptr || !inSecurity->bInheritHandle) theFlags |= O_CLOEXEC;
  const bool theQueryOnly = theAccess == 0 && inDisposition == OPEN_EXISTING;
  if (theQueryOnly) {
    theFlags = O_PATH | (theFlags & O_CLOEXEC);
  } else if (theAccess == (qxfile::kAccessRead | qxfile::kAccessWrite)) {
    theFlags |= O_RDWR;
  } else if (theCanWrite) {
    theFlags |= O_WRONLY;
  } else {
    theFlags |= O_RDONLY;
  }
  if (!theQueryOnly && (inFlags & FILE_FLAG_WRITE_THROUGH) != 0) theFlags |= O_DSYNC;
  const mode_t theMode = (inFlags & FILE_ATTRIBUTE_READONLY) != 0 ? 0444 : 0666;

  UniqueFd theFd;
  bool theExisted = false;
  switch (inDisposition) {
    case CREATE_NEW:
      theFd = UniqueFd(::open(inPath.c_str(), theFlags | O_CREAT | O_EXCL, theMode));
      break;
    case OPEN_EXISTING:
    case TRUNCATE_EXISTING:
      theFd = UniqueFd(::open(inPath.c_str(), theFlags));
      theExisted = true;
      break;
    default:  // CREATE_ALWAYS, OPEN_ALWAYS: whether the file was there decides the last error
      for (int theAttempt = 0; theAttempt < kMaxCreateAttempts && !theFd.Valid(); ++theAttempt) {
        theFd = UniqueFd(::open(inPath.c_str(), theFlags));
        if (theFd.Valid()) {
          theExisted = true;
        } else if (errno == ENOENT) {
          theFd = UniqueFd(::open(inPath.c_str(), theFlags | O_CREAT | O_EXCL, theMode));
          if (!theFd.Valid() && errno != EEXIST) break;
        } else {
          break;
        }
      }
      break;
  }
  if (!theFd.Valid()) return Fail(qxfile::PathText::PathError(inPath, errno));

  struct stat theStat {};
  if (::fstat(theFd.Get(), &theStat) != 0) return Fail(QxWin32ErrorFromErrno(errno));
  if (S_ISDIR(theStat.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (!theQueryOnly) {
    const int theStatus = ::fcntl(theFd.Get(), F_GETFL);
    if (theStatus >= 0) ::fcntl(theFd.Get(), F_SETFL, theStatus & ~O_NONBLOCK);
    if ((inFlags & FILE_FLAG_SEQUENTIAL_SCAN) != 0) ::posix_fadvise(theFd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if ((inFlags & FILE_FLAG_RANDOM_ACCESS) != 0) ::posix_fadvise(theFd.Get(), 0, 0, POSIX_FADV_RANDOM);
  }

  const InodeKey theKey = InodeKey::Of(theStat);
  auto theFile = std::make_shared<FileObject>(std::move(theFd), theKey, theAccess);
  if (theAccess != 0) {
    const DWORD theShare = FileSharing::Open(theKey, theFile.get(), theAccess, inShareMode);
    if (theShare != 0) return Fail(theShare);
  }
  if (inDisposition == TRUNCATE_EXISTING || (inDisposition == CREATE_ALWAYS && theExisted)) {
    const DWORD theTruncated = theCanWrite ? FileSharing::Truncate(theKey, theFile->Fd(), 0)
                                           : TruncateThroughPath(inPath, theKey);
    if (theTruncated != 0) return Fail(theTruncated);
  }
  HANDLE theHandle = KernelHandles::Add(std::move(theFile));
  const bool theFound = theExisted && (inDisposition == CREATE_ALWAYS || inDisposition == OPEN_ALWAYS);
  SetLastError(theFound ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return theHandle;
}

// Sets the position for a read or write: the OVERLAPPED offset when one is given, else the current
// one. RETURNS: the position, or -1 with the last error set.
int64_t PositionFor(const FileObject& inFile, LPOVERLAPPED inOverlapped) {
  if (inOverlapped != nullptr) {
    const uint64_t theOffset = Join(inOverlapped->Offset, inOverlapped->OffsetHigh);
    if (theOffset > kMaxOffset) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return -1;
    }
    if (::lseek(inFile.Fd(), static_cast<off_t>(theOffset), SEEK_SET) < 0) {
      QxSetLastErrorFromErrno();
      return -1;
    }
    return static_cast<int64_t>(theOffset);
  }
  const off_t thePosition = ::lseek(inFile.Fd(), 0, SEEK_CUR);
  if (thePosition < 0) QxSetLastErrorFromErrno();
  return thePosition;
}

// Moves the file position, to at most inLimit. RETURNS: the new position, or -1 with the last error
// set (the position is then kept).
int64_t MoveFilePointer(FileObject& inFile, int64_t inDistance, DWORD inMoveMethod,
                        int64_t inLimit = std::numeric_limits<int64_t>::max()) {
  int64_t theBase = 0;
  if (inMoveMethod == FILE_CURRENT) {
    theBase = ::lseek(inFile.Fd(), 0, SEEK_CUR);
  } else if (inMoveMethod == FILE_END) {
    struct stat theStat {};
    theBase = ::fstat(inFile.Fd(), &theStat) == 0 ? theStat.st_size : -1;
  } else if (inMoveMethod != FILE_BEGIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (theBase < 0) {
    QxSetLastErrorFromErrno();
    return -1;
  }
  int64_t theTarget = 0;
  if (__builtin_add_overflow(theBase, inDistance, &theTarget)) {
    SetLastError(inDistance < 0 ? ERROR_NEGATIVE_SEEK : ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (theTarget < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return -1;
  }
  if (theTarget > inLimit) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (::lseek(inFile.Fd(), static_cast<off_t>(theTarget), SEEK_SET) < 0) {
    QxSetLastErrorFromErrno();
    return -1;
  }
  return theTarget;
}

DWORD GetAttributes(const std::optional<std::string>& inPath) {
  if (!inPath) return INVALID_FILE_ATTRIBUTES;
  struct stat theStat {};
  if (inPath->empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (::stat(inPath->c_str(), &theStat) != 0) {
    SetLastError(PathText::PathError(*inPath, errno));
    return INVALID_FILE_ATTRIBUTES;
  }
  return PathText::AttributesOf(theStat.st_mode);
}

BOOL DeletePath(const std::optional<std::string>& inPath) {
  if (!inPath) return FALSE;
  if (inPath->empty()) return FailBool(ERROR_PATH_NOT_FOUND);
  struct stat theStat {};
  if (::lstat(inPath->c_str(), &theStat) != 0) return FailBool(PathText::PathError(*inPath, errno));
  if (S_ISDIR(theStat.st_mode)) return FailBool(ERROR_ACCESS_DENIED);
  // A read-only file cannot be deleted, as on Windows.
  if (S_ISREG(theStat.st_mode) && (theStat.st_mode & S_IWUSR) == 0) return FailBool(ERROR_ACCESS_DENIED);
  const DWORD theShare = FileSharing::CheckDelete(InodeKey::Of(theStat));
  if (theShare != 0) return FailBool(theShare);
  if (::unlink(inPath->c_str()) != 0) return FailBool(PathText::PathError(*inPath, errno));
  return TRUE;
}

BOOL MakeFolder(const std::optional<std::string>& inPath) {
  if (!inPath) return FALSE;
  if (inPath->empty()) return FailBool(ERROR_PATH_NOT_FOUND);
  if (::mkdir(inPath->c_str(), 0777) != 0) {
    if (errno == EEXIST) return FailBool(ERROR_ALREADY_EXISTS);
    return FailBool(errno == ENOENT ? ERROR_PATH_NOT_FOUND : QxWin32ErrorFromErrno(errno));
  }
  return TRUE;
}

BOOL RemoveFolder(const std::optional<std::string>& inPath) {
  if (!inPath) return FALSE;
  if (inPath->empty()) return FailBool(ERROR_PATH_NOT_FOUND);
  if (::rmdir(inPath->c_str()) != 0) {
    const int theErrno = errno;
    struct stat theStat {};
    if (theErrno == ENOTDIR && ::lstat(inPath->c_str(), &theStat) == 0 && !S_ISDIR(theStat.st_mode)) {
      return FailBool(ERROR_DIRECTORY);
    }
    if (theErrno == ENOTEMPTY || theErrno == EEXIST) return FailBool(ERROR_DIR_NOT_EMPTY);
    return FailBool(PathText::PathError(*inPath, theErrno));
  }
  return TRUE;
}

// The temporary folder, ending in "/".
std::string TempFolder() {
  std::string theFolder = "/tmp";
  for (const char* theName : {"TMPDIR", "TMP", "TEMP"}) {
    const char* theValue = std::getenv(theName);
    if (theValue != nullptr && theValue[0] != 0) {
      theFolder = theValue;
      break;
    }
  }
  if (theFolder.back() != '/') theFolder.push_back('/');
  return theFolder;
}

template <class Char>
DWORD CopyOut(const std::basic_string<Char>& inText, DWORD inBufferLength, Char* outBuffer) {
  if (inText.size() >= PathText::kMaxPathUnits) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  const auto theNeeded = static_cast<DWORD>(inText.size() + 1);
  if (inBufferLength < theNeeded) return theNeeded;
  if (outBuffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  inText.copy(outBuffer, inText.size());
  outBuffer[inText.size()] = 0;
  return static_cast<DWORD>(inText.size());
}

}  // namespace

extern "C" {

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE /*hTemplateFile*/) {
  const auto thePath = PathText::WideToUtf8(lpFileName);
  if (!thePath) return INVALID_HANDLE_VALUE;
  return OpenFile(*thePath, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                  dwFlagsAndAttributes);
}

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE /*hTemplateFile*/) {
  const auto thePath = PathText::NarrowPath(lpFileName);
  if (!thePath) return INVALID_HANDLE_VALUE;
  return OpenFile(*thePath, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                  dwFlagsAndAttributes);
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  return KernelHandles::Remove(hObject, qxfile::kKindFile | qxfile::kKindMapping) ? TRUE : FALSE;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return FALSE;
  if (lpNumberOfBytesRead == nullptr && lpOverlapped == nullptr) return FailBool(ERROR_INVALID_PARAMETER);
  if (lpBuffer == nullptr && nNumberOfBytesToRead != 0) return FailBool(ERROR_NOACCESS);
  if (!theFile->CanRead()) return FailBool(ERROR_ACCESS_DENIED);

  std::lock_guard theLock(theFile->PositionMutex());
  const int64_t thePosition = PositionFor(*theFile, lpOverlapped);
  if (thePosition < 0) return FALSE;
  if (FileSharing::LockedByOther(theFile->Key(), theFile.get(), static_cast<uint64_t>(thePosition),
                                 nNumberOfBytesToRead)) {
    return FailBool(ERROR_LOCK_VIOLATION);
  }
  auto* theBytes = static_cast<unsigned char*>(lpBuffer);
  DWORD theDone = 0;
  BOOL theResult = TRUE;
  while (theDone < nNumberOfBytesToRead) {
    const ssize_t theCount = ::read(theFile->Fd(), theBytes + theDone, nNumberOfBytesToRead - theDone);
    if (theCount < 0) {
      if (errno == EINTR) continue;
      QxSetLastErrorFromErrno();
      theResult = FALSE;
      break;
    }
    if (theCount == 0) break;  // end of file
    theDone += static_cast<DWORD>(theCount);
  }
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = theDone;
  if (lpOverlapped != nullptr) {
    lpOverlapped->Internal = 0;
    lpOverlapped->InternalHigh = theDone;
    // A positioned read that starts at or past the end reports the end, as a synchronous Windows
    // handle does.
    if (theResult && theDone == 0 && nNumberOfBytesToRead != 0) return FailBool(ERROR_HANDLE_EOF);
  }
  return theResult;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return FALSE;
  if (lpNumberOfBytesWritten == nullptr && lpOverlapped == nullptr) return FailBool(ERROR_INVALID_PARAMETER);
  if (lpBuffer == nullptr && nNumberOfBytesToWrite != 0) return FailBool(ERROR_NOACCESS);
  if (!theFile->CanWrite()) return FailBool(ERROR_ACCESS_DENIED);

  std::lock_guard theLock(theFile->PositionMutex());
  const int64_t thePosition = PositionFor(*theFile, lpOverlapped);
  if (thePosition < 0) return FALSE;
  if (FileSharing::LockedByOther(theFile->Key(), theFile.get(), static_cast<uint64_t>(thePosition),
                                 nNumberOfBytesToWrite)) {
    return FailBool(ERROR_LOCK_VIOLATION);
  }
  const auto* theBytes = static_cast<const unsigned char*>(lpBuffer);
  DWORD theDone = 0;
  BOOL theResult = TRUE;
  while (theDone < nNumberOfBytesToWrite) {
    const ssize_t theCount = ::write(theFile->Fd(), theBytes + theDone, nNumberOfBytesToWrite - theDone);
    if (theCount < 0) {
      if (errno == EINTR) continue;
      QxSetLastErrorFromErrno();
      theResult = FALSE;
      break;
    }
    if (theCount == 0) {
      SetLastError(ERROR_WRITE_FAULT);
      theResult = FALSE;
      break;
    }
    theDone += static_cast<DWORD>(theCount);
  }
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = theDone;
  if (lpOverlapped != nullptr) {
    lpOverlapped->Internal = 0;
    lpOverlapped->InternalHigh = theDone;
  }
  return theResult;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return INVALID_SET_FILE_POINTER;
  const int64_t theDistance =
      lpDistanceToMoveHigh != nullptr
          ? static_cast<int64_t>(Join(static_cast<DWORD>(lDistanceToMove), static_cast<DWORD>(*lpDistanceToMoveHigh)))
          : static_cast<int64_t>(lDistanceToMove);
  std::lock_guard theLock(theFile->PositionMutex());
  if (lpDistanceToMoveHigh == nullptr) {
    // Without a high part the new position must fit in 32 bits.
    const int64_t thePosition = MoveFilePointer(*theFile, theDistance, dwMoveMethod, UINT32_MAX);
    if (thePosition < 0) return INVALID_SET_FILE_POINTER;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(thePosition);
  }
  const int64_t thePosition = MoveFilePointer(*theFile, theDistance, dwMoveMethod);
  if (thePosition < 0) return INVALID_SET_FILE_POINTER;
  *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(thePosition) >> 32);
  // The low part may itself be 0xFFFFFFFF, so callers tell success by the last error.
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(thePosition);
}

BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, PLARGE_INTEGER lpNewFilePointer,
                             DWORD dwMoveMethod) {
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return FALSE;
  std::lock_guard theLock(theFile->PositionMutex());
  const int64_t thePosition = MoveFilePointer(*theFile, liDistanceToMove.QuadPart, dwMoveMethod);
  if (thePosition < 0) return FALSE;
  if (lpNewFilePointer != nullptr) lpNewFilePointer->QuadPart = thePosition;
  return TRUE;
}

BOOL WINAPI SetEndOfFile(HANDLE hFile) {
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return FALSE;
  if (!theFile->CanWrite()) return FailBool(ERROR_ACCESS_DENIED);
  std::lock_guard theLock(theFile->PositionMutex());
  const off_t thePosition = ::lseek(theFile->Fd(), 0, SEEK_CUR);
  if (thePosition < 0) return FailBool(QxWin32ErrorFromErrno(errno));
  const DWORD theResult = FileSharing::Truncate(theFile->Key(), theFile->Fd(), static_cast<uint64_t>(thePosition));
  return theResult == 0 ? TRUE : FailBool(theResult);
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return FALSE;
  if (!theFile->CanWrite()) return FailBool(ERROR_ACCESS_DENIED);
  if (::fsync(theFile->Fd()) != 0) return FailBool(QxWin32ErrorFromErrno(errno));
  return TRUE;
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize) {
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return FALSE;
  if (lpFileSize == nullptr) return FailBool(ERROR_INVALID_PARAMETER);
  struct stat theStat {};
  if (::fstat(theFile->Fd(), &theStat) != 0) return FailBool(QxWin32ErrorFromErrno(errno));
  lpFileSize->QuadPart = theStat.st_size;
  return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  LARGE_INTEGER theSize{};
  if (!GetFileSizeEx(hFile, &theSize)) return INVALID_FILE_SIZE;
  const auto theBits = static_cast<uint64_t>(theSize.QuadPart);
  if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(theBits >> 32);
  SetLastError(ERROR_SUCCESS);  // the low part may itself be INVALID_FILE_SIZE
  return static_cast<DWORD>(theBits);
}

BOOL WINAPI LockFile(HANDLE hFile, DWORD dwFileOffsetLow, DWORD dwFileOffsetHigh, DWORD nNumberOfBytesToLockLow,
                     DWORD nNumberOfBytesToLockHigh) {
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return FALSE;
  if (!theFile->HasDataAccess()) return FailBool(ERROR_ACCESS_DENIED);
  const DWORD theResult =
      FileSharing::Lock(theFile->Key(), theFile.get(), theFile->Fd(), theFile->CanWrite(),
                        Join(dwFileOffsetLow, dwFileOffsetHigh), Join(nNumberOfBytesToLockLow, nNumberOfBytesToLockHigh));
  return theResult == 0 ? TRUE : FailBool(theResult);
}

BOOL WINAPI UnlockFile(HANDLE hFile, DWORD dwFileOffsetLow, DWORD dwFileOffsetHigh, DWORD nNumberOfBytesToUnlockLow,
                       DWORD nNumberOfBytesToUnlockHigh) {
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return FALSE;
  const DWORD theResult =
      FileSharing::Unlock(theFile->Key(), theFile.get(), theFile->Fd(), Join(dwFileOffsetLow, dwFileOffsetHigh),
                          Join(nNumberOfBytesToUnlockLow, nNumberOfBytesToUnlockHigh));
  return theResult == 0 ? TRUE : FailBool(theResult);
}

DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) { return GetAttributes(PathText::WideToUtf8(lpFileName)); }
DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) { return GetAttributes(PathText::NarrowPath(lpFileName)); }

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) { return DeletePath(PathText::WideToUtf8(lpFileName)); }
BOOL WINAPI DeleteFileA(LPCSTR lpFileName) { return DeletePath(PathText::NarrowPath(lpFileName)); }

BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/) {
  return MakeFolder(PathText::WideToUtf8(lpPathName));
}
BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/) {
  return MakeFolder(PathText::NarrowPath(lpPathName));
}

BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName) { return RemoveFolder(PathText::WideToUtf8(lpPathName)); }
BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) { return RemoveFolder(PathText::NarrowPath(lpPathName)); }

DWORD WINAPI GetTempPathA(DWORD nBufferLength, LPSTR lpBuffer) {
  return CopyOut(TempFolder(), nBufferLength, lpBuffer);
}

DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  return CopyOut(PathText::Utf8ToUtf16Lenient(TempFolder()), nBufferLength, lpBuffer);
}

}  // extern "C"
