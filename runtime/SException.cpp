#include "runtime/SException.h"

#include <libloaderapi.h>

#include <cstdio>
#include <cstring>

const char* SException::Describe(const char* inFile, long inLine) {
  char theFirst[256];
  if (mCode == EXCEPTION_ACCESS_VIOLATION && mReadFlag != 0)
    std::snprintf(theFirst, sizeof(theFirst), "Code at 0x%08lx attempted to read from 0x%08lx. ",
                  static_cast<unsigned long>(mAddress), static_cast<unsigned long>(mFaultAddress));
  else if (mCode == EXCEPTION_ACCESS_VIOLATION && mWriteFlag != 0)
    std::snprintf(theFirst, sizeof(theFirst), "Code at 0x%08lx attempted to write to 0x%08lx. ",
                  static_cast<unsigned long>(mAddress), static_cast<unsigned long>(mFaultAddress));
  else
    std::snprintf(theFirst, sizeof(theFirst), "Code at 0x%08lx caused a System Exception 0x%08lx. ",
                  static_cast<unsigned long>(mAddress), static_cast<unsigned long>(mCode));
  char theSecond[256];
  std::snprintf(theSecond, sizeof(theSecond), "System Error caught at line %ld of %s. Base at 0x%08lx.", inLine,
                inFile != nullptr ? inFile : "", static_cast<unsigned long>(mModuleBase));
  std::strcpy(mText, theFirst);
  // The second sentence only when both fit in 255 characters.
  if (std::strlen(theFirst) + std::strlen(theSecond) <= 255) std::strcat(mText, theSecond);
  return mText;
}

void TranslateSystemException(unsigned int inCode, EXCEPTION_POINTERS* inPointers) {
  SException theError;
  const EXCEPTION_RECORD* theRecord = inPointers != nullptr ? inPointers->ExceptionRecord : nullptr;
  theError.mCode = inCode;
  if (theRecord != nullptr) {
    theError.mAddress = reinterpret_cast<ULONG_PTR>(theRecord->ExceptionAddress);
    if (inCode == EXCEPTION_ACCESS_VIOLATION && theRecord->NumberParameters >= 2) {
      const ULONG_PTR theAccess = theRecord->ExceptionInformation[0];
      theError.mReadFlag = theAccess == 0 ? 1 : 0;
      theError.mWriteFlag = static_cast<DWORD>(theAccess);
      theError.mFaultAddress = theRecord->ExceptionInformation[1];
    }
  }
  theError.mModuleBase = QxModuleBase(reinterpret_cast<const void*>(&TranslateSystemException));
  throw theError;
}
