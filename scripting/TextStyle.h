// The typographic settings that text layout applies to a block of text (units: PDF points).
// The document keeps one as its current style; no setter checks its value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TextStyle {
 public:
  TextStyle() = default;
  ~TextStyle() = default;

  // Text size; 10 by default.
  void SetSize(double inValue) { mSize = inValue; }
  double GetSize() const { return mSize; }
  // Extra indent of the first line of each paragraph.
  void SetIndent(double inValue) { mIndent = inValue; }
  double GetIndent() const { return mIndent; }
  // Extra space after each character.
  void SetCharSpacing(double inValue) { mCharSpacing = inValue; }
  double GetCharSpacing() const { return mCharSpacing; }
  // Extra space at each word gap.
  void SetWordSpacing(double inValue) { mWordSpacing = inValue; }
  double GetWordSpacing() const { return mWordSpacing; }
  // Extra space between lines.
  void SetLineSpacing(double inValue) { mLineSpacing = inValue; }
  double GetLineSpacing() const { return mLineSpacing; }
  // Extra space between paragraphs.
  void SetParaSpacing(double inValue) { mParaSpacing = inValue; }
  double GetParaSpacing() const { return mParaSpacing; }
  // Horizontal justification factor, 0 to 1.
  void SetJustification(double inValue) { mJustification = inValue; }
  double GetJustification() const { return mJustification; }
  // Outline width; 0 means filled text.
  void SetOutline(double inValue) { mOutline = inValue; }
  double GetOutline() const { return mOutline; }
  // The flags are set when nonzero; they are kept (and written) as given.
  void SetUnderline(int32_t inValue) { mUnderline = inValue; }
  int32_t GetUnderline() const { return mUnderline; }
  void SetStrike(int32_t inValue) { mStrike = inValue; }
  int32_t GetStrike() const { return mStrike; }
  void SetStrike2(int32_t inValue) { mStrike2 = inValue; }
  int32_t GetStrike2() const { return mStrike2; }

  // Size, Indent, CharSpacing, WordSpacing, LineSpacing, ParaSpacing, Justification and Outline
  // with four decimals, then Underline, Strike and Strike2 as whole numbers, whatever the locale.
  std::string Text() const;
  // Reads the fields of the text form in the same order; the scan stops at the first field that
  // does not begin with a number, and that field and all after it keep their values.
  void Parse(std::string_view inText);

  bool operator==(const TextStyle&) const = default;

 private:
  double mSize = 10.0;
  double mIndent = 0.0;
  double mCharSpacing = 0.0;
  double mWordSpacing = 0.0;
  double mLineSpacing = 0.0;
  double mParaSpacing = 0.0;
  double mJustification = 0.0;
  double mOutline = 0.0;
  int32_t mUnderline = 0;
  int32_t mStrike = 0;
  int32_t mStrike2 = 0;
};
