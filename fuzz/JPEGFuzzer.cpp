// Fuzz target of image recognition: the input is any image file. It is recognised as a whole
// (GIF, PNG, BMP headers, then the full JPEG marker walk) and walked once more with the JPEG
// parser's trace on, so that every trace line is formatted too.
#include <cstddef>
#include <cstdint>

#include "images/ImageHeader.h"
#include "images/JPEGParser.h"

namespace {

// Trace lines are formatted but not written anywhere.
class QuietParser : public JPEGParser {
 public:
  using JPEGParser::JPEGParser;

 protected:
  void DebugOutput(const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
  if (inSize == 0 || inSize > (1u << 20)) return 0;
  const uint32_t theLength = static_cast<uint32_t>(inSize);
  ImageHeader theHeader;
  theHeader.Recognise(inData, theLength);
  QuietParser theParser(inData, theLength);
  theParser.SetTrace(true);
  (void)theParser.Parse();
  return 0;
}
