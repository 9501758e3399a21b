#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace jv::desktop {

// One running copy of a program per user and login session: the first process takes an exclusive
// lock (flock) on "<folder>/<name>.lock" and answers on the Unix socket "<folder>/<name>.sock"
// beside it; a later start finds the lock taken and asks the first, over that socket, to come
// forward. Both descriptors are close-on-exec, so programs started from here (the browser, an
// installer) never hold the lock after we are gone.
//
// The lock goes with the process (a crash cannot leave a stale one behind); a socket file left by
// a crashed first instance is replaced by the next one that takes the lock.
class SingleInstance {
public:
    enum class Result { First, Running, Failed };

    // name: the lock's name (see SessionName); folder: where the lock lives ("" for DefaultFolder).
    explicit SingleInstance(std::string name, std::string folder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock: First when this process holds it now, Running when another process holds
    // it, Failed when the lock file cannot be made (error() says why).
    Result Acquire();

    // In the first instance: answers `message` with itself on the socket, then runs onAsked on
    // the thread-default GLib main context. False when the socket cannot be made. A peer that has
    // not sent its line within a second is dropped, and with eight peers open a new one takes the
    // place of the oldest, so peers that connect and linger never keep a later start unanswered.
    bool Listen(const std::string& message, std::function<void()> onAsked);

    // In a later instance: sends `message` to the first and waits at most `timeout` for the same
    // text back. True when it answered.
    bool Ask(const std::string& message, std::chrono::milliseconds timeout) const;

    // "<base>-%08x%08x": the user id, then the login session (XDG_SESSION_ID; 0 outside a session).
    static std::string SessionName(const std::string& base);
    // $XDG_RUNTIME_DIR, or a private folder of the user's own (0700) in the temporary folder.
    static std::string DefaultFolder();

    const std::string& socketPath() const { return socketPath_; }
    const std::string& error() const { return error_; }

private:
    struct Client;
    static int OnListen(int fd, unsigned condition, void* self);
    static int OnClient(int fd, unsigned condition, void* client);
    static int OnClientTimeout(void* client);
    void Drop(Client* client);

    std::string folder_;
    std::string lockPath_;
    std::string socketPath_;
    std::string message_;
    std::string error_;
    int lockFd_ = -1;
    int listenFd_ = -1;
    unsigned listenSource_ = 0;
    std::function<void()> onAsked_;
    std::vector<Client*> clients_;
};

}  // namespace jv::desktop
