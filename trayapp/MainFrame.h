#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/base/Clock.h"
#include "platform/desktop/EventHook.h"
#include "shared/data/UserData.h"
#include "shared/data/UserPreferences.h"
#include "trayapp/DailyCheckTimer.h"
#include "trayapp/TrayIcon.h"

namespace jv::ui {
class Loop;
}
class CJVSystemTrayView;

// The companion's frame: never shown itself, it owns the user database connection, the user's
// preferences, the tray icon and the daily check, and handles the commands of the icon's menu and
// of the reminders window. Its message stream (SendEvent) is where the tray icon's hook sits.
class CMainFrame : public jv::desktop::EventTarget {
public:
    struct Settings {
        // From start-up to the first check, so that the companion does not slow the desktop's start.
        std::chrono::milliseconds firstCheckDelay = std::chrono::minutes(5);
    };

    // bus may be null (no icon, no notification). timers and clock drive the daily check.
    CMainFrame(jv::ui::Loop& loop, GDBusConnection* bus, CDailyCheckTimer::TimerSource& timers, const jv::Clock& clock,
               Settings settings);
    ~CMainFrame() override;

    // Frame creation: the database path, the icon's notification window and the check schedule.
    // -1 when the configuration names no database (the companion then ends), else 0.
    int OnCreate();

    void OpenJorvane();
    void HideReminders();
    // Hides the reminders; with the exiting flag set it ends the companion instead.
    void OnClose();
    bool CheckServiceDue();
    void UpdateTrayIcon();

    CUserData& GetUserData() { return m_userData; }
    CUserPreferences& GetPreferences() { return m_preferences; }
    bool IsDue() const { return m_bDue; }
    bool IsExiting() const { return m_bExiting; }
    const std::string& databasePath() const { return m_strDatabasePath; }

    // The program to start for "Open Jorvane": "jorvane" in the profile's "Path" folder when set,
    // else beside this program, or, for a companion run from the build tree, that build's own.
    static std::string JorvanePath();

protected:
    intptr_t HandleEvent(const jv::desktop::Event& event) override;

private:
    void OnViewReminders();
    void OnExit();
    void OnHide();
    void OnAppAbout();
    void OnTimer();
    // Re-reads the configured database and opens it when it is not open yet (or is another file).
    bool ConnectDatabase();

    jv::ui::Loop& m_loop;
    CUserData m_userData;
    CUserPreferences m_preferences;
    CTrayIcon m_trayIcon;
    bool m_bExiting = false;
    bool m_bDue = false;
    std::string m_strDatabasePath;
    Settings m_settings;
    CDailyCheckTimer m_timer;
    std::unique_ptr<CJVSystemTrayView> m_pView;
};
