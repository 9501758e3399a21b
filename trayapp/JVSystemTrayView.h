#pragma once

#include <memory>
#include <string>

#include "platform/ui/BrowserHost.h"

namespace jv::ui {
class Loop;
namespace host {
class ScriptBridge;
class WebHost;
}  // namespace host
}  // namespace jv::ui
class CAboutDlg;
class CMainFrame;
class CRemindersPage;
class CJVSystemTrayCOMObj;

// The companion's window: the reminders page in a browser window of its own, opened on request
// and closed again when the user hides it. Each showing gets a new loopback server, a new one-time
// address and a new page built from the database as it is then; nothing of it stays in memory
// while the window is closed.
class CJVSystemTrayView : public jv::ui::WindowEvents {
public:
    static constexpr const char* kModule = "JVSystemTray.exe";

    CJVSystemTrayView(CMainFrame& frame, jv::ui::Loop& loop);
    ~CJVSystemTrayView() override;
    CJVSystemTrayView(const CJVSystemTrayView&) = delete;
    CJVSystemTrayView& operator=(const CJVSystemTrayView&) = delete;

    // Opens the window on the reminders page, or, when it is open, builds the page anew in it and
    // brings the window forward.
    void Show();
    // Closes the window, and the about box over it.
    void Hide();
    // The about box, modal over the window (nothing when the window is not open).
    void ShowAbout();
    bool IsOpen() const { return host_ != nullptr; }
    // Shows page id ("res://JVSystemTray.exe/<id>", "?<argument>" when argument is not 0).
    void Navigate(int id, int argument);

    CMainFrame& GetFrame() { return frame_; }
    const std::shared_ptr<CRemindersPage>& GetPage() const { return page_; }

    // The page object for a loaded page resource: the reminders page for 138, else none.
    static std::shared_ptr<CRemindersPage> CreateTrayPage(int id, std::shared_ptr<jv::ui::Document> document,
                                                          CMainFrame& frame);

    // WindowEvents
    void OnBeforeNavigate(const std::string& url, const std::string& frame, bool& cancel) override;
    void OnDocumentComplete(const std::string& url, const std::string& frame,
                            const std::shared_ptr<jv::ui::Document>& document) override;
    void OnWindowClosed() override;

private:
    CMainFrame& frame_;
    jv::ui::Loop& loop_;
    std::shared_ptr<jv::ui::host::ScriptBridge> bridge_;
    std::shared_ptr<CJVSystemTrayCOMObj> external_;
    std::shared_ptr<jv::ui::host::WebHost> host_;
    std::shared_ptr<CRemindersPage> page_;
    CAboutDlg* about_ = nullptr;  // while the about box is shown
};
