// Dual interfaces from one member table.
//
// Each interface lists its members once, as a table of QxMember entries (dispatch ID, name, kind,
// help string and the C++ method that does the work). The table drives GetIDsOfNames, Invoke and
// the type information; the dual interface's C++ methods (get_Left(LONG*), ...) stay callable
// directly for C++ clients.
//
//   static const QxInterface kIXRect{u"IXRect", IID_IXRect, u"...", {
//       QxPropGet<&IXRect::get_Left>(1, u"Left", u"The left edge."),
//       QxPropPut<&IXRect::put_Left>(1, u"Left", u"The left edge."),
//       QxMethod<&IXRect::Inset>(7, u"Inset", u"Insets the rectangle.", {u"X", u"Y"}),
//   }};
//
// Parameter types are taken from the method's signature: LONG, BYTE, double, float,
// VARIANT_BOOL, BSTR, IDispatch*, IUnknown* and VARIANT (by value) are in-parameters; a last
// parameter that points at one of LONG, BYTE, double, float, VARIANT_BOOL, BSTR, IDispatch*,
// IUnknown* or VARIANT is the result. The method pointer must name a member of the interface itself.
// Only VARIANT parameters can be optional; a missing one arrives as VT_ERROR DISP_E_PARAMNOTFOUND.
#pragma once

#include <atomic>
#include <initializer_list>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "oleauto.h"

typedef HRESULT (*QxMemberCall)(void* inSelf, VARIANT* inArgs, VARIANT* outResult);

struct QxParam {
  std::u16string_view name;
  VARTYPE type = VT_EMPTY;
  USHORT flags = PARAMFLAG_FIN;
};

// A parameter name for the table; QxOptional marks an optional VARIANT parameter.
struct QxParamName {
  QxParamName(const char16_t* inName) : name(inName) {}  // NOLINT: implicit on purpose
  QxParamName(std::u16string_view inName, bool inOptional) : name(inName), optional(inOptional) {}
  std::u16string_view name;
  bool optional = false;
};
inline QxParamName QxOptional(std::u16string_view inName) { return QxParamName(inName, true); }

struct QxMember {
  DISPID id = DISPID_UNKNOWN;
  std::u16string_view name;
  INVOKEKIND kind = INVOKE_FUNC;
  std::u16string_view help;
  std::vector<QxParam> params;  // the in-parameters, in order
  VARTYPE result = VT_EMPTY;    // VT_EMPTY when the member gives no result
  QxMemberCall call = nullptr;
  WORD flags = 0;               // FUNCFLAG_* of the type information (FUNCFLAG_FHIDDEN ...)
};

struct QxInterface {
  std::u16string_view name;
  IID iid;
  std::u16string_view help;
  std::vector<QxMember> members;
  WORD typeFlags = TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE;
};

struct QxCoClass {
  std::u16string_view name;
  CLSID clsid;
  std::u16string_view help;
  const QxInterface* defaultInterface = nullptr;
};

struct QxTypeLibrary {
  std::u16string_view name;
  GUID libid;
  WORD major = 1;
  WORD minor = 0;
  LCID lcid = 0;
  std::u16string_view help;
  std::vector<const QxInterface*> interfaces;
  std::vector<QxCoClass> coclasses;
};

// The table-driven halves of IDispatch (DispatchImpl.cpp).
HRESULT QxDispGetIDsOfNames(const QxInterface& inInterface, LPOLESTR* inNames, UINT inCount, DISPID* outIDs);
HRESULT QxDispInvoke(const QxInterface& inInterface, void* inSelf, DISPID inID, WORD inFlags, DISPPARAMS* inParams,
                     VARIANT* outResult, EXCEPINFO* outExcep, UINT* outArgErr);
// Type information of one interface, standalone or as entry inIndex of a library.
HRESULT QxCreateInterfaceTypeInfo(const QxInterface& inInterface, ITypeInfo** outInfo);
// A type library object over a description that lives as long as the module.
HRESULT QxCreateTypeLib(const QxTypeLibrary& inLibrary, ITypeLib** outLib);

// ---- parameter and result traits ----
template <class T>
struct QxInArg;
template <>
struct QxInArg<LONG> {
  static constexpr VARTYPE kType = VT_I4;
  static LONG Get(VARIANT& inArg) { return V_I4(&inArg); }
};
// VARIANT_BOOL and SHORT are the same C++ type; 16-bit parameters are taken as Booleans.
template <>
struct QxInArg<VARIANT_BOOL> {
  static constexpr VARTYPE kType = VT_BOOL;
  static VARIANT_BOOL Get(VARIANT& inArg) { return V_BOOL(&inArg); }
};
template <>
struct QxInArg<BYTE> {
  static constexpr VARTYPE kType = VT_UI1;
  static BYTE Get(VARIANT& inArg) { return V_UI1(&inArg); }
};
template <>
struct QxInArg<double> {
  static constexpr VARTYPE kType = VT_R8;
  static double Get(VARIANT& inArg) { return V_R8(&inArg); }
};
template <>
struct QxInArg<float> {
  static constexpr VARTYPE kType = VT_R4;
  static float Get(VARIANT& inArg) { return V_R4(&inArg); }
};
template <>
struct QxInArg<BSTR> {
  static constexpr VARTYPE kType = VT_BSTR;
  static BSTR Get(VARIANT& inArg) { return V_BSTR(&inArg); }
};
template <>
struct QxInArg<IDispatch*> {
  static constexpr VARTYPE kType = VT_DISPATCH;
  static IDispatch* Get(VARIANT& inArg) { return V_DISPATCH(&inArg); }
};
template <>
struct QxInArg<IUnknown*> {
  static constexpr VARTYPE kType = VT_UNKNOWN;
  static IUnknown* Get(VARIANT& inArg) { return V_UNKNOWN(&inArg); }
};
template <>
struct QxInArg<VARIANT> {
  static constexpr VARTYPE kType = VT_VARIANT;
  static VARIANT Get(VARIANT& inArg) { return inArg; }
};

template <class T>
struct QxOutArg {
  static constexpr bool kIsResult = false;
};
template <class T, VARTYPE kVT, T VARIANT::*kField>
struct QxScalarOut {
  static constexpr bool kIsResult = true;
  static constexpr VARTYPE kType = kVT;
  using Slot = T;
  static void Init(Slot& outSlot) { outSlot = T{}; }
  static void Put(VARIANT& outResult, Slot& ioSlot) {
    V_VT(&outResult) = kVT;
    outResult.*kField = ioSlot;
  }
  static void Drop(Slot&) {}
};
template <>
struct QxOutArg<LONG> : QxScalarOut<LONG, VT_I4, &VARIANT::lVal> {};
template <>
struct QxOutArg<VARIANT_BOOL> : QxScalarOut<VARIANT_BOOL, VT_BOOL, &VARIANT::boolVal> {};
template <>
struct QxOutArg<BYTE> : QxScalarOut<BYTE, VT_UI1, &VARIANT::bVal> {};
template <>
struct QxOutArg<double> : QxScalarOut<double, VT_R8, &VARIANT::dblVal> {};
template <>
struct QxOutArg<float> : QxScalarOut<float, VT_R4, &VARIANT::fltVal> {};
template <>
struct QxOutArg<BSTR> {
  static constexpr bool kIsResult = true;
  static constexpr VARTYPE kType = VT_BSTR;
  using Slot = BSTR;
  static void Init(Slot& outSlot) { outSlot = nullptr; }
  static void Put(VARIANT& outResult, Slot& ioSlot) {
    V_VT(&outResult) = VT_BSTR;
    V_BSTR(&outResult) = ioSlot;
    ioSlot = nullptr;
  }
  static void Drop(Slot& ioSlot) {
    SysFreeString(ioSlot);
    ioSlot = nullptr;
  }
};
template <class T, VARTYPE kVT>
struct QxObjectOut {
  static constexpr bool kIsResult = true;
  static constexpr VARTYPE kType = kVT;
  using Slot = T*;
  static void Init(Slot& outSlot) { outSlot = nullptr; }
  static void Put(VARIANT& outResult, Slot& ioSlot) {
    V_VT(&outResult) = kVT;
    V_UNKNOWN(&outResult) = ioSlot;
    ioSlot = nullptr;
  }
  static void Drop(Slot& ioSlot) {
    if (ioSlot != nullptr) ioSlot->Release();
    ioSlot = nullptr;
  }
};
template <>
struct QxOutArg<IDispatch*> : QxObjectOut<IDispatch, VT_DISPATCH> {};
template <>
struct QxOutArg<IUnknown*> : QxObjectOut<IUnknown, VT_UNKNOWN> {};
template <>
struct QxOutArg<VARIANT> {
  static constexpr bool kIsResult = true;
  static constexpr VARTYPE kType = VT_VARIANT;
  using Slot = VARIANT;
  static void Init(Slot& outSlot) { VariantInit(&outSlot); }
  static void Put(VARIANT& outResult, Slot& ioSlot) {
    outResult = ioSlot;
    VariantInit(&ioSlot);
  }
  static void Drop(Slot& ioSlot) { VariantClear(&ioSlot); }
};

template <class T>
struct QxResultOf {
  static constexpr bool kIsResult = false;
};
template <class T>
struct QxResultOf<T*> : QxOutArg<T> {};

template <auto kMethod>
struct QxThunk;

template <class C, class... A, HRESULT (C::*kMethod)(A...)>
struct QxThunk<kMethod> {
  using Args = std::tuple<A...>;
  static constexpr size_t kCount = sizeof...(A);
  static constexpr bool kHasResult = [] {
    if constexpr (kCount == 0)
      return false;
    else
      return QxResultOf<std::tuple_element_t<kCount - 1, Args>>::kIsResult;
  }();
  static constexpr size_t kInCount = kCount - (kHasResult ? 1 : 0);

  template <size_t... I>
  static HRESULT CallWith(C* inSelf, VARIANT* inArgs, VARIANT* outResult, std::index_sequence<I...>) {
    if constexpr (kHasResult) {
      using Out = QxResultOf<std::tuple_element_t<kCount - 1, Args>>;
      typename Out::Slot theSlot;
      Out::Init(theSlot);
      const HRESULT theResult = (inSelf->*kMethod)(QxInArg<std::tuple_element_t<I, Args>>::Get(inArgs[I])..., &theSlot);
      if (SUCCEEDED(theResult))
        Out::Put(*outResult, theSlot);
      else
        Out::Drop(theSlot);
      return theResult;
    } else {
      (void)inArgs;
      (void)outResult;
      return (inSelf->*kMethod)(QxInArg<std::tuple_element_t<I, Args>>::Get(inArgs[I])...);
    }
  }

  static HRESULT Call(void* inSelf, VARIANT* inArgs, VARIANT* outResult) {
    return CallWith(static_cast<C*>(inSelf), inArgs, outResult, std::make_index_sequence<kInCount>{});
  }

  template <size_t... I>
  static std::vector<VARTYPE> InTypes(std::index_sequence<I...>) {
    return {QxInArg<std::tuple_element_t<I, Args>>::kType...};
  }

  static VARTYPE ResultType() {
    if constexpr (kHasResult)
      return QxResultOf<std::tuple_element_t<kCount - 1, Args>>::kType;
    else
      return VT_EMPTY;
  }
};

// Builds the table entry of one member; parameter names go with the in-parameters in order.
template <auto kMethod>
QxMember QxMakeMember(DISPID inID, std::u16string_view inName, INVOKEKIND inKind, std::u16string_view inHelp,
                      std::initializer_list<QxParamName> inParams) {
  using Thunk = QxThunk<kMethod>;
  QxMember theMember;
  theMember.id = inID;
  theMember.name = inName;
  theMember.kind = inKind;
  theMember.help = inHelp;
  theMember.result = Thunk::ResultType();
  theMember.call = &Thunk::Call;
  const std::vector<VARTYPE> theTypes = Thunk::InTypes(std::make_index_sequence<Thunk::kInCount>{});
  auto theName = inParams.begin();
  for (VARTYPE theType : theTypes) {
    QxParam theParam;
    theParam.type = theType;
    if (theName != inParams.end()) {
      theParam.name = theName->name;
      if (theName->optional && theType == VT_VARIANT) theParam.flags |= PARAMFLAG_FOPT;
      ++theName;
    }
    theMember.params.push_back(theParam);
  }
  return theMember;
}

// Marks a member as hidden from object browsers; callers can still use it by name.
inline QxMember QxHidden(QxMember inMember) {
  inMember.flags |= FUNCFLAG_FHIDDEN;
  return inMember;
}

template <auto kMethod>
QxMember QxMethod(DISPID inID, std::u16string_view inName, std::u16string_view inHelp,
                  std::initializer_list<QxParamName> inParams = {}) {
  return QxMakeMember<kMethod>(inID, inName, INVOKE_FUNC, inHelp, inParams);
}
template <auto kMethod>
QxMember QxPropGet(DISPID inID, std::u16string_view inName, std::u16string_view inHelp,
                   std::initializer_list<QxParamName> inParams = {}) {
  return QxMakeMember<kMethod>(inID, inName, INVOKE_PROPERTYGET, inHelp, inParams);
}
template <auto kMethod>
QxMember QxPropPut(DISPID inID, std::u16string_view inName, std::u16string_view inHelp,
                   std::initializer_list<QxParamName> inParams = {}) {
  return QxMakeMember<kMethod>(inID, inName, INVOKE_PROPERTYPUT, inHelp, inParams);
}

// ---- object base ----

// A module's count of live objects and server locks; DllCanUnloadNow answers from it.
struct QxModuleCount {
  std::atomic<LONG> count{0};
  void Lock() { count.fetch_add(1, std::memory_order_relaxed); }
  void Unlock() { count.fetch_sub(1, std::memory_order_relaxed); }
};

// IUnknown, IDispatch and ISupportErrorInfo for a class with one dual interface.
// Derived provides `static const QxInterface& Describe();` and may hold a module count.
template <class Derived, class Interface, const IID& kIID>
class QxDispatchObject : public Interface, public ISupportErrorInfo {
 public:
  explicit QxDispatchObject(QxModuleCount* inModule = nullptr) : mModule(inModule) {
    if (mModule != nullptr) mModule->Lock();
  }
  QxDispatchObject(const QxDispatchObject&) = delete;
  QxDispatchObject& operator=(const QxDispatchObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (IsEqualIID(inIID, IID_IUnknown) || IsEqualIID(inIID, IID_IDispatch) || IsEqualIID(inIID, kIID))
      *outObject = static_cast<Interface*>(this);
    else if (IsEqualIID(inIID, IID_ISupportErrorInfo))
      *outObject = static_cast<ISupportErrorInfo*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++mRefCount; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG theCount = --mRefCount;
    if (theCount == 0) delete this;  // the destructor is virtual
    return theCount;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* outCount) override {
    if (outCount == nullptr) return E_POINTER;
    *outCount = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT inIndex, LCID, ITypeInfo** outInfo) override {
    if (outInfo == nullptr) return E_POINTER;
    *outInfo = nullptr;
    if (inIndex != 0) return DISP_E_BADINDEX;
    return QxCreateInterfaceTypeInfo(Derived::Describe(), outInfo);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* inNames, UINT inCount, LCID, DISPID* outIDs) override {
    return QxDispGetIDsOfNames(Derived::Describe(), inNames, inCount, outIDs);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID inID, REFIID, LCID, WORD inFlags, DISPPARAMS* inParams, VARIANT* outResult,
                                   EXCEPINFO* outExcep, UINT* outArgErr) override {
    return QxDispInvoke(Derived::Describe(), static_cast<Interface*>(this), inID, inFlags, inParams, outResult,
                        outExcep, outArgErr);
  }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID inIID) override {
    return IsEqualIID(inIID, kIID) ? S_OK : S_FALSE;
  }

 protected:
  virtual ~QxDispatchObject() {
    if (mModule != nullptr) mModule->Unlock();
  }

 private:
  std::atomic<ULONG> mRefCount{1};
  QxModuleCount* mModule;
};
