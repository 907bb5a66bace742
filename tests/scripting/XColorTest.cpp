// XColor: text form, parse rules and the low-byte rule of the intensities, directly and through
// IDispatch.
#include <gtest/gtest.h>

#include <memory>

#include "scripting/XColor.h"
#include "ValueDispatch.h"

namespace {

TEST(XColor, TextFormAndParseRules) {
  ComRef<IXColor> theColor;
  ASSERT_EQ(XColor::Create(nullptr, &theColor), S_OK);
  EXPECT_EQ(TextOf(theColor.get()), "0 0 0");
  ASSERT_EQ(SetText(theColor.get(), u"1 2"), S_OK);
  EXPECT_EQ(TextOf(theColor.get()), "1 2 0");
  ASSERT_EQ(SetText(theColor.get(), u"300"), S_OK);
  EXPECT_EQ(TextOf(theColor.get()), "44 0 0");
  ASSERT_EQ(SetText(theColor.get(), u"255,128,-1"), S_OK);
  EXPECT_EQ(TextOf(theColor.get()), "255 128 255");
  // Values beyond 32 bits are clamped first, then cut to their low byte.
  ASSERT_EQ(SetText(theColor.get(), u"99999999999 -99999999999 7"), S_OK);
  EXPECT_EQ(TextOf(theColor.get()), "255 0 7");
  ASSERT_EQ(SetText(theColor.get(), std::u16string(300, u'9')), S_OK);
  EXPECT_EQ(TextOf(theColor.get()), "0 0 0");
}

TEST(XColor, IntensitiesKeepTheLowEightBits) {
  ComRef<IXColor> theColor;
  ASSERT_EQ(XColor::Create(nullptr, &theColor), S_OK);
  ASSERT_EQ(theColor->put_Red(511), S_OK);
  ASSERT_EQ(theColor->put_Green(256), S_OK);
  ASSERT_EQ(theColor->put_Blue(-1), S_OK);
  LONG theRed = 0, theGreen = -1, theBlue = 0;
  ASSERT_EQ(theColor->get_Red(&theRed), S_OK);
  ASSERT_EQ(theColor->get_Green(&theGreen), S_OK);
  ASSERT_EQ(theColor->get_Blue(&theBlue), S_OK);
  EXPECT_EQ(theRed, 255);
  EXPECT_EQ(theGreen, 0);
  EXPECT_EQ(theBlue, 255);
  EXPECT_EQ(theColor->get_Red(nullptr), E_POINTER);
  EXPECT_EQ(theColor->get_Green(nullptr), E_POINTER);
  EXPECT_EQ(theColor->get_Blue(nullptr), E_POINTER);
  EXPECT_EQ(theColor->get_String(nullptr), E_POINTER);
}

TEST(XColor, BoundToAnOwnersRecordAndThroughDispatch) {
  auto theRecord = std::make_shared<ColorRecord>();
  ComRef<IXColor> theColor;
  ASSERT_EQ(XColor::Create(theRecord, &theColor), S_OK);
  IDispatch* theDispatch = theColor.get();
  const char16_t* theNames[] = {u"String", u"Red", u"Green", u"Blue"};
  for (DISPID theID = 0; theID <= 3; ++theID) EXPECT_EQ(IdOf(theDispatch, theNames[theID]), theID);
  ASSERT_EQ(PutById(theDispatch, DISPID_VALUE, TextArg(u"10 20 30")), S_OK);
  ASSERT_EQ(PutByName(theDispatch, u"Blue", LongArg(300)), S_OK);
  EXPECT_EQ(DefaultText(theDispatch), "10 20 44");
  EXPECT_EQ(GetLongByName(theDispatch, u"Green"), 20);
  EXPECT_EQ(theRecord->red, 10);
  EXPECT_EQ(theRecord->blue, 44);
}

}  // namespace
