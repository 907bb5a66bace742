// Late-bound calls on the value objects, the way a script host makes them: names through
// GetIDsOfNames, then Invoke with the arguments in reverse order.
#pragma once

#include <gtest/gtest.h>

#include <dispimpl.h>

#include <string>
#include <vector>

// A VARIANT that clears itself.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&mValue); }
  ~ScopedVariant() { VariantClear(&mValue); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* operator&() { return &mValue; }
  VARIANT& operator*() { return mValue; }

 private:
  VARIANT mValue;
};

inline VARIANT LongArg(LONG inValue) {
  VARIANT theArg;
  VariantInit(&theArg);
  V_VT(&theArg) = VT_I4;
  V_I4(&theArg) = inValue;
  return theArg;
}

inline VARIANT RealArg(double inValue) {
  VARIANT theArg;
  VariantInit(&theArg);
  V_VT(&theArg) = VT_R8;
  V_R8(&theArg) = inValue;
  return theArg;
}

inline VARIANT BoolArg(bool inValue) {
  VARIANT theArg;
  VariantInit(&theArg);
  V_VT(&theArg) = VT_BOOL;
  V_BOOL(&theArg) = inValue ? VARIANT_TRUE : VARIANT_FALSE;
  return theArg;
}

// A text argument; Put and Call clear their arguments.
inline VARIANT TextArg(const std::u16string& inText) {
  VARIANT theArg;
  VariantInit(&theArg);
  V_VT(&theArg) = VT_BSTR;
  V_BSTR(&theArg) = SysAllocStringLen(inText.data(), static_cast<UINT>(inText.size()));
  return theArg;
}

inline std::u16string Wide(const std::string& inText) { return std::u16string(inText.begin(), inText.end()); }
inline std::string Narrow(BSTR inText) {
  std::string theText;
  for (UINT i = 0; i < SysStringLen(inText); ++i) theText += static_cast<char>(inText[i]);
  return theText;
}

// The dispatch ID of a name, or DISPID_UNKNOWN.
inline DISPID IdOf(IDispatch* inObject, const std::u16string& inName) {
  std::u16string theName = inName;
  LPOLESTR theNames[1] = {theName.data()};
  DISPID theID = DISPID_UNKNOWN;
  if (FAILED(inObject->GetIDsOfNames(IID_NULL, theNames, 1, 0, &theID))) return DISPID_UNKNOWN;
  return theID;
}

// Calls a method by name with the arguments in their natural order.
inline HRESULT CallByName(IDispatch* inObject, const std::u16string& inName, std::vector<VARIANT> inArgs,
                          VARIANT* outResult = nullptr) {
  std::vector<VARIANT> theReversed(inArgs.rbegin(), inArgs.rend());
  DISPPARAMS theParams{theReversed.empty() ? nullptr : theReversed.data(), nullptr,
                       static_cast<UINT>(theReversed.size()), 0};
  const HRESULT theResult =
      inObject->Invoke(IdOf(inObject, inName), IID_NULL, 0, DISPATCH_METHOD, &theParams, outResult, nullptr, nullptr);
  for (VARIANT& theArg : inArgs) VariantClear(&theArg);
  return theResult;
}

// Reads a property by dispatch ID, as script engines ask for it (method or property get).
inline HRESULT GetById(IDispatch* inObject, DISPID inID, VARIANT* outResult) {
  DISPPARAMS theNone{nullptr, nullptr, 0, 0};
  return inObject->Invoke(inID, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &theNone, outResult, nullptr,
                          nullptr);
}

inline HRESULT PutById(IDispatch* inObject, DISPID inID, VARIANT inValue) {
  DISPID theNamed = DISPID_PROPERTYPUT;
  DISPPARAMS theParams{&inValue, &theNamed, 1, 1};
  const HRESULT theResult =
      inObject->Invoke(inID, IID_NULL, 0, DISPATCH_PROPERTYPUT, &theParams, nullptr, nullptr, nullptr);
  VariantClear(&inValue);
  return theResult;
}

inline HRESULT PutByName(IDispatch* inObject, const std::u16string& inName, VARIANT inValue) {
  return PutById(inObject, IdOf(inObject, inName), inValue);
}

// The text of a property read through Invoke; "<failed>" when the call fails or gives no text.
inline std::string GetTextById(IDispatch* inObject, DISPID inID) {
  ScopedVariant theResult;
  if (FAILED(GetById(inObject, inID, &theResult)) || V_VT(&theResult) != VT_BSTR) return "<failed>";
  return Narrow(V_BSTR(&theResult));
}

// The default member (dispatch ID 0): the String property.
inline std::string DefaultText(IDispatch* inObject) { return GetTextById(inObject, DISPID_VALUE); }

inline LONG GetLongByName(IDispatch* inObject, const std::u16string& inName) {
  ScopedVariant theResult;
  if (FAILED(GetById(inObject, IdOf(inObject, inName), &theResult)) || V_VT(&theResult) != VT_I4) return -999999;
  return V_I4(&theResult);
}

// The text of an object's String property read through its C++ method.
template <class Interface>
std::string TextOf(Interface* inObject) {
  BSTR theText = nullptr;
  if (FAILED(inObject->get_String(&theText))) return "<failed>";
  std::string theResult = Narrow(theText);
  SysFreeString(theText);
  return theResult;
}

template <class Interface>
HRESULT SetText(Interface* inObject, const std::u16string& inText) {
  BSTR theText = SysAllocStringLen(inText.data(), static_cast<UINT>(inText.size()));
  const HRESULT theResult = inObject->put_String(theText);
  SysFreeString(theText);
  return theResult;
}

// Releases a COM object at the end of a scope.
template <class Interface>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (mObject != nullptr) mObject->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  Interface** operator&() { return &mObject; }
  Interface* operator->() const { return mObject; }
  Interface* get() const { return mObject; }

 private:
  Interface* mObject = nullptr;
};
