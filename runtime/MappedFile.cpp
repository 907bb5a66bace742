#include "runtime/MappedFile.h"

#include <cstring>

MappedFile::~MappedFile() { Close(); }

bool MappedFile::Fail(const char* inText) {
  Close();
  std::strncpy(mMessage, inText, kMessageSize - 1);
  mMessage[kMessageSize - 1] = 0;
  return false;
}

bool MappedFile::Open(const WCHAR* inPath) {
  Close();
  mMessage[0] = 0;
  HANDLE theFile = inPath == nullptr
                       ? INVALID_HANDLE_VALUE
                       : CreateFileW(inPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (theFile == INVALID_HANDLE_VALUE) return Fail("Unable to read file.");
  return OpenHandle(theFile);
}

bool MappedFile::OpenHandle(HANDLE inFile) {
  Close();
  mMessage[0] = 0;
  if (inFile == INVALID_HANDLE_VALUE || inFile == nullptr) return Fail("File handle invalid.");
  mFile = inFile;
  DWORD theHigh = 0;
  SetLastError(NO_ERROR);
  const DWORD theSize = GetFileSize(mFile, &theHigh);
  // Positions are 32-bit. A file of 4 GiB or more is refused rather than viewed by the low
  // 32 bits of its size, which would show a truncated file as if it were whole.
  if ((theSize == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || theHigh != 0)
    return Fail("Unable to get file size.");
  if (theSize == 0) return Fail("File is empty.");
  mMapping = CreateFileMappingW(mFile, nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (mMapping == nullptr) return Fail("Unable to create file mapping.");
  mView = static_cast<const uint8_t*>(MapViewOfFile(mMapping, FILE_MAP_READ, 0, 0, 0));
  if (mView == nullptr) return Fail("Unable to map view of file.");
  SetSource(mView, theSize);
  return true;
}

void MappedFile::Close() {
  if (mView != nullptr) UnmapViewOfFile(mView);
  if (mMapping != nullptr) CloseHandle(mMapping);
  if (mFile != INVALID_HANDLE_VALUE && mFile != nullptr) CloseHandle(mFile);
  mView = nullptr;
  mMapping = nullptr;
  mFile = INVALID_HANDLE_VALUE;
  SetSource(nullptr, 0);
}
