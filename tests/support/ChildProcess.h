#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace jv::test {

// A forked copy of the test process that runs `body` and exits with what it returns: a second
// program working on the same files as the test. The child leaves with _exit, so nothing of the
// test's own state (the test framework, buffered output) runs or is written twice. A child still
// running when the object goes is killed and reaped.
class ChildProcess {
public:
    explicit ChildProcess(const std::function<int()>& body);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Kills the child at once (SIGKILL): it cannot finish anything it was doing.
    void Kill();
    // Waits for the child to end: its exit code, or 128 + the signal that ended it.
    int Wait();

private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// Lets several children start a piece of work at the same moment: each calls Pass, which
// returns once the test calls Open. Build it before forking the children.
class StartGate {
public:
    StartGate();
    ~StartGate();
    StartGate(const StartGate&) = delete;
    StartGate& operator=(const StartGate&) = delete;

    void Pass();  // in a child
    void Open();  // in the test

private:
    int read_ = -1;
    int write_ = -1;
};

}  // namespace jv::test
