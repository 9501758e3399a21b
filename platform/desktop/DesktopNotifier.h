#pragma once

#include <cstdint>
#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;

namespace jv::desktop {

// Shows the desktop's notification bubbles (org.freedesktop.Notifications). A new bubble takes
// the place of the one this object showed before, so a program never piles up copies of the same
// news. Calls do not wait for the notification server.
class DesktopNotifier {
public:
    // bus may be null: nothing is shown then.
    DesktopNotifier(GDBusConnection* bus, std::string applicationName);
    ~DesktopNotifier();
    DesktopNotifier(const DesktopNotifier&) = delete;
    DesktopNotifier& operator=(const DesktopNotifier&) = delete;

    // Shows a bubble with a title, a text and an icon name, for timeoutMs (-1: the server's default).
    // False when there is no bus to send it on.
    bool Notify(const std::string& title, const std::string& text, int timeoutMs, const std::string& iconName);

private:
    GDBusConnection* bus_;
    std::string application_;
    // The id of the last bubble, shared with calls still on their way, so that a reply that comes
    // after this object has gone is dropped.
    std::shared_ptr<uint32_t> lastId_ = std::make_shared<uint32_t>(0);
};

}  // namespace jv::desktop
