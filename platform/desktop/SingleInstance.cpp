#include "platform/desktop/SingleInstance.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/base/Paths.h"

namespace jv::desktop {
namespace {

// Enough for the handshake; anything longer is not one.
constexpr size_t kMaxMessage = 256;
// A busy or hostile peer cannot hold more than these connections open at once: a new one takes
// the place of the oldest.
constexpr size_t kMaxClients = 8;
// A peer that has not sent its line by then is not a start of the program (which sends it at once).
constexpr unsigned kClientTimeoutMs = 1000;

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

long long RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return std::max<long long>(0, left.count());
}

}  // namespace

struct SingleInstance::Client {
    SingleInstance* owner;
    int fd;
    unsigned source = 0;
    unsigned timeout = 0;
    std::string received;
};

SingleInstance::SingleInstance(std::string name, std::string folder) : folder_(std::move(folder)) {
    if (folder_.empty()) folder_ = DefaultFolder();
    lockPath_ = folder_.empty() ? std::string() : paths::Join(folder_, name + ".lock");
    socketPath_ = folder_.empty() ? std::string() : paths::Join(folder_, name + ".sock");
}

SingleInstance::~SingleInstance() {
    for (Client* client : std::vector<Client*>(clients_)) Drop(client);
    if (listenSource_ != 0) g_source_remove(listenSource_);
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(socketPath_.c_str());
    }
    if (lockFd_ >= 0) close(lockFd_);
}

std::string SingleInstance::SessionName(const std::string& base) {
    unsigned long session = 0;
    if (const char* id = std::getenv("XDG_SESSION_ID"); id != nullptr && *id != '\0') {
        char* end = nullptr;
        session = std::strtoul(id, &end, 10);
        // Some session managers name sessions with letters ("c2"): keep them apart by their text.
        if (end == nullptr || *end != '\0') session = g_str_hash(id);
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "-%08x%08x", static_cast<unsigned>(getuid()),
                  static_cast<unsigned>(session & 0xffffffffUL));
    return base + suffix;
}

std::string SingleInstance::DefaultFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') return runtime;
    // Without a runtime folder: one of our own that nobody else can have made for us.
    const std::string folder = paths::Join(paths::TempDir(), "jorvane-" + std::to_string(getuid()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0)
        return {};
    return folder;
}

SingleInstance::Result SingleInstance::Acquire() {
    if (lockPath_.empty()) {
        error_ = "no private folder for the lock";
        return Result::Failed;
    }
    lockFd_ = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        error_ = "cannot open " + lockPath_ + ": " + std::strerror(errno);
        return Result::Failed;
    }
    if (flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return Result::First;
    const int failure = errno;
    close(lockFd_);
    lockFd_ = -1;
    if (failure == EWOULDBLOCK) return Result::Running;
    error_ = "cannot lock " + lockPath_ + ": " + std::strerror(failure);
    return Result::Failed;
}

bool SingleInstance::Listen(const std::string& message, std::function<void()> onAsked) {
    sockaddr_un address{};
    if (lockFd_ < 0 || !MakeAddress(socketPath_, address)) {
        error_ = "no socket beside the lock";
        return false;
    }
    message_ = message;
    onAsked_ = std::move(onAsked);
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) {
        error_ = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    // We hold the lock, so a socket file here was left by an earlier instance that ended.
    unlink(socketPath_.c_str());
    const mode_t mask = umask(077);
    const bool bound = bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    umask(mask);
    if (!bound || listen(listenFd_, 4) != 0) {
        error_ = "cannot listen on " + socketPath_ + ": " + std::strerror(errno);
        close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    listenSource_ =
        g_unix_fd_add(listenFd_, G_IO_IN, reinterpret_cast<GUnixFDSourceFunc>(&SingleInstance::OnListen), this);
    return true;
}

int SingleInstance::OnListen(int fd, unsigned, void* data) {
    auto* self = static_cast<SingleInstance*>(data);
    for (;;) {
        const int client = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) break;
        if (self->clients_.size() >= kMaxClients) self->Drop(self->clients_.front());
        auto* entry = new Client{self, client, 0, 0, {}};
        entry->source = g_unix_fd_add(client, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                      reinterpret_cast<GUnixFDSourceFunc>(&SingleInstance::OnClient), entry);
        entry->timeout = g_timeout_add(kClientTimeoutMs, &SingleInstance::OnClientTimeout, entry);
        self->clients_.push_back(entry);
    }
    return G_SOURCE_CONTINUE;
}

int SingleInstance::OnClient(int fd, unsigned, void* data) {
    auto* client = static_cast<Client*>(data);
    SingleInstance* self = client->owner;
    char buffer[kMaxMessage];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) return G_SOURCE_CONTINUE;
    if (got <= 0) {
        client->source = 0;
        self->Drop(client);
        return G_SOURCE_REMOVE;
    }
    client->received.append(buffer, static_cast<size_t>(got));
    const auto end = client->received.find('\n');
    if (end == std::string::npos && client->received.size() < kMaxMessage) return G_SOURCE_CONTINUE;
    const bool asked = end != std::string::npos && client->received.compare(0, end, self->message_) == 0;
    if (asked) {
        const std::string answer = self->message_ + "\n";
        // The peer waits for the answer; a full socket buffer only loses a reply nobody reads.
        [[maybe_unused]] const ssize_t sent = send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    client->source = 0;
    self->Drop(client);
    if (asked && self->onAsked_) self->onAsked_();
    return G_SOURCE_REMOVE;
}

int SingleInstance::OnClientTimeout(void* data) {
    auto* client = static_cast<Client*>(data);
    client->timeout = 0;
    client->owner->Drop(client);
    return G_SOURCE_REMOVE;
}

void SingleInstance::Drop(Client* client) {
    if (client->source != 0) g_source_remove(client->source);
    if (client->timeout != 0) g_source_remove(client->timeout);
    close(client->fd);
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    delete client;
}

bool SingleInstance::Ask(const std::string& message, std::chrono::milliseconds timeout) const {
    sockaddr_un address{};
    if (!MakeAddress(socketPath_, address)) return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    bool answered = false;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 || errno == EINPROGRESS ||
        errno == EAGAIN) {
        pollfd writable{fd, POLLOUT, 0};
        const std::string text = message + "\n";
        if (poll(&writable, 1, static_cast<int>(RemainingMs(deadline))) == 1 && (writable.revents & POLLOUT) &&
            send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
            std::string reply;
            while (reply.find('\n') == std::string::npos && reply.size() < kMaxMessage) {
                pollfd readable{fd, POLLIN, 0};
                if (poll(&readable, 1, static_cast<int>(RemainingMs(deadline))) != 1) break;
                char buffer[kMaxMessage];
                const ssize_t got = read(fd, buffer, sizeof buffer);
                if (got <= 0) break;
                reply.append(buffer, static_cast<size_t>(got));
            }
            answered = reply == text;
        }
    }
    close(fd);
    return answered;
}

}  // namespace jv::desktop
