// The kind and size of an image, recognised from its first bytes: GIF, PNG and BMP by their
// signatures and fixed header fields, JPEG by a full marker walk of the data (JPEGParser), so
// that only a complete JPEG stream with 1, 3 or 4 components is recognised.
#pragma once

#include <cstdint>

class ImageHeader {
 public:
  enum Kind : int32_t {
    kUnknown = 0,
    kJPEGGrey = 1,  // one component
    kJPEGRGB = 2,   // three components
    kJPEGCMYK = 3,  // four components
    kGIF = 4,
    kPNG = 5,
    kBMP = 6,
  };

  // Fills kind, width and height from inLen bytes at inData; kind 0 when nothing fits. The bytes
  // are only read, never kept.
  void Recognise(const uint8_t* inData, uint32_t inLen);

  int32_t GetKind() const { return mKind; }
  int32_t GetWidth() const { return mWidth; }
  int32_t GetHeight() const { return mHeight; }
  // True for a JPEG stream that carries an Adobe application segment (whose four-component data
  // holds inverted CMYK).
  bool HasAdobe() const { return mAdobe; }

 private:
  bool RecogniseGIF(const uint8_t* inData, uint32_t inLen);
  bool RecognisePNG(const uint8_t* inData, uint32_t inLen);
  bool RecogniseBMP(const uint8_t* inData, uint32_t inLen);
  void RecogniseJPEG(const uint8_t* inData, uint32_t inLen);

  int32_t mKind = kUnknown;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  bool mAdobe = false;
};
