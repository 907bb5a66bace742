#include "scripting/XTransform.h"

#include <new>

#include "scripting/AutomationText.h"
#include "scripting/QuorixModule.h"

XTransform::XTransform(std::shared_ptr<TransformMatrix> inMatrix)
    : QxDispatchObject(&ModuleCount()), mMatrix(std::move(inMatrix)) {}

HRESULT XTransform::CreateInstance(REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  IXTransform* theObject = nullptr;
  const HRESULT theResult = Create(nullptr, &theObject);
  if (FAILED(theResult)) return theResult;
  const HRESULT theQuery = theObject->QueryInterface(inIID, outObject);
  theObject->Release();
  return theQuery;
}

HRESULT XTransform::Create(std::shared_ptr<TransformMatrix> inMatrix, IXTransform** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  try {
    if (inMatrix == nullptr) inMatrix = std::make_shared<TransformMatrix>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The object deletes itself when its last reference is released.
  XTransform* theObject = new (std::nothrow) XTransform(std::move(inMatrix));
  if (theObject == nullptr) return E_OUTOFMEMORY;
  *outObject = theObject;
  return S_OK;
}

const QxInterface& XTransform::Describe() {
  static const QxInterface sInterface{
      u"IXTransform",
      IID_IXTransform,
      u"IXTransform Interface",
      {
          QxPropGet<&IXTransform::get_String>(DISPID_VALUE, u"String", u"The matrix as text: a b c d e f"),
          QxPropPut<&IXTransform::put_String>(DISPID_VALUE, u"String", u"The matrix as text: a b c d e f"),
          QxMethod<&IXTransform::Reset>(1, u"Reset", u"Makes the transform the identity"),
          QxMethod<&IXTransform::Invert>(2, u"Invert", u"Inverts the transform; a singular one stays unchanged"),
          QxMethod<&IXTransform::Translate>(3, u"Translate", u"Moves by a horizontal and a vertical distance",
                                            {u"X", u"Y"}),
          QxMethod<&IXTransform::Rotate>(4, u"Rotate", u"Turns counter-clockwise by an angle in degrees about a point",
                                         {u"Degrees", u"AnchorX", u"AnchorY"}),
          QxMethod<&IXTransform::Magnify>(5, u"Magnify", u"Scales by a horizontal and a vertical factor about a point",
                                          {u"ScaleX", u"ScaleY", u"AnchorX", u"AnchorY"}),
          QxMethod<&IXTransform::Skew>(6, u"Skew", u"Skews by a horizontal and a vertical factor about a point",
                                       {u"SkewX", u"SkewY", u"AnchorX", u"AnchorY"}),
      }};
  return sInterface;
}

HRESULT XTransform::get_String(BSTR* outText) {
  return QX_COM_METHOD_OUT(kXTransformClass, outText, [&] {
    *outText = AutomationText::ToBstr(mMatrix->Text());
    return S_OK;
  });
}

HRESULT XTransform::put_String(BSTR inText) {
  return QX_COM_METHOD(kXTransformClass, [&] {
    mMatrix->Parse(AutomationText::ToAnsi(inText));
    return S_OK;
  });
}

HRESULT XTransform::Reset() {
  return QX_COM_METHOD(kXTransformClass, [&] {
    mMatrix->Reset();
    return S_OK;
  });
}

HRESULT XTransform::Invert() {
  return QX_COM_METHOD(kXTransformClass, [&] {
    // A singular matrix stays as it is; that is no error for the caller.
    (void)mMatrix->Invert();
    return S_OK;
  });
}

HRESULT XTransform::Translate(double inX, double inY) {
  return QX_COM_METHOD(kXTransformClass, [&] {
    mMatrix->Translate(inX, inY);
    return S_OK;
  });
}

HRESULT XTransform::Rotate(double inDegrees, double inAnchorX, double inAnchorY) {
  return QX_COM_METHOD(kXTransformClass, [&] {
    mMatrix->Rotate(inDegrees, inAnchorX, inAnchorY);
    return S_OK;
  });
}

HRESULT XTransform::Magnify(double inScaleX, double inScaleY, double inAnchorX, double inAnchorY) {
  return QX_COM_METHOD(kXTransformClass, [&] {
    mMatrix->Magnify(inScaleX, inScaleY, inAnchorX, inAnchorY);
    return S_OK;
  });
}

HRESULT XTransform::Skew(double inSkewX, double inSkewY, double inAnchorX, double inAnchorY) {
  return QX_COM_METHOD(kXTransformClass, [&] {
    mMatrix->Skew(inSkewX, inSkewY, inAnchorX, inAnchorY);
    return S_OK;
  });
}
