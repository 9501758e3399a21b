#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop/IconPixmaps.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GVariant GVariant;
typedef struct _GError GError;

namespace jv::desktop {

// One icon in the desktop's notification area: a StatusNotifierItem (org.kde.StatusNotifierItem)
// on the session bus, registered with the desktop's StatusNotifierWatcher.
//
// While shown the item owns a bus name of its own ("org.kde.StatusNotifierItem-<pid>-<n>"), serves
// the item at "/StatusNotifierItem" and is registered with the watcher; hiding it gives the name
// up, which is how the watcher learns that the icon is gone. The item follows the watcher: when a
// watcher appears (the desktop's panel started or restarted) the watcher handler runs, and the
// owner calls Register to put a shown icon back. Everything runs on the GLib main context.
class StatusNotifierItem {
public:
    using Handler = std::function<void()>;

    static constexpr const char* kObjectPath = "/StatusNotifierItem";
    static constexpr const char* kWatcherName = "org.kde.StatusNotifierWatcher";

    // bus may be null: the item is then never shown. id: the application's id ("jvsystemtray").
    StatusNotifierItem(GDBusConnection* bus, std::string id, std::string title);
    ~StatusNotifierItem();
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    // What the item shows: the icon's name in the desktop's theme or in themePath, and its
    // pictures for a panel that does not look names up; a shown item tells the desktop at once.
    void SetIcon(const std::string& iconName, const std::string& themePath = {}, std::vector<IconPixmap> pixmaps = {});
    void SetToolTip(const std::string& title, const std::string& text);
    // The object path of the item's menu (DBusMenu::kObjectPath), empty for none.
    void SetMenuPath(const std::string& path) { menuPath_ = path; }

    // The user activated the icon (a click or double-click, as the desktop has it).
    void SetActivateHandler(Handler handler) { onActivate_ = std::move(handler); }
    // A watcher has appeared on the bus (also the first one after start-up).
    void SetWatcherHandler(Handler handler) { onWatcher_ = std::move(handler); }

    // Shows the icon: takes a bus name, serves the item and registers it. False without a bus.
    bool Show();
    // Takes the icon away.
    void Hide();
    bool shown() const { return registration_ != 0; }
    // Registers a shown item with the watcher (again).
    void Register();

    // The bus name the shown item owns (empty while hidden).
    const std::string& serviceName() const { return serviceName_; }
    const std::vector<IconPixmap>& pixmaps() const { return pixmaps_; }

private:
    static void OnMethodCall(GDBusConnection*, const char* sender, const char* path, const char* interface,
                             const char* method, GVariant* parameters, GDBusMethodInvocation* invocation, void* self);
    static GVariant* OnGetProperty(GDBusConnection*, const char* sender, const char* path, const char* interface,
                                   const char* property, GError** error, void* self);
    void Emit(const char* signal);

    GDBusConnection* bus_;
    std::string id_;
    std::string title_;
    std::string iconName_;
    std::string themePath_;
    std::vector<IconPixmap> pixmaps_;
    std::string toolTipTitle_;
    std::string toolTipText_;
    std::string menuPath_;
    Handler onActivate_;
    Handler onWatcher_;

    std::string serviceName_;
    unsigned registration_ = 0;
    unsigned nameOwner_ = 0;
    unsigned watcherWatch_ = 0;
    unsigned shownCount_ = 0;
};

}  // namespace jv::desktop
