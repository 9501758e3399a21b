#include "platform/desktop/CrashSignals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

using jv::desktop::CrashDisposition;
using jv::desktop::CrashEvent;

namespace {

// Every call of a handler leaves one byte here, so the test can count them.
int g_calls[2] = {-1, -1};

void CountCall(const CrashEvent& event) {
    const char signal = static_cast<char>(event.signal);
    (void)!write(g_calls[1], &signal, 1);
}

CrashDisposition HandOver(const CrashEvent& event) {
    CountCall(event);
    return jv::desktop::kExecuteHandler;
}
CrashDisposition PassOn(const CrashEvent& event) {
    CountCall(event);
    return jv::desktop::kContinueSearch;
}
CrashDisposition Hang(const CrashEvent& event) {
    CountCall(event);
    for (;;) pause();
}
__attribute__((no_sanitize("undefined"))) CrashDisposition FaultAgain(const CrashEvent& event) {
    CountCall(event);
    volatile int* volatile nowhere = nullptr;
    *nowhere = 2;
    return jv::desktop::kExecuteHandler;
}

// The faults must happen, not be reported by a sanitizer beforehand.
__attribute__((noinline, no_sanitize("undefined"))) void NullWrite() {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}
__attribute__((noinline)) void ThrowUncaught() {
    throw std::logic_error("uncaught");
}

TEST(CrashSignals, OneReportThenTheProcessEndsAsTheHandlerDecides) {
    struct Case {
        const char* name;
        jv::desktop::CrashHandlerFunction handler;
        bool exception;  // fail by an uncaught exception instead of a null write
        bool exits;      // ends with an exit status rather than by a signal
        int code;        // the exit status or the signal
    };
    const Case cases[] = {
        {"handed over", HandOver, false, true, 128 + SIGSEGV},
        {"passed on", PassOn, false, false, SIGSEGV},
        {"exception handed over", HandOver, true, true, 128 + SIGABRT},
        {"exception passed on", PassOn, true, false, SIGABRT},
        {"hanging handler", Hang, false, false, SIGSEGV},
        {"fault inside the handler", FaultAgain, false, false, SIGSEGV},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(pipe(g_calls), 0);
        const pid_t child = fork();
        if (child == 0) {
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            close(g_calls[0]);
            jv::desktop::InstallCrashSignals(c.handler, 1);
            // An exception that leaves a thread's function is nobody's to catch.
            if (c.exception) std::thread(ThrowUncaught).join();
            NullWrite();
            _exit(0);
        }
        close(g_calls[1]);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        char calls[8];
        const ssize_t count = read(g_calls[0], calls, sizeof calls);
        close(g_calls[0]);

        EXPECT_EQ(count, 1) << c.name;
        EXPECT_EQ(calls[0], c.exception ? 0 : SIGSEGV) << c.name;
        if (c.exits) {
            ASSERT_TRUE(WIFEXITED(status)) << c.name << " status " << status;
            EXPECT_EQ(WEXITSTATUS(status), c.code) << c.name;
        } else {
            ASSERT_TRUE(WIFSIGNALED(status)) << c.name << " status " << status;
            EXPECT_EQ(WTERMSIG(status), c.code) << c.name;
        }
    }
}

}  // namespace
