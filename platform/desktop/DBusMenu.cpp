#include "platform/desktop/DBusMenu.h"

#include <gio/gio.h>

namespace jv::desktop {
namespace {

constexpr const char* kInterface = "com.canonical.dbusmenu";

constexpr const char* kIntrospection = R"xml(<node>
  <interface name="com.canonical.dbusmenu">
    <method name="GetLayout">
      <arg type="i" name="parentId" direction="in"/>
      <arg type="i" name="recursionDepth" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="u" name="revision" direction="out"/>
      <arg type="(ia{sv}av)" name="layout" direction="out"/>
    </method>
    <method name="GetGroupProperties">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="as" name="propertyNames" direction="in"/>
      <arg type="a(ia{sv})" name="properties" direction="out"/>
    </method>
    <method name="GetProperty">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="name" direction="in"/>
      <arg type="v" name="value" direction="out"/>
    </method>
    <method name="Event">
      <arg type="i" name="id" direction="in"/>
      <arg type="s" name="eventId" direction="in"/>
      <arg type="v" name="data" direction="in"/>
      <arg type="u" name="timestamp" direction="in"/>
    </method>
    <method name="EventGroup">
      <arg type="a(isvu)" name="events" direction="in"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <method name="AboutToShow">
      <arg type="i" name="id" direction="in"/>
      <arg type="b" name="needUpdate" direction="out"/>
    </method>
    <method name="AboutToShowGroup">
      <arg type="ai" name="ids" direction="in"/>
      <arg type="ai" name="updatesNeeded" direction="out"/>
      <arg type="ai" name="idErrors" direction="out"/>
    </method>
    <signal name="ItemsPropertiesUpdated">
      <arg type="a(ia{sv})" name="updatedProps"/>
      <arg type="a(ias)" name="removedProps"/>
    </signal>
    <signal name="LayoutUpdated">
      <arg type="u" name="revision"/>
      <arg type="i" name="parent"/>
    </signal>
    <signal name="ItemActivationRequested">
      <arg type="i" name="id"/>
      <arg type="u" name="timestamp"/>
    </signal>
    <property name="Version" type="u" access="read"/>
    <property name="TextDirection" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="IconThemePath" type="as" access="read"/>
  </interface>
</node>)xml";

GDBusInterfaceInfo* InterfaceInfo() {
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    return g_dbus_node_info_lookup_interface(node, kInterface);
}

}  // namespace

DBusMenu::DBusMenu(GDBusConnection* bus) : bus_(bus) {
    if (bus_ != nullptr) g_object_ref(bus_);
}

DBusMenu::~DBusMenu() {
    Unexport();
    if (bus_ != nullptr) g_object_unref(bus_);
}

std::string DBusMenu::MenuLabel(const std::string& label) {
    std::string out;
    for (size_t i = 0; i < label.size(); ++i) {
        const char c = label[i];
        if (c == '&') {
            if (i + 1 < label.size() && label[i + 1] == '&') {
                out += '&';
                ++i;
            } else {
                out += '_';
            }
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

void DBusMenu::SetItems(std::vector<Item> items) {
    items_ = std::move(items);
    ++revision_;
    if (registration_ != 0)
        g_dbus_connection_emit_signal(bus_, nullptr, kObjectPath, kInterface, "LayoutUpdated",
                                      g_variant_new("(ui)", revision_, 0), nullptr);
}

bool DBusMenu::Export() {
    if (bus_ == nullptr) return false;
    if (registration_ != 0) return true;
    static const GDBusInterfaceVTable vtable = {&DBusMenu::OnMethodCall, &DBusMenu::OnGetProperty, nullptr, {}};
    registration_ =
        g_dbus_connection_register_object(bus_, kObjectPath, InterfaceInfo(), &vtable, this, nullptr, nullptr);
    return registration_ != 0;
}

void DBusMenu::Unexport() {
    if (registration_ != 0) g_dbus_connection_unregister_object(bus_, registration_);
    registration_ = 0;
}

GVariant* DBusMenu::ItemProperties(const Item& item) const {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&properties, "{sv}", "label", g_variant_new_string(MenuLabel(item.label).c_str()));
    g_variant_builder_add(&properties, "{sv}", "enabled", g_variant_new_boolean(item.enabled));
    g_variant_builder_add(&properties, "{sv}", "visible", g_variant_new_boolean(TRUE));
    if (item.isDefault) g_variant_builder_add(&properties, "{sv}", "x-kde-default", g_variant_new_boolean(TRUE));
    return g_variant_builder_end(&properties);
}

GVariant* DBusMenu::Layout() const {
    GVariantBuilder children;
    g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
    for (const Item& item : items_) {
        GVariantBuilder none;
        g_variant_builder_init(&none, G_VARIANT_TYPE("av"));
        g_variant_builder_add(&children, "v", g_variant_new("(i@a{sv}av)", item.command, ItemProperties(item), &none));
    }
    GVariantBuilder root;
    g_variant_builder_init(&root, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&root, "{sv}", "children-display", g_variant_new_string("submenu"));
    return g_variant_new("(u(ia{sv}av))", revision_, 0, &root, &children);
}

void DBusMenu::Clicked(int id) {
    for (const Item& item : items_) {
        if (item.command == id && item.enabled) {
            if (onClick_) onClick_(id);
            return;
        }
    }
}

void DBusMenu::OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                            GVariant* parameters, GDBusMethodInvocation* invocation, void* data) {
    auto* self = static_cast<DBusMenu*>(data);
    const std::string name = method;
    if (name == "GetLayout") {
        g_dbus_method_invocation_return_value(invocation, self->Layout());
    } else if (name == "GetGroupProperties") {
        GVariantIter* ids = nullptr;
        g_variant_get(parameters, "(aias)", &ids, nullptr);
        GVariantBuilder result;
        g_variant_builder_init(&result, G_VARIANT_TYPE("a(ia{sv})"));
        gint32 id = 0;
        while (g_variant_iter_next(ids, "i", &id)) {
            for (const Item& item : self->items_)
                if (item.command == id) g_variant_builder_add(&result, "(i@a{sv})", id, self->ItemProperties(item));
        }
        g_variant_iter_free(ids);
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(a(ia{sv}))", &result));
    } else if (name == "GetProperty") {
        gint32 id = 0;
        const char* property = nullptr;
        g_variant_get(parameters, "(i&s)", &id, &property);
        for (const Item& item : self->items_) {
            if (item.command != id) continue;
            GVariant* all = self->ItemProperties(item);
            GVariant* value = g_variant_lookup_value(all, property, nullptr);
            g_variant_unref(g_variant_ref_sink(all));
            if (value != nullptr) {
                g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
                g_variant_unref(value);
                return;
            }
        }
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.InvalidArgs",
                                                   "No such item or property");
    } else if (name == "Event") {
        gint32 id = 0;
        const char* eventId = nullptr;
        g_variant_get(parameters, "(i&svu)", &id, &eventId, nullptr, nullptr);
        const std::string event = eventId;
        g_dbus_method_invocation_return_value(invocation, nullptr);
        if (event == "clicked") self->Clicked(id);
    } else if (name == "EventGroup") {
        GVariantIter* events = nullptr;
        g_variant_get(parameters, "(a(isvu))", &events);
        std::vector<int> clicked;
        gint32 id = 0;
        const char* eventId = nullptr;
        GVariant* value = nullptr;
        guint32 timestamp = 0;
        while (g_variant_iter_next(events, "(i&svu)", &id, &eventId, &value, &timestamp)) {
            if (std::string(eventId) == "clicked") clicked.push_back(id);
            g_variant_unref(value);
        }
        g_variant_iter_free(events);
        GVariantBuilder errors;
        g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(ai)", &errors));
        for (int command : clicked) self->Clicked(command);
    } else if (name == "AboutToShow") {
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(b)", FALSE));
    } else if (name == "AboutToShowGroup") {
        GVariantBuilder updates;
        g_variant_builder_init(&updates, G_VARIANT_TYPE("ai"));
        GVariantBuilder errors;
        g_variant_builder_init(&errors, G_VARIANT_TYPE("ai"));
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(aiai)", &updates, &errors));
    } else {
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod",
                                                   "Unknown method");
    }
}

GVariant* DBusMenu::OnGetProperty(GDBusConnection*, const char*, const char*, const char*, const char* property,
                                  GError** error, void*) {
    const std::string name = property;
    if (name == "Version") return g_variant_new_uint32(3);
    if (name == "TextDirection") return g_variant_new_string("ltr");
    if (name == "Status") return g_variant_new_string("normal");
    if (name == "IconThemePath") return g_variant_new_strv(nullptr, 0);
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "Unknown property %s", property);
    return nullptr;
}

}  // namespace jv::desktop
