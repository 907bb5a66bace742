#include "fonts/TextContent.h"

#include <array>
#include <cmath>
#include <span>

#include "fonts/BaseFont.h"
#include "fonts/FontInfo.h"
#include "fonts/LineBreaker.h"
#include "pdfcore/PDFFormat.h"
#include "pdfcore/PDFStream.h"

namespace {

// A Tj string closes as soon as it holds this many bytes.
constexpr size_t kChunkBytes = 240;
constexpr double kColorScale = 0.00392156862745098;  // 1 / 255

// trunc toward zero into 32 bits; values beyond the range stay at its ends, NaN gives 0.
int32_t Trunc(double inValue) { return LineBreaker::TruncToLong(inValue); }

// Appends content text to a stream, or to a string (the decorations, which follow the text);
// does nothing in measuring mode.
class ContentText {
 public:
  explicit ContentText(PDFStream* inStream) : mStream(inStream) {}
  explicit ContentText(std::string* inText) : mText(inText) {}
  ContentText& operator<<(std::string_view inText) {
    if (mStream) mStream->Write(inText.data(), static_cast<uint32_t>(inText.size()));
    if (mText) mText->append(inText);
    return *this;
  }
  ContentText& operator<<(int64_t inValue) {
    char theBuffer[24];
    return *this << std::string_view(theBuffer, FormatInteger(inValue, theBuffer));
  }
  ContentText& Real(double inValue) {
    char theBuffer[kRealTextMax];
    return *this << FormatReal(inValue, std::span<char>(theBuffer));
  }
  bool Active() const { return mStream != nullptr || mText != nullptr; }

 private:
  PDFStream* mStream = nullptr;
  std::string* mText = nullptr;
};

constexpr bool IsPlainAscii(char16_t inChar) {
  if ((inChar >= u'A' && inChar <= u'Z') || (inChar >= u'a' && inChar <= u'z') || (inChar >= u'0' && inChar <= u'9'))
    return true;
  switch (inChar) {
    case 32: case 33: case 34: case 35: case 36: case 38: case 39: case 42: case 43: case 44:
    case 45: case 46: case 47: case 58: case 59: case 61: case 63: case 64:
      return true;
    default:
      return false;
  }
}

constexpr std::array<bool, 128> MakePlain() {
  std::array<bool, 128> thePlain{};
  for (char16_t c = 0; c < 128; ++c) thePlain[c] = IsPlainAscii(c);
  return thePlain;
}

constexpr std::array<bool, 128> kPlain = MakePlain();

// Characters written into a string as themselves; every other one as an octal escape.
bool IsPlain(char16_t inChar) { return inChar < 128 && kPlain[inChar]; }

bool EqualsIgnoringCase(std::string_view inA, std::string_view inB) {
  if (inA.size() != inB.size()) return false;
  for (size_t i = 0; i < inA.size(); ++i) {
    char theA = inA[i];
    if (theA >= 'A' && theA <= 'Z') theA = static_cast<char>(theA + 32);
    if (theA != inB[i]) return false;
  }
  return true;
}

}  // namespace

TextContent::TextContent(TextBlockState inState) : mState(std::move(inState)) {
  if (mState.font == nullptr && mState.fontID != 0) mState.font = FontInfo::Get().Find(mState.fontKey);
}

bool TextContent::WritesSomething() const {
  return mState.style.GetSize() >= 1.0 && mState.fontID != 0 && mState.font != nullptr;
}

void TextContent::Measure() {
  if (mMeasured) return;
  Write(nullptr, true);
  mMeasured = true;
}

PointRecord TextContent::EndPosition() {
  Measure();
  return mEndPos;
}

void TextContent::WriteContent(PDFStream& ioStream) {
  Measure();
  Write(&ioStream, false);
}

bool TextContent::Info(std::string_view inType, PDFStream& ioStream) {
  if (EqualsIgnoringCase(inType, "endpos")) {
    Measure();
    ioStream.WriteInteger(mEndPos.x);
    ioStream.WriteText(" ");
    ioStream.WriteInteger(mEndPos.y);
    return true;
  }
  if (EqualsIgnoringCase(inType, "characters")) {
    Measure();
    ioStream.WriteInteger(mCharacters);
    return true;
  }
  if (EqualsIgnoringCase(inType, "lines")) {
    Measure();
    ioStream.WriteInteger(mLines);
    return true;
  }
  return false;
}

void TextContent::Write(PDFStream* ioStream, bool inMeasuring) {
  const TextStyle& theStyle = mState.style;
  const double theSize = theStyle.GetSize();
  if (!WritesSomething()) return;

  std::string theDecoText;
  ContentText theOut(inMeasuring ? nullptr : ioStream);
  ContentText theDeco(inMeasuring ? nullptr : &theDecoText);

  // Set-up.
  const RectRecord& theRect = mState.rect;
  const int32_t theLeft = theRect.Left();
  const double theW = static_cast<double>(int64_t{theRect.Right()} - theLeft);
  LineBreaker theBreaker(mState.text.View(), *mState.font, theSize, theStyle.GetCharSpacing(), theStyle.GetWordSpacing());
  LineBreaker::Geometry theGeometry;
  theGeometry.width = theW;
  theGeometry.firstOffset = static_cast<double>(int64_t{mState.pos.x} - theLeft) * (1.0 - mState.hPos);
  theGeometry.indent = theStyle.GetIndent();
  theGeometry.lineStep = theSize + theStyle.GetLineSpacing();
  theGeometry.paraSpacing = theStyle.GetParaSpacing();
  theGeometry.height = static_cast<double>(int64_t{mState.pos.y} - theRect.Bottom());
  theGeometry.skipLeading = mState.pos.x == theLeft && mState.pos.y != theRect.Top();
  theBreaker.SetGeometry(theGeometry);
  if (inMeasuring)
    theBreaker.RecordBreaks();
  else if (mMeasured)
    theBreaker.Replay(mBreaks);
  if (inMeasuring) {
    mEndPos = mState.pos;
    mCharacters = 0;
    mLines = 0;
  }

  const bool theDecorated = theStyle.GetUnderline() || theStyle.GetStrike() || theStyle.GetStrike2();
  const bool theTrim = mState.hPos != 0 || theStyle.GetJustification() != 0;
  const double theRed = mState.color.red * kColorScale;
  const double theGreen = mState.color.green * kColorScale;
  const double theBlue = mState.color.blue * kColorScale;
  const std::u16string_view theChars = theBreaker.Text();

  bool theFirst = true;
  double theWordSpacing = theStyle.GetWordSpacing();
  int32_t thePrevX = 0;
  double theY = 0;
  int32_t theLastEnd = 0;
  size_t theLastStart = 0;
  size_t theLastLength = 0;
  double theLastOffset = 0;
  bool theLastAtBreak = false;
  // One Tj string: a chunk closes at kChunkBytes or more, so it never holds more than 3 bytes beyond.
  char theBytes[kChunkBytes + 4];
  size_t theCount = 0;
  while (theBreaker.NextLine()) {
    if (inMeasuring) ++mLines;
    if (theFirst) {
      theFirst = false;
      const double theS = theGeometry.lineStep + theGeometry.paraSpacing;
      // Lines: counted so far when measuring, the measured count when writing.
      const double theL = mLines;
      const int32_t theY0 =
          Trunc(Trunc(mState.pos.y + theSize) - (theGeometry.height - theL * theS) * mState.vPos);
      theY = theY0;
      theOut << "q\r\n" << mState.transform << " cm\r\nBT\r\n  " << int64_t{theStyle.GetOutline() >= 0.01 ? 1 : 0}
             << " Tr\r\n  ";
      theOut.Real(theStyle.GetOutline()) << " w\r\n  /Fqvx" << int64_t{mState.fontID} << " ";
      theOut.Real(theSize) << " Tf\r\n  ";
      theOut.Real(theStyle.GetCharSpacing()) << " Tc\r\n  ";
      theOut.Real(theStyle.GetWordSpacing()) << " Tw\r\n  ";
      theOut.Real(theRed) << " ";
      theOut.Real(theGreen) << " ";
      theOut.Real(theBlue) << " rg\r\n  " << int64_t{theLeft} << " ";
      theOut.Real(theY0 - mState.font->GetAscent() * 0.001 * theSize) << " Td\r\n";
      if (theDecorated) {
        theDeco << "q\r\n  BX\r\n  ";
        theDeco.Real(theSize * 0.05) << " w\r\n  ";
        theDeco.Real(theRed) << " ";
        theDeco.Real(theGreen) << " ";
        theDeco.Real(theBlue) << " RG\r\n";
      }
    }

    // The line's characters, trimmed at both ends when aligned or justified.
    size_t theStart = theBreaker.SelStart();
    size_t theEnd = theStart + theBreaker.SelLength();
    if (theTrim) {
      while (theStart < theEnd && LineBreaker::IsWhitespace(theChars[theStart])) ++theStart;
      while (theEnd > theStart && LineBreaker::IsWhitespace(theChars[theEnd - 1])) --theEnd;
    }
    // The line's width moves a written line only when it is aligned or justified; a measuring run
    // needs the width of its last line alone, measured after the loop.
    int32_t theSpaces = 0;
    const bool theNeedsWidth = !inMeasuring && (mState.hPos != 0 || theStyle.GetJustification() != 0);
    const double theLineWidth = theNeedsWidth ? theBreaker.Measure(theStart, theEnd - theStart, theSpaces) : 0.0;
    const double theOffset = theBreaker.Offset();
    const double theAvailable = std::trunc(theW - theOffset);

    double theLineSpacing = theStyle.GetWordSpacing();
    if (!(theBreaker.StoppedAtNewline() || theBreaker.AtEnd() || theSize == 0 ||
          theStyle.GetJustification() == 0 || theSpaces == 0))
      theLineSpacing = (theAvailable - theLineWidth) / theSpaces * theStyle.GetJustification() + theStyle.GetWordSpacing();
    const int32_t theX = Trunc(theOffset + std::trunc((theW - (theLineWidth + theOffset)) * mState.hPos));
    // Negated before the conversion: a step of -2^31 or less gives the largest move up, where
    // negating the converted step would overflow.
    const int32_t theDy = Trunc(-std::trunc(theBreaker.Step()));

    if (theLineSpacing != theWordSpacing) {
      theOut << "  ";
      theOut.Real(theLineSpacing) << " Tw\r\n";
      theWordSpacing = theLineSpacing;
    }
    theOut << "  " << int64_t{int64_t{theX} - thePrevX} << " " << int64_t{theDy} << " Td\r\n";
    thePrevX = theX;

    if (theOut.Active()) {
      theCount = 0;
      for (size_t i = theStart; i < theEnd; ++i) {
        const char16_t theChar = theChars[i];
        if (IsPlain(theChar)) {
          theBytes[theCount++] = static_cast<char>(theChar);
        } else {
          const uint8_t theByte = theBreaker.ByteOf(theChar);
          theBytes[theCount++] = '\\';
          theBytes[theCount++] = static_cast<char>('0' + ((theByte >> 6) & 7));
          theBytes[theCount++] = static_cast<char>('0' + ((theByte >> 3) & 7));
          theBytes[theCount++] = static_cast<char>('0' + (theByte & 7));
        }
        if (theCount >= kChunkBytes || i + 1 == theEnd) {
          theOut << "  (" << std::string_view(theBytes, theCount) << ") Tj\r\n";
          theCount = 0;
        }
      }
    }

    theY += theDy;
    if (theDecorated && theDeco.Active()) {
      size_t theDecoLast = theEnd;
      while (theDecoLast > theStart && LineBreaker::IsWhitespace(theChars[theDecoLast - 1])) --theDecoLast;
      int32_t theIgnored = 0;
      const double theRuleWidth = theBreaker.Measure(theStart, theDecoLast - theStart, theIgnored);
      const int64_t theRuleX = int64_t{theLeft} + theX;
      auto theRule = [&](double inFactor) {
        const double theRuleY = theY - theSize * inFactor;
        theDeco << "  " << theRuleX << " ";
        theDeco.Real(theRuleY) << " m\r\n  ";
        theDeco.Real(static_cast<double>(theRuleX) + theRuleWidth) << " ";
        theDeco.Real(theRuleY) << " l\r\n";
      };
      if (theStyle.GetUnderline()) theRule(0.9);
      if (theStyle.GetStrike()) theRule(0.57);
      if (theStyle.GetStrike2()) {
        theRule(0.64);
        theRule(0.5);
      }
    }

    if (inMeasuring) {
      theLastStart = theStart;
      theLastLength = theEnd - theStart;
      theLastOffset = theOffset;
      theLastAtBreak = theBreaker.StoppedAtNewline();
    }
    theBreaker.SetSkipLeading(true);
  }

  if (!theFirst) {
    theOut << "ET\r\nQ\r\n";
    if (theDecorated) {
      theDeco << "  S\r\n  EX\r\nQ\r\n";
      theOut << theDecoText;
    }
  }

  if (inMeasuring) {
    if (mLines > 0) {
      int32_t theIgnored = 0;
      theLastEnd = Trunc(theBreaker.Measure(theLastStart, theLastLength, theIgnored) + theLastOffset + 0.5);
    }
    const int32_t theTop = mState.pos.y;
    if (theBreaker.Overflow()) {
      mEndPos = PointRecord{theRect.Right(), theRect.Bottom()};
    } else if (mLines == 0) {
      mEndPos = PointRecord{theLeft, theTop};
    } else if (theLastAtBreak) {
      mEndPos = PointRecord{theLeft, Trunc(theTop - std::trunc(theBreaker.Used()))};
    } else {
      mEndPos = PointRecord{Trunc(double(theLeft) + theLastEnd),
                            Trunc(theTop - std::trunc(theBreaker.Used() - theBreaker.Step()))};
    }
    mCharacters = static_cast<int32_t>(theBreaker.SelStart());
    mBreaks = theBreaker.Breaks();  // a copy of exactly its size
  }
}
