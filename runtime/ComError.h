// The COM error object that the library throws for HRESULT failures (for example out of memory
// while building a string); the boundary wrapper turns it into the caller's error.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

class ComError {
 public:
  explicit ComError(HRESULT inResult, std::string inMessage = {}) : mResult(inResult), mMessage(std::move(inMessage)) {}

  HRESULT Result() const { return mResult; }
  // The error's own text; empty when it carries none.
  const std::string& Message() const { return mMessage; }

 private:
  HRESULT mResult;
  std::string mMessage;
};

// Throws ComError(E_OUTOFMEMORY) when an allocation gave nothing.
inline void ThrowIfNull(const void* inPointer) {
  if (inPointer == nullptr) throw ComError(E_OUTOFMEMORY);
}
