// The Reg* entry points: argument checks, 8-bit and wide forms, and copying results out in the
// Windows manner. The store itself is RegistryStore.
#include <winreg.h>
#include <stringapiset.h>

#include "RegistryStore.h"
#include "StoreGuard.h"
#include "StoreText.h"

#include <algorithm>
#include <cstring>
#include <limits>

using qxstore::Guarded;
using qxstore::RegistryStore;
using qxstore::WideView;

namespace {

bool IsStringType(DWORD inType) { return inType == REG_SZ || inType == REG_EXPAND_SZ || inType == REG_MULTI_SZ; }

// The 8-bit forms speak the system's code page (CP_ACP), as on Windows.
std::u16string AnsiToWide(std::string_view inText) {
  if (inText.empty()) return {};
  const int theSize = MultiByteToWideChar(CP_ACP, 0, inText.data(), static_cast<int>(inText.size()), nullptr, 0);
  std::u16string theWide(theSize > 0 ? static_cast<size_t>(theSize) : 0, u'\0');
  if (theSize > 0)
    MultiByteToWideChar(CP_ACP, 0, inText.data(), static_cast<int>(inText.size()), theWide.data(), theSize);
  return theWide;
}

std::string WideToAnsi(std::u16string_view inText) {
  if (inText.empty()) return {};
  const int theSize =
      WideCharToMultiByte(CP_ACP, 0, inText.data(), static_cast<int>(inText.size()), nullptr, 0, nullptr, nullptr);
  std::string theNarrow(theSize > 0 ? static_cast<size_t>(theSize) : 0, '\0');
  if (theSize > 0)
    WideCharToMultiByte(CP_ACP, 0, inText.data(), static_cast<int>(inText.size()), theNarrow.data(), theSize, nullptr,
                        nullptr);
  return theNarrow;
}

std::u16string NarrowName(LPCSTR inName) {
  return inName == nullptr ? std::u16string() : AnsiToWide(std::string_view(inName));
}

// String data as the 8-bit form returns it: the stored UTF-16 in the system code page (an odd
// last byte is dropped).
std::vector<uint8_t> StringDataToNarrow(const std::vector<uint8_t>& inData) {
  std::u16string theWide(inData.size() / 2, u'\0');
  if (!theWide.empty()) {
    std::memcpy(theWide.data(), inData.data(), theWide.size() * sizeof(char16_t));
  }
  const std::string theNarrow = WideToAnsi(theWide);
  return std::vector<uint8_t>(theNarrow.begin(), theNarrow.end());
}

// String data as the 8-bit form stores it: the given bytes in the system code page, kept as UTF-16.
std::vector<uint8_t> StringDataToWide(const BYTE* inData, DWORD inSize) {
  const std::u16string theWide =
      AnsiToWide(std::string_view(reinterpret_cast<const char*>(inData), inData == nullptr ? 0 : inSize));
  std::vector<uint8_t> theBytes(theWide.size() * sizeof(char16_t));
  if (!theBytes.empty()) {
    std::memcpy(theBytes.data(), theWide.data(), theBytes.size());
  }
  return theBytes;
}

// The size of string data as RegSetValueEx stores it. A caller that left the terminating zero out
// of the count gets it stored all the same, as Windows does: when the last character given is not
// zero and the character just past the given size is, the count grows by that character. Like
// Windows, this reads the one character beyond the given size, and only when the last given
// character is not zero. inUnit is the size of a character: 1 for the 8-bit form, 2 for the wide.
DWORD SizeWithForgottenTerminator(const BYTE* inData, DWORD inSize, DWORD inUnit) {
  const DWORD theChars = inSize / inUnit;
  if (inData == nullptr || theChars == 0 || inSize > std::numeric_limits<DWORD>::max() - 2 * inUnit) {
    return inSize;
  }
  auto theCharAt = [inData, inUnit](DWORD inIndex) -> uint16_t {
    const BYTE* theChar = inData + static_cast<size_t>(inIndex) * inUnit;
    if (inUnit == 1) {
      return *theChar;
    }
    uint16_t theWide = 0;  // the data of the wide form need not be aligned
    std::memcpy(&theWide, theChar, sizeof theWide);
    return theWide;
  };
  if (theCharAt(theChars - 1) != 0 && theCharAt(theChars) == 0) {
    return (theChars + 1) * inUnit;
  }
  return inSize;
}

// Copies value data out as RegQueryValueEx does: a null buffer asks for the size; a buffer too
// small gives ERROR_MORE_DATA with the size needed. With inTerminate (the 8-bit forms' string
// data), data that does not end in a zero gets one after it when the buffer has room for it; the
// size reported leaves it out.
LSTATUS CopyData(const std::vector<uint8_t>& inData, LPBYTE outData, LPDWORD ioSize, bool inTerminate = false) {
  if (outData != nullptr && ioSize == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  if (ioSize == nullptr) {
    return ERROR_SUCCESS;
  }
  if (inData.size() > std::numeric_limits<DWORD>::max()) {
    return ERROR_MORE_DATA;
  }
  const DWORD theRoom = *ioSize;
  *ioSize = static_cast<DWORD>(inData.size());
  if (outData == nullptr) {
    return ERROR_SUCCESS;
  }
  if (inData.size() > theRoom) {
    return ERROR_MORE_DATA;
  }
  if (!inData.empty()) {
    std::memcpy(outData, inData.data(), inData.size());
    if (inTerminate && inData.size() < theRoom && inData.back() != 0) {
      outData[inData.size()] = 0;
    }
  }
  return ERROR_SUCCESS;
}

// Copies a name out as RegEnumKeyEx and RegEnumValue do: ioSize is, in, the room in characters
// with the terminator, out, the characters written without it.
template <typename Char>
LSTATUS CopyName(std::basic_string_view<Char> inName, Char* outName, LPDWORD ioSize) {
  if (outName == nullptr || ioSize == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  if (inName.size() >= *ioSize) {
    return ERROR_MORE_DATA;
  }
  std::memcpy(outName, inName.data(), inName.size() * sizeof(Char));
  outName[inName.size()] = Char();
  *ioSize = static_cast<DWORD>(inName.size());
  return ERROR_SUCCESS;
}

// Copies an enumerated value out as RegEnumValue does. When the name or the data does not fit, the
// result is ERROR_MORE_DATA with the type and the data size needed reported, and neither buffer
// nor the name size is changed; except that the wide form, as on Windows, still hands out a name
// that fits when only the data does not.
template <typename Char>
LSTATUS CopyValue(std::basic_string_view<Char> inName, DWORD inType, const std::vector<uint8_t>& inData,
                  bool inTerminate, Char* outName, LPDWORD ioName, LPDWORD outType, LPBYTE outData, LPDWORD ioData) {
  const bool theNameFits = inName.size() < *ioName;
  const bool theDataFits = outData == nullptr || ioData == nullptr || inData.size() <= *ioData;
  if (outType != nullptr) {
    *outType = inType;
  }
  if (!theNameFits || !theDataFits) {
    if (theNameFits && sizeof(Char) == sizeof(char16_t)) {
      CopyName(inName, outName, ioName);
    }
    if (ioData != nullptr) {
      *ioData = static_cast<DWORD>(std::min<size_t>(inData.size(), std::numeric_limits<DWORD>::max()));
    }
    return ERROR_MORE_DATA;
  }
  CopyName(inName, outName, ioName);
  return CopyData(inData, outData, ioData, inTerminate);
}

template <typename Char>
void CopyEmptyClass(Char* outClass, LPDWORD ioClass) {
  if (ioClass != nullptr) {
    if (outClass != nullptr && *ioClass > 0) {
      outClass[0] = Char();
    }
    *ioClass = 0;
  }
}

LSTATUS CreateKey(HKEY inKey, std::u16string_view inSubKey, DWORD inReserved, DWORD inOptions, REGSAM inDesired,
                  PHKEY outResult, LPDWORD outDisposition) {
  if (outResult == nullptr || inReserved != 0) {
    return ERROR_INVALID_PARAMETER;
  }
  HKEY theKey = nullptr;
  DWORD theDisposition = 0;
  const LSTATUS theResult =
      RegistryStore::Instance().CreateKey(inKey, inSubKey, inOptions, inDesired, theKey, theDisposition);
  if (theResult == ERROR_SUCCESS) {
    *outResult = theKey;
    if (outDisposition != nullptr) {
      *outDisposition = theDisposition;
    }
  }
  return theResult;
}

LSTATUS OpenKey(HKEY inKey, std::u16string_view inSubKey, REGSAM inDesired, PHKEY outResult) {
  if (outResult == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  HKEY theKey = nullptr;
  const LSTATUS theResult = RegistryStore::Instance().OpenKey(inKey, inSubKey, inDesired, theKey);
  if (theResult == ERROR_SUCCESS) {
    *outResult = theKey;
  }
  return theResult;
}

LSTATUS ConnectRegistry(bool inLocal, HKEY inKey, PHKEY outResult) {
  if (outResult == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  if (!RegistryStore::IsPredefined(inKey)) {
    return ERROR_INVALID_HANDLE;
  }
  if (!inLocal) {
    return ERROR_BAD_NETPATH;  // no remote registry service on this platform
  }
  *outResult = inKey;
  return ERROR_SUCCESS;
}

}  // namespace

extern "C" {

LSTATUS WINAPI RegCreateKeyExA(HKEY inKey, LPCSTR inSubKey, DWORD inReserved, LPSTR, DWORD inOptions,
                               REGSAM inDesired, const LPSECURITY_ATTRIBUTES, PHKEY outResult,
                               LPDWORD outDisposition) {
  return Guarded([&] {
    return CreateKey(inKey, NarrowName(inSubKey), inReserved, inOptions, inDesired, outResult, outDisposition);
  });
}

LSTATUS WINAPI RegCreateKeyExW(HKEY inKey, LPCWSTR inSubKey, DWORD inReserved, LPWSTR, DWORD inOptions,
                               REGSAM inDesired, const LPSECURITY_ATTRIBUTES, PHKEY outResult,
                               LPDWORD outDisposition) {
  return Guarded([&] {
    return CreateKey(inKey, WideView(inSubKey), inReserved, inOptions, inDesired, outResult, outDisposition);
  });
}

LSTATUS WINAPI RegOpenKeyExA(HKEY inKey, LPCSTR inSubKey, DWORD, REGSAM inDesired, PHKEY outResult) {
  return Guarded([&] { return OpenKey(inKey, NarrowName(inSubKey), inDesired, outResult); });
}

LSTATUS WINAPI RegOpenKeyExW(HKEY inKey, LPCWSTR inSubKey, DWORD, REGSAM inDesired, PHKEY outResult) {
  return Guarded([&] { return OpenKey(inKey, WideView(inSubKey), inDesired, outResult); });
}

LSTATUS WINAPI RegCloseKey(HKEY inKey) {
  return Guarded([&] { return RegistryStore::Instance().CloseKey(inKey); });
}

LSTATUS WINAPI RegConnectRegistryA(LPCSTR inMachineName, HKEY inKey, PHKEY outResult) {
  return Guarded([&] {
    return ConnectRegistry(inMachineName == nullptr || *inMachineName == '\0', inKey, outResult);
  });
}

LSTATUS WINAPI RegConnectRegistryW(LPCWSTR inMachineName, HKEY inKey, PHKEY outResult) {
  return Guarded([&] {
    return ConnectRegistry(inMachineName == nullptr || *inMachineName == u'\0', inKey, outResult);
  });
}

LSTATUS WINAPI RegQueryValueExA(HKEY inKey, LPCSTR inValueName, LPDWORD inReserved, LPDWORD outType,
                                LPBYTE outData, LPDWORD ioData) {
  return Guarded([&]() -> LSTATUS {
    if (inReserved != nullptr || (outData != nullptr && ioData == nullptr)) {
      return ERROR_INVALID_PARAMETER;
    }
    DWORD theType = 0;
    std::vector<uint8_t> theData;
    const LSTATUS theResult = RegistryStore::Instance().QueryValue(inKey, NarrowName(inValueName), theType, theData);
    if (theResult != ERROR_SUCCESS) {
      return theResult;
    }
    if (outType != nullptr) {
      *outType = theType;
    }
    if (IsStringType(theType)) {
      return CopyData(StringDataToNarrow(theData), outData, ioData, true);
    }
    return CopyData(theData, outData, ioData);
  });
}

LSTATUS WINAPI RegQueryValueExW(HKEY inKey, LPCWSTR inValueName, LPDWORD inReserved, LPDWORD outType,
                                LPBYTE outData, LPDWORD ioData) {
  return Guarded([&]() -> LSTATUS {
    if (inReserved != nullptr || (outData != nullptr && ioData == nullptr)) {
      return ERROR_INVALID_PARAMETER;
    }
    DWORD theType = 0;
    std::vector<uint8_t> theData;
    const LSTATUS theResult = RegistryStore::Instance().QueryValue(inKey, WideView(inValueName), theType, theData);
    if (theResult != ERROR_SUCCESS) {
      return theResult;
    }
    if (outType != nullptr) {
      *outType = theType;
    }
    return CopyData(theData, outData, ioData);
  });
}

LSTATUS WINAPI RegSetValueExA(HKEY inKey, LPCSTR inValueName, DWORD inReserved, DWORD inType, const BYTE* inData,
                              DWORD inDataSize) {
  return Guarded([&]() -> LSTATUS {
    if (inReserved != 0) {
      return ERROR_INVALID_PARAMETER;
    }
    if (inData == nullptr && inDataSize != 0) {
      return ERROR_NOACCESS;
    }
    const std::u16string theName = NarrowName(inValueName);
    if (IsStringType(inType)) {
      const std::vector<uint8_t> theWide =
          StringDataToWide(inData, SizeWithForgottenTerminator(inData, inDataSize, sizeof(char)));
      return RegistryStore::Instance().SetValue(inKey, theName, inType, theWide);
    }
    return RegistryStore::Instance().SetValue(inKey, theName, inType, std::span<const uint8_t>(inData, inDataSize));
  });
}

LSTATUS WINAPI RegSetValueExW(HKEY inKey, LPCWSTR inValueName, DWORD inReserved, DWORD inType, const BYTE* inData,
                              DWORD inDataSize) {
  return Guarded([&]() -> LSTATUS {
    if (inReserved != 0) {
      return ERROR_INVALID_PARAMETER;
    }
    if (inData == nullptr && inDataSize != 0) {
      return ERROR_NOACCESS;
    }
    const DWORD theSize =
        IsStringType(inType) ? SizeWithForgottenTerminator(inData, inDataSize, sizeof(char16_t)) : inDataSize;
    return RegistryStore::Instance().SetValue(inKey, WideView(inValueName), inType,
                                              std::span<const uint8_t>(inData, theSize));
  });
}

LSTATUS WINAPI RegDeleteValueA(HKEY inKey, LPCSTR inValueName) {
  return Guarded([&] { return RegistryStore::Instance().DeleteValue(inKey, NarrowName(inValueName)); });
}

LSTATUS WINAPI RegDeleteValueW(HKEY inKey, LPCWSTR inValueName) {
  return Guarded([&] { return RegistryStore::Instance().DeleteValue(inKey, WideView(inValueName)); });
}

LSTATUS WINAPI RegDeleteKeyA(HKEY inKey, LPCSTR inSubKey) {
  return Guarded([&]() -> LSTATUS {
    if (inSubKey == nullptr) {
      return ERROR_INVALID_PARAMETER;
    }
    return RegistryStore::Instance().DeleteKey(inKey, NarrowName(inSubKey));
  });
}

LSTATUS WINAPI RegDeleteKeyW(HKEY inKey, LPCWSTR inSubKey) {
  return Guarded([&]() -> LSTATUS {
    if (inSubKey == nullptr) {
      return ERROR_INVALID_PARAMETER;
    }
    return RegistryStore::Instance().DeleteKey(inKey, WideView(inSubKey));
  });
}

LSTATUS WINAPI RegDeleteTreeA(HKEY inKey, LPCSTR inSubKey) {
  return Guarded([&] { return RegistryStore::Instance().DeleteTree(inKey, NarrowName(inSubKey)); });
}

LSTATUS WINAPI RegDeleteTreeW(HKEY inKey, LPCWSTR inSubKey) {
  return Guarded([&] { return RegistryStore::Instance().DeleteTree(inKey, WideView(inSubKey)); });
}

LSTATUS WINAPI RegEnumKeyExA(HKEY inKey, DWORD inIndex, LPSTR outName, LPDWORD ioName, LPDWORD inReserved,
                             LPSTR outClass, LPDWORD ioClass, PFILETIME outLastWriteTime) {
  return Guarded([&]() -> LSTATUS {
    if (outName == nullptr || ioName == nullptr || inReserved != nullptr) {
      return ERROR_INVALID_PARAMETER;
    }
    std::u16string theName;
    FILETIME theWritten{};
    if (const LSTATUS theResult = RegistryStore::Instance().EnumKey(inKey, inIndex, theName, theWritten);
        theResult != ERROR_SUCCESS) {
      return theResult;
    }
    const std::string theNarrow = WideToAnsi(theName);
    if (const LSTATUS theResult = CopyName(std::string_view(theNarrow), outName, ioName); theResult != ERROR_SUCCESS) {
      return theResult;
    }
    CopyEmptyClass(outClass, ioClass);
    if (outLastWriteTime != nullptr) {
      *outLastWriteTime = theWritten;
    }
    return ERROR_SUCCESS;
  });
}

LSTATUS WINAPI RegEnumKeyExW(HKEY inKey, DWORD inIndex, LPWSTR outName, LPDWORD ioName, LPDWORD inReserved,
                             LPWSTR outClass, LPDWORD ioClass, PFILETIME outLastWriteTime) {
  return Guarded([&]() -> LSTATUS {
    if (outName == nullptr || ioName == nullptr || inReserved != nullptr) {
      return ERROR_INVALID_PARAMETER;
    }
    std::u16string theName;
    FILETIME theWritten{};
    if (const LSTATUS theResult = RegistryStore::Instance().EnumKey(inKey, inIndex, theName, theWritten);
        theResult != ERROR_SUCCESS) {
      return theResult;
    }
    if (const LSTATUS theResult = CopyName(std::u16string_view(theName), outName, ioName); theResult != ERROR_SUCCESS) {
      return theResult;
    }
    CopyEmptyClass(outClass, ioClass);
    if (outLastWriteTime != nullptr) {
      *outLastWriteTime = theWritten;
    }
    return ERROR_SUCCESS;
  });
}

LSTATUS WINAPI RegEnumValueA(HKEY inKey, DWORD inIndex, LPSTR outName, LPDWORD ioName, LPDWORD inReserved,
                             LPDWORD outType, LPBYTE outData, LPDWORD ioData) {
  return Guarded([&]() -> LSTATUS {
    if (outName == nullptr || ioName == nullptr || inReserved != nullptr ||
        (outData != nullptr && ioData == nullptr)) {
      return ERROR_INVALID_PARAMETER;
    }
    std::u16string theName;
    DWORD theType = 0;
    std::vector<uint8_t> theData;
    if (const LSTATUS theResult = RegistryStore::Instance().EnumValue(inKey, inIndex, theName, theType, theData);
        theResult != ERROR_SUCCESS) {
      return theResult;
    }
    const std::string theNarrow = WideToAnsi(theName);
    const bool theString = IsStringType(theType);
    if (theString) {
      theData = StringDataToNarrow(theData);
    }
    return CopyValue(std::string_view(theNarrow), theType, theData, theString, outName, ioName, outType, outData,
                     ioData);
  });
}

LSTATUS WINAPI RegEnumValueW(HKEY inKey, DWORD inIndex, LPWSTR outName, LPDWORD ioName, LPDWORD inReserved,
                             LPDWORD outType, LPBYTE outData, LPDWORD ioData) {
  return Guarded([&]() -> LSTATUS {
    if (outName == nullptr || ioName == nullptr || inReserved != nullptr ||
        (outData != nullptr && ioData == nullptr)) {
      return ERROR_INVALID_PARAMETER;
    }
    std::u16string theName;
    DWORD theType = 0;
    std::vector<uint8_t> theData;
    if (const LSTATUS theResult = RegistryStore::Instance().EnumValue(inKey, inIndex, theName, theType, theData);
        theResult != ERROR_SUCCESS) {
      return theResult;
    }
    return CopyValue(std::u16string_view(theName), theType, theData, false, outName, ioName, outType, outData,
                     ioData);
  });
}

}  // extern "C"
