#include "platform/desktop/DesktopNotifier.h"

#include <gio/gio.h>

namespace jv::desktop {

DesktopNotifier::DesktopNotifier(GDBusConnection* bus, std::string applicationName)
    : bus_(bus), application_(std::move(applicationName)) {
    if (bus_ != nullptr) g_object_ref(bus_);
}

DesktopNotifier::~DesktopNotifier() {
    if (bus_ != nullptr) g_object_unref(bus_);
}

bool DesktopNotifier::Notify(const std::string& title, const std::string& text, int timeoutMs,
                             const std::string& iconName) {
    if (bus_ == nullptr) return false;
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&hints, "{sv}", "urgency", g_variant_new_byte(1));
    GVariant* parameters = g_variant_new("(susssasa{sv}i)", application_.c_str(), *lastId_, iconName.c_str(),
                                         title.c_str(), text.c_str(), &actions, &hints, timeoutMs);
    auto* waiting = new std::weak_ptr<uint32_t>(lastId_);
    g_dbus_connection_call(
        bus_, "org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications",
        "Notify", parameters, G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* pending = static_cast<std::weak_ptr<uint32_t>*>(data);
            GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr);
            if (reply != nullptr) {
                if (auto lastId = pending->lock()) g_variant_get(reply, "(u)", lastId.get());
                g_variant_unref(reply);
            }
            delete pending;
        },
        waiting);
    return true;
}

}  // namespace jv::desktop
