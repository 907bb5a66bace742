#include "pdfcore/PDFFileStream.h"

#include "runtime/Assert.h"

PDFFileStream::PDFFileStream(int inMode) : mMode(inMode) {}

PDFFileStream::~PDFFileStream() { PDFFileStream::Close(); }

bool PDFFileStream::Open(const WCHAR* inPath) {
  Close();
  if (inPath == nullptr) return false;
  // This platform has no file system that needs narrow paths: the wide path is always used.
  mFile = CreateFileW(inPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                      mMode == kModeOpenAlways ? OPEN_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
  if (mFile == INVALID_HANDLE_VALUE) return false;
  SetFilePointer(mFile, 0, nullptr, FILE_BEGIN);
  mWritten = 0;
  return true;
}

bool PDFFileStream::Reopen(const WCHAR* inPath) {
  Close();
  return Open(inPath);
}

void PDFFileStream::Close() {
  if (mFile == INVALID_HANDLE_VALUE) return;
  SetEndOfFile(mFile);
  CloseHandle(mFile);
  mFile = INVALID_HANDLE_VALUE;
}

void PDFFileStream::SetPosition(uint32_t) { QX_ASSERT(FALSE); }

bool PDFFileStream::Write(const void* inBuffer, uint32_t inCount) {
  return WriteThrough(inBuffer, inCount);
}

bool PDFFileStream::WriteThrough(const void* inBuffer, uint32_t inCount) {
  QX_ASSERT(mFile != INVALID_HANDLE_VALUE);
  if (mFile == INVALID_HANDLE_VALUE) return false;
  if (inCount == 0) return true;
  if (inBuffer == nullptr) return false;
  // The range from the start of the file to the size of the write is held locked while writing.
  if (!LockFile(mFile, 0, 0, inCount, 0)) return false;
  DWORD theWritten = 0;
  const BOOL theResult = WriteFile(mFile, inBuffer, inCount, &theWritten, nullptr);
  mWritten += theWritten;
  UnlockFile(mFile, 0, 0, inCount, 0);
  return theResult != FALSE;
}
