// Text layout and the text content it writes, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "TestRoot.h"
#include "fonts/LineBreaker.h"
#include "fonts/StandardFont.h"
#include "fonts/TextContent.h"
#include "pdfcore/PDFMemoryStream.h"

namespace {

const std::string kHeader =
    "q\r\n1.0000 0.0000 0.0000 1.0000 0.0000 0.0000 cm\r\nBT\r\n  0 Tr\r\n  0 w\r\n  /Fqvx7 10 Tf\r\n"
    "  0 Tc\r\n  0 Tw\r\n  0 0 0 rg\r\n";

class TextContentTest : public ::testing::Test {
 protected:
  TextContentTest() { mHelvetica.SelectByName("Helvetica"); }

  // A block at the top-left of the rectangle 100 500 300 600, Helvetica 10, font ID 7.
  TextBlockState State(std::u16string inText) const {
    TextBlockState theState;
    theState.text = std::move(inText);
    theState.fontID = 7;
    theState.font = &mHelvetica;
    theState.rect = RectRecord{100, 500, 300, 600};
    theState.pos = PointRecord{100, 600};
    return theState;
  }
  static std::string Content(TextContent& ioText) {
    PDFMemoryStream theStream;
    ioText.WriteContent(theStream);
    return std::string(theStream.GetView());
  }
  static std::string Info(TextContent& ioText, const char* inType) {
    PDFMemoryStream theStream;
    EXPECT_TRUE(ioText.Info(inType, theStream));
    return std::string(theStream.GetView());
  }

  TestRoot mRoot;
  StandardFont mHelvetica;
};

}  // namespace

TEST_F(TextContentTest, HelloWritesHeaderAndOneLine) {
  TextContent theText(State(u"Hello"));
  EXPECT_EQ(Content(theText), kHeader + "  100 602 Td\r\n  0 -10 Td\r\n  (Hello) Tj\r\nET\r\nQ\r\n");
  EXPECT_EQ(Info(theText, "lines"), "1");
  EXPECT_EQ(Info(theText, "Characters"), "5");
  EXPECT_EQ(Info(theText, "ENDPOS"), "123 600");  // 22.78 + 0.5 truncated
  PDFMemoryStream theOther;
  EXPECT_FALSE(theText.Info("id", theOther));
}

TEST_F(TextContentTest, EmptyTextAndTextsThatWriteNothing) {
  TextContent theEmpty(State(u""));
  EXPECT_EQ(Content(theEmpty), "");
  EXPECT_EQ(Info(theEmpty, "lines"), "0");
  EXPECT_EQ(Info(theEmpty, "characters"), "0");
  EXPECT_EQ(Info(theEmpty, "endpos"), "100 600");

  TextBlockState theSmall = State(u"Hello");
  theSmall.style.SetSize(0.5);
  TextContent theTiny(theSmall);
  EXPECT_EQ(Content(theTiny), "");
  EXPECT_FALSE(theTiny.WritesSomething());
  EXPECT_EQ(Info(theTiny, "endpos"), "0 0");  // nothing recorded

  TextBlockState theNoFont = State(u"Hello");
  theNoFont.fontID = 0;
  TextContent theUnfonted(theNoFont);
  EXPECT_EQ(Content(theUnfonted), "");
  EXPECT_EQ(Info(theUnfonted, "lines"), "0");
}

TEST_F(TextContentTest, ParagraphBreaksAndOverflow) {
  TextContent theBreak(State(u"Hello\r\n"));
  EXPECT_EQ(Info(theBreak, "endpos"), "100 590");
  EXPECT_EQ(Info(theBreak, "characters"), "7");
  EXPECT_EQ(Info(theBreak, "lines"), "1");

  TextBlockState theShort = State(u"Hello\r\n");
  theShort.rect = RectRecord{100, 585, 300, 600};  // less than two lines high
  TextContent theOverflow(theShort);
  EXPECT_EQ(Info(theOverflow, "endpos"), "300 585");
  EXPECT_EQ(Info(theOverflow, "characters"), "5");

  TextContent theThree(State(u"A\r\n\r\nB"));
  EXPECT_EQ(Info(theThree, "lines"), "3");
  EXPECT_EQ(Content(theThree),
            kHeader + "  100 602 Td\r\n  0 -10 Td\r\n  (A) Tj\r\n  0 -10 Td\r\n  0 -10 Td\r\n  (B) Tj\r\nET\r\nQ\r\n");
  EXPECT_EQ(Info(theThree, "endpos"), "107 580");  // after B (6.67 points) on the third line

  // Too long for the rectangle: stops at the bottom, counting only what was placed.
  TextBlockState theLong = State(u"aaaa bbbb cccc dddd eeee ffff");
  theLong.rect = RectRecord{100, 575, 160, 600};  // 60 wide, two lines high
  TextContent theCut(theLong);
  EXPECT_EQ(Info(theCut, "lines"), "2");
  EXPECT_EQ(Info(theCut, "endpos"), "160 575");
  EXPECT_EQ(Info(theCut, "characters"), "20");  // "aaaa bbbb " and "cccc dddd "
}

TEST_F(TextContentTest, BreaksWordsAtTheEdgeOnly) {
  TextBlockState theNarrow = State(u"ABCDEFGH");
  theNarrow.rect = RectRecord{100, 500, 130, 600};  // 30 points: A B C D are 27.78
  TextContent theText(theNarrow);
  EXPECT_EQ(Content(theText), kHeader + "  100 602 Td\r\n  0 -10 Td\r\n  (ABCD) Tj\r\n  0 -10 Td\r\n  (EFGH) Tj\r\n"
                                        "ET\r\nQ\r\n");

  // On an indented first line the word does not break: the line stays empty.
  TextBlockState theIndented = theNarrow;
  theIndented.text = std::u16string(u"ABCD");
  theIndented.pos.x = 105;
  TextContent theMoved(theIndented);
  EXPECT_EQ(Info(theMoved, "lines"), "2");
  EXPECT_EQ(Content(theMoved), kHeader + "  100 602 Td\r\n  5 -10 Td\r\n  -5 -10 Td\r\n  (ABCD) Tj\r\nET\r\nQ\r\n");

  // A character wider than the whole rectangle can never be placed: the layout ends.
  TextBlockState theTooWide = theNarrow;
  theTooWide.rect = RectRecord{100, 0, 102, 600};
  theTooWide.text = std::u16string(u"W");
  TextContent theNever(theTooWide);
  EXPECT_EQ(Info(theNever, "endpos"), "102 0");
  EXPECT_EQ(Info(theNever, "characters"), "0");
}

TEST_F(TextContentTest, EscapesAndChunks) {
  TextContent theSpecial(State(u"(a)\\b \u00E9\u00DF\u20AC"));
  const std::string theContent = Content(theSpecial);
  EXPECT_NE(theContent.find("  (\\050a\\051\\134b \\351\\337\\200) Tj\r\n"), std::string::npos) << theContent;

  TextBlockState theWide = State(std::u16string(300, u'a'));
  theWide.rect = RectRecord{0, 0, 10000, 600};
  theWide.pos = PointRecord{0, 600};
  TextContent theLong(theWide);
  const std::string theChunks = Content(theLong);
  EXPECT_NE(theChunks.find("  (" + std::string(240, 'a') + ") Tj\r\n  (" + std::string(60, 'a') + ") Tj\r\n"),
            std::string::npos);

  // A chunk closes once it holds 240 bytes or more: an escape can take it to 243.
  TextBlockState theEscapes = theWide;
  theEscapes.text = std::u16string(239, u'a') + u"((";
  TextContent theMixed(theEscapes);
  EXPECT_NE(Content(theMixed).find("  (" + std::string(239, 'a') + "\\050) Tj\r\n  (\\050) Tj\r\n"), std::string::npos);
}

TEST_F(TextContentTest, JustificationSetsTheWordSpacingOfFullLines) {
  TextBlockState theState = State(u"aaa bbb ccc ddd\r\neee fff");
  theState.rect = RectRecord{100, 500, 150, 600};  // 50 points: "aaa bbb " fits, not "ccc"
  theState.style.SetJustification(1.0);
  TextContent theText(theState);
  // Line 1 "aaa bbb": 6 letters of 5.56 and one space 2.78 = 36.14; 50 - 36.14 = 13.86 for 1 space.
  // Line 2 "ccc ddd" ends its paragraph, line 3 "eee fff" the text: both with WordSpacing 0.
  EXPECT_EQ(Content(theText), kHeader +
                                  "  100 602 Td\r\n  13.86 Tw\r\n  0 -10 Td\r\n  (aaa bbb) Tj\r\n"
                                  "  0 Tw\r\n  0 -10 Td\r\n  (ccc ddd) Tj\r\n  0 -10 Td\r\n  (eee fff) Tj\r\nET\r\nQ\r\n");
}

TEST_F(TextContentTest, PositioningColourStyleAndDecorations) {
  TextBlockState theRight = State(u"Hello");
  theRight.hPos = 1.0;
  TextContent theRightText(theRight);
  EXPECT_NE(Content(theRightText).find("  177 -10 Td\r\n"), std::string::npos);  // 200 - 22.78
  TextBlockState theCentre = State(u"Hello");
  theCentre.hPos = 0.5;
  TextContent theCentreText(theCentre);
  EXPECT_NE(Content(theCentreText).find("  88 -10 Td\r\n"), std::string::npos);

  TextBlockState theBottom = State(u"Hello");
  theBottom.vPos = 1.0;  // the block moves down by the 90 points left over
  TextContent theBottomText(theBottom);
  EXPECT_NE(Content(theBottomText).find("  100 512 Td\r\n"), std::string::npos);

  TextBlockState theStyled = State(u"Hello ");
  theStyled.color = ColorRecord{255, 0, 128};
  theStyled.style.SetUnderline(-1);
  theStyled.style.SetStrike2(1);
  theStyled.style.SetOutline(0.5);
  theStyled.style.SetCharSpacing(0.25);
  theStyled.transform = "1.0000 0.0000 0.0000 1.0000 10.0000 20.0000";
  TextContent theText(theStyled);
  EXPECT_EQ(Content(theText),
            "q\r\n1.0000 0.0000 0.0000 1.0000 10.0000 20.0000 cm\r\nBT\r\n  1 Tr\r\n  0.5 w\r\n  /Fqvx7 10 Tf\r\n"
            "  0.25 Tc\r\n  0 Tw\r\n  1 0 0.502 rg\r\n  100 602 Td\r\n  0 -10 Td\r\n  (Hello ) Tj\r\nET\r\nQ\r\n"
            "q\r\n  BX\r\n  0.5 w\r\n  1 0 0.502 RG\r\n"
            "  100 591 m\r\n  123.78 591 l\r\n"     // underline: 22.78 + 4 x 0.25 of spacing
            "  100 593.6 m\r\n  123.78 593.6 l\r\n"
            "  100 595 m\r\n  123.78 595 l\r\n"
            "  S\r\n  EX\r\nQ\r\n");
}

TEST_F(TextContentTest, ContinuesFromAPositionInsideTheRectangle) {
  // A block that starts where another ended: its first line starts at Pos.x.
  TextBlockState theState = State(u"world again");
  theState.pos = PointRecord{150, 580};
  theState.rect = RectRecord{100, 500, 200, 600};
  TextContent theText(theState);
  // 50 points are left on the first line: "world " fits, "again" goes to the next line.
  EXPECT_EQ(Content(theText), kHeader + "  100 582 Td\r\n  50 -10 Td\r\n  (world ) Tj\r\n  -50 -10 Td\r\n"
                                        "  (again) Tj\r\nET\r\nQ\r\n");
  EXPECT_EQ(Info(theText, "endpos"), "124 570");  // the end of "again" (24.46), on its own top
  EXPECT_EQ(Info(theText, "characters"), "11");
}

TEST(LineBreaker, WhitespaceAndPunctuationClasses) {
  for (char16_t theChar : {u'\0', u'\t', u'\n', u'\f', u'\r', u' '}) EXPECT_TRUE(LineBreaker::IsWhitespace(theChar));
  EXPECT_FALSE(LineBreaker::IsWhitespace(u'\u00A0'));
  EXPECT_TRUE(LineBreaker::IsPunctuation(u','));
  EXPECT_TRUE(LineBreaker::IsPunctuation(u'-'));
  EXPECT_TRUE(LineBreaker::IsPunctuation(u'\u2014'));
  EXPECT_FALSE(LineBreaker::IsPunctuation(u'a'));
}
