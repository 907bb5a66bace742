// An affine transformation in the PDF convention: six coefficients a b c d e f, a point (x, y)
// mapping to (a·x + c·y + e, b·x + d·y + f), that is [x' y' 1] = [x y 1] × [[a b 0] [c d 0] [e f 1]].
// The document keeps one as its current transform; content objects copy it and write its text
// form as the operand of their "cm" operator.
#pragma once

#include <string>
#include <string_view>

class TransformMatrix {
 public:
  // The identity.
  TransformMatrix() = default;
  TransformMatrix(double inA, double inB, double inC, double inD, double inE, double inF)
      : mA(inA), mB(inB), mC(inC), mD(inD), mE(inE), mF(inF) {}

  double A() const { return mA; }
  double B() const { return mB; }
  double C() const { return mC; }
  double D() const { return mD; }
  double E() const { return mE; }
  double F() const { return mF; }

  // Becomes the identity.
  void Reset();
  // Becomes this × inOther: inOther is applied after this matrix.
  void Multiply(const TransformMatrix& inOther);
  // Becomes its inverse; a singular matrix (determinant exactly 0) stays unchanged and gives false.
  bool Invert();
  void Translate(double inX, double inY);
  // Turns by inDegrees (counter-clockwise on a page whose y axis points up) about the anchor.
  void Rotate(double inDegrees, double inAnchorX, double inAnchorY);
  // Scales about the anchor, directly on the coefficients.
  void Magnify(double inScaleX, double inScaleY, double inAnchorX, double inAnchorY);
  // Skews about the anchor: x' = x + inSkewX·y, y' = inSkewY·x + y (factors, not angles).
  void Skew(double inSkewX, double inSkewY, double inAnchorX, double inAnchorY);

  // Where the point (inX, inY) goes.
  void Map(double inX, double inY, double& outX, double& outY) const;

  // "a b c d e f", each with exactly four decimals, whatever the process locale.
  std::string Text() const;
  // Reads up to six numbers into a, b, c, d, e, f in turn; the scan stops at the first field that
  // is not a number and the coefficients from there on keep their values. Commas do not separate.
  void Parse(std::string_view inText);

  bool operator==(const TransformMatrix&) const = default;

 private:
  // Shifts by the anchor, multiplies by inOther, shifts back.
  void MultiplyAbout(const TransformMatrix& inOther, double inAnchorX, double inAnchorY);

  double mA = 1.0;
  double mB = 0.0;
  double mC = 0.0;
  double mD = 1.0;
  double mE = 0.0;
  double mF = 0.0;
};
