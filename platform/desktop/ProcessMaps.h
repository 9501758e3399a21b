#pragma once

#include <cstddef>
#include <cstdint>

namespace jv::desktop {

// One region of the process's address space, as /proc/self/maps lists it.
struct Mapping {
    uintptr_t start = 0;
    uintptr_t end = 0;
    bool readable = false;
    bool writable = false;
    bool executable = false;
    uint64_t offset = 0;    // where the region starts in its file
    const char* path = "";  // the file, "[stack]" and the like, or empty; valid until the next Next()
};

// Reads the process's memory map line by line with fixed buffers: usable in a fatal-signal
// handler. The first Next() opens the map.
class MapsReader {
public:
    MapsReader() = default;
    ~MapsReader();
    MapsReader(const MapsReader&) = delete;
    MapsReader& operator=(const MapsReader&) = delete;

    // The next region; false at the end or when the map cannot be read.
    bool Next(Mapping& mapping);

    // The region that holds the address, its path copied into `path`. False when none does.
    static bool Find(uintptr_t address, Mapping& mapping, char* path, size_t pathSize);

private:
    bool ReadLine();

    int fd_ = -1;
    bool opened_ = false;
    size_t fill_ = 0;
    char buffer_[4096];
    char line_[4096 + 128];
};

// Copies at most size - 1 bytes of the text and terminates it. Returns the copied length.
size_t CopyText(char* out, size_t size, const char* text);
// The part after the last "/".
const char* BaseName(const char* path);

}  // namespace jv::desktop
