// A rectangle of whole PDF points: two corners, stored as they are set and not kept ordered.
// Every reading normalises them. Owners (the document's drawing rectangle and media box, an
// image's selection) hold one and bind an XRect to it.
#pragma once

#include <algorithm>
#include <cstdint>

struct RectRecord {
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;

  int32_t Left() const { return std::min(x1, x2); }
  int32_t Right() const { return std::max(x1, x2); }
  int32_t Bottom() const { return std::min(y1, y2); }
  int32_t Top() const { return std::max(y1, y2); }
  // The extent, computed with 32-bit wrap-around like every other rectangle arithmetic.
  int32_t Width() const { return Extent(x1, x2); }
  int32_t Height() const { return Extent(y1, y2); }

 private:
  static int32_t Extent(int32_t inA, int32_t inB) {
    const int64_t theDifference = int64_t{inB} - int64_t{inA};
    return static_cast<int32_t>(static_cast<uint32_t>(theDifference < 0 ? -theDifference : theDifference));
  }
};
