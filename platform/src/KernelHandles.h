// The objects behind file, mapping and search handles, and the process-wide table of live handles.
// A HANDLE is the address of its object; it is used only after the table has confirmed that it names a
// live object of the expected kind, so stale, foreign or garbage handles are refused without being
// dereferenced.
#pragma once

#include <windef.h>

#include <cerrno>
#include <memory>
#include <new>
#include <utility>

#include <unistd.h>

namespace qxfile {

// Kinds as bits, so that a call may accept several kinds (CloseHandle takes files and mappings).
enum KernelObjectKind : unsigned { kKindFile = 1u, kKindMapping = 2u, kKindFind = 4u };

class KernelObject {
 public:
  explicit KernelObject(KernelObjectKind inKind) : mKind(inKind) {}
  virtual ~KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;
  KernelObjectKind Kind() const { return mKind; }

 private:
  KernelObjectKind mKind;
};

class KernelHandles {
 public:
  // Enters the object into the table; its address becomes the handle.
  static HANDLE Add(std::shared_ptr<KernelObject> inObject);
  // The live object of one of inKinds named by inHandle; null with ERROR_INVALID_HANDLE otherwise.
  static std::shared_ptr<KernelObject> Find(HANDLE inHandle, unsigned inKinds);
  // As Find, and removes it from the table. The object ends when the last user lets go of it.
  static std::shared_ptr<KernelObject> Remove(HANDLE inHandle, unsigned inKinds);

  template <class T>
  static std::shared_ptr<T> FindAs(HANDLE inHandle) {
    return std::static_pointer_cast<T>(Find(inHandle, T::kKind));
  }
};

// Process-wide state that is built on first use and never destroyed, so that calls made while other
// static objects are destroyed at exit still find it intact.
template <class T>
class Immortal {
 public:
  Immortal() { ::new (static_cast<void*>(mStorage)) T(); }
  T& Get() { return *std::launder(reinterpret_cast<T*>(mStorage)); }

 private:
  alignas(T) unsigned char mStorage[sizeof(T)];
};

// An owned POSIX file descriptor.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int inFd) : mFd(inFd) {}
  UniqueFd(UniqueFd&& inOther) noexcept : mFd(std::exchange(inOther.mFd, -1)) {}
  UniqueFd& operator=(UniqueFd&& inOther) noexcept {
    if (this != &inOther) {
      Reset();
      mFd = std::exchange(inOther.mFd, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return mFd; }
  bool Valid() const { return mFd >= 0; }
  void Reset() {
    if (mFd >= 0) {
      const int theSavedErrno = errno;  // closing must not disturb the error being reported
      ::close(mFd);
      errno = theSavedErrno;
    }
    mFd = -1;
  }

 private:
  int mFd = -1;
};

}  // namespace qxfile
