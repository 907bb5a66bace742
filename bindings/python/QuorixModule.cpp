// The `quorix` Python module: creates Automation objects by ProgID and calls them late-bound
// through IDispatch, the way a script host does. It knows nothing of any particular class: names
// are resolved with GetIDsOfNames, the type information tells properties from methods, values are
// converted to and from VARIANT, and a failed call raises quorix.ComError with the HRESULT, the
// source and the description of the error.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <formatmessage.h>
#include <objbase.h>

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace py = pybind11;

namespace {

py::object gComError;  // the quorix.ComError class, set once at import

// A Python text as UTF-16, through Python's own codec; lone surrogates pass unchanged, as a
// BSTR may hold them.
std::u16string ToWide(const py::handle& inText) {
  PyObject* theBytes = PyUnicode_AsEncodedString(inText.ptr(), "utf-16-le", "surrogatepass");
  if (theBytes == nullptr) throw py::error_already_set();
  py::bytes theHeld = py::reinterpret_steal<py::bytes>(theBytes);
  const std::string_view theData(PyBytes_AS_STRING(theBytes), static_cast<size_t>(PyBytes_GET_SIZE(theBytes)));
  std::u16string theResult(theData.size() / 2, u'\0');
  std::memcpy(theResult.data(), theData.data(), theResult.size() * sizeof(char16_t));
  return theResult;
}

// A Python text as a new BSTR. Texts whose characters all lie below U+10000 are copied unit for
// unit (Python keeps them as 8- or 16-bit units, lone surrogates included); others go through the
// codec, which makes surrogate pairs.
BSTR ToBstr(const py::handle& inText) {
  PyObject* theText = inText.ptr();
  const Py_ssize_t theLength = PyUnicode_GET_LENGTH(theText);
  const int theKind = PyUnicode_KIND(theText);
  BSTR theResult = nullptr;
  if (theKind == PyUnicode_1BYTE_KIND || theKind == PyUnicode_2BYTE_KIND) {
    if (theLength > 0x7FFFFFFF) throw std::bad_alloc();
    theResult = SysAllocStringLen(nullptr, static_cast<UINT>(theLength));
    if (theResult == nullptr) throw std::bad_alloc();
    if (theKind == PyUnicode_2BYTE_KIND) {
      std::memcpy(theResult, PyUnicode_2BYTE_DATA(theText), static_cast<size_t>(theLength) * sizeof(OLECHAR));
    } else {
      const Py_UCS1* theSource = PyUnicode_1BYTE_DATA(theText);
      for (Py_ssize_t i = 0; i < theLength; ++i) theResult[i] = theSource[i];
    }
    return theResult;
  }
  const std::u16string theWide = ToWide(inText);
  theResult = SysAllocStringLen(theWide.data(), static_cast<UINT>(theWide.size()));
  if (theResult == nullptr) throw std::bad_alloc();
  return theResult;
}

py::str ToPython(const OLECHAR* inText, size_t inLength) {
  // Python decodes UTF-16 itself; lone surrogates come back as they were.
  PyObject* theText = PyUnicode_DecodeUTF16(reinterpret_cast<const char*>(inText),
                                            static_cast<Py_ssize_t>(inLength * sizeof(OLECHAR)), "surrogatepass", nullptr);
  if (theText == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(theText);
}

py::str FromBstr(BSTR inText) { return inText != nullptr ? ToPython(inText, SysStringLen(inText)) : py::str(""); }

// Owns one VARIANT.
class Variant {
 public:
  Variant() { VariantInit(&mValue); }
  ~Variant() { VariantClear(&mValue); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& inOther) noexcept : mValue(inOther.mValue) { VariantInit(&inOther.mValue); }
  VARIANT* get() { return &mValue; }

 private:
  VARIANT mValue;
};

std::string SystemText(HRESULT inResult) {
  char theBuffer[512];
  const DWORD theLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                         static_cast<DWORD>(inResult), 0, theBuffer, sizeof(theBuffer), nullptr);
  std::string theText(theBuffer, theLength);
  while (!theText.empty() && (theText.back() == '\n' || theText.back() == '\r')) theText.pop_back();
  return theText;
}

[[noreturn]] void Raise(HRESULT inResult, py::object inSource, py::object inDescription) {
  py::object theError = gComError(static_cast<uint32_t>(inResult), inSource, inDescription);
  PyErr_SetObject(gComError.ptr(), theError.ptr());
  throw py::error_already_set();
}

[[noreturn]] void Raise(HRESULT inResult) { Raise(inResult, py::str(""), py::str(SystemText(inResult))); }

class Dispatch;

}  // namespace

namespace {

class Dispatch {
 public:
  explicit Dispatch(IDispatch* inObject) : mObject(inObject) {}  // takes one reference
  ~Dispatch() {
    if (mObject != nullptr) mObject->Release();
  }
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;

  IDispatch* get() const { return mObject; }

  // A member's dispatch ID and kind: 1 a property without arguments, 2 a method or a property
  // with arguments, 0 unknown.
  struct Member {
    DISPID id = DISPID_UNKNOWN;
    int kind = 0;
  };

  // Looks a member up by name. Objects described by type information have the members of their
  // interface, fixed for every object of it, so those answers are kept per interface and name:
  // a script that calls the same members again and again asks the object only once.
  Member Find(const std::string& inName) const {
    const bool theKnownType = HasTypeKey();
    if (theKnownType) {
      const auto theFound = Members().find(MemberName{mTypeKey, inName});
      if (theFound != Members().end()) return theFound->second;
    }
    Member theMember;
    theMember.id = IdOf(inName);
    theMember.kind = KindOf(theMember.id);
    if (theKnownType) Members().emplace(MemberKey{mTypeKey, inName}, theMember);
    return theMember;
  }

  DISPID IdOf(const std::string& inName) const {
    std::u16string theName = ToWide(py::str(inName));
    LPOLESTR theNames[1] = {theName.data()};
    DISPID theID = DISPID_UNKNOWN;
    const HRESULT theResult = mObject->GetIDsOfNames(IID_NULL, theNames, 1, LOCALE_USER_DEFAULT, &theID);
    if (theResult == DISP_E_UNKNOWNNAME || theResult == DISP_E_MEMBERNOTFOUND)
      throw py::attribute_error("object has no member '" + inName + "'");
    if (FAILED(theResult)) Raise(theResult);
    return theID;
  }

  int KindOf(DISPID inID) const {
    ITypeInfo* theInfo = nullptr;
    if (FAILED(mObject->GetTypeInfo(0, LOCALE_USER_DEFAULT, &theInfo)) || theInfo == nullptr) return 0;
    int theKind = 0;
    TYPEATTR* theAttr = nullptr;
    if (SUCCEEDED(theInfo->GetTypeAttr(&theAttr))) {
      for (UINT i = 0; i < theAttr->cFuncs; ++i) {
        FUNCDESC* theDesc = nullptr;
        if (FAILED(theInfo->GetFuncDesc(i, &theDesc))) continue;
        if (theDesc->memid == inID) {
          if (theDesc->invkind == INVOKE_PROPERTYGET && theDesc->cParams == 0) theKind = 1;
          else if (theDesc->invkind == INVOKE_FUNC || theDesc->invkind == INVOKE_PROPERTYGET)
            theKind = theKind == 1 ? 1 : 2;
        }
        theInfo->ReleaseFuncDesc(theDesc);
      }
      theInfo->ReleaseTypeAttr(theAttr);
    }
    theInfo->Release();
    return theKind;
  }

  py::object Invoke(DISPID inID, WORD inFlags, const py::args& inArgs) const;
  void Put(DISPID inID, const py::handle& inValue) const;

 private:
  // The interface the type information describes, found on the first lookup; false when the
  // object has none (its members are then asked for every time).
  bool HasTypeKey() const {
    if (mTypeKeyState == 0) {
      mTypeKeyState = 2;
      ITypeInfo* theInfo = nullptr;
      if (SUCCEEDED(mObject->GetTypeInfo(0, LOCALE_USER_DEFAULT, &theInfo)) && theInfo != nullptr) {
        TYPEATTR* theAttr = nullptr;
        if (SUCCEEDED(theInfo->GetTypeAttr(&theAttr)) && theAttr != nullptr) {
          if (!IsEqualGUID(theAttr->guid, GUID_NULL)) {
            mTypeKey = theAttr->guid;
            mTypeKeyState = 1;
          }
          theInfo->ReleaseTypeAttr(theAttr);
        }
        theInfo->Release();
      }
    }
    return mTypeKeyState == 1;
  }

  // Members found so far, by interface and name (looked up without making a key); used only while
  // holding the interpreter lock.
  struct MemberKey {
    GUID type;
    std::string name;
  };
  struct MemberName {
    const GUID& type;
    std::string_view name;
  };
  struct MemberHash {
    using is_transparent = void;
    size_t operator()(const MemberName& inKey) const {
      uint64_t theType[2];
      std::memcpy(theType, &inKey.type, sizeof(theType));
      return std::hash<std::string_view>()(inKey.name) ^ (theType[0] * 0x9E3779B97F4A7C15ull) ^ theType[1];
    }
    size_t operator()(const MemberKey& inKey) const { return (*this)(MemberName{inKey.type, inKey.name}); }
  };
  struct MemberEqual {
    using is_transparent = void;
    static MemberName View(const MemberKey& inKey) { return MemberName{inKey.type, inKey.name}; }
    static MemberName View(const MemberName& inKey) { return inKey; }
    template <class A, class B>
    bool operator()(const A& inA, const B& inB) const {
      const MemberName theA = View(inA);
      const MemberName theB = View(inB);
      return IsEqualGUID(theA.type, theB.type) && theA.name == theB.name;
    }
  };
  using MemberMap = std::unordered_map<MemberKey, Member, MemberHash, MemberEqual>;
  static MemberMap& Members() {
    static MemberMap sMembers;
    return sMembers;
  }

  IDispatch* mObject;
  mutable GUID mTypeKey{};
  mutable int mTypeKeyState = 0;  // 0 not looked up, 1 known, 2 none
};

void ToVariant(const py::handle& inValue, VARIANT* outValue) {
  VariantInit(outValue);
  if (inValue.is_none()) return;
  if (py::isinstance<py::bool_>(inValue)) {
    V_VT(outValue) = VT_BOOL;
    V_BOOL(outValue) = inValue.cast<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (py::isinstance<py::int_>(inValue)) {
    const long long theNumber = inValue.cast<long long>();  // raises OverflowError beyond 64 bits
    if (theNumber >= INT32_MIN && theNumber <= INT32_MAX) {
      V_VT(outValue) = VT_I4;
      V_I4(outValue) = static_cast<LONG>(theNumber);
    } else {
      V_VT(outValue) = VT_I8;
      V_I8(outValue) = theNumber;
    }
  } else if (py::isinstance<py::float_>(inValue)) {
    V_VT(outValue) = VT_R8;
    V_R8(outValue) = inValue.cast<double>();
  } else if (py::isinstance<py::str>(inValue)) {
    V_BSTR(outValue) = ToBstr(inValue);
    V_VT(outValue) = VT_BSTR;
  } else if (py::isinstance<py::bytes>(inValue) || py::isinstance<py::bytearray>(inValue) ||
             py::isinstance<py::memoryview>(inValue)) {
    py::buffer_info theBuffer = py::reinterpret_borrow<py::buffer>(inValue).request();
    const size_t theSize = static_cast<size_t>(theBuffer.size * theBuffer.itemsize);
    if (theSize > 0xFFFFFFFFu) throw py::value_error("byte array too large");
    SAFEARRAY* theArray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(theSize));
    if (theArray == nullptr) throw std::bad_alloc();
    void* theData = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(theArray, &theData))) {
      if (theSize > 0) std::memcpy(theData, theBuffer.ptr, theSize);
      SafeArrayUnaccessData(theArray);
    }
    V_VT(outValue) = VT_ARRAY | VT_UI1;
    V_ARRAY(outValue) = theArray;
  } else if (py::isinstance<Dispatch>(inValue)) {
    IDispatch* theObject = inValue.cast<const Dispatch&>().get();
    theObject->AddRef();
    V_VT(outValue) = VT_DISPATCH;
    V_DISPATCH(outValue) = theObject;
  } else {
    throw py::type_error("cannot pass a value of type " + std::string(py::str(inValue.get_type().attr("__name__"))) +
                         " to an Automation object");
  }
}

py::object FromVariant(const VARIANT* inValue) {
  VARTYPE theType = V_VT(inValue);
  if (theType & VT_BYREF) {
    Variant theCopy;
    if (FAILED(VariantCopyInd(theCopy.get(), inValue))) return py::none();
    return FromVariant(theCopy.get());
  }
  switch (theType) {
    case VT_EMPTY:
    case VT_NULL: return py::none();
    case VT_I1: return py::int_(static_cast<int8_t>(inValue->cVal));
    case VT_UI1: return py::int_(inValue->bVal);
    case VT_I2: return py::int_(inValue->iVal);
    case VT_UI2: return py::int_(inValue->uiVal);
    case VT_I4:
    case VT_INT: return py::int_(inValue->lVal);
    case VT_UI4:
    case VT_UINT: return py::int_(inValue->ulVal);
    case VT_I8: return py::int_(inValue->llVal);
    case VT_UI8: return py::int_(inValue->ullVal);
    case VT_R4: return py::float_(inValue->fltVal);
    case VT_R8: return py::float_(inValue->dblVal);
    case VT_BOOL: return py::bool_(inValue->boolVal != VARIANT_FALSE);
    case VT_ERROR: return py::int_(static_cast<uint32_t>(inValue->scode));
    case VT_BSTR: return FromBstr(inValue->bstrVal);
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      if (inValue->punkVal == nullptr) return py::none();
      IDispatch* theObject = nullptr;
      if (FAILED(inValue->punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&theObject))))
        return py::none();
      return py::cast(std::make_unique<Dispatch>(theObject));
    }
    default: break;
  }
  if ((theType & VT_ARRAY) && V_ARRAY(inValue) != nullptr) {
    SAFEARRAY* theArray = V_ARRAY(inValue);
    LONG theLower = 0;
    LONG theUpper = -1;
    SafeArrayGetLBound(theArray, 1, &theLower);
    SafeArrayGetUBound(theArray, 1, &theUpper);
    const size_t theCount = theUpper >= theLower ? static_cast<size_t>(int64_t{theUpper} - theLower + 1) : 0;
    void* theData = nullptr;
    if (FAILED(SafeArrayAccessData(theArray, &theData))) return py::none();
    py::object theResult;
    const VARTYPE theElement = theType & VT_TYPEMASK;
    if (SafeArrayGetDim(theArray) == 1 && (theElement == VT_UI1 || theElement == VT_I1)) {
      theResult = py::bytes(static_cast<const char*>(theData), theCount);
    } else if (SafeArrayGetDim(theArray) == 1) {
      py::list theList;
      const UINT theSize = SafeArrayGetElemsize(theArray);
      for (size_t i = 0; i < theCount; ++i) {
        VARIANT theCell;
        VariantInit(&theCell);
        const BYTE* theSource = static_cast<const BYTE*>(theData) + i * theSize;
        if (theElement == VT_VARIANT) {
          theList.append(FromVariant(reinterpret_cast<const VARIANT*>(theSource)));
          continue;
        }
        V_VT(&theCell) = theElement;
        std::memcpy(&theCell.llVal, theSource, std::min<size_t>(theSize, sizeof(theCell.llVal)));
        theList.append(FromVariant(&theCell));  // borrowed: not cleared
      }
      theResult = theList;
    } else {
      theResult = py::none();
    }
    SafeArrayUnaccessData(theArray);
    return theResult;
  }
  return py::none();
}

// Raises ComError for a failed Invoke, from EXCEPINFO when the member raised one.
[[noreturn]] void RaiseInvoke(HRESULT inResult, EXCEPINFO& inExcep, UINT inArgErr) {
  if (inResult == DISP_E_EXCEPTION) {
    if (inExcep.pfnDeferredFillIn != nullptr) inExcep.pfnDeferredFillIn(&inExcep);
    const HRESULT theCode = inExcep.scode != 0 ? inExcep.scode : static_cast<HRESULT>(0x80040000u | inExcep.wCode);
    py::str theSource = FromBstr(inExcep.bstrSource);
    py::str theDescription = inExcep.bstrDescription != nullptr ? FromBstr(inExcep.bstrDescription)
                                                                : py::str(SystemText(theCode));
    SysFreeString(inExcep.bstrSource);
    SysFreeString(inExcep.bstrDescription);
    SysFreeString(inExcep.bstrHelpFile);
    Raise(theCode, theSource, theDescription);
  }
  std::string theText = SystemText(inResult);
  if (inResult == DISP_E_TYPEMISMATCH || inResult == DISP_E_PARAMNOTFOUND || inResult == DISP_E_OVERFLOW)
    theText += " (argument " + std::to_string(inArgErr) + " counted from the last)";
  Raise(inResult, py::str(""), py::str(theText));
}

// The arguments of one call, owned and cleared: a few in place, more in a vector.
class Arguments {
 public:
  explicit Arguments(size_t inCount) : mCount(inCount) {
    if (inCount > kInPlace) mMore.resize(inCount);
    for (size_t i = 0; i < mCount; ++i) VariantInit(&Data()[i]);
  }
  ~Arguments() {
    for (size_t i = 0; i < mCount; ++i) VariantClear(&Data()[i]);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  VARIANT* Data() { return mCount > kInPlace ? mMore.data() : mInPlace; }
  UINT Count() const { return static_cast<UINT>(mCount); }

 private:
  static constexpr size_t kInPlace = 8;
  VARIANT mInPlace[kInPlace];
  std::vector<VARIANT> mMore;
  size_t mCount;
};

py::object Dispatch::Invoke(DISPID inID, WORD inFlags, const py::args& inArgs) const {
  const size_t theCount = inArgs.size();
  Arguments theArgs(theCount);
  // Arguments go last first.
  for (size_t i = 0; i < theCount; ++i) ToVariant(inArgs[i], &theArgs.Data()[theCount - 1 - i]);
  DISPPARAMS theParams = {theCount == 0 ? nullptr : theArgs.Data(), nullptr, theArgs.Count(), 0};
  Variant theResult;
  EXCEPINFO theExcep{};
  UINT theArgErr = 0;
  const HRESULT theStatus =
      mObject->Invoke(inID, IID_NULL, LOCALE_USER_DEFAULT, inFlags, &theParams, theResult.get(), &theExcep, &theArgErr);
  if (FAILED(theStatus)) RaiseInvoke(theStatus, theExcep, theArgErr);
  return FromVariant(theResult.get());
}

void Dispatch::Put(DISPID inID, const py::handle& inValue) const {
  Variant theValue;
  ToVariant(inValue, theValue.get());
  DISPID theNamed = DISPID_PROPERTYPUT;
  DISPPARAMS theParams = {theValue.get(), &theNamed, 1, 1};
  EXCEPINFO theExcep{};
  UINT theArgErr = 0;
  HRESULT theStatus = mObject->Invoke(inID, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &theParams, nullptr,
                                      &theExcep, &theArgErr);
  if (theStatus == DISP_E_MEMBERNOTFOUND && !py::isinstance<Dispatch>(inValue)) {
    // No put of its own: assign through the default member of the object the property holds,
    // as a script does with `obj.Rect = "0 0 10 10"`.
    py::object theCurrent = Invoke(inID, DISPATCH_PROPERTYGET, py::args());
    if (py::isinstance<Dispatch>(theCurrent)) {
      theCurrent.cast<const Dispatch&>().Put(DISPID_VALUE, inValue);
      return;
    }
  }
  if (FAILED(theStatus)) RaiseInvoke(theStatus, theExcep, theArgErr);
}

// A method of an object, ready to be called.
struct BoundMethod {
  py::object owner;  // keeps the object alive
  DISPID id;
  std::string name;
};

py::object GetAttribute(const py::object& inSelf, const std::string& inName) {
  if (!inName.empty() && inName[0] == '_') throw py::attribute_error(inName);
  const Dispatch& theObject = inSelf.cast<const Dispatch&>();
  const auto [theID, theKind] = theObject.Find(inName);
  if (theKind == 1) return theObject.Invoke(theID, DISPATCH_PROPERTYGET, py::args());
  if (theKind == 2) return py::cast(BoundMethod{inSelf, theID, inName});
  // No type information: try it as a property, and fall back to a method.
  try {
    return theObject.Invoke(theID, DISPATCH_PROPERTYGET, py::args());
  } catch (py::error_already_set& theError) {
    if (!theError.matches(gComError)) throw;
    const uint32_t theCode = py::cast<uint32_t>(theError.value().attr("hresult"));
    if (theCode != static_cast<uint32_t>(DISP_E_BADPARAMCOUNT) &&
        theCode != static_cast<uint32_t>(DISP_E_MEMBERNOTFOUND) &&
        theCode != static_cast<uint32_t>(DISP_E_PARAMNOTOPTIONAL))
      throw;
    return py::cast(BoundMethod{inSelf, theID, inName});
  }
}

}  // namespace

PYBIND11_MODULE(quorix, inModule) {
  inModule.doc() = "Late-bound Automation objects, created by ProgID and called through IDispatch.";
  CoInitialize(nullptr);

  // ComError: hresult (unsigned 32-bit), source and description, all three in str().
  // The text starts with its first line: one that starts with a newline would be dedented first,
  // and the module that dedents (textwrap, with re and enum) takes longer to import than this one.
  py::exec(R"(class ComError(Exception):
    """An Automation call failed: hresult, source and description say how."""
    def __init__(self, hresult, source="", description=""):
        super().__init__(hresult, source, description)
        self.hresult = hresult
        self.source = source
        self.description = description
    def __str__(self):
        return "0x%08X %s: %s" % (self.hresult, self.source, self.description)
)",
           inModule.attr("__dict__"));
  gComError = inModule.attr("ComError");
  gComError.inc_ref();  // lives as long as the interpreter
  inModule.attr("ComError").attr("__module__") = "quorix";

  py::class_<BoundMethod>(inModule, "Method")
      .def("__call__",
           [](const BoundMethod& inMethod, py::args inArgs) {
             return inMethod.owner.cast<const Dispatch&>().Invoke(inMethod.id, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                                                  inArgs);
           })
      .def("__repr__", [](const BoundMethod& inMethod) { return "<quorix method " + inMethod.name + ">"; });

  py::class_<Dispatch>(inModule, "Dispatch")
      // Every name is the object's own, so the lookup goes to it first: Python's own lookup would
      // fail first for each of them, making and dropping an AttributeError every time. Names
      // with a leading underscore are Python's.
      .def("__getattribute__",
           [](const py::object& inSelf, const py::str& inName) -> py::object {
             const Py_ssize_t theLength = PyUnicode_GET_LENGTH(inName.ptr());
             if (theLength > 0 && PyUnicode_READ_CHAR(inName.ptr(), 0) == '_') {
               PyObject* theValue = PyObject_GenericGetAttr(inSelf.ptr(), inName.ptr());
               if (theValue == nullptr) throw py::error_already_set();
               return py::reinterpret_steal<py::object>(theValue);
             }
             return GetAttribute(inSelf, inName.cast<std::string>());
           })
      .def("__setattr__",
           [](const py::object& inSelf, const std::string& inName, const py::object& inValue) {
             const Dispatch& theObject = inSelf.cast<const Dispatch&>();
             theObject.Put(theObject.Find(inName).id, inValue);
           })
      .def("__call__",
           [](const Dispatch& inSelf, py::args inArgs) {
             return inSelf.Invoke(DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, inArgs);
           })
      .def("__str__",
           [](const Dispatch& inSelf) -> py::str {
             py::object theValue = inSelf.Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, py::args());
             return py::str(theValue);
           })
      .def("__repr__", [](const Dispatch& inSelf) {
        char theText[64];
        std::snprintf(theText, sizeof(theText), "<quorix.Dispatch at %p>", static_cast<void*>(inSelf.get()));
        return std::string(theText);
      })
      .def("__eq__",
           [](const Dispatch& inSelf, const py::object& inOther) {
             if (!py::isinstance<Dispatch>(inOther)) return false;
             IUnknown* theA = nullptr;
             IUnknown* theB = nullptr;
             inSelf.get()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theA));
             inOther.cast<const Dispatch&>().get()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theB));
             const bool theSame = theA == theB;
             if (theA != nullptr) theA->Release();
             if (theB != nullptr) theB->Release();
             return theSame;
           })
      .def("__hash__", [](const Dispatch& inSelf) {
        IUnknown* theIdentity = nullptr;
        inSelf.get()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theIdentity));
        if (theIdentity != nullptr) theIdentity->Release();
        return reinterpret_cast<uintptr_t>(theIdentity);
      });

  inModule.def(
      "CreateObject",
      [](const std::string& inProgID) {
        const std::u16string theProgID = ToWide(py::str(inProgID));
        CLSID theClass;
        HRESULT theResult = CLSIDFromProgID(theProgID.c_str(), &theClass);
        if (FAILED(theResult)) Raise(theResult, py::str(inProgID), py::str(SystemText(theResult)));
        IDispatch* theObject = nullptr;
        theResult = CoCreateInstance(theClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(&theObject));
        if (FAILED(theResult)) Raise(theResult, py::str(inProgID), py::str(SystemText(theResult)));
        return std::make_unique<Dispatch>(theObject);
      },
      py::arg("progid"), "Creates the object registered under a ProgID and returns it late-bound.");
}
