// A big-endian reader over the bytes of a font file. Every read is checked against the end of
// the data: reading past it throws FontFileError with "Font file is too short.", so a truncated
// or hostile file can never make the reader touch memory outside the file.
#pragma once

#include <cstdint>
#include <span>

// A load failure with its message (a text of static storage).
struct FontFileError {
  const char* mMessage;
};

inline constexpr const char* kFontTooShort = "Font file is too short.";

class TrueTypeReader {
 public:
  explicit TrueTypeReader(std::span<const uint8_t> inData) : mData(inData) {}

  uint32_t Tell() const { return mPos; }
  uint32_t Size() const { return static_cast<uint32_t>(mData.size()); }
  uint32_t Remaining() const { return Size() - mPos; }
  // Moves to inPosition; a position past the end fails.
  void Seek(uint64_t inPosition) {
    if (inPosition > mData.size()) throw FontFileError{kFontTooShort};
    mPos = static_cast<uint32_t>(inPosition);
  }
  void Skip(uint64_t inCount) { Seek(uint64_t{mPos} + inCount); }
  // Fails unless inCount bytes remain.
  void Require(uint64_t inCount) const {
    if (inCount > Remaining()) throw FontFileError{kFontTooShort};
  }

  uint8_t U8() {
    Require(1);
    return mData[mPos++];
  }
  uint16_t U16() {
    Require(2);
    const uint16_t theValue = static_cast<uint16_t>((mData[mPos] << 8) | mData[mPos + 1]);
    mPos += 2;
    return theValue;
  }
  int16_t S16() { return static_cast<int16_t>(U16()); }
  uint32_t U32() {
    Require(4);
    const uint32_t theValue = (uint32_t{mData[mPos]} << 24) | (uint32_t{mData[mPos + 1]} << 16) |
                              (uint32_t{mData[mPos + 2]} << 8) | uint32_t{mData[mPos + 3]};
    mPos += 4;
    return theValue;
  }
  int32_t S32() { return static_cast<int32_t>(U32()); }
  // inCount bytes at the position, moving past them.
  std::span<const uint8_t> Bytes(uint32_t inCount) {
    Require(inCount);
    std::span<const uint8_t> theBytes = mData.subspan(mPos, inCount);
    mPos += inCount;
    return theBytes;
  }

 private:
  std::span<const uint8_t> mData;
  uint32_t mPos = 0;
};
