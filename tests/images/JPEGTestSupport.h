// Test data for the image tests: real JPEG streams made with libjpeg, and small hand-made
// streams assembled segment by segment.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include <jpeglib.h>

struct JPEGOptions {
  int restartInterval = 0;  // in MCU rows; 0 for none
  bool progressive = false;
};

// A width x height picture of noise (so that its entropy-coded data holds 0xFF bytes, stuffed as
// 0xFF 0x00) with the given number of components: 1 grey, 3 YCbCr, 4 CMYK, 2 unknown.
inline std::vector<uint8_t> MakeJPEG(int inWidth, int inHeight, int inComponents, JPEGOptions inOptions = {}) {
  jpeg_compress_struct theInfo;
  jpeg_error_mgr theErrors;
  theInfo.err = jpeg_std_error(&theErrors);
  jpeg_create_compress(&theInfo);
  unsigned char* theBuffer = nullptr;
  unsigned long theSize = 0;
  jpeg_mem_dest(&theInfo, &theBuffer, &theSize);
  theInfo.image_width = inWidth;
  theInfo.image_height = inHeight;
  theInfo.input_components = inComponents;
  theInfo.in_color_space = inComponents == 1 ? JCS_GRAYSCALE
                           : inComponents == 3 ? JCS_RGB
                           : inComponents == 4 ? JCS_CMYK
                                               : JCS_UNKNOWN;
  jpeg_set_defaults(&theInfo);
  jpeg_set_quality(&theInfo, 90, TRUE);
  theInfo.restart_in_rows = inOptions.restartInterval;
  if (inOptions.progressive) jpeg_simple_progression(&theInfo);
  jpeg_start_compress(&theInfo, TRUE);
  std::vector<uint8_t> theRow(static_cast<size_t>(inWidth) * inComponents);
  uint32_t theSeed = 12345;
  while (theInfo.next_scanline < theInfo.image_height) {
    for (auto& theSample : theRow) {
      theSeed = theSeed * 1103515245u + 12345u;
      theSample = static_cast<uint8_t>(theSeed >> 16);
    }
    JSAMPROW theRows[1] = {theRow.data()};
    jpeg_write_scanlines(&theInfo, theRows, 1);
  }
  jpeg_finish_compress(&theInfo);
  std::vector<uint8_t> theResult(theBuffer, theBuffer + theSize);
  jpeg_destroy_compress(&theInfo);
  std::free(theBuffer);
  return theResult;
}

// Bytes appended piece by piece.
struct Bytes {
  std::vector<uint8_t> mData;
  Bytes& Add(std::initializer_list<int> inBytes) {
    for (int theByte : inBytes) mData.push_back(static_cast<uint8_t>(theByte));
    return *this;
  }
  Bytes& Text(const char* inText) {
    while (*inText) mData.push_back(static_cast<uint8_t>(*inText++));
    return *this;
  }
};

// Offset of the first inA inB at or after inFrom, or -1.
inline long Find(const std::vector<uint8_t>& inData, uint8_t inA, uint8_t inB, size_t inFrom = 0) {
  for (size_t i = inFrom; i + 1 < inData.size(); ++i)
    if (inData[i] == inA && inData[i + 1] == inB) return static_cast<long>(i);
  return -1;
}
