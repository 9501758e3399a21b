#pragma once

#include <string>

namespace jv::ui::host {
class ScriptBridge;
}
class CJVSystemTrayView;

// The companion's scripting object, `window.external` of its pages.
class CJVSystemTrayCOMObj {
public:
    explicit CJVSystemTrayCOMObj(CJVSystemTrayView& view) : m_view(view) {}

    // Puts the methods below into the bridge's table.
    void AddMethods(jv::ui::host::ScriptBridge& bridge);

    // Starts the main program and hides the reminders.
    void OpenJorvane();
    // Hide the reminders (unless the companion is ending).
    void HideReminders();
    void CloseReminders();
    // A script error caught by the page's error trap: written to the trace log, nothing more.
    void JavascriptError(const std::string& text, const std::string& url, int line);

private:
    CJVSystemTrayView& m_view;
};
