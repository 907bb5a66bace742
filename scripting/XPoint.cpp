#include "scripting/XPoint.h"

#include <new>
#include <string>

#include "scripting/AutomationText.h"
#include "scripting/QuorixModule.h"
#include "scripting/ValueText.h"

XPoint::XPoint(std::shared_ptr<PointRecord> inPoint) : QxDispatchObject(&ModuleCount()), mPoint(std::move(inPoint)) {}

HRESULT XPoint::CreateInstance(REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  IXPoint* theObject = nullptr;
  const HRESULT theResult = Create(nullptr, &theObject);
  if (FAILED(theResult)) return theResult;
  const HRESULT theQuery = theObject->QueryInterface(inIID, outObject);
  theObject->Release();
  return theQuery;
}

HRESULT XPoint::Create(std::shared_ptr<PointRecord> inPoint, IXPoint** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  try {
    if (inPoint == nullptr) inPoint = std::make_shared<PointRecord>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The object deletes itself when its last reference is released.
  XPoint* theObject = new (std::nothrow) XPoint(std::move(inPoint));
  if (theObject == nullptr) return E_OUTOFMEMORY;
  *outObject = theObject;
  return S_OK;
}

const QxInterface& XPoint::Describe() {
  static const QxInterface sInterface{
      u"IXPoint",
      IID_IXPoint,
      u"IXPoint Interface",
      {
          QxPropGet<&IXPoint::get_String>(DISPID_VALUE, u"String", u"The point as text: x y"),
          QxPropPut<&IXPoint::put_String>(DISPID_VALUE, u"String", u"The point as text: x y"),
          QxPropGet<&IXPoint::get_X>(1, u"X", u"The horizontal position from the left of the page"),
          QxPropPut<&IXPoint::put_X>(1, u"X", u"The horizontal position from the left of the page"),
          QxPropGet<&IXPoint::get_Y>(2, u"Y", u"The vertical position from the bottom of the page"),
          QxPropPut<&IXPoint::put_Y>(2, u"Y", u"The vertical position from the bottom of the page"),
      }};
  return sInterface;
}

HRESULT XPoint::get_String(BSTR* outText) {
  return QX_COM_METHOD_OUT(kXPointClass, outText, [&] {
    std::string theText;
    ValueText::AppendLong(theText, mPoint->x);
    theText += ' ';
    ValueText::AppendLong(theText, mPoint->y);
    *outText = AutomationText::ToBstr(theText);
    return S_OK;
  });
}

HRESULT XPoint::put_String(BSTR inText) {
  return QX_COM_METHOD(kXPointClass, [&] {
    int32_t theValues[2];
    ValueText::ScanLongFields(AutomationText::ToAnsi(inText), theValues);
    mPoint->x = theValues[0];
    mPoint->y = theValues[1];
    return S_OK;
  });
}

HRESULT XPoint::get_X(LONG* outValue) {
  return QX_COM_METHOD_OUT(kXPointClass, outValue, [&] {
    *outValue = mPoint->x;
    return S_OK;
  });
}

HRESULT XPoint::put_X(LONG inValue) {
  return QX_COM_METHOD(kXPointClass, [&] {
    mPoint->x = inValue;
    return S_OK;
  });
}

HRESULT XPoint::get_Y(LONG* outValue) {
  return QX_COM_METHOD_OUT(kXPointClass, outValue, [&] {
    *outValue = mPoint->y;
    return S_OK;
  });
}

HRESULT XPoint::put_Y(LONG inValue) {
  return QX_COM_METHOD(kXPointClass, [&] {
    mPoint->y = inValue;
    return S_OK;
  });
}
