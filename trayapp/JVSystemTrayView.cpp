#include "trayapp/JVSystemTrayView.h"

#include "platform/base/PlatformError.h"
#include "platform/ui/Loop.h"
#include "platform/ui/Resources.h"
#include "platform/ui/host/ScriptBridge.h"
#include "platform/ui/host/WebHost.h"
#include "shared/core/TraceLog.h"
#include "shared/ui/AboutDlg.h"
#include "trayapp/JVSystemTrayCOMObj.h"
#include "trayapp/MainFrame.h"
#include "trayapp/RemindersPage.h"
#include "trayapp/TrayMessages.h"

namespace {

void HostLog(const std::string& source, int level, const std::string& message) {
    TraceLog(source, level, message);
}

}  // namespace

CJVSystemTrayView::CJVSystemTrayView(CMainFrame& frame, jv::ui::Loop& loop) : frame_(frame), loop_(loop) {}

CJVSystemTrayView::~CJVSystemTrayView() {
    page_.reset();
    if (host_) {
        loop_.SetAfterWork({});
        host_->SetWindowEvents(nullptr);
        jv::ui::InstallHost(nullptr);
    }
    host_.reset();
    external_.reset();
    bridge_.reset();
}

void CJVSystemTrayView::Show() {
    if (host_) {
        // The window is there (or on its way): the page is built again from the database, and the
        // window comes forward.
        Navigate(tray::IDR_REMINDERS_PAGE, 0);
        host_->RaiseWindow();
        return;
    }
    bridge_ = std::make_shared<jv::ui::host::ScriptBridge>(HostLog);
    external_ = std::make_shared<CJVSystemTrayCOMObj>(*this);
    external_->AddMethods(*bridge_);
    host_ = std::make_shared<jv::ui::host::WebHost>(loop_, *bridge_, kModule, HostLog);
    host_->SetWindowEvents(this);
    // The frame's menu: File with Open Jorvane, Hide and Exit; Help with the about box.
    host_->SetMenu({{"&File",
                     {{"&Open Jorvane", tray::ID_OPEN_JORVANE},
                      {"&Hide", tray::ID_HIDE},
                      {"", 0, true, true},
                      {"&Exit", tray::ID_APP_EXIT}}},
                    {"&Help", {{"&About JVSystemTray...", tray::ID_APP_ABOUT}}}});
    host_->SetCommandHandler([this](int command) {
        frame_.SendEvent({tray::WM_COMMAND, static_cast<uint64_t>(command), 0});
    });
    try {
        host_->Start();
    } catch (const jv::PlatformError& error) {
        TraceLog("CJVSystemTrayView::Show", TRACE_ERROR,
                 std::string("Couldn't start the window server: ") + error.what());
        Hide();
        return;
    }
    jv::ui::InstallHost(host_.get());
    auto host = std::weak_ptr<jv::ui::host::WebHost>(host_);
    loop_.SetAfterWork([host] {
        if (auto living = host.lock()) living->FlushPatches();
    });
    Navigate(tray::IDR_REMINDERS_PAGE, 0);
    if (!host_->OpenWindow()) {
        TraceLog("CJVSystemTrayView::Show", TRACE_ERROR, "Couldn't open the reminders window");
        Hide();
    }
}

void CJVSystemTrayView::Hide() {
    page_.reset();
    // The about box goes with the window it was shown over.
    if (about_ != nullptr) about_->EndDialog(jv::ui::Dialog::kNotShown);
    if (!host_) return;
    loop_.SetAfterWork({});
    host_->SetWindowEvents(nullptr);
    jv::ui::InstallHost(nullptr);
    // This may run inside the host's own handling of a message: the host goes once that is over.
    loop_.Post([host = std::move(host_), external = std::move(external_), bridge = std::move(bridge_)]() mutable {
        host.reset();
        external.reset();
        bridge.reset();
    });
}

void CJVSystemTrayView::ShowAbout() {
    if (!host_ || about_ != nullptr) return;
    CAboutDlg about(tray::IDR_ABOUT_PAGE);
    about_ = &about;
    about.DoModal();
    about_ = nullptr;
}

void CJVSystemTrayView::Navigate(int id, int argument) {
    if (!host_) return;
    std::string url = "res://" + std::string(kModule) + "/" + std::to_string(id);
    if (argument != 0) url += "?" + std::to_string(argument);
    host_->Navigate(url, "");
}

std::shared_ptr<CRemindersPage> CJVSystemTrayView::CreateTrayPage(int id, std::shared_ptr<jv::ui::Document> document,
                                                                  CMainFrame& frame) {
    if (id != tray::IDR_REMINDERS_PAGE || !document) return nullptr;
    return std::make_shared<CRemindersPage>(id, std::move(document), frame);
}

void CJVSystemTrayView::OnBeforeNavigate(const std::string&, const std::string&, bool&) {}

void CJVSystemTrayView::OnDocumentComplete(const std::string& url, const std::string& frame,
                                           const std::shared_ptr<jv::ui::Document>& document) {
    if (!frame.empty()) return;
    auto page = CreateTrayPage(jv::ui::Resources::IdFromUrl(url), document, frame_);
    if (!page) return;
    page_ = page;
    CJVPage::Invoke(page, &CRemindersPage::ProcessDocument);
}

void CJVSystemTrayView::OnWindowClosed() {
    // Closing the window only hides the companion's reminders; the companion stays.
    Hide();
}
