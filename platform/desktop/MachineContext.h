#pragma once

#include <ucontext.h>

#include <cstddef>
#include <cstdint>

namespace jv::desktop {

class SafeWriter;

// The registers of a stopped thread that the crash log and the stack walk need.
struct MachineState {
    uintptr_t instructionPointer = 0;
    uintptr_t stackPointer = 0;
    uintptr_t framePointer = 0;
    unsigned codeSegment = 0;  // x86 only; 0 elsewhere
    bool knowsAccess = false;  // whether the faulting access is known to be a read or a write
    bool isWrite = false;
};

MachineState ReadMachineState(const ucontext_t& context);

// Writes the general registers of this machine, a few to a line.
void WriteRegisters(SafeWriter& writer, const ucontext_t& context);

// The general registers as the kernel lays them out in a signal context, for the dump file.
const void* RegisterBytes(const ucontext_t& context, size_t& size);

// This machine as the ELF header names it (EM_X86_64, EM_AARCH64, ...).
uint32_t MachineType();

}  // namespace jv::desktop
