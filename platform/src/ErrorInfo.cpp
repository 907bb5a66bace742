// Error information: one IErrorInfo slot per thread, and the error object that fills it.
#include <atomic>
#include <new>
#include <string>

#include "QxText.h"

namespace {

class ErrorObject final : public IErrorInfo, public ICreateErrorInfo {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID inIID, void** outObject) override {
    if (outObject == nullptr) return E_POINTER;
    *outObject = nullptr;
    if (IsEqualIID(inIID, IID_IUnknown) || IsEqualIID(inIID, IID_IErrorInfo))
      *outObject = static_cast<IErrorInfo*>(this);
    else if (IsEqualIID(inIID, IID_ICreateErrorInfo))
      *outObject = static_cast<ICreateErrorInfo*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++mRefCount; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG theCount = --mRefCount;
    if (theCount == 0) delete this;
    return theCount;
  }

  HRESULT STDMETHODCALLTYPE GetGUID(GUID* outGuid) override {
    if (outGuid == nullptr) return E_INVALIDARG;
    *outGuid = mGuid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSource(BSTR* outSource) override { return Copy(mSource, outSource); }
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* outDescription) override {
    return Copy(mDescription, outDescription);
  }
  HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* outHelpFile) override { return Copy(mHelpFile, outHelpFile); }
  HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* outHelpContext) override {
    if (outHelpContext == nullptr) return E_INVALIDARG;
    *outHelpContext = mHelpContext;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetGUID(REFGUID inGuid) override {
    mGuid = inGuid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR inSource) override {
    mSource = qx::View(inSource);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR inDescription) override {
    mDescription = qx::View(inDescription);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR inHelpFile) override {
    mHelpFile = qx::View(inHelpFile);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD inHelpContext) override {
    mHelpContext = inHelpContext;
    return S_OK;
  }

 private:
  ~ErrorObject() = default;

  static HRESULT Copy(const std::u16string& inText, BSTR* outText) {
    if (outText == nullptr) return E_INVALIDARG;
    *outText = qx::AllocBstr(inText);
    return *outText != nullptr ? S_OK : E_OUTOFMEMORY;
  }

  std::atomic<ULONG> mRefCount{1};
  GUID mGuid = GUID_NULL;
  std::u16string mSource;
  std::u16string mDescription;
  std::u16string mHelpFile;
  DWORD mHelpContext = 0;
};

// The thread's error slot; it releases what it holds when the thread ends.
struct ErrorSlot {
  IErrorInfo* info = nullptr;
  ~ErrorSlot() {
    if (info != nullptr) info->Release();
  }
};
thread_local ErrorSlot tErrorSlot;

}  // namespace

HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** outInfo) {
  if (outInfo == nullptr) return E_INVALIDARG;
  *outInfo = new (std::nothrow) ErrorObject();
  return *outInfo != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT WINAPI SetErrorInfo(ULONG, IErrorInfo* inInfo) {
  if (inInfo != nullptr) inInfo->AddRef();
  IErrorInfo* theOld = tErrorSlot.info;
  tErrorSlot.info = inInfo;
  if (theOld != nullptr) theOld->Release();
  return S_OK;
}

HRESULT WINAPI GetErrorInfo(ULONG, IErrorInfo** outInfo) {
  if (outInfo == nullptr) return E_INVALIDARG;
  // Taking the error information empties the slot, as on Windows.
  *outInfo = tErrorSlot.info;
  tErrorSlot.info = nullptr;
  return *outInfo != nullptr ? S_OK : S_FALSE;
}
