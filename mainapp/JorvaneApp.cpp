#include "mainapp/JorvaneApp.h"

#include "shared/core/ConfigApp.h"
#include "shared/core/ConfigUser.h"
#include "shared/core/CrashHandler.h"
#include "shared/core/TraceLog.h"

int CJorvaneApp::Run(int /*argc*/, char** /*argv*/) {
    CCrashHandler::Install();
    OpenProgramTraceLog("JVtrace.log");
    TraceLog("CJorvaneApp::InitInstance", TRACE_INFO, "starting Jorvane client");

    CConfigUser configUser;
    std::string databasePath;
    if (!configUser.GetMostRecentDBpath(databasePath)) {
        TraceLog("CJorvaneApp::InitInstance", TRACE_ERROR, "Could not read the user database path");
    }
    CConfigApp configApp;
    std::string webHost;
    configApp.GetWebURL(webHost);

    if (IsTraceLogOpen()) {
        TraceLog("CJorvaneApp::ExitInstance", TRACE_INFO, "stopping Jorvane client");
        CloseTraceLog();
    }
    return 0;
}
