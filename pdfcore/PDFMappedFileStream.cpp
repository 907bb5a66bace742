#include "pdfcore/PDFMappedFileStream.h"

#include <cstring>

#include "runtime/Assert.h"

PDFMappedFileStream::~PDFMappedFileStream() { Close(); }

int PDFMappedFileStream::Fail(const char* inText) {
  Close();
  std::strncpy(mError, inText, kErrorSize - 1);
  mError[kErrorSize - 1] = 0;
  return 1;
}

int PDFMappedFileStream::Open(const WCHAR* inPath) {
  Close();
  mError[0] = 0;
  HANDLE theFile = inPath == nullptr
                       ? INVALID_HANDLE_VALUE
                       : CreateFileW(inPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (theFile == INVALID_HANDLE_VALUE) return Fail("Unable to read file.");
  return MapHandle(theFile);
}

int PDFMappedFileStream::MapHandle(HANDLE inFile) {
  Close();
  mError[0] = 0;
  if (inFile == INVALID_HANDLE_VALUE || inFile == nullptr) return Fail("File handle invalid.");
  mFile = inFile;
  DWORD theHigh = 0;
  SetLastError(NO_ERROR);
  const DWORD theSize = GetFileSize(mFile, &theHigh);
  // Positions are 32-bit: a file of 4 GiB or more cannot be viewed whole and is refused.
  if ((theSize == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || theHigh != 0)
    return Fail("Unable to get file size.");
  if (theSize == 0) return Fail("File is empty.");
  mMapping = CreateFileMappingW(mFile, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mMapping == nullptr) return Fail("Unable to create file mapping.");
  mView = static_cast<const uint8_t*>(MapViewOfFile(mMapping, FILE_MAP_READ, 0, 0, 0));
  if (mView == nullptr) return Fail("Unable to map view of file.");
  mPos = 0;
  mLen = theSize;
  return 0;
}

void PDFMappedFileStream::Close() {
  if (mView != nullptr) UnmapViewOfFile(mView);
  if (mMapping != nullptr) CloseHandle(mMapping);
  if (mFile != INVALID_HANDLE_VALUE && mFile != nullptr) CloseHandle(mFile);
  mView = nullptr;
  mMapping = nullptr;
  mFile = INVALID_HANDLE_VALUE;
  mPos = mLen = 0;
}

int PDFMappedFileStream::Peek() {
  if (mView == nullptr || mPos >= mLen) return -1;
  return mView[mPos];
}

int PDFMappedFileStream::Get() {
  if (mView == nullptr || mPos >= mLen) {
    ++mPos;
    return -1;
  }
  return mView[mPos++];
}

uint32_t PDFMappedFileStream::Read(void* outBuffer, uint32_t inCount) {
  if (mView == nullptr || mPos >= mLen || outBuffer == nullptr) return 0;
  const uint32_t theCount = inCount < mLen - mPos ? inCount : mLen - mPos;
  std::memcpy(outBuffer, mView + mPos, theCount);
  mPos += theCount;
  return theCount;
}

bool PDFMappedFileStream::Write(const void*, uint32_t) {
  QX_ASSERT(FALSE);
  return false;
}
