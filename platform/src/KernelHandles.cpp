// The table of live handles: a handle is accepted only while it is in this table with the right kind.
#include "KernelHandles.h"

#include <errhandlingapi.h>
#include <winerror.h>

#include <mutex>
#include <unordered_map>

namespace qxfile {
namespace {

struct HandleTable {
  std::mutex mMutex;
  std::unordered_map<HANDLE, std::shared_ptr<KernelObject>> mObjects;
};

HandleTable& Table() {
  static Immortal<HandleTable> sTable;
  return sTable.Get();
}

}  // namespace

HANDLE KernelHandles::Add(std::shared_ptr<KernelObject> inObject) {
  HandleTable& theTable = Table();
  HANDLE theHandle = inObject.get();
  std::lock_guard theLock(theTable.mMutex);
  theTable.mObjects[theHandle] = std::move(inObject);
  return theHandle;
}

std::shared_ptr<KernelObject> KernelHandles::Find(HANDLE inHandle, unsigned inKinds) {
  HandleTable& theTable = Table();
  {
    std::lock_guard theLock(theTable.mMutex);
    const auto theIt = theTable.mObjects.find(inHandle);
    if (theIt != theTable.mObjects.end() && (theIt->second->Kind() & inKinds) != 0) return theIt->second;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

std::shared_ptr<KernelObject> KernelHandles::Remove(HANDLE inHandle, unsigned inKinds) {
  HandleTable& theTable = Table();
  std::shared_ptr<KernelObject> theObject;
  {
    std::lock_guard theLock(theTable.mMutex);
    const auto theIt = theTable.mObjects.find(inHandle);
    if (theIt != theTable.mObjects.end() && (theIt->second->Kind() & inKinds) != 0) {
      theObject = std::move(theIt->second);
      theTable.mObjects.erase(theIt);
    }
  }
  if (!theObject) SetLastError(ERROR_INVALID_HANDLE);
  return theObject;  // released by the caller, outside the table's lock
}

}  // namespace qxfile
