#pragma once

#include <functional>
#include <string>
#include <vector>

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GDBusMethodInvocation GDBusMethodInvocation;
typedef struct _GVariant GVariant;
typedef struct _GError GError;

namespace jv::desktop {

// A flat menu served on the session bus (com.canonical.dbusmenu), as the notification area shows
// it for a StatusNotifierItem. Items carry the program's command ids; a click on one is handed to
// the click handler with its id, on the GLib main context.
class DBusMenu {
public:
    struct Item {
        int command = 0;    // the id the click handler receives (1 and above)
        std::string label;  // "&" marks the access key, as menu resources write it
        bool enabled = true;
        bool isDefault = false;  // shown in bold: what activating the icon does
    };
    using ClickHandler = std::function<void(int command)>;

    static constexpr const char* kObjectPath = "/MenuBar";

    // bus may be null: nothing is served then.
    explicit DBusMenu(GDBusConnection* bus);
    ~DBusMenu();
    DBusMenu(const DBusMenu&) = delete;
    DBusMenu& operator=(const DBusMenu&) = delete;

    void SetItems(std::vector<Item> items);
    const std::vector<Item>& items() const { return items_; }
    void SetClickHandler(ClickHandler handler) { onClick_ = std::move(handler); }

    // Serves the menu at kObjectPath. False when there is no bus or the path is taken.
    bool Export();
    void Unexport();

    // A label as dbusmenu writes it: "_" marks the access key, a literal "_" is doubled.
    static std::string MenuLabel(const std::string& label);

private:
    static void OnMethodCall(GDBusConnection*, const char* sender, const char* path, const char* interface,
                             const char* method, GVariant* parameters, GDBusMethodInvocation* invocation, void* self);
    static GVariant* OnGetProperty(GDBusConnection*, const char* sender, const char* path, const char* interface,
                                   const char* property, GError** error, void* self);
    GVariant* Layout() const;
    GVariant* ItemProperties(const Item& item) const;
    void Clicked(int id);

    GDBusConnection* bus_;
    std::vector<Item> items_;
    ClickHandler onClick_;
    unsigned registration_ = 0;
    unsigned revision_ = 1;
};

}  // namespace jv::desktop
