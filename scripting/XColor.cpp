#include "scripting/XColor.h"

#include <new>
#include <string>

#include "scripting/AutomationText.h"
#include "scripting/QuorixModule.h"
#include "scripting/ValueText.h"

namespace {

// The low 8 bits, without range check: 256 becomes 0, -1 becomes 255.
uint8_t LowByte(int32_t inValue) { return static_cast<uint8_t>(static_cast<uint32_t>(inValue) & 0xFFu); }

}  // namespace

XColor::XColor(std::shared_ptr<ColorRecord> inColor) : QxDispatchObject(&ModuleCount()), mColor(std::move(inColor)) {}

HRESULT XColor::CreateInstance(REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  IXColor* theObject = nullptr;
  const HRESULT theResult = Create(nullptr, &theObject);
  if (FAILED(theResult)) return theResult;
  const HRESULT theQuery = theObject->QueryInterface(inIID, outObject);
  theObject->Release();
  return theQuery;
}

HRESULT XColor::Create(std::shared_ptr<ColorRecord> inColor, IXColor** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  try {
    if (inColor == nullptr) inColor = std::make_shared<ColorRecord>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The object deletes itself when its last reference is released.
  XColor* theObject = new (std::nothrow) XColor(std::move(inColor));
  if (theObject == nullptr) return E_OUTOFMEMORY;
  *outObject = theObject;
  return S_OK;
}

const QxInterface& XColor::Describe() {
  static const QxInterface sInterface{
      u"IXColor",
      IID_IXColor,
      u"IXColor Interface",
      {
          QxPropGet<&IXColor::get_String>(DISPID_VALUE, u"String", u"The colour as text: red green blue"),
          QxPropPut<&IXColor::put_String>(DISPID_VALUE, u"String", u"The colour as text: red green blue"),
          QxPropGet<&IXColor::get_Red>(1, u"Red", u"The red intensity, 0 to 255"),
          QxPropPut<&IXColor::put_Red>(1, u"Red", u"The red intensity, 0 to 255"),
          QxPropGet<&IXColor::get_Green>(2, u"Green", u"The green intensity, 0 to 255"),
          QxPropPut<&IXColor::put_Green>(2, u"Green", u"The green intensity, 0 to 255"),
          QxPropGet<&IXColor::get_Blue>(3, u"Blue", u"The blue intensity, 0 to 255"),
          QxPropPut<&IXColor::put_Blue>(3, u"Blue", u"The blue intensity, 0 to 255"),
      }};
  return sInterface;
}

HRESULT XColor::get_String(BSTR* outText) {
  return QX_COM_METHOD_OUT(kXColorClass, outText, [&] {
    std::string theText;
    ValueText::AppendLong(theText, mColor->red);
    theText += ' ';
    ValueText::AppendLong(theText, mColor->green);
    theText += ' ';
    ValueText::AppendLong(theText, mColor->blue);
    *outText = AutomationText::ToBstr(theText);
    return S_OK;
  });
}

HRESULT XColor::put_String(BSTR inText) {
  return QX_COM_METHOD(kXColorClass, [&] {
    int32_t theValues[3];
    ValueText::ScanLongFields(AutomationText::ToAnsi(inText), theValues);
    mColor->red = LowByte(theValues[0]);
    mColor->green = LowByte(theValues[1]);
    mColor->blue = LowByte(theValues[2]);
    return S_OK;
  });
}

HRESULT XColor::GetIntensity(uint8_t ColorRecord::*inField, LONG* outValue) {
  return QX_COM_METHOD_OUT(kXColorClass, outValue, [&] {
    *outValue = (*mColor).*inField;
    return S_OK;
  });
}

HRESULT XColor::PutIntensity(uint8_t ColorRecord::*inField, LONG inValue) {
  return QX_COM_METHOD(kXColorClass, [&] {
    (*mColor).*inField = LowByte(inValue);
    return S_OK;
  });
}

HRESULT XColor::get_Red(LONG* outValue) { return GetIntensity(&ColorRecord::red, outValue); }
HRESULT XColor::put_Red(LONG inValue) { return PutIntensity(&ColorRecord::red, inValue); }
HRESULT XColor::get_Green(LONG* outValue) { return GetIntensity(&ColorRecord::green, outValue); }
HRESULT XColor::put_Green(LONG inValue) { return PutIntensity(&ColorRecord::green, inValue); }
HRESULT XColor::get_Blue(LONG* outValue) { return GetIntensity(&ColorRecord::blue, outValue); }
HRESULT XColor::put_Blue(LONG inValue) { return PutIntensity(&ColorRecord::blue, inValue); }
