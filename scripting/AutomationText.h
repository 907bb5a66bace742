// Text crossing the Automation boundary of the value classes: a BSTR read as text in the system's
// 8-bit code page, and a text form handed back as a new BSTR.
#pragma once

#include <oaidl.h>

#include <string>
#include <string_view>

class AutomationText {
 public:
  // inText converted to the system's 8-bit code page, up to its first zero character (a null
  // BSTR is the empty text). Out of memory throws ComError(E_OUTOFMEMORY).
  static std::string ToAnsi(BSTR inText);
  // A new BSTR holding inText (plain ASCII: digits, signs, points, spaces). Out of memory throws
  // ComError(E_OUTOFMEMORY).
  static BSTR ToBstr(std::string_view inText);
};
