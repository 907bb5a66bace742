// The debugger output channel: text a program writes for whoever is debugging it.
#pragma once

#include "windef.h"

extern "C" {

// PARAMS: a zero-terminated text (8-bit in the system code page, or UTF-16). Without a debugger
// the text goes to the process's standard error, where a debugging session sees it; nothing is
// added to it (no line end). A null text writes nothing.
void WINAPI OutputDebugStringA(LPCSTR lpOutputString);
void WINAPI OutputDebugStringW(LPCWSTR lpOutputString);

}  // extern "C"
