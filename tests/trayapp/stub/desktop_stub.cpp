// Stand-ins for the desktop's D-Bus services in the companion's end-to-end tests, and a client that
// plays the user on the notification area. Run on the test's own session bus (dbus-run-session).
//
//   desktop_stub watcher              a StatusNotifierWatcher; prints "REGISTERED <service> <tip as
//                                     JSON, with "pixmaps": what the item's IconPixmap holds>" when
//                                     an item registers and "UNREGISTERED <service>" when its name
//                                     goes away
//   desktop_stub notifications        a notification server; prints "NOTIFY <JSON of the bubble>"
//   desktop_stub menu <service> <label>   clicks the item's menu entry with that label
//   desktop_stub activate <service>       activates the item (a click on the icon)
//
// The services print "READY" once they own their name.
#include <gio/gio.h>
#include <glib-unix.h>

#include <csignal>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

namespace {

GMainLoop* g_loop = nullptr;

void Print(const std::string& line) {
    std::cout << line << std::endl;
}

// --- the watcher ------------------------------------------------------------------------------

constexpr const char* kWatcherXml = R"xml(<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>)xml";

std::map<std::string, unsigned> g_items;  // service -> name watch

void OnItemVanished(GDBusConnection* bus, const char* name, gpointer) {
    const auto found = g_items.find(name);
    if (found == g_items.end()) return;
    g_bus_unwatch_name(found->second);
    g_items.erase(found);
    g_dbus_connection_emit_signal(bus, nullptr, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                                  "StatusNotifierItemUnregistered", g_variant_new("(s)", name), nullptr);
    Print(std::string("UNREGISTERED ") + name);
}

void WatcherCall(GDBusConnection* bus, const char* sender, const char*, const char*, const char* method,
                 GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    if (std::strcmp(method, "RegisterStatusNotifierItem") != 0) {
        g_dbus_method_invocation_return_value(invocation, nullptr);
        return;
    }
    const char* argument = nullptr;
    g_variant_get(parameters, "(&s)", &argument);
    std::string service = argument[0] == '/' ? sender : argument;
    g_dbus_method_invocation_return_value(invocation, nullptr);
    GError* error = nullptr;
    GVariant* tip =
        g_dbus_connection_call_sync(bus, service.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                    "Get", g_variant_new("(ss)", "org.kde.StatusNotifierItem", "ToolTip"),
                                    G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    nlohmann::json tipJson = nlohmann::json::object();
    if (tip != nullptr) {
        GVariant* value = nullptr;
        g_variant_get(tip, "(v)", &value);
        const char* icon = nullptr;
        const char* title = nullptr;
        const char* text = nullptr;
        g_variant_get(value, "(&sa(iiay)&s&s)", &icon, nullptr, &title, &text);
        tipJson = {{"icon", icon}, {"title", title}, {"text", text}};
        g_variant_unref(value);
        g_variant_unref(tip);
    } else {
        tipJson = {{"error", error ? error->message : "?"}};
        if (error) g_error_free(error);
    }
    // The icon's pictures: each one's size, its byte count, the alpha of its top left corner and
    // the pixel a fifth in from the left, half way down, as A, R, G, B.
    GVariant* pixmaps =
        g_dbus_connection_call_sync(bus, service.c_str(), "/StatusNotifierItem", "org.freedesktop.DBus.Properties",
                                    "Get", g_variant_new("(ss)", "org.kde.StatusNotifierItem", "IconPixmap"),
                                    G_VARIANT_TYPE("(v)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    nlohmann::json pictures = nlohmann::json::array();
    if (pixmaps != nullptr) {
        GVariant* value = nullptr;
        g_variant_get(pixmaps, "(v)", &value);
        GVariantIter iter;
        g_variant_iter_init(&iter, value);
        gint32 width = 0;
        gint32 height = 0;
        GVariant* bytes = nullptr;
        while (g_variant_iter_next(&iter, "(ii@ay)", &width, &height, &bytes)) {
            gsize size = 0;
            const auto* data = static_cast<const guint8*>(g_variant_get_fixed_array(bytes, &size, 1));
            const gsize left = (static_cast<gsize>(height / 2) * static_cast<gsize>(width) + width / 5) * 4;
            nlohmann::json pixel = nlohmann::json::array();
            for (gsize i = 0; i < 4 && left + i < size; ++i) pixel.push_back(data[left + i]);
            pictures.push_back({{"width", width},
                                {"height", height},
                                {"bytes", size},
                                {"corner", size > 0 ? data[0] : -1},
                                {"left", pixel}});
            g_variant_unref(bytes);
        }
        g_variant_unref(value);
        g_variant_unref(pixmaps);
    }
    tipJson["pixmaps"] = pictures;
    if (g_items.count(service) == 0)
        g_items[service] = g_bus_watch_name_on_connection(bus, service.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
                                                          OnItemVanished, nullptr, nullptr);
    g_dbus_connection_emit_signal(bus, nullptr, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher",
                                  "StatusNotifierItemRegistered", g_variant_new("(s)", service.c_str()), nullptr);
    Print("REGISTERED " + service + " " + tipJson.dump());
}

GVariant* WatcherProperty(GDBusConnection*, const char*, const char*, const char*, const char* property, GError**,
                          gpointer) {
    if (std::strcmp(property, "IsStatusNotifierHostRegistered") == 0) return g_variant_new_boolean(TRUE);
    if (std::strcmp(property, "ProtocolVersion") == 0) return g_variant_new_int32(0);
    GVariantBuilder items;
    g_variant_builder_init(&items, G_VARIANT_TYPE("as"));
    for (const auto& [service, watch] : g_items) g_variant_builder_add(&items, "s", service.c_str());
    return g_variant_builder_end(&items);
}

// --- the notification server --------------------------------------------------------------------

constexpr const char* kNotificationsXml = R"xml(<node>
  <interface name="org.freedesktop.Notifications">
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/><arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/>
    </method>
  </interface>
</node>)xml";

void NotificationsCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                       GVariant* parameters, GDBusMethodInvocation* invocation, gpointer) {
    static guint32 nextId = 1;
    const std::string name = method;
    if (name == "Notify") {
        const char *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
        guint32 replaces = 0;
        gint32 timeout = 0;
        g_variant_get(parameters, "(&su&s&s&sasa{sv}i)", &app, &replaces, &icon, &summary, &body, nullptr, nullptr,
                      &timeout);
        const guint32 id = replaces != 0 ? replaces : nextId++;
        Print("NOTIFY " + nlohmann::json{{"app", app},
                                         {"replaces", replaces},
                                         {"icon", icon},
                                         {"summary", summary},
                                         {"body", body},
                                         {"timeout", timeout}}
                              .dump());
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", id));
    } else if (name == "GetCapabilities") {
        const char* caps[] = {"body", nullptr};
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(^as)", caps));
    } else if (name == "GetServerInformation") {
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(ssss)", "stub", "jorvane", "1", "1.2"));
    } else {
        g_dbus_method_invocation_return_value(invocation, nullptr);
    }
}

int Serve(const char* xml, const char* busName, const char* path, GDBusInterfaceMethodCallFunc call,
          GDBusInterfaceGetPropertyFunc property) {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) return 2;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, nullptr);
    const GDBusInterfaceVTable vtable = {call, property, nullptr, {}};
    g_dbus_connection_register_object(bus, path, node->interfaces[0], &vtable, nullptr, nullptr, nullptr);
    // The registration keeps the interface it serves.
    g_dbus_node_info_unref(node);
    g_bus_own_name_on_connection(
        bus, busName, G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
        [](GDBusConnection*, const char*, gpointer) { Print("READY"); },
        [](GDBusConnection*, const char*, gpointer) {
            Print("NAME-LOST");
            g_main_loop_quit(g_loop);
        },
        nullptr, nullptr);
    g_loop = g_main_loop_new(nullptr, FALSE);
    g_unix_signal_add(
        SIGTERM,
        [](gpointer) -> gboolean {
            g_main_loop_quit(g_loop);
            return G_SOURCE_REMOVE;
        },
        nullptr);
    g_main_loop_run(g_loop);
    return 0;
}

// --- the user ----------------------------------------------------------------------------------

std::string Unmnemonic(const std::string& label) {
    std::string out;
    for (size_t i = 0; i < label.size(); ++i) {
        if (label[i] == '_') {
            if (i + 1 < label.size() && label[i + 1] == '_') out += '_', ++i;
            continue;
        }
        out += label[i];
    }
    return out;
}

int ClickMenu(const std::string& service, const std::string& label) {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) return 2;
    GError* error = nullptr;
    const char* none[] = {nullptr};
    GVariant* layout = g_dbus_connection_call_sync(bus, service.c_str(), "/MenuBar", "com.canonical.dbusmenu",
                                                   "GetLayout", g_variant_new("(ii^as)", 0, -1, none), nullptr,
                                                   G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (layout == nullptr) {
        std::cerr << "GetLayout: " << (error ? error->message : "?") << std::endl;
        return 1;
    }
    GVariant* root = g_variant_get_child_value(layout, 1);
    GVariant* children = g_variant_get_child_value(root, 2);
    int found = -1;
    for (gsize i = 0; i < g_variant_n_children(children); ++i) {
        GVariant* boxed = g_variant_get_child_value(children, i);
        GVariant* item = g_variant_get_variant(boxed);
        gint32 id = 0;
        GVariant* properties = nullptr;
        g_variant_get(item, "(i@a{sv}av)", &id, &properties, nullptr);
        const char* text = nullptr;
        if (g_variant_lookup(properties, "label", "&s", &text) && Unmnemonic(text) == label) found = id;
        g_variant_unref(properties);
        g_variant_unref(item);
        g_variant_unref(boxed);
    }
    g_variant_unref(children);
    g_variant_unref(root);
    g_variant_unref(layout);
    if (found < 0) {
        std::cerr << "no menu item " << label << std::endl;
        return 1;
    }
    GVariant* reply =
        g_dbus_connection_call_sync(bus, service.c_str(), "/MenuBar", "com.canonical.dbusmenu", "Event",
                                    g_variant_new("(isvu)", found, "clicked", g_variant_new_string(""), 0u), nullptr,
                                    G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (reply == nullptr) {
        std::cerr << "Event: " << (error ? error->message : "?") << std::endl;
        return 1;
    }
    g_variant_unref(reply);
    Print("CLICKED " + std::to_string(found));
    return 0;
}

int Activate(const std::string& service) {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) return 2;
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, service.c_str(), "/StatusNotifierItem",
                                                  "org.kde.StatusNotifierItem", "Activate", g_variant_new("(ii)", 0, 0),
                                                  nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
    if (reply == nullptr) {
        std::cerr << "Activate: " << (error ? error->message : "?") << std::endl;
        return 1;
    }
    g_variant_unref(reply);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "watcher")
        return Serve(kWatcherXml, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", WatcherCall,
                     WatcherProperty);
    if (mode == "notifications")
        return Serve(kNotificationsXml, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                     NotificationsCall, nullptr);
    if (mode == "menu" && argc == 4) return ClickMenu(argv[2], argv[3]);
    if (mode == "activate" && argc == 3) return Activate(argv[2]);
    std::cerr << "usage: desktop_stub watcher|notifications|menu <service> <label>|activate <service>" << std::endl;
    return 2;
}
