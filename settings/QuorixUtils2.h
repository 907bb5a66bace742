// The identities and the dual interface of the QuorixUtils2 library's one class, Settings.
#pragma once

#include <oaidl.h>

inline constexpr GUID LIBID_QUORIXUTILS2Lib = {0x06A61500, 0x8D89, 0x497B, {0xA4, 0x29, 0xFF, 0x22, 0x42, 0x8F, 0x02, 0xE7}};
inline constexpr CLSID CLSID_Settings = {0x173BCF6D, 0x6E27, 0x44BF, {0xBB, 0x2B, 0x13, 0xF1, 0x17, 0x5B, 0x76, 0x0F}};
inline constexpr IID IID_ISettings = {0x2F35FDE6, 0x9120, 0x4651, {0xAA, 0x8A, 0x30, 0xF3, 0x71, 0x5C, 0x93, 0xB8}};

struct ISettings : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_LogErrors(VARIANT_BOOL* outValue) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_LogErrors(VARIANT_BOOL inValue) = 0;

 protected:
  ~ISettings() = default;
};
