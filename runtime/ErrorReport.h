// An accumulator of failure messages and Windows error codes for one operation, composed into one
// text for the caller.
#pragma once

#include <windows.h>

#include <string>

class ErrorReport {
 public:
  void Reset();
  // Appends inMessage, after one space when there are messages already.
  void AddMessage(const char* inMessage);
  bool HasError() const { return mCount > 0 || mWinError1 != 0 || mWinError2 != 0; }
  // "No errors occurred" without an error; otherwise the messages and a line feed, then the
  // phrase of each Windows error. Valid until the next GetText or Reset.
  const char* GetText();

  LONG MessageCount() const { return mCount; }

  DWORD mWinError1 = 0;  // a Windows error code, 0 = none
  DWORD mWinError2 = 0;  // a second Windows error code, 0 = none

 private:
  LONG mCount = 0;
  std::u16string mMessages;
  std::string mComposed;
};

// The sentence that describes Windows error inCode (not 0) in a composed report.
std::string WindowsErrorPhrase(DWORD inCode);
