// A framed or filled rectangle ('rect'): a content stream with its own width, stroke and fill
// colours, rectangle and transform, copied from the drawing state when it is added.
#pragma once

#include "document/PDFContentStream.h"
#include "scripting/ColorRecord.h"
#include "scripting/RectRecord.h"
#include "scripting/TransformMatrix.h"

class PDFRectangle : public PDFContentStream {
 public:
  PDFRectangle(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration = 0);

  void SetWidth(double inWidth) { mWidth = inWidth; }
  ColorRecord& StrokeColor() { return mStrokeColor; }
  ColorRecord& FillColor() { return mFillColor; }
  RectRecord& Rect() { return mRect; }
  TransformMatrix& Transform() { return mTransform; }
  void SetStroke(int32_t inStroke) { mStroke = inStroke; }
  void SetFill(int32_t inFill) { mFill = inFill; }

 protected:
  // "  BX" ... "  EX": the rectangle's path moved outward by half the width (whole points),
  // stroked and/or filled.
  void GenerateContent(PDFStream& ioStream) override;

 private:
  double mWidth = 1.0;
  ColorRecord mStrokeColor;
  ColorRecord mFillColor{255, 255, 255};
  RectRecord mRect;
  TransformMatrix mTransform;
  int32_t mStroke = 0;
  int32_t mFill = 0;
};
