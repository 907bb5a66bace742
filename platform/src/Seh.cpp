// Machine faults become structured exceptions at the nearest guard of the faulting thread.
#include <sehapi.h>
#include <errhandlingapi.h>

#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr size_t kAltStackSize = 64 * 1024;

thread_local _se_translator_function tTranslator = nullptr;
thread_local QxFaultFrame* tTopFrame = nullptr;

// Each thread that guards gets an alternate signal stack, so that a stack overflow can still be
// handled; it is switched off before its memory goes when the thread ends. The memory is mapped on
// its own: untouched until a fault needs it, and given back without disturbing the heap.
struct AltStack {
  void* memory = MAP_FAILED;
  AltStack() {
    memory = mmap(nullptr, kAltStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED) return;
    stack_t theStack{};
    theStack.ss_sp = memory;
    theStack.ss_size = kAltStackSize;
    if (sigaltstack(&theStack, nullptr) != 0) {
      munmap(memory, kAltStackSize);
      memory = MAP_FAILED;
    }
  }
  AltStack(const AltStack&) = delete;
  AltStack& operator=(const AltStack&) = delete;
  ~AltStack() {
    if (memory == MAP_FAILED) return;
    stack_t theStack{};
    theStack.ss_flags = SS_DISABLE;
    sigaltstack(&theStack, nullptr);
    munmap(memory, kAltStackSize);
  }
};

struct sigaction gPrevious[sizeof(kFaultSignals) / sizeof(kFaultSignals[0])];
std::once_flag gInstalled;

size_t SignalIndex(int inSignal) {
  for (size_t i = 0; i < sizeof(kFaultSignals) / sizeof(kFaultSignals[0]); ++i)
    if (kFaultSignals[i] == inSignal) return i;
  return 0;
}

DWORD CodeOf(int inSignal, int inCode) {
  switch (inSignal) {
    case SIGSEGV: return EXCEPTION_ACCESS_VIOLATION;
    case SIGBUS: return EXCEPTION_IN_PAGE_ERROR;
    case SIGILL: return inCode == ILL_PRVOPC || inCode == ILL_PRVREG ? EXCEPTION_PRIV_INSTRUCTION
                                                                     : EXCEPTION_ILLEGAL_INSTRUCTION;
    case SIGFPE:
      switch (inCode) {
        case FPE_INTDIV: return EXCEPTION_INT_DIVIDE_BY_ZERO;
        case FPE_INTOVF: return EXCEPTION_INT_OVERFLOW;
        case FPE_FLTDIV: return EXCEPTION_FLT_DIVIDE_BY_ZERO;
        case FPE_FLTOVF: return EXCEPTION_FLT_OVERFLOW;
        case FPE_FLTUND: return EXCEPTION_FLT_UNDERFLOW;
        default: return EXCEPTION_FLT_INVALID_OPERATION;
      }
    default: return EXCEPTION_ACCESS_VIOLATION;
  }
}

void PassOn(int inSignal, siginfo_t* inInfo, void* inContext) {
  const struct sigaction& thePrevious = gPrevious[SignalIndex(inSignal)];
  if ((thePrevious.sa_flags & SA_SIGINFO) && thePrevious.sa_sigaction != nullptr) {
    thePrevious.sa_sigaction(inSignal, inInfo, inContext);
    return;
  }
  if (thePrevious.sa_handler != SIG_DFL && thePrevious.sa_handler != SIG_IGN && thePrevious.sa_handler != nullptr) {
    thePrevious.sa_handler(inSignal);
    return;
  }
  // Nobody else wants it: the default action happens when the faulting instruction runs again.
  signal(inSignal, SIG_DFL);
}

void OnFault(int inSignal, siginfo_t* inInfo, void* inContext) {
  QxFaultFrame* theFrame = tTopFrame;
  if (theFrame == nullptr || tTranslator == nullptr) {
    PassOn(inSignal, inInfo, inContext);
    return;
  }
  EXCEPTION_RECORD& theRecord = theFrame->record;
  std::memset(&theRecord, 0, sizeof(theRecord));
  theRecord.ExceptionCode = CodeOf(inSignal, inInfo->si_code);
  const ucontext_t* theContext = static_cast<const ucontext_t*>(inContext);
#if defined(__x86_64__)
  theRecord.ExceptionAddress = reinterpret_cast<PVOID>(theContext->uc_mcontext.gregs[REG_RIP]);
  // Bit 1 of the page-fault error code tells a write from a read.
  const bool theWrite = (theContext->uc_mcontext.gregs[REG_ERR] & 2) != 0;
#else
  theRecord.ExceptionAddress = inInfo->si_addr;
  const bool theWrite = false;
#endif
  if (inSignal == SIGSEGV || inSignal == SIGBUS) {
    theRecord.NumberParameters = 2;
    theRecord.ExceptionInformation[0] = theWrite ? 1 : 0;
    theRecord.ExceptionInformation[1] = reinterpret_cast<ULONG_PTR>(inInfo->si_addr);
  } else {
    theRecord.ExceptionAddress = inInfo->si_addr;
  }
  siglongjmp(theFrame->jump, 1);
}

void Install() {
  struct sigaction theAction{};
  theAction.sa_sigaction = OnFault;
  theAction.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&theAction.sa_mask);
  for (size_t i = 0; i < sizeof(kFaultSignals) / sizeof(kFaultSignals[0]); ++i)
    sigaction(kFaultSignals[i], &theAction, &gPrevious[i]);
}

}  // namespace

_se_translator_function _set_se_translator(_se_translator_function inTranslator) {
  const _se_translator_function thePrevious = tTranslator;
  tTranslator = inTranslator;
  return thePrevious;
}

void QxPushFaultFrame(QxFaultFrame* inFrame) {
  thread_local AltStack tAltStack;
  std::call_once(gInstalled, Install);
  inFrame->previous = tTopFrame;
  tTopFrame = inFrame;
}

void QxPopFaultFrame(QxFaultFrame* inFrame) {
  if (tTopFrame == inFrame) tTopFrame = inFrame->previous;
}

void QxDeliverFault(QxFaultFrame* inFrame) {
  QxPopFaultFrame(inFrame);
  EXCEPTION_RECORD theRecord = inFrame->record;
  EXCEPTION_POINTERS thePointers{&theRecord, nullptr};
  if (tTranslator != nullptr) tTranslator(theRecord.ExceptionCode, &thePointers);
  std::abort();
}

void WINAPI RaiseException(DWORD inCode, DWORD inFlags, DWORD inArgumentCount, const ULONG_PTR* inArguments) {
  EXCEPTION_RECORD theRecord{};
  theRecord.ExceptionCode = inCode;
  theRecord.ExceptionFlags = inFlags;
  theRecord.NumberParameters = std::min<DWORD>(inArgumentCount, EXCEPTION_MAXIMUM_PARAMETERS);
  for (DWORD i = 0; i < theRecord.NumberParameters && inArguments != nullptr; ++i)
    theRecord.ExceptionInformation[i] = inArguments[i];
  theRecord.ExceptionAddress = __builtin_return_address(0);
  EXCEPTION_POINTERS thePointers{&theRecord, nullptr};
  if (tTranslator != nullptr) tTranslator(inCode, &thePointers);
  std::abort();
}
