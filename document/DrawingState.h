// The drawing state of a document: what the next page, text, line, rectangle or image takes from
// the document when it is added. Script objects view its records in place.
#pragma once

#include <cstdint>

#include "scripting/ColorRecord.h"
#include "scripting/PointRecord.h"
#include "scripting/RectRecord.h"
#include "scripting/TextStyle.h"
#include "scripting/TransformMatrix.h"

struct DrawingState {
  // Page size given to new pages; replaced by the page's own size when the current page changes.
  RectRecord mMediaBox{0, 0, 612, 792};
  // Page that receives new content; 0 until one is selected or needed.
  int32_t mCurrentPage = 0;
  // Font of the next text.
  int32_t mCurrentFont = 0;
  // Where the next text starts: the top-left corner of the drawing rectangle at first.
  PointRecord mPosition{0, 792};
  // Area of the next text, rectangle or image.
  RectRecord mRect{0, 0, 612, 792};
  // Stroke and fill colour of new content.
  ColorRecord mColor;
  // Width of lines and frames, in points.
  double mWidth = 1.0;
  // Positioning factors handed to text layout.
  double mHPos = 0.0;
  double mVPos = 0.0;
  TextStyle mTextStyle;
  TransformMatrix mTransform;
  // Where new content goes in the page's content list: 1 is on top.
  int32_t mLayer = 1;
};
