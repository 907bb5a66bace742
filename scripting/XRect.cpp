#include "scripting/XRect.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "scripting/AutomationText.h"
#include "scripting/QuorixModule.h"
#include "scripting/ValueText.h"

namespace {

// Rectangle arithmetic wraps around in 32 bits, as the coordinates are 32-bit numbers.
int32_t Wrap(int64_t inValue) { return static_cast<int32_t>(static_cast<uint32_t>(inValue)); }

// trunc(inValue) as a 32-bit number: saturated at the ends of the range, 0 for not a number.
int32_t TruncateToLong(double inValue) {
  if (std::isnan(inValue)) return 0;
  if (inValue >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (inValue <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(inValue);
}

}  // namespace

XRect::XRect(std::shared_ptr<RectRecord> inRect, std::shared_ptr<PointRecord> inLinkedPoint)
    : QxDispatchObject(&ModuleCount()), mRect(std::move(inRect)), mLinkedPoint(std::move(inLinkedPoint)) {}

HRESULT XRect::CreateInstance(REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  IXRect* theObject = nullptr;
  const HRESULT theResult = Create(nullptr, nullptr, &theObject);
  if (FAILED(theResult)) return theResult;
  const HRESULT theQuery = theObject->QueryInterface(inIID, outObject);
  theObject->Release();
  return theQuery;
}

HRESULT XRect::Create(std::shared_ptr<RectRecord> inRect, std::shared_ptr<PointRecord> inLinkedPoint,
                      IXRect** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  try {
    if (inRect == nullptr) inRect = std::make_shared<RectRecord>();
    if (inLinkedPoint == nullptr) inLinkedPoint = std::make_shared<PointRecord>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The object deletes itself when its last reference is released.
  XRect* theObject = new (std::nothrow) XRect(std::move(inRect), std::move(inLinkedPoint));
  if (theObject == nullptr) return E_OUTOFMEMORY;
  *outObject = theObject;
  return S_OK;
}

const QxInterface& XRect::Describe() {
  static const QxInterface sInterface{
      u"IXRect",
      IID_IXRect,
      u"IXRect Interface",
      {
          QxPropGet<&IXRect::get_String>(DISPID_VALUE, u"String", u"The rectangle as text: left bottom right top"),
          QxPropPut<&IXRect::put_String>(DISPID_VALUE, u"String", u"The rectangle as text: left bottom right top"),
          QxPropGet<&IXRect::get_Top>(1, u"Top", u"The top edge of the rectangle"),
          QxPropPut<&IXRect::put_Top>(1, u"Top", u"The top edge of the rectangle"),
          QxPropGet<&IXRect::get_Bottom>(2, u"Bottom", u"The bottom edge of the rectangle"),
          QxPropPut<&IXRect::put_Bottom>(2, u"Bottom", u"The bottom edge of the rectangle"),
          QxPropGet<&IXRect::get_Left>(3, u"Left", u"The left edge of the rectangle"),
          QxPropPut<&IXRect::put_Left>(3, u"Left", u"The left edge of the rectangle"),
          QxPropGet<&IXRect::get_Right>(4, u"Right", u"The right edge of the rectangle"),
          QxPropPut<&IXRect::put_Right>(4, u"Right", u"The right edge of the rectangle"),
          QxPropGet<&IXRect::get_Width>(5, u"Width", u"The width of the rectangle; the left edge stays"),
          QxPropPut<&IXRect::put_Width>(5, u"Width", u"The width of the rectangle; the left edge stays"),
          QxPropGet<&IXRect::get_Height>(6, u"Height", u"The height of the rectangle; the bottom edge stays"),
          QxPropPut<&IXRect::put_Height>(6, u"Height", u"The height of the rectangle; the bottom edge stays"),
          QxMethod<&IXRect::Move>(7, u"Move", u"Moves the rectangle by a horizontal and a vertical distance",
                                  {u"X", u"Y"}),
          QxMethod<&IXRect::Magnify>(8, u"Magnify",
                                     u"Scales the width and height by two factors; the bottom left corner stays",
                                     {u"X", u"Y"}),
          QxMethod<&IXRect::Position>(9, u"Position", u"Moves the bottom left corner to a point; the size stays",
                                      {u"X", u"Y"}),
          QxMethod<&IXRect::Inset>(10, u"Inset", u"Moves the left and right edges inwards by X, top and bottom by Y",
                                   {u"X", u"Y"}),
      }};
  return sInterface;
}

void XRect::RefreshLinkedPoint() {
  mLinkedPoint->x = mRect->Left();
  mLinkedPoint->y = mRect->Top();
}

template <class Reader>
HRESULT XRect::Get(LONG* outValue, Reader&& inReader) {
  return QX_COM_METHOD_OUT(kXRectClass, outValue, [&] {
    *outValue = inReader(*mRect);
    RefreshLinkedPoint();
    return S_OK;
  });
}

template <class Changer>
HRESULT XRect::Change(Changer&& inChanger) {
  return QX_COM_METHOD(kXRectClass, [&] {
    inChanger();
    RefreshLinkedPoint();
    return S_OK;
  });
}

HRESULT XRect::get_String(BSTR* outText) {
  return QX_COM_METHOD_OUT(kXRectClass, outText, [&] {
    std::string theText;
    ValueText::AppendLong(theText, mRect->Left());
    theText += ' ';
    ValueText::AppendLong(theText, mRect->Bottom());
    theText += ' ';
    ValueText::AppendLong(theText, mRect->Right());
    theText += ' ';
    ValueText::AppendLong(theText, mRect->Top());
    *outText = AutomationText::ToBstr(theText);
    RefreshLinkedPoint();
    return S_OK;
  });
}

HRESULT XRect::put_String(BSTR inText) {
  return Change([&] {
    int32_t theValues[4];
    ValueText::ScanLongFields(AutomationText::ToAnsi(inText), theValues);
    // Stored in the order given, not reordered: readings normalise.
    *mRect = RectRecord{theValues[0], theValues[1], theValues[2], theValues[3]};
  });
}

HRESULT XRect::get_Top(LONG* outValue) {
  return Get(outValue, [](const RectRecord& inRect) { return inRect.Top(); });
}

HRESULT XRect::put_Top(LONG inValue) {
  return Change([&] {
    if (inValue < mRect->Bottom()) BottomCoordinate() = inValue;
    TopCoordinate() = inValue;
  });
}

HRESULT XRect::get_Bottom(LONG* outValue) {
  return Get(outValue, [](const RectRecord& inRect) { return inRect.Bottom(); });
}

HRESULT XRect::put_Bottom(LONG inValue) {
  return Change([&] {
    if (inValue > mRect->Top()) TopCoordinate() = inValue;
    BottomCoordinate() = inValue;
  });
}

HRESULT XRect::get_Left(LONG* outValue) {
  return Get(outValue, [](const RectRecord& inRect) { return inRect.Left(); });
}

HRESULT XRect::put_Left(LONG inValue) {
  return Change([&] {
    if (inValue > mRect->Right()) RightCoordinate() = inValue;
    LeftCoordinate() = inValue;
  });
}

HRESULT XRect::get_Right(LONG* outValue) {
  return Get(outValue, [](const RectRecord& inRect) { return inRect.Right(); });
}

HRESULT XRect::put_Right(LONG inValue) {
  return Change([&] {
    if (inValue < mRect->Left()) LeftCoordinate() = inValue;
    RightCoordinate() = inValue;
  });
}

HRESULT XRect::get_Width(LONG* outValue) {
  return Get(outValue, [](const RectRecord& inRect) { return inRect.Width(); });
}

HRESULT XRect::put_Width(LONG inValue) {
  return Change([&] {
    const int32_t theLeft = mRect->Left();
    RightCoordinate() = Wrap(int64_t{theLeft} + inValue);
  });
}

HRESULT XRect::get_Height(LONG* outValue) {
  return Get(outValue, [](const RectRecord& inRect) { return inRect.Height(); });
}

HRESULT XRect::put_Height(LONG inValue) {
  return Change([&] {
    const int32_t theBottom = mRect->Bottom();
    TopCoordinate() = Wrap(int64_t{theBottom} + inValue);
  });
}

HRESULT XRect::Move(LONG inX, LONG inY) {
  return Change([&] {
    mRect->x1 = Wrap(int64_t{mRect->x1} + inX);
    mRect->x2 = Wrap(int64_t{mRect->x2} + inX);
    mRect->y1 = Wrap(int64_t{mRect->y1} + inY);
    mRect->y2 = Wrap(int64_t{mRect->y2} + inY);
  });
}

HRESULT XRect::Magnify(double inX, double inY) {
  return Change([&] {
    const int32_t theLeft = mRect->Left();
    const int32_t theBottom = mRect->Bottom();
    const int32_t theWidth = TruncateToLong(mRect->Width() * inX);
    const int32_t theHeight = TruncateToLong(mRect->Height() * inY);
    RightCoordinate() = Wrap(int64_t{theLeft} + theWidth);
    TopCoordinate() = Wrap(int64_t{theBottom} + theHeight);
  });
}

HRESULT XRect::Position(LONG inX, LONG inY) {
  return Change([&] {
    const int64_t theDeltaX = int64_t{inX} - mRect->Left();
    const int64_t theDeltaY = int64_t{inY} - mRect->Bottom();
    mRect->x1 = Wrap(mRect->x1 + theDeltaX);
    mRect->x2 = Wrap(mRect->x2 + theDeltaX);
    mRect->y1 = Wrap(mRect->y1 + theDeltaY);
    mRect->y2 = Wrap(mRect->y2 + theDeltaY);
  });
}

HRESULT XRect::Inset(LONG inX, LONG inY) {
  return Change([&] {
    // Each edge is found afresh, after the one before it has moved.
    int32_t& theLeft = LeftCoordinate();
    theLeft = Wrap(int64_t{theLeft} + inX);
    int32_t& theRight = RightCoordinate();
    theRight = Wrap(int64_t{theRight} - inX);
    int32_t& theTop = TopCoordinate();
    theTop = Wrap(int64_t{theTop} - inY);
    int32_t& theBottom = BottomCoordinate();
    theBottom = Wrap(int64_t{theBottom} + inY);
  });
}
