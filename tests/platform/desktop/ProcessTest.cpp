#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "platform/desktop/CrashSignals.h"
#include "platform/desktop/ElfSymbols.h"
#include "platform/desktop/ProcessMaps.h"
#include "platform/desktop/SafeProcess.h"
#include "platform/desktop/StackWalk.h"
#include "tests/support/TestSupport.h"

using namespace jv::desktop;

extern "C" __attribute__((noinline)) int JvDesktopTestMarker(int value) {
    return value * 3 + 1;
}

namespace {

std::string SelfPath() {
    char path[PATH_MAX];
    return realpath("/proc/self/exe", path) ? path : "";
}

// Where an address of this program lies in its file, and what the file says about it.
CodeLocation Locate(uintptr_t address) {
    Mapping mapping;
    char path[PATH_MAX];
    CodeLocation location;
    if (MapsReader::Find(address, mapping, path, sizeof path)) {
        LookUpCode(path, address - mapping.start + mapping.offset, location);
    }
    return location;
}

TEST(ProcessMaps, FindsTheRegionsOfCodeAndStack) {
    Mapping mapping;
    char path[PATH_MAX];
    ASSERT_TRUE(MapsReader::Find(reinterpret_cast<uintptr_t>(&JvDesktopTestMarker), mapping, path, sizeof path));
    EXPECT_EQ(std::string(path), SelfPath());
    EXPECT_TRUE(mapping.executable);
    EXPECT_FALSE(mapping.writable);

    int local = 0;
    ASSERT_TRUE(MapsReader::Find(reinterpret_cast<uintptr_t>(&local), mapping, path, sizeof path));
    EXPECT_STREQ(path, "[stack]");
    EXPECT_TRUE(mapping.readable && mapping.writable);

    EXPECT_FALSE(MapsReader::Find(0, mapping, path, sizeof path));

    // Every line of the map is read, with the same regions.
    std::ifstream maps("/proc/self/maps");
    std::string line, lines;
    while (std::getline(maps, line)) lines += line.substr(0, line.find(' ')) + "\n";
    MapsReader reader;
    std::string seen;
    while (reader.Next(mapping)) {
        char range[64];
        std::snprintf(range, sizeof range, "%lx-%lx\n", static_cast<unsigned long>(mapping.start),
                      static_cast<unsigned long>(mapping.end));
        seen += range;
    }
    // The two readings may differ only where this test's own heap grew in between.
    EXPECT_GT(seen.size(), 100u);
    EXPECT_EQ(seen.substr(0, seen.find('\n')), lines.substr(0, lines.find('\n')));
}

TEST(ElfSymbols, NamesTheFunctionThatHoldsAnAddress) {
    const auto start = reinterpret_cast<uintptr_t>(&JvDesktopTestMarker);
    for (const uintptr_t offset : {0u, 1u, 4u}) {
        const CodeLocation location = Locate(start + offset);
        EXPECT_TRUE(location.isElf);
        EXPECT_STREQ(location.symbol, "JvDesktopTestMarker") << offset;
        EXPECT_EQ(location.displacement, offset);
    }
    // A function of a shared library is found through its dynamic symbols.
    const CodeLocation libraryFunction = Locate(reinterpret_cast<uintptr_t>(&getenv));
    EXPECT_TRUE(libraryFunction.isElf);
    EXPECT_NE(std::string(libraryFunction.symbol).find("getenv"), std::string::npos) << libraryFunction.symbol;

    EXPECT_TRUE(IsElfFile(SelfPath().c_str()));
    EXPECT_FALSE(IsElfFile("/proc/self/maps"));
    EXPECT_FALSE(IsElfFile("/nonexistent/file"));
    CodeLocation none;
    EXPECT_FALSE(LookUpCode("/proc/self/maps", 0, none));
}

uintptr_t g_walked[16];
size_t g_walkedCount = 0;

__attribute__((noinline)) void Innermost() {
    const auto frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    StackBounds bounds;
    ASSERT_TRUE(FindStackBounds(frame, frame, bounds));
    g_walkedCount = WalkFramePointers(frame, bounds, g_walked, 16);
    asm volatile("" ::: "memory");
}
__attribute__((noinline)) void Middle() {
    Innermost();
    asm volatile("" ::: "memory");
}
__attribute__((noinline)) void Outer() {
    Middle();
    asm volatile("" ::: "memory");
}

TEST(StackWalk, FollowsTheFramePointersOutward) {
    Outer();
    ASSERT_GE(g_walkedCount, 3u);
    const std::string first = Locate(g_walked[0] - 1).symbol;
    const std::string second = Locate(g_walked[1] - 1).symbol;
    const std::string third = Locate(g_walked[2] - 1).symbol;
    EXPECT_NE(first.find("Middle"), std::string::npos) << first;
    EXPECT_NE(second.find("Outer"), std::string::npos) << second;
    EXPECT_NE(third.find("StackWalk_FollowsTheFramePointersOutward"), std::string::npos) << third;

    // A chain that leaves the stack ends the walk instead of reading elsewhere.
    uintptr_t words[2] = {0x10, 0x1234};
    const StackBounds bounds{reinterpret_cast<uintptr_t>(words), reinterpret_cast<uintptr_t>(words + 2)};
    uintptr_t returns[4];
    EXPECT_EQ(WalkFramePointers(reinterpret_cast<uintptr_t>(words), bounds, returns, 4), 1u);
    EXPECT_EQ(returns[0], 0x1234u);
}

TEST(SafeProcess, LocalTimeFromAFixedOffset) {
    const int64_t moments[] = {0, 951782400 /* 2000-02-29 */, 1798761599 /* 2026-12-31 23:59:59 */, -86401,
                               4102444800 /* 2100-01-01 */};
    for (const long offset : {0L, 3600L, -5 * 3600L}) {
        for (const int64_t moment : moments) {
            const time_t shifted = static_cast<time_t>(moment + offset);
            tm expected{};
            gmtime_r(&shifted, &expected);
            const LocalTime actual = ToLocalTime(moment, offset);
            EXPECT_EQ(actual.year, expected.tm_year + 1900) << moment;
            EXPECT_EQ(actual.month, expected.tm_mon + 1) << moment;
            EXPECT_EQ(actual.day, expected.tm_mday) << moment;
            EXPECT_EQ(actual.hour * 3600 + actual.minute * 60 + actual.second,
                      expected.tm_hour * 3600 + expected.tm_min * 60 + expected.tm_sec)
                << moment;
        }
    }
}

TEST(SafeProcess, StartsAProgramWithAnArgumentVectorAndNoBlockedSignals) {
    jv::test::TempDir dir;
    const std::string script = dir.File("reporter; rm -rf x");
    const std::string output = dir.File("out");
    jv::test::WriteFile(
        script, "#!/bin/sh\n{ echo \"$1\"; grep SigBlk /proc/self/status; } > \"$2.tmp\"\nmv \"$2.tmp\" \"$2\"\n");
    chmod(script.c_str(), 0755);

    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    std::string first = "two words";
    std::string second = output;
    char* argv[] = {const_cast<char*>(script.c_str()), first.data(), second.data(), nullptr};
    const bool started = StartProgram(script.c_str(), argv);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(started);

    std::string text;
    for (int i = 0; i < 1000 && text.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        text = jv::test::ReadFile(output);
    }
    EXPECT_EQ(text, "two words\nSigBlk:\t0000000000000000\n");

    const std::string missing = dir.File("missing");
    char* missingArgv[] = {const_cast<char*>(missing.c_str()), nullptr};
    EXPECT_FALSE(StartProgram(missing.c_str(), missingArgv));
    const std::string notExecutable = dir.File("plain");
    jv::test::WriteFile(notExecutable, "#!/bin/sh\n");
    char* plainArgv[] = {const_cast<char*>(notExecutable.c_str()), nullptr};
    EXPECT_FALSE(StartProgram(notExecutable.c_str(), plainArgv));

    EXPECT_FALSE(DebuggerAttached());
}

TEST(CrashSignals, ExceptionCodesOfTheSignals) {
    const uintptr_t stack = 0x7ffd00000000;
    struct Case {
        int signal;
        int code;
        uintptr_t address;
        uint32_t expected;
    };
    const Case cases[] = {
        {SIGSEGV, SEGV_MAPERR, 0, 0xC0000005},
        {SIGSEGV, SEGV_ACCERR, 0x5555000010, 0xC0000005},
        {SIGSEGV, SEGV_MAPERR, stack - 8, 0xC00000FD},
        {SIGSEGV, SEGV_MAPERR, stack + 64, 0xC00000FD},
        {SIGFPE, FPE_INTDIV, 0, 0xC0000094},
        {SIGFPE, FPE_INTOVF, 0, 0xC0000095},
        {SIGFPE, FPE_FLTDIV, 0, 0xC000008E},
        {SIGFPE, FPE_FLTINV, 0, 0xC0000090},
        {SIGBUS, BUS_ADRALN, 0, 0x80000002},
        {SIGBUS, BUS_ADRERR, 0, 0xC0000006},
        {SIGILL, ILL_ILLOPC, 0, 0xC000001D},
        {SIGILL, ILL_PRVOPC, 0, 0xC0000096},
        {SIGTRAP, TRAP_BRKPT, 0, 0x80000003},
        {SIGABRT, SI_TKILL, 0, 0xE0000006},
        {0, 0, 0, 0xE06D7363},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExceptionCodeFor(c.signal, c.code, c.address, stack), c.expected)
            << c.signal << "/" << c.code << " at " << std::hex << c.address;
    }
}

}  // namespace
