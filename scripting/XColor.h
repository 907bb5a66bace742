// The Automation class XColor: an RGB colour as a script sees it, over a ColorRecord that is either
// the object's own or an owner's (the document's current colour).
#pragma once

#include <dispimpl.h>

#include <memory>

#include "runtime/ComBoundary.h"
#include "scripting/ColorRecord.h"
#include "scripting/Quorix2.h"

inline constexpr ComClassInfo kXColorClass{&CLSID_XColor, &IID_IXColor};

class XColor final : public QxDispatchObject<XColor, IXColor, IID_IXColor> {
 public:
  static const QxInterface& Describe();
  // A new object with its own storage, black (0 0 0).
  static HRESULT CreateInstance(REFIID inIID, void** outObject);
  // A new object on an owner's record; a null record means the object's own storage.
  static HRESULT Create(std::shared_ptr<ColorRecord> inColor, IXColor** outObject);

  HRESULT STDMETHODCALLTYPE get_String(BSTR* outText) override;
  HRESULT STDMETHODCALLTYPE put_String(BSTR inText) override;
  HRESULT STDMETHODCALLTYPE get_Red(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Red(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE get_Green(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Green(LONG inValue) override;
  HRESULT STDMETHODCALLTYPE get_Blue(LONG* outValue) override;
  HRESULT STDMETHODCALLTYPE put_Blue(LONG inValue) override;

 private:
  explicit XColor(std::shared_ptr<ColorRecord> inColor);
  ~XColor() override = default;

  // Reads or sets one intensity inside the boundary; a set keeps the low 8 bits of the value.
  HRESULT GetIntensity(uint8_t ColorRecord::*inField, LONG* outValue);
  HRESULT PutIntensity(uint8_t ColorRecord::*inField, LONG inValue);

  std::shared_ptr<ColorRecord> mColor;
};
