// The platform root folder, chosen by QUORIX_ROOT the way WINEPREFIX chooses a Wine prefix.
#include <platformroot.h>

#include <cstdlib>

namespace {
constexpr const char* kDefaultRoot = "/var/lib/quorix";
}

std::string QxPlatformRoot() {
  const char* theValue = std::getenv("QUORIX_ROOT");
  if (theValue == nullptr || *theValue == '\0') {
    return kDefaultRoot;
  }
  return theValue;
}
