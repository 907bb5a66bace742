// Structured exceptions: machine faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL) raised inside a guarded
// call reach the calling thread's translator, which turns them into C++ exceptions there.
//
// On Windows the compiler's structured exception handling delivers a fault to the translator set
// with _set_se_translator. Here QxGuardFaults marks the place: a fault inside its body jumps back
// to it, and the translator is called from there, so that what it throws travels up from the
// guard through ordinary C++ frames. Objects of the frames between the fault and the guard are
// not destroyed (their memory is lost), which is the price of recovering from a fault at all.
#pragma once

#include <csetjmp>
#include <csignal>

#include "windef.h"

#define EXCEPTION_ACCESS_VIOLATION 0xC0000005u
#define EXCEPTION_IN_PAGE_ERROR 0xC0000006u
#define EXCEPTION_ILLEGAL_INSTRUCTION 0xC000001Du
#define EXCEPTION_FLT_DIVIDE_BY_ZERO 0xC000008Eu
#define EXCEPTION_FLT_INVALID_OPERATION 0xC0000090u
#define EXCEPTION_FLT_OVERFLOW 0xC0000091u
#define EXCEPTION_FLT_UNDERFLOW 0xC0000093u
#define EXCEPTION_INT_DIVIDE_BY_ZERO 0xC0000094u
#define EXCEPTION_INT_OVERFLOW 0xC0000095u
#define EXCEPTION_PRIV_INSTRUCTION 0xC0000096u
#define EXCEPTION_STACK_OVERFLOW 0xC00000FDu
#define EXCEPTION_MAXIMUM_PARAMETERS 15

typedef struct _EXCEPTION_RECORD {
  DWORD ExceptionCode;
  DWORD ExceptionFlags;
  struct _EXCEPTION_RECORD* ExceptionRecord;
  PVOID ExceptionAddress;
  DWORD NumberParameters;
  ULONG_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
} EXCEPTION_RECORD, *PEXCEPTION_RECORD;

typedef struct _EXCEPTION_POINTERS {
  PEXCEPTION_RECORD ExceptionRecord;
  PVOID ContextRecord;
} EXCEPTION_POINTERS, *PEXCEPTION_POINTERS;

typedef void (*_se_translator_function)(unsigned int, EXCEPTION_POINTERS*);

// Sets the calling thread's translator; returns the previous one.
_se_translator_function _set_se_translator(_se_translator_function inTranslator);

// ---- the guard (not a Windows call) ----
struct QxFaultFrame {
  sigjmp_buf jump;
  QxFaultFrame* previous = nullptr;
  EXCEPTION_RECORD record{};
};

void QxPushFaultFrame(QxFaultFrame* inFrame);
void QxPopFaultFrame(QxFaultFrame* inFrame);
// Hands a caught fault to the thread's translator; never returns (a translator that does not
// throw ends the process, as an unhandled fault would).
[[noreturn]] void QxDeliverFault(QxFaultFrame* inFrame);

// Runs inBody; a machine fault inside it is delivered to the thread's translator from here.
template <class Body>
decltype(auto) QxGuardFaults(Body&& inBody) {
  QxFaultFrame theFrame;
  // The signal mask is not saved: the fault handler runs with the mask of the faulting code (it
  // blocks nothing, not even its own signal), so jumping back leaves the mask as the guard found
  // it, and a guard costs no system call.
  if (sigsetjmp(theFrame.jump, 0) != 0) QxDeliverFault(&theFrame);
  QxPushFaultFrame(&theFrame);
  struct Pop {
    QxFaultFrame* frame;
    ~Pop() { QxPopFaultFrame(frame); }
  } thePop{&theFrame};
  return inBody();
}
