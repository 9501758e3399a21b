#include "platform/db/DatabaseFile.h"

#include "platform/base/WriteFully.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/db/DbError.h"

namespace jv::db {
namespace {

constexpr const char* kSource = "jv::db::CopyDatabaseFile";

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw DbError(kSource, what + " '" + path + "'.", std::strerror(error), "", error);
}

}  // namespace

void CopyDatabaseFile(const std::string& source, const std::string& target) {
    FileDescriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) Fail("Could not find file", source, errno);
    FileDescriptor out(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (out.get() < 0) Fail("Could not create file", target, errno);

    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(in.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        if (!jv::WriteFully(out.get(), buffer, static_cast<size_t>(n))) {
            error = errno != 0 ? errno : EIO;
            break;
        }
    }
    // The umask may take permissions away but never adds any; make the mode exact anyway.
    if (error == 0 && fchmod(out.get(), S_IRUSR | S_IWUSR) != 0) error = errno;
    if (error == 0 && fsync(out.get()) != 0) error = errno;
    if (error == 0 && close(out.release()) != 0) error = errno;
    if (error != 0) {
        unlink(target.c_str());
        Fail("Could not copy the blank database to", target, error);
    }
}

}  // namespace jv::db
