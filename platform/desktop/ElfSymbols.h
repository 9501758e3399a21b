#pragma once

#include <cstddef>
#include <cstdint>

namespace jv::desktop {

// What the program file says about one code address.
struct CodeLocation {
    bool isElf = false;         // the file is an ELF image of this machine's class
    uint64_t address = 0;       // the address as the file's own (link-time) address
    char symbol[480] = "";      // the function that holds it, empty when not known
    uint64_t displacement = 0;  // bytes from the start of that function
};

// Looks up the code at `fileOffset` bytes into the ELF file at `path`: its link-time address and
// the function symbol that holds it (from the full symbol table, else the dynamic one). Reads the
// file with pread into fixed buffers only, so it may run inside a fatal-signal handler.
bool LookUpCode(const char* path, uint64_t fileOffset, CodeLocation& location);

// True when the file starts with the ELF signature.
bool IsElfFile(const char* path);

}  // namespace jv::desktop
