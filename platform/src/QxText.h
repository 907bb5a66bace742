// Private text helpers of the substitute layer: UTF-16 <-> UTF-8 and case-insensitive comparison.
#pragma once

#include <string>
#include <string_view>

#include <oleauto.h>

namespace qx {

std::string ToUtf8(std::u16string_view inText);
std::u16string ToUtf16(std::string_view inText);

inline std::u16string_view View(const OLECHAR* inText) {
  return inText != nullptr ? std::u16string_view(inText) : std::u16string_view();
}
inline std::u16string_view View(BSTR inText, bool) {
  return inText != nullptr ? std::u16string_view(inText, SysStringLen(inText)) : std::u16string_view();
}

// Compares without regard to case, as Automation name lookup does (ASCII and Latin-1 letters).
bool EqualsNoCase(std::u16string_view inA, std::u16string_view inB);

BSTR AllocBstr(std::u16string_view inText);

}  // namespace qx
