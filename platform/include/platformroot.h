// The platform root: the folder under which the registry store and the event log live.
#pragma once

#include <string>

// RETURNS: the value of the environment variable QUORIX_ROOT when it is set and not empty,
// otherwise "/var/lib/quorix". The environment is read at every call, so a process (or a test)
// that changes QUORIX_ROOT sees the new root on its next registry or event log call.
std::string QxPlatformRoot();
