#include "platform/desktop/ProcessMaps.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace jv::desktop {
namespace {

uint64_t ParseHex(const char*& p) {
    uint64_t value = 0;
    for (;; ++p) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            value = value * 16 + static_cast<uint64_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            value = value * 16 + static_cast<uint64_t>(c - 'a' + 10);
        } else {
            return value;
        }
    }
}

void SkipField(const char*& p) {
    while (*p != '\0' && *p != ' ') ++p;
    while (*p == ' ') ++p;
}

}  // namespace

size_t CopyText(char* out, size_t size, const char* text) {
    if (size == 0) return 0;
    size_t n = 0;
    while (text != nullptr && text[n] != '\0' && n + 1 < size) {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
    return n;
}

const char* BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

MapsReader::~MapsReader() {
    if (fd_ >= 0) close(fd_);
}

bool MapsReader::ReadLine() {
    if (!opened_) {
        opened_ = true;
        fd_ = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    }
    if (fd_ < 0) return false;
    for (;;) {
        void* newline = std::memchr(buffer_, '\n', fill_);
        if (newline == nullptr && fill_ == sizeof buffer_) {
            newline = buffer_ + fill_ - 1;  // an overlong line is cut
        }
        if (newline != nullptr) {
            const size_t length = static_cast<size_t>(static_cast<char*>(newline) - buffer_);
            const size_t kept = length < sizeof line_ - 1 ? length : sizeof line_ - 1;
            std::memcpy(line_, buffer_, kept);
            line_[kept] = '\0';
            const size_t used = length + 1;
            std::memmove(buffer_, buffer_ + used, fill_ - used);
            fill_ -= used;
            return true;
        }
        const ssize_t n = read(fd_, buffer_ + fill_, sizeof buffer_ - fill_);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (fill_ == 0) return false;
            buffer_[fill_++] = '\n';  // a last line without its line break (fill_ is below the size here)
            continue;
        }
        fill_ += static_cast<size_t>(n);
    }
}

bool MapsReader::Next(Mapping& mapping) {
    while (ReadLine()) {
        // "start-end perms offset dev inode   path"
        const char* p = line_;
        mapping.start = ParseHex(p);
        if (*p++ != '-') continue;
        mapping.end = ParseHex(p);
        if (*p++ != ' ' || std::strlen(p) < 4) continue;
        mapping.readable = p[0] == 'r';
        mapping.writable = p[1] == 'w';
        mapping.executable = p[2] == 'x';
        SkipField(p);
        mapping.offset = ParseHex(p);
        SkipField(p);
        SkipField(p);  // device
        SkipField(p);  // inode
        mapping.path = p;
        return true;
    }
    return false;
}

bool MapsReader::Find(uintptr_t address, Mapping& mapping, char* path, size_t pathSize) {
    MapsReader reader;
    while (reader.Next(mapping)) {
        if (address >= mapping.start && address < mapping.end) {
            CopyText(path, pathSize, mapping.path);
            mapping.path = path;
            return true;
        }
    }
    return false;
}

}  // namespace jv::desktop
