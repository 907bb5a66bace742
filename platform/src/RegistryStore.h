// The registry store: keys and values in registry.db under the platform root, and the table of
// open key handles. The Reg* entry points (Registry.cpp) convert 8-bit and wide arguments and
// call it; it works on UTF-16 names and raw value bytes.
#pragma once

#include "SqliteStore.h"

#include <winreg.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qxstore {

class RegistryStore {
 public:
  // The store of this process (one connection, shared by all threads under a mutex).
  static RegistryStore& Instance();

  RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // Each call has the result and the semantics of the Reg* call of the same name.
  LSTATUS CreateKey(HKEY inParent, std::u16string_view inSubKey, DWORD inOptions, REGSAM inDesired,
                    HKEY& outKey, DWORD& outDisposition);
  LSTATUS OpenKey(HKEY inParent, std::u16string_view inSubKey, REGSAM inDesired, HKEY& outKey);
  LSTATUS CloseKey(HKEY inKey);
  LSTATUS QueryValue(HKEY inKey, std::u16string_view inName, DWORD& outType, std::vector<uint8_t>& outData);
  LSTATUS SetValue(HKEY inKey, std::u16string_view inName, DWORD inType, std::span<const uint8_t> inData);
  LSTATUS DeleteValue(HKEY inKey, std::u16string_view inName);
  LSTATUS DeleteKey(HKEY inKey, std::u16string_view inSubKey);
  // inSubKey empty: the subkeys and values of inKey go, inKey stays.
  LSTATUS DeleteTree(HKEY inKey, std::u16string_view inSubKey);
  LSTATUS EnumKey(HKEY inKey, DWORD inIndex, std::u16string& outName, FILETIME& outWritten);
  LSTATUS EnumValue(HKEY inKey, DWORD inIndex, std::u16string& outName, DWORD& outType,
                    std::vector<uint8_t>& outData);

  // True for HKEY_LOCAL_MACHINE and HKEY_CLASSES_ROOT.
  static bool IsPredefined(HKEY inKey);

 private:
  // What a handle stands for: a path of key names from the machine root and the rights it holds.
  // HKEY_CLASSES_ROOT is the path SOFTWARE\Classes; mFixed counts the leading names that belong
  // to the predefined key itself, which exists whether or not the store holds it yet. A handle to
  // a key of its own (a path longer than mFixed) also keeps the key's row: the key it was opened
  // on, which no other key can become, even one made again under the same name after a deletion.
  struct KeyRef {
    std::vector<std::u16string> mPath;
    size_t mFixed = 0;
    int64_t mID = 0;
    REGSAM mAccess = 0;
    bool OwnKey() const { return mPath.size() > mFixed; }
  };
  // The outcome of walking a path in the store.
  struct Found {
    DWORD mError = ERROR_SUCCESS;  // ERROR_SUCCESS, ERROR_FILE_NOT_FOUND or a store failure
    int64_t mID = 0;               // the key's row (0 is the machine root)
  };

  LSTATUS Lookup(HKEY inKey, REGSAM inNeeded, KeyRef& outRef) const;
  HKEY AddHandle(KeyRef inRef);
  // Walks inNames down from the key inStart.
  Found Resolve(int64_t inStart, std::span<const std::u16string> inNames);
  // Walks inNames down from the key inStart, creating missing keys; inside a write transaction.
  Found CreatePath(int64_t inStart, std::span<const std::u16string> inNames, bool& outCreatedLast);
  // The key of a handle, checked against the store (see the definition).
  DWORD HandleKey(const KeyRef& inRef, bool inMakePredefined, int64_t& outID);
  DWORD ResolveForRead(const KeyRef& inRef, int64_t& outID);
  DWORD ResolveForWrite(const KeyRef& inRef, int64_t& outID);
  // The rights of a new handle asking for inDesired. RETURNS: ERROR_SUCCESS or ERROR_ACCESS_DENIED.
  LSTATUS GrantAccess(REGSAM inDesired, REGSAM& outAccess);
  DWORD Touch(int64_t inID);
  bool StoreIsReadOnly();

  std::mutex mMutex;
  SqliteStore mStore;
  std::map<uintptr_t, KeyRef> mHandles;
  uintptr_t mNextHandle;
};

}  // namespace qxstore
