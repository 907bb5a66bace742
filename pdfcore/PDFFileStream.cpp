#include "pdfcore/PDFFileStream.h"

#include "runtime/Assert.h"

namespace {

// The folder part of a path ("." for a bare name).
std::u16string FolderOf(const std::u16string& inPath) {
  const size_t theSlash = inPath.rfind(u'/');
  if (theSlash == std::u16string::npos) return u".";
  if (theSlash == 0) return u"/";
  return inPath.substr(0, theSlash);
}

}  // namespace

PDFFileStream::PDFFileStream(int inMode) : mMode(inMode) {}

PDFFileStream::~PDFFileStream() { Discard(); }

bool PDFFileStream::Open(const WCHAR* inPath) {
  Discard();
  mError = 0;
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

bool PDFFileStream::OpenReplacing(const WCHAR* inPath) {
  Discard();
  mError = 0;
  if (inPath == nullptr) return false;
  if (mMode != kModeOpenAlways) return Open(inPath);
  std::u16string theTarget(inPath);
  bool theExists = false;
  const DWORD theAttributes = GetFileAttributesW(inPath);
  if (theAttributes != INVALID_FILE_ATTRIBUTES) {
    // Devices, pipes and folders are written (or refused) in place.
    if ((theAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return Open(inPath);
    // The file must be one this process may write now, as an in-place save would need; its final
    // path (symbolic links resolved) is where the new file goes.
    HANDLE theProbe = CreateFileW(inPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (theProbe == INVALID_HANDLE_VALUE) return false;
    WCHAR theFinal[MAX_PATH];
    const DWORD theLength = GetFinalPathNameByHandleW(theProbe, theFinal, MAX_PATH, 0);
    CloseHandle(theProbe);
    if (theLength == 0 || theLength >= MAX_PATH) return Open(inPath);
    theTarget.assign(theFinal, theLength);
    theExists = true;
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return Open(inPath);  // fails again with the same error, or opens what appeared meanwhile
  }
  WCHAR theTemporary[MAX_PATH];
  const std::u16string theFolder = FolderOf(theTarget);
  if (GetTempFileNameW(theFolder.c_str(), u"qx", 0, theTemporary) == 0) return Open(inPath);
  mFile = CreateFileW(theTemporary, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mFile == INVALID_HANDLE_VALUE) {
    DeleteFileW(theTemporary);
    return Open(inPath);
  }
  mWritten = 0;
  mTemporary = theTemporary;
  mTarget = std::move(theTarget);
  mTargetExists = theExists;
  return true;
}

bool PDFFileStream::Commit() {
  const bool theReplacing = !mTemporary.empty();
  bool theResult = Close();
  if (theResult && theReplacing) {
    const BOOL theMoved = mTargetExists
                              ? ReplaceFileW(mTarget.c_str(), mTemporary.c_str(), nullptr, 0, nullptr, nullptr)
                              : MoveFileExW(mTemporary.c_str(), mTarget.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!theMoved) {
      NoteFailure();
      theResult = false;
    } else {
      mTemporary.clear();
    }
  }
  Discard();
  if (!theResult) SetLastError(mError);
  return theResult;
}

bool PDFFileStream::Close() {
  if (mFile == INVALID_HANDLE_VALUE) return mError == 0;
  FlushPending();
  // A replacement reaches the disk before it takes the target's place.
  if (!mTemporary.empty() && mError == 0 && !FlushFileBuffers(mFile)) NoteFailure();
  if (!SetEndOfFile(mFile)) NoteFailure();
  if (!CloseHandle(mFile)) NoteFailure();
  mFile = INVALID_HANDLE_VALUE;
  return mError == 0;
}

void PDFFileStream::Discard() {
  if (mFile != INVALID_HANDLE_VALUE) Close();
  if (!mTemporary.empty()) {
    const DWORD theError = GetLastError();
    DeleteFileW(mTemporary.c_str());
    SetLastError(theError);
    mTemporary.clear();
  }
  mTarget.clear();
  mTargetExists = false;
}

void PDFFileStream::NoteFailure() {
  if (mError != 0) return;
  mError = GetLastError();
  if (mError == 0) mError = ERROR_WRITE_FAULT;
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
  if (!LockFile(mFile, 0, 0, inCount, 0)) {
    NoteFailure();
    return false;
  }
  DWORD theWritten = 0;
  const BOOL theResult = WriteFile(mFile, inBuffer, inCount, &theWritten, nullptr);
  if (!theResult || theWritten != inCount) NoteFailure();
  mWritten += theWritten;
  UnlockFile(mFile, 0, 0, inCount, 0);
  return theResult != FALSE && theWritten == inCount;
}
