// MultiByteToWideChar and WideCharToMultiByte for code page 1252 (the ANSI code page here) and
// UTF-8, with Windows' argument checks, size queries, error codes and 1252 best-fit behaviour.
#include <errhandlingapi.h>
#include <stringapiset.h>
#include <winerror.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <span>
#include <string_view>

namespace {

constexpr UINT kCodePage1252 = 1252;
constexpr char16_t kReplacementChar = 0xFFFD;

// A row of the UTF-16 to code page 1252 table: a code unit and the byte written for it.
struct Cp1252Row {
  char16_t mWide;
  unsigned char mByte;
};

// kCp1252ToWide (each byte's code unit) and kCp1252FromWide (the byte for each code unit that has
// one, exact or best fit), generated from Microsoft's published table of code page 1252 so that
// both directions give the bytes and characters Windows gives. The five bytes that name no
// character (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 control of the same value, so every
// byte decodes and converts back.
#include "Cp1252Table.inc"

static_assert(std::ranges::is_sorted(kCp1252FromWide, {}, &Cp1252Row::mWide),
              "the UTF-16 to 1252 table must be sorted for binary search");

char16_t Decode1252(unsigned char inByte) { return kCp1252ToWide[inByte]; }

// RETURNS: the byte written for a code unit, or -1 when the default character stands for it.
// Without best fit only a byte that decodes back to the same code unit is written: a best-fit
// row (U+0100 as "A") would not survive the round trip.
constexpr int Encode1252(char16_t inUnit, bool inBestFit) {
  const auto theFound = std::ranges::lower_bound(kCp1252FromWide, inUnit, {}, &Cp1252Row::mWide);
  if (theFound == std::end(kCp1252FromWide) || theFound->mWide != inUnit) return -1;
  if (!inBestFit && kCp1252ToWide[theFound->mByte] != inUnit) return -1;
  return theFound->mByte;
}

constexpr bool EveryByteRoundTrips() {
  for (int theByte = 0; theByte < 256; ++theByte) {
    if (Encode1252(kCp1252ToWide[theByte], false) != theByte) return false;
  }
  return true;
}
static_assert(EveryByteRoundTrips(), "every 1252 byte must convert back to itself");

// Collects the output of a conversion: writes what fits into the caller's buffer and counts all
// of it, so the same pass answers size queries. A null buffer means "count only".
template <typename TUnit>
class OutputSink {
 public:
  OutputSink(TUnit* inBuffer, int inCapacity)
      : mBuffer(inBuffer), mCapacity(static_cast<size_t>(inCapacity)) {}

  void Put(TUnit inUnit) {
    if (mBuffer != nullptr && mCount < mCapacity) mBuffer[mCount] = inUnit;
    ++mCount;
  }

  // True once the conversion cannot succeed any more: the buffer is full or the count no longer
  // fits the int the functions return.
  bool Failed() const {
    return (mBuffer != nullptr && mCount > mCapacity) || mCount > static_cast<size_t>(INT_MAX);
  }

  // RETURNS: the count for the caller, or 0 with ERROR_INSUFFICIENT_BUFFER.
  int Finish() const {
    if (Failed()) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    return static_cast<int>(mCount);
  }

 private:
  TUnit* mBuffer;
  size_t mCapacity;
  size_t mCount = 0;
};

void PutCodePoint(OutputSink<WCHAR>& ioSink, char32_t inCodePoint) {
  if (inCodePoint >= 0x10000) {
    const char32_t theOffset = inCodePoint - 0x10000;
    ioSink.Put(static_cast<WCHAR>(0xD800 + (theOffset >> 10)));
    ioSink.Put(static_cast<WCHAR>(0xDC00 + (theOffset & 0x3FF)));
  } else {
    ioSink.Put(static_cast<WCHAR>(inCodePoint));
  }
}

// Decodes UTF-8. Each maximal ill-formed part (a byte that cannot start a sequence, or the valid
// start of a sequence cut short) becomes one U+FFFD, as Unicode recommends.
// RETURNS: false when the input is ill-formed and inStrict is set.
bool DecodeUtf8(std::span<const unsigned char> inBytes, bool inStrict, OutputSink<WCHAR>& ioSink) {
  size_t theIndex = 0;
  while (theIndex < inBytes.size() && !ioSink.Failed()) {
    const unsigned char theLead = inBytes[theIndex];
    if (theLead < 0x80) {
      ioSink.Put(theLead);
      ++theIndex;
      continue;
    }
    int theTrailCount = 0;
    unsigned char theLow = 0x80;
    unsigned char theHigh = 0xBF;
    char32_t theCodePoint = 0;
    if (theLead >= 0xC2 && theLead <= 0xDF) {
      theTrailCount = 1;
      theCodePoint = theLead & 0x1F;
    } else if (theLead >= 0xE0 && theLead <= 0xEF) {
      theTrailCount = 2;
      theCodePoint = theLead & 0x0F;
      if (theLead == 0xE0) theLow = 0xA0;   // no overlong forms
      if (theLead == 0xED) theHigh = 0x9F;  // no encoded surrogates
    } else if (theLead >= 0xF0 && theLead <= 0xF4) {
      theTrailCount = 3;
      theCodePoint = theLead & 0x07;
      if (theLead == 0xF0) theLow = 0x90;   // no overlong forms
      if (theLead == 0xF4) theHigh = 0x8F;  // nothing above U+10FFFF
    }
    size_t theNext = theIndex + 1;
    bool theValid = theTrailCount > 0;
    for (int theTrail = 0; theValid && theTrail < theTrailCount; ++theTrail) {
      if (theNext >= inBytes.size() || inBytes[theNext] < theLow || inBytes[theNext] > theHigh) {
        theValid = false;
        break;
      }
      theCodePoint = (theCodePoint << 6) | (inBytes[theNext] & 0x3F);
      ++theNext;
      theLow = 0x80;
      theHigh = 0xBF;
    }
    if (!theValid) {
      if (inStrict) return false;
      ioSink.Put(kReplacementChar);
    } else {
      PutCodePoint(ioSink, theCodePoint);
    }
    theIndex = theNext;
  }
  return true;
}

// Encodes UTF-16 as UTF-8. An unpaired surrogate becomes U+FFFD.
// RETURNS: false when an unpaired surrogate is met and inStrict is set.
bool EncodeUtf8(std::u16string_view inWide, bool inStrict, OutputSink<CHAR>& ioSink) {
  auto thePut = [&ioSink](unsigned inByte) { ioSink.Put(static_cast<CHAR>(inByte)); };
  for (size_t theIndex = 0; theIndex < inWide.size() && !ioSink.Failed(); ++theIndex) {
    char32_t theCodePoint = inWide[theIndex];
    if (theCodePoint >= 0xD800 && theCodePoint <= 0xDFFF) {
      const bool thePaired = theCodePoint <= 0xDBFF && theIndex + 1 < inWide.size() &&
                             inWide[theIndex + 1] >= 0xDC00 && inWide[theIndex + 1] <= 0xDFFF;
      if (thePaired) {
        theCodePoint = 0x10000 + ((theCodePoint - 0xD800) << 10) + (inWide[theIndex + 1] - 0xDC00);
        ++theIndex;
      } else {
        if (inStrict) return false;
        theCodePoint = kReplacementChar;
      }
    }
    if (theCodePoint < 0x80) {
      thePut(theCodePoint);
    } else if (theCodePoint < 0x800) {
      thePut(0xC0 | (theCodePoint >> 6));
      thePut(0x80 | (theCodePoint & 0x3F));
    } else if (theCodePoint < 0x10000) {
      thePut(0xE0 | (theCodePoint >> 12));
      thePut(0x80 | ((theCodePoint >> 6) & 0x3F));
      thePut(0x80 | (theCodePoint & 0x3F));
    } else {
      thePut(0xF0 | (theCodePoint >> 18));
      thePut(0x80 | ((theCodePoint >> 12) & 0x3F));
      thePut(0x80 | ((theCodePoint >> 6) & 0x3F));
      thePut(0x80 | (theCodePoint & 0x3F));
    }
  }
  return true;
}

// RETURNS: 1252 or CP_UTF8 for the code pages converted here, 0 for any other.
UINT ResolveCodePage(UINT inCodePage) {
  if (inCodePage == CP_ACP || inCodePage == kCodePage1252) return kCodePage1252;
  if (inCodePage == CP_UTF8) return CP_UTF8;
  return 0;
}

int Fail(DWORD inError) {
  SetLastError(inError);
  return 0;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT inCodePage, DWORD inFlags, LPCCH inText, int inTextSize,
                               LPWSTR outWide, int inWideSize) {
  if (inText == nullptr || inTextSize == 0 || inWideSize < 0 ||
      (inWideSize > 0 && outWide == nullptr) ||
      static_cast<const void*>(inText) == static_cast<const void*>(outWide)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const UINT theCodePage = ResolveCodePage(inCodePage);
  if (theCodePage == 0) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD theAllowedFlags =
      theCodePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : (MB_PRECOMPOSED | MB_ERR_INVALID_CHARS);
  if ((inFlags & ~theAllowedFlags) != 0) return Fail(ERROR_INVALID_FLAGS);

  // Any negative size (not only -1) means a zero-terminated string, as on Windows; the terminator
  // then belongs to the input, so it is converted and counted like any byte.
  const size_t theLength = inTextSize < 0 ? std::char_traits<char>::length(inText) + 1
                                           : static_cast<size_t>(inTextSize);
  const std::span<const unsigned char> theBytes(reinterpret_cast<const unsigned char*>(inText),
                                                theLength);
  OutputSink<WCHAR> theSink(inWideSize == 0 ? nullptr : outWide, inWideSize);
  if (theCodePage == CP_UTF8) {
    if (!DecodeUtf8(theBytes, (inFlags & MB_ERR_INVALID_CHARS) != 0, theSink)) {
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    }
  } else {
    for (size_t theIndex = 0; theIndex < theBytes.size() && !theSink.Failed(); ++theIndex) {
      theSink.Put(Decode1252(theBytes[theIndex]));
    }
  }
  return theSink.Finish();
}

int WINAPI WideCharToMultiByte(UINT inCodePage, DWORD inFlags, LPCWCH inWide, int inWideSize,
                               LPSTR outText, int inTextSize, LPCCH inDefaultChar,
                               LPBOOL outUsedDefaultChar) {
  if (inWide == nullptr || inWideSize == 0 || inTextSize < 0 ||
      (inTextSize > 0 && outText == nullptr) ||
      static_cast<const void*>(inWide) == static_cast<const void*>(outText)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const UINT theCodePage = ResolveCodePage(inCodePage);
  if (theCodePage == 0) return Fail(ERROR_INVALID_PARAMETER);
  const DWORD theAllowedFlags =
      theCodePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  if ((inFlags & ~theAllowedFlags) != 0) return Fail(ERROR_INVALID_FLAGS);
  // UTF-8 can write every character, so a default character makes no sense there.
  if (theCodePage == CP_UTF8 && (inDefaultChar != nullptr || outUsedDefaultChar != nullptr)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }

  // As above: any negative size means a zero-terminated string, terminator included.
  const size_t theLength = inWideSize < 0 ? std::char_traits<char16_t>::length(inWide) + 1
                                           : static_cast<size_t>(inWideSize);
  const std::u16string_view theWide(inWide, theLength);
  OutputSink<CHAR> theSink(inTextSize == 0 ? nullptr : outText, inTextSize);
  if (theCodePage == CP_UTF8) {
    if (!EncodeUtf8(theWide, (inFlags & WC_ERR_INVALID_CHARS) != 0, theSink)) {
      return Fail(ERROR_NO_UNICODE_TRANSLATION);
    }
    return theSink.Finish();
  }

  // Code page 1252 converts one UTF-16 code unit at a time, so each half of a surrogate pair
  // becomes a default character of its own.
  const bool theBestFit = (inFlags & WC_NO_BEST_FIT_CHARS) == 0;
  const CHAR theDefault = inDefaultChar != nullptr ? inDefaultChar[0] : '?';
  bool theUsedDefault = false;
  for (size_t theIndex = 0; theIndex < theWide.size() && !theSink.Failed(); ++theIndex) {
    const int theByte = Encode1252(theWide[theIndex], theBestFit);
    if (theByte < 0) {
      theSink.Put(theDefault);
      theUsedDefault = true;
    } else {
      theSink.Put(static_cast<CHAR>(theByte));
    }
  }
  const int theResult = theSink.Finish();
  if (theResult != 0 && outUsedDefaultChar != nullptr) {
    *outUsedDefaultChar = theUsedDefault ? TRUE : FALSE;
  }
  return theResult;
}

UINT WINAPI GetACP() { return kCodePage1252; }
