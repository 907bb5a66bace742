// An image placement ('imag'): the page content that draws an image object into a rectangle
// with the transform that was current when it was placed. Several placements may share one image
// object, whose data is then written once.
#pragma once

#include <cstdint>

#include "document/PDFContentStream.h"
#include "scripting/RectRecord.h"
#include "scripting/TransformMatrix.h"

class PDFImagePlacement : public PDFContentStream {
 public:
  PDFImagePlacement(PDFSoup* inSoup, uint32_t inID, uint32_t inGeneration = 0);

  void SetImage(uint32_t inImageID) { mImageID = inImageID; }
  uint32_t GetImage() const { return mImageID; }
  RectRecord& Rect() { return mRect; }
  TransformMatrix& Transform() { return mTransform; }

  // "xobject": the image object's ID; other keys as any content stream.
  void GetProperty(std::string_view inName, PDFStream& ioStream) const override;
  // The content names the image only by resource name, so marking reaches the image object
  // through the placement: an image stays while a live placement draws it.
  void Mark(std::vector<uint32_t>& ioPending) override;

 protected:
  // "  BX" ... "  EX": the unit square scaled onto the rectangle after the transform, filled
  // with the image. Nothing for image 0.
  void GenerateContent(PDFStream& ioStream) override;

 private:
  uint32_t mImageID = 0;
  RectRecord mRect;
  TransformMatrix mTransform;
};
