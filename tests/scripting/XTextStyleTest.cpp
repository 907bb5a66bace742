// XTextStyle: defaults, Boolean flags, text form and parse rules, directly and through IDispatch.
#include <gtest/gtest.h>

#include <memory>

#include "scripting/XTextStyle.h"
#include "ValueDispatch.h"

namespace {

constexpr const char* kDefault = "10.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0 0 0";

TEST(XTextStyle, FlagsAreStoredSignExtendedAndReadAsBooleans) {
  auto theRecord = std::make_shared<TextStyle>();
  ComRef<IXTextStyle> theStyle;
  ASSERT_EQ(XTextStyle::Create(theRecord, &theStyle), S_OK);
  EXPECT_EQ(TextOf(theStyle.get()), kDefault);
  ASSERT_EQ(theStyle->put_Underline(VARIANT_TRUE), S_OK);
  EXPECT_EQ(TextOf(theStyle.get()), "10.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 -1 0 0");
  EXPECT_EQ(theRecord->GetUnderline(), -1);
  VARIANT_BOOL theFlag = VARIANT_FALSE;
  ASSERT_EQ(theStyle->get_Underline(&theFlag), S_OK);
  EXPECT_EQ(theFlag, VARIANT_TRUE);

  // Any nonzero stored value reads as true.
  ASSERT_EQ(SetText(theStyle.get(), u"0 0 0 0 0 0 0 0 1 0 5"), S_OK);
  EXPECT_EQ(theRecord->GetUnderline(), 1);
  ASSERT_EQ(theStyle->get_Underline(&theFlag), S_OK);
  EXPECT_EQ(theFlag, VARIANT_TRUE);
  ASSERT_EQ(theStyle->get_Strike(&theFlag), S_OK);
  EXPECT_EQ(theFlag, VARIANT_FALSE);
  ASSERT_EQ(theStyle->get_Strike2(&theFlag), S_OK);
  EXPECT_EQ(theFlag, VARIANT_TRUE);
  ASSERT_EQ(theStyle->put_Strike2(VARIANT_FALSE), S_OK);
  ASSERT_EQ(theStyle->put_Strike(1), S_OK);  // a Boolean of 1 is stored as given
  EXPECT_EQ(theRecord->GetStrike(), 1);
  EXPECT_EQ(theRecord->GetStrike2(), 0);
}

TEST(XTextStyle, RealsAreStoredUnchangedAndTextsParsePartially) {
  ComRef<IXTextStyle> theStyle;
  ASSERT_EQ(XTextStyle::Create(nullptr, &theStyle), S_OK);
  using Put = HRESULT (STDMETHODCALLTYPE IXTextStyle::*)(double);
  using Get = HRESULT (STDMETHODCALLTYPE IXTextStyle::*)(double*);
  const std::pair<Put, Get> theFields[] = {
      {&IXTextStyle::put_Size, &IXTextStyle::get_Size},
      {&IXTextStyle::put_Indent, &IXTextStyle::get_Indent},
      {&IXTextStyle::put_CharSpacing, &IXTextStyle::get_CharSpacing},
      {&IXTextStyle::put_WordSpacing, &IXTextStyle::get_WordSpacing},
      {&IXTextStyle::put_LineSpacing, &IXTextStyle::get_LineSpacing},
      {&IXTextStyle::put_ParaSpacing, &IXTextStyle::get_ParaSpacing},
      {&IXTextStyle::put_Justification, &IXTextStyle::get_Justification},
      {&IXTextStyle::put_Outline, &IXTextStyle::get_Outline},
  };
  double theValue = 0.125;
  for (const auto& [thePut, theGet] : theFields) {
    ASSERT_EQ((theStyle.get()->*thePut)(theValue), S_OK);
    double theRead = 0;
    ASSERT_EQ((theStyle.get()->*theGet)(&theRead), S_OK);
    EXPECT_EQ(theRead, theValue);
    EXPECT_EQ((theStyle.get()->*theGet)(nullptr), E_POINTER);
    theValue -= 1;
  }
  EXPECT_EQ(TextOf(theStyle.get()),
            "0.1250 -0.8750 -1.8750 -2.8750 -3.8750 -4.8750 -5.8750 -6.8750 0 0 0");
  ASSERT_EQ(SetText(theStyle.get(), u"12 2"), S_OK);
  EXPECT_EQ(TextOf(theStyle.get()),
            "12.0000 2.0000 -1.8750 -2.8750 -3.8750 -4.8750 -5.8750 -6.8750 0 0 0");
  ASSERT_EQ(SetText(theStyle.get(), u"14,3"), S_OK);
  EXPECT_EQ(TextOf(theStyle.get()),
            "14.0000 2.0000 -1.8750 -2.8750 -3.8750 -4.8750 -5.8750 -6.8750 0 0 0");
  EXPECT_EQ(theStyle->get_String(nullptr), E_POINTER);
  VARIANT_BOOL* theNoFlag = nullptr;
  EXPECT_EQ(theStyle->get_Underline(theNoFlag), E_POINTER);
  EXPECT_EQ(theStyle->get_Strike(theNoFlag), E_POINTER);
  EXPECT_EQ(theStyle->get_Strike2(theNoFlag), E_POINTER);
}

TEST(XTextStyle, Dispatch) {
  void* theObject = nullptr;
  ASSERT_EQ(XTextStyle::CreateInstance(IID_IXTextStyle, &theObject), S_OK);
  ComRef<IXTextStyle> theStyle;
  *&theStyle = static_cast<IXTextStyle*>(theObject);
  IDispatch* theDispatch = theStyle.get();
  const char16_t* theNames[] = {u"String",      u"Size",          u"Indent",    u"CharSpacing",
                                u"WordSpacing", u"LineSpacing",   u"ParaSpacing", u"Justification",
                                u"Underline",   u"Strike",        u"Strike2",   u"Outline"};
  for (DISPID theID = 0; theID <= 11; ++theID) EXPECT_EQ(IdOf(theDispatch, theNames[theID]), theID);
  EXPECT_EQ(DefaultText(theDispatch), kDefault);
  ASSERT_EQ(PutByName(theDispatch, u"Underline", BoolArg(true)), S_OK);
  ASSERT_EQ(PutByName(theDispatch, u"Strike2", LongArg(2)), S_OK);  // any nonzero number is true
  ASSERT_EQ(PutByName(theDispatch, u"Size", TextArg(u"12.5")), S_OK);
  EXPECT_EQ(DefaultText(theDispatch), "12.5000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 -1 0 -1");
  ScopedVariant theFlag;
  ASSERT_EQ(GetById(theDispatch, IdOf(theDispatch, u"Underline"), &theFlag), S_OK);
  ASSERT_EQ(V_VT(&theFlag), VT_BOOL);
  EXPECT_EQ(V_BOOL(&theFlag), VARIANT_TRUE);
  ASSERT_EQ(PutById(theDispatch, DISPID_VALUE, TextArg(u"0 0 0 0 0 0 0 0 1 0 0")), S_OK);
  ScopedVariant theStored;
  ASSERT_EQ(GetById(theDispatch, 8, &theStored), S_OK);
  EXPECT_EQ(V_BOOL(&theStored), VARIANT_TRUE);
}

}  // namespace
