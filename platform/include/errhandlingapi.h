// The per-thread last-error value, in Windows numbering.
#pragma once

#include "windef.h"

extern "C" {

// PARAMS: none. RETURNS: the calling thread's last-error code (0 when none was set).
DWORD WINAPI GetLastError();

// PARAMS: inCode, the new last-error code of the calling thread.
void WINAPI SetLastError(DWORD inCode);

}  // extern "C"

// Not a Windows call: the Windows error code that corresponds to a POSIX errno value
// (ENOENT 2, ENOTDIR 3, EACCES 5, ENOMEM 8 ...). The substitutes use it to set the last error.
DWORD QxWin32ErrorFromErrno(int inErrno);

// Sets the calling thread's last error from errno and returns the code it set.
DWORD QxSetLastErrorFromErrno();

extern "C" {
// Raises a structured exception with inCode on the calling thread: the thread's translator (see
// sehapi.h) receives it and may throw; without a translator, or when the translator returns, the
// exception is unhandled and the process ends, as an unhandled exception ends it on Windows.
[[noreturn]] void WINAPI RaiseException(DWORD inCode, DWORD inFlags, DWORD inArgumentCount,
                                        const ULONG_PTR* inArguments);
}
