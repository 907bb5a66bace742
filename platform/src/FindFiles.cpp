// Folder searches: FindFirstFile reads the matching entries of the folder once, sorts them by name and
// hands them out one by one; the folder itself is not kept open.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include "KernelHandles.h"
#include "PathText.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using qxfile::KernelHandles;
using qxfile::PathText;

namespace {

struct FindEntry {
  std::string mName;  // UTF-8
  DWORD mAttributes;
  FILETIME mCreation;
  FILETIME mLastAccess;
  FILETIME mLastWrite;
  uint64_t mSize;
};

class FindObject : public qxfile::KernelObject {
 public:
  static constexpr unsigned kKind = qxfile::kKindFind;

  explicit FindObject(std::vector<FindEntry> inEntries)
      : KernelObject(qxfile::kKindFind), mEntries(std::move(inEntries)) {}

  // RETURNS: the next entry, or null after the last.
  const FindEntry* Next() {
    std::lock_guard theLock(mMutex);
    return mNext < mEntries.size() ? &mEntries[mNext++] : nullptr;
  }

 private:
  std::mutex mMutex;
  std::vector<FindEntry> mEntries;
  size_t mNext = 0;
};

// Windows compares names without regard to case; this folds the letters of Latin-1, Greek and
// Cyrillic to lower case.
char32_t Fold(char32_t inCode) {
  if (inCode >= U'A' && inCode <= U'Z') return inCode + 32;
  if (inCode >= 0xC0 && inCode <= 0xDE && inCode != 0xD7) return inCode + 32;
  if (inCode >= 0x391 && inCode <= 0x3A9 && inCode != 0x3A2) return inCode + 32;
  if (inCode >= 0x410 && inCode <= 0x42F) return inCode + 32;
  if (inCode >= 0x400 && inCode <= 0x40F) return inCode + 80;
  return inCode;
}

// The folded code points of UTF-8 text; false when it is not valid UTF-8.
bool FoldedCodes(std::string_view inText, std::u32string& outCodes) {
  outCodes.clear();
  size_t thePos = 0;
  while (thePos < inText.size()) {
    char32_t theCode = 0;
    if (!PathText::DecodeUtf8(inText, thePos, theCode)) return false;
    outCodes.push_back(Fold(theCode));
  }
  return true;
}

// Matches * (any run) and ? (one character), backtracking only to the last star, so the time is at
// most the product of the two lengths.
bool WildcardMatch(std::u32string_view inPattern, std::u32string_view inName) {
  size_t thePattern = 0;
  size_t theName = 0;
  size_t theStar = std::u32string_view::npos;
  size_t theMark = 0;
  while (theName < inName.size()) {
    if (thePattern < inPattern.size() && (inPattern[thePattern] == U'?' || inPattern[thePattern] == inName[theName])) {
      ++thePattern;
      ++theName;
    } else if (thePattern < inPattern.size() && inPattern[thePattern] == U'*') {
      theStar = thePattern++;
      theMark = theName;
    } else if (theStar != std::u32string_view::npos) {
      thePattern = theStar + 1;
      theName = ++theMark;
    } else {
      return false;
    }
  }
  while (thePattern < inPattern.size() && inPattern[thePattern] == U'*') ++thePattern;
  return thePattern == inPattern.size();
}

// As on Windows, a pattern ending in ".*" also matches names without that extension ("*.*" matches
// every name, "readme.*" matches "readme").
bool PatternMatch(std::u32string_view inPattern, std::u32string_view inName) {
  if (WildcardMatch(inPattern, inName)) return true;
  return inPattern.size() >= 2 && inPattern.substr(inPattern.size() - 2) == U".*" &&
         WildcardMatch(inPattern.substr(0, inPattern.size() - 2), inName);
}

struct DirCloser {
  void operator()(DIR* inDir) const { ::closedir(inDir); }
};

// Reads an entry's details; false when it vanished meanwhile.
bool Describe(int inFolder, const char* inName, FindEntry& outEntry) {
  struct statx theStat {};
  if (::statx(inFolder, inName, AT_NO_AUTOMOUNT, STATX_BASIC_STATS | STATX_BTIME, &theStat) != 0 &&
      ::statx(inFolder, inName, AT_NO_AUTOMOUNT | AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME,
              &theStat) != 0) {
    return false;  // a link to nowhere is described as itself; a vanished entry is left out
  }
  const auto theTime = [](const struct statx_timestamp& inStamp) {
    return PathText::ToFileTime(timespec{static_cast<time_t>(inStamp.tv_sec), static_cast<long>(inStamp.tv_nsec)});
  };
  outEntry.mAttributes = PathText::AttributesOf(theStat.stx_mode);
  outEntry.mLastAccess = theTime(theStat.stx_atime);
  outEntry.mLastWrite = theTime(theStat.stx_mtime);
  outEntry.mCreation = (theStat.stx_mask & STATX_BTIME) != 0 ? theTime(theStat.stx_btime) : outEntry.mLastWrite;
  outEntry.mSize = S_ISDIR(theStat.stx_mode) ? 0 : theStat.stx_size;
  return true;
}

// Lists the entries of "folder/pattern". RETURNS: the search, holding at least one entry, or null
// with the last error set.
std::shared_ptr<FindObject> StartSearch(const std::string& inSearchPath) {
  const size_t theSlash = inSearchPath.rfind('/');
  const std::string theFolder =
      theSlash == std::string::npos ? std::string(".") : (theSlash == 0 ? std::string("/") : inSearchPath.substr(0, theSlash));
  const std::string_view thePatternText =
      theSlash == std::string::npos ? std::string_view(inSearchPath) : std::string_view(inSearchPath).substr(theSlash + 1);

  std::unique_ptr<DIR, DirCloser> theDir(::opendir(theFolder.c_str()));
  if (!theDir) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : QxWin32ErrorFromErrno(errno));
    return nullptr;
  }
  std::u32string thePattern;
  if (!FoldedCodes(thePatternText, thePattern)) {
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  if (thePattern == U"*.*") thePattern.resize(1);  // "*.*" is "*"
  if (thePattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }

  std::vector<FindEntry> theEntries;
  std::u32string theName;
  std::u16string theWideName;
  for (;;) {
    errno = 0;
    const dirent* theDirEntry = ::readdir(theDir.get());
    if (theDirEntry == nullptr) {
      if (errno != 0) {
        QxSetLastErrorFromErrno();
        return nullptr;
      }
      break;
    }
    const std::string_view theEntryName(theDirEntry->d_name);
    // Only names a Windows caller can hold and give back: valid UTF-8 that fits cFileName.
    theWideName.clear();
    if (theEntryName.size() >= MAX_PATH || !FoldedCodes(theEntryName, theName) ||
        !PathText::Utf8ToUtf16(theEntryName, theWideName) || theWideName.size() >= MAX_PATH) {
      continue;
    }
    if (!PatternMatch(thePattern, theName)) continue;
    FindEntry theEntry{std::string(theEntryName), 0, {}, {}, {}, 0};
    if (Describe(::dirfd(theDir.get()), theDirEntry->d_name, theEntry)) theEntries.push_back(std::move(theEntry));
  }
  if (theEntries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  std::sort(theEntries.begin(), theEntries.end(),
            [](const FindEntry& inA, const FindEntry& inB) { return inA.mName < inB.mName; });
  return std::make_shared<FindObject>(std::move(theEntries));
}

template <class Data>
void FillCommon(const FindEntry& inEntry, Data& outData) {
  outData.dwFileAttributes = inEntry.mAttributes;
  outData.ftCreationTime = inEntry.mCreation;
  outData.ftLastAccessTime = inEntry.mLastAccess;
  outData.ftLastWriteTime = inEntry.mLastWrite;
  outData.nFileSizeHigh = static_cast<DWORD>(inEntry.mSize >> 32);
  outData.nFileSizeLow = static_cast<DWORD>(inEntry.mSize);
  outData.dwReserved0 = 0;
  outData.dwReserved1 = 0;
  outData.cAlternateFileName[0] = 0;
}

void Fill(const FindEntry& inEntry, WIN32_FIND_DATAW& outData) {
  FillCommon(inEntry, outData);
  std::u16string theName;
  PathText::Utf8ToUtf16(inEntry.mName, theName);  // checked when listed: valid and short enough
  const size_t theLength = std::min<size_t>(theName.size(), MAX_PATH - 1);
  std::copy_n(theName.begin(), theLength, outData.cFileName);
  outData.cFileName[theLength] = 0;
}

void Fill(const FindEntry& inEntry, WIN32_FIND_DATAA& outData) {
  FillCommon(inEntry, outData);
  const size_t theLength = std::min<size_t>(inEntry.mName.size(), MAX_PATH - 1);
  std::copy_n(inEntry.mName.begin(), theLength, outData.cFileName);
  outData.cFileName[theLength] = 0;
}

template <class Data>
HANDLE FindFirst(const std::optional<std::string>& inSearchPath, Data* outData) {
  if (!inSearchPath) return INVALID_HANDLE_VALUE;
  if (outData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto theSearch = StartSearch(*inSearchPath);
  if (!theSearch) return INVALID_HANDLE_VALUE;
  Fill(*theSearch->Next(), *outData);
  SetLastError(ERROR_SUCCESS);
  return KernelHandles::Add(std::move(theSearch));
}

template <class Data>
BOOL FindNext(HANDLE inHandle, Data* outData) {
  const auto theSearch = KernelHandles::FindAs<FindObject>(inHandle);
  if (!theSearch) return FALSE;
  if (outData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const FindEntry* theEntry = theSearch->Next();
  if (theEntry == nullptr) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  Fill(*theEntry, *outData);
  return TRUE;
}

}  // namespace

extern "C" {

HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
  return FindFirst(PathText::WideToUtf8(lpFileName), lpFindFileData);
}

HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
  return FindFirst(PathText::NarrowPath(lpFileName), lpFindFileData);
}

BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
  return FindNext(hFindFile, lpFindFileData);
}

BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
  return FindNext(hFindFile, lpFindFileData);
}

BOOL WINAPI FindClose(HANDLE hFindFile) {
  return KernelHandles::Remove(hFindFile, qxfile::kKindFind) ? TRUE : FALSE;
}

}  // extern "C"
