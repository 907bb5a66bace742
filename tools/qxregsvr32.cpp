// The registration tool: registers or unregisters an in-process server module, as regsvr32 does.
//
//   qxregsvr32 [/u] [/s] MODULE
//
// /u unregisters; /s prints nothing. The registry root is the platform root (QUORIX_ROOT, or
// /var/lib/quorix). Exit status: 0 success, 1 bad command line, 3 the module would not load,
// 4 the entry point is missing, 5 the entry point failed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

typedef HRESULT (*EntryPoint)();

int Usage() {
  std::fprintf(stderr, "usage: qxregsvr32 [/u] [/s] MODULE\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool theUnregister = false;
  bool theSilent = false;
  const char* theModulePath = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string theArg = argv[i];
    if (theArg == "/u" || theArg == "-u" || theArg == "/U")
      theUnregister = true;
    else if (theArg == "/s" || theArg == "-s" || theArg == "/S")
      theSilent = true;
    else if (theModulePath == nullptr)
      theModulePath = argv[i];
    else
      return Usage();
  }
  if (theModulePath == nullptr) return Usage();

  // The module is named by its full path in the registry: make a relative path absolute.
  std::string thePath = theModulePath;
  if (!thePath.empty() && thePath[0] != '/') {
    DWORD theLength = GetCurrentDirectoryA(0, nullptr);
    std::string theFolder(theLength, '\0');
    theLength = GetCurrentDirectoryA(theLength, theFolder.data());
    theFolder.resize(theLength);
    thePath = theFolder + "/" + thePath;
  }

  const char* theEntryName = theUnregister ? "DllUnregisterServer" : "DllRegisterServer";
  HMODULE theModule = LoadLibraryA(thePath.c_str());
  if (theModule == nullptr) {
    if (!theSilent)
      std::fprintf(stderr, "The module \"%s\" failed to load (Windows error %u).\n", thePath.c_str(),
                   static_cast<unsigned>(GetLastError()));
    return 3;
  }
  EntryPoint theEntry = reinterpret_cast<EntryPoint>(GetProcAddress(theModule, theEntryName));
  if (theEntry == nullptr) {
    if (!theSilent)
      std::fprintf(stderr, "The module \"%s\" was loaded but the entry-point %s was not found.\n", thePath.c_str(),
                   theEntryName);
    return 4;
  }
  const HRESULT theResult = theEntry();
  if (FAILED(theResult)) {
    if (!theSilent) {
      std::fprintf(stderr, "The module \"%s\" was loaded but the call to %s failed with error code 0x%08X.\n",
                   thePath.c_str(), theEntryName, static_cast<unsigned>(theResult));
      // The system's text for the code tells an administrator what to mend.
      char theText[512];
      DWORD theLength =
          FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(theResult), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), theText,
                         sizeof(theText), nullptr);
      while (theLength > 0 && (theText[theLength - 1] == '\n' || theText[theLength - 1] == '\r')) --theLength;
      if (theLength > 0) std::fprintf(stderr, "%.*s\n", static_cast<int>(theLength), theText);
    }
    return 5;
  }
  if (!theSilent) std::printf("%s in %s succeeded.\n", theEntryName, thePath.c_str());
  return 0;
}
