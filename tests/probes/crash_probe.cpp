// Installs the crash handler as the main program does, then fails as asked:
//   jv_crash_probe null-write | recursion | exception | divide | threads | browser-known
// (browser-known: a null write after the program's browser made a request)
#include <atomic>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/base/BrowserVersion.h"
#include "shared/core/CrashHandler.h"

namespace {

// The faults must happen, not be reported by a sanitizer beforehand.
__attribute__((noinline, no_sanitize("undefined"))) void NullWrite() {
    volatile int* volatile target = nullptr;
    *target = 1;
}

volatile int g_deepest = -1;  // never reached: the recursion runs until the stack is gone

__attribute__((noinline)) int Recurse(int depth) {
    if (depth == g_deepest) return 0;
    volatile char frame[256];
    frame[depth % 256] = static_cast<char>(depth);
    return Recurse(depth + 1) + frame[(depth + 1) % 256];
}

__attribute__((noinline)) void ThrowUncaught() {
    throw std::runtime_error("nobody catches this");
}

__attribute__((noinline, no_sanitize("undefined"))) int DivideByZero() {
    volatile int dividend = 7;
    volatile int zero = 0;
    return dividend / zero;
}

// Several threads fault at the same moment.
void ThreadsAtOnce() {
    static std::atomic<int> ready{0};
    constexpr int kThreads = 4;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([] {
            ++ready;
            while (ready.load() < kThreads) {
            }
            NullWrite();
        });
    }
    for (auto& thread : threads) thread.join();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    CCrashHandler::Install();
    const char* mode = argv[1];
    if (std::strcmp(mode, "null-write") == 0) NullWrite();
    if (std::strcmp(mode, "browser-known") == 0) {
        jv::BrowserVersion::Learn(
            "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0.0.0 Safari/537.36");
        NullWrite();
    }
    if (std::strcmp(mode, "recursion") == 0) std::printf("%d\n", Recurse(0));
    if (std::strcmp(mode, "exception") == 0) ThrowUncaught();
    if (std::strcmp(mode, "divide") == 0) std::printf("%d\n", DivideByZero());
    if (std::strcmp(mode, "threads") == 0) ThreadsAtOnce();
    return 3;
}
