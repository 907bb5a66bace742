// A fresh platform root for one test: a temporary folder set as QUORIX_ROOT, removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

class TestRoot {
 public:
  TestRoot() {
    std::string theTemplate = (std::filesystem::temp_directory_path() / "quorix-root-XXXXXX").string();
    if (mkdtemp(theTemplate.data()) != nullptr) mPath = theTemplate;
    setenv("QUORIX_ROOT", mPath.c_str(), 1);
  }
  ~TestRoot() {
    unsetenv("QUORIX_ROOT");
    std::error_code theError;
    std::filesystem::remove_all(mPath, theError);
  }
  TestRoot(const TestRoot&) = delete;
  TestRoot& operator=(const TestRoot&) = delete;

  const std::string& Path() const { return mPath; }

 private:
  std::string mPath;
};

// Where the build put its programs and modules.
inline std::string BinaryPath(const std::string& inRelative) { return std::string(QUORIX_BINARY_DIR) + "/" + inRelative; }
