// The QuorixUtils2 in-process server: the Settings class, its type library QUORIXUTILS2Lib and the
// four entry points of a server module.
#include <objbase.h>

#include <array>
#include <string>

#include "runtime/ServerModule.h"
#include "settings/QuorixUtils2.h"
#include "settings/Settings.h"

#define QX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::array<ClassEntry, 1> kClasses{{
    {&CLSID_Settings, u"Settings", u"Settings Class", &Settings::Describe, &Settings::CreateInstance},
}};

ServerModule& Module() {
  static ServerModule sModule(
      {u"QuorixUtils2", u"Apartment", u"QUORIXUTILS2Lib", u"QuorixUtils2 Utilities Library", LIBID_QUORIXUTILS2Lib},
      kClasses, UtilsModuleCount());
  return sModule;
}

}  // namespace

QX_EXPORT HRESULT DllGetClassObject(REFCLSID inClsid, REFIID inIID, void** outObject) {
  return Module().GetClassObject(inClsid, inIID, outObject);
}

QX_EXPORT HRESULT DllCanUnloadNow() { return Module().CanUnloadNow(); }

QX_EXPORT HRESULT DllGetTypeLibResource(ITypeLib** outLib) { return QxCreateTypeLib(Module().Library(), outLib); }

QX_EXPORT HRESULT DllRegisterServer() {
  return Module().RegisterServer(ServerModule::PathOfModule(reinterpret_cast<const void*>(&DllRegisterServer)));
}

QX_EXPORT HRESULT DllUnregisterServer() { return Module().UnregisterServer(); }
