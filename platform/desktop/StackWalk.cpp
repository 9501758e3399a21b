#include "platform/desktop/StackWalk.h"

#include <cstring>

#include "platform/desktop/ProcessMaps.h"

namespace jv::desktop {

bool FindStackBounds(uintptr_t stackPointer, uintptr_t framePointer, StackBounds& bounds) {
    // An overflowing thread's stack pointer stands at most this far below its stack.
    constexpr uintptr_t kOverflowReach = 1024 * 1024;
    MapsReader reader;
    Mapping mapping;
    bool found = false;
    while (reader.Next(mapping)) {
        if (!mapping.readable || !mapping.writable) continue;
        const bool holds = stackPointer >= mapping.start && stackPointer < mapping.end;
        const bool holdsFrame = framePointer >= mapping.start && framePointer < mapping.end;
        const bool justAbove = mapping.start > stackPointer && mapping.start - stackPointer <= kOverflowReach;
        if (holds || holdsFrame || (justAbove && !found)) {
            bounds.low = mapping.start;
            bounds.high = mapping.end;
            found = true;
            if (holds) return true;
        }
    }
    return found;
}

size_t WalkFramePointers(uintptr_t framePointer, const StackBounds& bounds, uintptr_t* returns, size_t max) {
    // Each frame begins with the caller's frame pointer and the return address (x86-64, AArch64).
    size_t count = 0;
    uintptr_t frame = framePointer;
    while (count < max) {
        if (frame < bounds.low || frame % sizeof(uintptr_t) != 0 || frame > bounds.high - 2 * sizeof(uintptr_t)) break;
        uintptr_t words[2];
        std::memcpy(words, reinterpret_cast<const void*>(frame), sizeof words);
        if (words[1] == 0) break;
        returns[count++] = words[1];
        if (words[0] <= frame) break;  // frames grow toward higher addresses; anything else is not a frame
        frame = words[0];
    }
    return count;
}

}  // namespace jv::desktop
