// UTF-8/UTF-16 conversion of paths and the Windows form of errors, times and attributes.
#include "PathText.h"

#include <errhandlingapi.h>
#include <fileapi.h>
#include <winerror.h>

#include <cerrno>

namespace qxfile {

std::optional<std::string> PathText::WideToUtf8(LPCWSTR inPath) {
  if (inPath == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  std::string theText;
  for (size_t theIndex = 0;; ++theIndex) {
    if (theIndex > kMaxPathUnits) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return std::nullopt;
    }
    const char16_t theUnit = inPath[theIndex];
    if (theUnit == 0) break;
    char32_t theCode = theUnit;
    if (theUnit >= 0xD800 && theUnit <= 0xDBFF) {
      const char16_t theLow = inPath[theIndex + 1];  // the terminator at worst
      if (theLow < 0xDC00 || theLow > 0xDFFF) {
        SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
      }
      theCode = 0x10000 + ((static_cast<char32_t>(theUnit) - 0xD800) << 10) + (theLow - 0xDC00);
      ++theIndex;
    } else if (theUnit >= 0xDC00 && theUnit <= 0xDFFF) {
      SetLastError(ERROR_INVALID_NAME);
      return std::nullopt;
    }
    AppendUtf8(theCode, theText);
  }
  return theText;
}

std::optional<std::string> PathText::NarrowPath(LPCSTR inPath) {
  if (inPath == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  size_t theLength = 0;
  while (inPath[theLength] != 0) {
    if (++theLength > kMaxPathUnits) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return std::nullopt;
    }
  }
  return std::string(inPath, theLength);
}

bool PathText::DecodeUtf8(std::string_view inText, size_t& ioPos, char32_t& outCode) {
  const size_t theAvailable = inText.size() - ioPos;
  if (theAvailable == 0) return false;
  const auto theLead = static_cast<unsigned char>(inText[ioPos]);
  size_t theCount = 0;
  char32_t theCode = 0;
  char32_t theMinimum = 0;
  if (theLead < 0x80) {
    outCode = theLead;
    ++ioPos;
    return true;
  } else if ((theLead & 0xE0) == 0xC0) {
    theCount = 2, theCode = theLead & 0x1F, theMinimum = 0x80;
  } else if ((theLead & 0xF0) == 0xE0) {
    theCount = 3, theCode = theLead & 0x0F, theMinimum = 0x800;
  } else if ((theLead & 0xF8) == 0xF0) {
    theCount = 4, theCode = theLead & 0x07, theMinimum = 0x10000;
  } else {
    return false;
  }
  if (theAvailable < theCount) return false;
  for (size_t theIndex = 1; theIndex < theCount; ++theIndex) {
    const auto theByte = static_cast<unsigned char>(inText[ioPos + theIndex]);
    if ((theByte & 0xC0) != 0x80) return false;
    theCode = (theCode << 6) | (theByte & 0x3F);
  }
  if (theCode < theMinimum || theCode > 0x10FFFF || (theCode >= 0xD800 && theCode <= 0xDFFF)) return false;
  outCode = theCode;
  ioPos += theCount;
  return true;
}

namespace {

void AppendUtf16(char32_t inCode, std::u16string& ioText) {
  if (inCode < 0x10000) {
    ioText.push_back(static_cast<char16_t>(inCode));
  } else {
    ioText.push_back(static_cast<char16_t>(0xD800 + ((inCode - 0x10000) >> 10)));
    ioText.push_back(static_cast<char16_t>(0xDC00 + ((inCode - 0x10000) & 0x3FF)));
  }
}

}  // namespace

bool PathText::Utf8ToUtf16(std::string_view inText, std::u16string& outText) {
  size_t thePos = 0;
  while (thePos < inText.size()) {
    char32_t theCode = 0;
    if (!DecodeUtf8(inText, thePos, theCode)) return false;
    AppendUtf16(theCode, outText);
  }
  return true;
}

std::u16string PathText::Utf8ToUtf16Lenient(std::string_view inText) {
  std::u16string theText;
  size_t thePos = 0;
  while (thePos < inText.size()) {
    char32_t theCode = 0;
    if (!DecodeUtf8(inText, thePos, theCode)) {
      theCode = 0xFFFD;
      ++thePos;
    }
    AppendUtf16(theCode, theText);
  }
  return theText;
}

void PathText::AppendUtf8(char32_t inCode, std::string& ioText) {
  if (inCode < 0x80) {
    ioText.push_back(static_cast<char>(inCode));
  } else if (inCode < 0x800) {
    ioText.push_back(static_cast<char>(0xC0 | (inCode >> 6)));
    ioText.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
  } else if (inCode < 0x10000) {
    ioText.push_back(static_cast<char>(0xE0 | (inCode >> 12)));
    ioText.push_back(static_cast<char>(0x80 | ((inCode >> 6) & 0x3F)));
    ioText.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
  } else {
    ioText.push_back(static_cast<char>(0xF0 | (inCode >> 18)));
    ioText.push_back(static_cast<char>(0x80 | ((inCode >> 12) & 0x3F)));
    ioText.push_back(static_cast<char>(0x80 | ((inCode >> 6) & 0x3F)));
    ioText.push_back(static_cast<char>(0x80 | (inCode & 0x3F)));
  }
}

DWORD PathText::MissingPathError(std::string_view inPath) {
  // The folder part: everything before the last "/" once trailing slashes are set aside.
  std::string_view thePath = inPath;
  while (thePath.size() > 1 && thePath.back() == '/') thePath.remove_suffix(1);
  const size_t theSlash = thePath.rfind('/');
  std::string theFolder;
  if (theSlash == std::string_view::npos) {
    theFolder = ".";
  } else if (theSlash == 0) {
    theFolder = "/";
  } else {
    theFolder = std::string(thePath.substr(0, theSlash));
  }
  struct stat theStat {};
  if (::stat(theFolder.c_str(), &theStat) == 0 && S_ISDIR(theStat.st_mode)) return ERROR_FILE_NOT_FOUND;
  return ERROR_PATH_NOT_FOUND;
}

DWORD PathText::PathError(std::string_view inPath, int inErrno) {
  if (inErrno == ENOENT) return inPath.empty() ? ERROR_PATH_NOT_FOUND : MissingPathError(inPath);
  return QxWin32ErrorFromErrno(inErrno);
}

FILETIME PathText::ToFileTime(const timespec& inTime) {
  constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
  FILETIME theTime{0, 0};
  if (inTime.tv_sec < -kSecondsFrom1601To1970) return theTime;
  const uint64_t theTicks = static_cast<uint64_t>(inTime.tv_sec + kSecondsFrom1601To1970) * 10000000ULL +
                            static_cast<uint64_t>(inTime.tv_nsec) / 100;
  theTime.dwLowDateTime = static_cast<DWORD>(theTicks);
  theTime.dwHighDateTime = static_cast<DWORD>(theTicks >> 32);
  return theTime;
}

DWORD PathText::AttributesOf(mode_t inMode) {
  DWORD theAttributes = 0;
  if (S_ISDIR(inMode)) theAttributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (S_ISCHR(inMode) || S_ISBLK(inMode) || S_ISFIFO(inMode) || S_ISSOCK(inMode))
    theAttributes |= FILE_ATTRIBUTE_DEVICE;
  if ((inMode & S_IWUSR) == 0) theAttributes |= FILE_ATTRIBUTE_READONLY;
  return theAttributes == 0 ? FILE_ATTRIBUTE_NORMAL : theAttributes;
}

}  // namespace qxfile
