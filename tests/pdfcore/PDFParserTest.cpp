// The value parser: each kind's read rules with the positions they leave, the limits that keep
// hostile input harmless (nesting, long tokens, lengths beyond the data, lengths that lead back
// to the object being read), names and strings that survive a read and a write byte for byte,
// the searches and the error text.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <utility>

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFBoolAtom.h"
#include "pdfcore/PDFContentObject.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFParser.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFSoup.h"
#include "pdfcore/PDFStreamAtom.h"
#include "pdfcore/PDFStringAtom.h"

namespace {

// A memory stream over a copy of inText, at position 0.
class TextStream : public PDFMemoryStream {
 public:
  explicit TextStream(std::string_view inText) {
    Write(inText.data(), static_cast<uint32_t>(inText.size()));
    SetPosition(0);
  }
};

// The same bytes without the data pointer, as a stream that only reads: the searches' copying
// path.
class OpaqueStream : public TextStream {
 public:
  using TextStream::TextStream;
  const uint8_t* GetData() override { return nullptr; }
};

std::unique_ptr<PDFAtom> Parse(std::string_view inText) { return PDFParser::ParseText(inText, nullptr); }

const PDFNumberAtom& Number(const std::unique_ptr<PDFAtom>& inAtom) {
  EXPECT_TRUE(PDFAtom::IsNumber(inAtom.get()));
  static const PDFNumberAtom kNone;
  return PDFAtom::IsNumber(inAtom.get()) ? static_cast<const PDFNumberAtom&>(*inAtom) : kNone;
}

int32_t Integer(std::string_view inText) {
  const auto theAtom = Parse(inText);
  EXPECT_TRUE(Number(theAtom).IsInteger()) << inText;
  return Number(theAtom).GetInteger();
}

double Real(std::string_view inText) {
  const auto theAtom = Parse(inText);
  EXPECT_FALSE(Number(theAtom).IsInteger()) << inText;
  return Number(theAtom).GetReal();
}

std::string Bytes(std::string_view inText) {
  const auto theAtom = Parse(inText);
  EXPECT_TRUE(PDFAtom::IsString(theAtom.get())) << inText;
  return PDFAtom::IsString(theAtom.get()) ? static_cast<const PDFStringAtom&>(*theAtom).GetText() : "";
}

std::string NameOf(std::string_view inText) {
  const auto theAtom = Parse(inText);
  EXPECT_TRUE(PDFAtom::IsName(theAtom.get())) << inText;
  return PDFAtom::IsName(theAtom.get()) ? static_cast<const PDFNameAtom&>(*theAtom).GetName() : "";
}

// Containers around the innermost element reached through the first element of each array or
// the "A" entry of each dictionary.
int Depth(const PDFAtom* inAtom) {
  int theDepth = 0;
  for (;;) {
    if (PDFAtom::IsArray(inAtom)) {
      inAtom = static_cast<const PDFArrayAtom*>(inAtom)->Get(0);
    } else if (PDFAtom::IsDict(inAtom)) {
      inAtom = static_cast<const PDFDictAtom*>(inAtom)->Get("A");
    } else {
      return theDepth;
    }
    ++theDepth;
  }
}

// An object of a source file that is parsed on first use, from its own text, with the table as
// context: what the file reader's placeholders do.
// Counts its parses in *inParses when given.
class TextPlaceholder : public PDFObject {
 public:
  TextPlaceholder(PDFSoup* inSoup, uint32_t inID, std::string inText, int* inParses = nullptr)
      : PDFObject(inID, kTypePlaceholder), mSoup(inSoup), mText(std::move(inText)), mParses(inParses) {}
  std::unique_ptr<PDFObject> Materialize() override {
    if (mParses) ++*mParses;
    return std::make_unique<PDFContentObject>(mSoup, mID, kTypeStream, PDFParser::ParseText(mText, mSoup));
  }

 protected:
  void WriteBody(PDFStream&) override {}

 private:
  PDFSoup* mSoup;
  std::string mText;
  int* mParses;
};

// An object whose parse asks the table for itself, as a parse of a stream whose Length is the
// object itself would.
class SelfLoadingPlaceholder : public PDFObject {
 public:
  SelfLoadingPlaceholder(PDFSoup* inSoup, uint32_t inID) : PDFObject(inID, kTypePlaceholder), mSoup(inSoup) {}
  std::unique_ptr<PDFObject> Materialize() override {
    PDFObject* theSelf = mSoup->Get(mID);
    EXPECT_EQ(theSelf, this);
    return std::make_unique<PDFContentObject>(mSoup, mID, kTypeStream, std::make_unique<PDFNumberAtom>(1));
  }

 protected:
  void WriteBody(PDFStream&) override {}

 private:
  PDFSoup* mSoup;
};

void AddContent(PDFSoup& ioSoup, uint32_t inID, std::unique_ptr<PDFAtom> inAtom) {
  ioSoup.Add(std::make_unique<PDFContentObject>(&ioSoup, inID, kTypeStream, std::move(inAtom)));
}

const PDFStreamAtom* StreamOf(PDFObject* inObj) {
  const PDFAtom* theAtom = inObj ? inObj->GetAtom() : nullptr;
  EXPECT_TRUE(PDFAtom::IsStream(theAtom));
  return PDFAtom::IsStream(theAtom) ? static_cast<const PDFStreamAtom*>(theAtom) : nullptr;
}

std::string DataOf(const PDFAtom* inAtom);
std::string DataOf(const std::unique_ptr<PDFAtom>& inAtom) { return DataOf(inAtom.get()); }

std::string DataOf(const PDFAtom* inAtom) {
  if (!PDFAtom::IsStream(inAtom)) return "<not a stream>";
  const auto theData = static_cast<const PDFStreamAtom*>(inAtom)->GetData();
  return std::string(theData.begin(), theData.end());
}

TEST(PDFParserTest, NumbersScanAsTheirFormsDo) {
  EXPECT_EQ(Integer("42"), 42);
  EXPECT_EQ(Integer("+5"), 5);
  EXPECT_EQ(Integer("-17"), -17);
  // Without a point the token is an integer and the scan stops at the "e".
  EXPECT_EQ(Integer("1e5"), 1);
  EXPECT_EQ(Integer("12abc"), 12);
  // A sign alone does not scan and is 0; the sign is consumed.
  EXPECT_EQ(Integer("-"), 0);
  EXPECT_EQ(Integer("+"), 0);
  EXPECT_EQ(Integer("--5"), 0);
  // Beyond 32 bits the value stays at the ends of the range.
  EXPECT_EQ(Integer("4294967296"), INT32_MAX);
  EXPECT_EQ(Integer("-99999999999"), INT32_MIN);

  EXPECT_DOUBLE_EQ(Real("1.5e3"), 1500.0);
  EXPECT_DOUBLE_EQ(Real("-.5"), -0.5);
  EXPECT_DOUBLE_EQ(Real("+3."), 3.0);
  EXPECT_DOUBLE_EQ(Real("0.25e"), 0.25);
  EXPECT_DOUBLE_EQ(Real("2.5e-1x"), 0.25);
  EXPECT_DOUBLE_EQ(Real("."), 0.0);
  EXPECT_DOUBLE_EQ(Real("-.e5"), 0.0);
  EXPECT_DOUBLE_EQ(Real("1.0e-999"), 0.0);
  EXPECT_EQ(Parse("-1.0e999")->ToText(), "0.000000");  // infinite: no PDF form
  EXPECT_EQ(Number(Parse("2.5")).GetInteger(), 3);
  EXPECT_EQ(Parse("7.0")->ToText(), "7.000000");
}

TEST(PDFParserTest, NumbersIgnoreTheLocale) {
  const std::string theSaved = std::setlocale(LC_NUMERIC, nullptr);
  const bool theComma =
      std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
  EXPECT_DOUBLE_EQ(Real("1.25"), 1.25);
  EXPECT_DOUBLE_EQ(Real("1,25."), 1.0);
  std::setlocale(LC_NUMERIC, theSaved.c_str());
  if (!theComma) GTEST_SKIP() << "no locale with a decimal comma installed";
}

TEST(PDFParserTest, LongTokensAreConsumedWhole) {
  // 10,000 digits are one number; what follows them is the next value, not more digits.
  TextStream theStream(std::string(10000, '9') + " 7");
  EXPECT_EQ(Number(PDFParser::ParseAtom(theStream, nullptr)).GetInteger(), INT32_MAX);
  EXPECT_EQ(theStream.GetPosition(), 10000u);
  EXPECT_EQ(Number(PDFParser::ParseAtom(theStream, nullptr)).GetInteger(), 7);

  TextStream theWords("trueeeeeeeeeeeeeeeeeeeee nullllllllllllllllllll 3");
  const auto theBool = PDFParser::ParseAtom(theWords, nullptr);
  ASSERT_TRUE(PDFAtom::IsBool(theBool.get()));
  EXPECT_EQ(static_cast<PDFBoolAtom&>(*theBool).GetValue(), 0);
  EXPECT_TRUE(PDFAtom::IsNull(PDFParser::ParseAtom(theWords, nullptr).get()));
  EXPECT_EQ(Number(PDFParser::ParseAtom(theWords, nullptr)).GetInteger(), 3);

  // A reference's parts are tokens too: a long generation is consumed, then "R" still counts.
  EXPECT_TRUE(PDFAtom::IsRef(Parse("12 " + std::string(40, '0') + " R").get()));

  char theBuffer[4];
  TextStream theToken("abcdefgh]x");
  EXPECT_EQ(PDFParser::ReadToken(theToken, theBuffer), "abcd");
  EXPECT_EQ(theToken.GetPosition(), 8u);
  EXPECT_EQ(PDFParser::ReadToken(theToken, theBuffer), "");  // a delimiter ends a token at once
  EXPECT_EQ(theToken.GetPosition(), 8u);
}

TEST(PDFParserTest, BooleansNullAndNothing) {
  const auto theTrue = Parse("true");
  ASSERT_TRUE(PDFAtom::IsBool(theTrue.get()));
  EXPECT_EQ(static_cast<PDFBoolAtom&>(*theTrue).GetValue(), 1);
  for (const char* theText : {"false", "fals", "tree", "t"}) {
    const auto theAtom = Parse(theText);
    ASSERT_TRUE(PDFAtom::IsBool(theAtom.get())) << theText;
    EXPECT_EQ(static_cast<PDFBoolAtom&>(*theAtom).GetValue(), 0) << theText;
  }
  EXPECT_TRUE(PDFAtom::IsNull(Parse("null").get()));
  EXPECT_TRUE(PDFAtom::IsNull(Parse("nonsense").get()));
  // Bytes that start no value give none and stay unread; whitespace and comments before them
  // are skipped.
  const std::pair<const char*, uint32_t> kNothing[] = {{"", 0},    {"   ", 3}, {"}", 0},   {")", 0},
                                                       {">", 0},   {"]", 0},   {"R", 0},   {"{1}", 0},
                                                       {"  }", 2}, {"% only a comment", 16}};
  for (const auto& [theText, thePosition] : kNothing) {
    TextStream theStream(theText);
    EXPECT_EQ(PDFParser::ParseAtom(theStream, nullptr), nullptr) << theText;
    EXPECT_EQ(theStream.GetPosition(), thePosition) << theText;
  }
}

TEST(PDFParserTest, CommentsAndWhitespaceAreSkipped) {
  EXPECT_EQ(Integer("% a comment\r\n42"), 42);
  EXPECT_EQ(Integer("%first\r%second\n\t\f 42"), 42);
  EXPECT_EQ(Integer(std::string("\0\0 42", 5)), 42);  // NUL is whitespace
  TextStream theStream("  % note\r\n  x");
  EXPECT_TRUE(PDFParser::SkipWhitespace(theStream));
  EXPECT_EQ(theStream.Peek(), 'x');
  EXPECT_FALSE(PDFParser::SkipWhitespace(theStream));
  TextStream theEnd("   ");
  EXPECT_TRUE(PDFParser::SkipWhitespace(theEnd));
  EXPECT_EQ(theEnd.GetPosition(), 3u);  // the end, not past it
}

TEST(PDFParserTest, ReferencesNeedWhitespaceAndR) {
  const auto theRef = Parse("12 0 R");
  ASSERT_TRUE(PDFAtom::IsRef(theRef.get()));
  EXPECT_EQ(static_cast<PDFRefAtom&>(*theRef).GetID(), 12u);
  EXPECT_EQ(static_cast<PDFRefAtom&>(*theRef).GetGeneration(), 0u);
  const auto theCommented = Parse("7 %c\r\n3 %d\nR");
  ASSERT_TRUE(PDFAtom::IsRef(theCommented.get()));
  EXPECT_EQ(static_cast<PDFRefAtom&>(*theCommented).GetGeneration(), 3u);
  EXPECT_TRUE(PDFAtom::IsRef(Parse("5 0 R]").get()));

  // Anything else reads the first token as a number and leaves the rest unread.
  for (const char* theText : {"12 0  obj", "12 0R", "12", "12 0", "12 0 Rx", "12 [0 R]", "12 0 /R"}) {
    TextStream theStream(theText);
    EXPECT_EQ(Number(PDFParser::ParseAtom(theStream, nullptr)).GetInteger(), 12) << theText;
    EXPECT_EQ(theStream.GetPosition(), 2u) << theText;
  }
  // An array of numbers keeps them apart.
  const auto theArray = Parse("[1 2 3 4 0 R]");
  ASSERT_TRUE(PDFAtom::IsArray(theArray.get()));
  EXPECT_EQ(theArray->ToText(), "[ 1 2 3 4 0 R ]");
}

TEST(PDFParserTest, NamesDecodeTheirEscapes) {
  EXPECT_EQ(NameOf("/Type"), "Type");
  EXPECT_EQ(NameOf("/A#20B"), "A B");
  EXPECT_EQ(NameOf("/A#00"), "A ");  // a zero byte cannot stand in a name
  EXPECT_EQ(NameOf("/#41#62"), "Ab");
  EXPECT_EQ(NameOf("/a#2"), std::string("a\x02"));  // the data ends after one digit
  EXPECT_EQ(NameOf("/a#G1b"), std::string("a\x01" "b"));  // a non-digit adds nothing
  EXPECT_EQ(NameOf("/"), "");
  EXPECT_EQ(NameOf("/a{b}"), "a{b}");  // braces are not delimiters
  // A name ends before whitespace or a delimiter, which stays unread.
  TextStream theStream("/Name/Next");
  EXPECT_EQ(static_cast<PDFNameAtom&>(*PDFParser::ParseAtom(theStream, nullptr)).GetName(), "Name");
  EXPECT_EQ(theStream.GetPosition(), 5u);
  EXPECT_EQ(static_cast<PDFNameAtom&>(*PDFParser::ParseAtom(theStream, nullptr)).GetName(), "Next");
}

TEST(PDFParserTest, NamesReadFromTextAreWrittenBackAsTheyWere) {
  for (const char* theText :
       {"/PANTONE#20185#20C", "/a#23b", "/A#2FB#28#29", "/#E9t#E9", "/Type", "/A#7Bb"}) {
    EXPECT_EQ(Parse(theText)->ToText(), theText);
  }
  // Lower-case escapes and needless ones read as the same name and are written in one form.
  EXPECT_EQ(Parse("/A#2fB#41")->ToText(), "/A#2FBA");
  // Keys too: a dictionary read and written keeps its keys' bytes.
  const std::string theDict = "<<\r\n/A#20B 1\r\n/PANTONE#20185#20C /Sep#23\r\n>>";
  const auto theAtom = Parse(theDict);
  ASSERT_TRUE(PDFAtom::IsDict(theAtom.get()));
  EXPECT_NE(static_cast<PDFDictAtom&>(*theAtom).Get("A B"), nullptr);
  EXPECT_EQ(theAtom->ToText(), theDict);
  // Copies keep the written form.
  EXPECT_EQ(PDFAtom::Clone(Parse("/A#20B").get())->ToText(), "/A#20B");
  // Names the library builds are written as they are.
  EXPECT_EQ(PDFNameAtom("Helvetica-Bold").ToText(), "/Helvetica-Bold");
}

TEST(PDFParserTest, LiteralStrings) {
  EXPECT_EQ(Bytes("(a\\\r\nb)"), "ab");
  EXPECT_EQ(Bytes("(a\\\rb\\\nc)"), "abc");
  EXPECT_EQ(Bytes("(\\101\\102)"), "AB");
  EXPECT_EQ(Bytes("(\\0053)"), std::string("\x05" "3"));  // three digits at most
  EXPECT_EQ(Bytes("(\\7x\\777)"), std::string("\x07x\xFF"));  // the low 8 bits
  EXPECT_EQ(Bytes("(a(b)c)"), "a(b)c");
  EXPECT_EQ(Bytes("(a\\(b)"), "a(b");
  EXPECT_EQ(Bytes("(\\)\\\\\\b\\f\\n\\r\\t)"), ")\\\b\f\n\r\t");
  EXPECT_EQ(Bytes("(\\q\\8)"), "q8");  // an unknown escape drops the backslash
  EXPECT_EQ(Bytes("(\\()"), "(");  // an escaped "(" does not nest
  EXPECT_EQ(Bytes("(a\\"), "a");
  EXPECT_EQ(Bytes("(()"), "()");  // the end of data ends an unclosed string
  EXPECT_EQ(Bytes("()"), "");
  TextStream theStream("(x) 5");
  PDFParser::ParseAtom(theStream, nullptr);
  EXPECT_EQ(theStream.GetPosition(), 3u);
}

TEST(PDFParserTest, HexStrings) {
  EXPECT_EQ(Bytes("<4>"), "\x40");
  EXPECT_EQ(Bytes("< 41 42 >"), "AB");
  EXPECT_EQ(Bytes("<41\r\n4<2>"), "AB");
  EXPECT_EQ(Bytes("<4G41>"), std::string("\x40\x41"));  // a non-digit counts as 0
  EXPECT_EQ(Bytes("<>"), "");
  EXPECT_EQ(Bytes("<414"), "A\x40");
  // Zero bytes are kept.
  EXPECT_EQ(Bytes("<41004243>"), std::string("A\0BC", 4));
}

TEST(PDFParserTest, StringsKeepTheirBytesThroughAWrite) {
  // UTF-16 text with its byte order mark and zero bytes, read in both forms, written and read
  // again.
  const std::string theUTF16("\xFE\xFF\x00Q\x00u\x20\xAC", 8);
  EXPECT_EQ(Bytes("<FEFF00510075 20AC>"), theUTF16);
  const std::string theWritten = Parse("<FEFF0051007520AC>")->ToText();
  EXPECT_EQ(theWritten, "(\\376\\377\\000Q\\000u \\254)");
  EXPECT_EQ(Bytes(theWritten), theUTF16);
  EXPECT_EQ(Bytes("(a\\000b)"), std::string("a\0b", 3));
  EXPECT_EQ(Parse("(a\\000b)")->ToText(), "(a\\000b)");
  // Every byte value survives.
  std::string theAll;
  for (int i = 0; i < 256; ++i) theAll.push_back(static_cast<char>(i));
  PDFStringAtom theString;
  theString.SetBytes(theAll);
  EXPECT_EQ(Bytes(theString.ToText()), theAll);
  EXPECT_EQ(static_cast<PDFStringAtom&>(*PDFAtom::Clone(&theString)).GetText(), theAll);
  // Text the library sets still ends at its first zero byte.
  EXPECT_EQ(PDFStringAtom(std::string_view("ab\0c", 4)).ToText(), "(ab)");
}

TEST(PDFParserTest, ArraysKeepWhatWasReadBeforeABadElement) {
  TextStream theStream("[1 2 ) 3]");
  const auto theArray = PDFParser::ParseAtom(theStream, nullptr);
  ASSERT_TRUE(PDFAtom::IsArray(theArray.get()));
  EXPECT_EQ(theArray->ToText(), "[ 1 2 ]");
  EXPECT_EQ(theStream.Peek(), ')');
  EXPECT_EQ(Parse("[]")->ToText(), "[ ]");
  EXPECT_EQ(Parse("[[1][2 [3]]%c\n/N(s)<41>true null]")->ToText(),
            "[ [ 1 ] [ 2 [ 3 ] ] /N (s) (A)\r\ntrue\r\nnull ]");
  EXPECT_EQ(Parse("[1 2")->ToText(), "[ 1 2 ]");
  TextStream theAfter("[1]2");
  PDFParser::ParseAtom(theAfter, nullptr);
  EXPECT_EQ(theAfter.GetPosition(), 3u);
}

TEST(PDFParserTest, DictionariesDropNullValuesAndOtherKeys) {
  const auto theAtom = Parse("<< /A 1 /B null /C [1 2 (x)] >>");
  ASSERT_TRUE(PDFAtom::IsDict(theAtom.get()));
  const auto& theDict = static_cast<const PDFDictAtom&>(*theAtom);
  EXPECT_EQ(theDict.GetCount(), 2u);
  EXPECT_NE(theDict.Get("A"), nullptr);
  EXPECT_EQ(theDict.Get("B"), nullptr);
  EXPECT_TRUE(PDFAtom::IsArray(theDict.Get("C")));

  // A key that is not a name is dropped with its value; a later duplicate replaces the earlier.
  EXPECT_EQ(Parse("<< (k) 1 /A 2 /A 3 >>")->ToText(), "<<\r\n/A 3\r\n>>");
  EXPECT_EQ(Parse("<</A/B/C<</D 4 0 R>>>>")->ToText(), "<<\r\n/A /B\r\n/C <<\r\n/D 4 0 R\r\n>>\r\n>>");
  // A byte that starts no value is stepped over.
  EXPECT_EQ(Parse("<< ) /A 1 >>")->ToText(), "<<\r\n>>");
  EXPECT_EQ(Parse("<< /A 1 /B")->ToText(), "<<\r\n/A 1\r\n>>");
  EXPECT_EQ(Parse("<<")->ToText(), "<<\r\n>>");
  TextStream theStream("<< /A 1 >> 5");
  PDFParser::ParseAtom(theStream, nullptr);
  EXPECT_EQ(theStream.GetPosition(), 11u);  // whitespace after it is skipped looking for "stream"
}

TEST(PDFParserTest, NestingIsLimited) {
  // As deep as the limit allows: parsed whole and written back the same.
  const int theLimit = PDFParser::kMaxNesting;
  const std::string theDeep = std::string(theLimit, '[') + "1" + std::string(theLimit, ']');
  auto theAtom = Parse(theDeep);
  EXPECT_EQ(Depth(theAtom.get()), theLimit);
  std::string theCompact;
  for (const char theChar : theAtom->ToText())
    if (theChar != ' ') theCompact.push_back(theChar);
  EXPECT_EQ(theCompact, theDeep);

  // One level more: what was read so far, and the position at the refused bracket.
  TextStream theOver(std::string(theLimit + 1, '[') + "1" + std::string(theLimit + 1, ']'));
  theAtom = PDFParser::ParseAtom(theOver, nullptr);
  EXPECT_EQ(Depth(theAtom.get()), theLimit);
  EXPECT_EQ(theOver.GetPosition(), static_cast<uint32_t>(theLimit));

  // 100,000 levels of arrays, of dictionaries and of both: no stack overflow.
  theAtom = Parse(std::string(100000, '['));
  EXPECT_EQ(Depth(theAtom.get()), theLimit);
  std::string theDicts;
  for (int i = 0; i < 100000; ++i) theDicts += "<</A ";
  theAtom = Parse(theDicts);
  EXPECT_EQ(Depth(theAtom.get()), theLimit);
  std::string theMixed;
  for (int i = 0; i < 50000; ++i) theMixed += "[<</A ";
  theAtom = Parse(theMixed);
  EXPECT_EQ(Depth(theAtom.get()), theLimit);
  // Deep keys and streams inside streams' dictionaries are bounded the same way.
  theAtom = Parse(std::string(100000, '<'));
  EXPECT_TRUE(PDFAtom::IsDict(theAtom.get()));
  theAtom->ToText();
}

TEST(PDFParserTest, StreamsTakeTheirLengthOrSearch) {
  // A direct Length; the position ends after LF and "endstream".
  TextStream theStream("<< /Length 5 >>\r\nstream\r\nHello\nendstream\nendobj");
  auto theAtom = PDFParser::ParseAtom(theStream, nullptr);
  EXPECT_EQ(DataOf(theAtom.get()), "Hello");
  EXPECT_EQ(theStream.GetPosition(), 40u);
  // The line end after the keyword: CR LF, CR alone or any one byte.
  EXPECT_EQ(DataOf(Parse("<</Length 3>>stream\rabcX")), "abc");
  EXPECT_EQ(DataOf(Parse("<</Length 3>>stream\nabcX")), "abc");
  EXPECT_EQ(DataOf(Parse("<</Length 3>>stream abcX")), "abc");
  EXPECT_EQ(DataOf(Parse("<</Length 3>>stream%abcX")), "abc");
  EXPECT_EQ(DataOf(Parse("<</Length 3>> % note\r\nstream\r\n\nabX")), "\nab");
  // No Length, or one that is no number: up to "endstream", the line end included.
  EXPECT_EQ(DataOf(Parse("<<>>stream\r\nabc\r\nendstream")), "abc\r\n");
  EXPECT_EQ(DataOf(Parse("<</Length (5)>>stream\nabc\nendstream")), "abc\n");
  EXPECT_EQ(DataOf(Parse("<</Length -4>>stream\nabc\nendstream")), "abc\n");
  // Without "endstream" the data runs to the end.
  EXPECT_EQ(DataOf(Parse("<<>>stream\nabc")), "abc");
  // A Length beyond the data is cut to what is there, and the dictionary says so.
  theAtom = Parse("<</Length 2000000000>>stream\nabc");
  EXPECT_EQ(DataOf(theAtom.get()), "abc");
  EXPECT_EQ(static_cast<PDFStreamAtom&>(*theAtom).GetDict()->ToText(), "<<\r\n/Length 3\r\n>>");
  EXPECT_EQ(DataOf(Parse("<</Length 9>>stream")), "");
  // The data is kept as it is, filters and all, and written back the same.
  const std::string theBinary("\x00\xFF\r\n", 4);
  theAtom = Parse("<</Filter/FlateDecode/Length 4>>stream\r\n" + theBinary + "\nendstream");
  EXPECT_EQ(DataOf(theAtom.get()), theBinary);
  EXPECT_EQ(theAtom->ToText(),
            "<<\r\n/Filter /FlateDecode\r\n/Length 4\r\n>>\r\nstream\r\n" + theBinary + "\r\nendstream\r\n");
  // "stream" must be the whole token.
  EXPECT_TRUE(PDFAtom::IsDict(Parse("<<>> streams").get()));
  // A stream inside an array is read too.
  EXPECT_EQ(Parse("[<</Length 1>>stream\nx\nendstream 5]")->ToText(),
            "[ <<\r\n/Length 1\r\n>>\r\nstream\r\nx\r\nendstream\r\n 5 ]");
}

TEST(PDFParserTest, IndirectLengthsResolveThroughTheTable) {
  const std::string theText = "<</Length 5 0 R>>stream\nabcdefgh\nendstream";
  PDFSoup theSoup;
  AddContent(theSoup, 5, std::make_unique<PDFNumberAtom>(4));
  EXPECT_EQ(DataOf(PDFParser::ParseText(theText, &theSoup).get()), "abcd");
  // Without a table, and for an object that is missing or holds no number, the search decides.
  EXPECT_EQ(DataOf(PDFParser::ParseText(theText, nullptr).get()), "abcdefgh\n");
  EXPECT_EQ(DataOf(PDFParser::ParseText("<</Length 6 0 R>>stream\nab\nendstream", &theSoup).get()), "ab\n");
  AddContent(theSoup, 6, std::make_unique<PDFStringAtom>("3"));
  EXPECT_EQ(DataOf(PDFParser::ParseText("<</Length 6 0 R>>stream\nab\nendstream", &theSoup).get()), "ab\n");
  // The resolved length is cut to the data as well.
  AddContent(theSoup, 7, std::make_unique<PDFNumberAtom>(99999));
  EXPECT_EQ(DataOf(PDFParser::ParseText("<</Length 7 0 R>>stream\nab", &theSoup).get()), "ab");
  // Only a dictionary at the top gets the table; one inside an array searches.
  EXPECT_EQ(PDFParser::ParseText("[" + theText + "]", &theSoup)->ToText(),
            "[ <<\r\n/Length 9\r\n>>\r\nstream\r\nabcdefgh\n\r\nendstream\r\n ]");
}

TEST(PDFParserTest, LengthsLeadingBackToTheObjectBeingLoadedSearch) {
  PDFSoup theSoup;
  theSoup.SetLoader(std::make_unique<PDFMemoryStream>());
  // Object 3's Length is object 3 itself.
  theSoup.Add(std::make_unique<TextPlaceholder>(&theSoup, 3, "<</Length 3 0 R>>stream\nabc\nendstream"));
  EXPECT_EQ(DataOf(StreamOf(theSoup.Get(3))), "abc\n");
  // Objects 4 and 5 are each other's Length; 6 is a number behind a chain of one.
  theSoup.Add(std::make_unique<TextPlaceholder>(&theSoup, 4, "<</Length 5 0 R>>stream\nfour\nendstream"));
  theSoup.Add(std::make_unique<TextPlaceholder>(&theSoup, 5, "<</Length 4 0 R>>stream\nfive\nendstream"));
  EXPECT_EQ(DataOf(StreamOf(theSoup.Get(4))), "four\n");
  EXPECT_EQ(DataOf(StreamOf(theSoup.Get(5))), "five\n");
  // A Length that is an unparsed object is parsed once, and used.
  int theParses = 0;
  theSoup.Add(std::make_unique<TextPlaceholder>(&theSoup, 8, "2", &theParses));
  theSoup.Add(std::make_unique<TextPlaceholder>(&theSoup, 7, "<</Length 8 0 R>>stream\nseven\nendstream"));
  EXPECT_EQ(DataOf(StreamOf(theSoup.Get(7))), "se");
  theSoup.Get(8);
  EXPECT_EQ(theParses, 1);
  // A long chain of streams whose Lengths lead on to the next stops after a bounded number of
  // nested loads, and every object still reads by searching.
  for (uint32_t theID = 10; theID < 200; ++theID) {
    theSoup.Add(std::make_unique<TextPlaceholder>(
        &theSoup, theID, "<</Length " + std::to_string(theID + 1) + " 0 R>>stream\nx\nendstream"));
  }
  EXPECT_EQ(DataOf(StreamOf(theSoup.Get(10))), "x\n");
  EXPECT_FALSE(theSoup.IsLoading(10));
  EXPECT_EQ(theSoup.GetRaw(10 + PDFSoup::kMaxNestedLoads - 1)->GetType(), kTypeStream);
  EXPECT_EQ(theSoup.GetRaw(10 + PDFSoup::kMaxNestedLoads)->GetType(), kTypePlaceholder);
  EXPECT_EQ(DataOf(StreamOf(theSoup.Get(10 + PDFSoup::kMaxNestedLoads))), "x\n");
  // A Load of an object that is being loaded hands it out as it is, without parsing it again.
  theSoup.Add(std::make_unique<SelfLoadingPlaceholder>(&theSoup, 300));
  EXPECT_EQ(theSoup.Get(300)->GetType(), kTypeStream);
  // Without a loader a placeholder is not parsed, and gives no length.
  PDFSoup theBare;
  theBare.Add(std::make_unique<TextPlaceholder>(&theBare, 2, "1"));
  EXPECT_EQ(theBare.ResolveLength(2), nullptr);
  EXPECT_EQ(DataOf(PDFParser::ParseText("<</Length 2 0 R>>stream\nab\nendstream", &theBare).get()), "ab\n");
}

TEST(PDFParserTest, FindForwardAndBackward) {
  for (const bool theOpaque : {false, true}) {
    SCOPED_TRACE(theOpaque ? "copying" : "in memory");
    const std::string theText = "endstream xx endstream yy";
    std::unique_ptr<TextStream> theStream =
        theOpaque ? std::make_unique<OpaqueStream>(theText) : std::make_unique<TextStream>(theText);
    theStream->SetPosition(1);
    EXPECT_TRUE(PDFParser::FindForward(*theStream, "endstream"));
    EXPECT_EQ(theStream->GetPosition(), 13u);
    EXPECT_TRUE(PDFParser::FindForward(*theStream, "endstream"));  // a match at the position
    EXPECT_EQ(theStream->GetPosition(), 13u);
    theStream->SetPosition(14);
    EXPECT_FALSE(PDFParser::FindForward(*theStream, "endstream"));
    EXPECT_EQ(theStream->GetPosition(), 25u);
    theStream->SetPosition(1000);
    EXPECT_FALSE(PDFParser::FindForward(*theStream, "x"));
    EXPECT_EQ(theStream->GetPosition(), 25u);

    // Backward from the smaller of the position and length minus pattern length, down to 1.
    theStream->SetPosition(25);
    EXPECT_TRUE(PDFParser::FindBackward(*theStream, "endstream"));
    EXPECT_EQ(theStream->GetPosition(), 13u);
    EXPECT_TRUE(PDFParser::FindBackward(*theStream, "endstream"));
    EXPECT_EQ(theStream->GetPosition(), 13u);
    theStream->SetPosition(12);
    EXPECT_FALSE(PDFParser::FindBackward(*theStream, "endstream"));  // offset 0 is never tested
    EXPECT_EQ(theStream->GetPosition(), 0u);
    theStream->SetPosition(5);
    EXPECT_FALSE(PDFParser::FindBackward(*theStream, std::string(26, 'e')));
    EXPECT_EQ(theStream->GetPosition(), 5u);  // longer than the data: nothing moves
  }
  // Matches across the chunks the copying search reads, both ways.
  const std::string theBig = std::string(65536 - 4, 'a') + "startxref" + std::string(200000, 'b') + "%%EOF" +
                             std::string(70000, 'c');
  OpaqueStream theOpaque(theBig);
  TextStream theMemory(theBig);
  for (PDFStream* theStream : {static_cast<PDFStream*>(&theOpaque), static_cast<PDFStream*>(&theMemory)}) {
    theStream->SetPosition(0);
    EXPECT_TRUE(PDFParser::FindForward(*theStream, "startxref"));
    EXPECT_EQ(theStream->GetPosition(), 65532u);
    EXPECT_TRUE(PDFParser::FindForward(*theStream, "%%EOF"));
    EXPECT_EQ(theStream->GetPosition(), 65532u + 9 + 200000);
    theStream->SetPosition(theStream->GetLength());
    EXPECT_TRUE(PDFParser::FindBackward(*theStream, "%%EOF"));
    EXPECT_EQ(theStream->GetPosition(), 65532u + 9 + 200000);
    EXPECT_TRUE(PDFParser::FindBackward(*theStream, "startxref"));
    EXPECT_EQ(theStream->GetPosition(), 65532u);
  }
}

TEST(PDFParserTest, ErrorTextShowsTheBytesAroundThePosition) {
  TextStream theStream("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!");
  theStream.SetPosition(40);
  EXPECT_EQ(PDFParser::ErrorText(theStream, "Bad."),
            "Bad. Error at \"89abcdefghijklmnopqrstuvwxyzABCD^EFGHIJKLMNOPQRSTUVWXYZ!\" at offset 40.");
  EXPECT_EQ(theStream.GetPosition(), 40u);
  theStream.SetPosition(0);
  EXPECT_EQ(PDFParser::ErrorText(theStream, "M"),
            "M Error at \"^0123456789abcdefghijklmnopqrstuv\" at offset 0.");
  theStream.SetPosition(theStream.GetLength());
  EXPECT_EQ(PDFParser::ErrorText(theStream, "M"),
            "M Error at \"vwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!^\" at offset 63.");
  // A position past the end shows the last bytes and nothing after them.
  theStream.SetPosition(100000);
  EXPECT_EQ(PDFParser::ErrorText(theStream, "M"),
            "M Error at \"vwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ!^\" at offset 100000.");
  EXPECT_EQ(theStream.GetPosition(), 100000u);
  // Control bytes, zero bytes and bytes above 127 show as spaces, in the message too.
  TextStream theBinary(std::string("a\r\n\0\xE9\x7F" "b", 7));
  theBinary.SetPosition(3);
  EXPECT_EQ(PDFParser::ErrorText(theBinary, "x\ty"), "x y Error at \"a  ^  \x7F" "b\" at offset 3.");
  PDFMemoryStream theEmpty;
  EXPECT_EQ(PDFParser::ErrorText(theEmpty, "M"), "M Error at \"^\" at offset 0.");
}

TEST(PDFParserTest, ParseTextReadsOneValue) {
  EXPECT_EQ(PDFParser::ParseText("", nullptr), nullptr);
  EXPECT_EQ(PDFParser::ParseText("  [/A 1] trailing", nullptr)->ToText(), "[ /A 1 ]");
  EXPECT_EQ(PDFParser::ParseText(std::string_view(nullptr, 0), nullptr), nullptr);
}

}  // namespace
