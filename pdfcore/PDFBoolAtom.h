// The boolean value: "true" when non-zero, else "false".
#pragma once

#include "pdfcore/PDFAtom.h"

class PDFBoolAtom : public PDFAtom {
 public:
  explicit PDFBoolAtom(bool inValue = false) : PDFAtom(kBool), mValue(inValue ? 1 : 0) {}

  void SetValue(int32_t inValue) { mValue = inValue; }
  int32_t GetValue() const { return mValue; }

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;

 private:
  int32_t mValue;
};
