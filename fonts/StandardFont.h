// One of the fourteen standard PDF fonts: never embedded, widths from the built-in tables, written
// as a short Type1 dictionary with the encoding WinAnsiEncoding.
#pragma once

#include <string>
#include <string_view>

#include "fonts/BaseFont.h"

class StandardFont : public BaseFont {
 public:
  StandardFont() = default;

  // As the base, and index 0.
  void Reset() override;
  // Selects the font whose name equals inName without regard to case; Times-Roman when none does.
  void SelectByName(std::string_view inName);
  // Selects the font of the table: its name becomes the font's name and only name; ascent 800.
  // An index outside 0 to 13 is an assertion and leaves Times-Roman's widths.
  void SelectByIndex(int32_t inIndex);
  int32_t GetIndex() const { return mIndex; }

  // /Type /Font /Subtype /Type1 /BaseFont /<name> /Encoding /WinAnsiEncoding as a new font object.
  uint32_t WriteFontObject(PDFDoc& ioDoc, bool inEmbed) override;
  // The table entry at the code (0 to 255).
  int32_t WidthOfGlyph(int32_t inUnicode, const char* inName) const override;

 private:
  int32_t mIndex = 0;
};

// The index of the standard font named inName (compared without regard to case), copying its
// canonical name to outName; 0 and "Times-Roman" when none matches.
int32_t StandardIndexFromName(std::string_view inName, std::string* outName);
// The PDF name of standard font inIndex, or null outside 0 to 13.
const char* StandardFontName(int32_t inIndex);
