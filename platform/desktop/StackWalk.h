#pragma once

#include <cstddef>
#include <cstdint>

namespace jv::desktop {

// The memory of one thread's stack.
struct StackBounds {
    uintptr_t low = 0;
    uintptr_t high = 0;
};

// The stack region of the thread whose registers these are: the region that holds the stack
// pointer, or after a stack overflow (the pointer just below its region) the region just above it.
bool FindStackBounds(uintptr_t stackPointer, uintptr_t framePointer, StackBounds& bounds);

// The return addresses of the call chain, innermost first, following the frame pointers the build
// keeps. Only memory inside the bounds is read, so a broken chain ends the walk rather than
// faulting. Returns how many addresses were stored (at most `max`).
size_t WalkFramePointers(uintptr_t framePointer, const StackBounds& bounds, uintptr_t* returns, size_t max);

}  // namespace jv::desktop
