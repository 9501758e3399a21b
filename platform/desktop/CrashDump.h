#pragma once

#include <ucontext.h>

#include <cstdint>

namespace jv::desktop {

struct CrashEvent;

// The small dump file written after a crash, for whoever looks into it later. All numbers are in
// this machine's byte order. The file starts with a header, followed by records:
//
//   header   char magic[8] = "JVDUMP1\0"; uint32 version = 1; uint32 machine (ELF e_machine)
//   record   uint32 type; uint32 reserved = 0; uint64 size; then `size` bytes, padded with zeros to
//            a multiple of 8
//
// Record types:
//   1 kCrashInfo  CrashDumpInfo below
//   2 kRegisters  the general registers as the kernel's signal context lays them out
//   3 kMemoryMap  the text of /proc/self/maps
//   4 kStack      uint64 address of the first byte, then the bytes of the faulting thread's stack
//                 from just below its stack pointer upward (at most 64 KB)
//   0 kEnd        size 0, the last record
enum class CrashDumpRecord : uint32_t { kEnd = 0, kCrashInfo = 1, kRegisters = 2, kMemoryMap = 3, kStack = 4 };

struct CrashDumpInfo {
    int32_t signal;          // 0 for an uncaught C++ exception
    int32_t signalCode;      // si_code
    uint32_t exceptionCode;  // the exception code the crash log names
    uint32_t reserved;
    uint64_t faultAddress;
    uint64_t instructionPointer;
    uint64_t stackPointer;
    uint64_t processId;
    uint64_t threadId;
    int64_t time;  // seconds since 1970, UTC
};

// Writes the dump into the open file. Safe inside a fatal-signal handler. False when a write failed.
bool WriteCrashDump(int fd, const CrashEvent& event);

}  // namespace jv::desktop
