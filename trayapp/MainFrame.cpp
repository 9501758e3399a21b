#include "trayapp/MainFrame.h"

#include <sys/stat.h>

#include "platform/base/Paths.h"
#include "platform/base/Profile.h"
#include "platform/base/Spawn.h"
#include "platform/ui/Loop.h"
#include "shared/core/ConfigUser.h"
#include "shared/core/TraceLog.h"
#include "shared/data/UserPreferencesDatabaseObject.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "trayapp/JVSystemTrayView.h"
#include "trayapp/TrayMessages.h"

namespace {

constexpr const char* kDueTip = "Jorvane: You have vehicle service due!";
constexpr const char* kDueBalloon = "Jorvane: You have vehicle service due!\nDouble-click the icon to see what's due.";
constexpr const char* kBalloonTitle = "Jorvane";
constexpr int kBalloonTimeoutMs = 10000;
constexpr unsigned NIIF_INFO = 1;

bool SameFolder(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

}  // namespace

CMainFrame::CMainFrame(jv::ui::Loop& loop, GDBusConnection* bus, CDailyCheckTimer::TimerSource& timers,
                       const jv::Clock& clock, Settings settings)
    : m_loop(loop), m_trayIcon(tray::IDR_TRAYICON, bus, loop), m_settings(settings), m_timer(timers, clock, [this] {
          SendEvent({tray::WM_TIMER, 1, 0});
      }) {}

CMainFrame::~CMainFrame() {
    m_timer.Stop();
    m_pView.reset();
}

int CMainFrame::OnCreate() {
    TraceLog("CMainFrame::OnCreate", TRACE_INFO, "starting JorvaneSystemTray");
    CConfigUser configUser;
    if (!configUser.GetMostRecentDBpath(m_strDatabasePath)) return -1;

    m_pView = std::make_unique<CJVSystemTrayView>(*this, m_loop);
    m_trayIcon.SetNotificationWnd(this, tray::WM_USER);
    // The first check waits on the loop, which meanwhile answers the desktop; then one a day. A
    // database that is missing now is looked for again at every check.
    if (!jv::paths::FileExists(m_strDatabasePath))
        TraceLog("CMainFrame::OnCreate", TRACE_WARNING, "No user database at " + m_strDatabasePath);
    m_timer.Start(m_settings.firstCheckDelay);
    return 0;
}

intptr_t CMainFrame::HandleEvent(const jv::desktop::Event& event) {
    switch (event.message) {
        case tray::WM_CLOSE:
            OnClose();
            return 0;
        case tray::WM_TIMER:
            OnTimer();
            return 0;
        case tray::WM_COMMAND:
            switch (static_cast<int>(event.wParam)) {
                case tray::ID_VIEW_REMINDERS:
                    OnViewReminders();
                    break;
                case tray::ID_OPEN_JORVANE:
                    OpenJorvane();
                    break;
                case tray::ID_APP_EXIT:
                    OnExit();
                    break;
                case tray::ID_HIDE:
                    OnHide();
                    break;
                case tray::ID_APP_ABOUT:
                    OnAppAbout();
                    break;
                default:
                    break;
            }
            return 0;
        default:
            return 0;
    }
}

void CMainFrame::OnClose() {
    if (m_bExiting) {
        // The frame goes: no more checks, the icon is taken away, and the loop ends.
        m_timer.Stop();
        if (m_pView) m_pView->Hide();
        m_trayIcon.SetIcon(0);
        m_loop.Quit();
        return;
    }
    OnHide();
}

void CMainFrame::OnViewReminders() {
    if (!m_bDue || !m_pView) return;
    m_pView->Show();
}

void CMainFrame::OnExit() {
    m_bExiting = true;
    SendEvent({tray::WM_CLOSE, 0, 0});
}

void CMainFrame::OnHide() {
    if (m_pView) m_pView->Hide();
}

void CMainFrame::OnAppAbout() {
    if (m_pView) m_pView->ShowAbout();
}

void CMainFrame::HideReminders() {
    OnClose();
}

bool CMainFrame::ConnectDatabase() {
    std::string path;
    CConfigUser configUser;
    if (configUser.GetMostRecentDBpath(path)) m_strDatabasePath = path;
    if (m_userData.IsConnected() && m_userData.GetDatabasePath() == m_strDatabasePath) return true;
    if (!jv::paths::FileExists(m_strDatabasePath)) {
        TraceLog("CMainFrame::OnTimer", TRACE_WARNING, "No user database at " + m_strDatabasePath);
        return false;
    }
    m_userData = CUserData();
    return m_userData.OpenConnections(m_strDatabasePath);
}

void CMainFrame::OnTimer() {
    if (!ConnectDatabase()) return;
    CUserPreferencesDatabaseObject preferences(m_userData.GetDatabaseConnection());
    preferences.GetUserPreferences(m_preferences);
    UpdateTrayIcon();
}

bool CMainFrame::CheckServiceDue() {
    CRemindersDatabaseObject reminders(m_userData.GetDatabaseConnection());
    std::vector<CReminder> list;
    const jv::DateTime to = CRemindersDatabaseObject::Now() + CRemindersDatabaseObject::kUpcomingDays;
    reminders.GetReminders("%", jv::DateTime::Null(), to, list, m_preferences);
    return !list.empty();
}

void CMainFrame::UpdateTrayIcon() {
    if (CheckServiceDue()) {
        m_bDue = true;
        m_trayIcon.SetTip(kDueTip);
        m_trayIcon.SetIcon(tray::IDI_SERVICE_DUE);
        m_trayIcon.ShowBalloon(kDueBalloon, kBalloonTitle, kBalloonTimeoutMs, NIIF_INFO);
    } else {
        m_bDue = false;
        m_trayIcon.SetIcon(0);
    }
}

std::string CMainFrame::JorvanePath() {
    jv::Profile profile("Jorvane");
    const std::string folder = profile.GetProfileString("Settings", "Path");
    if (!folder.empty()) return jv::paths::Join(folder, "jorvane");
    const std::string programDir = jv::paths::ProgramDir();
    const std::string beside = jv::paths::Join(programDir, "jorvane");
#if defined(JV_BUILD_JORVANE) && defined(JV_BUILD_TRAYAPP_DIR)
    // Run from the build tree, the main program of the same build is in its own folder there.
    if (!jv::paths::FileExists(beside) && SameFolder(programDir, JV_BUILD_TRAYAPP_DIR)) return JV_BUILD_JORVANE;
#endif
    return beside;
}

void CMainFrame::OpenJorvane() {
    const std::string program = JorvanePath();
    std::string error;
    if (!jv::process::Spawn({program}, &error)) {
        TraceLog("CMainFrame::OpenJorvane", TRACE_ERROR, "Couldn't start " + program + ": " + error);
        return;
    }
    OnClose();
}
