// The object behind a file handle: the descriptor, the data access it was opened with and the file's
// identity, by which sharing and locks are kept per file.
#pragma once

#include "FileSharing.h"
#include "KernelHandles.h"

#include <mutex>

namespace qxfile {

class FileObject : public KernelObject {
 public:
  static constexpr unsigned kKind = kKindFile;

  FileObject(UniqueFd inFd, const InodeKey& inKey, DWORD inAccess)
      : KernelObject(kKindFile), mFd(std::move(inFd)), mKey(inKey), mAccess(inAccess) {}

  // Gives up the file's share entry and lock ranges before the descriptor closes.
  ~FileObject() override { FileSharing::Close(mKey, this, mFd.Get()); }

  int Fd() const { return mFd.Get(); }
  const InodeKey& Key() const { return mKey; }
  bool CanRead() const { return (mAccess & kAccessRead) != 0; }
  bool CanWrite() const { return (mAccess & kAccessWrite) != 0; }
  bool HasDataAccess() const { return mAccess != 0; }

  // Held around every use of the file position, so each read, write or move happens as one step.
  std::mutex& PositionMutex() { return mPositionMutex; }

 private:
  UniqueFd mFd;
  InodeKey mKey;
  DWORD mAccess;
  std::mutex mPositionMutex;
};

}  // namespace qxfile
