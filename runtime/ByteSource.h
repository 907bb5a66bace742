// A read-only view of bytes with a cursor, shared by the readers of the library (JPEG headers,
// font files). It never owns the bytes and never reads outside start .. start + length.
#pragma once

#include <cstdint>
#include <span>

class ByteSource {
 public:
  ByteSource() = default;
  ByteSource(const uint8_t* inStart, uint32_t inLength) { SetSource(inStart, inLength); }
  virtual ~ByteSource() = default;

  // Views inLength bytes from inStart (none when inStart is null) with the cursor at the start.
  void SetSource(const uint8_t* inStart, uint32_t inLength) {
    mStart = inStart;
    mLength = inStart ? inLength : 0;
    mCursor = 0;
  }
  // The next byte as 0 to 255, or -1 at the end.
  int ReadByte() { return mCursor < mLength ? mStart[mCursor++] : -1; }
  // Puts the cursor at min(inPosition, length).
  void Seek(uint32_t inPosition) { mCursor = inPosition < mLength ? inPosition : mLength; }
  uint32_t Tell() const { return mCursor; }

  const uint8_t* GetStart() const { return mStart; }
  uint32_t GetLength() const { return mLength; }
  std::span<const uint8_t> GetBytes() const { return {mStart, mLength}; }

 protected:
  const uint8_t* mStart = nullptr;
  uint32_t mCursor = 0;
  uint32_t mLength = 0;
};
