// Modules: dlopen, dlsym and dladdr behind the Windows loader calls.
#include <libloaderapi.h>
#include <winerror.h>
#include <errhandlingapi.h>

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "QxText.h"

namespace {

// A module handle is the loader's handle of the module.
HMODULE ToModule(void* inHandle) { return static_cast<HMODULE>(inHandle); }

}  // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR inPath) {
  if (inPath == nullptr || inPath[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  void* theHandle = dlopen(inPath, RTLD_NOW | RTLD_LOCAL);
  if (theHandle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return ToModule(theHandle);
}

HMODULE WINAPI LoadLibraryW(LPCWSTR inPath) {
  if (inPath == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadLibraryA(qx::ToUtf8(inPath).c_str());
}

BOOL WINAPI FreeLibrary(HMODULE inModule) {
  if (inModule == nullptr || dlclose(inModule) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

FARPROC WINAPI GetProcAddress(HMODULE inModule, LPCSTR inName) {
  if (inModule == nullptr || inName == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* theSymbol = dlsym(inModule, inName);
  if (theSymbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(theSymbol);
}

BOOL WINAPI GetModuleHandleExA(DWORD inFlags, LPCSTR inName, HMODULE* outModule) {
  if (outModule == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *outModule = nullptr;
  if (!(inFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS)) {
    void* theHandle = dlopen(inName, RTLD_NOW | RTLD_NOLOAD);
    if (theHandle == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
    *outModule = ToModule(theHandle);
    return TRUE;
  }
  Dl_info theInfo{};
  if (dladdr(inName, &theInfo) == 0 || theInfo.dli_fname == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  // Opening a module already loaded gives its handle and keeps it loaded.
  void* theHandle = dlopen(theInfo.dli_fname, RTLD_NOW | RTLD_NOLOAD);
  if (theHandle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  *outModule = ToModule(theHandle);
  return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE inModule, LPSTR outPath, DWORD inSize) {
  if (outPath == nullptr || inSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::string thePath;
  if (inModule == nullptr) {
    char theBuffer[4096];
    const ssize_t theLength = readlink("/proc/self/exe", theBuffer, sizeof(theBuffer) - 1);
    if (theLength > 0) thePath.assign(theBuffer, static_cast<size_t>(theLength));
  } else {
    struct link_map* theMap = nullptr;
    if (dlinfo(inModule, RTLD_DI_LINKMAP, &theMap) == 0 && theMap != nullptr && theMap->l_name != nullptr)
      thePath = theMap->l_name;
  }
  if (thePath.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  // As on Windows: a path that does not fit is cut, terminated, and reported as too long.
  const DWORD theCopy = static_cast<DWORD>(std::min<size_t>(thePath.size(), inSize - 1));
  std::memcpy(outPath, thePath.data(), theCopy);
  outPath[theCopy] = 0;
  SetLastError(theCopy < thePath.size() ? ERROR_INSUFFICIENT_BUFFER : ERROR_SUCCESS);
  return theCopy < thePath.size() ? inSize : theCopy;
}

DWORD WINAPI GetCurrentDirectoryA(DWORD inSize, LPSTR outPath) {
  char theBuffer[4096];
  if (getcwd(theBuffer, sizeof(theBuffer)) == nullptr) {
    QxSetLastErrorFromErrno();
    return 0;
  }
  const size_t theLength = std::strlen(theBuffer);
  if (outPath == nullptr || inSize <= theLength) return static_cast<DWORD>(theLength + 1);
  std::memcpy(outPath, theBuffer, theLength + 1);
  return static_cast<DWORD>(theLength);
}

void WINAPI ExitProcess(UINT inExitCode) { _exit(static_cast<int>(inExitCode)); }

ULONG_PTR QxModuleBase(const void* inAddress) {
  Dl_info theInfo{};
  if (dladdr(inAddress, &theInfo) == 0) return 0;
  return reinterpret_cast<ULONG_PTR>(theInfo.dli_fbase);
}
