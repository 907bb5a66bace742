#include "settings/Settings.h"

#include <new>

#include "runtime/Preferences.h"

QxModuleCount& UtilsModuleCount() {
  static QxModuleCount sCount;
  return sCount;
}

HRESULT Settings::CreateInstance(REFIID inIID, void** outObject) {
  if (outObject == nullptr) return E_POINTER;
  *outObject = nullptr;
  Settings* theObject = new (std::nothrow) Settings();
  if (theObject == nullptr) return E_OUTOFMEMORY;
  const HRESULT theResult = theObject->QueryInterface(inIID, outObject);
  theObject->Release();
  return theResult;
}

const QxInterface& Settings::Describe() {
  static const QxInterface sInterface{
      u"ISettings",
      IID_ISettings,
      u"ISettings Interface",
      {
          QxPropGet<&ISettings::get_LogErrors>(1, u"LogErrors", u"Whether to Log Scripting Errors or not"),
          QxPropPut<&ISettings::put_LogErrors>(1, u"LogErrors", u"Whether to Log Scripting Errors or nots"),
      }};
  return sInterface;
}

HRESULT Settings::get_LogErrors(VARIANT_BOOL* outValue) {
  if (outValue == nullptr) return E_POINTER;
  *outValue = GetPrefLong("LogErrors", 0) != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT Settings::put_LogErrors(VARIANT_BOOL inValue) {
  SetPrefLong("LogErrors", inValue != 0 ? 1 : 0);
  return S_OK;
}
