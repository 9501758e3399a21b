#include "platform/desktop/ElfSymbols.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <unistd.h>

#include <cstring>

namespace jv::desktop {
namespace {

#if __WORDSIZE == 64
constexpr unsigned char kNativeClass = ELFCLASS64;
#else
constexpr unsigned char kNativeClass = ELFCLASS32;
#endif

// Closes the file when the look-up ends.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const char* path) : fd_(open(path, O_RDONLY | O_CLOEXEC)) {}
    ~ReadOnlyFile() {
        if (fd_ >= 0) close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    bool ReadAt(uint64_t offset, void* out, size_t size) const {
        auto* bytes = static_cast<char*>(out);
        while (size > 0) {
            const ssize_t n = pread(fd_, bytes, size, static_cast<off_t>(offset));
            if (n <= 0) return false;
            bytes += n;
            offset += static_cast<uint64_t>(n);
            size -= static_cast<size_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

bool ReadHeader(const ReadOnlyFile& file, ElfW(Ehdr) & header) {
    if (!file.ReadAt(0, &header, sizeof header)) return false;
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == kNativeClass &&
           header.e_shentsize == sizeof(ElfW(Shdr)) && header.e_phentsize == sizeof(ElfW(Phdr));
}

// The link-time address of a file offset, through the loadable segments.
bool AddressOfOffset(const ReadOnlyFile& file, const ElfW(Ehdr) & header, uint64_t offset, uint64_t& address) {
    for (unsigned i = 0; i < header.e_phnum; ++i) {
        ElfW(Phdr) segment;
        if (!file.ReadAt(header.e_phoff + i * sizeof segment, &segment, sizeof segment)) return false;
        if (segment.p_type == PT_LOAD && offset >= segment.p_offset && offset < segment.p_offset + segment.p_filesz) {
            address = offset - segment.p_offset + segment.p_vaddr;
            return true;
        }
    }
    return false;
}

bool FindSection(const ReadOnlyFile& file, const ElfW(Ehdr) & header, uint32_t type, ElfW(Shdr) & section) {
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        if (!file.ReadAt(header.e_shoff + i * sizeof section, &section, sizeof section)) return false;
        if (section.sh_type == type && section.sh_entsize == sizeof(ElfW(Sym))) return true;
    }
    return false;
}

// Scans one symbol table for the function that holds the address; fills the name and the
// displacement when found.
bool FindFunction(const ReadOnlyFile& file, const ElfW(Ehdr) & header, const ElfW(Shdr) & table, uint64_t address,
                  CodeLocation& location) {
    ElfW(Sym) chunk[64];
    const uint64_t count = table.sh_size / sizeof(ElfW(Sym));
    bool found = false;
    bool holds = false;
    ElfW(Sym) best{};
    for (uint64_t first = 0; first < count && !holds; first += 64) {
        const uint64_t n = count - first < 64 ? count - first : 64;
        if (!file.ReadAt(table.sh_offset + first * sizeof(ElfW(Sym)), chunk, n * sizeof(ElfW(Sym)))) break;
        for (uint64_t i = 0; i < n && !holds; ++i) {
            const ElfW(Sym)& symbol = chunk[i];
            const unsigned type = ELF64_ST_TYPE(symbol.st_info);
            if ((type != STT_FUNC && type != STT_GNU_IFUNC) || symbol.st_shndx == SHN_UNDEF) continue;
            if (address < symbol.st_value) continue;
            // A function that holds the address wins; else the nearest one below it without a size.
            holds = address < symbol.st_value + symbol.st_size;
            if (holds || (symbol.st_size == 0 && (!found || symbol.st_value > best.st_value))) {
                best = symbol;
                found = true;
            }
        }
    }
    if (!found) return false;
    ElfW(Shdr) strings;
    if (table.sh_link >= header.e_shnum ||
        !file.ReadAt(header.e_shoff + table.sh_link * sizeof strings, &strings, sizeof strings)) {
        return false;
    }
    if (best.st_name >= strings.sh_size) return false;
    const uint64_t available = strings.sh_size - best.st_name;
    const size_t size = available < sizeof location.symbol - 1 ? available : sizeof location.symbol - 1;
    if (!file.ReadAt(strings.sh_offset + best.st_name, location.symbol, size)) return false;
    location.symbol[size] = '\0';
    location.displacement = address - best.st_value;
    return location.symbol[0] != '\0';
}

}  // namespace

bool IsElfFile(const char* path) {
    ReadOnlyFile file(path);
    char magic[SELFMAG];
    return file.IsOpen() && file.ReadAt(0, magic, sizeof magic) && std::memcmp(magic, ELFMAG, SELFMAG) == 0;
}

bool LookUpCode(const char* path, uint64_t fileOffset, CodeLocation& location) {
    location = CodeLocation{};
    ReadOnlyFile file(path);
    ElfW(Ehdr) header;
    if (!file.IsOpen() || !ReadHeader(file, header)) return false;
    location.isElf = true;
    if (!AddressOfOffset(file, header, fileOffset, location.address)) {
        location.address = fileOffset;
        return true;
    }
    ElfW(Shdr) table;
    if (!(FindSection(file, header, SHT_SYMTAB, table) &&
          FindFunction(file, header, table, location.address, location)) &&
        FindSection(file, header, SHT_DYNSYM, table)) {
        location.symbol[0] = '\0';
        FindFunction(file, header, table, location.address, location);
    }
    return true;
}

}  // namespace jv::desktop
