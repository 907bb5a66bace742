// The Adobe Glyph List (edition of 1051 entries, sorted by glyph name) and its reverse index from
// Unicode value to entry, built once on first use.
#pragma once

#include <cstddef>
#include <cstdint>

struct GlyphListEntry {
  uint16_t unicode;
  const char* name;
};

inline constexpr size_t kGlyphListCount = 1051;
extern const GlyphListEntry kGlyphList[kGlyphListCount];

class GlyphList {
 public:
  // The entry of a Unicode value, or null. The first call builds the index (thread-safely).
  static const GlyphListEntry* FindUnicode(uint16_t inUnicode);
  // The glyph name of a Unicode value, or null.
  static const char* NameOf(uint16_t inUnicode) {
    const GlyphListEntry* theEntry = FindUnicode(inUnicode);
    return theEntry ? theEntry->name : nullptr;
  }
};
