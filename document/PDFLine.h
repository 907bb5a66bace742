// A line ('line'): a polyline content stream with its own width, colour, points and transform,
// copied from the drawing state when it is added.
#pragma once

#include <array>
#include <memory>
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
  void AddPoint(const PointRecord& inPoint);
  TransformMatrix& Transform() { return mTransform; }

 protected:
  // "  BX" ... "  EX": the path through the points, closed when it ends where it began, stroked.
  void GenerateContent(PDFStream& ioStream) override;

 private:
  double mWidth = 1.0;
  ColorRecord mColor;
  // The first two points in the object itself (a line from one point to another is all most
  // lines are), any further ones apart.
  size_t PointCount() const { return mCount + (mMore ? mMore->size() : 0); }
  const PointRecord& Point(size_t inIndex) const { return inIndex < 2 ? mEnds[inIndex] : (*mMore)[inIndex - 2]; }

  std::array<PointRecord, 2> mEnds{};
  uint8_t mCount = 0;
  std::unique_ptr<std::vector<PointRecord>> mMore;
  TransformMatrix mTransform;
};
