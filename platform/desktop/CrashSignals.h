#pragma once

#include <ucontext.h>

#include <cstdint>

namespace jv::desktop {

// A fatal failure of the process as the crash handler sees it.
struct CrashEvent {
    int signal = 0;                       // the fatal signal, 0 for an uncaught C++ exception
    int signalCode = 0;                   // si_code
    uint32_t exceptionCode = 0;           // see ExceptionCodeFor
    uintptr_t faultAddress = 0;           // the memory address of a faulting access, else 0
    const ucontext_t* context = nullptr;  // the registers where it happened
};

// What the crash handler decided.
enum CrashDisposition {
    kContinueSearch = 0,  // let the default action follow: the process dies by its signal
    kExecuteHandler = 1,  // the crash was handed on: end the process quietly
};

// The handler is called once per process, on an alternate stack, inside a signal handler: it may
// use only async-signal-safe calls, no heap and no locks.
using CrashHandlerFunction = CrashDisposition (*)(const CrashEvent& event);

// The exception code of the old platform that stands for the failure: 0xC0000005 for an access
// violation, 0xC00000FD for a stack overflow, 0xC0000094 for an integer division by zero,
// 0xE06D7363 for a C++ exception, and so on. A signal without a counterpart gets 0xE0000000 plus
// its number.
uint32_t ExceptionCodeFor(int signal, int signalCode, uintptr_t faultAddress, uintptr_t stackPointer);

// Catches the fatal signals (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS) on an
// alternate stack of the calling thread, so that a stack overflow is caught too, and uncaught C++
// exceptions through the terminate handler. Only the first failure is handed to the handler; a
// failure on another thread meanwhile waits for the report to end the process, so two threads
// failing at once leave one whole report. A handler that takes longer than `timeoutSeconds` is
// ended by an alarm. With kExecuteHandler the
// process then ends with exit status 128 + the signal number (SIGABRT for an exception), without
// a core dump; with kContinueSearch the signal's default action follows.
bool InstallCrashSignals(CrashHandlerFunction handler, unsigned timeoutSeconds = 30);

}  // namespace jv::desktop
