// Memory blocks (HGLOBAL) and streams over them. A block's handle leads to its record, which holds
// the size, the lock count and the memory, so that a block can grow under a stream that writes
// past its end while the handle stays the same.
#include <objidl.h>
#include <errhandlingapi.h>
#include <winerror.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

struct GlobalBlock {
  SIZE_T size = 0;
  LONG locks = 0;
  unsigned char* memory = nullptr;
};

GlobalBlock* Block(HGLOBAL inHandle) { return static_cast<GlobalBlock*>(inHandle); }

// Gives the block inSize bytes, keeping what fits; new bytes are zero.
bool ResizeBlock(GlobalBlock* inBlock, SIZE_T inSize) {
  if (inSize == inBlock->size) return true;
  // realloc of 0 bytes may free; keep one byte so that the block always has memory.
  void* theMemory = std::realloc(inBlock->memory, std::max<SIZE_T>(inSize, 1));
  if (theMemory == nullptr) return false;
  inBlock->memory = static_cast<unsigned char*>(theMemory);
  if (inSize > inBlock->size) std::memset(inBlock->memory + inBlock->size, 0, inSize - inBlock->size);
  inBlock->size = inSize;
  return true;
}

class HGlobalStream final : public IStream {
 public:
  HGlobalStream(HGLOBAL inBlock, bool inDeleteOnRelease) : mBlock(inBlock), mDeleteOnRelease(inDeleteOnRelease) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (!IsEqualIID(inIID, IID_IUnknown) && !IsEqualIID(inIID, IID_ISequentialStream) &&
        !IsEqualIID(inIID, IID_IStream))
      return E_NOINTERFACE;
    *outObject = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++mReferences; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG theCount = --mReferences;
    if (theCount == 0) {
      if (mDeleteOnRelease) GlobalFree(mBlock);
      delete this;
    }
    return theCount;
  }

  HRESULT STDMETHODCALLTYPE Read(void* outData, ULONG inCount, ULONG* outRead) override {
    if (outData == nullptr && inCount != 0) return STG_E_INVALIDPOINTER;
    const GlobalBlock* theBlock = Block(mBlock);
    const ULONGLONG theAvailable = mPosition < theBlock->size ? theBlock->size - mPosition : 0;
    const ULONG theCount = static_cast<ULONG>(std::min<ULONGLONG>(inCount, theAvailable));
    if (theCount != 0) std::memcpy(outData, theBlock->memory + mPosition, theCount);
    mPosition += theCount;
    if (outRead != nullptr) *outRead = theCount;
    return theCount == inCount ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Write(const void* inData, ULONG inCount, ULONG* outWritten) override {
    if (outWritten != nullptr) *outWritten = 0;
    if (inData == nullptr && inCount != 0) return STG_E_INVALIDPOINTER;
    GlobalBlock* theBlock = Block(mBlock);
    const ULONGLONG theEnd = mPosition + inCount;
    if (theEnd > theBlock->size && !ResizeBlock(theBlock, static_cast<SIZE_T>(theEnd))) return STG_E_MEDIUMFULL;
    if (inCount != 0) std::memcpy(theBlock->memory + mPosition, inData, inCount);
    mPosition = theEnd;
    if (outWritten != nullptr) *outWritten = inCount;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER inMove, DWORD inOrigin, ULARGE_INTEGER* outPosition) override {
    LONGLONG theBase = 0;
    switch (inOrigin) {
      case STREAM_SEEK_SET: theBase = 0; break;
      case STREAM_SEEK_CUR: theBase = static_cast<LONGLONG>(mPosition); break;
      case STREAM_SEEK_END: theBase = static_cast<LONGLONG>(Block(mBlock)->size); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    LONGLONG theTarget = 0;
    if (__builtin_add_overflow(theBase, inMove.QuadPart, &theTarget) || theTarget < 0) return STG_E_INVALIDFUNCTION;
    mPosition = static_cast<ULONGLONG>(theTarget);
    if (outPosition != nullptr) outPosition->QuadPart = mPosition;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER inSize) override {
    if (inSize.QuadPart > std::numeric_limits<SIZE_T>::max() / 2) return STG_E_MEDIUMFULL;
    return ResizeBlock(Block(mBlock), static_cast<SIZE_T>(inSize.QuadPart)) ? S_OK : STG_E_MEDIUMFULL;
  }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* outStat, DWORD) override {
    if (outStat == nullptr) return STG_E_INVALIDPOINTER;
    *outStat = STATSTG{};
    outStat->type = STGTY_STREAM;
    outStat->cbSize.QuadPart = Block(mBlock)->size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  ~HGlobalStream() = default;

  std::atomic<ULONG> mReferences{1};
  HGLOBAL mBlock;
  bool mDeleteOnRelease;
  ULONGLONG mPosition = 0;
};

}  // namespace

HGLOBAL WINAPI GlobalAlloc(UINT inFlags, SIZE_T inBytes) {
  (void)inFlags;  // every block is zeroed and movable: its handle is never its memory
  GlobalBlock* theBlock = new (std::nothrow) GlobalBlock;
  // Every block has memory, even an empty one (one byte), so that locking it gives an address.
  if (theBlock != nullptr) theBlock->memory = static_cast<unsigned char*>(std::calloc(std::max<SIZE_T>(inBytes, 1), 1));
  if (theBlock != nullptr && theBlock->memory != nullptr) theBlock->size = inBytes;
  if (theBlock == nullptr || theBlock->memory == nullptr) {
    if (theBlock != nullptr) std::free(theBlock->memory);
    delete theBlock;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return theBlock;
}

LPVOID WINAPI GlobalLock(HGLOBAL inBlock) {
  if (inBlock == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ++Block(inBlock)->locks;
  return Block(inBlock)->memory;
}

BOOL WINAPI GlobalUnlock(HGLOBAL inBlock) {
  if (inBlock == nullptr || Block(inBlock)->locks == 0) {
    SetLastError(inBlock == nullptr ? ERROR_INVALID_HANDLE : ERROR_NOT_LOCKED);
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return --Block(inBlock)->locks != 0;
}

SIZE_T WINAPI GlobalSize(HGLOBAL inBlock) { return inBlock == nullptr ? 0 : Block(inBlock)->size; }

HGLOBAL WINAPI GlobalFree(HGLOBAL inBlock) {
  if (inBlock == nullptr) return nullptr;
  std::free(Block(inBlock)->memory);
  delete Block(inBlock);
  return nullptr;
}

HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL inBlock, BOOL inDeleteOnRelease, IStream** outStream) {
  if (outStream == nullptr) return E_INVALIDARG;
  *outStream = nullptr;
  bool theOwnBlock = false;
  if (inBlock == nullptr) {
    inBlock = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (inBlock == nullptr) return E_OUTOFMEMORY;
    theOwnBlock = true;
  }
  IStream* theStream = new (std::nothrow) HGlobalStream(inBlock, inDeleteOnRelease != FALSE);
  if (theStream == nullptr) {
    if (theOwnBlock) GlobalFree(inBlock);
    return E_OUTOFMEMORY;
  }
  *outStream = theStream;
  return S_OK;
}
