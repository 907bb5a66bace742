// The nine kinds of value: their text form byte for byte, ownership, copies and deep nesting.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "pdfcore/PDFArrayAtom.h"
#include "pdfcore/PDFBoolAtom.h"
#include "pdfcore/PDFDictAtom.h"
#include "pdfcore/PDFMemoryStream.h"
#include "pdfcore/PDFNameAtom.h"
#include "pdfcore/PDFNullAtom.h"
#include "pdfcore/PDFNumberAtom.h"
#include "pdfcore/PDFRefAtom.h"
#include "pdfcore/PDFStreamAtom.h"
#include "pdfcore/PDFStringAtom.h"

namespace {

std::string Text(const PDFAtom& inAtom) { return inAtom.ToText(); }

std::unique_ptr<PDFAtom> Int(int32_t inValue) { return std::make_unique<PDFNumberAtom>(inValue); }

TEST(PDFAtomTest, SimpleKinds) {
  EXPECT_EQ(Text(PDFNullAtom()), "null");
  EXPECT_EQ(Text(PDFBoolAtom(true)), "true");
  EXPECT_EQ(Text(PDFBoolAtom(false)), "false");
  PDFBoolAtom theBool;
  theBool.SetValue(7);
  EXPECT_EQ(Text(theBool), "true");
  EXPECT_EQ(Text(PDFRefAtom(12, 0)), "12 0 R");
  PDFRefAtom theRef;
  EXPECT_EQ(theRef.GetSet(), 0);
  theRef.SetGeneration(3);
  EXPECT_EQ(theRef.GetSet(), 1);
  EXPECT_EQ(Text(theRef), "0 3 R");
  EXPECT_EQ(Text(PDFNameAtom("Type")), "/Type");
}

TEST(PDFAtomTest, Numbers) {
  EXPECT_EQ(Text(PDFNumberAtom(-42)), "-42");
  EXPECT_EQ(Text(PDFNumberAtom(0.5)), "0.500000");
  EXPECT_EQ(Text(PDFNumberAtom(-12.25)), "-12.250000");
  EXPECT_EQ(Text(PDFNumberAtom(3.0)), "3.000000");
  PDFNumberAtom theHalf(2.5);
  EXPECT_EQ(Text(theHalf), "2.500000");
  EXPECT_EQ(theHalf.GetInteger(), 3);
  EXPECT_FALSE(theHalf.IsInteger());
  EXPECT_EQ(PDFNumberAtom(-2.5).GetInteger(), -3);
  EXPECT_EQ(PDFNumberAtom(-0.4).GetInteger(), 0);
  EXPECT_EQ(PDFNumberAtom(0.4).GetInteger(), 0);
  // Beyond the 32-bit range the integer stays at its ends instead of overflowing.
  EXPECT_EQ(PDFNumberAtom(1e20).GetInteger(), INT32_MAX);
  EXPECT_EQ(PDFNumberAtom(-1e20).GetInteger(), INT32_MIN);
  PDFNumberAtom theNumber(1.25);
  theNumber.SetInteger(7);
  EXPECT_TRUE(theNumber.IsInteger());
  EXPECT_EQ(theNumber.GetReal(), 7.0);
  EXPECT_EQ(Text(theNumber), "7");
}

TEST(PDFAtomTest, NumbersIgnoreADecimalCommaLocale) {
  const char* theOld = std::setlocale(LC_ALL, nullptr);
  const std::string theSaved = theOld ? theOld : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
  PDFArrayAtom theArray;
  theArray.Append(std::make_unique<PDFNumberAtom>(0.5));
  theArray.Append(std::make_unique<PDFNumberAtom>(1234567));
  EXPECT_EQ(Text(theArray), "[ 0.500000 1234567 ]");
  std::setlocale(LC_ALL, theSaved.c_str());
}

TEST(PDFAtomTest, StringEscapes) {
  EXPECT_EQ(Text(PDFStringAtom("a(b)c\\")), "(a\\(b\\)c\\\\)");
  EXPECT_EQ(Text(PDFStringAtom("\n")), "(\\n)");
  EXPECT_EQ(Text(PDFStringAtom("\b\t\f\r")), "(\\b\\t\\f\\r)");
  EXPECT_EQ(Text(PDFStringAtom("50%")), "(50\\045)");
  EXPECT_EQ(Text(PDFStringAtom("_")), "(\\137)");
  EXPECT_EQ(Text(PDFStringAtom("\xE9")), "(\\351)");
  EXPECT_EQ(Text(PDFStringAtom("`<>[]^{|}~\x7F\x01")), "(\\140\\074\\076\\133\\135\\136\\173\\174\\175\\176\\177\\001)");
  EXPECT_EQ(Text(PDFStringAtom("Az09 !\"#$&'*+,-./:;=?@")), "(Az09 !\"#$&'*+,-./:;=?@)");
  EXPECT_EQ(Text(PDFStringAtom("")), "()");
  // The text ends at its first zero byte.
  EXPECT_EQ(Text(PDFStringAtom(std::string_view("ab\0cd", 5))), "(ab)");
  // Caller text is never read as a format.
  EXPECT_EQ(Text(PDFStringAtom("%s%n%d")), "(\\045s\\045n\\045d)");
}

TEST(PDFAtomTest, LongStringsAreContinuedAbout100Bytes) {
  const std::string theLetters(250, 'x');
  const std::string theText = Text(PDFStringAtom(theLetters));
  // "(" plus 100 letters exceed 100 bytes: a continuation after the 100th letter, then after
  // every further 101 letters (the mark sits after the continuation).
  const std::string theExpected = "(" + std::string(100, 'x') + "\\\r\n" + std::string(101, 'x') +
                                  "\\\r\n" + std::string(49, 'x') + ")";
  EXPECT_EQ(theText, theExpected);
  // Escaped bytes count with their escapes: 25 octal escapes are 100 bytes.
  const std::string theOctal = Text(PDFStringAtom(std::string(30, '\x01')));
  EXPECT_EQ(theOctal.find("\\\r\n"), 1u + 25 * 4);
}

TEST(PDFAtomTest, NamesAreWrittenWhole) {
  EXPECT_EQ(Text(PDFNameAtom("a%sb")), "/a%sb");
  const std::string theLong(5000, 'N');
  EXPECT_EQ(Text(PDFNameAtom(theLong)), "/" + theLong);
  // A leading "/" is an error of the caller and is dropped.
  EXPECT_EQ(Text(PDFNameAtom("/Type")), "/Type");
  PDFDictAtom theDict;
  theDict.Set(theLong, std::make_unique<PDFNameAtom>(theLong));
  EXPECT_EQ(Text(theDict), "<<\r\n/" + theLong + " /" + theLong + "\r\n>>");
}

TEST(PDFAtomTest, ArraysBreakAfterTheFifthElement) {
  PDFArrayAtom theArray;
  EXPECT_EQ(Text(theArray), "[ ]");
  for (int i = 1; i <= 3; ++i) theArray.Append(Int(i));
  EXPECT_EQ(Text(theArray), "[ 1 2 3 ]");
  theArray.Append(Int(4));
  theArray.Append(Int(5));
  EXPECT_EQ(Text(theArray), "[ 1 2 3 4 5 ]");
  theArray.Append(Int(6));
  theArray.Append(Int(7));
  EXPECT_EQ(Text(theArray), "[ 1 2 3 4 5\r\n6\r\n7 ]");
}

TEST(PDFAtomTest, ArrayOperations) {
  PDFArrayAtom theArray;
  theArray.Append(Int(1));
  theArray.Insert(0, Int(0));
  theArray.Insert(99, Int(2));  // past the end: appended
  theArray.Append(nullptr);     // refused
  EXPECT_EQ(Text(theArray), "[ 0 1 2 ]");
  EXPECT_EQ(theArray.Get(3), nullptr);
  theArray.Remove(1);
  theArray.Remove(17);
  EXPECT_EQ(Text(theArray), "[ 0 2 ]");
  theArray.Clear();
  EXPECT_EQ(theArray.GetCount(), 0u);
}

TEST(PDFAtomTest, DictionariesKeepByteOrder) {
  PDFDictAtom theDict;
  EXPECT_EQ(Text(theDict), "<<\r\n>>");
  theDict.SetName("Type", "Page");
  theDict.SetInteger("Length", 5);
  theDict.SetInteger("A", 1);
  EXPECT_EQ(Text(theDict), "<<\r\n/A 1\r\n/Length 5\r\n/Type /Page\r\n>>");
  // Byte order: upper case before lower case, a prefix first, bytes above 127 last.
  PDFDictAtom theOrder;
  for (const char* theKey : {"\xC3" "x", "b", "Ab", "A", "a"}) theOrder.SetInteger(theKey, 0);
  ASSERT_EQ(theOrder.GetCount(), 5u);
  EXPECT_EQ(*theOrder.GetKeyAt(0), "A");
  EXPECT_EQ(*theOrder.GetKeyAt(1), "Ab");
  EXPECT_EQ(*theOrder.GetKeyAt(2), "a");
  EXPECT_EQ(*theOrder.GetKeyAt(3), "b");
  EXPECT_EQ(*theOrder.GetKeyAt(4), "\xC3" "x");
  EXPECT_EQ(theOrder.GetKeyAt(5), nullptr);
}

TEST(PDFAtomTest, DictionaryOperations) {
  PDFDictAtom theDict;
  theDict.SetInteger("K", 1);
  theDict.SetInteger("K", 2);  // replaces
  EXPECT_EQ(theDict.GetCount(), 1u);
  EXPECT_EQ(Text(*theDict.Get("K")), "2");
  theDict.Set("K", nullptr);   // refused, the value stays
  EXPECT_EQ(Text(*theDict.Get("K")), "2");
  theDict.Set(std::make_unique<PDFNameAtom>("N"), std::make_unique<PDFBoolAtom>(true));
  PDFNameAtom theKey("N");
  EXPECT_EQ(Text(*theDict.Get(&theKey)), "true");
  EXPECT_EQ(Text(*theDict.GetAt(0)), "2");
  EXPECT_EQ(theDict.GetAt(2), nullptr);
  auto theDetached = theDict.Detach("N");
  ASSERT_TRUE(theDetached);
  EXPECT_EQ(theDict.Detach("N"), nullptr);
  EXPECT_EQ(theDict.Get("N"), nullptr);
  theDict.SetString("", "empty key");
  EXPECT_EQ(*theDict.GetKeyAt(0), "");
  theDict.RemoveAt(0);
  theDict.Remove("K");
  EXPECT_EQ(theDict.GetCount(), 0u);
}

TEST(PDFAtomTest, StreamsKeepTheirLength) {
  PDFStreamAtom theStream;
  const std::string theData(100, 'd');
  theStream.SetData(theData.data(), 100);
  ASSERT_NE(theStream.GetDict(), nullptr);
  EXPECT_EQ(Text(*theStream.GetDict()->Get("Length")), "100");
  EXPECT_EQ(Text(theStream), "<<\r\n/Length 100\r\n>>\r\nstream\r\n" + theData + "\r\nendstream\r\n");
  theStream.SetData(std::vector<uint8_t>{'x', 'y'});
  EXPECT_EQ(Text(theStream), "<<\r\n/Length 2\r\n>>\r\nstream\r\nxy\r\nendstream\r\n");
  // A count without bytes is refused and changes nothing.
  theStream.SetData(nullptr, 5);
  EXPECT_EQ(theStream.GetData().size(), 2u);
  theStream.SetData(nullptr, 0);
  EXPECT_EQ(Text(theStream), "<<\r\n/Length 0\r\n>>\r\nstream\r\n\r\nendstream\r\n");
  // Setting a new dictionary replaces the old one; the next data set brings "Length" back.
  auto theDict = std::make_unique<PDFDictAtom>();
  theDict->SetName("Filter", "FlateDecode");
  theStream.SetDict(std::move(theDict));
  theStream.SetData("abc", 3);
  EXPECT_EQ(Text(*theStream.GetDict()), "<<\r\n/Filter /FlateDecode\r\n/Length 3\r\n>>");
}

TEST(PDFAtomTest, CloneIsDeep) {
  auto theDict = std::make_unique<PDFDictAtom>();
  auto theArray = std::make_unique<PDFArrayAtom>();
  theArray->Append(std::make_unique<PDFRefAtom>(4, 0));
  theArray->Append(std::make_unique<PDFStringAtom>("s"));
  theArray->Append(std::make_unique<PDFNumberAtom>(1.5));
  theArray->Append(std::make_unique<PDFNullAtom>());
  theArray->Append(std::make_unique<PDFBoolAtom>(true));
  theDict->Set("Kids", std::move(theArray));
  auto theStream = std::make_unique<PDFStreamAtom>();
  theStream->SetData("data", 4);
  theDict->Set("S", std::move(theStream));
  theDict->SetName("Type", "X");

  auto theCopy = PDFAtom::Clone(theDict.get());
  ASSERT_TRUE(theCopy);
  EXPECT_EQ(Text(*theCopy), Text(*theDict));
  // Changing the original leaves the copy alone.
  static_cast<PDFArrayAtom*>(theDict->Get("Kids"))->Clear();
  EXPECT_NE(Text(*theCopy), Text(*theDict));
  EXPECT_EQ(PDFAtom::Clone(nullptr), nullptr);
}

TEST(PDFAtomTest, DeepNestingIsBounded) {
  // Far deeper than any stack could recurse: writing, copying and destroying must not overflow.
  constexpr int kLevels = 200000;
  auto theRoot = std::make_unique<PDFArrayAtom>();
  PDFArrayAtom* theInner = theRoot.get();
  for (int i = 0; i < kLevels; ++i) {
    auto theChild = std::make_unique<PDFArrayAtom>();
    PDFArrayAtom* theNext = theChild.get();
    theInner->Append(std::move(theChild));
    theInner = theNext;
  }
  const std::string theText = theRoot->ToText();
  // Levels beyond the limit are written as null.
  EXPECT_EQ(theText.substr(0, 4), "[ [ ");
  EXPECT_NE(theText.find("null"), std::string::npos);
  EXPECT_LT(theText.size(), 4u * PDFAtom::kMaxDepth + 16);
  // The copy leaves out what is nested too deep.
  auto theCopy = PDFAtom::Clone(theRoot.get());
  ASSERT_TRUE(theCopy);
  theRoot.reset();
  theCopy.reset();
  // A deep chain of dictionaries and streams is destroyed without recursion too.
  auto theDict = std::make_unique<PDFDictAtom>();
  PDFDictAtom* theLevel = theDict.get();
  for (int i = 0; i < kLevels; ++i) {
    auto theStream = std::make_unique<PDFStreamAtom>();
    theStream->SetData("x", 1);
    PDFDictAtom* theNext = theStream->GetDict();
    theLevel->Set("Next", std::move(theStream));
    theLevel = theNext;
  }
  theDict.reset();
  SUCCEED();
}

}  // namespace
