// BSTR: UTF-16 text preceded by its byte length.
//
// Memory layout of one BSTR:
//   block + 0: uint32 byte length (without the terminator)
//   block + 4: the text, the BSTR points here
//   block + 4 + length: two zero bytes
// Embedded zeros are kept; a null BSTR counts as the empty string.
#include <oleauto.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kPrefixSize = sizeof(uint32_t);
constexpr size_t kTerminatorSize = sizeof(OLECHAR);
// The largest byte length whose block size still fits in 32 bits, as the length prefix must.
constexpr size_t kMaxByteLength = std::numeric_limits<uint32_t>::max() - kPrefixSize - kTerminatorSize;

BYTE* BlockOf(BSTR inString) { return reinterpret_cast<BYTE*>(inString) - kPrefixSize; }

// Allocates a BSTR of inBytes bytes, copying inSource (which may be null) and adding the terminator.
BSTR AllocateBytes(const void* inSource, size_t inBytes) {
  if (inBytes > kMaxByteLength) return nullptr;
  BYTE* theBlock = static_cast<BYTE*>(std::malloc(kPrefixSize + inBytes + kTerminatorSize));
  if (theBlock == nullptr) return nullptr;
  const uint32_t theLength = static_cast<uint32_t>(inBytes);
  std::memcpy(theBlock, &theLength, sizeof(theLength));
  BYTE* theText = theBlock + kPrefixSize;
  if (inSource != nullptr)
    std::memcpy(theText, inSource, inBytes);
  else
    std::memset(theText, 0, inBytes);
  theText[inBytes] = 0;
  theText[inBytes + 1] = 0;
  return reinterpret_cast<BSTR>(theText);
}

size_t TextLength(const OLECHAR* inText) {
  size_t theLength = 0;
  while (inText[theLength] != 0) ++theLength;
  return theLength;
}

}  // namespace

BSTR WINAPI SysAllocString(const OLECHAR* inText) {
  if (inText == nullptr) return nullptr;
  return AllocateBytes(inText, TextLength(inText) * sizeof(OLECHAR));
}

BSTR WINAPI SysAllocStringLen(const OLECHAR* inText, UINT inLength) {
  if (inLength > kMaxByteLength / sizeof(OLECHAR)) return nullptr;
  return AllocateBytes(inText, size_t{inLength} * sizeof(OLECHAR));
}

BSTR WINAPI SysAllocStringByteLen(LPCSTR inBytes, UINT inLength) { return AllocateBytes(inBytes, inLength); }

INT WINAPI SysReAllocStringLen(BSTR* ioString, const OLECHAR* inText, UINT inLength) {
  if (ioString == nullptr) return FALSE;
  // The new text may lie inside the old string: copy before freeing.
  BSTR theNew = SysAllocStringLen(inText, inLength);
  if (theNew == nullptr) return FALSE;
  SysFreeString(*ioString);
  *ioString = theNew;
  return TRUE;
}

INT WINAPI SysReAllocString(BSTR* ioString, const OLECHAR* inText) {
  if (ioString == nullptr) return FALSE;
  BSTR theNew = inText != nullptr ? SysAllocString(inText) : nullptr;
  if (inText != nullptr && theNew == nullptr) return FALSE;
  SysFreeString(*ioString);
  *ioString = theNew;
  return TRUE;
}

void WINAPI SysFreeString(BSTR inString) {
  if (inString != nullptr) std::free(BlockOf(inString));
}

UINT WINAPI SysStringByteLen(BSTR inString) {
  if (inString == nullptr) return 0;
  uint32_t theLength = 0;
  std::memcpy(&theLength, BlockOf(inString), sizeof(theLength));
  return theLength;
}

UINT WINAPI SysStringLen(BSTR inString) { return SysStringByteLen(inString) / sizeof(OLECHAR); }
