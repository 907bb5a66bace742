// Streams over memory: IStream, the HGLOBAL memory blocks behind them and CreateStreamOnHGlobal.
#pragma once

#include "unknwn.h"
#include "windef.h"

typedef union _ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
} ULARGE_INTEGER, *PULARGE_INTEGER;

typedef HANDLE HGLOBAL;

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040

#define STREAM_SEEK_SET 0
#define STREAM_SEEK_CUR 1
#define STREAM_SEEK_END 2

#define STATFLAG_DEFAULT 0
#define STATFLAG_NONAME 1
#define STGTY_STREAM 2

#define STG_E_INVALIDFUNCTION static_cast<HRESULT>(0x80030001L)
#define STG_E_MEDIUMFULL static_cast<HRESULT>(0x80030070L)
#define STG_E_INVALIDPOINTER static_cast<HRESULT>(0x80030009L)

typedef struct tagSTATSTG {
  LPOLESTR pwcsName;
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  GUID clsid;
  DWORD grfStateBits;
  DWORD reserved;
} STATSTG;

inline constexpr IID IID_ISequentialStream = {0x0c733a30, 0x2a1c, 0x11ce, {0xad, 0xe5, 0x00, 0xaa, 0x00, 0x44, 0x77, 0x3d}};
inline constexpr IID IID_IStream = {0x0000000c, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct ISequentialStream : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Read(void* outData, ULONG inCount, ULONG* outRead) = 0;
  virtual HRESULT STDMETHODCALLTYPE Write(const void* inData, ULONG inCount, ULONG* outWritten) = 0;

 protected:
  ~ISequentialStream() = default;
};

struct IStream : public ISequentialStream {
  virtual HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER inMove, DWORD inOrigin, ULARGE_INTEGER* outPosition) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER inSize) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyTo(IStream* inTarget, ULARGE_INTEGER inCount, ULARGE_INTEGER* outRead,
                                           ULARGE_INTEGER* outWritten) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit(DWORD inFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
  virtual HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER inOffset, ULARGE_INTEGER inCount, DWORD inType) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER inOffset, ULARGE_INTEGER inCount, DWORD inType) = 0;
  virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* outStat, DWORD inFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IStream** outStream) = 0;

 protected:
  ~IStream() = default;
};

extern "C" {

// A memory block of inBytes bytes; null with ERROR_NOT_ENOUGH_MEMORY when it cannot be had.
HGLOBAL WINAPI GlobalAlloc(UINT inFlags, SIZE_T inBytes);
// The block's address (a lock count is kept for movable blocks); null for a null block.
LPVOID WINAPI GlobalLock(HGLOBAL inBlock);
BOOL WINAPI GlobalUnlock(HGLOBAL inBlock);
SIZE_T WINAPI GlobalSize(HGLOBAL inBlock);
// Frees the block; null on success, the block itself on failure.
HGLOBAL WINAPI GlobalFree(HGLOBAL inBlock);

// A stream over a memory block; with inBlock null a new block is made. With inDeleteOnRelease the
// stream frees the block when its last reference goes. The stream starts at position 0 and its
// size is the block's size.
HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL inBlock, BOOL inDeleteOnRelease, IStream** outStream);

}  // extern "C"
