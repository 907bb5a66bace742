// Fuzz target of the value parser: the input is PDF text on a memory stream without an object
// table. Values are parsed one after another until none is found or the position stops moving;
// each is written back, and the text written is parsed again, so that the writer's forms of
// names, strings and streams are read too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "pdfcore/PDFAtom.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFParser.h"

namespace {

// Values parsed from one input, at most; each takes at least one byte, so this only bounds the
// time an input of many tiny values takes.
constexpr int kMaxValues = 100000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
  if (inSize > (1u << 20)) return 0;
  PDFMemoryStream theInput;
  theInput.Attach(inData, static_cast<uint32_t>(inSize));
  PDFMemoryStream theOutput;
  for (int i = 0; i < kMaxValues; ++i) {
    const uint32_t theStart = theInput.GetPosition();
    std::unique_ptr<PDFAtom> theAtom = PDFParser::ParseAtom(theInput, nullptr);
    if (!theAtom) break;
    theAtom->Write(theOutput);
    theOutput.Put(' ');
    // The error text is built wherever a parse stops.
    (void)PDFParser::ErrorText(theInput, "Fuzz.");
    if (theInput.GetPosition() <= theStart) break;
  }
  // What was written reads back as values again.
  theOutput.SetPosition(0);
  for (int i = 0; i < kMaxValues; ++i) {
    const uint32_t theStart = theOutput.GetPosition();
    if (!PDFParser::ParseAtom(theOutput, nullptr) || theOutput.GetPosition() <= theStart) break;
  }
  // The searches from the middle of the input, both ways.
  theInput.SetPosition(static_cast<uint32_t>(inSize / 2));
  PDFParser::FindForward(theInput, "endstream");
  theInput.SetPosition(static_cast<uint32_t>(inSize / 2));
  PDFParser::FindBackward(theInput, "startxref");
  return 0;
}
