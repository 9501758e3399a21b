#include "trayapp/JVSystemTrayApp.h"

#include "shared/core/ConfigApp.h"
#include "shared/core/ConfigUser.h"
#include "shared/core/TraceLog.h"

int CJVSystemTrayApp::Run(int /*argc*/, char** /*argv*/) {
    OpenProgramTraceLog("JVSTtrace.log");
    TraceLog("CMainFrame::OnCreate", TRACE_INFO, "starting JorvaneSystemTray");

    CConfigUser configUser;
    std::string databasePath;
    if (!configUser.GetMostRecentDBpath(databasePath)) {
        TraceLog("CMainFrame::OnCreate", TRACE_ERROR, "Could not read the user database path");
    }
    CConfigApp configApp;
    std::string webHost;
    configApp.GetWebURL(webHost);

    if (IsTraceLogOpen()) {
        TraceLog("CJVSystemTrayApp::ExitInstance", TRACE_INFO, "stopping JorvaneSystemTray");
        CloseTraceLog();
    }
    return 0;
}
