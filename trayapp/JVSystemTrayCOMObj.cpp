#include "trayapp/JVSystemTrayCOMObj.h"

#include <functional>

#include "platform/ui/host/ScriptBridge.h"
#include "shared/core/TraceLog.h"
#include "trayapp/JVSystemTrayView.h"
#include "trayapp/MainFrame.h"

void CJVSystemTrayCOMObj::AddMethods(jv::ui::host::ScriptBridge& bridge) {
    bridge.Add("OpenJorvane", std::function<void()>([this] { OpenJorvane(); }));
    bridge.Add("HideReminders", std::function<void()>([this] { HideReminders(); }));
    bridge.Add("CloseReminders", std::function<void()>([this] { CloseReminders(); }));
    bridge.Add("JavascriptError", std::function<void(const std::string&, const std::string&, int32_t)>(
                                      [this](const std::string& text, const std::string& url, int32_t line) {
                                          JavascriptError(text, url, line);
                                      }));
}

void CJVSystemTrayCOMObj::OpenJorvane() {
    m_view.GetFrame().OpenJorvane();
}

void CJVSystemTrayCOMObj::HideReminders() {
    m_view.GetFrame().HideReminders();
}

void CJVSystemTrayCOMObj::CloseReminders() {
    m_view.GetFrame().OnClose();
}

void CJVSystemTrayCOMObj::JavascriptError(const std::string& text, const std::string& url, int line) {
    TraceLog("CJVSystemTrayCOMObj::JavascriptError", TRACE_ERROR,
             text + " (" + url + ", line " + std::to_string(line) + ")");
}
