// VARIANT: initialisation, clearing and copying.
#include <oleauto.h>

namespace {

bool IsValidScalarType(VARTYPE inType) {
  switch (inType) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DATE:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_BOOL:
    case VT_VARIANT:
    case VT_UNKNOWN: return true;
    default: return false;
  }
}

bool IsValidType(VARTYPE inType) {
  if (inType & VT_RESERVED) return false;
  const VARTYPE theBase = inType & VT_TYPEMASK;
  if (inType & VT_ARRAY) return IsValidScalarType(theBase) && theBase != VT_EMPTY && theBase != VT_NULL;
  if (inType & VT_BYREF) return IsValidScalarType(theBase) && theBase != VT_EMPTY && theBase != VT_NULL;
  return IsValidScalarType(theBase) && theBase != VT_VARIANT;
}

}  // namespace

void WINAPI VariantInit(VARIANTARG* outVariant) {
  if (outVariant == nullptr) return;
  outVariant->vt = VT_EMPTY;
  outVariant->wReserved1 = outVariant->wReserved2 = outVariant->wReserved3 = 0;
  outVariant->llVal = 0;
}

HRESULT WINAPI VariantClear(VARIANTARG* ioVariant) {
  if (ioVariant == nullptr) return E_INVALIDARG;
  const VARTYPE theType = V_VT(ioVariant);
  if (!IsValidType(theType)) return DISP_E_BADVARTYPE;
  if (!(theType & VT_BYREF)) {
    if (theType & VT_ARRAY) {
      const HRESULT theResult = SafeArrayDestroy(V_ARRAY(ioVariant));
      if (FAILED(theResult)) return theResult;
    } else if (theType == VT_BSTR) {
      SysFreeString(V_BSTR(ioVariant));
    } else if ((theType == VT_DISPATCH || theType == VT_UNKNOWN) && V_UNKNOWN(ioVariant) != nullptr) {
      V_UNKNOWN(ioVariant)->Release();
    }
  }
  VariantInit(ioVariant);
  return S_OK;
}

HRESULT WINAPI VariantCopy(VARIANTARG* outDest, const VARIANTARG* inSource) {
  if (outDest == nullptr || inSource == nullptr) return E_INVALIDARG;
  if (outDest == inSource) return S_OK;
  if (!IsValidType(V_VT(inSource))) return DISP_E_BADVARTYPE;
  HRESULT theResult = VariantClear(outDest);
  if (FAILED(theResult)) return theResult;
  VARIANT theCopy = *inSource;
  const VARTYPE theType = V_VT(inSource);
  if (!(theType & VT_BYREF)) {
    if (theType & VT_ARRAY) {
      theResult = SafeArrayCopy(V_ARRAY(inSource), &V_ARRAY(&theCopy));
      if (FAILED(theResult)) return theResult;
    } else if (theType == VT_BSTR && V_BSTR(inSource) != nullptr) {
      V_BSTR(&theCopy) = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(V_BSTR(inSource)),
                                               SysStringByteLen(V_BSTR(inSource)));
      if (V_BSTR(&theCopy) == nullptr) return E_OUTOFMEMORY;
    } else if ((theType == VT_DISPATCH || theType == VT_UNKNOWN) && V_UNKNOWN(inSource) != nullptr) {
      V_UNKNOWN(inSource)->AddRef();
    }
  }
  *outDest = theCopy;
  return S_OK;
}

HRESULT WINAPI VariantCopyInd(VARIANT* outDest, const VARIANTARG* inSource) {
  if (outDest == nullptr || inSource == nullptr) return E_INVALIDARG;
  const VARTYPE theType = V_VT(inSource);
  if (!(theType & VT_BYREF)) return VariantCopy(outDest, inSource);
  if (!IsValidType(theType)) return DISP_E_BADVARTYPE;
  if (V_BYREF(inSource) == nullptr) return E_INVALIDARG;

  // Build the dereferenced value in a temporary: the destination may be the source itself.
  VARIANT theValue;
  VariantInit(&theValue);
  const VARTYPE theBase = theType & ~VT_BYREF;
  HRESULT theResult = S_OK;
  if (theBase == VT_VARIANT) {
    const VARIANT* theInner = V_VARIANTREF(inSource);
    // One level only, as the original: a reference to a reference is refused.
    if (V_VT(theInner) == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
    theResult = VariantCopyInd(&theValue, theInner);
  } else if (theBase & VT_ARRAY) {
    V_VT(&theValue) = theBase;
    theResult = SafeArrayCopy(*V_ARRAYREF(inSource), &V_ARRAY(&theValue));
  } else {
    V_VT(&theValue) = theBase;
    switch (theBase) {
      case VT_I1:
      case VT_UI1: theValue.bVal = *inSource->pbVal; break;
      case VT_I2:
      case VT_UI2:
      case VT_BOOL: theValue.iVal = *inSource->piVal; break;
      case VT_I4:
      case VT_UI4:
      case VT_INT:
      case VT_UINT:
      case VT_ERROR:
      case VT_R4: theValue.lVal = *inSource->plVal; break;
      case VT_I8:
      case VT_UI8:
      case VT_R8:
      case VT_CY:
      case VT_DATE: theValue.llVal = *inSource->pllVal; break;
      case VT_BSTR: {
        BSTR theString = *V_BSTRREF(inSource);
        V_BSTR(&theValue) = theString != nullptr
                                ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(theString), SysStringByteLen(theString))
                                : nullptr;
        if (theString != nullptr && V_BSTR(&theValue) == nullptr) theResult = E_OUTOFMEMORY;
        break;
      }
      case VT_DISPATCH:
      case VT_UNKNOWN:
        V_UNKNOWN(&theValue) = *inSource->ppunkVal;
        if (V_UNKNOWN(&theValue) != nullptr) V_UNKNOWN(&theValue)->AddRef();
        break;
      default: theResult = DISP_E_BADVARTYPE; break;
    }
  }
  if (FAILED(theResult)) {
    VariantClear(&theValue);
    return theResult;
  }
  if (outDest != inSource) {
    theResult = VariantClear(outDest);
    if (FAILED(theResult)) {
      VariantClear(&theValue);
      return theResult;
    }
  }
  *outDest = theValue;
  return S_OK;
}
