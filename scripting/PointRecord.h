// A point of whole PDF points, measured from the bottom left of the page.
#pragma once

#include <cstdint>

struct PointRecord {
  int32_t x = 0;
  int32_t y = 0;
};
