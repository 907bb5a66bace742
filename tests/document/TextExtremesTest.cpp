// Text added with the most extreme numbers a script can give: every text-style field and every
// number of the drawing state that text layout reads, set to the ends of the double and 32-bit
// ranges, to infinities and to not-a-number. The layout must finish and write integers that stay
// in their range, with no arithmetic fault: the sanitizer build stops at the first overflow.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "TestRoot.h"
#include "document/PDFText.h"
#include "fonts/LineBreaker.h"
#include "fonts/StandardFont.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

const double kExtremes[] = {1e308,         -1e308,        kInfinity, -kInfinity, std::nan(""),
                            2147483647.0,  -2147483648.0, 2147483648.0, -2147483649.0, 4.9e-324};
const int32_t kIntExtremes[] = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), -1};

using Change = std::function<void(DrawingState&, double)>;

// Lays a text of two paragraphs out under the changed state, asks for its information, writes the
// document and returns the text's content ("" when no text was added).
std::string AddTextUnder(const std::function<void(DrawingState&)>& inChange, std::string& outInfo) {
  PDFDrawingDoc theDoc;
  theDoc.AddPage(-1);
  DrawingState& theState = theDoc.State();
  theState.mTextStyle.SetJustification(1);
  theState.mTextStyle.SetUnderline(1);
  theState.mTextStyle.SetStrike2(1);
  inChange(theState);
  const uint32_t theID =
      theDoc.AddText(u"Hello world, this is text\r\nand a second paragraph with (more) words than fit on a line");
  outInfo.clear();
  if (theID == 0) return {};
  for (const char* theKey : {"endpos", "characters", "lines"}) outInfo += theDoc.GetInfo(theID, theKey) + ";";
  doctest::Bytes(theDoc);  // the page content, compressed, through the whole writer
  auto* theText = dynamic_cast<PDFText*>(theDoc.GetSoup().Get(theID));
  if (theText == nullptr) return "no text object";
  PDFMemoryStream theContent;
  theText->Content().WriteContent(theContent);
  return std::string(theContent.GetView());
}

// The problems of a content fragment: numbers that are not finite, and the operands of Td and
// the x of m (the positions that layout computes in 32 bits) that are not numbers of that order:
// each is at most the difference of two 32-bit positions, and an x is a whole number. (The y of a
// rule is a real number that adds up every line's move.)
std::string ContentProblems(const std::string& inContent) {
  std::string theProblems;
  if (inContent.find("inf") != std::string::npos || inContent.find("nan") != std::string::npos)
    theProblems += "a number that is not finite; ";
  std::istringstream theLines(inContent);
  for (std::string theLine; std::getline(theLines, theLine);) {
    std::istringstream theWords(theLine);
    std::vector<std::string> theTokens;
    for (std::string theWord; theWords >> theWord;) theTokens.push_back(theWord);
    if (theTokens.size() != 3 || (theTokens[2] != "Td" && theTokens[2] != "m")) continue;
    for (size_t i = 0; i < (theTokens[2] == "Td" ? 2u : 1u); ++i) {
      size_t theEnd = 0;
      double theValue = 0;
      try {
        theValue = std::stod(theTokens[i], &theEnd);
      } catch (const std::exception&) {
        theEnd = 0;
      }
      const bool theWhole = theTokens[i].find('.') == std::string::npos;
      if (theEnd != theTokens[i].size() || std::fabs(theValue) > 4294967296.0 || (i == 0 && !theWhole))
        theProblems += "operand of " + theLine + "; ";
    }
  }
  return theProblems;
}

}  // namespace

TEST(TextExtremes, ScriptValuesAtTheEndsOfTheirRangesLayOutSafely) {
  TestRoot theRoot;
  const std::pair<const char*, Change> theReals[] = {
      {"Size", [](DrawingState& s, double v) { s.mTextStyle.SetSize(v); }},
      {"Indent", [](DrawingState& s, double v) { s.mTextStyle.SetIndent(v); }},
      {"CharSpacing", [](DrawingState& s, double v) { s.mTextStyle.SetCharSpacing(v); }},
      {"WordSpacing", [](DrawingState& s, double v) { s.mTextStyle.SetWordSpacing(v); }},
      {"LineSpacing", [](DrawingState& s, double v) { s.mTextStyle.SetLineSpacing(v); }},
      {"ParaSpacing", [](DrawingState& s, double v) { s.mTextStyle.SetParaSpacing(v); }},
      {"Justification", [](DrawingState& s, double v) { s.mTextStyle.SetJustification(v); }},
      {"Outline", [](DrawingState& s, double v) { s.mTextStyle.SetOutline(v); }},
      {"HPos", [](DrawingState& s, double v) { s.mHPos = v; }},
      {"VPos", [](DrawingState& s, double v) { s.mVPos = v; }},
      {"Transform", [](DrawingState& s, double v) { s.mTransform = TransformMatrix(v, v, v, v, v, v); }},
      {"Everything", [](DrawingState& s, double v) {
         for (auto theSetter : {&TextStyle::SetIndent, &TextStyle::SetCharSpacing, &TextStyle::SetWordSpacing,
                                &TextStyle::SetLineSpacing, &TextStyle::SetParaSpacing, &TextStyle::SetJustification,
                                &TextStyle::SetOutline})
           (s.mTextStyle.*theSetter)(v);
         s.mHPos = s.mVPos = v;
       }},
  };
  std::string theInfo;
  int theLaidOut = 0;  // many extremes still place text: the sweep must reach the layout
  for (const auto& [theName, theChange] : theReals)
    for (double theValue : kExtremes) {
      SCOPED_TRACE(std::string(theName) + " = " + std::to_string(theValue));
      const std::string theContent = AddTextUnder([&](DrawingState& s) { theChange(s, theValue); }, theInfo);
      EXPECT_EQ(ContentProblems(theContent), "") << theContent;
      theLaidOut += !theContent.empty();
    }
  EXPECT_GT(theLaidOut, 80);
  theLaidOut = 0;

  // The whole-number state: position, rectangle corners and the style's flags, alone and with the
  // spacings at their extremes too.
  const std::pair<const char*, std::function<void(DrawingState&, int32_t)>> theIntegers[] = {
      {"Pos.x", [](DrawingState& s, int32_t v) { s.mPosition.x = v; }},
      {"Pos.y", [](DrawingState& s, int32_t v) { s.mPosition.y = v; }},
      {"Pos", [](DrawingState& s, int32_t v) { s.mPosition = PointRecord{v, v}; }},
      {"Rect", [](DrawingState& s, int32_t v) { s.mRect = RectRecord{v, v, ~v, ~v}; }},
      {"Rect and Pos", [](DrawingState& s, int32_t v) {
         s.mRect = RectRecord{v, v, 0, 0};
         s.mPosition = PointRecord{~v, ~v};
       }},
      {"Flags", [](DrawingState& s, int32_t v) {
         s.mTextStyle.SetUnderline(v);
         s.mTextStyle.SetStrike(v);
         s.mTextStyle.SetStrike2(v);
       }},
  };
  for (const auto& [theName, theChange] : theIntegers)
    for (int32_t theValue : kIntExtremes)
      for (double theSpacing : {0.0, 1e308, -1e308}) {
        SCOPED_TRACE(std::string(theName) + " = " + std::to_string(theValue) + ", spacing " + std::to_string(theSpacing));
        const std::string theContent = AddTextUnder(
            [&](DrawingState& s) {
              theChange(s, theValue);
              s.mTextStyle.SetLineSpacing(theSpacing);
              s.mTextStyle.SetCharSpacing(theSpacing);
              s.mTextStyle.SetIndent(-theSpacing);
            },
            theInfo);
        EXPECT_EQ(ContentProblems(theContent), "") << theContent;
        theLaidOut += !theContent.empty();
      }
  EXPECT_GE(theLaidOut, 10);

  // A line step beyond the 32-bit range moves each line by the largest step there is, in its own
  // direction: a negative line spacing moves lines up, never down.
  for (double theSpacing : {-1e308, -kInfinity, -2147483648.0 - 10}) {
    SCOPED_TRACE(theSpacing);
    const std::string theContent =
        AddTextUnder([&](DrawingState& s) { s.mTextStyle.SetLineSpacing(theSpacing); }, theInfo);
    EXPECT_NE(theContent.find("  0 2147483647 Td\r\n"), std::string::npos) << theContent;
    EXPECT_EQ(theContent.find("-2147483648 Td"), std::string::npos) << theContent;
    EXPECT_TRUE(theInfo.ends_with(";86;2;")) << theInfo << ": every character placed, in two lines";
  }

  // Sizes beyond the 32-bit range keep their effect instead of turning into 0: characters spaced
  // that far apart leave no room for any, and a rectangle that wide holds each paragraph on a line.
  EXPECT_EQ(AddTextUnder([](DrawingState& s) { s.mTextStyle.SetCharSpacing(1e308); }, theInfo), "");
  const std::string theWide = AddTextUnder(
      [](DrawingState& s) {
        s.mRect = RectRecord{INT32_MIN, 0, INT32_MAX, 792};
        s.mPosition = PointRecord{INT32_MIN, 792};
        s.mTextStyle.SetJustification(0);
      },
      theInfo);
  EXPECT_EQ(ContentProblems(theWide), "");
  EXPECT_TRUE(theInfo.ends_with(";86;2;")) << theInfo;
}

TEST(TextExtremes, LineBreakerAtATinySizeFitsTheWholeLine) {
  TestRoot theRoot;
  StandardFont theFont;
  theFont.SelectByName("Helvetica");
  // 100 points hold more font units than any integer at this size.
  LineBreaker theBreaker(u"Hello world", theFont, 1e-300, 0, 0);
  LineBreaker::Geometry theGeometry;
  theGeometry.width = 100;
  theGeometry.lineStep = 1;
  theGeometry.height = 10;
  theBreaker.SetGeometry(theGeometry);
  ASSERT_TRUE(theBreaker.NextLine());
  EXPECT_EQ(theBreaker.SelLength(), 11u);
  EXPECT_TRUE(theBreaker.AtEnd());
}
