// A write-only file. Its position and its length are both the count of bytes written since it
// was opened; closing sets the end of the file there, so saving over an existing file replaces
// its whole content.
//
// Opened with OpenReplacing, the bytes go to a new file beside the target, which takes the
// target's place (and its permission bits) only when Commit finds every write, the flush and the
// close succeeded; otherwise the new file is removed and the target is left as it was.
#pragma once

#include <windows.h>

#include <string>

#include "pdfcore/PDFStream.h"

class PDFFileStream : public PDFStream {
 public:
  // Open modes: open an existing file or create it; create a new file only.
  static constexpr int kModeOpenAlways = 1;
  static constexpr int kModeCreateNew = 0;

  explicit PDFFileStream(int inMode = kModeOpenAlways);
  // Closes the file; a replacement that was never committed is removed.
  ~PDFFileStream() override;

  // Opens inPath (a zero-terminated wide path) for writing at its start; false and an invalid
  // handle when the file cannot be opened.
  bool Open(const WCHAR* inPath);
  bool Reopen(const WCHAR* inPath);
  // Opens a new file beside inPath that replaces it on Commit. A target that cannot be replaced
  // that way (a device, or a folder where no new file may be made) is opened as Open does.
  bool OpenReplacing(const WCHAR* inPath);
  // Closes the file (flushing what is buffered) and, after OpenReplacing, puts the new file in the
  // target's place. False, with the last error set to the first failure, when any write, the
  // flush, the close or the replacement failed.
  bool Commit();
  // Closes the file; false when a pending write or the close failed.
  virtual bool Close();
  bool IsOpen() const { return mFile != INVALID_HANDLE_VALUE; }
  // The Windows error code of the first failed operation, 0 while all succeeded.
  DWORD GetError() const { return mError; }

  uint32_t GetPosition() override { return mWritten; }
  // Not supported on a write-only file.
  void SetPosition(uint32_t inPosition) override;
  uint32_t GetLength() override { return mWritten; }
  bool Write(const void* inBuffer, uint32_t inCount) override;

 protected:
  // Writes through to the file; ignored (false) while the handle is invalid.
  bool WriteThrough(const void* inBuffer, uint32_t inCount);
  // Writes what a derived stream still holds; called before the file is closed.
  virtual bool FlushPending() { return true; }
  // Records the thread's last error as the stream's failure, unless one is recorded already.
  void NoteFailure();

  int mMode;
  HANDLE mFile = INVALID_HANDLE_VALUE;
  uint32_t mWritten = 0;
  DWORD mError = 0;

 private:
  void Discard();

  // Set between OpenReplacing and Commit: the file written and the file it replaces.
  std::u16string mTemporary;
  std::u16string mTarget;
  bool mTargetExists = false;
};
