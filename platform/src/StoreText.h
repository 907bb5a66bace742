// Text helpers of the registry store and the event log: UTF-8 / UTF-16 conversion and the case
// folding under which registry names compare.
#pragma once

#include <string>
#include <string_view>

namespace qxstore {

// Converts UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view inText);

// Converts UTF-8 to UTF-16. Each byte that does not start a well-formed sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view inText);

// The form under which two names are equal without regard to case: each character upper-cased
// (ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters), as UTF-8.
std::string FoldName(std::u16string_view inName);

// The length of a terminated wide string.
std::u16string_view WideView(const char16_t* inText);

}  // namespace qxstore
