// The per-file table of share modes, locked ranges and mapped extents.
#include "FileSharing.h"

#include "KernelHandles.h"

#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace qxfile {
namespace {

struct OpenRecord {
  const void* mOwner;
  DWORD mAccess;
  DWORD mShareMode;
};

struct LockRecord {
  const void* mOwner;
  uint64_t mOffset;
  uint64_t mLength;
};

struct InodeRecord {
  std::vector<OpenRecord> mOpens;
  std::vector<LockRecord> mLocks;
  std::multiset<uint64_t> mMappedEnds;

  bool Empty() const { return mOpens.empty() && mLocks.empty() && mMappedEnds.empty(); }
};

struct SharingTable {
  std::mutex mMutex;
  std::map<InodeKey, InodeRecord> mRecords;
};

SharingTable& Table() {
  static Immortal<SharingTable> sTable;
  return sTable.Get();
}

constexpr DWORD kShareBits = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool Conflicts(DWORD inAccessA, DWORD inShareA, DWORD inAccessB, DWORD inShareB) {
  return (inAccessA & ~inShareB & kShareBits) != 0 || (inAccessB & ~inShareA & kShareBits) != 0;
}

// Zero-length ranges overlap nothing, as on Windows.
bool Overlaps(uint64_t inOffsetA, uint64_t inLengthA, uint64_t inOffsetB, uint64_t inLengthB) {
  if (inLengthA == 0 || inLengthB == 0) return false;
  const uint64_t theLastA = inOffsetA + std::min(inLengthA - 1, UINT64_MAX - inOffsetA);
  const uint64_t theLastB = inOffsetB + std::min(inLengthB - 1, UINT64_MAX - inOffsetB);
  return inOffsetA <= theLastB && inOffsetB <= theLastA;
}

// Applies a record lock operation to the part of the range that POSIX offsets can express.
// RETURNS: whether the operation succeeded (trivially so when there is nothing to express).
bool RecordLock(int inFd, short inType, uint64_t inOffset, uint64_t inLength) {
  constexpr uint64_t kMaxOffset = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
  if (inLength == 0 || inOffset > kMaxOffset) return true;
  struct flock theLock {};
  theLock.l_type = inType;
  theLock.l_whence = SEEK_SET;
  theLock.l_start = static_cast<off_t>(inOffset);
  // A range that reaches past the largest offset is held up to the end of all offsets (length 0).
  theLock.l_len = inLength > kMaxOffset - inOffset ? 0 : static_cast<off_t>(inLength);
  theLock.l_pid = 0;
  return ::fcntl(inFd, F_OFD_SETLK, &theLock) == 0;
}

}  // namespace

DWORD FileSharing::Open(const InodeKey& inKey, const void* inOwner, DWORD inAccess, DWORD inShareMode) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  InodeRecord& theRecord = theTable.mRecords[inKey];
  for (const OpenRecord& theOpen : theRecord.mOpens) {
    if (Conflicts(inAccess, inShareMode, theOpen.mAccess, theOpen.mShareMode)) {
      if (theRecord.Empty()) theTable.mRecords.erase(inKey);
      return ERROR_SHARING_VIOLATION;
    }
  }
  theRecord.mOpens.push_back(OpenRecord{inOwner, inAccess, inShareMode});
  return 0;
}

void FileSharing::Close(const InodeKey& inKey, const void* inOwner, int inFd) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  const auto theIt = theTable.mRecords.find(inKey);
  if (theIt == theTable.mRecords.end()) return;
  InodeRecord& theRecord = theIt->second;
  std::erase_if(theRecord.mOpens, [&](const OpenRecord& inOpen) { return inOpen.mOwner == inOwner; });
  const auto theLockCount = theRecord.mLocks.size();
  std::erase_if(theRecord.mLocks, [&](const LockRecord& inLock) { return inLock.mOwner == inOwner; });
  // A mapping may share this open file description and keep it alive, so its record locks are
  // released now rather than when the last descriptor closes.
  if (theRecord.mLocks.size() != theLockCount) RecordLock(inFd, F_UNLCK, 0, UINT64_MAX);
  if (theRecord.Empty()) theTable.mRecords.erase(theIt);
}

DWORD FileSharing::CheckDelete(const InodeKey& inKey) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  const auto theIt = theTable.mRecords.find(inKey);
  if (theIt == theTable.mRecords.end()) return 0;
  for (const OpenRecord& theOpen : theIt->second.mOpens) {
    if ((theOpen.mShareMode & FILE_SHARE_DELETE) == 0) return ERROR_SHARING_VIOLATION;
  }
  return 0;
}

DWORD FileSharing::Lock(const InodeKey& inKey, const void* inOwner, int inFd, bool inWritable, uint64_t inOffset,
                        uint64_t inLength) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  InodeRecord& theRecord = theTable.mRecords[inKey];
  for (const LockRecord& theHeld : theRecord.mLocks) {
    if (Overlaps(inOffset, inLength, theHeld.mOffset, theHeld.mLength)) {
      if (theRecord.Empty()) theTable.mRecords.erase(inKey);
      return ERROR_LOCK_VIOLATION;
    }
  }
  if (!RecordLock(inFd, inWritable ? F_WRLCK : F_RDLCK, inOffset, inLength)) {
    if (theRecord.Empty()) theTable.mRecords.erase(inKey);
    return (errno == EAGAIN || errno == EACCES) ? ERROR_LOCK_VIOLATION : QxWin32ErrorFromErrno(errno);
  }
  theRecord.mLocks.push_back(LockRecord{inOwner, inOffset, inLength});
  return 0;
}

DWORD FileSharing::Unlock(const InodeKey& inKey, const void* inOwner, int inFd, uint64_t inOffset,
                          uint64_t inLength) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  const auto theIt = theTable.mRecords.find(inKey);
  if (theIt == theTable.mRecords.end()) return ERROR_NOT_LOCKED;
  InodeRecord& theRecord = theIt->second;
  const auto theHeld = std::find_if(theRecord.mLocks.begin(), theRecord.mLocks.end(), [&](const LockRecord& inLock) {
    return inLock.mOwner == inOwner && inLock.mOffset == inOffset && inLock.mLength == inLength;
  });
  if (theHeld == theRecord.mLocks.end()) return ERROR_NOT_LOCKED;
  theRecord.mLocks.erase(theHeld);
  RecordLock(inFd, F_UNLCK, inOffset, inLength);
  if (theRecord.Empty()) theTable.mRecords.erase(theIt);
  return 0;
}

bool FileSharing::LockedByOther(const InodeKey& inKey, const void* inOwner, uint64_t inOffset, uint64_t inLength) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  const auto theIt = theTable.mRecords.find(inKey);
  if (theIt == theTable.mRecords.end()) return false;
  return std::any_of(theIt->second.mLocks.begin(), theIt->second.mLocks.end(), [&](const LockRecord& inLock) {
    return inLock.mOwner != inOwner && Overlaps(inOffset, inLength, inLock.mOffset, inLock.mLength);
  });
}

DWORD FileSharing::Truncate(const InodeKey& inKey, int inFd, uint64_t inNewSize) {
  if (inNewSize > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return ERROR_INVALID_PARAMETER;
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  const auto theIt = theTable.mRecords.find(inKey);
  if (theIt != theTable.mRecords.end() && !theIt->second.mMappedEnds.empty() &&
      *theIt->second.mMappedEnds.rbegin() > inNewSize) {
    return ERROR_USER_MAPPED_FILE;
  }
  if (::ftruncate(inFd, static_cast<off_t>(inNewSize)) != 0) return QxWin32ErrorFromErrno(errno);
  return 0;
}

DWORD FileSharing::AddMapping(const InodeKey& inKey, int inFd, uint64_t& ioSize) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  struct stat theStat {};
  if (::fstat(inFd, &theStat) != 0) return QxWin32ErrorFromErrno(errno);
  if (!S_ISREG(theStat.st_mode)) return ERROR_INVALID_PARAMETER;
  const auto theFileSize = static_cast<uint64_t>(theStat.st_size);
  if (ioSize == 0) {
    if (theFileSize == 0) return ERROR_FILE_INVALID;
    ioSize = theFileSize;
  } else if (ioSize > theFileSize) {
    // A read-only mapping cannot grow the file, and bytes past its end could not be read.
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  theTable.mRecords[inKey].mMappedEnds.insert(ioSize);
  return 0;
}

void FileSharing::AddMappedEnd(const InodeKey& inKey, uint64_t inEnd) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  theTable.mRecords[inKey].mMappedEnds.insert(inEnd);
}

void FileSharing::RemoveMappedEnd(const InodeKey& inKey, uint64_t inEnd) {
  SharingTable& theTable = Table();
  std::lock_guard theLock(theTable.mMutex);
  const auto theIt = theTable.mRecords.find(inKey);
  if (theIt == theTable.mRecords.end()) return;
  const auto theEnd = theIt->second.mMappedEnds.find(inEnd);
  if (theEnd != theIt->second.mMappedEnds.end()) theIt->second.mMappedEnds.erase(theEnd);
  if (theIt->second.Empty()) theTable.mRecords.erase(theIt);
}

}  // namespace qxfile
