#include "scripting/TransformMatrix.h"

#include <cmath>

#include "scripting/ValueText.h"

namespace {

// Degrees to radians with pi taken as 3.14159265359, slightly above the true value; the text
// forms of rotated matrices depend on exactly this factor.
constexpr double kRadiansPerDegree = 0.017453292519944444;

}  // namespace

void TransformMatrix::Reset() { *this = TransformMatrix(); }

void TransformMatrix::Multiply(const TransformMatrix& inOther) {
  const double theA = mA * inOther.mA + mB * inOther.mC;
  const double theB = mA * inOther.mB + mB * inOther.mD;
  const double theC = mC * inOther.mA + mD * inOther.mC;
  const double theD = mC * inOther.mB + mD * inOther.mD;
  const double theE = mE * inOther.mA + mF * inOther.mC + inOther.mE;
  const double theF = mE * inOther.mB + mF * inOther.mD + inOther.mF;
  *this = TransformMatrix(theA, theB, theC, theD, theE, theF);
}

bool TransformMatrix::Invert() {
  const double theDet = mA * mD - mC * mB;
  if (theDet == 0.0) return false;
  const double theA = mD / theDet;
  const double theB = -mB / theDet;
  const double theC = -mC / theDet;
  const double theD = mA / theDet;
  const double theE = -(theC * mF + theA * mE);
  const double theF = -(theD * mF + theB * mE);
  *this = TransformMatrix(theA, theB, theC, theD, theE, theF);
  return true;
}

void TransformMatrix::Translate(double inX, double inY) {
  mE += inX;
  mF += inY;
}

void TransformMatrix::MultiplyAbout(const TransformMatrix& inOther, double inAnchorX, double inAnchorY) {
  mE -= inAnchorX;
  mF -= inAnchorY;
  Multiply(inOther);
  mE += inAnchorX;
  mF += inAnchorY;
}

void TransformMatrix::Rotate(double inDegrees, double inAnchorX, double inAnchorY) {
  const double theRadians = inDegrees * kRadiansPerDegree;
  const double theCos = std::cos(theRadians);
  const double theSin = std::sin(theRadians);
  MultiplyAbout(TransformMatrix(theCos, theSin, -theSin, theCos, 0.0, 0.0), inAnchorX, inAnchorY);
}

void TransformMatrix::Magnify(double inScaleX, double inScaleY, double inAnchorX, double inAnchorY) {
  // a and b both take the horizontal scale, c and d the vertical one.
  mA *= inScaleX;
  mB *= inScaleX;
  mC *= inScaleY;
  mD *= inScaleY;
  mE = (mE - inAnchorX) * inScaleX + inAnchorX;
  mF = (mF - inAnchorY) * inScaleY + inAnchorY;
}

void TransformMatrix::Skew(double inSkewX, double inSkewY, double inAnchorX, double inAnchorY) {
  MultiplyAbout(TransformMatrix(1.0, inSkewY, inSkewX, 1.0, 0.0, 0.0), inAnchorX, inAnchorY);
}

void TransformMatrix::Map(double inX, double inY, double& outX, double& outY) const {
  outX = mA * inX + mC * inY + mE;
  outY = mB * inX + mD * inY + mF;
}

std::string TransformMatrix::Text() const {
  std::string theText;
  const double theValues[6] = {mA, mB, mC, mD, mE, mF};
  for (int i = 0; i < 6; ++i) {
    if (i > 0) theText += ' ';
    ValueText::AppendFixed4(theText, theValues[i]);
  }
  return theText;
}

void TransformMatrix::Parse(std::string_view inText) {
  ValueText theScanner(inText);
  double* const theFields[6] = {&mA, &mB, &mC, &mD, &mE, &mF};
  for (double* theField : theFields)
    if (!theScanner.ScanDouble(*theField)) break;
}
