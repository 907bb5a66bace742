// qxreg: reads and changes values of this machine's registry, as Windows' reg command does.
//
//   qxreg query  KEY /v NAME
//   qxreg add    KEY /v NAME /t REG_DWORD|REG_SZ /d DATA
//   qxreg delete KEY /v NAME
//
// KEY begins with HKLM\ (HKEY_LOCAL_MACHINE) or HKCR\ (HKEY_CLASSES_ROOT). query prints
// "    NAME    TYPE    DATA" (a REG_DWORD in hexadecimal, 0x1). Exit status: 0 on success, 1 when
// the registry refused (the system's message goes to standard error), 2 for a wrong command line.
#include <errhandlingapi.h>
#include <formatmessage.h>
#include <winreg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

int Usage() {
  std::cerr << "usage: qxreg query KEY /v NAME | add KEY /v NAME /t REG_DWORD|REG_SZ /d DATA | delete KEY /v NAME\n";
  return 2;
}

int Refused(LONG inError) {
  char theText[512] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(inError), 0,
                 theText, sizeof(theText), nullptr);
  std::cerr << "qxreg: " << theText;
  return 1;
}

bool SplitKey(std::string_view inKey, HKEY& outRoot, std::string& outPath) {
  for (const auto& [thePrefix, theRoot] : {std::pair{"HKLM\\", HKEY_LOCAL_MACHINE},
                                          std::pair{"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
                                          std::pair{"HKCR\\", HKEY_CLASSES_ROOT},
                                          std::pair{"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT}}) {
    const std::string_view thePrefixText(thePrefix);
    if (inKey.substr(0, thePrefixText.size()) == thePrefixText) {
      outRoot = theRoot;
      outPath = std::string(inKey.substr(thePrefixText.size()));
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3) return Usage();
  const std::string_view theVerb(argv[1]);
  HKEY theRoot = nullptr;
  std::string thePath;
  if (!SplitKey(argv[2], theRoot, thePath)) return Usage();
  std::string theName, theType, theData;
  bool theHasData = false;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string_view theSwitch(argv[i]);
    if (theSwitch == "/v") theName = argv[i + 1];
    else if (theSwitch == "/t") theType = argv[i + 1];
    else if (theSwitch == "/d") theData = argv[i + 1], theHasData = true;
    else return Usage();
  }
  if ((argc - 3) % 2 != 0) return Usage();

  if (theVerb == "query") {
    HKEY theKey = nullptr;
    LONG theError = RegOpenKeyExA(theRoot, thePath.c_str(), 0, KEY_READ, &theKey);
    if (theError != ERROR_SUCCESS) return Refused(theError);
    DWORD theKind = 0;
    std::vector<BYTE> theValue(4096);
    DWORD theSize = static_cast<DWORD>(theValue.size());
    theError = RegQueryValueExA(theKey, theName.c_str(), nullptr, &theKind, theValue.data(), &theSize);
    RegCloseKey(theKey);
    if (theError != ERROR_SUCCESS) return Refused(theError);
    // The key's own value has no name; it is shown as reg does.
    const char* theShownName = theName.empty() ? "(Default)" : theName.c_str();
    if (theKind == REG_DWORD && theSize == 4) {
      DWORD theNumber = 0;
      std::memcpy(&theNumber, theValue.data(), 4);
      std::printf("    %s    REG_DWORD    0x%x\n", theShownName, theNumber);
    } else {
      const std::string theText(reinterpret_cast<const char*>(theValue.data()), theSize);
      std::printf("    %s    REG_SZ    %s\n", theShownName, theText.c_str());
    }
    return 0;
  }
  if (theVerb == "add") {
    if (!theHasData || (theType != "REG_DWORD" && theType != "REG_SZ")) return Usage();
    HKEY theKey = nullptr;
    LONG theError = RegCreateKeyExA(theRoot, thePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                    &theKey, nullptr);
    if (theError != ERROR_SUCCESS) return Refused(theError);
    if (theType == "REG_DWORD") {
      const DWORD theNumber = static_cast<DWORD>(std::strtoul(theData.c_str(), nullptr, 0));
      theError = RegSetValueExA(theKey, theName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&theNumber), 4);
    } else {
      theError = RegSetValueExA(theKey, theName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(theData.c_str()),
                                static_cast<DWORD>(theData.size() + 1));
    }
    RegCloseKey(theKey);
    return theError == ERROR_SUCCESS ? 0 : Refused(theError);
  }
  if (theVerb == "delete") {
    HKEY theKey = nullptr;
    LONG theError = RegOpenKeyExA(theRoot, thePath.c_str(), 0, KEY_WRITE, &theKey);
    if (theError != ERROR_SUCCESS) return Refused(theError);
    theError = RegDeleteValueA(theKey, theName.c_str());
    RegCloseKey(theKey);
    return theError == ERROR_SUCCESS ? 0 : Refused(theError);
  }
  return Usage();
}
