// A write-only file. Its position and its length are both the count of bytes written since it
// was opened; closing sets the end of the file there, so saving over an existing file replaces
// its whole content.
#pragma once

#include <windows.h>

#include "pdfcore/PDFStream.h"

class PDFFileStream : public PDFStream {
 public:
  // Open modes: open an existing file or create it; create a new file only.
  static constexpr int kModeOpenAlways = 1;
  static constexpr int kModeCreateNew = 0;

  explicit PDFFileStream(int inMode = kModeOpenAlways);
  ~PDFFileStream() override;

  // Opens inPath (a zero-terminated wide path) for writing at its start; false and an invalid
  // handle when the file cannot be opened.
  bool Open(const WCHAR* inPath);
  bool Reopen(const WCHAR* inPath);
  virtual void Close();
  bool IsOpen() const { return mFile != INVALID_HANDLE_VALUE; }

  uint32_t GetPosition() override { return mWritten; }
  // Not supported on a write-only file.
  void SetPosition(uint32_t inPosition) override;
  uint32_t GetLength() override { return mWritten; }
  bool Write(const void* inBuffer, uint32_t inCount) override;

 protected:
  // Writes through to the file; ignored (false) while the handle is invalid.
  bool WriteThrough(const void* inBuffer, uint32_t inCount);

  int mMode;
  HANDLE mFile = INVALID_HANDLE_VALUE;
  uint32_t mWritten = 0;
};
