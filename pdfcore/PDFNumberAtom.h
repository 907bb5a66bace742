// A number: an integer and a real held together, with a flag telling which one was set last.
// Integers are written "%ld", reals "%lf" (always six decimals), whatever the process locale.
#pragma once

#include "pdfcore/PDFAtom.h"

class PDFNumberAtom : public PDFAtom {
 public:
  PDFNumberAtom() : PDFAtom(kNumber) {}
  explicit PDFNumberAtom(int32_t inValue) : PDFAtom(kNumber) { SetInteger(inValue); }
  explicit PDFNumberAtom(double inValue) : PDFAtom(kNumber) { SetReal(inValue); }

  // Clears the integer flag; the integer becomes the real rounded half away from zero (held
  // within the 32-bit range; not-a-number gives 0).
  void SetReal(double inValue);
  // Sets the flag, the integer and the real.
  void SetInteger(int32_t inValue);
  double GetReal() const { return mReal; }
  int32_t GetInteger() const { return mInteger; }
  bool IsInteger() const { return mIsInteger != 0; }

  void WriteNested(PDFStream& ioStream, int inDepth) const override;
  std::unique_ptr<PDFAtom> CloneNested(int inDepth) const override;

 private:
  int32_t mIsInteger = 1;
  int32_t mInteger = 0;
  double mReal = 0.0;
};
