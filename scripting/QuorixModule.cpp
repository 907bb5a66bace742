// The Quorix2 in-process server: its classes, the four entry points of a server module, the type
// library, and registration of the classes.
#include "scripting/QuorixModule.h"

#include <objbase.h>

#include <array>
#include <string>

#include "runtime/ComBoundary.h"
#include "runtime/EventLog.h"
#include "runtime/Preferences.h"
#include "runtime/ServerModule.h"
#include "scripting/Doc.h"
#include "scripting/Image.h"
#include "scripting/Quorix2.h"
#include "scripting/XColor.h"
#include "scripting/XPoint.h"
#include "scripting/XRect.h"
#include "scripting/XTextStyle.h"
#include "scripting/XTransform.h"

#define QX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The classes in registration order (their registry scripts were numbered 101 upward).
constexpr std::array<ClassEntry, 7> kClasses{{
    {&CLSID_Doc, u"Doc", u"Doc Class", &Doc::Describe, &Doc::CreateInstance},
    {&CLSID_XRect, u"XRect", u"XRect Class", &XRect::Describe, &XRect::CreateInstance},
    {&CLSID_XPoint, u"XPoint", u"XPoint Class", &XPoint::Describe, &XPoint::CreateInstance},
    {&CLSID_XColor, u"XColor", u"XColor Class", &XColor::Describe, &XColor::CreateInstance},
    {&CLSID_XTextStyle, u"XTextStyle", u"XTextStyle Class", &XTextStyle::Describe, &XTextStyle::CreateInstance},
    {&CLSID_XTransform, u"XTransform", u"XTransform Class", &XTransform::Describe, &XTransform::CreateInstance},
    {&CLSID_Image, u"Image", u"Image Class", &Image::Describe, &Image::CreateInstance},
}};

ServerModule& Module() {
  static ServerModule sModule({u"Quorix2", u"Both", u"Quorix2", u"Quorix PDF Generation Library", LIBID_Quorix2},
                              kClasses, ModuleCount());
  return sModule;
}

}  // namespace

const QxTypeLibrary& Quorix2Library() { return Module().Library(); }

QX_EXPORT HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIID, void** outObject) {
  return Module().GetClassObject(inClsid, inIID, outObject);
}

QX_EXPORT HRESULT DllCanUnloadNow() { return Module().CanUnloadNow(); }

QX_EXPORT HRESULT DllGetTypeLibResource(ITypeLib** outLib) { return QxCreateTypeLib(Quorix2Library(), outLib); }

QX_EXPORT HRESULT DllRegisterServer() {
  const std::string thePath = ServerModule::PathOfModule(reinterpret_cast<const void*>(&DllRegisterServer));
  const HRESULT theResult = Module().RegisterServer(thePath);
  // Whatever the outcome, the module records where it lives and installs its event source.
  StoreModulePath(thePath.c_str());
  InstallEventSource(nullptr, kEventSource);
  if (FAILED(theResult)) return theResult;
  LogText("Quorix Registered Successfully", kEventInformation);
  return S_OK;
}

QX_EXPORT HRESULT DllUnregisterServer() { return Module().UnregisterServer(); }

namespace {

volatile int* volatile gNowhere = nullptr;

__attribute__((noinline, no_sanitize("address", "undefined"))) int ReadNowhere() { return *gNowhere; }

constexpr ComClassInfo kHookClass{&CLSID_XRect, &IID_IXRect};

}  // namespace

// Test hook, not part of any registered interface: runs a method body that faults (inKind 1) or
// throws an unknown exception (inKind 2) inside the common boundary, as a method of XRect would.
QX_EXPORT HRESULT QuorixTestHookFault(LONG inKind) {
  return QX_COM_METHOD(kHookClass, [&]() -> HRESULT {
    if (inKind == 1) return ReadNowhere();
    if (inKind == 2) throw 42;
    return S_OK;
  });
}
