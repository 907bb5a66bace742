// XRect: normalised readings, the edge setters, the methods, the text form and its parse rules,
// the linked point, binding to an owner's records, and the same through IDispatch.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "scripting/QuorixModule.h"
#include "scripting/XPoint.h"
#include "scripting/XRect.h"
#include "ValueDispatch.h"

namespace {

struct RectFixture : ::testing::Test {
  void SetUp() override { ASSERT_EQ(XRect::Create(nullptr, nullptr, &rect), S_OK); }
  std::string Text() { return TextOf(rect.get()); }
  void Set(const std::u16string& inText) { ASSERT_EQ(SetText(rect.get(), inText), S_OK); }
  LONG Read(HRESULT (STDMETHODCALLTYPE IXRect::*inGetter)(LONG*)) {
    LONG theValue = -999;
    EXPECT_EQ((rect.get()->*inGetter)(&theValue), S_OK);
    return theValue;
  }
  ComRef<IXRect> rect;
};

TEST_F(RectFixture, ANewRectangleIsEmptyAndTextSetsIt) {
  EXPECT_EQ(Text(), "0 0 0 0");
  Set(u"100,200,300,400");
  EXPECT_EQ(Text(), "100 200 300 400");
  EXPECT_EQ(Read(&IXRect::get_Width), 200);
  EXPECT_EQ(Read(&IXRect::get_Height), 200);
  EXPECT_EQ(Read(&IXRect::get_Left), 100);
  EXPECT_EQ(Read(&IXRect::get_Bottom), 200);
  EXPECT_EQ(Read(&IXRect::get_Right), 300);
  EXPECT_EQ(Read(&IXRect::get_Top), 400);
}

TEST_F(RectFixture, CornersAreStoredAsGivenAndReadNormalised) {
  Set(u"300 400 100 200");
  EXPECT_EQ(Text(), "100 200 300 400");

  auto theRecord = std::make_shared<RectRecord>();
  ComRef<IXRect> theBound;
  ASSERT_EQ(XRect::Create(theRecord, nullptr, &theBound), S_OK);
  ASSERT_EQ(SetText(theBound.get(), u"100 200 0 0"), S_OK);
  EXPECT_EQ(theRecord->x1, 100);
  EXPECT_EQ(theRecord->y1, 200);
  EXPECT_EQ(theRecord->x2, 0);
  EXPECT_EQ(theRecord->y2, 0);
  EXPECT_EQ(TextOf(theBound.get()), "0 0 100 200");
}

TEST_F(RectFixture, BadTextsNeverFail) {
  Set(u"1 2 3 4");
  Set(u"no digits at all");
  EXPECT_EQ(Text(), "0 0 0 0");
  Set(u"15 25 x 45");  // fields after the first bad one are 0
  EXPECT_EQ(Text(), "0 0 15 25");
  Set(u"1 2 3 4");
  Set(std::u16string(300, u'7'));  // too long: not read at all
  EXPECT_EQ(Text(), "0 0 0 0");
  Set(u"1 2 3 4");
  ASSERT_EQ(rect->put_String(nullptr), S_OK);  // a null text is the empty text
  EXPECT_EQ(Text(), "0 0 0 0");
  Set(u"\u20ac5 6");  // a character of the 8-bit code page that is no digit
  EXPECT_EQ(Text(), "0 0 0 0");
  Set(std::u16string(u"8 9\0 10 11", 10));  // the text ends at a zero character
  EXPECT_EQ(Text(), "0 0 8 9");
}

TEST_F(RectFixture, MovingAnEdgePastTheOppositeOneCollapsesTheRectangle) {
  Set(u"100 200 300 400");
  ASSERT_EQ(rect->put_Left(500), S_OK);
  EXPECT_EQ(Text(), "500 200 500 400");

  Set(u"0 100 10 200");
  ASSERT_EQ(rect->put_Top(50), S_OK);
  EXPECT_EQ(Text(), "0 50 10 50");

  Set(u"0 100 10 200");
  ASSERT_EQ(rect->put_Bottom(250), S_OK);
  EXPECT_EQ(Text(), "0 250 10 250");

  Set(u"100 0 300 10");
  ASSERT_EQ(rect->put_Right(50), S_OK);
  EXPECT_EQ(Text(), "50 0 50 10");

  // Within range an edge setter moves only its own edge, whichever corner holds it.
  Set(u"300 400 100 200");
  ASSERT_EQ(rect->put_Left(150), S_OK);
  ASSERT_EQ(rect->put_Top(350), S_OK);
  EXPECT_EQ(Text(), "150 200 300 350");
}

TEST_F(RectFixture, WidthAndHeightKeepTheLeftAndBottomEdges) {
  Set(u"10 20 30 40");
  ASSERT_EQ(rect->put_Width(100), S_OK);
  ASSERT_EQ(rect->put_Height(5), S_OK);
  EXPECT_EQ(Text(), "10 20 110 25");
  // A negative size swaps the corners, which readings normalise.
  Set(u"0 0 100 100");
  ASSERT_EQ(rect->put_Width(-10), S_OK);
  EXPECT_EQ(Text(), "-10 0 0 100");
  EXPECT_EQ(Read(&IXRect::get_Width), 10);
}

TEST_F(RectFixture, Methods) {
  Set(u"0 0 101 101");
  ASSERT_EQ(rect->Magnify(0.5, 0.5), S_OK);
  EXPECT_EQ(Text(), "0 0 50 50");
  ASSERT_EQ(rect->Magnify(-0.5, 2.5), S_OK);  // truncation toward zero
  EXPECT_EQ(Text(), "-25 0 0 125");

  Set(u"0 0 100 100");
  ASSERT_EQ(rect->Inset(10, 20), S_OK);
  EXPECT_EQ(Text(), "10 20 90 80");

  ASSERT_EQ(rect->Move(-10, 5), S_OK);
  EXPECT_EQ(Text(), "0 25 80 85");

  Set(u"300 400 100 200");
  ASSERT_EQ(rect->Position(20, 30), S_OK);
  EXPECT_EQ(Text(), "20 30 220 230");
}

TEST_F(RectFixture, ExtremeValuesWrapOrSaturateWithoutFault) {
  const LONG theMax = std::numeric_limits<LONG>::max();
  const LONG theMin = std::numeric_limits<LONG>::min();
  Set(u"-2147483648 -2147483648 2147483647 2147483647");
  EXPECT_EQ(Read(&IXRect::get_Width), -1);  // 2^32 - 1 wrapped to 32 bits
  ASSERT_EQ(rect->Move(theMax, theMax), S_OK);
  ASSERT_EQ(rect->Magnify(1e300, -1e300), S_OK);
  ASSERT_EQ(rect->Magnify(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()), S_OK);
  ASSERT_EQ(rect->Inset(theMin, theMax), S_OK);
  ASSERT_EQ(rect->Position(theMin, theMax), S_OK);
  ASSERT_EQ(rect->put_Width(theMax), S_OK);
  ASSERT_EQ(rect->put_Height(theMin), S_OK);
  EXPECT_NE(Text(), "<failed>");

  Set(u"0 0 10 10");
  ASSERT_EQ(rect->Magnify(1e300, std::numeric_limits<double>::quiet_NaN()), S_OK);
  EXPECT_EQ(Text(), "0 0 2147483647 0");
}

TEST_F(RectFixture, NullResultPointers) {
  EXPECT_EQ(rect->get_String(nullptr), E_POINTER);
  for (auto theGetter : {&IXRect::get_Top, &IXRect::get_Bottom, &IXRect::get_Left, &IXRect::get_Right,
                         &IXRect::get_Width, &IXRect::get_Height})
    EXPECT_EQ((rect.get()->*theGetter)(nullptr), E_POINTER);
  EXPECT_EQ(XRect::Create(nullptr, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(XRect::CreateInstance(IID_IXRect, nullptr), E_POINTER);
}

// An owner's state block, as the document will keep it: the drawing rectangle and the position.
struct OwnerState {
  RectRecord rect{0, 0, 100, 50};
  PointRecord position{7, 7};
};

TEST(XRectLinkedPoint, EveryMemberMovesTheLinkedPointToTheTopLeftCorner) {
  auto theState = std::make_shared<OwnerState>();
  ComRef<IXRect> theRect;
  ComRef<IXPoint> thePosition;
  ASSERT_EQ(XRect::Create(std::shared_ptr<RectRecord>(theState, &theState->rect),
                          std::shared_ptr<PointRecord>(theState, &theState->position), &theRect),
            S_OK);
  ASSERT_EQ(XPoint::Create(std::shared_ptr<PointRecord>(theState, &theState->position), &thePosition), S_OK);
  EXPECT_EQ(TextOf(thePosition.get()), "7 7");  // binding alone changes nothing

  ASSERT_EQ(theRect->Position(20, 30), S_OK);
  EXPECT_EQ(TextOf(thePosition.get()), "20 80");
  ASSERT_EQ(SetText(theRect.get(), u"300 400 100 200"), S_OK);
  EXPECT_EQ(TextOf(thePosition.get()), "100 400");
  ASSERT_EQ(theRect->Inset(10, 10), S_OK);
  EXPECT_EQ(TextOf(thePosition.get()), "110 390");

  // Readings refresh it too, after the owner changed its record directly.
  theState->rect = RectRecord{1, 2, 3, 4};
  LONG theWidth = 0;
  ASSERT_EQ(theRect->get_Width(&theWidth), S_OK);
  EXPECT_EQ(TextOf(thePosition.get()), "1 4");
  ASSERT_EQ(thePosition->put_X(99), S_OK);
  EXPECT_EQ(TextOf(theRect.get()), "1 2 3 4");
  EXPECT_EQ(TextOf(thePosition.get()), "1 4");
}

TEST(XRectLinkedPoint, ObjectsKeepTheOwnersRecordsAliveAfterTheOwnerIsGone) {
  auto theState = std::make_shared<OwnerState>();
  std::weak_ptr<OwnerState> theWatch = theState;
  ComRef<IXRect> theRect;
  ASSERT_EQ(XRect::Create(std::shared_ptr<RectRecord>(theState, &theState->rect),
                          std::shared_ptr<PointRecord>(theState, &theState->position), &theRect),
            S_OK);
  theState.reset();
  EXPECT_FALSE(theWatch.expired());
  ASSERT_EQ(theRect->Move(1, 1), S_OK);
  EXPECT_EQ(TextOf(theRect.get()), "1 1 101 51");
  EXPECT_EQ(theWatch.lock()->position.x, 1);
  EXPECT_EQ(theWatch.lock()->position.y, 51);
}

TEST(XRectObject, HoldsAModuleLockAndAnswersItsInterfaces) {
  const LONG theBefore = ModuleCount().count.load();
  void* theObject = nullptr;
  ASSERT_EQ(XRect::CreateInstance(IID_IDispatch, &theObject), S_OK);
  EXPECT_EQ(ModuleCount().count.load(), theBefore + 1);
  IDispatch* theDispatch = static_cast<IDispatch*>(theObject);
  void* theOther = nullptr;
  ASSERT_EQ(theDispatch->QueryInterface(IID_IXRect, &theOther), S_OK);
  static_cast<IUnknown*>(theOther)->Release();
  ASSERT_EQ(theDispatch->QueryInterface(IID_ISupportErrorInfo, &theOther), S_OK);
  EXPECT_EQ(static_cast<ISupportErrorInfo*>(theOther)->InterfaceSupportsErrorInfo(IID_IXRect), S_OK);
  static_cast<IUnknown*>(theOther)->Release();
  EXPECT_EQ(theDispatch->QueryInterface(IID_IXPoint, &theOther), E_NOINTERFACE);
  EXPECT_EQ(theDispatch->Release(), 0u);
  EXPECT_EQ(ModuleCount().count.load(), theBefore);
  EXPECT_EQ(XRect::CreateInstance(IID_IXColor, &theObject), E_NOINTERFACE);
  EXPECT_EQ(theObject, nullptr);
  EXPECT_EQ(ModuleCount().count.load(), theBefore);
}

TEST(XRectDispatch, NamesAndDispatchIdsOfTheMemberTable) {
  ComRef<IXRect> theRect;
  ASSERT_EQ(XRect::Create(nullptr, nullptr, &theRect), S_OK);
  const char16_t* theNames[] = {u"String", u"Top",  u"Bottom",   u"Left",  u"Right", u"Width",
                                u"Height", u"Move", u"Magnify", u"Position", u"Inset"};
  for (DISPID theID = 0; theID <= 10; ++theID) EXPECT_EQ(IdOf(theRect.get(), theNames[theID]), theID) << theID;
  EXPECT_EQ(IdOf(theRect.get(), u"inset"), 10);
  EXPECT_EQ(IdOf(theRect.get(), u"Area"), DISPID_UNKNOWN);
  EXPECT_EQ(XRect::Describe().help, u"IXRect Interface");
}

TEST(XRectDispatch, ScriptsUseTheDefaultMemberPropertiesAndMethods) {
  ComRef<IXRect> theRect;
  ASSERT_EQ(XRect::Create(nullptr, nullptr, &theRect), S_OK);
  IDispatch* theObject = theRect.get();
  ASSERT_EQ(PutById(theObject, DISPID_VALUE, TextArg(u"100,200,300,400")), S_OK);
  EXPECT_EQ(DefaultText(theObject), "100 200 300 400");
  ASSERT_EQ(PutByName(theObject, u"Left", LongArg(500)), S_OK);
  EXPECT_EQ(DefaultText(theObject), "500 200 500 400");
  EXPECT_EQ(GetLongByName(theObject, u"Width"), 0);
  ASSERT_EQ(PutByName(theObject, u"String", TextArg(u"0 0 101 101")), S_OK);
  ASSERT_EQ(CallByName(theObject, u"Magnify", {RealArg(0.5), RealArg(0.5)}), S_OK);
  EXPECT_EQ(DefaultText(theObject), "0 0 50 50");
  ASSERT_EQ(CallByName(theObject, u"Move", {LongArg(5), TextArg(u"7")}), S_OK);  // text converts
  EXPECT_EQ(GetTextById(theObject, IdOf(theObject, u"String")), "5 7 55 57");
  ASSERT_EQ(CallByName(theObject, u"Inset", {LongArg(5), LongArg(5)}), S_OK);
  ASSERT_EQ(CallByName(theObject, u"Position", {LongArg(0), LongArg(0)}), S_OK);
  EXPECT_EQ(DefaultText(theObject), "0 0 40 40");
  EXPECT_EQ(CallByName(theObject, u"Move", {LongArg(5)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(GetLongByName(theObject, u"Top"), 40);
}

}  // namespace
