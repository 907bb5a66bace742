// The one exception class of the system's own: a machine fault (access violation and the like),
// turned into a C++ exception at the boundary of the method in which it happened.
#pragma once

#include <windows.h>

class SException {
 public:
  DWORD mCode = 0;             // the structured exception code (0xC0000005 for an access violation)
  ULONG_PTR mAddress = 0;      // the faulting instruction
  DWORD mReadFlag = 0;         // 1 for an access violation on reading
  DWORD mWriteFlag = 0;        // the raw access-type word of an access violation
  ULONG_PTR mFaultAddress = 0; // the inaccessible address (access violations only)
  ULONG_PTR mModuleBase = 0;   // where the library module is loaded
  char mText[256] = {};

  // Builds mText: the fault sentence, followed by where it was caught when both fit in 255
  // characters. inFile and inLine name the catching method's source file and catch line.
  const char* Describe(const char* inFile, long inLine);
};

// Installed as the thread's translator at the start of every COM method: builds an SException
// from the fault and throws it.
void TranslateSystemException(unsigned int inCode, EXCEPTION_POINTERS* inPointers);
