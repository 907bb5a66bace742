// An RGB colour, each intensity 0 to 255.
#pragma once

#include <cstdint>

struct ColorRecord {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
};
