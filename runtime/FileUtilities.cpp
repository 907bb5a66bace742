#include "runtime/FileUtilities.h"

#include <fileapi.h>
#include <stringapiset.h>
#include <winerror.h>

#include <cstring>
#include <memory>

#include "runtime/Assert.h"
#include "runtime/EventLog.h"

namespace {

// Copies inText behind ioBuffer's text (inArraySize bytes in all), cutting it when it would not
// fit; returns false when it was cut.
bool AppendBounded(char* ioBuffer, size_t inArraySize, const char* inText) {
  const size_t len1 = std::strlen(ioBuffer);
  const size_t len2 = std::strlen(inText);
  QX_ASSERT(len1 + len2 < inArraySize);
  if (len1 + len2 >= inArraySize) {
    if (len1 + 1 < inArraySize) {
      std::memcpy(ioBuffer + len1, inText, inArraySize - len1 - 1);
      ioBuffer[inArraySize - 1] = 0;
    }
    return false;
  }
  std::memcpy(ioBuffer + len1, inText, len2 + 1);
  return true;
}

void CopyBounded(char* outBuffer, size_t inArraySize, const char* inText) {
  const size_t len = std::strlen(inText);
  QX_ASSERT(len < inArraySize);
  const size_t theCount = len < inArraySize ? len : inArraySize - 1;
  std::memcpy(outBuffer, inText, theCount);
  outBuffer[theCount] = 0;
}

struct FindCloser {
  void operator()(HANDLE inHandle) const { FindClose(inHandle); }
};

// The array a script value holds, after following by-reference values; E_POINTER or
// E_INVALIDARG when there is none of one-byte elements.
HRESULT UnwrapByteArray(const VARIANT* inVar, SAFEARRAY** outArray) {
  *outArray = nullptr;
  const VARIANT* theVar = inVar;
  for (int theLevel = 0; theVar && V_VT(theVar) == (VT_VARIANT | VT_BYREF); ++theLevel) {
    if (theLevel >= 10) return E_INVALIDARG;
    theVar = V_VARIANTREF(theVar);
  }
  if (theVar == nullptr) return E_POINTER;
  const VARTYPE theType = V_VT(theVar);
  if ((theType & VT_ARRAY) == 0 || (theType & 0x11) == 0) return E_INVALIDARG;
  SAFEARRAY* theArray = nullptr;
  if (theType & VT_BYREF) {
    SAFEARRAY** theArrayH = V_ARRAYREF(theVar);
    QX_ASSERT((theArrayH) && (*theArrayH));
    if (theArrayH == nullptr || *theArrayH == nullptr) return E_POINTER;
    theArray = *theArrayH;
  } else {
    theArray = V_ARRAY(theVar);
    if (theArray == nullptr) return E_POINTER;
  }
  if (SafeArrayGetElemsize(theArray) != 1) return E_INVALIDARG;
  *outArray = theArray;
  return S_OK;
}

template <class Char>
const Char* NamePart(const Char* inPath) {
  if (inPath == nullptr) return nullptr;
  const Char* theName = inPath;
  for (const Char* p = inPath; *p; ++p)
    if (*p == static_cast<Char>(kPathSeparator)) theName = p + 1;
  return theName;
}

template <class Char>
const Char* ExtPart(const Char* inPath, const Char* inEmpty) {
  QX_ASSERT(inPath);
  if (inPath == nullptr) return inEmpty;
  const Char* theExt = nullptr;
  const Char* p = inPath;
  for (; *p; ++p)
    if (*p == static_cast<Char>('.')) theExt = p + 1;
  return theExt ? theExt : p;
}

}  // namespace

LONG WalkFiles(const char* inPath, WalkCallback inCallback, LONG inDepth, LONG inMaxDepth,
               void* inContext) {
  if (inPath == nullptr || inPath[0] == 0 || std::strlen(inPath) >= MAX_PATH) return 0;
  const DWORD theAttributes = GetFileAttributesA(inPath);
  if (theAttributes == INVALID_FILE_ATTRIBUTES) return 0;
  if ((theAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    if (inCallback) inCallback(inPath, inContext);
    return 0;
  }

  char theFolder[MAX_PATH] = {};
  CopyBounded(theFolder, sizeof theFolder, inPath);
  const size_t theLength = std::strlen(theFolder);
  if (theLength == 0 || theFolder[theLength - 1] != kPathSeparator) {
    const char theSeparator[2] = {kPathSeparator, 0};
    AppendBounded(theFolder, sizeof theFolder, theSeparator);
  }
  char thePattern[MAX_PATH] = {};
  CopyBounded(thePattern, sizeof thePattern, theFolder);
  AppendBounded(thePattern, sizeof thePattern, "*");

  WIN32_FIND_DATAA theData{};
  HANDLE theFind = FindFirstFileA(thePattern, &theData);
  if (theFind == INVALID_HANDLE_VALUE || theFind == nullptr) return 0;
  std::unique_ptr<void, FindCloser> theCloser(theFind);

  LONG theDoAbort = 0;
  do {
    const char* theName = theData.cFileName;
    if (std::strcmp(theName, ".") == 0 || std::strcmp(theName, "..") == 0) continue;
    if (std::strlen(theFolder) + std::strlen(theName) >= MAX_PATH) continue;
    char theFull[MAX_PATH] = {};
    CopyBounded(theFull, sizeof theFull, theFolder);
    AppendBounded(theFull, sizeof theFull, theName);
    if (theData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (inDepth + 1 < inMaxDepth)
        theDoAbort = WalkFiles(theFull, inCallback, inDepth + 1, inMaxDepth, inContext);
    } else if (inCallback) {
      theDoAbort = inCallback(theFull, inContext);
    }
  } while (theDoAbort == 0 && FindNextFileA(theFind, &theData));
  QX_ASSERT((theDoAbort) || (GetLastError() == ERROR_NO_MORE_FILES));
  return theDoAbort;
}

const char* FileNamePart(const char* inPath) { return NamePart(inPath); }
const WCHAR* FileNamePart(const WCHAR* inPath) { return NamePart(inPath); }
const char* ExtensionPart(const char* inPath) { return ExtPart(inPath, ""); }
const WCHAR* ExtensionPart(const WCHAR* inPath) { return ExtPart(inPath, u""); }

HRESULT AccessBytes(const VARIANT* inVar, const BYTE** outPtr, LONG* outLen) {
  if (outPtr == nullptr || outLen == nullptr) return E_POINTER;
  *outPtr = nullptr;
  *outLen = 0;
  SAFEARRAY* theArray = nullptr;
  const HRESULT theUnwrap = UnwrapByteArray(inVar, &theArray);
  if (FAILED(theUnwrap)) return theUnwrap;
  void* theData = nullptr;
  const HRESULT theResult = SafeArrayAccessData(theArray, &theData);
  if (FAILED(theResult)) return theResult;
  LONG theLower = 0;
  LONG theUpper = -1;
  SafeArrayGetLBound(theArray, 1, &theLower);
  SafeArrayGetUBound(theArray, 1, &theUpper);
  const int64_t theLength = int64_t{theUpper} - theLower + 1;
  QX_ASSERT(theLength >= 0);
  if (theData == nullptr) {
    LogText("SafeArrayAccessData in AccessVARIANT failed without error", kEventWarning);
    SafeArrayUnaccessData(theArray);
    return E_POINTER;
  }
  *outPtr = static_cast<const BYTE*>(theData);
  *outLen = theLength > 0 ? static_cast<LONG>(theLength) : 0;
  return theResult;
}

HRESULT ReleaseBytes(const VARIANT* inVar) {
  SAFEARRAY* theArray = nullptr;
  const HRESULT theUnwrap = UnwrapByteArray(inVar, &theArray);
  if (FAILED(theUnwrap)) return theUnwrap;
  SafeArrayUnaccessData(theArray);
  return S_OK;
}

HRESULT MakeByteArray(const BYTE* inPtr, LONG inLen, VARIANT* outVar) {
  QX_ASSERT(outVar);
  QX_ASSERT((inPtr) || (inLen == 0));
  if (outVar == nullptr) return E_POINTER;
  VariantClear(outVar);
  if (inLen < 0 || (inPtr == nullptr && inLen != 0)) return E_INVALIDARG;
  SAFEARRAYBOUND theBound{static_cast<ULONG>(inLen), 0};
  SAFEARRAY* theArray = SafeArrayCreate(VT_UI1, 1, &theBound);
  if (theArray == nullptr) return E_OUTOFMEMORY;
  void* theData = nullptr;
  const HRESULT theResult = SafeArrayAccessData(theArray, &theData);
  if (FAILED(theResult) || (theData == nullptr && inLen > 0)) {
    if (SUCCEEDED(theResult)) {
      LogText("SafeArrayAccessData in PtrToVARIANT failed without error", kEventWarning);
      SafeArrayUnaccessData(theArray);
    }
    SafeArrayDestroy(theArray);
    return FAILED(theResult) ? theResult : E_POINTER;
  }
  if (inLen > 0) std::memcpy(theData, inPtr, static_cast<size_t>(inLen));
  SafeArrayUnaccessData(theArray);
  V_VT(outVar) = VT_ARRAY | VT_UI1;
  V_ARRAY(outVar) = theArray;
  return S_OK;
}

void ReplaceChar(char* ioText, char inFrom, char inTo) {
  if (ioText == nullptr) return;
  for (char* p = ioText; *p; ++p)
    if (*p == inFrom) *p = inTo;
}

const char* FindText(const char* inPtr, const char* inText, const char* inMaxPtr) {
  QX_ASSERT(inPtr && inText && inMaxPtr);
  if (!(inPtr && inText && inMaxPtr)) return nullptr;
  QX_ASSERT(inMaxPtr >= inPtr);
  if (inMaxPtr < inPtr) return nullptr;
  const size_t theLength = std::strlen(inText);
  const size_t theRange = static_cast<size_t>(inMaxPtr - inPtr);
  if (theLength > theRange) return nullptr;
  for (size_t i = 0; i + theLength <= theRange; ++i)
    if (std::memcmp(inPtr + i, inText, theLength) == 0) return inPtr + i;
  return nullptr;
}

std::u16string ToWide(UINT inCodePage, const char* inText, int inLength) {
  if (inText == nullptr) return {};
  const int theLength = inLength < 0 ? static_cast<int>(std::strlen(inText)) : inLength;
  if (theLength == 0) return {};
  const int theNeeded = MultiByteToWideChar(inCodePage, 0, inText, theLength, nullptr, 0);
  if (theNeeded <= 0) return {};
  std::u16string theWide(static_cast<size_t>(theNeeded), u'\0');
  const int theWritten =
      MultiByteToWideChar(inCodePage, 0, inText, theLength, reinterpret_cast<LPWSTR>(theWide.data()), theNeeded);
  if (theWritten <= 0) return {};
  theWide.resize(static_cast<size_t>(theWritten));
  return theWide;
}
