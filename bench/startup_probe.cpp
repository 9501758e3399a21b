// What either program does from its start until it would open a window, then exits: the crash
// handler's set-up, the trace log, the configuration. Started by bench_startup.
#include <string>

#include "shared/core/ConfigApp.h"
#include "shared/core/CrashHandler.h"
#include "shared/core/TraceLog.h"

int main() {
    CCrashHandler::Install();
    OpenProgramTraceLog("JVtrace.log");
    TraceLog("CJorvaneApp::InitInstance", TRACE_INFO, "starting Jorvane client");
    CConfigApp config;
    std::string server;
    config.GetErrorsURL(server);
    TraceLog("CJorvaneApp::ExitInstance", TRACE_INFO, "stopping Jorvane client");
    CloseTraceLog();
    return 0;
}
