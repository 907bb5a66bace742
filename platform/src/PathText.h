// Text helpers of the file calls: UTF-16 paths to UTF-8 and back, the Windows error for a missing
// path, and file times and attributes in Windows form.
#pragma once

#include <windef.h>

#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <time.h>

namespace qxfile {

class PathText {
 public:
  // The longest path accepted, in UTF-16 units or bytes, as on Windows.
  static constexpr size_t kMaxPathUnits = 32767;

  // A null-terminated UTF-16 path as UTF-8. On failure sets the last error (87 null, 123 unpaired
  // surrogate, 206 too long) and returns nothing.
  static std::optional<std::string> WideToUtf8(LPCWSTR inPath);

  // A null-terminated UTF-8 path, read at most kMaxPathUnits + 1 bytes far; fails as WideToUtf8.
  static std::optional<std::string> NarrowPath(LPCSTR inPath);

  // Decodes one code point at ioPos; false (ioPos unchanged) at an invalid or overlong sequence.
  static bool DecodeUtf8(std::string_view inText, size_t& ioPos, char32_t& outCode);

  // Appends inText as UTF-16; false at the first invalid sequence (outText is then incomplete).
  static bool Utf8ToUtf16(std::string_view inText, std::u16string& outText);

  // As Utf8ToUtf16, with U+FFFD in place of invalid sequences.
  static std::u16string Utf8ToUtf16Lenient(std::string_view inText);

  // Appends one code point as UTF-8.
  static void AppendUtf8(char32_t inCode, std::string& ioText);

  // The Windows error for a path that POSIX reported missing (ENOENT): 2 when the folder that would
  // hold it exists, 3 when it does not.
  static DWORD MissingPathError(std::string_view inPath);

  // The Windows error for errno inErrno from an operation on inPath (ENOENT resolved as above).
  static DWORD PathError(std::string_view inPath, int inErrno);

  // A POSIX time as 100-nanosecond intervals since 1 January 1601.
  static FILETIME ToFileTime(const timespec& inTime);

  // The Windows attributes of a file of mode inMode.
  static DWORD AttributesOf(mode_t inMode);
};

}  // namespace qxfile
