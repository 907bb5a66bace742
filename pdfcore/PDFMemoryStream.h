// A growable memory buffer: builds PDF text, holds data given by a caller and the bytes of a
// document saved to memory. It starts with 256 zero bytes and doubles its capacity as it grows.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pdfcore/PDFStream.h"

class PDFMemoryStream : public PDFStream {
 public:
  static constexpr uint32_t kInitialSize = 256;

  PDFMemoryStream();
  ~PDFMemoryStream() override = default;

  int Peek() override;
  // At or past the end: -1, and the position still moves one forward.
  int Get() override;
  bool Put(uint8_t inByte) override;
  const uint8_t* GetData() override;
  uint32_t GetPosition() override { return mPos; }
  // Any position is accepted; writing past the end leaves zero bytes in the gap.
  void SetPosition(uint32_t inPosition) override { mPos = inPosition; }
  uint32_t GetLength() override { return mLen; }
  uint32_t Read(void* outBuffer, uint32_t inCount) override;
  // Fails, changing nothing, when the buffer cannot grow to hold the bytes.
  bool Write(const void* inBuffer, uint32_t inCount) override;

  // Frees, then starts again with a fresh 256-byte buffer.
  void Reset();
  // Frees, then reads the caller's bytes in place without owning them: position 0, length and
  // capacity inLength. The first write moves the bytes into a buffer of the stream's own, so
  // the caller's bytes are never changed.
  void Attach(const uint8_t* inData, uint32_t inLength);
  // Hands the owned buffer to the caller (null when the bytes were attached) and zeroes buffer,
  // position, length and capacity.
  [[nodiscard]] std::unique_ptr<uint8_t[]> Forget();
  // Frees an owned buffer and zeroes every field.
  void Free();

  uint32_t GetCapacity() const { return mSize; }
  bool GetOwnsBuffer() const { return mBlock != nullptr; }
  // The valid bytes, position aside.
  std::string_view GetView() const {
    return mPtr ? std::string_view(reinterpret_cast<const char*>(mPtr), mLen) : std::string_view();
  }

 private:
  bool Grow(uint64_t inNeeded);

  std::unique_ptr<uint8_t[]> mBlock;  // the owned buffer, or null when attached or freed
  const uint8_t* mPtr = nullptr;      // the bytes: mBlock, or the attached buffer
  uint32_t mPos = 0;
  uint32_t mLen = 0;
  uint32_t mSize = 0;
};
