// The Quorix2 in-process server: class factories, the four entry points of a server module, the
// type library, and registration of the classes.
#include "scripting/QuorixModule.h"

#include <libloaderapi.h>
#include <stringapiset.h>
#include <objbase.h>
#include <winreg.h>

#include <array>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "runtime/ComBoundary.h"
#include "runtime/EventLog.h"
#include "runtime/Preferences.h"
#include "scripting/Doc.h"
#include "scripting/Image.h"
#include "scripting/Quorix2.h"
#include "scripting/XColor.h"
#include "scripting/XPoint.h"
#include "scripting/XRect.h"
#include "scripting/XTextStyle.h"
#include "scripting/XTransform.h"

#define QX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr const char16_t* kLibraryName = u"Quorix2";
constexpr const char16_t* kLibraryHelp = u"Quorix PDF Generation Library";
constexpr const char16_t* kThreadingModel = u"Both";

// The classes in registration order (their registry scripts were numbered 101 upward).
const std::array<ClassEntry, 7>& Classes() {
  static const std::array<ClassEntry, 7> sClasses{{
      {&CLSID_Doc, u"Doc", u"Doc Class", &Doc::Describe, &Doc::CreateInstance},
      {&CLSID_XRect, u"XRect", u"XRect Class", &XRect::Describe, &XRect::CreateInstance},
      {&CLSID_XPoint, u"XPoint", u"XPoint Class", &XPoint::Describe, &XPoint::CreateInstance},
      {&CLSID_XColor, u"XColor", u"XColor Class", &XColor::Describe, &XColor::CreateInstance},
      {&CLSID_XTextStyle, u"XTextStyle", u"XTextStyle Class", &XTextStyle::Describe, &XTextStyle::CreateInstance},
      {&CLSID_XTransform, u"XTransform", u"XTransform Class", &XTransform::Describe, &XTransform::CreateInstance},
      {&CLSID_Image, u"Image", u"Image Class", &Image::Describe, &Image::CreateInstance},
  }};
  return sClasses;
}

// A class factory per class, created on first request and kept for the life of the module.
class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(const ClassEntry& inClass) : mClass(inClass) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (!IsEqualIID(inIID, IID_IUnknown) && !IsEqualIID(inIID, IID_IClassFactory)) return E_NOINTERFACE;
    *outObject = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // The module owns its factories; references only keep the module busy.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* inOuter, REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (inOuter != nullptr) return CLASS_E_NOAGGREGATION;
    return mClass.create(inIID, outObject);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL inLock) override {
    if (inLock)
      ModuleCount().Lock();
    else
      ModuleCount().Unlock();
    return S_OK;
  }

 private:
  const ClassEntry& mClass;
};

// The module's critical section guards the lazy creation of factories.
struct FactoryTable {
  std::mutex mutex;
  std::array<std::unique_ptr<ClassFactory>, 7> factories;
};

FactoryTable& Factories() {
  static FactoryTable sTable;
  return sTable;
}

LONG WriteKey(const std::u16string& inPath, const char16_t* inName, const std::u16string& inValue) {
  HKEY theKey = nullptr;
  LONG theResult = RegCreateKeyExW(HKEY_CLASSES_ROOT, inPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                   nullptr, &theKey, nullptr);
  if (theResult != ERROR_SUCCESS) return theResult;
  theResult = RegSetValueExW(theKey, inName, 0, REG_SZ, reinterpret_cast<const BYTE*>(inValue.c_str()),
                             static_cast<DWORD>((inValue.size() + 1) * sizeof(char16_t)));
  RegCloseKey(theKey);
  return theResult;
}

LONG CreateKey(const std::u16string& inPath) {
  HKEY theKey = nullptr;
  const LONG theResult = RegCreateKeyExW(HKEY_CLASSES_ROOT, inPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_WRITE, nullptr, &theKey, nullptr);
  if (theResult == ERROR_SUCCESS) RegCloseKey(theKey);
  return theResult;
}

std::string ModulePath() {
  HMODULE theModule = nullptr;
  char thePath[MAX_PATH + 1] = {};
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(&ModulePath), &theModule))
    GetModuleFileNameA(theModule, thePath, MAX_PATH);
  return thePath;
}

// The registry entries of one class under HKEY_CLASSES_ROOT.
HRESULT RegisterClass(const ClassEntry& inClass, const std::u16string& inModule) {
  const std::u16string theName(inClass.name);
  const std::u16string theProgID = u"Quorix2." + theName + u".1";
  const std::u16string theIndependent = u"Quorix2." + theName;
  const std::u16string theClsid = QxGuidText(*inClass.clsid);
  const std::u16string theClassKey = u"CLSID\\" + theClsid;
  LONG theError = WriteKey(theProgID, nullptr, inClass.description);
  if (!theError) theError = WriteKey(theProgID + u"\\CLSID", nullptr, theClsid);
  if (!theError) theError = WriteKey(theIndependent, nullptr, inClass.description);
  if (!theError) theError = WriteKey(theIndependent + u"\\CLSID", nullptr, theClsid);
  if (!theError) theError = WriteKey(theIndependent + u"\\CurVer", nullptr, theProgID);
  if (!theError) theError = WriteKey(theClassKey, nullptr, inClass.description);
  if (!theError) theError = WriteKey(theClassKey + u"\\ProgID", nullptr, theProgID);
  if (!theError) theError = WriteKey(theClassKey + u"\\VersionIndependentProgID", nullptr, theIndependent);
  if (!theError) theError = CreateKey(theClassKey + u"\\Programmable");
  if (!theError) theError = WriteKey(theClassKey + u"\\InprocServer32", nullptr, inModule);
  if (!theError) theError = WriteKey(theClassKey + u"\\InprocServer32", u"ThreadingModel", kThreadingModel);
  if (!theError) theError = WriteKey(theClassKey + u"\\TypeLib", nullptr, QxGuidText(LIBID_Quorix2));
  return theError == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<uint32_t>(theError));
}

// The result of removing a registry entry: a key that is already gone is no failure.
HRESULT RemovalResult(LONG inError) {
  return inError == ERROR_SUCCESS || inError == ERROR_FILE_NOT_FOUND
             ? S_OK
             : HRESULT_FROM_WIN32(static_cast<uint32_t>(inError));
}

// Removes the registry entries of one class; stops at the first failure.
HRESULT UnregisterClass(const ClassEntry& inClass) {
  const std::u16string theName(inClass.name);
  // The class's own key goes; the CLSID key itself stays.
  const std::u16string theKeys[] = {u"Quorix2." + theName + u".1", u"Quorix2." + theName,
                                    u"CLSID\\" + QxGuidText(*inClass.clsid)};
  for (const std::u16string& theKey : theKeys) {
    const HRESULT theResult = RemovalResult(RegDeleteTreeW(HKEY_CLASSES_ROOT, theKey.c_str()));
    if (FAILED(theResult)) return theResult;
  }
  return S_OK;
}

// Removes the type library's registration, when there is one.
HRESULT UnregisterLibrary() {
  const std::u16string theVersionKey = u"TypeLib\\" + QxGuidText(LIBID_Quorix2) + u"\\1.0";
  HKEY theKey = nullptr;
  const LONG theOpen = RegOpenKeyExW(HKEY_CLASSES_ROOT, theVersionKey.c_str(), 0, KEY_READ, &theKey);
  if (theOpen != ERROR_SUCCESS) return RemovalResult(theOpen);
  RegCloseKey(theKey);
  return UnRegisterTypeLib(LIBID_Quorix2, 1, 0, 0x409, SYS_WIN64);
}

}  // namespace

const QxTypeLibrary& Quorix2Library() {
  static const QxTypeLibrary sLibrary = [] {
    QxTypeLibrary theLibrary{kLibraryName, LIBID_Quorix2, 1, 0, 0x409, kLibraryHelp, {}, {}};
    for (const ClassEntry& theClass : Classes()) {
      theLibrary.interfaces.push_back(&theClass.describe());
      theLibrary.coclasses.push_back({theClass.name, *theClass.clsid, theClass.description, &theClass.describe()});
    }
    return theLibrary;
  }();
  return sLibrary;
}

QX_EXPORT HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  const auto& theClasses = Classes();
  for (size_t i = 0; i < theClasses.size(); ++i) {
    if (!IsEqualCLSID(*theClasses[i].clsid, inClsid)) continue;
    FactoryTable& theTable = Factories();
    ClassFactory* theFactory = nullptr;
    {
      std::lock_guard<std::mutex> theLock(theTable.mutex);
      if (!theTable.factories[i]) theTable.factories[i] = std::make_unique<ClassFactory>(theClasses[i]);
      theFactory = theTable.factories[i].get();
    }
    return theFactory->QueryInterface(inIID, outObject);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

QX_EXPORT HRESULT DllCanUnloadNow() { return ModuleCount().count.load() == 0 ? S_OK : S_FALSE; }

QX_EXPORT HRESULT DllGetTypeLibResource(ITypeLib** outLib) { return QxCreateTypeLib(Quorix2Library(), outLib); }

QX_EXPORT HRESULT DllRegisterServer() {
  const std::string thePath = ModulePath();
  std::u16string theModule(thePath.size() + 1, u'\0');
  const int theLength = MultiByteToWideChar(CP_UTF8, 0, thePath.c_str(), -1, theModule.data(),
                                            static_cast<int>(theModule.size()));
  theModule.resize(theLength > 0 ? static_cast<size_t>(theLength - 1) : 0);
  HRESULT theResult = S_OK;
  for (const ClassEntry& theClass : Classes()) {
    theResult = RegisterClass(theClass, theModule);
    if (FAILED(theResult)) break;
  }
  if (SUCCEEDED(theResult)) {
    ITypeLib* theLib = nullptr;
    theResult = DllGetTypeLibResource(&theLib);
    if (SUCCEEDED(theResult)) {
      theResult = RegisterTypeLib(theLib, theModule.c_str(), nullptr);
      theLib->Release();
    }
  }
  // Whatever the outcome, the module records where it lives and installs its event source.
  StoreModulePath(thePath.c_str());
  InstallEventSource(nullptr, kEventSource);
  if (FAILED(theResult)) return theResult;
  LogText("Quorix Registered Successfully", kEventInformation);
  return S_OK;
}

// Stops at the first failure and returns it, so that a caller who may not change the registry
// (or a store that cannot be read) is told, rather than seeing success with every key still there.
QX_EXPORT HRESULT DllUnregisterServer() {
  for (const ClassEntry& theClass : Classes()) {
    const HRESULT theResult = UnregisterClass(theClass);
    if (FAILED(theResult)) return theResult;
  }
  return UnregisterLibrary();
}

namespace {

volatile int* volatile gNowhere = nullptr;

__attribute__((noinline, no_sanitize("address", "undefined"))) int ReadNowhere() { return *gNowhere; }

constexpr ComClassInfo kHookClass{&CLSID_XRect, &IID_IXRect};

}  // namespace

// Test hook, not part of any registered interface: runs a method body that faults (inKind 1) or
// throws an unknown exception (inKind 2) inside the common boundary, as a method of XRect would.
QX_EXPORT HRESULT QuorixTestHookFault(LONG inKind) {
  return QX_COM_METHOD(kHookClass, [&]() -> HRESULT {
    if (inKind == 1) return ReadNowhere();
    if (inKind == 2) throw 42;
    return S_OK;
  });
}
