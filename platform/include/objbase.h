// Component object calls: identities, class objects and in-process activation.
#pragma once

#include <string>

#include "oleauto.h"

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0

typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID, REFIID, void**);
typedef HRESULT (*LPFNCANUNLOADNOW)();
typedef HRESULT (*LPFNREGISTERSERVER)();

extern "C" {

HRESULT WINAPI CoInitialize(LPVOID inReserved);
HRESULT WINAPI CoInitializeEx(LPVOID inReserved, DWORD inModel);
void WINAPI CoUninitialize();

LPVOID WINAPI CoTaskMemAlloc(SIZE_T inSize);
void WINAPI CoTaskMemFree(LPVOID inMemory);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" into outText of inMax characters (39 needed);
// returns the characters written including the terminator, 0 when inMax is too small.
INT WINAPI StringFromGUID2(REFGUID inGuid, LPOLESTR outText, INT inMax);
HRESULT WINAPI StringFromCLSID(REFCLSID inClsid, LPOLESTR* outText);
HRESULT WINAPI CLSIDFromString(LPCOLESTR inText, LPCLSID outClsid);
HRESULT WINAPI IIDFromString(LPCOLESTR inText, LPIID outIID);

// The class of a ProgID: HKEY_CLASSES_ROOT\<ProgID>\CLSID, following CurVer when the key has none.
HRESULT WINAPI CLSIDFromProgID(LPCOLESTR inProgID, LPCLSID outClsid);
// The ProgID of a class, from HKEY_CLASSES_ROOT\CLSID\{clsid}\ProgID; free with CoTaskMemFree.
HRESULT WINAPI ProgIDFromCLSID(REFCLSID inClsid, LPOLESTR* outProgID);

// In-process activation: HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 names the module, which is
// loaded (and kept loaded) and asked for its class object through DllGetClassObject.
HRESULT WINAPI CoGetClassObject(REFCLSID inClsid, DWORD inContext, LPVOID inServerInfo, REFIID inIID, LPVOID* outObject);
HRESULT WINAPI CoCreateInstance(REFCLSID inClsid, IUnknown* inOuter, DWORD inContext, REFIID inIID, LPVOID* outObject);
// A registry store that cannot be read (damaged, or locked past the wait) makes these lookups
// fail with the store's own error as HRESULT_FROM_WIN32 (ERROR_BADDB, ERROR_BUSY...), not with
// CO_E_CLASSSTRING or REGDB_E_CLASSNOTREG, which mean that the entry is absent.

}  // extern "C"

// Not a Windows call: the braced text form of a GUID, as StringFromGUID2 writes it.
inline std::u16string QxGuidText(REFGUID inGuid) {
  OLECHAR theText[39];
  StringFromGUID2(inGuid, theText, 39);
  return std::u16string(theText);
}
