#include "pdfcore/PDFMemoryStream.h"

#include <cstring>
#include <new>

#include "runtime/Assert.h"

namespace {

std::unique_ptr<uint8_t[]> AllocateZeroed(uint32_t inSize) {
  try {
    return std::make_unique<uint8_t[]>(inSize);  // value-initialised: zero-filled
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

PDFMemoryStream::PDFMemoryStream() { Reset(); }

int PDFMemoryStream::Peek() {
  if (mPtr == nullptr || mPos >= mLen) return -1;
  return mPtr[mPos];
}

int PDFMemoryStream::Get() {
  if (mPtr == nullptr || mPos >= mLen) {
    ++mPos;
    return -1;
  }
  return mPtr[mPos++];
}

bool PDFMemoryStream::Put(uint8_t inByte) {
  if (mBlock && mPos < mSize) {
    mBlock[mPos++] = inByte;
    if (mPos > mLen) mLen = mPos;
    return true;
  }
  return Write(&inByte, 1);
}

const uint8_t* PDFMemoryStream::GetData() { return mPtr; }

uint32_t PDFMemoryStream::Read(void* outBuffer, uint32_t inCount) {
  if (mPtr == nullptr || mPos >= mLen || outBuffer == nullptr) return 0;
  const uint32_t theCount = inCount < mLen - mPos ? inCount : mLen - mPos;
  std::memcpy(outBuffer, mPtr + mPos, theCount);
  mPos += theCount;
  return theCount;
}

bool PDFMemoryStream::Grow(uint64_t inNeeded) {
  if (inNeeded > UINT32_MAX) return false;
  uint64_t theNewSize = mSize ? mSize : kInitialSize;
  while (theNewSize < inNeeded) theNewSize *= 2;
  if (theNewSize > UINT32_MAX) theNewSize = UINT32_MAX;
  auto theBlock = AllocateZeroed(static_cast<uint32_t>(theNewSize));
  if (!theBlock) return false;
  QX_ASSERT(theNewSize >= mLen);
  if (mPtr && mLen) std::memcpy(theBlock.get(), mPtr, mLen);
  mBlock = std::move(theBlock);
  mPtr = mBlock.get();
  mSize = static_cast<uint32_t>(theNewSize);
  return true;
}

bool PDFMemoryStream::Write(const void* inBuffer, uint32_t inCount) {
  if (inCount == 0) return true;
  if (inBuffer == nullptr) return false;
  const uint64_t theEnd = static_cast<uint64_t>(mPos) + inCount;
  // Bytes attached from a caller are never written over: the first write copies them.
  if ((theEnd > mSize || !mBlock) && !Grow(theEnd)) return false;
  QX_ASSERT(mPtr);
  std::memcpy(mBlock.get() + mPos, inBuffer, inCount);
  mPos = static_cast<uint32_t>(theEnd);
  if (mPos > mLen) mLen = mPos;
  QX_ASSERT(mLen <= mSize);
  return true;
}

void PDFMemoryStream::Reset() {
  Free();
  mBlock = AllocateZeroed(kInitialSize);
  mPtr = mBlock.get();
  mSize = mBlock ? kInitialSize : 0;
}

void PDFMemoryStream::Attach(const uint8_t* inData, uint32_t inLength) {
  Free();
  mPtr = inData;
  mLen = inData ? inLength : 0;
  mSize = mLen;
}

std::unique_ptr<uint8_t[]> PDFMemoryStream::Forget() {
  std::unique_ptr<uint8_t[]> theBlock = std::move(mBlock);
  mPtr = nullptr;
  mPos = mLen = mSize = 0;
  return theBlock;
}

void PDFMemoryStream::Free() {
  mBlock.reset();
  mPtr = nullptr;
  mPos = mLen = mSize = 0;
}
