// OutputDebugStringA/W: the debugger output channel, here the process's standard error.
#include <debugapi.h>
#include <stringapiset.h>

#include <cstdio>
#include <string>

extern "C" {

void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
  if (lpOutputString == nullptr) return;
  // 8-bit text is in the system code page; the terminal reads UTF-8.
  const int theWide = MultiByteToWideChar(CP_ACP, 0, lpOutputString, -1, nullptr, 0);
  if (theWide <= 1) return;
  std::u16string theText(static_cast<size_t>(theWide), u'\0');
  MultiByteToWideChar(CP_ACP, 0, lpOutputString, -1, theText.data(), theWide);
  OutputDebugStringW(theText.c_str());
}

void WINAPI OutputDebugStringW(LPCWSTR lpOutputString) {
  if (lpOutputString == nullptr) return;
  const int theSize = WideCharToMultiByte(CP_UTF8, 0, lpOutputString, -1, nullptr, 0, nullptr, nullptr);
  if (theSize <= 1) return;
  std::string theText(static_cast<size_t>(theSize), '\0');
  WideCharToMultiByte(CP_UTF8, 0, lpOutputString, -1, theText.data(), theSize, nullptr, nullptr);
  std::fputs(theText.c_str(), stderr);
}

}  // extern "C"
