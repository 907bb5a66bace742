// Locale-free text of numbers as PDF files need it. Every routine here writes the same bytes
// whatever locale the host process has set, so a decimal comma never reaches a PDF file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Room for the longest text any routine below produces (a finite double in fixed notation with
// six decimals has at most 309 integer digits, a sign, a point and six digits).
inline constexpr size_t kRealTextMax = 330;

// "%ld" / "%lu": the decimal text of inValue into outBuffer (at least 21 bytes); returns its length.
size_t FormatInteger(int64_t inValue, char* outBuffer);
size_t FormatUnsigned(uint64_t inValue, char* outBuffer);

// "%lf": six digits after the point, never shortened (0.500000, -12.250000). A value that is not
// finite has no PDF form and is written as 0.000000. outBuffer holds kRealTextMax bytes.
size_t FormatFixed6(double inValue, char* outBuffer);

// The text of a real in generated content: "%.4f" with trailing zeros and then a trailing point
// removed, the first character always kept; an infinite (or not-a-number) value is written as 0.
// The result lives in outBuffer; when outBuffer cannot hold the text the result is "0" (as long as
// outBuffer has room for one byte) and an assertion is reported.
std::string_view FormatReal(double inValue, std::span<char> outBuffer);

// The same, as a string.
std::string FormatReal(double inValue);
