// What this process knows about each open file, keyed by device and inode: the share modes and access
// of its handles, the byte ranges they locked, and how far mappings of it reach. All of it is kept
// under one lock, so that a check and the change it allows happen together.
#pragma once

#include <windef.h>

#include <compare>
#include <cstdint>

#include <sys/stat.h>

namespace qxfile {

// Data access of a handle, in the same bits as the FILE_SHARE_* modes that admit it.
enum FileAccess : DWORD { kAccessRead = 1u, kAccessWrite = 2u, kAccessDelete = 4u };

struct InodeKey {
  uint64_t mDevice = 0;
  uint64_t mInode = 0;
  auto operator<=>(const InodeKey&) const = default;

  static InodeKey Of(const struct stat& inStat) {
    return InodeKey{static_cast<uint64_t>(inStat.st_dev), static_cast<uint64_t>(inStat.st_ino)};
  }
};

class FileSharing {
 public:
  // Registers an open of inOwner with the given access and share mode.
  // RETURNS: 0, or ERROR_SHARING_VIOLATION when it conflicts with an earlier handle.
  static DWORD Open(const InodeKey& inKey, const void* inOwner, DWORD inAccess, DWORD inShareMode);

  // Forgets inOwner's open and the ranges it locked, releasing them on inFd too.
  static void Close(const InodeKey& inKey, const void* inOwner, int inFd);

  // RETURNS: 0 when the file may be deleted, ERROR_SHARING_VIOLATION when a handle does not share
  //   deleting.
  static DWORD CheckDelete(const InodeKey& inKey);

  // Locks [inOffset, inOffset + inLength) for inOwner, in this process and as a record lock on inFd
  // (exclusive when inWritable, else shared, as the descriptor allows). RETURNS: 0 or
  // ERROR_LOCK_VIOLATION.
  static DWORD Lock(const InodeKey& inKey, const void* inOwner, int inFd, bool inWritable, uint64_t inOffset,
                    uint64_t inLength);

  // Releases exactly a range inOwner locked. RETURNS: 0 or ERROR_NOT_LOCKED.
  static DWORD Unlock(const InodeKey& inKey, const void* inOwner, int inFd, uint64_t inOffset, uint64_t inLength);

  // RETURNS: whether a handle other than inOwner locked any byte of [inOffset, inOffset + inLength).
  static bool LockedByOther(const InodeKey& inKey, const void* inOwner, uint64_t inOffset, uint64_t inLength);

  // Sets the size of the file on inFd to inNewSize unless a mapping of this process reaches past it.
  // RETURNS: 0, ERROR_USER_MAPPED_FILE, or the error of the truncation.
  static DWORD Truncate(const InodeKey& inKey, int inFd, uint64_t inNewSize);

  // Records a mapping of the file on inFd of inSize bytes (0: the whole file, the size found is put
  // in ioSize). RETURNS: 0, ERROR_FILE_INVALID for an empty whole file, ERROR_NOT_ENOUGH_MEMORY for a
  // size past the end of the file, or the error of asking the size.
  static DWORD AddMapping(const InodeKey& inKey, int inFd, uint64_t& ioSize);

  // Records one more mapped range that ends at inEnd (a view), or forgets one.
  static void AddMappedEnd(const InodeKey& inKey, uint64_t inEnd);
  static void RemoveMappedEnd(const InodeKey& inKey, uint64_t inEnd);
};

}  // namespace qxfile
