#include "tests/support/ChildProcess.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace jv::test {

ChildProcess::ChildProcess(const std::function<int()>& body) {
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 98;
        }
        _exit(code);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && status_ < 0) {
        Kill();
        Wait();
    }
}

void ChildProcess::Kill() {
    if (pid_ > 0 && status_ < 0) kill(pid_, SIGKILL);
}

int ChildProcess::Wait() {
    while (status_ < 0) {
        int status = 0;
        const pid_t done = waitpid(pid_, &status, 0);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) throw std::runtime_error("waitpid failed");
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return status_;
}

StartGate::StartGate() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    read_ = fds[0];
    write_ = fds[1];
}

StartGate::~StartGate() {
    if (read_ >= 0) close(read_);
    if (write_ >= 0) close(write_);
}

void StartGate::Pass() {
    // The pipe reads its end once every copy of the writing end is closed: this child's own copy
    // first, the test's by Open.
    close(write_);
    write_ = -1;
    char byte = 0;
    while (read(read_, &byte, 1) < 0 && errno == EINTR) {
    }
}

void StartGate::Open() {
    close(write_);
    write_ = -1;
}

}  // namespace jv::test
