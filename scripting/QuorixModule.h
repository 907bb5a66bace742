// The Quorix2 server module: its lock count, class table and type library.
#pragma once

#include <dispimpl.h>

// Live objects and server locks of the module; DllCanUnloadNow answers from it.
QxModuleCount& ModuleCount();

// One creatable class of the module.
struct ClassEntry {
  const CLSID* clsid;
  const char16_t* name;         // "XRect"
  const char16_t* description;  // "XRect Class"
  const QxInterface& (*describe)();
  HRESULT (*create)(REFIID inIID, void** outObject);
};

// The type library Quorix2 of the module's classes.
const QxTypeLibrary& Quorix2Library();
