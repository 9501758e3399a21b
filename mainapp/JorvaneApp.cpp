#include "mainapp/JorvaneApp.h"

#include <glib-unix.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string_view>

#include "mainapp/JorvaneCOMObj.h"
#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "mainapp/MainAppResources.h"
#include "mainapp/MainFrame.h"
#include "mainapp/MainMenu.h"
#include "mainapp/SoapShell.h"
#include "mainapp/UpdateCheck.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/net/IConnectionSource.h"
#include "mainapp/net/JVSOAP.h"
#include "platform/base/Clock.h"
#include "platform/base/Profile.h"
#include "platform/base/StopSignals.h"
#include "platform/desktop/SingleInstance.h"
#include "platform/ui/Loop.h"
#include "platform/ui/Resources.h"
#include "platform/ui/host/ScriptBridge.h"
#include "platform/ui/host/WebHost.h"
#include "shared/core/CrashHandler.h"
#include "shared/core/TraceLog.h"
#include "shared/ui/SharedUi.h"

namespace {

constexpr int kComCallbacksId = 198;
// How long the browser may take to show the window before the program gives up on it.
constexpr std::chrono::seconds kWindowOpenTimeout{60};
// How long the program waits at its end for the window to tell what its fields hold.
constexpr std::chrono::milliseconds kFormStateWait{1000};

void HostLog(const std::string& source, int level, const std::string& message) {
    TraceLog(source, level, message);
}

// The wrappers of the script methods, made from the method table and served as a page script.
void InstallComCallbacks() {
    static const std::string script = CJorvaneCOMObj::ComCallbacksScript();
    static const jv::ui::Resource entry{kComCallbacksId, "ComCallbacks.js", "text/javascript; charset=utf-8",
                                        reinterpret_cast<const unsigned char*>(script.data()), script.size()};
    jv::ui::Resources::Install({&entry, 1});
}

// Everything the running program is made of, built once the start-up checks have passed.
class MainProgram {
public:
    MainProgram()
        : m_profile("Jorvane"),
          m_bridge(HostLog),
          m_host(m_loop, m_bridge, "Jorvane.exe", HostLog),
          m_soapShell(m_loop),
          m_frame(m_host, m_profile),
          m_view(m_host, m_profile, m_document),
          m_menu(m_view, m_document) {}

    ~MainProgram() {
        if (m_stopWatch != 0) g_source_remove(m_stopWatch);
        jv::ui::InstallHost(nullptr);
        ISoapShell::Install(nullptr);
        IConnectionSource::Install(nullptr);
        CJorvaneView::SetView(nullptr);
        CJorvaneDoc::SetDoc(nullptr);
    }

    // True when the program runs on (the loop), false when start-up failed.
    bool InitInstance(jv::desktop::SingleInstance& instance) {
        InstallSharedUi();
        jv::ui::Resources::Install(MainAppResources());
        InstallComCallbacks();
        jv::ui::InstallHost(&m_host);
        ISoapShell::Install(&m_soapShell);
        IConnectionSource::Install(&m_document);
        CJorvaneDoc::SetDoc(&m_document);
        CJorvaneView::SetView(&m_view);
        m_document.SetLoop(&m_loop);

        m_loop.SetAfterWork([this] { AfterWork(); });
        m_comObj.SetView(&m_view);
        m_comObj.Register(m_bridge);
        m_host.SetWindowEvents(&m_view);
        // A window that reloads comes back within a moment; one that stays away was closed.
        m_host.SetReconnectGrace(std::chrono::milliseconds(1500));
        m_host.SetScriptErrorHandler([this](const std::string& message, const std::string& url, int line) {
            m_view.JavascriptError(message, url, line);
        });
        m_view.SetCloseHandler([this] { OnWindowGone(); });
        m_view.SetTitleHandler([this](const std::string& title) { m_frame.SetDocumentTitle(title); });
        m_frame.SetRaiseHandler([this] { m_host.RaiseWindow(); });
        // The menu bar; Exit asks about unsaved work as leaving the page does, then closes the frame
        // as its close box does, so the window's place is kept.
        m_host.SetMenu(CMainMenu::HostMenus(), CMainMenu::HostAccelerators());
        m_host.SetCommandHandler([this](int command) { m_menu.OnCommand(command); });
        m_host.SetMessageBoxHandler(&CGenericDlg::ShowScriptMessage);
        // The vehicle page and the registers mark unsaved work so; the window asks before it closes.
        m_host.SetUnsavedWorkMark("DirtyFlag", "true");
        m_menu.SetExitHandler([this] { OnExit(); });
        m_menu.SetCheckForUpdatesHandler([this] { m_updateCheck.OnCheckForUpdates(); });
        instance.Listen(CMainFrame::kAreYouMeMessage, [this] { m_frame.OnAreYouMe(); });
        // A stop signal closes the window as its close box does, whenever it comes.
        m_stopWatch = g_unix_fd_add(jv::stop::Fd(), G_IO_IN, &MainProgram::OnStop, this);

        if (!m_frame.OnCreate()) return false;
        try {
            m_host.Start();
        } catch (const std::exception& error) {
            TraceLog("CJorvaneApp::InitInstance", TRACE_ERROR, error.what());
            std::cerr << "jorvane: " << error.what() << std::endl;
            return false;
        }
        m_host.SetWindowGeometry(m_frame.ActivateFrame(-1));
        if (!m_host.OpenWindow()) {
            std::cerr << "jorvane: no browser window could be opened" << std::endl;
            return false;
        }
        // Dialogs (the problem report, the consent question) need the window: wait for it.
        m_loop.RunUntil([this] { return m_host.WindowConnected() || m_closed; },
                        std::chrono::duration_cast<std::chrono::milliseconds>(kWindowOpenTimeout));
        if (!m_host.WindowConnected()) {
            TraceLog("CJorvaneApp::InitInstance", TRACE_ERROR, "The window did not open");
            if (!m_closed) std::cerr << "jorvane: the browser window did not open" << std::endl;
            return false;
        }

        const bool opened = m_document.OnNewDocument();
        if (!opened && !m_document.IsEnding()) return false;
        // Asked to stop while the database waited for another program, or the user chose to end
        // the program meanwhile: nothing more is set up.
        if (!opened || jv::stop::Requested()) {
            Close();
            return true;
        }
        m_view.OnInitialUpdate();
        if (m_document.GetUserData().IsLaterVersion()) TellOfLaterVersion(m_document.GetUserData().GetVersion());
        m_document.TellIfCannotWrite();
        if (m_document.IsNewDatabase()) {
            m_view.QuickStart(-1);
        } else if (m_updateCheck.CheckForUpdate() == UpdateCheckResult::InstallerStarted) {
            // The installer replaces the program: the window is closed and nothing more is set up.
            return true;
        }
        m_view.SetSelectedCar("%");
        m_profile.WriteProfileString("Settings", "NewCar", "0");
        // A window closed meanwhile (the user ended the program from the consent question or from
        // QuickStart) has quit the loop already: Run ends at once and the program ends normally.
        return true;
    }

    void Run() {
        m_loop.Run();
        // The window left while a save was under way: that save has gone on to its end, and only
        // what it left unsaved is said to be lost.
        if (m_leaveAfterWork) {
            m_leaveAfterWork = false;
            m_view.LeaveUnsavedWork();
        }
        if (!m_keepAfterWork) return;
        // Told to end while a box was open: the work under it has gone on to its end unanswered,
        // and what it left unsaved is kept now (unless it closed the program itself, File > Exit
        // answered before the stop).
        m_keepAfterWork = false;
        if (m_closed) return;
        m_view.KeepUnsavedWork();
        OnMainWindowClosed();
        // A web-service call still waiting ends first.
        if (!m_closed) m_loop.Run();
    }

private:
    // Told to end (the session ends): there is no time to ask.
    static gboolean OnStop(int, GIOCondition, void* self) {
        jv::stop::Drain();
        static_cast<MainProgram*>(self)->EndKeepingWork();
        return G_SOURCE_CONTINUE;
    }

    // The user's file was made by a later version of the program: the user hears that this one
    // uses it as it is.
    static void TellOfLaterVersion(int version) {
        CGenericDlg dialog;
        dialog.SetTitle("Jorvane");
        dialog.SetMessage("Your Jorvane database was made by a later version of Jorvane (database version " +
                          std::to_string(version) + "; this version knows versions up to " +
                          std::to_string(CUserData::kCurrentVersion) +
                          ").<br><br>Jorvane shows and saves your entries in it, but leaves the database as the "
                          "later version made it. To use everything in it, install the later version of Jorvane.");
        dialog.SetSize(420, 240);
        dialog.DoModal();
    }

    void AfterWork() {
        m_host.FlushPatches();
        m_frame.OnUpdateConnectionPane(m_document.IsConnected());
        if (m_closePending && CJVSOAP::CallsInProgress() == 0) Close();
    }

    void OnExit() {
        if (m_view.CanCloseFrame()) OnMainWindowClosed();
    }

    // The window has gone. When the browser asked about unsaved work before it closed, the user
    // chose to leave it; otherwise (the browser ended without asking) what was typed is kept.
    void OnWindowGone() {
        if (m_host.WindowLeftAfterAsking()) {
            // The user's answer cannot be told from a question the browser no longer shows: what
            // was typed is left in both cases. A save the user asked for before (a box of it open)
            // goes on unanswered as the loop ends, and Run tells what it left.
            if (m_loop.depth() > 1)
                m_leaveAfterWork = true;
            else
                m_view.LeaveUnsavedWork();
            OnMainWindowClosed();
        } else {
            EndKeepingWork();
        }
    }

    void EndKeepingWork() {
        if (m_closed || m_ending) return;
        m_ending = true;
        // A box is open (a save's message, a question): the work that opened it is still on the
        // stack and goes on once the box ends. Saving beside it would store its entry twice, so
        // every box ends unanswered (the loop quits under them), that work runs to its end, and
        // Run keeps what it left unsaved.
        if (m_loop.depth() > 1) {
            m_keepAfterWork = true;
            m_view.StopDuringWork();
            m_loop.Quit();
            return;
        }
        FetchWindowState();
        m_view.KeepUnsavedWork();
        OnMainWindowClosed();
    }

    // The last keys typed reach the program only after a pause in the typing, and a field not left
    // yet may not have reached it at all: while the window still answers, what it holds is fetched
    // for the save at the end, for about a second. Meanwhile nobody is there to answer a question
    // (a call the page makes now shows nothing). A browser that has gone holds nothing more: what
    // reached the program is kept.
    void FetchWindowState() {
        if (!m_host.WindowConnected()) return;
        jv::ui::InstallHost(nullptr);
        const bool fetched = m_host.FetchFormState(kFormStateWait);
        jv::ui::InstallHost(&m_host);
        if (!fetched)
            TraceLog("CJorvaneApp::FetchWindowState", TRACE_WARNING,
                     "What the window held as the program ended could not be fetched: what reached the program "
                     "before is kept");
    }

    void OnMainWindowClosed() {
        // A web-service call waiting for its answer keeps the program until it ends.
        if (CJVSOAP::CallsInProgress() > 0) {
            m_closePending = true;
            return;
        }
        Close();
    }

    void Close() {
        if (m_closed) return;
        m_view.NoteUnsavedPreferences();
        m_closed = true;
        m_closePending = false;
        m_frame.OnClose(m_host.LastWindowBounds());
        m_loop.Quit();
    }

    jv::Profile m_profile;
    jv::ui::Loop m_loop;
    jv::ui::host::ScriptBridge m_bridge;
    jv::ui::host::WebHost m_host;
    CSoapShell m_soapShell;
    CJorvaneDoc m_document;
    CMainFrame m_frame;
    CJorvaneView m_view;
    CMainMenu m_menu;
    // The installer replaces the program: what was typed is kept as the program closes.
    CUpdateCheck m_updateCheck{[this] { EndKeepingWork(); }};
    CJorvaneCOMObj m_comObj;
    bool m_closed = false;
    bool m_closePending = false;
    bool m_ending = false;          // the program is ending keeping the user's work
    bool m_keepAfterWork = false;   // once the work under the open boxes has ended
    bool m_leaveAfterWork = false;  // the window left while work was under way
    unsigned m_stopWatch = 0;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

}  // namespace

bool CJorvaneApp::IsRegistrationSwitch(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) continue;
        const std::string name = Lower(argument.substr(1));
        if (name == "regserver" || name == "unregserver" || name == "register" || name == "unregister" ||
            name == "embedding" || name == "automation")
            return true;
    }
    return false;
}

int CJorvaneApp::Run(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (IsRegistrationSwitch(arguments)) return 0;

    jv::desktop::SingleInstance instance(jv::desktop::SingleInstance::SessionName(kInstanceName));
    switch (instance.Acquire()) {
        case jv::desktop::SingleInstance::Result::Running:
            // The first one comes forward; this one ends quietly, answered or not.
            instance.Ask(CMainFrame::kAreYouMeMessage, std::chrono::milliseconds(200));
            return 0;
        case jv::desktop::SingleInstance::Result::Failed:
            std::cerr << "jorvane: " << instance.error() << "; another copy of Jorvane may run at the same time"
                      << std::endl;
            break;
        case jv::desktop::SingleInstance::Result::First:
            break;
    }

    // From here SIGTERM, SIGINT and SIGHUP (the terminal it was started from closed) close the
    // program in order, also while it waits for another program's lock on the user's file (the
    // wait gives up and the loop hears of the stop).
    jv::stop::Catch({SIGTERM, SIGINT, SIGHUP});
    CCrashHandler::Install();
    // A fixed "today" for the end-to-end tests ("JV_NOW=2026-03-15"), or a clock that runs on
    // from a given moment ("JV_NOW=2030-01-10T23:59:40"); a text that does not read as a date
    // leaves the real clock.
    static std::unique_ptr<jv::Clock> testClock;
    if (const char* now = std::getenv("JV_NOW"); now != nullptr && *now != '\0') {
        const std::string_view text(now);
        jv::DateTime date;
        int hour = 0, minute = 0, second = 0;
        char rest = 0;
        if (text.size() > 10 && text[10] == 'T') {
            if (date.ParseIsoDate(text.substr(0, 10)) &&
                std::sscanf(now + 11, "%2d:%2d:%2d%c", &hour, &minute, &second, &rest) == 3 &&
                date.SetDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), hour, minute, second))
                testClock = std::make_unique<jv::ShiftedClock>(date);
        } else if (date.ParseIsoDate(text)) {
            testClock = std::make_unique<jv::FixedClock>(date);
        }
        if (testClock) jv::InstallClock(testClock.get());
    }
    std::string why;
    if (!jv::ui::host::BrowserWindow::CanOpen(&why)) {
        std::cerr << "jorvane: cannot open a window: " << why << std::endl;
        return 1;
    }

    OpenProgramTraceLog("JVtrace.log");
    TraceLog("CJorvaneApp::InitInstance", TRACE_INFO, "starting Jorvane client");
    int status = 0;
    {
        MainProgram program;
        if (program.InitInstance(instance))
            program.Run();
        else
            status = 1;
    }
    if (IsTraceLogOpen()) {
        TraceLog("CJorvaneApp::ExitInstance", TRACE_INFO, "stopping Jorvane client");
        CloseTraceLog();
    }
    return status;
}
