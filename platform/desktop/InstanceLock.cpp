#include "platform/desktop/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/base/Paths.h"

namespace jv::desktop {

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) close(fd_);
}

InstanceLock::Result InstanceLock::Acquire(const std::string& name, std::string* error) {
    const std::string folder = paths::RuntimeDir();
    path_ = paths::Join(folder, name + ".lock");
    if (!paths::MakeSureDirectoryPathExists(folder)) {
        if (error) *error = "no runtime folder " + folder;
        return Result::Acquired;
    }
    int fd = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error) *error = path_ + ": " + std::strerror(errno);
        return Result::Acquired;
    }
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const int code = errno;
        close(fd);
        if (code == EWOULDBLOCK) return Result::HeldElsewhere;
        if (error) *error = path_ + ": " + std::strerror(code);
        return Result::Acquired;
    }
    fd_ = fd;
    return Result::Acquired;
}

}  // namespace jv::desktop
