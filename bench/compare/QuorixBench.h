// What the three workload programs share: owned BSTRs and interface pointers, reading a whole
// file, and stopping with a message when a call fails.
#pragma once

#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace QuorixBench {

// A BSTR made from UTF-8 text of ASCII characters (every input of the workloads is ASCII).
class Bstr {
 public:
  explicit Bstr(std::string_view inText) {
    std::u16string theWide(inText.begin(), inText.end());
    mValue = SysAllocStringLen(theWide.data(), static_cast<UINT>(theWide.size()));
  }
  ~Bstr() { SysFreeString(mValue); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return mValue; }

 private:
  BSTR mValue = nullptr;
};

// Holds one reference to an interface and releases it.
template <class T>
class Ref {
 public:
  Ref() = default;
  ~Ref() {
    if (mValue != nullptr) mValue->Release();
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  T** operator&() { return &mValue; }
  T* operator->() const { return mValue; }
  T* get() const { return mValue; }

 private:
  T* mValue = nullptr;
};

inline void Check(HRESULT inResult, const char* inWhat) {
  if (FAILED(inResult)) {
    std::fprintf(stderr, "%s failed: 0x%08X\n", inWhat, static_cast<unsigned>(inResult));
    std::exit(1);
  }
}

inline std::string ReadFile(const std::string& inPath) {
  std::ifstream theFile(inPath, std::ios::binary);
  if (!theFile) {
    std::fprintf(stderr, "cannot read %s\n", inPath.c_str());
    std::exit(1);
  }
  std::ostringstream theText;
  theText << theFile.rdbuf();
  return theText.str();
}

}  // namespace QuorixBench
