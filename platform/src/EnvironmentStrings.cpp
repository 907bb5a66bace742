// Expanding %NAME% references to environment variables, as Windows does: a defined variable is
// replaced by its value; an unknown name, an empty name ("%%") and a lone "%" stay as written.
#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include "PathText.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include <unistd.h>

using qxfile::PathText;

namespace {

// Longer names are never variables; they are left as written without being looked up.
constexpr size_t kMaxNameLength = 32767;

char AsciiLower(char inChar) { return inChar >= 'A' && inChar <= 'Z' ? static_cast<char>(inChar + 32) : inChar; }

bool SameIgnoringCase(std::string_view inA, std::string_view inB) {
  if (inA.size() != inB.size()) return false;
  for (size_t theIndex = 0; theIndex < inA.size(); ++theIndex) {
    if (AsciiLower(inA[theIndex]) != AsciiLower(inB[theIndex])) return false;
  }
  return true;
}

// The value of a variable: by its exact name, else by the first name equal to it without regard to
// ASCII case (Windows names are case-insensitive, POSIX names are not).
std::optional<std::string> LookupVariable(std::string_view inName) {
  if (inName.empty() || inName.find('=') != std::string_view::npos) return std::nullopt;
  const std::string theName(inName);
  if (const char* theValue = std::getenv(theName.c_str())) return std::string(theValue);
  for (char** theEntry = environ; theEntry != nullptr && *theEntry != nullptr; ++theEntry) {
    const std::string_view theText(*theEntry);
    const size_t theEquals = theText.find('=');
    if (theEquals != std::string_view::npos && SameIgnoringCase(theText.substr(0, theEquals), inName)) {
      return std::string(theText.substr(theEquals + 1));
    }
  }
  return std::nullopt;
}

std::optional<std::string> LookupNarrow(std::basic_string_view<char> inName) { return LookupVariable(inName); }

std::optional<std::u16string> LookupWide(std::basic_string_view<char16_t> inName) {
  std::string theName;
  theName.reserve(inName.size());
  for (size_t theIndex = 0; theIndex < inName.size(); ++theIndex) {
    char32_t theCode = inName[theIndex];
    if (theCode >= 0xD800 && theCode <= 0xDBFF && theIndex + 1 < inName.size() && inName[theIndex + 1] >= 0xDC00 &&
        inName[theIndex + 1] <= 0xDFFF) {
      theCode = 0x10000 + ((theCode - 0xD800) << 10) + (inName[++theIndex] - 0xDC00);
    } else if (theCode >= 0xD800 && theCode <= 0xDFFF) {
      return std::nullopt;  // no variable name holds an unpaired surrogate
    }
    PathText::AppendUtf8(theCode, theName);
  }
  const auto theValue = LookupVariable(theName);
  if (!theValue) return std::nullopt;
  return PathText::Utf8ToUtf16Lenient(*theValue);
}

// Expands inSource into outBuffer of inSize characters in one pass, counting what the whole result
// needs; characters that do not fit are counted, never stored.
template <class Char, class Lookup>
DWORD Expand(const Char* inSource, Char* outBuffer, DWORD inSize, Lookup inLookup) {
  if (inSource == nullptr || (outBuffer == nullptr && inSize != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  uint64_t theCount = 0;
  const auto thePut = [&](Char inChar) {
    if (theCount < inSize) outBuffer[theCount] = inChar;
    ++theCount;
  };
  size_t thePos = 0;
  while (inSource[thePos] != 0) {
    if (inSource[thePos] != Char('%')) {
      thePut(inSource[thePos++]);
      continue;
    }
    size_t theClose = thePos + 1;
    while (inSource[theClose] != 0 && inSource[theClose] != Char('%')) ++theClose;
    if (inSource[theClose] == 0) {  // a lone "%": the rest is plain text
      while (inSource[thePos] != 0) thePut(inSource[thePos++]);
      break;
    }
    const std::basic_string_view<Char> theName(inSource + thePos + 1, theClose - thePos - 1);
    const auto theValue = theName.size() <= kMaxNameLength ? inLookup(theName) : std::nullopt;
    if (theValue) {
      for (const Char theChar : *theValue) thePut(theChar);
    } else {
      for (size_t theIndex = thePos; theIndex <= theClose; ++theIndex) thePut(inSource[theIndex]);
    }
    thePos = theClose + 1;
  }
  if (theCount >= UINT32_MAX) {
    if (inSize != 0) outBuffer[0] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const auto theNeeded = static_cast<DWORD>(theCount + 1);
  if (theNeeded <= inSize) {
    outBuffer[theCount] = 0;
  } else if (inSize != 0) {
    outBuffer[0] = 0;  // too small: an empty text rather than a cut one
  }
  return theNeeded;
}

}  // namespace

extern "C" {

DWORD WINAPI ExpandEnvironmentStringsA(LPCSTR lpSrc, LPSTR lpDst, DWORD nSize) {
  return Expand(lpSrc, lpDst, nSize, LookupNarrow);
}

DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) {
  return Expand(lpSrc, lpDst, nSize, LookupWide);
}

}  // extern "C"
