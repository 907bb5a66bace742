// A write-only file with a 64 KiB buffer, used to save documents. A single write larger than the
// buffer goes straight through to the file.
#pragma once

#include <memory>

#include "pdfcore/PDFFileStream.h"

class PDFBufferedFileStream : public PDFFileStream {
 public:
  static constexpr uint32_t kBufferSize = 65536;

  explicit PDFBufferedFileStream(int inMode = kModeOpenAlways);
  // Flushes, then closes the file.
  ~PDFBufferedFileStream() override;

  // Writes the buffered bytes through the file (when it is open) and empties the buffer.
  bool Flush();

  // Bytes written to the file plus bytes buffered.
  uint32_t GetPosition() override { return mWritten + mDataLen; }
  uint32_t GetLength() override { return mWritten + mDataLen; }
  bool Put(uint8_t inByte) override;
  bool Write(const void* inBuffer, uint32_t inCount) override;

  uint32_t GetBufferedCount() const { return mDataLen; }

 protected:
  bool FlushPending() override { return Flush(); }

 private:
  uint32_t mDataLen = 0;
  uint32_t mDataSize = kBufferSize;
  std::unique_ptr<uint8_t[]> mData;
};
