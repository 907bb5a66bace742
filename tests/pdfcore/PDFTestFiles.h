// Helpers of the pdfcore tests: a scratch folder for written files, wide paths, and the check
// of a written PDF by qpdf, a tool no one here wrote.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pdftest {

inline std::string ScratchPath(const std::string& inName) {
  const std::filesystem::path theFolder =
      std::filesystem::path(QUORIX_BINARY_DIR) / "test-output" / "pdfcore";
  std::filesystem::create_directories(theFolder);
  return (theFolder / inName).string();
}

inline std::u16string Wide(const std::string& inPath) {
  return std::u16string(inPath.begin(), inPath.end());
}

inline std::string ReadFile(const std::string& inPath) {
  std::ifstream theFile(inPath, std::ios::binary);
  std::ostringstream theText;
  theText << theFile.rdbuf();
  return theText.str();
}

inline void WriteFile(const std::string& inPath, const std::string& inBytes) {
  std::ofstream theFile(inPath, std::ios::binary | std::ios::trunc);
  theFile << inBytes;
}

// Runs qpdf --check on inPath; returns its output, with the exit status appended when it is
// not 0 (qpdf ends with 2 on errors and 3 on warnings).
inline std::string QpdfProblems(const std::string& inPath) {
  const std::string theOut = inPath + ".qpdf.txt";
  const std::string theCommand = "qpdf --check '" + inPath + "' > '" + theOut + "' 2>&1";
  const int theStatus = std::system(theCommand.c_str());
  const std::string theText = ReadFile(theOut);
  if (theStatus != 0) return "status " + std::to_string(theStatus) + ": " + theText;
  if (theText.find("WARNING") != std::string::npos ||
      theText.find("No syntax or stream encoding errors found") == std::string::npos)
    return theText;
  return {};
}

}  // namespace pdftest
