// XPoint: text form and parse rules, plain fields, binding, and the same through IDispatch.
#include <gtest/gtest.h>

#include <memory>

#include "scripting/XPoint.h"
#include "ValueDispatch.h"

namespace {

TEST(XPoint, TextFormAndParseRules) {
  ComRef<IXPoint> thePoint;
  ASSERT_EQ(XPoint::Create(nullptr, &thePoint), S_OK);
  EXPECT_EQ(TextOf(thePoint.get()), "0 0");
  ASSERT_EQ(SetText(thePoint.get(), u"15"), S_OK);
  EXPECT_EQ(TextOf(thePoint.get()), "15 0");
  ASSERT_EQ(SetText(thePoint.get(), u" -5,7 "), S_OK);
  EXPECT_EQ(TextOf(thePoint.get()), "-5 7");
  ASSERT_EQ(SetText(thePoint.get(), u"3 99999999999"), S_OK);
  EXPECT_EQ(TextOf(thePoint.get()), "3 2147483647");
  ASSERT_EQ(SetText(thePoint.get(), std::u16string(300, u'1')), S_OK);
  EXPECT_EQ(TextOf(thePoint.get()), "0 0");
  ASSERT_EQ(thePoint->put_X(-1), S_OK);
  ASSERT_EQ(thePoint->put_Y(2), S_OK);
  LONG theX = 0, theY = 0;
  ASSERT_EQ(thePoint->get_X(&theX), S_OK);
  ASSERT_EQ(thePoint->get_Y(&theY), S_OK);
  EXPECT_EQ(theX, -1);
  EXPECT_EQ(theY, 2);
  EXPECT_EQ(thePoint->get_String(nullptr), E_POINTER);
  EXPECT_EQ(thePoint->get_X(nullptr), E_POINTER);
  EXPECT_EQ(thePoint->get_Y(nullptr), E_POINTER);
}

TEST(XPoint, BoundToAnOwnersRecord) {
  auto theRecord = std::make_shared<PointRecord>(PointRecord{4, 5});
  ComRef<IXPoint> thePoint;
  ASSERT_EQ(XPoint::Create(theRecord, &thePoint), S_OK);
  EXPECT_EQ(TextOf(thePoint.get()), "4 5");
  ASSERT_EQ(SetText(thePoint.get(), u"8 9"), S_OK);
  EXPECT_EQ(theRecord->x, 8);
  EXPECT_EQ(theRecord->y, 9);
}

TEST(XPoint, Dispatch) {
  void* theObject = nullptr;
  ASSERT_EQ(XPoint::CreateInstance(IID_IDispatch, &theObject), S_OK);
  ComRef<IDispatch> theHolder;
  *&theHolder = static_cast<IDispatch*>(theObject);
  IDispatch* theDispatch = theHolder.get();
  EXPECT_EQ(IdOf(theDispatch, u"String"), DISPID_VALUE);
  EXPECT_EQ(IdOf(theDispatch, u"X"), 1);
  EXPECT_EQ(IdOf(theDispatch, u"Y"), 2);
  ASSERT_EQ(PutById(theDispatch, DISPID_VALUE, TextArg(u"10 20")), S_OK);
  ASSERT_EQ(PutByName(theDispatch, u"Y", LongArg(-3)), S_OK);
  EXPECT_EQ(DefaultText(theDispatch), "10 -3");
  EXPECT_EQ(GetLongByName(theDispatch, u"X"), 10);
}

}  // namespace
