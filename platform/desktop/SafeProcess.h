#pragma once

#include <cstdint>

// Process services for a fatal-signal handler: system calls only, no heap, no locks.
namespace jv::desktop {

// True when a debugger (any tracer) is attached to this process.
bool DebuggerAttached();

// Starts the program with the argument vector (never through a shell) and does not wait for it.
// The new process starts with no signals blocked. True once the program is running.
bool StartProgram(const char* path, char* const argv[]);

// The local date and time of a moment, computed from a UTC offset taken beforehand (the time-zone
// functions of the C library take locks).
struct LocalTime {
    int year, month, day, hour, minute, second;
};
LocalTime ToLocalTime(int64_t secondsSinceEpoch, long utcOffsetSeconds);
// The offset of local time from UTC now, for ToLocalTime. Not for use in a signal handler.
long CurrentUtcOffset();

}  // namespace jv::desktop
