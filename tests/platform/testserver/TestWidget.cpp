#include "TestWidget.h"

#include <libloaderapi.h>
#include <objbase.h>
#include <sehapi.h>
#include <winreg.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>

namespace {

QxModuleCount gModule;

std::u16string Wide(const std::string& inText) { return std::u16string(inText.begin(), inText.end()); }

HRESULT RaiseError(const char16_t* inSource, const char16_t* inDescription, HRESULT inResult) {
  ICreateErrorInfo* theCreate = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&theCreate))) {
    theCreate->SetSource(const_cast<LPOLESTR>(inSource));
    theCreate->SetDescription(const_cast<LPOLESTR>(inDescription));
    theCreate->SetGUID(IID_ITestWidget);
    IErrorInfo* theInfo = nullptr;
    if (SUCCEEDED(theCreate->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&theInfo)))) {
      SetErrorInfo(0, theInfo);
      theInfo->Release();
    }
    theCreate->Release();
  }
  return inResult;
}

struct FaultError : std::runtime_error {
  FaultError(unsigned inCode, ULONG_PTR inAccess, ULONG_PTR inAddress)
      : std::runtime_error("fault"), code(inCode), access(inAccess), address(inAddress) {}
  unsigned code;
  ULONG_PTR access;
  ULONG_PTR address;
};

void Translate(unsigned int inCode, EXCEPTION_POINTERS* inPointers) {
  const EXCEPTION_RECORD* theRecord = inPointers->ExceptionRecord;
  throw FaultError(inCode, theRecord->NumberParameters > 0 ? theRecord->ExceptionInformation[0] : 0,
                   theRecord->NumberParameters > 1 ? theRecord->ExceptionInformation[1] : 0);
}

// Machine faults on purpose; the sanitizers must not see them coming.
__attribute__((noinline, no_sanitize("address", "undefined"))) int ReadAt(volatile int* inAddress) {
  return *inAddress;
}
__attribute__((noinline, no_sanitize("address", "undefined"))) void WriteAt(volatile int* inAddress) {
  *inAddress = 1;
}

volatile int* volatile gNowhere = nullptr;

class TestWidget final : public QxDispatchObject<TestWidget, ITestWidget, IID_ITestWidget> {
 public:
  TestWidget() : QxDispatchObject(&gModule) {}
  static const QxInterface& Describe();

  HRESULT STDMETHODCALLTYPE get_Value(BSTR* outValue) override {
    if (outValue == nullptr) return E_POINTER;
    *outValue = SysAllocStringLen(mValue.data(), static_cast<UINT>(mValue.size()));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Value(BSTR inValue) override {
    mValue.assign(inValue != nullptr ? inValue : u"", SysStringLen(inValue));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Count(LONG* outCount) override {
    if (outCount == nullptr) return E_POINTER;
    *outCount = mCount;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Count(LONG inCount) override {
    mCount = inCount;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Add(LONG inA, VARIANT inB, LONG* outSum) override {
    if (outSum == nullptr) return E_POINTER;
    LONG theB = 1;  // a missing second argument counts as 1
    if (!(V_VT(&inB) == VT_ERROR && V_ERROR(&inB) == DISP_E_PARAMNOTFOUND)) {
      VARIANT theValue;
      VariantInit(&theValue);
      const HRESULT theResult = VariantChangeType(&theValue, &inB, 0, VT_I4);
      if (FAILED(theResult)) return RaiseError(u"QuorixTest.Widget", u"The second value is no number.", E_INVALIDARG);
      theB = V_I4(&theValue);
    }
    *outSum = inA + theB;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Echo(VARIANT inData, VARIANT* outData) override {
    if (outData == nullptr) return E_POINTER;
    // Accepts a byte array, directly or by reference, and gives back a copy with the bytes reversed.
    const VARIANT* theData = &inData;
    if (V_VT(theData) == (VT_BYREF | VT_VARIANT)) theData = V_VARIANTREF(theData);
    SAFEARRAY* theArray = nullptr;
    if (V_VT(theData) == (VT_ARRAY | VT_UI1)) theArray = V_ARRAY(theData);
    if (V_VT(theData) == (VT_BYREF | VT_ARRAY | VT_UI1)) theArray = *V_ARRAYREF(theData);
    if (theArray == nullptr) return RaiseError(u"QuorixTest.Widget", u"Echo takes a byte array.", E_INVALIDARG);
    LONG theLower = 0, theUpper = -1;
    SafeArrayGetLBound(theArray, 1, &theLower);
    SafeArrayGetUBound(theArray, 1, &theUpper);
    const ULONG theCount = static_cast<ULONG>(theUpper - theLower + 1);
    SAFEARRAY* theCopy = SafeArrayCreateVector(VT_UI1, 0, theCount);
    if (theCopy == nullptr) return E_OUTOFMEMORY;
    BYTE* theFrom = nullptr;
    BYTE* theTo = nullptr;
    SafeArrayAccessData(theArray, reinterpret_cast<void**>(&theFrom));
    SafeArrayAccessData(theCopy, reinterpret_cast<void**>(&theTo));
    for (ULONG i = 0; i < theCount; ++i) theTo[i] = theFrom[theCount - 1 - i];
    SafeArrayUnaccessData(theCopy);
    SafeArrayUnaccessData(theArray);
    V_VT(outData) = VT_ARRAY | VT_UI1;
    V_ARRAY(outData) = theCopy;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Fail() override {
    return RaiseError(u"QuorixTest.Widget", u"The widget failed on purpose.", E_FAIL);
  }
  HRESULT STDMETHODCALLTYPE Crash(LONG inKind, BSTR* outText) override {
    if (outText == nullptr) return E_POINTER;
    _set_se_translator(Translate);
    try {
      QxGuardFaults([&] {
        if (inKind == 1)
          WriteAt(gNowhere);
        else
          (void)ReadAt(gNowhere);
      });
    } catch (const FaultError& theFault) {
      char theText[160];
      std::snprintf(theText, sizeof(theText), "code 0x%08X %s 0x%08lx", theFault.code,
                    theFault.access == 1 ? "write" : "read", static_cast<unsigned long>(theFault.address));
      const std::u16string theWide = Wide(theText);
      *outText = SysAllocString(theWide.c_str());
      return S_OK;
    }
    return E_UNEXPECTED;
  }
  HRESULT STDMETHODCALLTYPE get_Ratio(double* outRatio) override {
    if (outRatio == nullptr) return E_POINTER;
    *outRatio = mRatio;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Ratio(double inRatio) override {
    mRatio = inRatio;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Flag(VARIANT_BOOL* outFlag) override {
    if (outFlag == nullptr) return E_POINTER;
    *outFlag = mFlag;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Flag(VARIANT_BOOL inFlag) override {
    mFlag = inFlag ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Child(IDispatch** outChild) override {
    if (outChild == nullptr) return E_POINTER;
    if (mChild == nullptr) mChild = new (std::nothrow) TestWidget();
    if (mChild == nullptr) return E_OUTOFMEMORY;
    mChild->AddRef();
    *outChild = mChild;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Describe(VARIANT inValue, BSTR* outText) override {
    if (outText == nullptr) return E_POINTER;
    VARIANT theText;
    VariantInit(&theText);
    std::u16string theResult = Wide("vt=" + std::to_string(V_VT(&inValue)));
    if (SUCCEEDED(VariantChangeType(&theText, &inValue, VARIANT_ALPHABOOL, VT_BSTR))) {
      theResult += u" ";
      theResult.append(V_BSTR(&theText), SysStringLen(V_BSTR(&theText)));
      VariantClear(&theText);
    }
    *outText = SysAllocStringLen(theResult.data(), static_cast<UINT>(theResult.size()));
    return S_OK;
  }

 private:
  ~TestWidget() override {
    if (mChild != nullptr) mChild->Release();
  }

  std::u16string mValue;
  LONG mCount = 0;
  double mRatio = 0.5;
  VARIANT_BOOL mFlag = VARIANT_FALSE;
  TestWidget* mChild = nullptr;
};

const QxInterface& TestWidget::Describe() {
  static const QxInterface sInterface{
      u"ITestWidget",
      IID_ITestWidget,
      u"A widget for tests",
      {
          QxPropGet<&ITestWidget::get_Value>(DISPID_VALUE, u"Value", u"The widget's text."),
          QxPropPut<&ITestWidget::put_Value>(DISPID_VALUE, u"Value", u"The widget's text."),
          QxPropGet<&ITestWidget::get_Count>(1, u"Count", u"A number."),
          QxPropPut<&ITestWidget::put_Count>(1, u"Count", u"A number."),
          QxMethod<&ITestWidget::Add>(2, u"Add", u"Adds two numbers; the second is 1 when missing.",
                                      {u"A", QxOptional(u"B")}),
          QxMethod<&ITestWidget::Echo>(3, u"Echo", u"Returns the bytes reversed.", {u"Data"}),
          QxMethod<&ITestWidget::Fail>(4, u"Fail", u"Fails with rich error information."),
          QxMethod<&ITestWidget::Crash>(5, u"Crash", u"Faults and reports what was caught.", {u"Kind"}),
          QxPropGet<&ITestWidget::get_Ratio>(6, u"Ratio", u"A real number."),
          QxPropPut<&ITestWidget::put_Ratio>(6, u"Ratio", u"A real number."),
          QxPropGet<&ITestWidget::get_Flag>(7, u"Flag", u"A Boolean."),
          QxPropPut<&ITestWidget::put_Flag>(7, u"Flag", u"A Boolean."),
          QxPropGet<&ITestWidget::get_Child>(8, u"Child", u"Another widget, made on first use."),
          QxMethod<&ITestWidget::Describe>(9, u"Describe", u"The type and text of a value.", {u"Value"}),
      }};
  return sInterface;
}

const QxTypeLibrary& Library() {
  static const QxTypeLibrary sLibrary{u"QuorixTest",
                                      LIBID_QuorixTest,
                                      1,
                                      0,
                                      0x409,
                                      u"Quorix test server",
                                      {&TestWidget::Describe()},
                                      {{u"TestWidget", CLSID_TestWidget, u"TestWidget Class", &TestWidget::Describe()}}};
  return sLibrary;
}

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (!IsEqualIID(inIID, IID_IUnknown) && !IsEqualIID(inIID, IID_IClassFactory)) return E_NOINTERFACE;
    *outObject = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives as long as the module
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* inOuter, REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (inOuter != nullptr) return CLASS_E_NOAGGREGATION;
    TestWidget* theWidget = new (std::nothrow) TestWidget();
    if (theWidget == nullptr) return E_OUTOFMEMORY;
    const HRESULT theResult = theWidget->QueryInterface(inIID, outObject);
    theWidget->Release();
    return theResult;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL inLock) override {
    if (inLock)
      gModule.Lock();
    else
      gModule.Unlock();
    return S_OK;
  }
};

Factory gFactory;

LONG SetKey(const std::u16string& inPath, const char16_t* inName, const std::u16string& inValue) {
  HKEY theKey = nullptr;
  LONG theResult = RegCreateKeyExW(HKEY_CLASSES_ROOT, inPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                   nullptr, &theKey, nullptr);
  if (theResult != ERROR_SUCCESS) return theResult;
  theResult = RegSetValueExW(theKey, inName, 0, REG_SZ, reinterpret_cast<const BYTE*>(inValue.c_str()),
                             static_cast<DWORD>((inValue.size() + 1) * sizeof(char16_t)));
  RegCloseKey(theKey);
  return theResult;
}

std::u16string ModulePath() {
  HMODULE theModule = nullptr;
  char thePath[MAX_PATH * 4] = {};
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&gModule), &theModule))
    GetModuleFileNameA(theModule, thePath, sizeof(thePath));
  return Wide(thePath);
}

std::u16string ClassKey() {
  OLECHAR theText[39];
  StringFromGUID2(CLSID_TestWidget, theText, 39);
  return u"CLSID\\" + std::u16string(theText);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIID,
                                                                             void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  if (!IsEqualCLSID(inClsid, CLSID_TestWidget)) return CLASS_E_CLASSNOTAVAILABLE;
  return gFactory.QueryInterface(inIID, outObject);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return gModule.count.load() == 0 ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllGetTypeLibResource(ITypeLib** outLib) {
  return QxCreateTypeLib(Library(), outLib);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  const std::u16string thePath = ModulePath();
  OLECHAR theClsid[39];
  StringFromGUID2(CLSID_TestWidget, theClsid, 39);
  OLECHAR theLibid[39];
  StringFromGUID2(LIBID_QuorixTest, theLibid, 39);
  LONG theError = SetKey(u"QuorixTest.Widget.1", nullptr, u"TestWidget Class");
  if (!theError) theError = SetKey(u"QuorixTest.Widget.1\\CLSID", nullptr, theClsid);
  if (!theError) theError = SetKey(u"QuorixTest.Widget", nullptr, u"TestWidget Class");
  if (!theError) theError = SetKey(u"QuorixTest.Widget\\CurVer", nullptr, u"QuorixTest.Widget.1");
  if (!theError) theError = SetKey(ClassKey(), nullptr, u"TestWidget Class");
  if (!theError) theError = SetKey(ClassKey() + u"\\ProgID", nullptr, u"QuorixTest.Widget.1");
  if (!theError) theError = SetKey(ClassKey() + u"\\InprocServer32", nullptr, thePath);
  if (!theError) theError = SetKey(ClassKey() + u"\\InprocServer32", u"ThreadingModel", u"Both");
  if (!theError) theError = SetKey(ClassKey() + u"\\TypeLib", nullptr, theLibid);
  if (theError) return HRESULT_FROM_WIN32(static_cast<uint32_t>(theError));
  ITypeLib* theLib = nullptr;
  HRESULT theResult = DllGetTypeLibResource(&theLib);
  if (SUCCEEDED(theResult)) {
    theResult = RegisterTypeLib(theLib, thePath.c_str(), nullptr);
    theLib->Release();
  }
  return theResult;
}

extern "C" __attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, u"QuorixTest.Widget.1");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, u"QuorixTest.Widget");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, ClassKey().c_str());
  UnRegisterTypeLib(LIBID_QuorixTest, 1, 0, 0x409, SYS_WIN64);
  return S_OK;
}
