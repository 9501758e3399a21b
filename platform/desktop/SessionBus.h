#pragma once

#include <string>

typedef struct _GDBusConnection GDBusConnection;

namespace jv::desktop {

// The user session's D-Bus connection, which the notification-area icon, its menu and the
// desktop notifications speak over. Without a session bus (a text console, a test without one)
// connection() is null and those helpers do nothing.
class SessionBus {
public:
    SessionBus() = default;
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // Connects to the session bus; false, with the reason in *error, when there is none.
    bool Connect(std::string* error = nullptr);
    GDBusConnection* connection() const { return connection_; }

private:
    GDBusConnection* connection_ = nullptr;
};

}  // namespace jv::desktop
