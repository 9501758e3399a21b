#include "trayapp/TrayIcon.h"

#include "platform/base/Paths.h"
#include "platform/ui/Loop.h"
#include "shared/core/TraceLog.h"
#include "trayapp/TrayMessages.h"

namespace {

// The icon names the companion installs (share/icons/hicolor/scalable/status).
std::string IconName(unsigned iconId) {
    return iconId == tray::IDI_SERVICE_DUE ? "jorvane-service-due" : std::string();
}

// The folder of the companion's own icon theme: in the machine-wide data folder, installed or laid
// out by the build.
std::string IconThemePath() {
    return jv::paths::Join(jv::paths::CommonAppData(), "icons");
}

}  // namespace

CTrayIcon::CTrayIcon(unsigned id, GDBusConnection* bus, jv::ui::Loop& loop)
    : id_(id), loop_(loop), item_(bus, "jvsystemtray", "Jorvane"), menu_(bus), notifier_(bus, "Jorvane") {
    // Context menu 4: its first item is what activating the icon does.
    menu_.SetItems({{tray::ID_VIEW_REMINDERS, "&View Reminders", true, true},
                    {tray::ID_OPEN_JORVANE, "&Open Jorvane"},
                    {tray::ID_APP_EXIT, "&Exit"}});
    menu_.SetClickHandler([this](int command) { PostToWindow({tray::WM_COMMAND, static_cast<uint64_t>(command), 0}); });
    item_.SetMenuPath(jv::desktop::DBusMenu::kObjectPath);
    item_.SetActivateHandler([this] { PostToWindow({callbackMessage_, id_, tray::WM_LBUTTONDBLCLK}); });
    item_.SetWatcherHandler([this] { PostToWindow({tray::WM_TASKBARCREATED, 0, 0}); });
}

CTrayIcon::~CTrayIcon() {
    *alive_ = false;
    SetIcon(0);
}

void CTrayIcon::PostToWindow(const jv::desktop::Event& event) {
    loop_.Post([this, alive = std::weak_ptr<bool>(alive_), event] {
        const auto living = alive.lock();
        if (living && *living && window_ != nullptr) window_->SendEvent(event);
    });
}

void CTrayIcon::SetNotificationWnd(jv::desktop::EventTarget* window, unsigned callbackMessage) {
    window_ = window;
    callbackMessage_ = callbackMessage;
    hook_.Hook(window);
}

bool CTrayIcon::SetIcon(const std::string& iconName, const char* tip) {
    if (tip != nullptr) tip_ = tip;
    if (iconName.empty()) {
        iconName_.clear();
        item_.Hide();
        menu_.Unexport();
        return true;
    }
    if (iconName != iconName_ || pixmaps_.empty()) {
        // The pictures too, for a panel that does not look icons up by name.
        const std::string file = jv::paths::Join(IconThemePath(), "hicolor/scalable/status/" + iconName + ".svg");
        std::string error;
        pixmaps_ = jv::desktop::LoadIconPixmaps(file, jv::desktop::UsualIconSizes(), &error);
        if (pixmaps_.empty()) TraceLog("CTrayIcon::SetIcon", TRACE_WARNING, "No pictures of the icon: " + error);
    }
    iconName_ = iconName;
    item_.SetIcon(iconName_, IconThemePath(), pixmaps_);
    item_.SetToolTip(tip_, "");
    if (item_.shown()) return true;
    menu_.Export();
    return item_.Show();
}

bool CTrayIcon::SetIcon(unsigned iconId) {
    return SetIcon(IconName(iconId));
}

bool CTrayIcon::SetTip(const std::string& tip) {
    tip_ = tip;
    item_.SetToolTip(tip_, "");
    return item_.shown();
}

bool CTrayIcon::ShowBalloon(const std::string& text, const std::string& title, int timeoutMs, unsigned infoFlags) {
    // NIIF_INFO (1), NIIF_WARNING (2), NIIF_ERROR (3) as the desktop's own icons.
    const char* icon = infoFlags == 2 ? "dialog-warning" : infoFlags == 3 ? "dialog-error" : "dialog-information";
    return notifier_.Notify(title, text, timeoutMs, icon);
}

intptr_t CTrayIcon::OnTrayNotification(uint64_t id, int64_t mouseMessage) {
    if (id != id_ || window_ == nullptr) return 0;
    if (mouseMessage != tray::WM_LBUTTONDBLCLK) return 0;
    const auto& items = menu_.items();
    if (items.empty()) return 0;
    // A double-click does what the menu's first item does.
    window_->SendEvent({tray::WM_COMMAND, static_cast<uint64_t>(items.front().command), 0});
    return 1;
}

intptr_t CTrayIcon::OnTaskbarCreated(uint64_t, int64_t) {
    if (item_.shown()) item_.Register();
    return 0;
}

intptr_t CTrayIcon::CTrayHook::OnEvent(const jv::desktop::Event& event) {
    if (event.message == owner_.callbackMessage_ && target() == owner_.window_) {
        owner_.OnTrayNotification(event.wParam, event.lParam);
    } else if (event.message == tray::WM_TASKBARCREATED) {
        owner_.OnTaskbarCreated(event.wParam, event.lParam);
    }
    return PassOn(event);
}
