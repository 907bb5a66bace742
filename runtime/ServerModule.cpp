#include "runtime/ServerModule.h"

#include <libloaderapi.h>
#include <objbase.h>
#include <oleauto.h>
#include <stringapiset.h>
#include <winreg.h>

namespace {

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

// The result of removing a registry entry: a key that is already gone is no failure.
HRESULT RemovalResult(LONG inError) {
  return inError == ERROR_SUCCESS || inError == ERROR_FILE_NOT_FOUND
             ? S_OK
             : HRESULT_FROM_WIN32(static_cast<uint32_t>(inError));
}

}  // namespace

// A class factory per class, created on first request and kept for the life of the module.
class ServerModule::Factory final : public IClassFactory {
 public:
  Factory(const ClassEntry& inClass, QxModuleCount& inCount) : mClass(inClass), mCount(inCount) {}

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
      mCount.Lock();
    else
      mCount.Unlock();
    return S_OK;
  }

 private:
  const ClassEntry& mClass;
  QxModuleCount& mCount;
};

ServerModule::ServerModule(const Identity& inIdentity, std::span<const ClassEntry> inClasses, QxModuleCount& inCount)
    : mIdentity(inIdentity), mClasses(inClasses), mCount(inCount), mFactories(inClasses.size()) {
  mLibrary = QxTypeLibrary{inIdentity.libraryName, inIdentity.libid, 1, 0, 0x409, inIdentity.libraryHelp, {}, {}};
  for (const ClassEntry& theClass : mClasses) {
    mLibrary.interfaces.push_back(&theClass.describe());
    mLibrary.coclasses.push_back({theClass.name, *theClass.clsid, theClass.description, &theClass.describe()});
  }
}

ServerModule::~ServerModule() = default;

HRESULT ServerModule::GetClassObject(REFCLSID inClsid, REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  for (size_t i = 0; i < mClasses.size(); ++i) {
    if (!IsEqualCLSID(*mClasses[i].clsid, inClsid)) continue;
    Factory* theFactory = nullptr;
    {
      const std::lock_guard theLock(mMutex);
      if (!mFactories[i]) mFactories[i] = std::make_unique<Factory>(mClasses[i], mCount);
      theFactory = mFactories[i].get();
    }
    return theFactory->QueryInterface(inIID, outObject);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

std::string ServerModule::PathOfModule(const void* inAddress) {
  HMODULE theModule = nullptr;
  char thePath[MAX_PATH + 1] = {};
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         static_cast<LPCSTR>(inAddress), &theModule))
    GetModuleFileNameA(theModule, thePath, MAX_PATH);
  return thePath;
}

HRESULT ServerModule::RegisterClass(const ClassEntry& inClass, const std::u16string& inModule) const {
  const std::u16string theIndependent = std::u16string(mIdentity.progIDPrefix) + u"." + inClass.name;
  const std::u16string theProgID = theIndependent + u".1";
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
  if (!theError) theError = WriteKey(theClassKey + u"\\InprocServer32", u"ThreadingModel", mIdentity.threadingModel);
  if (!theError) theError = WriteKey(theClassKey + u"\\TypeLib", nullptr, QxGuidText(mIdentity.libid));
  return theError == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<uint32_t>(theError));
}

HRESULT ServerModule::RegisterServer(const std::string& inModulePath) {
  std::u16string theModule(inModulePath.size() + 1, u'\0');
  const int theLength = MultiByteToWideChar(CP_UTF8, 0, inModulePath.c_str(), -1, theModule.data(),
                                            static_cast<int>(theModule.size()));
  theModule.resize(theLength > 0 ? static_cast<size_t>(theLength - 1) : 0);
  for (const ClassEntry& theClass : mClasses) {
    const HRESULT theResult = RegisterClass(theClass, theModule);
    if (FAILED(theResult)) return theResult;
  }
  ITypeLib* theLib = nullptr;
  HRESULT theResult = QxCreateTypeLib(mLibrary, &theLib);
  if (SUCCEEDED(theResult)) {
    theResult = RegisterTypeLib(theLib, theModule.c_str(), nullptr);
    theLib->Release();
  }
  return theResult;
}

// Removes the registry entries of one class; stops at the first failure. The class's own key
// goes; the CLSID key itself stays.
HRESULT ServerModule::UnregisterClass(const ClassEntry& inClass) const {
  const std::u16string theIndependent = std::u16string(mIdentity.progIDPrefix) + u"." + inClass.name;
  const std::u16string theKeys[] = {theIndependent + u".1", theIndependent, u"CLSID\\" + QxGuidText(*inClass.clsid)};
  for (const std::u16string& theKey : theKeys) {
    const HRESULT theResult = RemovalResult(RegDeleteTreeW(HKEY_CLASSES_ROOT, theKey.c_str()));
    if (FAILED(theResult)) return theResult;
  }
  return S_OK;
}

// Removes the type library's registration, when there is one.
HRESULT ServerModule::UnregisterLibrary() const {
  const std::u16string theVersionKey = u"TypeLib\\" + QxGuidText(mIdentity.libid) + u"\\1.0";
  HKEY theKey = nullptr;
  const LONG theOpen = RegOpenKeyExW(HKEY_CLASSES_ROOT, theVersionKey.c_str(), 0, KEY_READ, &theKey);
  if (theOpen != ERROR_SUCCESS) return RemovalResult(theOpen);
  RegCloseKey(theKey);
  return UnRegisterTypeLib(mIdentity.libid, 1, 0, 0x409, SYS_WIN64);
}

// Stops at the first failure and returns it, so that a caller who may not change the registry
// (or a store that cannot be read) is told, rather than seeing success with every key still there.
HRESULT ServerModule::UnregisterServer() {
  for (const ClassEntry& theClass : mClasses) {
    const HRESULT theResult = UnregisterClass(theClass);
    if (FAILED(theResult)) return theResult;
  }
  return UnregisterLibrary();
}
