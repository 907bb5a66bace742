#include "runtime/ErrorReport.h"

#include <formatmessage.h>
#include <stringapiset.h>

#include "runtime/ComError.h"

namespace {

// Converts UTF-16 text to the system's 8-bit code page.
std::string ToAnsi(std::u16string_view inText) {
  if (inText.empty()) return {};
  const int theSize = WideCharToMultiByte(CP_ACP, 0, inText.data(), static_cast<int>(inText.size()), nullptr, 0,
                                          nullptr, nullptr);
  std::string theResult(theSize > 0 ? static_cast<size_t>(theSize) : 0, '\0');
  if (theSize > 0)
    WideCharToMultiByte(CP_ACP, 0, inText.data(), static_cast<int>(inText.size()), theResult.data(), theSize, nullptr,
                        nullptr);
  return theResult;
}

std::u16string ToWide(const char* inText) {
  if (inText == nullptr || inText[0] == 0) return {};
  const int theSize = MultiByteToWideChar(CP_ACP, 0, inText, -1, nullptr, 0);
  if (theSize <= 1) return {};
  std::u16string theResult(static_cast<size_t>(theSize), u'\0');
  MultiByteToWideChar(CP_ACP, 0, inText, -1, theResult.data(), theSize);
  theResult.pop_back();  // the terminator
  return theResult;
}

const char* FixedMeaning(DWORD inCode) {
  switch (inCode) {
    case ERROR_FILE_NOT_FOUND: return "a file could not be found";
    case ERROR_PATH_NOT_FOUND: return "a file path could not be found";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return "there was not enough memory";
    case ERROR_INVALID_DRIVE: return "the drive did not exist";
    default: return nullptr;
  }
}

}  // namespace

void ErrorReport::Reset() {
  mCount = 0;
  mMessages.clear();
  mWinError1 = 0;
  mWinError2 = 0;
  mComposed.clear();
}

void ErrorReport::AddMessage(const char* inMessage) {
  try {
    if (mCount > 0) mMessages += u' ';
    mMessages += ToWide(inMessage);
  } catch (const std::bad_alloc&) {
    throw ComError(E_OUTOFMEMORY);
  }
  ++mCount;
}

std::string WindowsErrorPhrase(DWORD inCode) {
  if (const char* theMeaning = FixedMeaning(inCode))
    return std::string("A Windows error occurred that indicates that ") + theMeaning + " (" + std::to_string(inCode) +
           ").\n";
  char16_t theText[1024];
  const DWORD theLength =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, inCode,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), theText, sizeof(theText) / sizeof(theText[0]), nullptr);
  return "Windows error " + std::to_string(inCode) + ". " + ToAnsi(std::u16string_view(theText, theLength));
}

const char* ErrorReport::GetText() {
  if (!HasError()) {
    mComposed = "No errors occurred";
    return mComposed.c_str();
  }
  mComposed.clear();
  if (mCount > 0) {
    mComposed = ToAnsi(mMessages);
    mComposed += "\n";
  }
  if (mWinError1 != 0) mComposed += WindowsErrorPhrase(mWinError1);
  if (mWinError2 != 0) mComposed += WindowsErrorPhrase(mWinError2);
  return mComposed.c_str();
}
