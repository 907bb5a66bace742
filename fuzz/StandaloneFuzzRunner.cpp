// Replays fuzz inputs without libFuzzer: every file named on the command line, or found directly
// in a folder named there, is passed once to LLVMFuzzerTestOneInput. Lets the ordinary test run
// replay the committed corpus.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize);

namespace {

int RunFile(const std::filesystem::path& inPath) {
  std::ifstream theFile(inPath, std::ios::binary);
  if (!theFile) {
    std::fprintf(stderr, "cannot read %s\n", inPath.c_str());
    return 1;
  }
  std::vector<uint8_t> theBytes((std::istreambuf_iterator<char>(theFile)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(theBytes.data(), theBytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int theFailures = 0;
  int theCount = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path thePath(argv[i]);
    if (std::filesystem::is_directory(thePath)) {
      for (const auto& theEntry : std::filesystem::directory_iterator(thePath)) {
        if (!theEntry.is_regular_file()) continue;
        theFailures += RunFile(theEntry.path());
        ++theCount;
      }
    } else {
      theFailures += RunFile(thePath);
      ++theCount;
    }
  }
  std::printf("replayed %d inputs\n", theCount);
  return theFailures == 0 && theCount > 0 ? 0 : 1;
}
