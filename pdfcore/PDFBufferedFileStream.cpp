#include "pdfcore/PDFBufferedFileStream.h"

#include <cstring>

#include "runtime/Assert.h"

PDFBufferedFileStream::PDFBufferedFileStream(int inMode)
    : PDFFileStream(inMode), mData(std::make_unique_for_overwrite<uint8_t[]>(kBufferSize)) {}

// The buffer is written while this class still exists; the base class then closes the file.
PDFBufferedFileStream::~PDFBufferedFileStream() { Flush(); }

bool PDFBufferedFileStream::Flush() {
  bool theResult = true;
  if (mDataLen > 0 && mFile != INVALID_HANDLE_VALUE) theResult = WriteThrough(mData.get(), mDataLen);
  mDataLen = 0;
  return theResult;
}

bool PDFBufferedFileStream::Put(uint8_t inByte) {
  if (mDataLen < mDataSize) {
    mData[mDataLen++] = inByte;
    return true;
  }
  return Write(&inByte, 1);
}

bool PDFBufferedFileStream::Write(const void* inBuffer, uint32_t inCount) {
  if (inCount == 0) return true;
  if (inBuffer == nullptr) return false;
  bool theResult = true;
  if (static_cast<uint64_t>(mDataLen) + inCount > mDataSize) theResult = Flush();
  if (inCount <= mDataSize - mDataLen) {
    std::memcpy(mData.get() + mDataLen, inBuffer, inCount);
    mDataLen += inCount;
    return theResult;
  }
  // A single write larger than the buffer: nothing is buffered now, so it goes straight through.
  QX_ASSERT(mDataLen == 0);
  return WriteThrough(inBuffer, inCount) && theResult;
}
