#include "platform/base/WriteFully.h"

#include <unistd.h>
#include <cerrno>

namespace jv {

bool WriteFully(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace jv
