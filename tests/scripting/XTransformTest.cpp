// XTransform: the matrix operations as a script reaches them, directly and through IDispatch.
#include <gtest/gtest.h>

#include <memory>

#include "scripting/XTransform.h"
#include "ValueDispatch.h"

namespace {

constexpr const char* kIdentity = "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000";

TEST(XTransform, Operations) {
  ComRef<IXTransform> theTransform;
  ASSERT_EQ(XTransform::Create(nullptr, &theTransform), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), kIdentity);
  ASSERT_EQ(theTransform->Translate(10, 20), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "1.0000 0.0000 0.0000 1.0000 10.0000 20.0000");
  ASSERT_EQ(theTransform->Reset(), S_OK);
  ASSERT_EQ(theTransform->Rotate(90, 0, 0), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "-0.0000 1.0000 -1.0000 -0.0000 0.0000 0.0000");
  ASSERT_EQ(theTransform->Reset(), S_OK);
  ASSERT_EQ(theTransform->Magnify(2, 3, 10, 10), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "2.0000 0.0000 0.0000 3.0000 -10.0000 -20.0000");
  ASSERT_EQ(theTransform->Invert(), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "0.5000 -0.0000 -0.0000 0.3333 5.0000 6.6667");
  ASSERT_EQ(theTransform->Reset(), S_OK);
  ASSERT_EQ(theTransform->Skew(0.5, 0.25, 0, 0), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "1.0000 0.2500 0.5000 1.0000 0.0000 0.0000");
}

TEST(XTransform, SingularInvertAndPartialTextsSucceedWithoutChange) {
  ComRef<IXTransform> theTransform;
  ASSERT_EQ(XTransform::Create(nullptr, &theTransform), S_OK);
  ASSERT_EQ(SetText(theTransform.get(), u"0 0 0 0 5 6"), S_OK);
  EXPECT_EQ(theTransform->Invert(), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "0.0000 0.0000 0.0000 0.0000 5.0000 6.0000");
  ASSERT_EQ(theTransform->Reset(), S_OK);
  ASSERT_EQ(SetText(theTransform.get(), u"2"), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "2.0000 0.0000 0.0000 1.0000 0.0000 0.0000");
  ASSERT_EQ(SetText(theTransform.get(), u"3,4"), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "3.0000 0.0000 0.0000 1.0000 0.0000 0.0000");
  ASSERT_EQ(SetText(theTransform.get(), u""), S_OK);
  ASSERT_EQ(theTransform->put_String(nullptr), S_OK);
  EXPECT_EQ(TextOf(theTransform.get()), "3.0000 0.0000 0.0000 1.0000 0.0000 0.0000");
  EXPECT_EQ(theTransform->get_String(nullptr), E_POINTER);
}

TEST(XTransform, BoundToAnOwnersMatrix) {
  auto theMatrix = std::make_shared<TransformMatrix>();
  ComRef<IXTransform> theTransform;
  ASSERT_EQ(XTransform::Create(theMatrix, &theTransform), S_OK);
  ASSERT_EQ(theTransform->Translate(1, 2), S_OK);
  EXPECT_EQ(*theMatrix, TransformMatrix(1, 0, 0, 1, 1, 2));
  theMatrix->Reset();
  EXPECT_EQ(TextOf(theTransform.get()), kIdentity);
}

TEST(XTransform, Dispatch) {
  ComRef<IXTransform> theTransform;
  ASSERT_EQ(XTransform::Create(nullptr, &theTransform), S_OK);
  IDispatch* theDispatch = theTransform.get();
  const char16_t* theNames[] = {u"String", u"Reset", u"Invert", u"Translate", u"Rotate", u"Magnify", u"Skew"};
  for (DISPID theID = 0; theID <= 6; ++theID) EXPECT_EQ(IdOf(theDispatch, theNames[theID]), theID);
  EXPECT_EQ(DefaultText(theDispatch), kIdentity);
  ASSERT_EQ(CallByName(theDispatch, u"Rotate", {LongArg(90), LongArg(100), LongArg(100)}), S_OK);
  ASSERT_EQ(CallByName(theDispatch, u"Translate", {RealArg(0.5), TextArg(u"1.5")}), S_OK);
  EXPECT_EQ(DefaultText(theDispatch), "-0.0000 1.0000 -1.0000 -0.0000 200.5000 1.5000");
  ASSERT_EQ(CallByName(theDispatch, u"Reset", {}), S_OK);
  ASSERT_EQ(CallByName(theDispatch, u"Magnify", {RealArg(2), RealArg(3), RealArg(10), RealArg(10)}), S_OK);
  ASSERT_EQ(CallByName(theDispatch, u"Skew", {RealArg(0), RealArg(0), RealArg(0), RealArg(0)}), S_OK);
  EXPECT_EQ(DefaultText(theDispatch), "2.0000 0.0000 0.0000 3.0000 -10.0000 -20.0000");
  ASSERT_EQ(PutById(theDispatch, DISPID_VALUE, TextArg(u"1 2 3 4 5 6")), S_OK);
  ASSERT_EQ(CallByName(theDispatch, u"Invert", {}), S_OK);
  EXPECT_EQ(GetTextById(theDispatch, IdOf(theDispatch, u"String")), "-2.0000 1.0000 1.5000 -0.5000 1.0000 -2.0000");
  EXPECT_EQ(CallByName(theDispatch, u"Rotate", {RealArg(1)}), DISP_E_BADPARAMCOUNT);
}

}  // namespace
