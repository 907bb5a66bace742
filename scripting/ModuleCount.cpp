#include "scripting/QuorixModule.h"

QxModuleCount& ModuleCount() {
  static QxModuleCount sCount;
  return sCount;
}
