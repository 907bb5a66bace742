// VARIANT copying and conversion with Automation's rules.
#include <gtest/gtest.h>

#include <oleauto.h>

#include <clocale>
#include <string>

namespace {

// A VARIANT that clears itself.
struct Var {
  VARIANT v;
  Var() { VariantInit(&v); }
  ~Var() { VariantClear(&v); }
  Var(Var&& inOther) noexcept : v(inOther.v) { VariantInit(&inOther.v); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
  VARIANT* operator&() { return &v; }
};

Var MakeString(const char16_t* inText) {
  Var theVar;
  V_VT(&theVar) = VT_BSTR;
  V_BSTR(&theVar) = SysAllocString(inText);
  return theVar;
}

Var MakeReal(double inValue) {
  Var theVar;
  V_VT(&theVar) = VT_R8;
  V_R8(&theVar) = inValue;
  return theVar;
}

std::u16string Text(VARIANT* inVar) { return std::u16string(V_BSTR(inVar), SysStringLen(V_BSTR(inVar))); }

HRESULT To(VARIANT* outVar, VARIANT* inSource, VARTYPE inType, USHORT inFlags = 0) {
  return VariantChangeType(outVar, inSource, inFlags, inType);
}

}  // namespace

TEST(VariantChangeType, RealsRoundHalfToEven) {
  const struct {
    double in;
    LONG out;
  } theCases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2}, {2.4999, 2}, {-0.6, -1}};
  for (const auto& theCase : theCases) {
    Var theSource = MakeReal(theCase.in);
    Var theResult;
    ASSERT_EQ(To(&theResult, &theSource, VT_I4), S_OK) << theCase.in;
    EXPECT_EQ(V_VT(&theResult), VT_I4);
    EXPECT_EQ(V_I4(&theResult), theCase.out) << theCase.in;
  }
}

TEST(VariantChangeType, OutOfRangeIsOverflow) {
  Var theResult;
  Var theBig = MakeReal(3e9);
  EXPECT_EQ(To(&theResult, &theBig, VT_I4), DISP_E_OVERFLOW);
  Var theEdge = MakeReal(2147483647.4);
  EXPECT_EQ(To(&theResult, &theEdge, VT_I4), S_OK);
  EXPECT_EQ(V_I4(&theResult), 2147483647);
  Var theNumber;
  V_VT(&theNumber) = VT_I4;
  V_I4(&theNumber) = 300;
  EXPECT_EQ(To(&theResult, &theNumber, VT_UI1), DISP_E_OVERFLOW);
  V_I4(&theNumber) = -1;
  EXPECT_EQ(To(&theResult, &theNumber, VT_UI4), DISP_E_OVERFLOW);
  EXPECT_EQ(To(&theResult, &theNumber, VT_I1), S_OK);
  EXPECT_EQ(V_I1(&theResult), -1);
  Var theHuge = MakeReal(1e300);
  EXPECT_EQ(To(&theResult, &theHuge, VT_R4), DISP_E_OVERFLOW);
  Var theText = MakeString(u"70000");
  EXPECT_EQ(To(&theResult, &theText, VT_I2), DISP_E_OVERFLOW);
}

TEST(VariantChangeType, TextToNumbers) {
  Var theResult;
  const struct {
    const char16_t* text;
    double value;
  } theGood[] = {{u"12", 12},     {u"  -7 ", -7}, {u"1.5", 1.5},   {u"+3", 3},
                 {u"1e3", 1000}, {u"&HFF", 255}, {u"&O17", 15},
                 // US English takes "," between thousands anywhere after the first digit.
                 {u"1,5", 15}};
  for (const auto& theCase : theGood) {
    Var theSource = MakeString(theCase.text);
    ASSERT_EQ(To(&theResult, &theSource, VT_R8), S_OK);
    EXPECT_DOUBLE_EQ(V_R8(&theResult), theCase.value);
  }
  for (const char16_t* theBad : {u"", u"abc", u"12x", u"--1", u"nan", u"inf", u"."}) {
    Var theSource = MakeString(theBad);
    EXPECT_EQ(To(&theResult, &theSource, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(To(&theResult, &theSource, VT_R8), DISP_E_TYPEMISMATCH);
  }
  Var theHalf = MakeString(u"2.5");
  ASSERT_EQ(To(&theResult, &theHalf, VT_I4), S_OK);
  EXPECT_EQ(V_I4(&theResult), 2);
}

TEST(VariantChangeType, EmptyNullAndBooleans) {
  Var theEmpty;
  Var theResult;
  ASSERT_EQ(To(&theResult, &theEmpty, VT_I4), S_OK);
  EXPECT_EQ(V_I4(&theResult), 0);
  ASSERT_EQ(To(&theResult, &theEmpty, VT_BSTR), S_OK);
  EXPECT_EQ(SysStringLen(V_BSTR(&theResult)), 0u);
  Var theNull;
  V_VT(&theNull) = VT_NULL;
  EXPECT_EQ(To(&theResult, &theNull, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(To(&theResult, &theNull, VT_BSTR), DISP_E_TYPEMISMATCH);

  Var theTrue;
  V_VT(&theTrue) = VT_BOOL;
  V_BOOL(&theTrue) = VARIANT_TRUE;
  ASSERT_EQ(To(&theResult, &theTrue, VT_I4), S_OK);
  EXPECT_EQ(V_I4(&theResult), -1);
  ASSERT_EQ(To(&theResult, &theTrue, VT_BSTR), S_OK);
  EXPECT_EQ(Text(&theResult), u"-1");
  ASSERT_EQ(To(&theResult, &theTrue, VT_BSTR, VARIANT_ALPHABOOL), S_OK);
  EXPECT_EQ(Text(&theResult), u"True");
  ASSERT_EQ(To(&theResult, &theTrue, VT_UI1), S_OK);
  EXPECT_EQ(V_UI1(&theResult), 255);

  for (const char16_t* theWord : {u"True", u"true", u"#TRUE#", u"1", u"-2.5"}) {
    Var theSource = MakeString(theWord);
    ASSERT_EQ(To(&theResult, &theSource, VT_BOOL), S_OK);
    EXPECT_EQ(V_BOOL(&theResult), VARIANT_TRUE);
  }
  Var theFalse = MakeString(u"False");
  ASSERT_EQ(To(&theResult, &theFalse, VT_BOOL), S_OK);
  EXPECT_EQ(V_BOOL(&theResult), VARIANT_FALSE);
  Var theWrong = MakeString(u"yes please");
  EXPECT_EQ(To(&theResult, &theWrong, VT_BOOL), DISP_E_TYPEMISMATCH);
  Var theReal = MakeReal(0.25);
  ASSERT_EQ(To(&theResult, &theReal, VT_BOOL), S_OK);
  EXPECT_EQ(V_BOOL(&theResult), VARIANT_TRUE);
}

TEST(VariantChangeType, NumbersToTextIgnoreTheLocale) {
  // A host with a decimal comma must still see "." in number text, both ways.
  const char* theOld = std::setlocale(LC_ALL, nullptr);
  const std::string theSaved = theOld != nullptr ? theOld : "C";
  const bool theGerman = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  const struct {
    double in;
    const char16_t* out;
  } theCases[] = {{1.5, u"1.5"}, {0.1, u"0.1"}, {-12.25, u"-12.25"}, {1e20, u"1E+20"}, {100, u"100"},
                  {1.0 / 3.0, u"0.333333333333333"}};
  Var theResult;
  for (const auto& theCase : theCases) {
    Var theSource = MakeReal(theCase.in);
    ASSERT_EQ(To(&theResult, &theSource, VT_BSTR), S_OK);
    EXPECT_EQ(Text(&theResult), theCase.out);
  }
  Var theText = MakeString(u"2.75");
  ASSERT_EQ(To(&theResult, &theText, VT_R8), S_OK);
  EXPECT_DOUBLE_EQ(V_R8(&theResult), 2.75);
  std::setlocale(LC_ALL, theSaved.c_str());
  if (!theGerman) GTEST_SKIP() << "de_DE.UTF-8 is not installed; ran under the C locale only";
}

TEST(VariantChangeType, ByReferenceSourcesAndInPlace) {
  LONG theNumber = 41;
  Var theRef;
  V_VT(&theRef) = VT_BYREF | VT_I4;
  V_I4REF(&theRef) = &theNumber;
  Var theResult;
  ASSERT_EQ(To(&theResult, &theRef, VT_BSTR), S_OK);
  EXPECT_EQ(Text(&theResult), u"41");
  EXPECT_EQ(To(&theResult, &theRef, VT_BYREF | VT_I4), DISP_E_BADVARTYPE);

  // Converting a value onto itself frees the old string exactly once.
  Var theSame = MakeString(u"17");
  ASSERT_EQ(VariantChangeType(&theSame, &theSame, 0, VT_I4), S_OK);
  EXPECT_EQ(V_VT(&theSame), VT_I4);
  EXPECT_EQ(V_I4(&theSame), 17);
  // A failed conversion leaves the destination as it was.
  Var theKeep = MakeString(u"x");
  Var theTarget = MakeReal(9);
  EXPECT_EQ(To(&theTarget, &theKeep, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(V_VT(&theTarget), VT_R8);
}

TEST(Variant, CopyAndCopyIndOwnTheirValues) {
  Var theString = MakeString(u"text");
  Var theCopy;
  ASSERT_EQ(VariantCopy(&theCopy, &theString), S_OK);
  EXPECT_NE(V_BSTR(&theCopy), V_BSTR(&theString));
  EXPECT_EQ(Text(&theCopy), u"text");

  BSTR theOwned = SysAllocString(u"by ref");
  Var theRef;
  V_VT(&theRef) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&theRef) = &theOwned;
  Var theDeref;
  ASSERT_EQ(VariantCopyInd(&theDeref, &theRef), S_OK);
  EXPECT_EQ(V_VT(&theDeref), VT_BSTR);
  EXPECT_EQ(Text(&theDeref), u"by ref");
  EXPECT_NE(V_BSTR(&theDeref), theOwned);
  SysFreeString(theOwned);

  SAFEARRAY* theArray = SafeArrayCreateVector(VT_UI1, 0, 3);
  static_cast<BYTE*>(theArray->pvData)[1] = 7;
  Var theInner;
  V_VT(&theInner) = VT_ARRAY | VT_UI1;
  V_ARRAY(&theInner) = theArray;
  Var theVarRef;
  V_VT(&theVarRef) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&theVarRef) = &theInner;
  Var theArrayCopy;
  ASSERT_EQ(VariantCopyInd(&theArrayCopy, &theVarRef), S_OK);
  ASSERT_EQ(V_VT(&theArrayCopy), VT_ARRAY | VT_UI1);
  EXPECT_NE(V_ARRAY(&theArrayCopy), theArray);
  EXPECT_EQ(static_cast<BYTE*>(V_ARRAY(&theArrayCopy)->pvData)[1], 7);
  Var theUnchanged;
  EXPECT_EQ(To(&theUnchanged, &theInner, VT_ARRAY | VT_UI1), S_OK);
  EXPECT_EQ(To(&theUnchanged, &theInner, VT_ARRAY | VT_I4), DISP_E_TYPEMISMATCH);
}

TEST(Variant, ClearRefusesLockedArraysAndBadTypes) {
  Var theVar;
  V_VT(&theVar) = VT_ARRAY | VT_UI1;
  V_ARRAY(&theVar) = SafeArrayCreateVector(VT_UI1, 0, 1);
  SafeArrayLock(V_ARRAY(&theVar));
  EXPECT_EQ(VariantClear(&theVar), DISP_E_ARRAYISLOCKED);
  SafeArrayUnlock(V_ARRAY(&theVar));
  EXPECT_EQ(VariantClear(&theVar), S_OK);
  EXPECT_EQ(V_VT(&theVar), VT_EMPTY);
  V_VT(&theVar) = 0x0FFF;
  EXPECT_EQ(VariantClear(&theVar), DISP_E_BADVARTYPE);
  V_VT(&theVar) = VT_EMPTY;
}
