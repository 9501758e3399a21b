#pragma once

#include <cstdint>

#include "platform/desktop/CrashSignals.h"

// The main program's handler of fatal failures. It writes the error log "ERRORLOG.TXT" and the
// dump "CRASH.DMP" into the per-user application-data folder and then starts the crash-report
// program "JVCrashReport" from the program's folder, unless a debugger is attached. It runs in a
// damaged process: everything it writes that can be known beforehand is computed when it is
// installed, and it uses fixed buffers and system calls only.
class CCrashHandler {
public:
    // Computes the texts and paths and installs the handler. Call once, early at start-up.
    static bool Install();
};

// Reports the failure (once per process) and says how the process ends: kExecuteHandler when the
// crash-report program took over, else kContinueSearch.
jv::desktop::CrashDisposition CrashExceptionFilter(const jv::desktop::CrashEvent& event);

// The name of an exception code in the error log: "an Access Violation", ...
const char* ExceptionName(uint32_t code);
