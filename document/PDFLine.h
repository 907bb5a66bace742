// A line ('line'): a polyline content stream with its own width, colour, points and transform,
// copied from the drawing state when it is added.
#pragma once

#include <vector>

#include "document/PDFContentStream.h"
#include "scripting/ColorRecord.h"
#include "scripting/PointRecord.h"
#include "scripting/TransformMatrix.h"

class PDFLine : public PDFContentStream {
 public:
  PDFLine(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration = 0);

  void SetWidth(double inWidth) { mWidth = inWidth; }
  ColorRecord& Color() { return mColor; }
  void AddPoint(const PointRecord& inPoint) { mPoints.push_back(inPoint); }
  TransformMatrix& Transform() { return mTransform; }

 protected:
  // "  BX" ... "  EX": the path through the points, closed when it ends where it began, stroked.
  void GenerateContent(PDFStream& ioStream) override;

 private:
  double mWidth = 1.0;
  ColorRecord mColor;
  std::vector<PointRecord> mPoints;
  TransformMatrix mTransform;
};
