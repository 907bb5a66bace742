// VariantChangeType: conversion between Automation types, with Automation's rules:
// reals round half to even when they become integers, values out of range give DISP_E_OVERFLOW,
// text that is no number gives DISP_E_TYPEMISMATCH, VT_EMPTY becomes 0 or the empty string, true
// is -1, and number text uses "." as the decimal point whatever the locale.
#include <oleauto.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

// How many default-value properties are followed when an object converts to a plain value.
constexpr int kMaxValueDepth = 8;

// A source value reduced to what the conversion needs.
struct Value {
  enum Kind { kEmpty, kNull, kSigned, kUnsigned, kReal, kBool, kString, kObject, kError, kArray } kind = kEmpty;
  int64_t mSigned = 0;
  uint64_t mUnsigned = 0;
  double mReal = 0;
  bool mSingle = false;  // the real came from VT_R4
  bool mBool = false;
  BSTR mString = nullptr;  // borrowed
  IUnknown* mObject = nullptr;  // borrowed
  bool mIsDispatch = false;
};

Value Classify(const VARIANT& inSource) {
  Value theValue;
  switch (V_VT(&inSource)) {
    case VT_EMPTY: theValue.kind = Value::kEmpty; break;
    case VT_NULL: theValue.kind = Value::kNull; break;
    case VT_I1: theValue.kind = Value::kSigned; theValue.mSigned = static_cast<int8_t>(inSource.cVal); break;
    case VT_I2: theValue.kind = Value::kSigned; theValue.mSigned = inSource.iVal; break;
    case VT_I4:
    case VT_INT: theValue.kind = Value::kSigned; theValue.mSigned = inSource.lVal; break;
    case VT_I8: theValue.kind = Value::kSigned; theValue.mSigned = inSource.llVal; break;
    case VT_UI1: theValue.kind = Value::kUnsigned; theValue.mUnsigned = inSource.bVal; break;
    case VT_UI2: theValue.kind = Value::kUnsigned; theValue.mUnsigned = inSource.uiVal; break;
    case VT_UI4:
    case VT_UINT: theValue.kind = Value::kUnsigned; theValue.mUnsigned = inSource.ulVal; break;
    case VT_UI8: theValue.kind = Value::kUnsigned; theValue.mUnsigned = inSource.ullVal; break;
    case VT_R4: theValue.kind = Value::kReal; theValue.mReal = inSource.fltVal; theValue.mSingle = true; break;
    case VT_R8: theValue.kind = Value::kReal; theValue.mReal = inSource.dblVal; break;
    case VT_BOOL: theValue.kind = Value::kBool; theValue.mBool = inSource.boolVal != VARIANT_FALSE; break;
    case VT_BSTR: theValue.kind = Value::kString; theValue.mString = inSource.bstrVal; break;
    case VT_DISPATCH:
      theValue.kind = Value::kObject;
      theValue.mObject = inSource.pdispVal;
      theValue.mIsDispatch = true;
      break;
    case VT_UNKNOWN: theValue.kind = Value::kObject; theValue.mObject = inSource.punkVal; break;
    case VT_ERROR: theValue.kind = Value::kError; theValue.mSigned = inSource.scode; break;
    default: theValue.kind = (V_VT(&inSource) & VT_ARRAY) ? Value::kArray : Value::kError; break;
  }
  return theValue;
}

bool IsSpace(OLECHAR inChar) { return inChar == u' ' || inChar == u'\t' || inChar == u'\r' || inChar == u'\n'; }

// Parses number text: optional sign, digits with an optional "." and exponent, or &H / &O
// prefixed hexadecimal and octal whole numbers; surrounding white space is allowed.
bool ParseNumber(BSTR inText, double& outNumber) {
  const UINT theLength = SysStringLen(inText);
  UINT theStart = 0;
  UINT theEnd = theLength;
  while (theStart < theEnd && IsSpace(inText[theStart])) ++theStart;
  while (theEnd > theStart && IsSpace(inText[theEnd - 1])) --theEnd;
  if (theStart == theEnd || theEnd - theStart > 400) return false;
  std::string theAscii;
  theAscii.reserve(theEnd - theStart);
  for (UINT i = theStart; i < theEnd; ++i) {
    if (inText[i] > 0x7F) return false;
    theAscii.push_back(static_cast<char>(inText[i]));
  }
  if (theAscii.size() > 2 && theAscii[0] == '&' && (theAscii[1] == 'H' || theAscii[1] == 'h' ||
                                                    theAscii[1] == 'O' || theAscii[1] == 'o')) {
    const int theBase = (theAscii[1] == 'H' || theAscii[1] == 'h') ? 16 : 8;
    uint64_t theWhole = 0;
    const char* theFirst = theAscii.data() + 2;
    const char* theLast = theAscii.data() + theAscii.size();
    auto [thePtr, theError] = std::from_chars(theFirst, theLast, theWhole, theBase);
    if (theError != std::errc() || thePtr != theLast) return false;
    // As in Automation, hexadecimal text of up to 32 bits reads as a signed 32-bit number.
    if (theWhole <= 0xFFFFFFFFull)
      outNumber = static_cast<int32_t>(static_cast<uint32_t>(theWhole));
    else
      outNumber = static_cast<double>(theWhole);
    return true;
  }
  const char* theFirst = theAscii.data();
  const char* theLast = theAscii.data() + theAscii.size();
  if (*theFirst == '+') ++theFirst;  // from_chars takes no plus sign
  if (theFirst == theLast) return false;
  // from_chars accepts neither "inf" nor "nan" spellings we do not want, so check the characters.
  for (const char* p = theFirst; p < theLast; ++p) {
    const char c = *p;
    if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+')) return false;
  }
  auto [thePtr, theError] = std::from_chars(theFirst, theLast, outNumber, std::chars_format::general);
  if (theError == std::errc::result_out_of_range) {
    outNumber = (*theFirst == '-') ? -HUGE_VAL : HUGE_VAL;
    return thePtr == theLast;
  }
  return theError == std::errc() && thePtr == theLast;
}

bool EqualsIgnoreCase(BSTR inText, const char* inWord) {
  const UINT theLength = SysStringLen(inText);
  if (theLength != std::strlen(inWord)) return false;
  for (UINT i = 0; i < theLength; ++i) {
    OLECHAR c = inText[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<OLECHAR>(c - u'A' + u'a');
    char w = inWord[i];
    if (w >= 'A' && w <= 'Z') w = static_cast<char>(w - 'A' + 'a');
    if (c != static_cast<OLECHAR>(w)) return false;
  }
  return true;
}

BSTR MakeString(const std::string& inAscii) {
  std::u16string theWide(inAscii.begin(), inAscii.end());
  return SysAllocStringLen(theWide.data(), static_cast<UINT>(theWide.size()));
}

// The text of a real number: at most 15 significant digits (7 for single precision), exponent
// form when the exponent is below -4 or not below that precision, as Automation writes it.
std::string RealText(double inNumber, bool inSingle) {
  if (std::isnan(inNumber)) return "NaN";
  if (std::isinf(inNumber)) return inNumber < 0 ? "-1.#INF" : "1.#INF";
  char theBuffer[64];
  auto [thePtr, theError] =
      std::to_chars(theBuffer, theBuffer + sizeof(theBuffer), inNumber, std::chars_format::general, inSingle ? 7 : 15);
  if (theError != std::errc()) return "0";
  std::string theText(theBuffer, thePtr);
  for (char& c : theText)
    if (c == 'e') c = 'E';
  return theText;
}

// Converts a real to a whole number of the target range, rounding half to even.
HRESULT RealToWhole(double inReal, double inMin, double inMax, int64_t& outWhole) {
  if (std::isnan(inReal)) return DISP_E_OVERFLOW;
  const double theRounded = std::nearbyint(inReal);
  if (theRounded < inMin || theRounded > inMax) return DISP_E_OVERFLOW;
  outWhole = static_cast<int64_t>(theRounded);
  return S_OK;
}

HRESULT ObjectValue(const Value& inValue, LCID inLocale, USHORT inFlags, VARIANT& outValue) {
  if (inValue.mObject == nullptr || (inFlags & VARIANT_NOVALUEPROP)) return DISP_E_TYPEMISMATCH;
  IDispatch* theDispatch = nullptr;
  if (FAILED(inValue.mObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&theDispatch))))
    return DISP_E_TYPEMISMATCH;
  DISPPARAMS theNoArgs = {nullptr, nullptr, 0, 0};
  VariantInit(&outValue);
  const HRESULT theResult =
      theDispatch->Invoke(DISPID_VALUE, IID_NULL, inLocale, DISPATCH_PROPERTYGET, &theNoArgs, &outValue, nullptr, nullptr);
  theDispatch->Release();
  if (FAILED(theResult)) {
    VariantClear(&outValue);
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT Convert(VARIANT& outDest, const VARIANT& inSource, LCID inLocale, USHORT inFlags, VARTYPE inType, int inDepth);

// Whole-number targets: the range and how the result is stored.
HRESULT ToWhole(VARIANT& outDest, const Value& inValue, VARTYPE inType) {
  double theMin = 0;
  double theMax = 0;
  bool theUnsignedTarget = false;
  switch (inType) {
    case VT_I1: theMin = -128; theMax = 127; break;
    case VT_UI1: theMax = 255; theUnsignedTarget = true; break;
    case VT_I2: theMin = -32768; theMax = 32767; break;
    case VT_UI2: theMax = 65535; theUnsignedTarget = true; break;
    case VT_I4:
    case VT_INT: theMin = -2147483648.0; theMax = 2147483647.0; break;
    case VT_UI4:
    case VT_UINT: theMax = 4294967295.0; theUnsignedTarget = true; break;
    case VT_I8: theMin = -9223372036854775808.0; theMax = 9223372036854775807.0; break;
    case VT_UI8: theMax = 18446744073709551615.0; theUnsignedTarget = true; break;
    default: return DISP_E_BADVARTYPE;
  }
  int64_t theSigned = 0;
  uint64_t theUnsigned = 0;
  bool theIsUnsigned = false;
  switch (inValue.kind) {
    case Value::kEmpty: break;
    case Value::kBool:
      // True is -1; unsigned targets take its bit pattern, as Automation does.
      theSigned = inValue.mBool ? -1 : 0;
      if (theUnsignedTarget && inValue.mBool) {
        theIsUnsigned = true;
        theUnsigned = static_cast<uint64_t>(theMax);
      }
      break;
    case Value::kSigned: theSigned = inValue.mSigned; break;
    case Value::kUnsigned:
      theIsUnsigned = true;
      theUnsigned = inValue.mUnsigned;
      break;
    case Value::kReal: {
      const HRESULT theResult = RealToWhole(inValue.mReal, theMin, theMax, theSigned);
      if (FAILED(theResult)) return theResult;
      if (inType == VT_UI8 && inValue.mReal >= 9223372036854775808.0) {
        theIsUnsigned = true;
        theUnsigned = static_cast<uint64_t>(std::nearbyint(inValue.mReal));
      }
      break;
    }
    case Value::kString: {
      double theNumber = 0;
      if (!ParseNumber(inValue.mString, theNumber)) return DISP_E_TYPEMISMATCH;
      const HRESULT theResult = RealToWhole(theNumber, theMin, theMax, theSigned);
      if (FAILED(theResult)) return theResult;
      break;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
  // Range check in exact integer arithmetic.
  if (theIsUnsigned) {
    if (static_cast<double>(theUnsigned) > theMax) return DISP_E_OVERFLOW;
    if (!theUnsignedTarget && theUnsigned > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
      return DISP_E_OVERFLOW;
    if (!theUnsignedTarget && static_cast<int64_t>(theUnsigned) > static_cast<int64_t>(theMax)) return DISP_E_OVERFLOW;
    theSigned = static_cast<int64_t>(theUnsigned);
  } else {
    if (theUnsignedTarget && theSigned < 0) return DISP_E_OVERFLOW;
    if (inType != VT_I8 && inType != VT_UI8 &&
        (theSigned < static_cast<int64_t>(theMin) || theSigned > static_cast<int64_t>(theMax)))
      return DISP_E_OVERFLOW;
  }
  V_VT(&outDest) = inType;
  switch (inType) {
    case VT_I1: outDest.cVal = static_cast<CHAR>(theSigned); break;
    case VT_UI1: outDest.bVal = static_cast<BYTE>(theSigned); break;
    case VT_I2: outDest.iVal = static_cast<SHORT>(theSigned); break;
    case VT_UI2: outDest.uiVal = static_cast<USHORT>(theSigned); break;
    case VT_I4:
    case VT_INT: outDest.lVal = static_cast<LONG>(theSigned); break;
    case VT_UI4:
    case VT_UINT: outDest.ulVal = static_cast<ULONG>(theSigned); break;
    case VT_I8: outDest.llVal = theSigned; break;
    case VT_UI8: outDest.ullVal = theIsUnsigned ? theUnsigned : static_cast<uint64_t>(theSigned); break;
    default: break;
  }
  return S_OK;
}

HRESULT ToReal(VARIANT& outDest, const Value& inValue, VARTYPE inType) {
  double theReal = 0;
  switch (inValue.kind) {
    case Value::kEmpty: break;
    case Value::kBool: theReal = inValue.mBool ? -1 : 0; break;
    case Value::kSigned: theReal = static_cast<double>(inValue.mSigned); break;
    case Value::kUnsigned: theReal = static_cast<double>(inValue.mUnsigned); break;
    case Value::kReal: theReal = inValue.mReal; break;
    case Value::kString:
      if (!ParseNumber(inValue.mString, theReal)) return DISP_E_TYPEMISMATCH;
      if (std::isinf(theReal)) return DISP_E_OVERFLOW;
      break;
    default: return DISP_E_TYPEMISMATCH;
  }
  V_VT(&outDest) = inType;
  if (inType == VT_R4) {
    if (std::isfinite(theReal) && std::fabs(theReal) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
    outDest.fltVal = static_cast<float>(theReal);
  } else {
    outDest.dblVal = theReal;
  }
  return S_OK;
}

HRESULT ToBool(VARIANT& outDest, const Value& inValue) {
  bool theBool = false;
  switch (inValue.kind) {
    case Value::kEmpty: break;
    case Value::kBool: theBool = inValue.mBool; break;
    case Value::kSigned: theBool = inValue.mSigned != 0; break;
    case Value::kUnsigned: theBool = inValue.mUnsigned != 0; break;
    case Value::kReal: theBool = inValue.mReal != 0; break;
    case Value::kString: {
      if (EqualsIgnoreCase(inValue.mString, "true") || EqualsIgnoreCase(inValue.mString, "#TRUE#")) {
        theBool = true;
      } else if (EqualsIgnoreCase(inValue.mString, "false") || EqualsIgnoreCase(inValue.mString, "#FALSE#")) {
        theBool = false;
      } else {
        double theNumber = 0;
        if (!ParseNumber(inValue.mString, theNumber)) return DISP_E_TYPEMISMATCH;
        theBool = theNumber != 0;
      }
      break;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
  V_VT(&outDest) = VT_BOOL;
  outDest.boolVal = theBool ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ToString(VARIANT& outDest, const Value& inValue, USHORT inFlags) {
  std::string theText;
  switch (inValue.kind) {
    case Value::kEmpty: break;
    case Value::kBool:
      if (inFlags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL))
        theText = inValue.mBool ? "True" : "False";
      else
        theText = inValue.mBool ? "-1" : "0";
      break;
    case Value::kSigned: theText = std::to_string(inValue.mSigned); break;
    case Value::kUnsigned: theText = std::to_string(inValue.mUnsigned); break;
    case Value::kReal: theText = RealText(inValue.mReal, inValue.mSingle); break;
    case Value::kString:
      V_VT(&outDest) = VT_BSTR;
      V_BSTR(&outDest) = inValue.mString != nullptr
                             ? SysAllocStringByteLen(reinterpret_cast<LPCSTR>(inValue.mString),
                                                     SysStringByteLen(inValue.mString))
                             : nullptr;
      return (inValue.mString != nullptr && V_BSTR(&outDest) == nullptr) ? E_OUTOFMEMORY : S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
  V_BSTR(&outDest) = MakeString(theText);
  if (V_BSTR(&outDest) == nullptr) return E_OUTOFMEMORY;
  V_VT(&outDest) = VT_BSTR;
  return S_OK;
}

HRESULT ToObject(VARIANT& outDest, const Value& inValue, VARTYPE inType) {
  if (inValue.kind == Value::kEmpty) {
    V_VT(&outDest) = inType;
    V_UNKNOWN(&outDest) = nullptr;
    return S_OK;
  }
  if (inValue.kind != Value::kObject) return DISP_E_TYPEMISMATCH;
  V_VT(&outDest) = inType;
  V_UNKNOWN(&outDest) = nullptr;
  if (inValue.mObject == nullptr) return S_OK;
  void* theObject = nullptr;
  const HRESULT theResult =
      inValue.mObject->QueryInterface(inType == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &theObject);
  if (FAILED(theResult)) {
    V_VT(&outDest) = VT_EMPTY;
    return inType == VT_DISPATCH ? DISP_E_TYPEMISMATCH : theResult;
  }
  V_UNKNOWN(&outDest) = static_cast<IUnknown*>(theObject);
  return S_OK;
}

HRESULT Convert(VARIANT& outDest, const VARIANT& inSource, LCID inLocale, USHORT inFlags, VARTYPE inType,
                int inDepth) {
  VariantInit(&outDest);
  const Value theValue = Classify(inSource);
  if (inType & VT_ARRAY) {
    if (V_VT(&inSource) != inType) return DISP_E_TYPEMISMATCH;
    return VariantCopy(&outDest, &inSource);
  }
  // An object becomes a plain value through its default property.
  if (theValue.kind == Value::kObject && inType != VT_DISPATCH && inType != VT_UNKNOWN) {
    if (inDepth >= kMaxValueDepth) return DISP_E_TYPEMISMATCH;
    VARIANT theInner;
    HRESULT theResult = ObjectValue(theValue, inLocale, inFlags, theInner);
    if (FAILED(theResult)) return theResult;
    theResult = Convert(outDest, theInner, inLocale, inFlags, inType, inDepth + 1);
    VariantClear(&theInner);
    return theResult;
  }
  switch (inType) {
    case VT_EMPTY: return S_OK;
    case VT_NULL:
      if (theValue.kind != Value::kNull && theValue.kind != Value::kEmpty) return DISP_E_TYPEMISMATCH;
      V_VT(&outDest) = VT_NULL;
      return S_OK;
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_I8:
    case VT_UI8:
    case VT_INT:
    case VT_UINT: return ToWhole(outDest, theValue, inType);
    case VT_R4:
    case VT_R8: return ToReal(outDest, theValue, inType);
    case VT_BOOL: return ToBool(outDest, theValue);
    case VT_BSTR: return ToString(outDest, theValue, inFlags);
    case VT_DISPATCH:
    case VT_UNKNOWN: return ToObject(outDest, theValue, inType);
    case VT_ERROR:
      if (theValue.kind != Value::kError) return DISP_E_TYPEMISMATCH;
      V_VT(&outDest) = VT_ERROR;
      V_ERROR(&outDest) = V_ERROR(&inSource);
      return S_OK;
    case VT_VARIANT: return VariantCopy(&outDest, &inSource);
    default: return DISP_E_BADVARTYPE;
  }
}

}  // namespace

HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* outDest, const VARIANTARG* inSource, LCID inLocale, USHORT inFlags,
                                   VARTYPE inType) {
  if (outDest == nullptr || inSource == nullptr) return E_INVALIDARG;
  if (inType & VT_BYREF) return DISP_E_BADVARTYPE;
  // By-reference sources are converted from the value they point at.
  VARIANT theSource;
  VariantInit(&theSource);
  HRESULT theResult = VariantCopyInd(&theSource, inSource);
  if (FAILED(theResult)) return theResult;
  VARIANT theResultValue;
  theResult = Convert(theResultValue, theSource, inLocale, inFlags, inType, 0);
  VariantClear(&theSource);
  if (FAILED(theResult)) {
    VariantClear(&theResultValue);
    return theResult;
  }
  // The destination may be the source itself: clear it only now.
  theResult = VariantClear(outDest);
  if (FAILED(theResult)) {
    VariantClear(&theResultValue);
    return theResult;
  }
  *outDest = theResultValue;
  return S_OK;
}

HRESULT WINAPI VariantChangeType(VARIANTARG* outDest, const VARIANTARG* inSource, USHORT inFlags, VARTYPE inType) {
  return VariantChangeTypeEx(outDest, inSource, LOCALE_USER_DEFAULT, inFlags, inType);
}
