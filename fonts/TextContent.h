// One block of text placed on a page: a copy of the drawing state at the moment it was added,
// the layout of the text into the lines of a rectangle, and the content fragment that draws it
// (text, then underline and strike-through rules). The same layout run, done once in measuring
// mode, yields where the text ended, how many characters were placed and in how many lines.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scripting/ColorRecord.h"
#include "scripting/PointRecord.h"
#include "scripting/RectRecord.h"
#include "scripting/TextStyle.h"

class BaseFont;
class PDFStream;

// The characters of a text block, never changed once made: blocks that hold the same text share
// one copy (a report that repeats a text on every page keeps it once).
class SharedText {
 public:
  SharedText() = default;
  SharedText(std::u16string inText) : mText(std::make_shared<const std::u16string>(std::move(inText))) {}
  // The text up to its first NUL.
  std::u16string_view View() const {
    if (!mText) return {};
    const std::u16string_view theText(*mText);
    return theText.substr(0, theText.find(u'\0'));
  }
  bool Holds(std::u16string_view inText) const { return mText && *mText == inText; }
  void Reset() { mText.reset(); }

 private:
  std::shared_ptr<const std::u16string> mText;
};

// The drawing state a text block copies when it is added.
struct TextBlockState {
  SharedText text;               // UTF-16; the text ends at its first NUL
  int32_t fontID = 0;            // the font object's ID (0: no font, nothing is written)
  std::string fontKey;           // the registry name that finds the font's widths
  const BaseFont* font = nullptr;  // the font itself; found through fontKey when null
  PointRecord pos;
  RectRecord rect;
  ColorRecord color;
  TextStyle style;
  // The transform's text form, the operand of "cm".
  std::string transform = "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000";
  double hPos = 0.0;
  double vPos = 0.0;
};

class TextContent {
 public:
  explicit TextContent(TextBlockState inState);

  // Lays the text out and writes its content fragment to ioStream; in measuring mode nothing is
  // written and EndPos, Characters and Lines are recorded.
  void Write(PDFStream* ioStream, bool inMeasuring);
  // Runs the measuring layout once.
  void Measure();
  // Measures, then gives the end position.
  PointRecord EndPosition();
  // Measures, then writes the content fragment.
  void WriteContent(PDFStream& ioStream);
  // "endpos" ("%ld %ld"), "characters" and "lines" ("%ld"), compared without regard to case, are
  // written to ioStream and true returned; any other type gives false.
  bool Info(std::string_view inType, PDFStream& ioStream);

  // False when the text writes nothing (size below 1 or no font).
  bool WritesSomething() const;
  const TextBlockState& GetState() const { return mState; }
  // Lets go of the characters once the results are measured and the content is written for good.
  void ReleaseText() {
    if (mMeasured) mState.text.Reset();
  }
  PointRecord GetEndPos() const { return mEndPos; }
  int32_t GetCharacters() const { return mCharacters; }
  int32_t GetLines() const { return mLines; }
  bool IsMeasured() const { return mMeasured; }

 private:
  TextBlockState mState;
  // The line breaks the measuring run found, which the writing runs take again.
  std::vector<uint32_t> mBreaks;
  PointRecord mEndPos;
  int32_t mCharacters = 0;
  int32_t mLines = 0;
  bool mMeasured = false;
};
