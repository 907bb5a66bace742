// A name, held without its leading "/". Its text form is "/" and the name's bytes as they are.
// A name of any length is written whole.
#pragma once

#include <string>
#include <string_view>

#include "pdfcore/PDFAtom.h"

class PDFNameAtom : public PDFAtom {
 public:
  PDFNameAtom() : PDFAtom(kName) {}
  explicit PDFNameAtom(std::string_view inName) : PDFAtom(kName) { SetName(inName); }

  // The name without "/"; a leading "/" is an assertion failure and is dropped. The name ends
  // at its first zero byte.
  void SetName(std::string_view inName);
  const std::string& GetName() const { return mName; }

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;

 private:
  std::string mName;
};
