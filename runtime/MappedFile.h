// A read-only view of a whole file through a file mapping; the view is the byte source's bytes.
// Failures are never thrown: Open and OpenHandle return false and GetMessage names the failure.
#pragma once

#include <windows.h>

#include "runtime/ByteSource.h"

class MappedFile : public ByteSource {
 public:
  static constexpr size_t kMessageSize = 256;

  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() override;

  // Opens an existing file for reading (shared for reading) and maps it whole. True on success;
  // otherwise the message is "Unable to read file." or one of OpenHandle's.
  bool Open(const WCHAR* inPath);
  // Takes ownership of inFile and maps it whole. Messages, at the first failure: "File handle
  // invalid.", "Unable to get file size.", "File is empty.", "Unable to create file mapping.",
  // "Unable to map view of file.".
  bool OpenHandle(HANDLE inFile);
  // Unmaps the view, closes the mapping and the file, in that order.
  void Close();
  // Empty after success, else the failure text.
  const char* GetMessage() const { return mMessage; }
  bool IsOpen() const { return mView != nullptr; }

 private:
  bool Fail(const char* inText);

  char mMessage[kMessageSize] = {};
  HANDLE mFile = INVALID_HANDLE_VALUE;
  HANDLE mMapping = nullptr;
  const uint8_t* mView = nullptr;
};
