// Helpers of the document model tests: the text of an object, the bytes of a saved document, and
// qpdf's verdict on a saved file.
#pragma once

#include <string>

#include "../pdfcore/PDFTestFiles.h"
#include "document/PDFDrawingDoc.h"
#include "pdfcore/PDFBufferedFileStream.h"
#include "pdfcore/PDFMemoryStream.h"

namespace doctest {

inline std::string Bytes(PDFDrawingDoc& ioDoc) {
  PDFMemoryStream theStream;
  ioDoc.Write(theStream);
  return std::string(theStream.GetView());
}

inline std::string SavePath(const std::string& inName) {
  return pdftest::ScratchPath("document-" + inName);
}

// Saves the document under inName and returns qpdf's complaints (empty when there are none).
inline std::string SaveAndCheck(PDFDrawingDoc& ioDoc, const std::string& inName) {
  const std::string thePath = SavePath(inName);
  {
    PDFBufferedFileStream theFile;
    const std::u16string theWide = pdftest::Wide(thePath);
    if (!theFile.Open(theWide.c_str())) return "cannot open " + thePath;
    ioDoc.Write(theFile);
  }
  return pdftest::QpdfProblems(thePath);
}

}  // namespace doctest
