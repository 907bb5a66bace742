#include "settings/prefs/SettingsClient.h"

#include <objbase.h>
#include <oleauto.h>
#include <stringapiset.h>

namespace {

std::string ToUtf8(const BSTR inText) {
  if (inText == nullptr) return {};
  const int theLength = static_cast<int>(SysStringLen(inText));
  const int theSize = WideCharToMultiByte(CP_UTF8, 0, inText, theLength, nullptr, 0, nullptr, nullptr);
  std::string theText(theSize > 0 ? static_cast<size_t>(theSize) : 0, '\0');
  if (theSize > 0) WideCharToMultiByte(CP_UTF8, 0, inText, theLength, theText.data(), theSize, nullptr, nullptr);
  return theText;
}

}  // namespace

SettingsClient::~SettingsClient() {
  if (mObject != nullptr) mObject->Release();
}

void SettingsClient::Create(const char16_t* inProgID) {
  CLSID theClass{};
  HRESULT theResult = CLSIDFromProgID(inProgID, &theClass);
  if (SUCCEEDED(theResult))
    theResult = CoCreateInstance(theClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&mObject));
  if (FAILED(theResult)) throw Failure(theResult, "Unable to create the object.");
}

DISPID SettingsClient::LogErrorsID() {
  static const OLECHAR kName[] = u"LogErrors";
  LPOLESTR theNames[] = {const_cast<LPOLESTR>(kName)};
  DISPID theID = DISPID_UNKNOWN;
  const HRESULT theResult = mObject->GetIDsOfNames(IID_NULL, theNames, 1, 0x409, &theID);
  if (FAILED(theResult)) throw Failure(theResult, "Object doesn't support this property or method: LogErrors");
  return theID;
}

void SettingsClient::Invoke(WORD inFlags, DISPPARAMS& ioParams, VARIANT* outResult) {
  if (mObject == nullptr) throw Failure(E_POINTER, "Object variable not set");
  EXCEPINFO theError{};
  UINT theArgument = 0;
  const HRESULT theResult =
      mObject->Invoke(LogErrorsID(), IID_NULL, 0x409, inFlags, &ioParams, outResult, &theError, &theArgument);
  if (SUCCEEDED(theResult)) return;
  std::string theDescription = ToUtf8(theError.bstrDescription);
  SysFreeString(theError.bstrSource);
  SysFreeString(theError.bstrDescription);
  SysFreeString(theError.bstrHelpFile);
  if (theDescription.empty()) theDescription = "Automation error";
  throw Failure(theError.scode != 0 ? theError.scode : theResult, theDescription);
}

bool SettingsClient::LogErrors() {
  DISPPARAMS theParams{nullptr, nullptr, 0, 0};
  VARIANT theValue;
  VariantInit(&theValue);
  Invoke(DISPATCH_PROPERTYGET, theParams, &theValue);
  VARIANT theBool;
  VariantInit(&theBool);
  const HRESULT theResult = VariantChangeType(&theBool, &theValue, 0, VT_BOOL);
  VariantClear(&theValue);
  if (FAILED(theResult)) throw Failure(theResult, "Type mismatch");
  return V_BOOL(&theBool) != VARIANT_FALSE;
}

void SettingsClient::SetLogErrors(long inValue) {
  VARIANT theValue;
  VariantInit(&theValue);
  V_VT(&theValue) = VT_I4;
  V_I4(&theValue) = static_cast<LONG>(inValue);
  DISPID thePut = DISPID_PROPERTYPUT;
  DISPPARAMS theParams{&theValue, &thePut, 1, 1};
  Invoke(DISPATCH_PROPERTYPUT, theParams, nullptr);
}
