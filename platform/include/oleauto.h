// OLE Automation calls: BSTR, VARIANT, SAFEARRAY, error information and type libraries.
#pragma once

#include "oaidl.h"

extern "C" {

// ---- BSTR ----
// A BSTR points at UTF-16 text preceded by its length in bytes (32 bits) and followed by a zero
// character; embedded zeros are kept. A null BSTR counts as the empty string.
BSTR WINAPI SysAllocString(const OLECHAR* inText);
BSTR WINAPI SysAllocStringLen(const OLECHAR* inText, UINT inLength);
BSTR WINAPI SysAllocStringByteLen(LPCSTR inBytes, UINT inLength);
INT WINAPI SysReAllocString(BSTR* ioString, const OLECHAR* inText);
INT WINAPI SysReAllocStringLen(BSTR* ioString, const OLECHAR* inText, UINT inLength);
void WINAPI SysFreeString(BSTR inString);
UINT WINAPI SysStringLen(BSTR inString);
UINT WINAPI SysStringByteLen(BSTR inString);

// ---- VARIANT ----
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10

#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_INVARIANT 0x007F

void WINAPI VariantInit(VARIANTARG* outVariant);
HRESULT WINAPI VariantClear(VARIANTARG* ioVariant);
HRESULT WINAPI VariantCopy(VARIANTARG* outDest, const VARIANTARG* inSource);
HRESULT WINAPI VariantCopyInd(VARIANT* outDest, const VARIANTARG* inSource);
HRESULT WINAPI VariantChangeType(VARIANTARG* outDest, const VARIANTARG* inSource, USHORT inFlags, VARTYPE inType);
HRESULT WINAPI VariantChangeTypeEx(VARIANTARG* outDest, const VARIANTARG* inSource, LCID inLocale, USHORT inFlags,
                                   VARTYPE inType);

// ---- SAFEARRAY ----
SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE inType, UINT inDims, SAFEARRAYBOUND* inBounds);
SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE inType, LONG inLowerBound, ULONG inElements);
HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* inArray);
HRESULT WINAPI SafeArrayCopy(SAFEARRAY* inArray, SAFEARRAY** outCopy);
HRESULT WINAPI SafeArrayLock(SAFEARRAY* inArray);
HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* inArray);
HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* inArray, void** outData);
HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* inArray);
HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* inArray, UINT inDim, LONG* outBound);
HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* inArray, UINT inDim, LONG* outBound);
UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* inArray);
UINT WINAPI SafeArrayGetDim(SAFEARRAY* inArray);
HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* inArray, VARTYPE* outType);

// ---- error information (per thread) ----
HRESULT WINAPI SetErrorInfo(ULONG inReserved, IErrorInfo* inInfo);
HRESULT WINAPI GetErrorInfo(ULONG inReserved, IErrorInfo** outInfo);
HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** outInfo);

// ---- type libraries ----
typedef enum tagREGKIND { REGKIND_DEFAULT, REGKIND_REGISTER, REGKIND_NONE } REGKIND;

// Loads the type library that the module at inPath carries (its exported DllGetTypeLibResource).
HRESULT WINAPI LoadTypeLib(LPCOLESTR inPath, ITypeLib** outLib);
HRESULT WINAPI LoadTypeLibEx(LPCOLESTR inPath, REGKIND inKind, ITypeLib** outLib);
// Finds a registered library through HKEY_CLASSES_ROOT\TypeLib and loads it: TYPE_E_LIBNOTREGISTERED
// when it is not registered, TYPE_E_REGISTRYACCESS when the registry cannot be read.
HRESULT WINAPI LoadRegTypeLib(REFGUID inLibID, WORD inMajor, WORD inMinor, LCID inLocale, ITypeLib** outLib);
// Writes HKEY_CLASSES_ROOT\TypeLib\{guid}\major.minor and the Interface keys of its dual interfaces.
HRESULT WINAPI RegisterTypeLib(ITypeLib* inLib, LPCOLESTR inPath, LPCOLESTR inHelpDir);
// Removes what RegisterTypeLib wrote for that library version. RETURNS: S_OK;
// TYPE_E_LIBNOTREGISTERED when that version is not registered; TYPE_E_REGISTRYACCESS when the
// registry could not be read or a key could not be removed (the first such failure ends it).
HRESULT WINAPI UnRegisterTypeLib(REFGUID inLibID, WORD inMajor, WORD inMinor, LCID inLocale, SYSKIND inSysKind);

}  // extern "C"

// Not a Windows call: the signature of the export by which a module hands out the type library it
// carries (the substitute for a "TYPELIB" resource of id 1).
typedef HRESULT (*LPFNGETTYPELIBRESOURCE)(ITypeLib** outLib);
#define QX_TYPELIB_EXPORT "DllGetTypeLibResource"
