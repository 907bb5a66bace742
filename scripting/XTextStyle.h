// The Automation class XTextStyle: a text style as a script sees it, over a TextStyle that is either
// the object's own or an owner's (the document's current style).
#pragma once

#include <dispimpl.h>

#include <memory>

#include "runtime/ComBoundary.h"
#include "scripting/Quorix2.h"
#include "scripting/TextStyle.h"

inline constexpr ComClassInfo kXTextStyleClass{&CLSID_XTextStyle, &IID_IXTextStyle};

class XTextStyle final : public QxDispatchObject<XTextStyle, IXTextStyle, IID_IXTextStyle> {
 public:
  static const QxInterface& Describe();
  // A new object with its own storage and the default style.
  static HRESULT CreateInstance(REFIID inIID, void** outObject);
  // A new object on an owner's style; a null style means the object's own storage.
  static HRESULT Create(std::shared_ptr<TextStyle> inStyle, IXTextStyle** outObject);

  HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) override;
  HRESULT STDMETHODCALLTYPE put_String(BSTR inText) override;
  HRESULT STDMETHODCALLTYPE get_Size(double* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Size(double inValue) override;
  HRESULT STDMETHODCALLTYPE get_Indent(double* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Indent(double inValue) override;
  HRESULT STDMETHODCALLTYPE get_CharSpacing(double* outValue) override;
  HRESULT STDMETHODCALLTYPE put_CharSpacing(double inValue) override;
  HRESULT STDMETHODCALLTYPE get_WordSpacing(double* outValue) override;
  HRESULT STDMETHODCALLTYPE put_WordSpacing(double inValue) override;
  HRESULT STDMETHODCALLTYPE get_LineSpacing(double* outValue) override;
  HRESULT STDMETHODCALLTYPE put_LineSpacing(double inValue) override;
  HRESULT STDMETHODCALLTYPE get_ParaSpacing(double* outValue) override;
  HRESULT STDMETHODCALLTYPE put_ParaSpacing(double inValue) override;
  HRESULT STDMETHODCALLTYPE get_Justification(double* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Justification(double inValue) override;
  HRESULT STDMETHODCALLTYPE get_Underline(VARIANT_BOOL* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Underline(VARIANT_BOOL inValue) override;
  HRESULT STDMETHODCALLTYPE get_Strike(VARIANT_BOOL* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Strike(VARIANT_BOOL inValue) override;
  HRESULT STDMETHODCALLTYPE get_Strike2(VARIANT_BOOL* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Strike2(VARIANT_BOOL inValue) override;
  HRESULT STDMETHODCALLTYPE get_Outline(double* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Outline(double inValue) override;

 private:
  explicit XTextStyle(std::shared_ptr<TextStyle> inStyle);
  ~XTextStyle() override = default;

  // One real-valued field, read or written unchanged inside the boundary.
  HRESULT GetReal(double (TextStyle::*inGetter)() const, double* outValue);
  HRESULT PutReal(void (TextStyle::*inSetter)(double), double inValue);
  // One flag: written as the Boolean sign-extended (true is -1), read as true for any nonzero value.
  HRESULT GetFlag(int32_t (TextStyle::*inGetter)() const, VARIANT_BOOL* outValue);
  HRESULT PutFlag(void (TextStyle::*inSetter)(int32_t), VARIANT_BOOL inValue);

  std::shared_ptr<TextStyle> mStyle;
};
