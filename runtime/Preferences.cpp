#include "runtime/Preferences.h"

#include <cstring>
#include <string>

DWORD GetPrefLong(const char* inName, DWORD inDefault) {
  DWORD theValue = inDefault;
  HKEY theKey = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPreferenceKey, 0, KEY_READ, &theKey) == ERROR_SUCCESS) {
    // The slot starts with the default; a value that is missing or larger than four bytes
    // leaves it untouched. The stored type is not examined.
    DWORD theSize = sizeof(theValue);
    DWORD theSlot = inDefault;
    if (RegQueryValueExA(theKey, inName, nullptr, nullptr, reinterpret_cast<BYTE*>(&theSlot),
                         &theSize) == ERROR_SUCCESS)
      theValue = theSlot;
    RegCloseKey(theKey);
  }
  return theValue;
}

void SetPrefLong(const char* inName, DWORD inValue) {
  HKEY theKey = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPreferenceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_WRITE, nullptr, &theKey, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(theKey, inName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&inValue),
                   sizeof(inValue));
    RegCloseKey(theKey);
  }
}

LONG StoreModulePath(const char* inPath) {
  if (inPath == nullptr) return ERROR_INVALID_PARAMETER;
  HKEY theKey = nullptr;
  LONG theResult = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPreferenceKey, 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &theKey, nullptr);
  if (theResult != ERROR_SUCCESS) return theResult;
  const size_t theLength = strnlen(inPath, MAX_PATH);
  std::string thePath(inPath, theLength);
  theResult = RegSetValueExA(theKey, "ModulePath", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(thePath.c_str()),
                             static_cast<DWORD>(thePath.size() + 1));
  RegCloseKey(theKey);
  return theResult;
}

LONG ReadModulePath(const char* inServer, char* outBuffer, DWORD inSize) {
  if (outBuffer == nullptr || inSize == 0) return ERROR_INVALID_PARAMETER;
  outBuffer[0] = 0;
  HKEY theMachine = nullptr;
  LONG theResult = RegConnectRegistryA(inServer, HKEY_LOCAL_MACHINE, &theMachine);
  if (theResult != ERROR_SUCCESS) return theResult;
  HKEY theKey = nullptr;
  theResult = RegOpenKeyExA(theMachine, kPreferenceKey, 0, KEY_READ, &theKey);
  if (theResult == ERROR_SUCCESS) {
    DWORD theType = 0;
    DWORD theSize = inSize;
    theResult = RegQueryValueExA(theKey, "ModulePath", nullptr, &theType,
                                 reinterpret_cast<BYTE*>(outBuffer), &theSize);
    if (theResult == ERROR_SUCCESS && theType != REG_SZ) theResult = ERROR_INVALID_DATA;
    // Whatever was stored, the buffer ends in a terminator.
    outBuffer[inSize - 1] = 0;
    if (theResult != ERROR_SUCCESS) outBuffer[0] = 0;
    RegCloseKey(theKey);
  }
  RegCloseKey(theMachine);
  return theResult;
}
