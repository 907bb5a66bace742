// Locale-free number text for the value classes: "%ld" and "%.4f" forms, and a scanner that reads
// whitespace-separated fields the way "%ld" and "%lf" scans do in the C locale. A host process may
// run under any locale (a decimal comma, other digit grouping); the text forms must not change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <span>
#include <string_view>

class ValueText {
 public:
  // Appends inValue in decimal, with a minus sign where negative ("%ld").
  static void AppendLong(std::string& ioText, int32_t inValue);
  // Appends inValue with exactly four decimals ("%.4f"); a tiny negative value gives "-0.0000".
  // A value that is not finite (infinite or not a number) is written as 0.0000, so that no text
  // the library writes (content operands among them) ever holds "inf" or "nan".
  static void AppendFixed4(std::string& ioText, double inValue);

  // Reads the whole-number text form of a rectangle, point or colour into outValues: commas count
  // as spaces, the scan stops at the first field that does not begin with a number, and every field
  // not read is 0. A text longer than 255 characters is not read at all, so every field is 0.
  static void ScanLongFields(std::string_view inText, std::span<int32_t> outValues);

  // A scanner over inText; each Scan call reads the next field.
  explicit ValueText(std::string_view inText) : mText(inText) {}

  // Skips whitespace, then reads an optionally signed decimal integer as far as its digits go.
  // A value beyond the 32-bit range is clamped to it. Returns false, leaving outValue and the
  // position unchanged, when the field does not begin with a number.
  bool ScanLong(int32_t& outValue);
  // Skips whitespace, then reads a decimal real number: optional sign, digits with an optional
  // point (at least one digit), and an optional exponent. Overflow gives an infinite value,
  // underflow zero, as strtod gives them. Returns false like ScanLong.
  bool ScanDouble(double& outValue);

  // True at the end of the text or at a zero byte (a C string ends there).
  bool AtEnd() const { return mPosition >= mText.size() || mText[mPosition] == '\0'; }

 private:
  void SkipSpace();

  std::string_view mText;
  size_t mPosition = 0;
};
