// Helpers of the VARIANT conversion tests: an owning VARIANT, setting text and numbers into one, and
// reading back the value of whatever whole-number type a conversion gave.
#pragma once

#include <gtest/gtest.h>

#include <oleauto.h>

#include <cstdint>

struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  ~Var() { VariantClear(&v); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
  VARIANT* operator&() { return &v; }
};

inline void SetText(Var& outVar, const char16_t* inText) {
  VariantClear(&outVar);
  V_VT(&outVar) = VT_BSTR;
  V_BSTR(&outVar) = SysAllocString(inText);
}

// Stores inValue as the number type inType; false for a type that is not a plain number.
inline bool SetNumber(Var& outVar, VARTYPE inType, double inValue) {
  VariantClear(&outVar);
  V_VT(&outVar) = inType;
  switch (inType) {
    case VT_I4: V_I4(&outVar) = static_cast<LONG>(inValue); return true;
    case VT_UI4: V_UI4(&outVar) = static_cast<ULONG>(inValue); return true;
    case VT_I8: V_I8(&outVar) = static_cast<LONGLONG>(inValue); return true;
    case VT_UI8: V_UI8(&outVar) = static_cast<ULONGLONG>(inValue); return true;
    case VT_R4: V_R4(&outVar) = static_cast<float>(inValue); return true;
    case VT_R8: V_R8(&outVar) = inValue; return true;
    case VT_DATE: V_DATE(&outVar) = inValue; return true;
    default: V_VT(&outVar) = VT_EMPTY; return false;
  }
}

// The whole-number value of a converted VARIANT, whatever its integer type.
inline int64_t WholeValue(VARIANT* inVar) {
  switch (V_VT(inVar)) {
    case VT_I1: return V_I1(inVar);
    case VT_UI1: return V_UI1(inVar);
    case VT_I2: return V_I2(inVar);
    case VT_UI2: return V_UI2(inVar);
    case VT_I4: return V_I4(inVar);
    case VT_UI4: return V_UI4(inVar);
    case VT_I8: return V_I8(inVar);
    case VT_UI8: return static_cast<int64_t>(V_UI8(inVar));
    case VT_CY: return V_CY(inVar).int64;
    default: ADD_FAILURE() << "not a whole number: vt " << V_VT(inVar); return 0;
  }
}
