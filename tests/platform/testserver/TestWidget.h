// A small in-process server used only by the tests: one class with a property, a method with an
// optional argument, a byte-array argument and result, a default member, and members that fail
// with rich error information or with a machine fault.
#pragma once

#include <dispimpl.h>

inline constexpr IID IID_ITestWidget = {0x6E1B3A52, 0x0D1F, 0x4C41, {0x9A, 0x3B, 0x51, 0x7E, 0x22, 0xC4, 0x90, 0x11}};
inline constexpr CLSID CLSID_TestWidget = {0x6E1B3A53, 0x0D1F, 0x4C41, {0x9A, 0x3B, 0x51, 0x7E, 0x22, 0xC4, 0x90, 0x11}};
inline constexpr GUID LIBID_QuorixTest = {0x6E1B3A54, 0x0D1F, 0x4C41, {0x9A, 0x3B, 0x51, 0x7E, 0x22, 0xC4, 0x90, 0x11}};

struct ITestWidget : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Value(BSTR inValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Count(LONG* outCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Count(LONG inCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE Add(LONG inA, VARIANT inB, LONG* outSum) = 0;
  virtual HRESULT STDMETHODCALLTYPE Echo(VARIANT inData, VARIANT* outData) = 0;
  virtual HRESULT STDMETHODCALLTYPE Fail() = 0;
  virtual HRESULT STDMETHODCALLTYPE Crash(LONG inKind, BSTR* outText) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Ratio(double* outRatio) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Ratio(double inRatio) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Flag(VARIANT_BOOL* outFlag) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Flag(VARIANT_BOOL inFlag) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Child(IDispatch** outChild) = 0;
  virtual HRESULT STDMETHODCALLTYPE Describe(VARIANT inValue, BSTR* outText) = 0;

 protected:
  ~ITestWidget() = default;
};
