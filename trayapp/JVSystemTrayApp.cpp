#include "trayapp/JVSystemTrayApp.h"

#include <glib-unix.h>
#include <glib.h>

#include <csignal>
#include <cstdlib>

#include "platform/base/Clock.h"
#include "platform/base/StopSignals.h"
#include "platform/desktop/SessionBus.h"
#include "platform/desktop/SingleInstance.h"
#include "platform/ui/Loop.h"
#include "shared/core/TraceLog.h"
#include "shared/ui/SharedUi.h"
#include "trayapp/LoopTimerSource.h"
#include "trayapp/MainFrame.h"
#include "trayapp/TrayMessages.h"
#include "trayapp/TrayResources.h"

bool CJVSystemTrayApp::IsRegistrationSwitch(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) continue;
        std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
        for (char& c : name) c = static_cast<char>(g_ascii_tolower(c));
        if (name == "regserver" || name == "unregserver" || name == "register" || name == "unregister" ||
            name == "embedding" || name == "automation")
            return true;
    }
    return false;
}

std::chrono::milliseconds CJVSystemTrayApp::FirstCheckDelay(const char* setting) {
    if (setting != nullptr && *setting != '\0') {
        char* end = nullptr;
        const long seconds = std::strtol(setting, &end, 10);
        if (*end == '\0' && seconds >= 0 && seconds <= 86400) return std::chrono::seconds(seconds);
    }
    return std::chrono::minutes(5);
}

int CJVSystemTrayApp::Run(int argc, char** argv) {
    // Started to register, unregister or serve a component: there is none on this desktop.
    if (IsRegistrationSwitch(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc))) return 0;

    // One companion per session: a second start leaves quietly, so there is one icon and one
    // notification a day.
    jv::desktop::SingleInstance instance(jv::desktop::SingleInstance::SessionName("jvsystemtray"));
    if (instance.Acquire() == jv::desktop::SingleInstance::Result::Running) return 0;

    jv::stop::Catch({SIGTERM, SIGINT, SIGHUP});
    OpenProgramTraceLog("JVSTtrace.log");
    InstallSharedUi();
    jv::ui::Resources::Install(TrayResources());

    jv::desktop::SessionBus bus;
    std::string busError;
    if (!bus.Connect(&busError))
        TraceLog("CJVSystemTrayApp::InitInstance", TRACE_WARNING, "No session bus, no tray icon: " + busError);

    int status = 0;
    {
        jv::ui::Loop loop;
        CLoopTimerSource timers(loop);
        jv::SystemClock clock;
        CMainFrame::Settings settings;
        settings.firstCheckDelay = FirstCheckDelay(std::getenv("JV_TRAY_FIRST_CHECK_SECONDS"));
        CMainFrame frame(loop, bus.connection(), timers, clock, settings);
        if (frame.OnCreate() != 0) {
            TraceLog("CMainFrame::OnCreate", TRACE_ERROR, "Could not read the user database path");
            status = 1;
        } else {
            // The session ending (or a kill) closes the companion as Exit does, also while its
            // check waits for another program's lock on the user's file.
            const GUnixFDSourceFunc onStop = [](int, GIOCondition, gpointer data) -> gboolean {
                jv::stop::Drain();
                auto* target = static_cast<CMainFrame*>(data);
                if (!target->IsExiting()) target->SendEvent({tray::WM_COMMAND, tray::ID_APP_EXIT, 0});
                return G_SOURCE_CONTINUE;
            };
            const unsigned stopWatch = g_unix_fd_add(jv::stop::Fd(), G_IO_IN, onStop, &frame);
            loop.Run();
            // What the last commands left queued (the window's host among it) goes with the frame.
            while (loop.RunOne()) {
            }
            g_source_remove(stopWatch);
        }
    }

    if (IsTraceLogOpen()) {
        TraceLog("CJVSystemTrayApp::ExitInstance", TRACE_INFO, "stopping JorvaneSystemTray");
        CloseTraceLog();
    }
    return status;
}
