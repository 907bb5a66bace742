// Type information built from member tables: ITypeInfo for interfaces and classes, ITypeLib for
// a library, loading a module's library, and the TypeLib registry entries.
#include <dispimpl.h>
#include <objbase.h>
#include <winreg.h>

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "QxText.h"

namespace {

template <class Interface>
class RefCounted : public Interface {
 public:
  ULONG STDMETHODCALLTYPE AddRef() override { return ++mRefCount; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG theCount = --mRefCount;
    if (theCount == 0) delete this;
    return theCount;
  }

 protected:
  virtual ~RefCounted() = default;

 private:
  std::atomic<ULONG> mRefCount{1};
};

HRESULT CopyText(std::u16string_view inText, BSTR* outText) {
  if (outText == nullptr) return S_OK;
  *outText = qx::AllocBstr(inText);
  return *outText != nullptr ? S_OK : E_OUTOFMEMORY;
}

class TypeInfo final : public RefCounted<ITypeInfo> {
 public:
  // An interface's type information, or (inClass set) a class's.
  TypeInfo(const QxInterface* inInterface, const QxCoClass* inClass, ITypeLib* inLibrary, UINT inIndex)
      : mInterface(inInterface), mClass(inClass), mLibrary(inLibrary), mIndex(inIndex) {
    if (mLibrary != nullptr) mLibrary->AddRef();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (!IsEqualIID(inIID, IID_IUnknown) && !IsEqualIID(inIID, IID_ITypeInfo)) return E_NOINTERFACE;
    *outObject = static_cast<ITypeInfo*>(this);
    AddRef();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR** outAttr) override {
    if (outAttr == nullptr) return E_INVALIDARG;
    TYPEATTR* theAttr = static_cast<TYPEATTR*>(std::calloc(1, sizeof(TYPEATTR)));
    if (theAttr == nullptr) return E_OUTOFMEMORY;
    theAttr->memidConstructor = MEMBERID_NIL;
    theAttr->memidDestructor = MEMBERID_NIL;
    theAttr->cbAlignment = sizeof(void*);
    theAttr->wMajorVerNum = 1;
    if (mClass != nullptr) {
      theAttr->guid = mClass->clsid;
      theAttr->typekind = TKIND_COCLASS;
      theAttr->cImplTypes = mClass->defaultInterface != nullptr ? 1 : 0;
      theAttr->wTypeFlags = TYPEFLAG_FCANCREATE;
    } else {
      theAttr->guid = mInterface->iid;
      theAttr->typekind = TKIND_DISPATCH;
      theAttr->cFuncs = static_cast<WORD>(mInterface->members.size());
      theAttr->cbSizeVft = static_cast<WORD>(7 * sizeof(void*));
      theAttr->wTypeFlags = mInterface->typeFlags;
      theAttr->wMajorVerNum = 0;
    }
    *outAttr = theAttr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeComp(IUnknown**) override { return E_NOTIMPL; }

  HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT inIndex, FUNCDESC** outDesc) override {
    if (outDesc == nullptr) return E_INVALIDARG;
    *outDesc = nullptr;
    if (mClass != nullptr || inIndex >= mInterface->members.size()) return TYPE_E_ELEMENTNOTFOUND;
    const QxMember& theMember = mInterface->members[inIndex];
    const size_t theCount = theMember.params.size();
    // One block: the descriptor followed by its parameter descriptions.
    FUNCDESC* theDesc = static_cast<FUNCDESC*>(std::calloc(1, sizeof(FUNCDESC) + theCount * sizeof(ELEMDESC)));
    if (theDesc == nullptr) return E_OUTOFMEMORY;
    ELEMDESC* theParams = reinterpret_cast<ELEMDESC*>(theDesc + 1);
    for (size_t i = 0; i < theCount; ++i) {
      theParams[i].tdesc.vt = theMember.params[i].type;
      theParams[i].paramdesc.wParamFlags = theMember.params[i].flags;
    }
    theDesc->memid = theMember.id;
    theDesc->lprgelemdescParam = theCount > 0 ? theParams : nullptr;
    theDesc->funckind = FUNC_DISPATCH;
    theDesc->invkind = theMember.kind;
    theDesc->wFuncFlags = theMember.flags;
    theDesc->callconv = CC_STDCALL;
    theDesc->cParams = static_cast<SHORT>(theCount);
    theDesc->oVft = static_cast<SHORT>((7 + inIndex) * sizeof(void*));
    theDesc->elemdescFunc.tdesc.vt = theMember.result == VT_EMPTY ? static_cast<VARTYPE>(VT_VOID) : theMember.result;
    *outDesc = theDesc;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, void**) override { return TYPE_E_ELEMENTNOTFOUND; }

  HRESULT STDMETHODCALLTYPE GetNames(MEMBERID inID, BSTR* outNames, UINT inMax, UINT* outCount) override {
    if (outNames == nullptr || outCount == nullptr) return E_INVALIDARG;
    *outCount = 0;
    if (mClass != nullptr) return TYPE_E_ELEMENTNOTFOUND;
    const QxMember* theFound = nullptr;
    for (const QxMember& theMember : mInterface->members) {
      if (theMember.id != inID) continue;
      if (theFound == nullptr || theMember.kind != INVOKE_PROPERTYPUT) theFound = &theMember;
    }
    if (theFound == nullptr) return TYPE_E_ELEMENTNOTFOUND;
    if (inMax == 0) return S_OK;
    outNames[(*outCount)++] = qx::AllocBstr(theFound->name);
    if (theFound->kind != INVOKE_PROPERTYPUT)
      for (const QxParam& theParam : theFound->params)
        if (*outCount < inMax) outNames[(*outCount)++] = qx::AllocBstr(theParam.name);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT inIndex, HREFTYPE* outRef) override {
    if (outRef == nullptr) return E_INVALIDARG;
    if (mClass == nullptr || mClass->defaultInterface == nullptr || inIndex != 0) return TYPE_E_ELEMENTNOTFOUND;
    *outRef = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT inIndex, INT* outFlags) override {
    if (outFlags == nullptr) return E_INVALIDARG;
    if (mClass == nullptr || mClass->defaultInterface == nullptr || inIndex != 0) return TYPE_E_ELEMENTNOTFOUND;
    *outFlags = IMPLTYPEFLAG_FDEFAULT;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* inNames, UINT inCount, MEMBERID* outIDs) override {
    if (mClass != nullptr) return DISP_E_UNKNOWNNAME;
    return QxDispGetIDsOfNames(*mInterface, inNames, inCount, outIDs);
  }
  HRESULT STDMETHODCALLTYPE Invoke(PVOID inInstance, MEMBERID inID, WORD inFlags, DISPPARAMS* inParams,
                                   VARIANT* outResult, EXCEPINFO* outExcep, UINT* outArgErr) override {
    if (mClass != nullptr || inInstance == nullptr) return E_INVALIDARG;
    return QxDispInvoke(*mInterface, inInstance, inID, inFlags, inParams, outResult, outExcep, outArgErr);
  }
  HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID inID, BSTR* outName, BSTR* outDoc, DWORD* outHelpContext,
                                             BSTR* outHelpFile) override {
    if (outHelpContext != nullptr) *outHelpContext = 0;
    if (outHelpFile != nullptr) *outHelpFile = nullptr;
    if (inID == MEMBERID_NIL) {
      HRESULT theResult = CopyText(mClass != nullptr ? mClass->name : mInterface->name, outName);
      if (SUCCEEDED(theResult)) theResult = CopyText(mClass != nullptr ? mClass->help : mInterface->help, outDoc);
      return theResult;
    }
    if (mClass != nullptr) return TYPE_E_ELEMENTNOTFOUND;
    for (const QxMember& theMember : mInterface->members) {
      if (theMember.id != inID) continue;
      HRESULT theResult = CopyText(theMember.name, outName);
      if (SUCCEEDED(theResult)) theResult = CopyText(theMember.help, outDoc);
      return theResult;
    }
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE inRef, ITypeInfo** outInfo) override {
    if (outInfo == nullptr) return E_INVALIDARG;
    *outInfo = nullptr;
    if (mClass == nullptr || mClass->defaultInterface == nullptr || inRef != 0) return TYPE_E_ELEMENTNOTFOUND;
    return QxCreateInterfaceTypeInfo(*mClass->defaultInterface, outInfo);
  }
  HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override { return TYPE_E_ELEMENTNOTFOUND; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR* outMops) override {
    if (outMops != nullptr) *outMops = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib** outLib, UINT* outIndex) override {
    if (outLib == nullptr) return E_INVALIDARG;
    *outLib = mLibrary;
    if (mLibrary == nullptr) return E_NOTIMPL;
    mLibrary->AddRef();
    if (outIndex != nullptr) *outIndex = mIndex;
    return S_OK;
  }
  void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR* inAttr) override { std::free(inAttr); }
  void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC* inDesc) override { std::free(inDesc); }
  void STDMETHODCALLTYPE ReleaseVarDesc(void*) override {}

 private:
  ~TypeInfo() override {
    if (mLibrary != nullptr) mLibrary->Release();
  }

  const QxInterface* mInterface;
  const QxCoClass* mClass;
  ITypeLib* mLibrary;
  UINT mIndex;
};

class TypeLib final : public RefCounted<ITypeLib> {
 public:
  explicit TypeLib(const QxTypeLibrary& inLibrary) : mLibrary(inLibrary) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (!IsEqualIID(inIID, IID_IUnknown) && !IsEqualIID(inIID, IID_ITypeLib)) return E_NOINTERFACE;
    *outObject = static_cast<ITypeLib*>(this);
    AddRef();
    return S_OK;
  }

  UINT STDMETHODCALLTYPE GetTypeInfoCount() override {
    return static_cast<UINT>(mLibrary.interfaces.size() + mLibrary.coclasses.size());
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT inIndex, ITypeInfo** outInfo) override {
    if (outInfo == nullptr) return E_INVALIDARG;
    *outInfo = nullptr;
    const size_t theInterfaces = mLibrary.interfaces.size();
    if (inIndex < theInterfaces)
      *outInfo = new (std::nothrow) TypeInfo(mLibrary.interfaces[inIndex], nullptr, this, inIndex);
    else if (inIndex < GetTypeInfoCount())
      *outInfo = new (std::nothrow) TypeInfo(nullptr, &mLibrary.coclasses[inIndex - theInterfaces], this, inIndex);
    else
      return TYPE_E_ELEMENTNOTFOUND;
    return *outInfo != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoType(UINT inIndex, TYPEKIND* outKind) override {
    if (outKind == nullptr) return E_INVALIDARG;
    if (inIndex >= GetTypeInfoCount()) return TYPE_E_ELEMENTNOTFOUND;
    *outKind = inIndex < mLibrary.interfaces.size() ? TKIND_DISPATCH : TKIND_COCLASS;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoOfGuid(REFGUID inGuid, ITypeInfo** outInfo) override {
    if (outInfo == nullptr) return E_INVALIDARG;
    *outInfo = nullptr;
    for (size_t i = 0; i < mLibrary.interfaces.size(); ++i)
      if (IsEqualGUID(mLibrary.interfaces[i]->iid, inGuid)) return GetTypeInfo(static_cast<UINT>(i), outInfo);
    for (size_t i = 0; i < mLibrary.coclasses.size(); ++i)
      if (IsEqualGUID(mLibrary.coclasses[i].clsid, inGuid))
        return GetTypeInfo(static_cast<UINT>(mLibrary.interfaces.size() + i), outInfo);
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE GetLibAttr(TLIBATTR** outAttr) override {
    if (outAttr == nullptr) return E_INVALIDARG;
    TLIBATTR* theAttr = static_cast<TLIBATTR*>(std::calloc(1, sizeof(TLIBATTR)));
    if (theAttr == nullptr) return E_OUTOFMEMORY;
    theAttr->guid = mLibrary.libid;
    theAttr->lcid = mLibrary.lcid;
    theAttr->syskind = SYS_WIN64;
    theAttr->wMajorVerNum = mLibrary.major;
    theAttr->wMinorVerNum = mLibrary.minor;
    theAttr->wLibFlags = LIBFLAG_FHASDISKIMAGE;
    *outAttr = theAttr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeComp(IUnknown**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDocumentation(INT inIndex, BSTR* outName, BSTR* outDoc, DWORD* outHelpContext,
                                             BSTR* outHelpFile) override {
    if (outHelpContext != nullptr) *outHelpContext = 0;
    if (outHelpFile != nullptr) *outHelpFile = nullptr;
    if (inIndex == -1) {
      HRESULT theResult = CopyText(mLibrary.name, outName);
      if (SUCCEEDED(theResult)) theResult = CopyText(mLibrary.help, outDoc);
      return theResult;
    }
    ITypeInfo* theInfo = nullptr;
    if (inIndex < 0) return TYPE_E_ELEMENTNOTFOUND;
    HRESULT theResult = GetTypeInfo(static_cast<UINT>(inIndex), &theInfo);
    if (FAILED(theResult)) return theResult;
    theResult = theInfo->GetDocumentation(MEMBERID_NIL, outName, outDoc, outHelpContext, outHelpFile);
    theInfo->Release();
    return theResult;
  }
  HRESULT STDMETHODCALLTYPE IsName(LPOLESTR inName, ULONG, BOOL* outFound) override {
    if (inName == nullptr || outFound == nullptr) return E_INVALIDARG;
    *outFound = FALSE;
    const std::u16string_view theName = qx::View(inName);
    for (const QxInterface* theInterface : mLibrary.interfaces) {
      if (qx::EqualsNoCase(theInterface->name, theName)) *outFound = TRUE;
      for (const QxMember& theMember : theInterface->members)
        if (qx::EqualsNoCase(theMember.name, theName)) *outFound = TRUE;
    }
    for (const QxCoClass& theClass : mLibrary.coclasses)
      if (qx::EqualsNoCase(theClass.name, theName)) *outFound = TRUE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FindName(LPOLESTR, ULONG, ITypeInfo**, MEMBERID*, USHORT* ioFound) override {
    if (ioFound != nullptr) *ioFound = 0;
    return E_NOTIMPL;
  }
  void STDMETHODCALLTYPE ReleaseTLibAttr(TLIBATTR* inAttr) override { std::free(inAttr); }

 private:
  const QxTypeLibrary& mLibrary;
};

std::u16string VersionText(WORD inMajor, WORD inMinor) {
  const std::string theText = std::to_string(inMajor) + "." + std::to_string(inMinor);
  return std::u16string(theText.begin(), theText.end());
}

// Creates (or opens) HKEY_CLASSES_ROOT\inPath and sets its default value or a named value.
LONG SetString(HKEY inRoot, const std::u16string& inPath, const char16_t* inName, std::u16string_view inValue) {
  HKEY theKey = nullptr;
  LONG theResult = RegCreateKeyExW(inRoot, reinterpret_cast<LPCWSTR>(inPath.c_str()), 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &theKey, nullptr);
  if (theResult != ERROR_SUCCESS) return theResult;
  const std::u16string theValue(inValue);
  theResult = RegSetValueExW(theKey, inName, 0, REG_SZ, reinterpret_cast<const BYTE*>(theValue.c_str()),
                             static_cast<DWORD>((theValue.size() + 1) * sizeof(char16_t)));
  RegCloseKey(theKey);
  return theResult;
}

// Reads the default value of HKEY_CLASSES_ROOT\inPath. RETURNS: the Windows result of the lookup;
// ERROR_INVALID_DATA for a value that is not text.
LONG GetString(const std::u16string& inPath, std::u16string& outValue) {
  HKEY theKey = nullptr;
  const LONG theOpen = RegOpenKeyExW(HKEY_CLASSES_ROOT, inPath.c_str(), 0, KEY_READ, &theKey);
  if (theOpen != ERROR_SUCCESS) return theOpen;
  char16_t theBuffer[1024] = {};
  DWORD theType = 0;
  DWORD theSize = sizeof(theBuffer) - sizeof(char16_t);
  const LONG theResult = RegQueryValueExW(theKey, nullptr, nullptr, &theType, reinterpret_cast<BYTE*>(theBuffer),
                                          &theSize);
  RegCloseKey(theKey);
  if (theResult != ERROR_SUCCESS) return theResult;
  if (theType != REG_SZ) return ERROR_INVALID_DATA;
  outValue.assign(theBuffer, theSize / sizeof(char16_t));
  while (!outValue.empty() && outValue.back() == 0) outValue.pop_back();
  return ERROR_SUCCESS;
}

// True when a registry lookup found no entry (or one that is not text), as opposed to a registry
// that could not be read.
bool IsMissing(LONG inResult) { return inResult == ERROR_FILE_NOT_FOUND || inResult == ERROR_INVALID_DATA; }

// The result of a failed library lookup: not registered when the entry is absent, otherwise a
// registry that could not be read, which is not to be mistaken for a library never registered.
HRESULT LookupFailure(LONG inResult) { return IsMissing(inResult) ? TYPE_E_LIBNOTREGISTERED : TYPE_E_REGISTRYACCESS; }

// True when a removal left the key gone: removed now, or not there to begin with.
bool IsRemoved(LONG inResult) { return inResult == ERROR_SUCCESS || inResult == ERROR_FILE_NOT_FOUND; }

}  // namespace

HRESULT QxCreateInterfaceTypeInfo(const QxInterface& inInterface, ITypeInfo** outInfo) {
  if (outInfo == nullptr) return E_POINTER;
  *outInfo = new (std::nothrow) TypeInfo(&inInterface, nullptr, nullptr, 0);
  return *outInfo != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT QxCreateTypeLib(const QxTypeLibrary& inLibrary, ITypeLib** outLib) {
  if (outLib == nullptr) return E_POINTER;
  *outLib = new (std::nothrow) TypeLib(inLibrary);
  return *outLib != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT WINAPI LoadTypeLibEx(LPCOLESTR inPath, REGKIND inKind, ITypeLib** outLib) {
  if (outLib == nullptr) return E_INVALIDARG;
  *outLib = nullptr;
  if (inPath == nullptr || inPath[0] == 0) return E_INVALIDARG;
  const std::u16string thePath(inPath);
  // The module stays loaded: the library's tables live in it.
  void* theModule = dlopen(qx::ToUtf8(thePath).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (theModule == nullptr) return TYPE_E_CANTLOADLIBRARY;
  auto theExport = reinterpret_cast<LPFNGETTYPELIBRESOURCE>(dlsym(theModule, QX_TYPELIB_EXPORT));
  if (theExport == nullptr) return TYPE_E_CANTLOADLIBRARY;
  const HRESULT theResult = theExport(outLib);
  if (FAILED(theResult)) return theResult;
  if (inKind == REGKIND_REGISTER) return RegisterTypeLib(*outLib, inPath, nullptr);
  return S_OK;
}

HRESULT WINAPI LoadTypeLib(LPCOLESTR inPath, ITypeLib** outLib) { return LoadTypeLibEx(inPath, REGKIND_NONE, outLib); }

HRESULT WINAPI LoadRegTypeLib(REFGUID inLibID, WORD inMajor, WORD inMinor, LCID, ITypeLib** outLib) {
  if (outLib == nullptr) return E_INVALIDARG;
  *outLib = nullptr;
  const std::u16string thePath =
      u"TypeLib\\" + QxGuidText(inLibID) + u"\\" + VersionText(inMajor, inMinor) + u"\\0\\win64";
  std::u16string theModule;
  if (const LONG theFound = GetString(thePath, theModule); theFound != ERROR_SUCCESS) return LookupFailure(theFound);
  return LoadTypeLib(theModule.c_str(), outLib);
}

HRESULT WINAPI RegisterTypeLib(ITypeLib* inLib, LPCOLESTR inPath, LPCOLESTR inHelpDir) {
  if (inLib == nullptr || inPath == nullptr) return E_INVALIDARG;
  TLIBATTR* theAttr = nullptr;
  HRESULT theResult = inLib->GetLibAttr(&theAttr);
  if (FAILED(theResult)) return theResult;
  const std::u16string theLibID = QxGuidText(theAttr->guid);
  const std::u16string theVersion = VersionText(theAttr->wMajorVerNum, theAttr->wMinorVerNum);
  inLib->ReleaseTLibAttr(theAttr);

  BSTR theName = nullptr;
  BSTR theHelp = nullptr;
  inLib->GetDocumentation(-1, &theName, &theHelp, nullptr, nullptr);
  const std::u16string theHelpText(qx::View(theHelp, true));
  SysFreeString(theName);
  SysFreeString(theHelp);

  const std::u16string theBase = u"TypeLib\\" + theLibID + u"\\" + theVersion;
  LONG theError = SetString(HKEY_CLASSES_ROOT, theBase, nullptr, theHelpText);
  if (theError == ERROR_SUCCESS) theError = SetString(HKEY_CLASSES_ROOT, theBase + u"\\0\\win64", nullptr, qx::View(inPath));
  if (theError == ERROR_SUCCESS) theError = SetString(HKEY_CLASSES_ROOT, theBase + u"\\FLAGS", nullptr, u"0");
  if (theError == ERROR_SUCCESS) {
    std::u16string theHelpDir(qx::View(inHelpDir));
    if (theHelpDir.empty()) {
      theHelpDir = qx::View(inPath);
      const size_t theSlash = theHelpDir.find_last_of(u'/');
      theHelpDir = theSlash == std::u16string::npos ? std::u16string() : theHelpDir.substr(0, theSlash);
    }
    theError = SetString(HKEY_CLASSES_ROOT, theBase + u"\\HELPDIR", nullptr, theHelpDir);
  }
  if (theError != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;

  // Dual and dispatch interfaces are registered for marshalling through the library.
  const UINT theCount = inLib->GetTypeInfoCount();
  for (UINT i = 0; i < theCount; ++i) {
    TYPEKIND theKind;
    if (FAILED(inLib->GetTypeInfoType(i, &theKind)) || theKind != TKIND_DISPATCH) continue;
    ITypeInfo* theInfo = nullptr;
    if (FAILED(inLib->GetTypeInfo(i, &theInfo))) continue;
    TYPEATTR* theTypeAttr = nullptr;
    BSTR theInterfaceName = nullptr;
    if (SUCCEEDED(theInfo->GetTypeAttr(&theTypeAttr))) {
      theInfo->GetDocumentation(MEMBERID_NIL, &theInterfaceName, nullptr, nullptr, nullptr);
      const std::u16string theKey = u"Interface\\" + QxGuidText(theTypeAttr->guid);
      theError = SetString(HKEY_CLASSES_ROOT, theKey, nullptr, qx::View(theInterfaceName, true));
      if (theError == ERROR_SUCCESS)
        theError = SetString(HKEY_CLASSES_ROOT, theKey + u"\\ProxyStubClsid32", nullptr,
                             u"{00020424-0000-0000-C000-000000000046}");
      if (theError == ERROR_SUCCESS) theError = SetString(HKEY_CLASSES_ROOT, theKey + u"\\TypeLib", nullptr, theLibID);
      if (theError == ERROR_SUCCESS)
        theError = SetString(HKEY_CLASSES_ROOT, theKey + u"\\TypeLib", u"Version", theVersion);
      SysFreeString(theInterfaceName);
      theInfo->ReleaseTypeAttr(theTypeAttr);
    }
    theInfo->Release();
    if (theError != ERROR_SUCCESS) return TYPE_E_REGISTRYACCESS;
  }
  return S_OK;
}

HRESULT WINAPI UnRegisterTypeLib(REFGUID inLibID, WORD inMajor, WORD inMinor, LCID, SYSKIND) {
  const std::u16string theLibID = QxGuidText(inLibID);
  const std::u16string theVersionKey = u"TypeLib\\" + theLibID + u"\\" + VersionText(inMajor, inMinor);
  std::u16string theModule;
  if (const LONG theFound = GetString(theVersionKey + u"\\0\\win64", theModule); theFound != ERROR_SUCCESS)
    return LookupFailure(theFound);

  // The Interface keys that point at this library go with it. Every removal that fails (other
  // than for a key already gone) stops the unregistration with TYPE_E_REGISTRYACCESS.
  std::vector<std::u16string> theInterfaces;
  ITypeLib* theLib = nullptr;
  if (SUCCEEDED(LoadTypeLib(theModule.c_str(), &theLib))) {
    const UINT theCount = theLib->GetTypeInfoCount();
    for (UINT i = 0; i < theCount; ++i) {
      ITypeInfo* theInfo = nullptr;
      if (FAILED(theLib->GetTypeInfo(i, &theInfo))) continue;
      TYPEATTR* theAttr = nullptr;
      if (SUCCEEDED(theInfo->GetTypeAttr(&theAttr))) {
        if (theAttr->typekind == TKIND_DISPATCH) theInterfaces.push_back(u"Interface\\" + QxGuidText(theAttr->guid));
        theInfo->ReleaseTypeAttr(theAttr);
      }
      theInfo->Release();
    }
    theLib->Release();
  }
  for (const std::u16string& theKey : theInterfaces) {
    std::u16string theOwner;
    const LONG theFound = GetString(theKey + u"\\TypeLib", theOwner);
    if (theFound != ERROR_SUCCESS && !IsMissing(theFound)) return TYPE_E_REGISTRYACCESS;
    if (theFound == ERROR_SUCCESS && qx::EqualsNoCase(theOwner, theLibID) &&
        !IsRemoved(RegDeleteTreeW(HKEY_CLASSES_ROOT, theKey.c_str())))
      return TYPE_E_REGISTRYACCESS;
  }

  if (!IsRemoved(RegDeleteTreeW(HKEY_CLASSES_ROOT, theVersionKey.c_str()))) return TYPE_E_REGISTRYACCESS;
  // The library's key goes when no other version remains under it.
  const std::u16string theLibKey = u"TypeLib\\" + theLibID;
  HKEY theKey = nullptr;
  const LONG theOpen = RegOpenKeyExW(HKEY_CLASSES_ROOT, theLibKey.c_str(), 0, KEY_READ, &theKey);
  if (theOpen != ERROR_SUCCESS) return IsRemoved(theOpen) ? S_OK : TYPE_E_REGISTRYACCESS;
  char16_t theName[256];
  DWORD theLength = 256;
  const LONG theNext = RegEnumKeyExW(theKey, 0, theName, &theLength, nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(theKey);
  if (theNext == ERROR_NO_MORE_ITEMS)
    return IsRemoved(RegDeleteKeyW(HKEY_CLASSES_ROOT, theLibKey.c_str())) ? S_OK : TYPE_E_REGISTRYACCESS;
  return theNext == ERROR_SUCCESS ? S_OK : TYPE_E_REGISTRYACCESS;
}
