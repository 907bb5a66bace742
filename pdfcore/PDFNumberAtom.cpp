#include "pdfcore/PDFNumberAtom.h"

#include <cmath>

#include "pdfcore/PDFStream.h"

void PDFNumberAtom::SetReal(double inValue) {
  mIsInteger = 0;
  mReal = inValue;
  // Halves go away from zero: 0 and below take 0.5 off, positive values add 0.5, and the
  // fraction is dropped. Values beyond the 32-bit range stay at its ends.
  double theRounded = inValue <= 0 ? std::trunc(inValue - 0.5) : std::trunc(inValue + 0.5);
  if (std::isnan(theRounded)) theRounded = 0;
  if (theRounded < static_cast<double>(INT32_MIN)) theRounded = static_cast<double>(INT32_MIN);
  if (theRounded > static_cast<double>(INT32_MAX)) theRounded = static_cast<double>(INT32_MAX);
  mInteger = static_cast<int32_t>(theRounded);
}

void PDFNumberAtom::SetInteger(int32_t inValue) {
  mIsInteger = 1;
  mInteger = inValue;
  mReal = static_cast<double>(inValue);
}

void PDFNumberAtom::WriteNested(PDFStream& ioStream, int) const {
  if (mIsInteger)
    ioStream.WriteInteger(mInteger);
  else
    ioStream.WriteReal(mReal);
}

std::unique_ptr<PDFAtom> PDFNumberAtom::CloneNested(int) const {
  auto theCopy = std::make_unique<PDFNumberAtom>();
  theCopy->mIsInteger = mIsInteger;
  theCopy->mInteger = mInteger;
  theCopy->mReal = mReal;
  return theCopy;
}
