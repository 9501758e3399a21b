#pragma once

#include <string>

namespace jv::desktop {

// Keeps a program to one running copy per user session: an exclusive lock (flock) on a file of
// the program's own in the session's runtime folder ($XDG_RUNTIME_DIR). The lock goes with the
// process, however it ends, so a crashed copy never blocks the next start; the file descriptor is
// not inherited by programs this one starts.
class InstanceLock {
public:
    enum class Result {
        Acquired,      // this is the only copy
        HeldElsewhere  // another copy holds the lock
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock "<runtime folder>/<name>.lock". When the file cannot be made or locked at
    // all the program runs unguarded: Acquired, with the reason in *error.
    Result Acquire(const std::string& name, std::string* error = nullptr);

    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace jv::desktop
