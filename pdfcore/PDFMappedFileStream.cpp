#include "pdfcore/PDFMappedFileStream.h"

#include <cstring>

#include "runtime/Assert.h"

PDFMappedFileStream::~PDFMappedFileStream() { Close(); }

int PDFMappedFileStream::Open(const WCHAR* inPath) {
  mPos = 0;
  return mFile.Open(inPath) ? 0 : 1;
}

int PDFMappedFileStream::MapHandle(HANDLE inFile) {
  mPos = 0;
  return mFile.OpenHandle(inFile) ? 0 : 1;
}

void PDFMappedFileStream::Close() {
  mFile.Close();
  mPos = 0;
}

int PDFMappedFileStream::Peek() {
  if (!mFile.IsOpen() || mPos >= mFile.GetLength()) return -1;
  return mFile.GetStart()[mPos];
}

int PDFMappedFileStream::Get() {
  if (!mFile.IsOpen() || mPos >= mFile.GetLength()) {
    ++mPos;
    return -1;
  }
  return mFile.GetStart()[mPos++];
}

uint32_t PDFMappedFileStream::Read(void* outBuffer, uint32_t inCount) {
  const uint32_t theLength = mFile.GetLength();
  if (!mFile.IsOpen() || mPos >= theLength || outBuffer == nullptr) return 0;
  const uint32_t theCount = inCount < theLength - mPos ? inCount : theLength - mPos;
  std::memcpy(outBuffer, mFile.GetStart() + mPos, theCount);
  mPos += theCount;
  return theCount;
}

bool PDFMappedFileStream::Write(const void*, uint32_t) {
  QX_ASSERT(FALSE);
  return false;
}
