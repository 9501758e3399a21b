#include "platform/base/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace jv::stop {

namespace {

std::atomic<bool> g_requested{false};
// The pipe the handler writes one byte into per arrival; read end first.
int g_pipe[2] = {-1, -1};

static_assert(std::atomic<bool>::is_always_lock_free, "the handler may only touch lock-free state");

void OnStopSignal(int) {
    const int saved = errno;
    g_requested.store(true);
    // A full pipe already says what this byte would.
    [[maybe_unused]] const ssize_t written = write(g_pipe[1], "s", 1);
    errno = saved;
}

bool MakePipe() {
    if (g_pipe[0] >= 0) return true;
    return pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0;
}

}  // namespace

bool Catch(std::initializer_list<int> signals) {
    if (!MakePipe()) return false;
    bool all = true;
    for (const int signal : signals) {
        // A program started to outlive its terminal (nohup) keeps ignoring the hang-up.
        struct sigaction current {};
        if (signal == SIGHUP && sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        // Calls in progress go on; the loop's wait for its sources ends through the pipe.
        action.sa_flags = SA_RESTART;
        all = sigaction(signal, &action, nullptr) == 0 && all;
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, signal);
        pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
    return all;
}

bool Requested() {
    return g_requested.load();
}

int Fd() {
    return g_pipe[0];
}

void Drain() {
    if (g_pipe[0] < 0) return;
    char buffer[64];
    while (read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
}

void Reset() {
    Drain();
    g_requested.store(false);
}

}  // namespace jv::stop
