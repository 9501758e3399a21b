#include "platform/desktop/SessionBus.h"

#include <gio/gio.h>

namespace jv::desktop {

SessionBus::~SessionBus() {
    if (connection_ != nullptr) {
        g_dbus_connection_flush_sync(connection_, nullptr, nullptr);
        g_object_unref(connection_);
    }
}

bool SessionBus::Connect(std::string* error) {
    if (connection_ != nullptr) return true;
    // Without an address GLib would try to start a bus of its own through X11: there is none to
    // find then, and a companion without a bus still runs.
    if (g_getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr && g_getenv("XDG_RUNTIME_DIR") == nullptr) {
        if (error) *error = "no session bus address";
        return false;
    }
    GError* gerror = nullptr;
    connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &gerror);
    if (connection_ == nullptr) {
        if (error) *error = gerror != nullptr ? gerror->message : "no session bus";
        if (gerror != nullptr) g_error_free(gerror);
        return false;
    }
    // The program decides when it ends, not the bus.
    g_dbus_connection_set_exit_on_close(connection_, FALSE);
    return true;
}

}  // namespace jv::desktop
