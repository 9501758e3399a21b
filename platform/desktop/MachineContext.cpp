#include "platform/desktop/MachineContext.h"

#include <elf.h>

#include <cstring>

#include "platform/desktop/SafeWriter.h"

namespace jv::desktop {

#if defined(__x86_64__)

MachineState ReadMachineState(const ucontext_t& context) {
    const greg_t* r = context.uc_mcontext.gregs;
    MachineState state;
    state.instructionPointer = static_cast<uintptr_t>(r[REG_RIP]);
    state.stackPointer = static_cast<uintptr_t>(r[REG_RSP]);
    state.framePointer = static_cast<uintptr_t>(r[REG_RBP]);
    state.codeSegment = static_cast<unsigned>(r[REG_CSGSFS] & 0xFFFF);
    // A page fault (trap 14) says in bit 1 of its error code whether it was a write.
    state.knowsAccess = r[REG_TRAPNO] == 14;
    state.isWrite = state.knowsAccess && (r[REG_ERR] & 2) != 0;
    return state;
}

void WriteRegisters(SafeWriter& writer, const ucontext_t& context) {
    const auto r = [&context](int index) { return static_cast<unsigned long long>(context.uc_mcontext.gregs[index]); };
    const unsigned long long segments = r(REG_CSGSFS);
    writer.Printf("RDI:    0x%016llx  RSI: 0x%016llx  RAX:   0x%016llx\r\n", r(REG_RDI), r(REG_RSI), r(REG_RAX));
    writer.Printf("RBX:    0x%016llx  RCX: 0x%016llx  RDX:   0x%016llx\r\n", r(REG_RBX), r(REG_RCX), r(REG_RDX));
    writer.Printf("RIP:    0x%016llx  RBP: 0x%016llx  SegCs: 0x%08llx\r\n", r(REG_RIP), r(REG_RBP), segments & 0xFFFF);
    writer.Printf("EFlags: 0x%08llx  RSP: 0x%016llx  SegSs: 0x%08llx\r\n", r(REG_EFL), r(REG_RSP),
                  (segments >> 48) & 0xFFFF);
    writer.Printf("R8:     0x%016llx  R9:  0x%016llx  R10:   0x%016llx\r\n", r(REG_R8), r(REG_R9), r(REG_R10));
    writer.Printf("R11:    0x%016llx  R12: 0x%016llx  R13:   0x%016llx\r\n", r(REG_R11), r(REG_R12), r(REG_R13));
    writer.Printf("R14:    0x%016llx  R15: 0x%016llx\r\n", r(REG_R14), r(REG_R15));
}

const void* RegisterBytes(const ucontext_t& context, size_t& size) {
    size = sizeof context.uc_mcontext.gregs;
    return context.uc_mcontext.gregs;
}

uint32_t MachineType() {
    return EM_X86_64;
}

#elif defined(__aarch64__)

namespace {

// The exception syndrome the kernel adds to a signal context after a fault, or 0. The context's
// reserved area holds records, each headed by a 32-bit magic number and a 32-bit size.
uint64_t FaultSyndrome(const ucontext_t& context) {
    constexpr uint32_t kSyndromeMagic = 0x45535201;  // "ESR", 1
    const auto* reserved = reinterpret_cast<const unsigned char*>(context.uc_mcontext.__reserved);
    size_t offset = 0;
    while (offset + 16 <= sizeof context.uc_mcontext.__reserved) {
        uint32_t head[2];
        std::memcpy(head, reserved + offset, sizeof head);
        if (head[0] == 0 || head[1] == 0) break;
        if (head[0] == kSyndromeMagic) {
            uint64_t syndrome;
            std::memcpy(&syndrome, reserved + offset + 8, sizeof syndrome);
            return syndrome;
        }
        offset += head[1];
    }
    return 0;
}

}  // namespace

MachineState ReadMachineState(const ucontext_t& context) {
    MachineState state;
    state.instructionPointer = context.uc_mcontext.pc;
    state.stackPointer = context.uc_mcontext.sp;
    state.framePointer = context.uc_mcontext.regs[29];
    const uint64_t syndrome = FaultSyndrome(context);
    const uint64_t exceptionClass = syndrome >> 26;
    // Data aborts (0x24, 0x25) say in bit 6 whether the access was a write.
    state.knowsAccess = exceptionClass == 0x24 || exceptionClass == 0x25;
    state.isWrite = state.knowsAccess && (syndrome & (1u << 6)) != 0;
    return state;
}

void WriteRegisters(SafeWriter& writer, const ucontext_t& context) {
    const auto& m = context.uc_mcontext;
    for (int i = 0; i < 31; i += 3) {
        for (int j = i; j < i + 3 && j < 31; ++j) {
            writer.Printf("%sX%-2d: 0x%016llx", j == i ? "" : "  ", j, static_cast<unsigned long long>(m.regs[j]));
        }
        writer.Write("\r\n");
    }
    writer.Printf("SP:  0x%016llx  PC:  0x%016llx  PState: 0x%08llx\r\n", static_cast<unsigned long long>(m.sp),
                  static_cast<unsigned long long>(m.pc), static_cast<unsigned long long>(m.pstate));
}

const void* RegisterBytes(const ucontext_t& context, size_t& size) {
    size = sizeof context.uc_mcontext.regs + sizeof context.uc_mcontext.sp + sizeof context.uc_mcontext.pc +
           sizeof context.uc_mcontext.pstate;
    return context.uc_mcontext.regs;
}

uint32_t MachineType() {
    return EM_AARCH64;
}

#else
#error "The crash handler knows the registers of x86-64 and AArch64 only."
#endif

}  // namespace jv::desktop
