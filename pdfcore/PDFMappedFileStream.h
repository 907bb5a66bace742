// A read-only view of a whole file through a memory mapping, so that parsing never copies the
// source. Open and MapHandle report their first failure as a text.
#pragma once

#include <windows.h>

#include "pdfcore/PDFStream.h"
#include "runtime/MappedFile.h"

class PDFMappedFileStream : public PDFStream {
 public:
  static constexpr size_t kErrorSize = MappedFile::kMessageSize;

  PDFMappedFileStream() = default;
  ~PDFMappedFileStream() override;

  // Opens inPath for reading and maps it whole. Returns non-zero exactly when an error occurred;
  // GetErrorText then names it ("Unable to read file." and the texts of MapHandle).
  int Open(const WCHAR* inPath);
  // Maps an open file handle, which the stream then owns and closes. Same result as Open.
  int MapHandle(HANDLE inFile);
  // Empty after a successful open.
  const char* GetErrorText() const { return mFile.GetMessage(); }
  // Unmaps the view, closes the mapping and the file.
  void Close();

  int Peek() override;
  int Get() override;
  const uint8_t* GetData() override { return mFile.GetStart(); }
  uint32_t GetPosition() override { return mPos; }
  void SetPosition(uint32_t inPosition) override { mPos = inPosition; }
  uint32_t GetLength() override { return mFile.GetLength(); }
  uint32_t Read(void* outBuffer, uint32_t inCount) override;
  // Not supported: the view is read-only.
  bool Write(const void* inBuffer, uint32_t inCount) override;

 private:
  // The file, its mapping and view, with the failure messages.
  MappedFile mFile;
  uint32_t mPos = 0;
};
