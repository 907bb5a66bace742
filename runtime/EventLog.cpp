#include "runtime/EventLog.h"

#include <eventlog.h>
#include <libloaderapi.h>
#include <stringapiset.h>
#include <winreg.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "runtime/Preferences.h"

namespace {

constexpr const char* kSourceKeyPrefix = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";
constexpr size_t kMaxSourceLength = 64;
constexpr size_t kLogBufferSize = 1024;

bool IsLocal(const char* inServer) { return inServer == nullptr || inServer[0] == 0; }

LONG SetDword(HKEY inKey, const char* inName, DWORD inValue) {
  return RegSetValueExA(inKey, inName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&inValue), sizeof(inValue));
}

LONG SetText(HKEY inKey, const char* inName, const char* inValue) {
  return RegSetValueExA(inKey, inName, 0, REG_SZ, reinterpret_cast<const BYTE*>(inValue),
                        static_cast<DWORD>(std::strlen(inValue) + 1));
}

}  // namespace

DWORD LogEvent(const char* inFormat, WORD inType, ...) {
  if (inFormat == nullptr) return ERROR_INVALID_PARAMETER;
  char theText[kLogBufferSize];
  va_list theArgs;
  va_start(theArgs, inType);
  std::vsnprintf(theText, sizeof(theText), inFormat, theArgs);
  va_end(theArgs);
  return WriteEventLogEntry(nullptr, kEventSource, theText, inType);
}

DWORD LogText(const char* inText, WORD inType) {
  if (inText == nullptr) return ERROR_INVALID_PARAMETER;
  // The same 1024-character limit as a formatted entry.
  char theText[kLogBufferSize];
  std::snprintf(theText, sizeof(theText), "%s", inText);
  return WriteEventLogEntry(nullptr, kEventSource, theText, inType);
}

LONG EventSourceInstalled(const char* inServer, const char* inSource) {
  if (inSource == nullptr || std::strlen(inSource) > kMaxSourceLength) return ERROR_INVALID_DATA;
  const std::string thePath = std::string(kSourceKeyPrefix) + inSource;
  HKEY theMachine = nullptr;
  LONG theResult = RegConnectRegistryA(IsLocal(inServer) ? nullptr : inServer, HKEY_LOCAL_MACHINE, &theMachine);
  if (theResult != ERROR_SUCCESS) return theResult;
  HKEY theKey = nullptr;
  theResult = RegOpenKeyExA(theMachine, thePath.c_str(), 0, KEY_READ, &theKey);
  if (theResult == ERROR_SUCCESS) RegCloseKey(theKey);
  RegCloseKey(theMachine);
  return theResult;
}

LONG InstallEventSource(const char* inServer, const char* inSource) {
  if (inSource == nullptr || std::strlen(inSource) > kMaxSourceLength) return ERROR_INVALID_DATA;
  char theModule[MAX_PATH + 1] = {};
  LONG theResult = ReadModulePath(inServer, theModule, MAX_PATH);
  if (theResult != ERROR_SUCCESS) return theResult;
  HKEY theMachine = nullptr;
  theResult = RegConnectRegistryA(IsLocal(inServer) ? nullptr : inServer, HKEY_LOCAL_MACHINE, &theMachine);
  if (theResult != ERROR_SUCCESS) return theResult;
  HKEY theKey = nullptr;
  const std::string thePath = std::string(kSourceKeyPrefix) + inSource;
  theResult = RegCreateKeyExA(theMachine, thePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                              &theKey, nullptr);
  if (theResult == ERROR_SUCCESS) {
    theResult = SetDword(theKey, "CategoryCount", 1);
    if (theResult == ERROR_SUCCESS) theResult = SetText(theKey, "CategoryMessageFile", theModule);
    if (theResult == ERROR_SUCCESS) theResult = SetText(theKey, "EventMessageFile", theModule);
    if (theResult == ERROR_SUCCESS) theResult = SetDword(theKey, "TypesSupported", 7);
    RegCloseKey(theKey);
  }
  RegCloseKey(theMachine);
  return theResult;
}

DWORD WriteEventLogEntry(const char* inServer, const char* inSource, const char* inText, WORD inType) {
  if (inText == nullptr) inText = "";
  const size_t theLength = std::strlen(inText);
  std::unique_ptr<char[]> theCopy(new (std::nothrow) char[theLength + 1]);
  if (!theCopy) return ERROR_NOT_ENOUGH_MEMORY;
  std::memcpy(theCopy.get(), inText, theLength + 1);
  const char* theServer = IsLocal(inServer) ? nullptr : inServer;
  if (EventSourceInstalled(theServer, inSource) == ERROR_FILE_NOT_FOUND) InstallEventSource(theServer, inSource);
  HANDLE theLog = RegisterEventSourceA(theServer, inSource);
  if (theLog == nullptr) return GetLastError();
  // One line in the log: carriage returns, then line feeds, become spaces.
  for (size_t i = 0; i < theLength; ++i)
    if (theCopy[i] == '\r') theCopy[i] = ' ';
  for (size_t i = 0; i < theLength; ++i)
    if (theCopy[i] == '\n') theCopy[i] = ' ';
  const char* theStrings[1] = {theCopy.get()};
  DWORD theResult = ERROR_SUCCESS;
  if (!ReportEventA(theLog, inType, kEventCategory, kEventID, nullptr, 1, 0, theStrings, nullptr))
    theResult = GetLastError();
  DeregisterEventSource(theLog);
  return theResult;
}

HRESULT ReportComError(REFCLSID inClass, const char* inText, REFIID inIID, HRESULT inResult) {
  ICreateErrorInfo* theCreate = nullptr;
  if (FAILED(CreateErrorInfo(&theCreate))) return inResult;
  const char* theText = inText != nullptr ? inText : "Unknown Error";
  const int theSize = MultiByteToWideChar(CP_ACP, 0, theText, -1, nullptr, 0);
  std::u16string theDescription(theSize > 0 ? static_cast<size_t>(theSize) : 1, u'\0');
  if (theSize > 0) MultiByteToWideChar(CP_ACP, 0, theText, -1, theDescription.data(), theSize);
  theCreate->SetDescription(theDescription.data());
  LPOLESTR theProgID = nullptr;
  if (SUCCEEDED(ProgIDFromCLSID(inClass, &theProgID))) {
    theCreate->SetSource(theProgID);
    CoTaskMemFree(theProgID);
  }
  theCreate->SetGUID(inIID);
  theCreate->SetHelpFile(nullptr);
  theCreate->SetHelpContext(0);
  IErrorInfo* theInfo = nullptr;
  if (SUCCEEDED(theCreate->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&theInfo)))) {
    SetErrorInfo(0, theInfo);
    theInfo->Release();
  }
  theCreate->Release();
  return inResult;
}

int GetOSClass() { return 0; }

HRESULT ReportSystemError(const char* inText, WORD inType) {
  LogText(inText, inType);
  const DWORD theDefault = GetOSClass() <= 5 ? 1 : 0;
  if (GetPrefLong("AutoRecover", theDefault) == 0) ExitProcess(1);
  return S_OK;
}
