// The common base of every font that text can use: its names, the single-byte encoding (code
// page 1252 or the font's own codes), the glyph name and Unicode value of each of the 256 codes,
// their widths in thousandths of the text size, and the ascent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PDFDoc;

class BaseFont {
 public:
  static constexpr int32_t kDefaultCodePage = 1252;
  static constexpr int32_t kDefaultAscent = 800;

  BaseFont();
  BaseFont(const BaseFont&) = delete;
  BaseFont& operator=(const BaseFont&) = delete;
  virtual ~BaseFont() = default;

  // No names, code page 1252, symbolic, every glyph name empty, every Unicode value and width 0,
  // ascent 800.
  virtual void Reset();

  size_t NameCount() const { return mNames.size(); }
  const std::string& NameAt(size_t inIndex) const;
  const std::string& GetName() const { return mName; }
  void SetCodePage(int32_t inCodePage) { mCodePage = inCodePage; }
  int32_t GetCodePage() const { return mCodePage; }
  bool IsSymbolic() const { return mSymbolic != 0; }

  // Fills glyph names, Unicode values and widths of the 256 codes: a symbolic font takes the
  // width of each code directly; otherwise each code is a byte of the code page, mapped to its
  // Unicode value (63 when it has none) and glyph name (".notdef" when the list has none).
  void BuildEncoding();
  // The width of a code 0 to 255 in thousandths of the text size; 0 outside that range.
  int32_t WidthOf(int inCode) const { return inCode >= 0 && inCode < 256 ? mWidths[inCode] : 0; }
  const std::string& GlyphNameAt(int inCode) const;
  uint16_t UnicodeAt(int inCode) const { return inCode >= 0 && inCode < 256 ? mUnicode[inCode] : 0; }
  int32_t GetAscent() const { return mAscent; }

  // Writes the font's objects into the document and returns the ID of its font dictionary;
  // the base writes nothing and returns 0.
  virtual uint32_t WriteFontObject(PDFDoc& ioDoc, bool inEmbed);
  // Reads what the font needs before use; true when it is usable. The base needs nothing.
  virtual bool Load() { return true; }
  virtual void Rebuild() { BuildEncoding(); }
  // The width of a glyph by Unicode value (or own code) and glyph name (null for none).
  virtual int32_t WidthOfGlyph(int32_t inUnicode, const char* inName) const;

 protected:
  std::vector<std::string> mNames;
  std::string mName;
  int32_t mCodePage = kDefaultCodePage;
  int32_t mSymbolic = 1;
  std::string mGlyphNames[256];
  uint16_t mUnicode[256] = {};
  uint16_t mWidths[256] = {};
  int32_t mAscent = kDefaultAscent;
};
