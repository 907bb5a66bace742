// A fresh temporary folder per test, removed afterwards, with helpers to name paths in it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

class FileTestFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* theInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    std::random_device theRandom;
    mFolder = std::filesystem::temp_directory_path() /
              ("qx-" + std::string(theInfo->name()) + "-" + std::to_string(theRandom()));
    std::filesystem::create_directories(mFolder);
  }

  void TearDown() override {
    std::error_code theError;
    // Read-only entries made by a test must not stop the clean-up.
    for (const auto& theEntry : std::filesystem::recursive_directory_iterator(mFolder, theError)) {
      std::filesystem::permissions(theEntry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, theError);
    }
    std::filesystem::remove_all(mFolder, theError);
  }

  std::filesystem::path Path(const std::string& inName) const { return mFolder / inName; }
  std::u16string WPath(const std::string& inName) const { return Path(inName).u16string(); }
  std::string APath(const std::string& inName) const { return Path(inName).string(); }

  void WriteText(const std::string& inName, const std::string& inText) const {
    std::ofstream theStream(Path(inName), std::ios::binary);
    theStream << inText;
  }

  std::string ReadText(const std::string& inName) const {
    std::ifstream theStream(Path(inName), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(theStream), std::istreambuf_iterator<char>());
  }

  std::filesystem::path mFolder;
};
