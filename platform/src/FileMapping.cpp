// Read-only file mappings and their views, over mmap. A mapping keeps its own descriptor of the file;
// every view is recorded with its length, since munmap needs it and Windows callers give only the
// start.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include "FileObject.h"
#include "FileSharing.h"
#include "KernelHandles.h"

#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <sys/mman.h>

using qxfile::FileObject;
using qxfile::FileSharing;
using qxfile::InodeKey;
using qxfile::KernelHandles;
using qxfile::UniqueFd;

namespace {

// Windows places views at multiples of its allocation granularity; offsets must be such multiples.
constexpr uint64_t kAllocationGranularity = 65536;

class MappingObject : public qxfile::KernelObject {
 public:
  static constexpr unsigned kKind = qxfile::kKindMapping;

  // inSize has been recorded with FileSharing::AddMapping; the object forgets it when it ends.
  MappingObject(UniqueFd inFd, const InodeKey& inKey, uint64_t inSize)
      : KernelObject(qxfile::kKindMapping), mFd(std::move(inFd)), mKey(inKey), mSize(inSize) {}
  ~MappingObject() override { FileSharing::RemoveMappedEnd(mKey, mSize); }

  int Fd() const { return mFd.Get(); }
  const InodeKey& Key() const { return mKey; }
  uint64_t Size() const { return mSize; }

 private:
  UniqueFd mFd;
  InodeKey mKey;
  uint64_t mSize;
};

struct ViewRecord {
  size_t mLength;
  InodeKey mKey;
  uint64_t mEnd;  // the file offset just past the view
};

struct ViewTable {
  std::mutex mMutex;
  std::map<const void*, ViewRecord> mViews;
};

ViewTable& Views() {
  static qxfile::Immortal<ViewTable> sViews;
  return sViews.Get();
}

HANDLE CreateMapping(HANDLE inFile, DWORD inProtect, DWORD inSizeHigh, DWORD inSizeLow, bool inNamed) {
  const auto theFile = KernelHandles::FindAs<FileObject>(inFile);
  if (!theFile) return nullptr;
  if (inNamed || (inProtect & 0xFFu) != PAGE_READONLY) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  if (!theFile->CanRead()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  UniqueFd theFd(::fcntl(theFile->Fd(), F_DUPFD_CLOEXEC, 0));
  if (!theFd.Valid()) {
    QxSetLastErrorFromErrno();
    return nullptr;
  }
  uint64_t theSize = (static_cast<uint64_t>(inSizeHigh) << 32) | inSizeLow;
  const DWORD theResult = FileSharing::AddMapping(theFile->Key(), theFd.Get(), theSize);
  if (theResult != 0) {
    SetLastError(theResult);
    return nullptr;
  }
  HANDLE theHandle = KernelHandles::Add(std::make_shared<MappingObject>(std::move(theFd), theFile->Key(), theSize));
  SetLastError(ERROR_SUCCESS);
  return theHandle;
}

}  // namespace

extern "C" {

HANDLE WINAPI CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES /*lpFileMappingAttributes*/, DWORD flProtect,
                                 DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCWSTR lpName) {
  return CreateMapping(hFile, flProtect, dwMaximumSizeHigh, dwMaximumSizeLow, lpName != nullptr);
}

HANDLE WINAPI CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES /*lpFileMappingAttributes*/, DWORD flProtect,
                                 DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName) {
  return CreateMapping(hFile, flProtect, dwMaximumSizeHigh, dwMaximumSizeLow, lpName != nullptr);
}

LPVOID WINAPI MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                            DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) {
  const auto theMapping = KernelHandles::FindAs<MappingObject>(hFileMappingObject);
  if (!theMapping) return nullptr;
  if ((dwDesiredAccess & (FILE_MAP_WRITE | FILE_MAP_COPY)) != 0 || (dwDesiredAccess & FILE_MAP_READ) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  const uint64_t theOffset = (static_cast<uint64_t>(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
  if (theOffset % kAllocationGranularity != 0) {
    SetLastError(ERROR_MAPPED_ALIGNMENT);
    return nullptr;
  }
  const uint64_t theSize = theMapping->Size();
  if (theOffset >= theSize || dwNumberOfBytesToMap > theSize - theOffset) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  const uint64_t theLength = dwNumberOfBytesToMap == 0 ? theSize - theOffset : dwNumberOfBytesToMap;
  if (theLength > SIZE_MAX) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const uint64_t theEnd = theOffset + theLength;
  FileSharing::AddMappedEnd(theMapping->Key(), theEnd);
  void* theView = ::mmap(nullptr, static_cast<size_t>(theLength), PROT_READ, MAP_SHARED, theMapping->Fd(),
                         static_cast<off_t>(theOffset));
  if (theView == MAP_FAILED) {
    QxSetLastErrorFromErrno();
    FileSharing::RemoveMappedEnd(theMapping->Key(), theEnd);
    return nullptr;
  }
  ViewTable& theViews = Views();
  std::lock_guard theLock(theViews.mMutex);
  theViews.mViews[theView] = ViewRecord{static_cast<size_t>(theLength), theMapping->Key(), theEnd};
  return theView;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress) {
  ViewRecord theRecord{};
  {
    ViewTable& theViews = Views();
    std::lock_guard theLock(theViews.mMutex);
    const auto theIt = theViews.mViews.find(lpBaseAddress);
    if (theIt == theViews.mViews.end()) {
      SetLastError(ERROR_INVALID_ADDRESS);
      return FALSE;
    }
    theRecord = theIt->second;
    theViews.mViews.erase(theIt);
    ::munmap(const_cast<void*>(lpBaseAddress), theRecord.mLength);
  }
  FileSharing::RemoveMappedEnd(theRecord.mKey, theRecord.mEnd);
  return TRUE;
}

}  // extern "C"
