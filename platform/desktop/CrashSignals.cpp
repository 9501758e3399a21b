#include "platform/desktop/CrashSignals.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <exception>

#include "platform/desktop/MachineContext.h"

namespace jv::desktop {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS};
constexpr size_t kAlternateStackSize = 256 * 1024;
// A faulting access this close to the stack pointer is the stack running out.
constexpr uintptr_t kStackOverflowReach = 64 * 1024;

std::atomic<CrashHandlerFunction> g_handler{nullptr};
std::atomic<bool> g_reported{false};
std::atomic<pid_t> g_reporter{0};  // the thread writing the report
std::atomic<bool> g_installed{false};
volatile sig_atomic_t g_currentSignal = SIGABRT;
unsigned g_timeoutSeconds = 30;
ucontext_t g_terminateContext;

// Gives the signal a plain handler (or its default action) and lets it through to this thread.
void HandleAndUnblock(int signal, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

[[noreturn]] void DieBySignal(int signal) {
    HandleAndUnblock(signal, SIG_DFL, 0);
    raise(signal);
    _exit(128 + signal);
}

void OnAlarm(int) {
    DieBySignal(g_currentSignal);
}

void ArmAlarm() {
    HandleAndUnblock(SIGALRM, OnAlarm, SA_ONSTACK);
    alarm(g_timeoutSeconds);
}

// Hands the failure to the handler and ends the process as it decides.
[[noreturn]] void Report(int signal, const CrashEvent& event) {
    g_currentSignal = signal;
    ArmAlarm();
    const CrashHandlerFunction handler = g_handler.load();
    const CrashDisposition disposition = handler != nullptr ? handler(event) : kContinueSearch;
    alarm(0);
    if (disposition == kExecuteHandler) _exit(128 + signal);
    DieBySignal(signal);
}

pid_t ThisThread() {
    return static_cast<pid_t>(syscall(SYS_gettid));
}

// Returns when this failure is the first. When another thread is already reporting, this thread
// waits for that report to end the process; a failure inside the handler itself goes its default way.
void TakeReport(int signal) {
    if (!g_reported.exchange(true)) {
        g_reporter.store(ThisThread());
        return;
    }
    if (g_reporter.load() == ThisThread()) DieBySignal(signal);
    // The reporting thread ends the process (its alarm bounds how long that takes).
    for (;;) {
        const timespec pause{1, 0};
        nanosleep(&pause, nullptr);
    }
}

void OnSignal(int signal, siginfo_t* info, void* context) {
    // Only the first failure is reported.
    TakeReport(signal);
    auto* machine = static_cast<ucontext_t*>(context);
    const bool fromFault = info->si_code > 0 && (signal == SIGSEGV || signal == SIGBUS);
    CrashEvent event;
    event.signal = signal;
    event.signalCode = info->si_code;
    event.faultAddress = fromFault ? reinterpret_cast<uintptr_t>(info->si_addr) : 0;
    event.exceptionCode =
        ExceptionCodeFor(signal, info->si_code, event.faultAddress, ReadMachineState(*machine).stackPointer);
    event.context = machine;
    Report(signal, event);
}

void OnTerminate() {
    TakeReport(SIGABRT);
    std::memset(&g_terminateContext, 0, sizeof g_terminateContext);
    getcontext(&g_terminateContext);
    CrashEvent event;
    event.exceptionCode = ExceptionCodeFor(0, 0, 0, 0);
    event.context = &g_terminateContext;
    Report(SIGABRT, event);
}

bool InstallAlternateStack() {
    const long page = sysconf(_SC_PAGESIZE);
    const long minimum = sysconf(_SC_SIGSTKSZ);
    const size_t size =
        minimum > static_cast<long>(kAlternateStackSize) ? static_cast<size_t>(minimum) : kAlternateStackSize;
    // One inaccessible page below it, so that running out of it faults instead of overwriting.
    void* memory =
        mmap(nullptr, size + static_cast<size_t>(page), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return false;
    mprotect(memory, static_cast<size_t>(page), PROT_NONE);
    stack_t stack{};
    stack.ss_sp = static_cast<char*>(memory) + page;
    stack.ss_size = size;
    return sigaltstack(&stack, nullptr) == 0;
}

}  // namespace

uint32_t ExceptionCodeFor(int signal, int signalCode, uintptr_t faultAddress, uintptr_t stackPointer) {
    switch (signal) {
        case 0:
            return 0xE06D7363;  // C++ exception
        case SIGSEGV: {
            const bool nearStack =
                faultAddress + kStackOverflowReach > stackPointer && faultAddress < stackPointer + kStackOverflowReach;
            return faultAddress != 0 && nearStack ? 0xC00000FD : 0xC0000005;
        }
        case SIGBUS:
            return signalCode == BUS_ADRALN ? 0x80000002 : 0xC0000006;
        case SIGILL:
            return signalCode == ILL_PRVOPC || signalCode == ILL_PRVREG ? 0xC0000096 : 0xC000001D;
        case SIGTRAP:
            return 0x80000003;
        case SIGFPE:
            switch (signalCode) {
                case FPE_INTDIV:
                    return 0xC0000094;
                case FPE_INTOVF:
                    return 0xC0000095;
                case FPE_FLTDIV:
                    return 0xC000008E;
                case FPE_FLTOVF:
                    return 0xC0000091;
                case FPE_FLTUND:
                    return 0xC0000093;
                case FPE_FLTRES:
                    return 0xC000008F;
                case FPE_FLTINV:
                    return 0xC0000090;
                case FPE_FLTSUB:
                    return 0xC000008C;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return 0xE0000000u + static_cast<uint32_t>(signal);
}

bool InstallCrashSignals(CrashHandlerFunction handler, unsigned timeoutSeconds) {
    g_handler = handler;
    g_timeoutSeconds = timeoutSeconds;
    if (g_installed.exchange(true)) return true;
    bool ok = InstallAlternateStack();
    for (const int signal : kFatalSignals) {
        struct sigaction action {};
        action.sa_sigaction = OnSignal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ok = sigaction(signal, &action, nullptr) == 0 && ok;
    }
    std::set_terminate(OnTerminate);
    return ok;
}

}  // namespace jv::desktop
