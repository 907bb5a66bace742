// The transform matrix: operations, the degree factor, inversion, text form and parsing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "scripting/TransformMatrix.h"

namespace {

constexpr double kFactor = 0.017453292519944444;

TEST(TransformMatrix, StartsAsTheIdentityAndResetsToIt) {
  TransformMatrix theMatrix;
  EXPECT_EQ(theMatrix.Text(), "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000");
  theMatrix = TransformMatrix(2, 3, 4, 5, 6, 7);
  theMatrix.Reset();
  EXPECT_EQ(theMatrix, TransformMatrix());
}

TEST(TransformMatrix, TranslateMovesTheOrigin) {
  TransformMatrix theMatrix;
  theMatrix.Translate(10, 20);
  EXPECT_EQ(theMatrix.Text(), "1.0000 0.0000 0.0000 1.0000 10.0000 20.0000");
}

TEST(TransformMatrix, MultiplyAppliesTheOtherMatrixAfterThisOne) {
  TransformMatrix theMatrix;
  theMatrix.Translate(10, 0);
  theMatrix.Multiply(TransformMatrix(2, 0, 0, 2, 0, 0));
  double theX = 0, theY = 0;
  theMatrix.Map(0, 0, theX, theY);
  EXPECT_EQ(theX, 20.0);  // translated first, then scaled
  EXPECT_EQ(theY, 0.0);

  TransformMatrix theGeneral(1, 2, 3, 4, 5, 6);
  theGeneral.Multiply(TransformMatrix(7, 8, 9, 10, 11, 12));
  EXPECT_EQ(theGeneral, TransformMatrix(25, 28, 57, 64, 100, 112));
}

TEST(TransformMatrix, RotateUsesTheLibrarysDegreeFactor) {
  TransformMatrix theMatrix;
  theMatrix.Rotate(90, 0, 0);
  // With this factor cos(90°) is a tiny negative number (with the true pi/180 it is positive).
  EXPECT_EQ(theMatrix.A(), std::cos(90 * kFactor));
  EXPECT_LT(theMatrix.A(), 0.0);
  EXPECT_EQ(theMatrix.B(), std::sin(90 * kFactor));
  EXPECT_EQ(theMatrix.C(), -std::sin(90 * kFactor));
  EXPECT_EQ(theMatrix.Text(), "-0.0000 1.0000 -1.0000 -0.0000 0.0000 0.0000");
}

TEST(TransformMatrix, RotateTurnsCounterClockwiseAboutTheAnchor) {
  TransformMatrix theMatrix;
  theMatrix.Rotate(90, 100, 100);
  double theX = 0, theY = 0;
  theMatrix.Map(200, 100, theX, theY);
  EXPECT_NEAR(theX, 100, 1e-9);
  EXPECT_NEAR(theY, 200, 1e-9);
  theMatrix.Map(100, 100, theX, theY);
  EXPECT_NEAR(theX, 100, 1e-9);
  EXPECT_NEAR(theY, 100, 1e-9);
}

TEST(TransformMatrix, MagnifyScalesRowsAboutTheAnchor) {
  TransformMatrix theMatrix;
  theMatrix.Magnify(2, 3, 10, 10);
  EXPECT_EQ(theMatrix.Text(), "2.0000 0.0000 0.0000 3.0000 -10.0000 -20.0000");
  double theX = 0, theY = 0;
  theMatrix.Map(10, 10, theX, theY);
  EXPECT_EQ(theX, 10.0);
  EXPECT_EQ(theY, 10.0);

  // a and b take the horizontal factor, c and d the vertical one.
  TransformMatrix theGeneral(1, 2, 3, 4, 5, 6);
  theGeneral.Magnify(2, 3, 0, 0);
  EXPECT_EQ(theGeneral, TransformMatrix(2, 4, 9, 12, 10, 18));
}

TEST(TransformMatrix, SkewTakesFactorsAboutTheAnchor) {
  TransformMatrix theMatrix;
  theMatrix.Skew(0.5, 0.25, 0, 0);
  EXPECT_EQ(theMatrix, TransformMatrix(1, 0.25, 0.5, 1, 0, 0));
  double theX = 0, theY = 0;
  theMatrix.Map(0, 10, theX, theY);
  EXPECT_EQ(theX, 5.0);
  EXPECT_EQ(theY, 10.0);

  TransformMatrix theAnchored;
  theAnchored.Skew(0.5, 0.25, 10, 20);
  theAnchored.Map(10, 20, theX, theY);
  EXPECT_EQ(theX, 10.0);
  EXPECT_EQ(theY, 20.0);
}

TEST(TransformMatrix, InvertUndoesARegularMatrix) {
  TransformMatrix theMatrix(2, 0, 0, 4, 10, 20);
  ASSERT_TRUE(theMatrix.Invert());
  EXPECT_EQ(theMatrix, TransformMatrix(0.5, 0, 0, 0.25, -5, -5));

  TransformMatrix theRotated;
  theRotated.Rotate(30, 5, 7);
  theRotated.Translate(3, -4);
  TransformMatrix theInverse = theRotated;
  ASSERT_TRUE(theInverse.Invert());
  theRotated.Multiply(theInverse);
  EXPECT_NEAR(theRotated.A(), 1, 1e-12);
  EXPECT_NEAR(theRotated.B(), 0, 1e-12);
  EXPECT_NEAR(theRotated.C(), 0, 1e-12);
  EXPECT_NEAR(theRotated.D(), 1, 1e-12);
  EXPECT_NEAR(theRotated.E(), 0, 1e-12);
  EXPECT_NEAR(theRotated.F(), 0, 1e-12);
}

TEST(TransformMatrix, InvertLeavesASingularMatrixUnchanged) {
  TransformMatrix theZero(0, 0, 0, 0, 5, 6);
  EXPECT_FALSE(theZero.Invert());
  EXPECT_EQ(theZero, TransformMatrix(0, 0, 0, 0, 5, 6));
  TransformMatrix theFlat(1, 2, 2, 4, 1, 1);
  EXPECT_FALSE(theFlat.Invert());
  EXPECT_EQ(theFlat, TransformMatrix(1, 2, 2, 4, 1, 1));
}

TEST(TransformMatrix, ParseReadsUntilTheFirstFieldThatIsNoNumber) {
  TransformMatrix theMatrix(1, 2, 3, 4, 5, 6);
  theMatrix.Parse("2");
  EXPECT_EQ(theMatrix, TransformMatrix(2, 2, 3, 4, 5, 6));
  theMatrix.Parse("7,8");  // commas do not separate
  EXPECT_EQ(theMatrix, TransformMatrix(7, 2, 3, 4, 5, 6));
  theMatrix.Parse("9 x 10");
  EXPECT_EQ(theMatrix, TransformMatrix(9, 2, 3, 4, 5, 6));
  theMatrix.Parse("");
  EXPECT_EQ(theMatrix, TransformMatrix(9, 2, 3, 4, 5, 6));
  theMatrix.Parse(" 1e1\t-2.5E-1\n.5 5. +3 -0 99");
  EXPECT_EQ(theMatrix, TransformMatrix(10, -0.25, 0.5, 5, 3, 0));
  // No length limit: numbers far into a long text are read.
  theMatrix.Parse(std::string(10000, ' ') + "4 3 2 1 0 -1");
  EXPECT_EQ(theMatrix, TransformMatrix(4, 3, 2, 1, 0, -1));
}

TEST(TransformMatrix, TextNeverHoldsNamesOfSpecialValues) {
  TransformMatrix theMatrix;
  theMatrix.Parse("1e999 -1e999");
  EXPECT_TRUE(std::isinf(theMatrix.A()));
  theMatrix.Magnify(std::numeric_limits<double>::quiet_NaN(), 1, 0, 0);
  EXPECT_EQ(theMatrix.Text(), "0.0000 0.0000 0.0000 1.0000 0.0000 0.0000");
}

}  // namespace
