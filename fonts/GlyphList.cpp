#include "fonts/GlyphList.h"

#include <memory>

namespace {

// 65536 entries, each 0 or one more than the position of the glyph in the list.
std::unique_ptr<uint16_t[]> BuildIndex() {
  auto theIndex = std::make_unique<uint16_t[]>(65536);
  for (size_t i = 0; i < kGlyphListCount; ++i) theIndex[kGlyphList[i].unicode] = static_cast<uint16_t>(i + 1);
  return theIndex;
}

}  // namespace

const GlyphListEntry* GlyphList::FindUnicode(uint16_t inUnicode) {
  // Built on the first lookup; the language makes this initialisation thread-safe.
  static const std::unique_ptr<uint16_t[]> theIndex = BuildIndex();
  const uint16_t thePosition = theIndex[inUnicode];
  return thePosition ? &kGlyphList[thePosition - 1] : nullptr;
}
