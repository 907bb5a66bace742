// In-process activation: ProgID and class lookups in HKEY_CLASSES_ROOT, loading the server module
// and asking it for its class object.
#include <objbase.h>
#include <winreg.h>

#include <dlfcn.h>

#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "QxText.h"

namespace {

// How many CurVer links a ProgID lookup follows.
constexpr int kMaxCurVerSteps = 8;

// The default value of HKEY_CLASSES_ROOT\inPath as text; the Windows result of the lookup.
LONG ReadDefault(const std::u16string& inPath, std::u16string& outValue) {
  HKEY theKey = nullptr;
  LONG theResult = RegOpenKeyExW(HKEY_CLASSES_ROOT, inPath.c_str(), 0, KEY_READ, &theKey);
  if (theResult != ERROR_SUCCESS) return theResult;
  DWORD theType = 0;
  DWORD theSize = 0;
  theResult = RegQueryValueExW(theKey, nullptr, nullptr, &theType, nullptr, &theSize);
  if (theResult == ERROR_SUCCESS && theType != REG_SZ) theResult = ERROR_INVALID_DATA;
  if (theResult == ERROR_SUCCESS) {
    std::u16string theBuffer(theSize / sizeof(char16_t) + 1, u'\0');
    theSize = static_cast<DWORD>(theBuffer.size() * sizeof(char16_t));
    theResult = RegQueryValueExW(theKey, nullptr, nullptr, &theType, reinterpret_cast<BYTE*>(theBuffer.data()),
                                 &theSize);
    if (theResult == ERROR_SUCCESS) {
      theBuffer.resize(theSize / sizeof(char16_t));
      while (!theBuffer.empty() && theBuffer.back() == 0) theBuffer.pop_back();
      outValue = theBuffer;
    }
  }
  RegCloseKey(theKey);
  return theResult;
}

// True when a lookup found no usable entry (the key or value is absent, or of the wrong type), as
// opposed to a store that could not be read: that failure (ERROR_BADDB for a damaged store,
// ERROR_BUSY for one locked by someone else) reaches the caller as it is, so that an
// administrator sees what to mend instead of a class that seems not to be registered.
bool IsMissing(LONG inResult) {
  return inResult == ERROR_FILE_NOT_FOUND || inResult == ERROR_INVALID_DATA || inResult == ERROR_KEY_DELETED;
}

// The result of a failed lookup: inMissing when nothing was found, else the store's own error.
HRESULT LookupFailure(LONG inResult, HRESULT inMissing) {
  return IsMissing(inResult) ? inMissing : HRESULT_FROM_WIN32(static_cast<uint32_t>(inResult));
}

// Loaded server modules, kept loaded for the life of the process as in-process servers are.
class ModuleCache {
 public:
  void* Load(const std::string& inPath) {
    std::lock_guard<std::mutex> theLock(mMutex);
    auto theFound = mModules.find(inPath);
    if (theFound != mModules.end()) return theFound->second;
    void* theModule = dlopen(inPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (theModule != nullptr) mModules.emplace(inPath, theModule);
    return theModule;
  }

 private:
  std::mutex mMutex;
  std::unordered_map<std::string, void*> mModules;
};

ModuleCache& Modules() {
  static ModuleCache sModules;
  return sModules;
}

}  // namespace

HRESULT WINAPI CLSIDFromProgID(LPCOLESTR inProgID, LPCLSID outClsid) {
  if (inProgID == nullptr || outClsid == nullptr) return E_INVALIDARG;
  *outClsid = GUID_NULL;
  std::u16string theProgID(inProgID);
  for (int theStep = 0; theStep <= kMaxCurVerSteps && !theProgID.empty(); ++theStep) {
    std::u16string theText;
    const LONG theClass = ReadDefault(theProgID + u"\\CLSID", theText);
    if (theClass == ERROR_SUCCESS)
      return SUCCEEDED(CLSIDFromString(theText.c_str(), outClsid)) ? S_OK : CO_E_CLASSSTRING;
    if (!IsMissing(theClass)) return HRESULT_FROM_WIN32(static_cast<uint32_t>(theClass));
    // A version-independent ProgID without its own CLSID names its current version.
    std::u16string theCurrent;
    const LONG theLink = ReadDefault(theProgID + u"\\CurVer", theCurrent);
    if (theLink != ERROR_SUCCESS) return LookupFailure(theLink, CO_E_CLASSSTRING);
    if (qx::EqualsNoCase(theCurrent, theProgID)) break;
    theProgID = theCurrent;
  }
  return CO_E_CLASSSTRING;
}

HRESULT WINAPI ProgIDFromCLSID(REFCLSID inClsid, LPOLESTR* outProgID) {
  if (outProgID == nullptr) return E_INVALIDARG;
  *outProgID = nullptr;
  std::u16string theProgID;
  const LONG theFound = ReadDefault(u"CLSID\\" + QxGuidText(inClsid) + u"\\ProgID", theProgID);
  if (theFound != ERROR_SUCCESS) return LookupFailure(theFound, REGDB_E_CLASSNOTREG);
  *outProgID = static_cast<LPOLESTR>(CoTaskMemAlloc((theProgID.size() + 1) * sizeof(OLECHAR)));
  if (*outProgID == nullptr) return E_OUTOFMEMORY;
  std::memcpy(*outProgID, theProgID.c_str(), (theProgID.size() + 1) * sizeof(OLECHAR));
  return S_OK;
}

HRESULT WINAPI CoGetClassObject(REFCLSID inClsid, DWORD inContext, LPVOID, REFIID inIID, LPVOID* outObject) {
  if (outObject == nullptr) return E_INVALIDARG;
  *outObject = nullptr;
  if (!(inContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER))) return REGDB_E_CLASSNOTREG;
  std::u16string theModulePath;
  const LONG theFound = ReadDefault(u"CLSID\\" + QxGuidText(inClsid) + u"\\InprocServer32", theModulePath);
  if (theFound != ERROR_SUCCESS) return LookupFailure(theFound, REGDB_E_CLASSNOTREG);
  if (theModulePath.empty()) return REGDB_E_CLASSNOTREG;
  void* theModule = Modules().Load(qx::ToUtf8(theModulePath));
  if (theModule == nullptr) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  auto theEntry = reinterpret_cast<LPFNGETCLASSOBJECT>(dlsym(theModule, "DllGetClassObject"));
  if (theEntry == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  return theEntry(inClsid, inIID, outObject);
}

HRESULT WINAPI CoCreateInstance(REFCLSID inClsid, IUnknown* inOuter, DWORD inContext, REFIID inIID,
                                LPVOID* outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  IClassFactory* theFactory = nullptr;
  HRESULT theResult =
      CoGetClassObject(inClsid, inContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&theFactory));
  if (FAILED(theResult)) return theResult;
  theResult = theFactory->CreateInstance(inOuter, inIID, outObject);
  theFactory->Release();
  return theResult;
}
