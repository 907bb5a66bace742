// Fuzz target of the file reader: the input is a whole PDF file read from memory with the
// document model's classes. When it reads, the table is written without loading anything (the raw
// copies of placeholders), then read again with every object loaded (parsed into its typed
// object) and written; and a drawing document takes over a third reading as Doc.Read does (the
// catalog and page tree checked, the first page selected) and is written.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "document/PDFDrawingDoc.h"
#include "document/PDFObjectFactory.h"
#include "pdfcore/PDFDoc.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFReader.h"

namespace {

// The table read from inData, or null when the reader fails.
std::unique_ptr<PDFSoup> ReadSoup(const uint8_t* inData, size_t inSize) {
  auto theStream = std::make_unique<PDFMemoryStream>();
  theStream->Attach(inData, static_cast<uint32_t>(inSize));
  PDFReader theReader(&PDFObjectFactory::Make);
  if (theReader.Read(std::move(theStream))) return nullptr;
  return theReader.HandOver();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
  if (inSize > (1u << 20)) return 0;
  std::unique_ptr<PDFSoup> theSoup = ReadSoup(inData, inSize);
  if (!theSoup) return 0;
  for (const bool theLoad : {false, true}) {
    PDFDoc theDoc;
    theDoc.AdoptSoup(theLoad ? ReadSoup(inData, inSize) : std::move(theSoup));
    if (theLoad) theDoc.GetSoup().LoadAll();
    PDFMemoryStream theOutput;
    theDoc.Write(theOutput);
  }
  PDFDrawingDoc theDrawing;
  if (theDrawing.AdoptRead(ReadSoup(inData, inSize))) {
    PDFMemoryStream theOutput;
    theDrawing.Write(theOutput);
  }
  return 0;
}
