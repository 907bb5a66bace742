// SAFEARRAY: arrays of Automation values with bounds, element size and a lock count.
//
// Memory layout of one array descriptor:
//   block + 0:  VARTYPE of the elements (FADF_HAVEVARTYPE), padded to 16 bytes
//   block + 16: SAFEARRAY with cDims bounds, the SAFEARRAY* points here
// As on Windows, rgsabound holds the dimensions in reverse order: rgsabound[0] is the last one.
// The data lives in a separate block (pvData), at least one byte long so that an empty array still
// has a data pointer.
#include <oleauto.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

constexpr size_t kPrefixSize = 16;
constexpr ULONG kMaxLocks = 0xFFFF;
// The largest data block an array may have.
constexpr uint64_t kMaxDataBytes = std::numeric_limits<uint32_t>::max();

UINT ElementSize(VARTYPE inType) {
  switch (inType) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_R4:
    case VT_INT:
    case VT_UINT:
    case VT_ERROR: return 4;
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_I8:
    case VT_UI8: return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
  }
}

USHORT FeaturesOf(VARTYPE inType) {
  switch (inType) {
    case VT_BSTR: return FADF_HAVEVARTYPE | FADF_BSTR;
    case VT_UNKNOWN: return FADF_HAVEVARTYPE | FADF_UNKNOWN;
    case VT_DISPATCH: return FADF_HAVEVARTYPE | FADF_DISPATCH;
    case VT_VARIANT: return FADF_HAVEVARTYPE | FADF_VARIANT;
    default: return FADF_HAVEVARTYPE;
  }
}

BYTE* BlockOf(SAFEARRAY* inArray) { return reinterpret_cast<BYTE*>(inArray) - kPrefixSize; }

VARTYPE StoredType(SAFEARRAY* inArray) {
  VARTYPE theType = VT_EMPTY;
  std::memcpy(&theType, BlockOf(inArray), sizeof(theType));
  return theType;
}

// The number of cells, or false when the product overflows the allowed data size.
bool CellCount(const SAFEARRAY* inArray, uint64_t& outCells) {
  uint64_t theCells = 1;
  for (USHORT i = 0; i < inArray->cDims; ++i) {
    if (__builtin_mul_overflow(theCells, uint64_t{inArray->rgsabound[i].cElements}, &theCells)) return false;
  }
  uint64_t theBytes = 0;
  if (__builtin_mul_overflow(theCells, uint64_t{inArray->cbElements}, &theBytes) || theBytes > kMaxDataBytes)
    return false;
  outCells = theCells;
  return true;
}

SAFEARRAY* AllocateDescriptor(VARTYPE inType, UINT inDims) {
  const size_t theSize = kPrefixSize + sizeof(SAFEARRAY) + (inDims - 1) * sizeof(SAFEARRAYBOUND);
  BYTE* theBlock = static_cast<BYTE*>(std::calloc(1, theSize));
  if (theBlock == nullptr) return nullptr;
  std::memcpy(theBlock, &inType, sizeof(inType));
  SAFEARRAY* theArray = reinterpret_cast<SAFEARRAY*>(theBlock + kPrefixSize);
  theArray->cDims = static_cast<USHORT>(inDims);
  theArray->fFeatures = FeaturesOf(inType);
  theArray->cbElements = ElementSize(inType);
  return theArray;
}

void FreeDescriptor(SAFEARRAY* inArray) { std::free(BlockOf(inArray)); }

// Releases what the cells own (strings, interfaces, variants) and zeroes them.
void ClearCells(SAFEARRAY* inArray, uint64_t inCells) {
  if (inArray->pvData == nullptr) return;
  const VARTYPE theType = StoredType(inArray);
  for (uint64_t i = 0; i < inCells; ++i) {
    BYTE* theCell = static_cast<BYTE*>(inArray->pvData) + i * inArray->cbElements;
    switch (theType) {
      case VT_BSTR: {
        BSTR theString = nullptr;
        std::memcpy(&theString, theCell, sizeof(theString));
        SysFreeString(theString);
        break;
      }
      case VT_UNKNOWN:
      case VT_DISPATCH: {
        IUnknown* theObject = nullptr;
        std::memcpy(&theObject, theCell, sizeof(theObject));
        if (theObject != nullptr) theObject->Release();
        break;
      }
      case VT_VARIANT: VariantClear(reinterpret_cast<VARIANT*>(theCell)); break;
      default: break;
    }
  }
}

}  // namespace

SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE inType, UINT inDims, SAFEARRAYBOUND* inBounds) {
  if (inDims == 0 || inDims > 0xFFFF || inBounds == nullptr || ElementSize(inType) == 0) return nullptr;
  SAFEARRAY* theArray = AllocateDescriptor(inType, inDims);
  if (theArray == nullptr) return nullptr;
  for (UINT i = 0; i < inDims; ++i) theArray->rgsabound[inDims - 1 - i] = inBounds[i];
  uint64_t theCells = 0;
  if (!CellCount(theArray, theCells)) {
    FreeDescriptor(theArray);
    return nullptr;
  }
  const size_t theBytes = static_cast<size_t>(theCells * theArray->cbElements);
  theArray->pvData = std::calloc(1, theBytes > 0 ? theBytes : 1);
  if (theArray->pvData == nullptr) {
    FreeDescriptor(theArray);
    return nullptr;
  }
  return theArray;
}

SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE inType, LONG inLowerBound, ULONG inElements) {
  SAFEARRAYBOUND theBound = {inElements, inLowerBound};
  return SafeArrayCreate(inType, 1, &theBound);
}

HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* inArray) {
  if (inArray == nullptr) return S_OK;
  if (inArray->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  uint64_t theCells = 0;
  if (CellCount(inArray, theCells)) ClearCells(inArray, theCells);
  std::free(inArray->pvData);
  FreeDescriptor(inArray);
  return S_OK;
}

HRESULT WINAPI SafeArrayCopy(SAFEARRAY* inArray, SAFEARRAY** outCopy) {
  if (outCopy == nullptr) return E_INVALIDARG;
  *outCopy = nullptr;
  if (inArray == nullptr) return S_OK;
  const VARTYPE theType = StoredType(inArray);
  uint64_t theCells = 0;
  if (!CellCount(inArray, theCells)) return E_INVALIDARG;
  SAFEARRAY* theCopy = AllocateDescriptor(theType, inArray->cDims);
  if (theCopy == nullptr) return E_OUTOFMEMORY;
  std::memcpy(theCopy->rgsabound, inArray->rgsabound, inArray->cDims * sizeof(SAFEARRAYBOUND));
  const size_t theBytes = static_cast<size_t>(theCells * inArray->cbElements);
  theCopy->pvData = std::calloc(1, theBytes > 0 ? theBytes : 1);
  if (theCopy->pvData == nullptr) {
    FreeDescriptor(theCopy);
    return E_OUTOFMEMORY;
  }
  for (uint64_t i = 0; i < theCells; ++i) {
    const BYTE* theFrom = static_cast<const BYTE*>(inArray->pvData) + i * inArray->cbElements;
    BYTE* theTo = static_cast<BYTE*>(theCopy->pvData) + i * inArray->cbElements;
    switch (theType) {
      case VT_BSTR: {
        BSTR theString = nullptr;
        std::memcpy(&theString, theFrom, sizeof(theString));
        BSTR theDup = theString != nullptr ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(theString),
                                                                     SysStringByteLen(theString))
                                           : nullptr;
        if (theString != nullptr && theDup == nullptr) {
          SafeArrayDestroy(theCopy);
          return E_OUTOFMEMORY;
        }
        std::memcpy(theTo, &theDup, sizeof(theDup));
        break;
      }
      case VT_UNKNOWN:
      case VT_DISPATCH: {
        IUnknown* theObject = nullptr;
        std::memcpy(&theObject, theFrom, sizeof(theObject));
        if (theObject != nullptr) theObject->AddRef();
        std::memcpy(theTo, &theObject, sizeof(theObject));
        break;
      }
      case VT_VARIANT: {
        HRESULT theResult = VariantCopy(reinterpret_cast<VARIANT*>(theTo), reinterpret_cast<const VARIANT*>(theFrom));
        if (FAILED(theResult)) {
          SafeArrayDestroy(theCopy);
          return theResult;
        }
        break;
      }
      default: std::memcpy(theTo, theFrom, inArray->cbElements); break;
    }
  }
  *outCopy = theCopy;
  return S_OK;
}

HRESULT WINAPI SafeArrayLock(SAFEARRAY* inArray) {
  if (inArray == nullptr) return E_INVALIDARG;
  if (inArray->cLocks >= kMaxLocks) return E_UNEXPECTED;
  ++inArray->cLocks;
  return S_OK;
}

HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* inArray) {
  if (inArray == nullptr) return E_INVALIDARG;
  if (inArray->cLocks == 0) return E_UNEXPECTED;
  --inArray->cLocks;
  return S_OK;
}

HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* inArray, void** outData) {
  if (inArray == nullptr || outData == nullptr) return E_INVALIDARG;
  const HRESULT theResult = SafeArrayLock(inArray);
  *outData = SUCCEEDED(theResult) ? inArray->pvData : nullptr;
  return theResult;
}

HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* inArray) { return SafeArrayUnlock(inArray); }

HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* inArray, UINT inDim, LONG* outBound) {
  if (inArray == nullptr || outBound == nullptr) return E_INVALIDARG;
  if (inDim == 0 || inDim > inArray->cDims) return DISP_E_BADINDEX;
  *outBound = inArray->rgsabound[inArray->cDims - inDim].lLbound;
  return S_OK;
}

HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* inArray, UINT inDim, LONG* outBound) {
  if (inArray == nullptr || outBound == nullptr) return E_INVALIDARG;
  if (inDim == 0 || inDim > inArray->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& theBound = inArray->rgsabound[inArray->cDims - inDim];
  *outBound = static_cast<LONG>(static_cast<int64_t>(theBound.lLbound) + theBound.cElements - 1);
  return S_OK;
}

UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* inArray) { return inArray != nullptr ? inArray->cbElements : 0; }

UINT WINAPI SafeArrayGetDim(SAFEARRAY* inArray) { return inArray != nullptr ? inArray->cDims : 0; }

HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* inArray, VARTYPE* outType) {
  if (inArray == nullptr || outType == nullptr) return E_INVALIDARG;
  *outType = StoredType(inArray);
  return S_OK;
}
