#include "document/PDFRectangle.h"

#include <cmath>
#include <limits>

#include "pdfcore/PDFStream.h"

namespace {

// trunc(inValue) as a 32-bit number: saturated at the ends of the range, 0 for not a number.
int32_t Truncate(double inValue) {
  if (std::isnan(inValue)) return 0;
  if (inValue >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (inValue <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(inValue);
}

// The coordinate that holds the larger (or, for inMax false, the smaller) value at this moment;
// the second one where both are equal.
int32_t& Extreme(int32_t& ioFirst, int32_t& ioSecond, bool inMax) {
  if (inMax) return ioFirst > ioSecond ? ioFirst : ioSecond;
  return ioFirst < ioSecond ? ioFirst : ioSecond;
}

void WritePoint(PDFStream& ioStream, int32_t inX, int32_t inY, const char* inOperator) {
  ioStream.WriteText("    ");
  ioStream.WriteInteger(inX);
  ioStream.Put(' ');
  ioStream.WriteInteger(inY);
  ioStream.WriteText(inOperator);
}

}  // namespace

PDFRectangle::PDFRectangle(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration)
    : PDFContentStream(inSoup, inID, nullptr, inGeneration, kTypeRect) {}

void PDFRectangle::GenerateContent(PDFStream& ioStream) {
  // Each edge moves outward by d whole points, computed in this order from the values as they
  // stand after the previous step.
  const double theOffset = static_cast<double>(Truncate(mWidth * 0.5));
  RectRecord theRect = mRect;
  int32_t& theRight = Extreme(theRect.x1, theRect.x2, true);
  theRight = Truncate(theRect.Right() + theOffset);
  int32_t& theLeft = Extreme(theRect.x1, theRect.x2, false);
  theLeft = Truncate(theRect.Left() - theOffset);
  int32_t& theTop = Extreme(theRect.y1, theRect.y2, true);
  theTop = Truncate(theRect.Top() + theOffset);
  int32_t& theBottom = Extreme(theRect.y1, theRect.y2, false);
  theBottom = Truncate(theRect.Bottom() - theOffset);
  const int32_t theL = theRect.Left();
  const int32_t theR = theRect.Right();
  const int32_t theT = theRect.Top();
  const int32_t theB = theRect.Bottom();

  WriteGraphicsStart(ioStream, mTransform, mWidth, mStrokeColor);
  ioStream.WriteText("  ");
  WriteColor(ioStream, mFillColor, " rg\r\n");
  WritePoint(ioStream, theL, theT, " m\r\n");
  WritePoint(ioStream, theR, theT, " l\r\n");
  WritePoint(ioStream, theR, theB, " l\r\n");
  WritePoint(ioStream, theL, theB, " l\r\n");
  ioStream.WriteText("    h\r\n");
  if (mStroke) ioStream.WriteText("  S\r\n");
  if (mFill) ioStream.WriteText("  f\r\n");
  ioStream.WriteText("  Q\r\n  EX");
}
