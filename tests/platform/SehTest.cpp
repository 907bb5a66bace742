// Real machine faults inside a guard reach the thread's translator as C++ exceptions.
#include <gtest/gtest.h>

#include <sehapi.h>

#include <csignal>
#include <cstdint>
#include <stdexcept>
#include <thread>

namespace {

struct Fault {
  unsigned code;
  DWORD parameters;
  ULONG_PTR access;
  ULONG_PTR address;
};

void Translate(unsigned int inCode, EXCEPTION_POINTERS* inPointers) {
  const EXCEPTION_RECORD& theRecord = *inPointers->ExceptionRecord;
  throw Fault{inCode, theRecord.NumberParameters, theRecord.ExceptionInformation[0],
              theRecord.ExceptionInformation[1]};
}

volatile int* volatile gBadAddress = reinterpret_cast<volatile int*>(uintptr_t{0x10});
volatile int gZero = 0;
volatile int gSink = 0;

__attribute__((noinline, no_sanitize("address", "undefined"))) int ReadBad() { return *gBadAddress; }
__attribute__((noinline, no_sanitize("address", "undefined"))) void WriteBad() { *gBadAddress = 3; }
__attribute__((noinline, no_sanitize("undefined"))) int Divide(int inValue) { return inValue / gZero; }

template <class Body>
Fault CatchFault(Body&& inBody) {
  _set_se_translator(Translate);
  try {
    QxGuardFaults(inBody);
  } catch (const Fault& theFault) {
    return theFault;
  }
  return Fault{0, 0, 0, 0};
}

}  // namespace

TEST(StructuredExceptions, ReadAndWriteViolations) {
  const Fault theRead = CatchFault([] { (void)ReadBad(); });
  EXPECT_EQ(theRead.code, EXCEPTION_ACCESS_VIOLATION);
  EXPECT_EQ(theRead.parameters, 2u);
  EXPECT_EQ(theRead.access, 0u);
  EXPECT_EQ(theRead.address, 0x10u);
  const Fault theWrite = CatchFault([] { WriteBad(); });
  EXPECT_EQ(theWrite.code, EXCEPTION_ACCESS_VIOLATION);
  EXPECT_EQ(theWrite.access, 1u);
  EXPECT_EQ(theWrite.address, 0x10u);
}

// Faults one after another are each caught, and leave the thread's signal mask as it was: neither
// the fault's own signal nor a signal the caller had blocked changes.
TEST(StructuredExceptions, RepeatedFaultsKeepTheSignalMask) {
  sigset_t theBlocked;
  sigemptyset(&theBlocked);
  sigaddset(&theBlocked, SIGUSR1);
  sigset_t theBefore;
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &theBlocked, &theBefore), 0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(CatchFault([] { (void)ReadBad(); }).code, EXCEPTION_ACCESS_VIOLATION);
    EXPECT_EQ(CatchFault([] { gSink = Divide(7); }).code, EXCEPTION_INT_DIVIDE_BY_ZERO);
  }
  sigset_t theAfter;
  ASSERT_EQ(pthread_sigmask(SIG_SETMASK, nullptr, &theAfter), 0);
  EXPECT_EQ(sigismember(&theAfter, SIGUSR1), 1);
  EXPECT_EQ(sigismember(&theAfter, SIGSEGV), 0);
  EXPECT_EQ(sigismember(&theAfter, SIGFPE), 0);
  ASSERT_EQ(pthread_sigmask(SIG_SETMASK, &theBefore, nullptr), 0);
}

TEST(StructuredExceptions, IntegerDivisionByZero) {
  const Fault theFault = CatchFault([] { gSink = Divide(7); });
  EXPECT_EQ(theFault.code, EXCEPTION_INT_DIVIDE_BY_ZERO);
}

TEST(StructuredExceptions, GuardsNestAndUnwindInOrder) {
  _set_se_translator(Translate);
  int theOuterValue = 0;
  try {
    QxGuardFaults([&] {
      const Fault theInner = CatchFault([] { (void)ReadBad(); });
      EXPECT_EQ(theInner.code, EXCEPTION_ACCESS_VIOLATION);
      theOuterValue = QxGuardFaults([] { return 42; });
      WriteBad();  // caught by the outer guard
    });
    FAIL() << "the outer guard did not see the fault";
  } catch (const Fault& theFault) {
    EXPECT_EQ(theFault.access, 1u);
  }
  EXPECT_EQ(theOuterValue, 42);
  // After all that, ordinary exceptions and results pass through untouched.
  EXPECT_THROW(QxGuardFaults([] { throw std::runtime_error("plain"); }), std::runtime_error);
}

TEST(StructuredExceptions, EachThreadHasItsOwnTranslator) {
  _set_se_translator(nullptr);
  Fault theFault{};
  _se_translator_function theOtherBefore = Translate;
  std::thread([&] {
    theOtherBefore = _set_se_translator(nullptr);  // a new thread starts without one
    theFault = CatchFault([] { (void)ReadBad(); });
  }).join();
  EXPECT_EQ(theOtherBefore, nullptr);
  EXPECT_EQ(theFault.code, EXCEPTION_ACCESS_VIOLATION);
  EXPECT_EQ(_set_se_translator(nullptr), nullptr);  // the other thread's setting did not reach this one
}

TEST(StructuredExceptionsDeathTest, UnguardedFaultStillEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        _set_se_translator(Translate);
        CatchFault([] {});  // installs the handlers
        (void)ReadBad();    // no guard around this one
      },
      "");
}
