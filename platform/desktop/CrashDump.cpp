#include "platform/desktop/CrashDump.h"

#include "platform/base/WriteFully.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/desktop/CrashSignals.h"
#include "platform/desktop/MachineContext.h"
#include "platform/desktop/SafeWriter.h"
#include "platform/desktop/StackWalk.h"

namespace jv::desktop {
namespace {

constexpr size_t kStackBytes = 64 * 1024;
constexpr uintptr_t kBelowStackPointer = 128;  // the area leaf functions may use below it

struct RecordHead {
    uint32_t type;
    uint32_t reserved;
    uint64_t size;
};

bool Pad(int fd, uint64_t size) {
    static const char zeros[8] = {};
    const size_t padding = static_cast<size_t>((8 - size % 8) % 8);
    return padding == 0 || WriteFully(fd, zeros, padding);
}

bool Record(int fd, CrashDumpRecord type, const void* data, uint64_t size) {
    const RecordHead head{static_cast<uint32_t>(type), 0, size};
    return WriteFully(fd, reinterpret_cast<const char*>(&head), sizeof head) &&
           (size == 0 || WriteFully(fd, static_cast<const char*>(data), static_cast<size_t>(size))) && Pad(fd, size);
}

// The memory map is copied as it is read, so its size is known only afterwards: the head is
// written first and completed in place.
bool MemoryMapRecord(int fd) {
    const off_t headAt = lseek(fd, 0, SEEK_CUR);
    RecordHead head{static_cast<uint32_t>(CrashDumpRecord::kMemoryMap), 0, 0};
    if (headAt < 0 || !WriteFully(fd, reinterpret_cast<const char*>(&head), sizeof head)) return false;
    const int maps = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps >= 0) {
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(maps, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0 || !WriteFully(fd, buffer, static_cast<size_t>(n))) break;
            head.size += static_cast<uint64_t>(n);
        }
        close(maps);
    }
    const off_t endAt = lseek(fd, 0, SEEK_CUR);
    if (pwrite(fd, &head, sizeof head, headAt) != static_cast<ssize_t>(sizeof head)) return false;
    return endAt >= 0 && lseek(fd, endAt, SEEK_SET) == endAt && Pad(fd, head.size);
}

// Copies memory that a sanitizer's bookkeeping may call off-limits (the red zones of a stack).
__attribute__((no_sanitize("address"))) void CopyRawMemory(char* out, uintptr_t from, size_t size) {
    const auto* in = reinterpret_cast<const volatile char*>(from);
    for (size_t i = 0; i < size; ++i) out[i] = in[i];
}

bool StackRecord(int fd, const MachineState& state) {
    StackBounds bounds;
    if (!FindStackBounds(state.stackPointer, state.framePointer, bounds)) return true;
    uintptr_t first =
        state.stackPointer > bounds.low + kBelowStackPointer ? state.stackPointer - kBelowStackPointer : bounds.low;
    if (first >= bounds.high) return true;
    const uintptr_t last = bounds.high - first > kStackBytes ? first + kStackBytes : bounds.high;
    const uint64_t address = first;
    const RecordHead head{static_cast<uint32_t>(CrashDumpRecord::kStack), 0, sizeof address + (last - first)};
    if (!WriteFully(fd, reinterpret_cast<const char*>(&head), sizeof head) ||
        !WriteFully(fd, reinterpret_cast<const char*>(&address), sizeof address)) {
        return false;
    }
    static char chunk[4096];
    for (uintptr_t at = first; at < last; at += sizeof chunk) {
        const size_t size = last - at < sizeof chunk ? last - at : sizeof chunk;
        CopyRawMemory(chunk, at, size);
        if (!WriteFully(fd, chunk, size)) return false;
    }
    return Pad(fd, head.size);
}

}  // namespace

bool WriteCrashDump(int fd, const CrashEvent& event) {
    struct {
        char magic[8];
        uint32_t version;
        uint32_t machine;
    } header{{'J', 'V', 'D', 'U', 'M', 'P', '1', '\0'}, 1, MachineType()};
    if (!WriteFully(fd, reinterpret_cast<const char*>(&header), sizeof header)) return false;

    const MachineState state = ReadMachineState(*event.context);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    CrashDumpInfo info{};
    info.signal = event.signal;
    info.signalCode = event.signalCode;
    info.exceptionCode = event.exceptionCode;
    info.faultAddress = event.faultAddress;
    info.instructionPointer = state.instructionPointer;
    info.stackPointer = state.stackPointer;
    info.processId = static_cast<uint64_t>(getpid());
    info.threadId = static_cast<uint64_t>(syscall(SYS_gettid));
    info.time = now.tv_sec;
    if (!Record(fd, CrashDumpRecord::kCrashInfo, &info, sizeof info)) return false;

    size_t registerSize = 0;
    const void* registers = RegisterBytes(*event.context, registerSize);
    if (!Record(fd, CrashDumpRecord::kRegisters, registers, registerSize)) return false;
    if (!MemoryMapRecord(fd) || !StackRecord(fd, state)) return false;
    return Record(fd, CrashDumpRecord::kEnd, nullptr, 0);
}

}  // namespace jv::desktop
