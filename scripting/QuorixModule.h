// The Quorix2 server module: its lock count, class table and type library.
#pragma once

#include <dispimpl.h>

#include "runtime/ServerModule.h"

// Live objects and server locks of the module; DllCanUnloadNow answers from it.
QxModuleCount& ModuleCount();

// The type library Quorix2 of the module's classes.
const QxTypeLibrary& Quorix2Library();
