// Fuzz target of the TrueType reader: the input is a font file (single or collection). Every font
// of it (at most four) is read fully, its widths, maps and code pages are asked for, and it is
// written into a document, unembedded and as a standalone font file.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fonts/TrueType.h"
#include "pdfcore/PDFDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* inData, size_t inSize) {
  if (inSize == 0 || inSize > (1u << 20)) return 0;
  const std::span<const uint8_t> theBytes(inData, inSize);
  for (int32_t theIndex = 0; theIndex < 4; ++theIndex) {
    TrueType theFont;
    theFont.SetFile(u"", theIndex);
    if (!theFont.LoadBytes(theBytes, true)) return 0;
    for (int c = 0; c < 256; ++c) (void)theFont.WidthOf(c);
    uint16_t theGlyph = 0;
    (void)theFont.GlyphForCode(u'A', theGlyph);
    (void)theFont.Kerning(1, 2);
    (void)theFont.CodePages();
    (void)theFont.EmbeddableBytes(theBytes);
    PDFDoc theDoc;
    (void)theFont.WriteFontObject(theDoc, false);
    if (theIndex + 1 >= theFont.GetFontCount()) break;
  }
  return 0;
}
