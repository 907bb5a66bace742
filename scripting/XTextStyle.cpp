#include "scripting/XTextStyle.h"

#include <new>

#include "scripting/AutomationText.h"
#include "scripting/QuorixModule.h"

XTextStyle::XTextStyle(std::shared_ptr<TextStyle> inStyle)
    : QxDispatchObject(&ModuleCount()), mStyle(std::move(inStyle)) {}

HRESULT XTextStyle::CreateInstance(REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  IXTextStyle* theObject = nullptr;
  const HRESULT theResult = Create(nullptr, &theObject);
  if (FAILED(theResult)) return theResult;
  const HRESULT theQuery = theObject->QueryInterface(inIID, outObject);
  theObject->Release();
  return theQuery;
}

HRESULT XTextStyle::Create(std::shared_ptr<TextStyle> inStyle, IXTextStyle** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  try {
    if (inStyle == nullptr) inStyle = std::make_shared<TextStyle>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The object deletes itself when its last reference is released.
  XTextStyle* theObject = new (std::nothrow) XTextStyle(std::move(inStyle));
  if (theObject == nullptr) return E_OUTOFMEMORY;
  *outObject = theObject;
  return S_OK;
}

const QxInterface& XTextStyle::Describe() {
  static const QxInterface sInterface{
      u"IXTextStyle",
      IID_IXTextStyle,
      u"IXTextStyle Interface",
      {
          QxPropGet<&IXTextStyle::get_String>(DISPID_VALUE, u"String", u"The text style as text"),
          QxPropPut<&IXTextStyle::put_String>(DISPID_VALUE, u"String", u"The text style as text"),
          QxPropGet<&IXTextStyle::get_Size>(1, u"Size", u"The text size in points"),
          QxPropPut<&IXTextStyle::put_Size>(1, u"Size", u"The text size in points"),
          QxPropGet<&IXTextStyle::get_Indent>(2, u"Indent", u"The extra indent of the first line of each paragraph"),
          QxPropPut<&IXTextStyle::put_Indent>(2, u"Indent", u"The extra indent of the first line of each paragraph"),
          QxPropGet<&IXTextStyle::get_CharSpacing>(3, u"CharSpacing", u"The extra space after each character"),
          QxPropPut<&IXTextStyle::put_CharSpacing>(3, u"CharSpacing", u"The extra space after each character"),
          QxPropGet<&IXTextStyle::get_WordSpacing>(4, u"WordSpacing", u"The extra space at each word gap"),
          QxPropPut<&IXTextStyle::put_WordSpacing>(4, u"WordSpacing", u"The extra space at each word gap"),
          QxPropGet<&IXTextStyle::get_LineSpacing>(5, u"LineSpacing", u"The extra space between lines"),
          QxPropPut<&IXTextStyle::put_LineSpacing>(5, u"LineSpacing", u"The extra space between lines"),
          QxPropGet<&IXTextStyle::get_ParaSpacing>(6, u"ParaSpacing", u"The extra space between paragraphs"),
          QxPropPut<&IXTextStyle::put_ParaSpacing>(6, u"ParaSpacing", u"The extra space between paragraphs"),
          QxPropGet<&IXTextStyle::get_Justification>(7, u"Justification",
                                                     u"The horizontal justification factor, 0 to 1"),
          QxPropPut<&IXTextStyle::put_Justification>(7, u"Justification",
                                                     u"The horizontal justification factor, 0 to 1"),
          QxPropGet<&IXTextStyle::get_Underline>(8, u"Underline", u"Whether text is underlined"),
          QxPropPut<&IXTextStyle::put_Underline>(8, u"Underline", u"Whether text is underlined"),
          QxPropGet<&IXTextStyle::get_Strike>(9, u"Strike", u"Whether text is struck through"),
          QxPropPut<&IXTextStyle::put_Strike>(9, u"Strike", u"Whether text is struck through"),
          QxPropGet<&IXTextStyle::get_Strike2>(10, u"Strike2", u"Whether text is struck through twice"),
          QxPropPut<&IXTextStyle::put_Strike2>(10, u"Strike2", u"Whether text is struck through twice"),
          QxPropGet<&IXTextStyle::get_Outline>(11, u"Outline", u"The outline width; 0 means filled text"),
          QxPropPut<&IXTextStyle::put_Outline>(11, u"Outline", u"The outline width; 0 means filled text"),
      }};
  return sInterface;
}

HRESULT XTextStyle::get_String(BSTR* outText) {
  return QX_COM_METHOD_OUT(kXTextStyleClass, outText, [&] {
    *outText = AutomationText::ToBstr(mStyle->Text());
    return S_OK;
  });
}

HRESULT XTextStyle::put_String(BSTR inText) {
  return QX_COM_METHOD(kXTextStyleClass, [&] {
    mStyle->Parse(AutomationText::ToAnsi(inText));
    return S_OK;
  });
}

HRESULT XTextStyle::GetReal(double (TextStyle::*inGetter)() const, double* outValue) {
  return QX_COM_METHOD_OUT(kXTextStyleClass, outValue, [&] {
    *outValue = ((*mStyle).*inGetter)();
    return S_OK;
  });
}

HRESULT XTextStyle::PutReal(void (TextStyle::*inSetter)(double), double inValue) {
  return QX_COM_METHOD(kXTextStyleClass, [&] {
    ((*mStyle).*inSetter)(inValue);
    return S_OK;
  });
}

HRESULT XTextStyle::GetFlag(int32_t (TextStyle::*inGetter)() const, VARIANT_BOOL* outValue) {
  return QX_COM_METHOD_OUT(kXTextStyleClass, outValue, [&] {
    *outValue = ((*mStyle).*inGetter)() != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  });
}

HRESULT XTextStyle::PutFlag(void (TextStyle::*inSetter)(int32_t), VARIANT_BOOL inValue) {
  return QX_COM_METHOD(kXTextStyleClass, [&] {
    ((*mStyle).*inSetter)(static_cast<int32_t>(inValue));
    return S_OK;
  });
}

HRESULT XTextStyle::get_Size(double* outValue) { return GetReal(&TextStyle::GetSize, outValue); }
HRESULT XTextStyle::put_Size(double inValue) { return PutReal(&TextStyle::SetSize, inValue); }
HRESULT XTextStyle::get_Indent(double* outValue) { return GetReal(&TextStyle::GetIndent, outValue); }
HRESULT XTextStyle::put_Indent(double inValue) { return PutReal(&TextStyle::SetIndent, inValue); }
HRESULT XTextStyle::get_CharSpacing(double* outValue) { return GetReal(&TextStyle::GetCharSpacing, outValue); }
HRESULT XTextStyle::put_CharSpacing(double inValue) { return PutReal(&TextStyle::SetCharSpacing, inValue); }
HRESULT XTextStyle::get_WordSpacing(double* outValue) { return GetReal(&TextStyle::GetWordSpacing, outValue); }
HRESULT XTextStyle::put_WordSpacing(double inValue) { return PutReal(&TextStyle::SetWordSpacing, inValue); }
HRESULT XTextStyle::get_LineSpacing(double* outValue) { return GetReal(&TextStyle::GetLineSpacing, outValue); }
HRESULT XTextStyle::put_LineSpacing(double inValue) { return PutReal(&TextStyle::SetLineSpacing, inValue); }
HRESULT XTextStyle::get_ParaSpacing(double* outValue) { return GetReal(&TextStyle::GetParaSpacing, outValue); }
HRESULT XTextStyle::put_ParaSpacing(double inValue) { return PutReal(&TextStyle::SetParaSpacing, inValue); }
HRESULT XTextStyle::get_Justification(double* outValue) { return GetReal(&TextStyle::GetJustification, outValue); }
HRESULT XTextStyle::put_Justification(double inValue) { return PutReal(&TextStyle::SetJustification, inValue); }
HRESULT XTextStyle::get_Underline(VARIANT_BOOL* outValue) { return GetFlag(&TextStyle::GetUnderline, outValue); }
HRESULT XTextStyle::put_Underline(VARIANT_BOOL inValue) { return PutFlag(&TextStyle::SetUnderline, inValue); }
HRESULT XTextStyle::get_Strike(VARIANT_BOOL* outValue) { return GetFlag(&TextStyle::GetStrike, outValue); }
HRESULT XTextStyle::put_Strike(VARIANT_BOOL inValue) { return PutFlag(&TextStyle::SetStrike, inValue); }
HRESULT XTextStyle::get_Strike2(VARIANT_BOOL* outValue) { return GetFlag(&TextStyle::GetStrike2, outValue); }
HRESULT XTextStyle::put_Strike2(VARIANT_BOOL inValue) { return PutFlag(&TextStyle::SetStrike2, inValue); }
HRESULT XTextStyle::get_Outline(double* outValue) { return GetReal(&TextStyle::GetOutline, outValue); }
HRESULT XTextStyle::put_Outline(double inValue) { return PutReal(&TextStyle::SetOutline, inValue); }
