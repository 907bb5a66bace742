// Temporary file names, replacing and moving files, and the final path of an open file: what a
// program needs to write a file beside its target and put it in place only once it is complete.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include "FileObject.h"
#include "FileSharing.h"
#include "KernelHandles.h"
#include "PathText.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

using qxfile::FileObject;
using qxfile::FileSharing;
using qxfile::InodeKey;
using qxfile::KernelHandles;
using qxfile::PathText;

namespace {

BOOL FailBool(DWORD inCode) {
  SetLastError(inCode);
  return FALSE;
}

// Copies inText with its terminator into a caller buffer of inSize units; 0 and 206 when it does not fit.
bool CopyPath(const std::u16string& inText, LPWSTR outBuffer, size_t inSize) {
  if (inText.size() + 1 > inSize) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  std::char_traits<char16_t>::copy(outBuffer, inText.c_str(), inText.size() + 1);
  return true;
}

// The first number tried for a new name: different per process and per call, so that two
// programs writing into one folder rarely meet.
UINT FirstUnique() {
  static std::atomic<UINT> sCounter{0};
  timespec theNow{};
  clock_gettime(CLOCK_MONOTONIC, &theNow);
  const UINT theMix = static_cast<UINT>(getpid()) * 2654435761u ^ static_cast<UINT>(theNow.tv_nsec) ^
                      sCounter.fetch_add(7919, std::memory_order_relaxed);
  return (theMix & 0xFFFFu) == 0 ? 1 : (theMix & 0xFFFFu);
}

}  // namespace

extern "C" {

UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName) {
  if (lpTempFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::optional<std::string> theFolder = PathText::WideToUtf8(lpPathName);
  if (!theFolder) return 0;
  std::u16string thePrefix;
  for (LPCWSTR theChar = lpPrefixString; theChar != nullptr && *theChar != 0 && thePrefix.size() < 3; ++theChar)
    thePrefix.push_back(*theChar);
  std::u16string theBase = PathText::Utf8ToUtf16Lenient(*theFolder);
  if (!theBase.empty() && theBase.back() != u'/') theBase.push_back(u'/');
  theBase += thePrefix;

  const auto theName = [&](UINT inNumber) {
    char theHex[8];
    std::snprintf(theHex, sizeof theHex, "%X", inNumber & 0xFFFFu);
    std::u16string theText = theBase;
    for (const char* theDigit = theHex; *theDigit != 0; ++theDigit) theText.push_back(static_cast<char16_t>(*theDigit));
    return theText + u".TMP";
  };

  if (uUnique != 0) return CopyPath(theName(uUnique), lpTempFileName, MAX_PATH) ? uUnique : 0;

  // Tries each of the 65535 numbers at most once, from a varying start, until a new file is made.
  const UINT theStart = FirstUnique();
  for (UINT theStep = 0; theStep < 0xFFFFu; ++theStep) {
    const UINT theNumber = (theStart - 1 + theStep) % 0xFFFFu + 1;
    const std::u16string theText = theName(theNumber);
    if (theText.size() + 1 > MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    const std::optional<std::string> thePath = PathText::WideToUtf8(theText.c_str());
    if (!thePath) return 0;
    const int theFd = ::open(thePath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (theFd >= 0) {
      ::close(theFd);
      CopyPath(theText, lpTempFileName, MAX_PATH);
      SetLastError(0);
      return theNumber;
    }
    if (errno != EEXIST) {
      SetLastError(PathText::PathError(*thePath, errno));
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

BOOL WINAPI ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName, LPCWSTR lpBackupFileName,
                         DWORD /*dwReplaceFlags*/, LPVOID lpExclude, LPVOID lpReserved) {
  if (lpBackupFileName != nullptr || lpExclude != nullptr || lpReserved != nullptr)
    return FailBool(ERROR_INVALID_PARAMETER);
  const std::optional<std::string> theReplaced = PathText::WideToUtf8(lpReplacedFileName);
  const std::optional<std::string> theReplacement = PathText::WideToUtf8(lpReplacementFileName);
  if (!theReplaced || !theReplacement) return FALSE;

  // A symbolic link stays: the file it names is replaced.
  char theFinal[PATH_MAX];
  if (::realpath(theReplaced->c_str(), theFinal) == nullptr)
    return FailBool(PathText::PathError(*theReplaced, errno));
  struct stat theStat {};
  if (::stat(theFinal, &theStat) != 0) return FailBool(PathText::PathError(theFinal, errno));
  struct stat theNew {};
  if (::stat(theReplacement->c_str(), &theNew) != 0) return FailBool(PathText::PathError(*theReplacement, errno));
  if (FileSharing::CheckDelete(InodeKey::Of(theStat)) != 0) return FailBool(ERROR_UNABLE_TO_REMOVE_REPLACED);

  // The replacement keeps what the replaced file allowed: its permission bits and, where this
  // process may set it, its owner.
  if (::chmod(theReplacement->c_str(), theStat.st_mode & 07777) != 0)
    return FailBool(QxWin32ErrorFromErrno(errno));
  if (theNew.st_uid != theStat.st_uid || theNew.st_gid != theStat.st_gid) {
    if (::chown(theReplacement->c_str(), theStat.st_uid, theStat.st_gid) != 0) {
      // Not permitted for an ordinary user: the replacement stays the writer's own.
    }
  }
  if (::rename(theReplacement->c_str(), theFinal) != 0) return FailBool(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  SetLastError(0);
  return TRUE;
}

BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
  const std::optional<std::string> theFrom = PathText::WideToUtf8(lpExistingFileName);
  const std::optional<std::string> theTo = PathText::WideToUtf8(lpNewFileName);
  if (!theFrom || !theTo) return FALSE;
  struct stat theStat {};
  if (::lstat(theFrom->c_str(), &theStat) != 0) return FailBool(PathText::PathError(*theFrom, errno));
  if ((dwFlags & MOVEFILE_REPLACE_EXISTING) == 0) {
    // Without the flag an existing name is never replaced: a hard link fails when it exists.
    if (::link(theFrom->c_str(), theTo->c_str()) != 0) {
      if (errno == EEXIST) return FailBool(ERROR_ALREADY_EXISTS);
      if (errno == EXDEV) return FailBool(ERROR_NOT_SAME_DEVICE);
      if (errno != EPERM && errno != EMLINK) return FailBool(PathText::PathError(*theTo, errno));
      struct stat theTarget {};
      if (::lstat(theTo->c_str(), &theTarget) == 0) return FailBool(ERROR_ALREADY_EXISTS);
    } else {
      if (::unlink(theFrom->c_str()) != 0) return FailBool(PathText::PathError(*theFrom, errno));
      SetLastError(0);
      return TRUE;
    }
  } else {
    struct stat theTarget {};
    if (::stat(theTo->c_str(), &theTarget) == 0) {
      if (S_ISDIR(theTarget.st_mode)) return FailBool(ERROR_ACCESS_DENIED);
      if (FileSharing::CheckDelete(InodeKey::Of(theTarget)) != 0) return FailBool(ERROR_ACCESS_DENIED);
    }
  }
  if (::rename(theFrom->c_str(), theTo->c_str()) != 0) {
    if (errno == EXDEV) return FailBool(ERROR_NOT_SAME_DEVICE);
    if (errno == EISDIR) return FailBool(ERROR_ACCESS_DENIED);
    return FailBool(PathText::PathError(*theTo, errno));
  }
  SetLastError(0);
  return TRUE;
}

DWORD WINAPI GetFinalPathNameByHandleW(HANDLE hFile, LPWSTR lpszFilePath, DWORD cchFilePath, DWORD /*dwFlags*/) {
  const auto theFile = KernelHandles::FindAs<FileObject>(hFile);
  if (!theFile) return 0;
  const std::string theLink = "/proc/self/fd/" + std::to_string(theFile->Fd());
  std::string theTarget(PATH_MAX, '\0');
  const ssize_t theLength = ::readlink(theLink.c_str(), theTarget.data(), theTarget.size());
  if (theLength < 0 || static_cast<size_t>(theLength) >= theTarget.size()) {
    SetLastError(theLength < 0 ? QxWin32ErrorFromErrno(errno) : ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  theTarget.resize(static_cast<size_t>(theLength));
  const std::u16string theWide = PathText::Utf8ToUtf16Lenient(theTarget);
  if (lpszFilePath == nullptr || theWide.size() + 1 > cchFilePath) return static_cast<DWORD>(theWide.size() + 1);
  std::char_traits<char16_t>::copy(lpszFilePath, theWide.c_str(), theWide.size() + 1);
  SetLastError(0);
  return static_cast<DWORD>(theWide.size());
}

}  // extern "C"
