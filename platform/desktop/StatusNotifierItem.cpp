#include "platform/desktop/StatusNotifierItem.h"

#include <gio/gio.h>
#include <unistd.h>

namespace jv::desktop {
namespace {

constexpr const char* kInterface = "org.kde.StatusNotifierItem";

constexpr const char* kIntrospection = R"xml(<node>
  <interface name="org.kde.StatusNotifierItem">
    <property name="Category" type="s" access="read"/>
    <property name="Id" type="s" access="read"/>
    <property name="Title" type="s" access="read"/>
    <property name="Status" type="s" access="read"/>
    <property name="WindowId" type="i" access="read"/>
    <property name="IconName" type="s" access="read"/>
    <property name="IconThemePath" type="s" access="read"/>
    <property name="IconPixmap" type="a(iiay)" access="read"/>
    <property name="OverlayIconName" type="s" access="read"/>
    <property name="AttentionIconName" type="s" access="read"/>
    <property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
    <property name="ItemIsMenu" type="b" access="read"/>
    <property name="Menu" type="o" access="read"/>
    <method name="ContextMenu"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
    <method name="Activate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
    <method name="SecondaryActivate"><arg type="i" direction="in"/><arg type="i" direction="in"/></method>
    <method name="Scroll"><arg type="i" direction="in"/><arg type="s" direction="in"/></method>
    <signal name="NewTitle"/>
    <signal name="NewIcon"/>
    <signal name="NewAttentionIcon"/>
    <signal name="NewOverlayIcon"/>
    <signal name="NewToolTip"/>
    <signal name="NewStatus"><arg type="s"/></signal>
  </interface>
</node>)xml";

GDBusInterfaceInfo* InterfaceInfo() {
    static GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    return g_dbus_node_info_lookup_interface(node, kInterface);
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(GDBusConnection* bus, std::string id, std::string title)
    : bus_(bus), id_(std::move(id)), title_(std::move(title)) {
    if (bus_ == nullptr) return;
    g_object_ref(bus_);
    watcherWatch_ = g_bus_watch_name_on_connection(
        bus_, kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
        [](GDBusConnection*, const char*, const char*, gpointer data) {
            auto* self = static_cast<StatusNotifierItem*>(data);
            if (self->onWatcher_) self->onWatcher_();
        },
        nullptr, this, nullptr);
}

StatusNotifierItem::~StatusNotifierItem() {
    Hide();
    if (watcherWatch_ != 0) g_bus_unwatch_name(watcherWatch_);
    if (bus_ != nullptr) g_object_unref(bus_);
}

void StatusNotifierItem::SetIcon(const std::string& iconName, const std::string& themePath,
                                 std::vector<IconPixmap> pixmaps) {
    iconName_ = iconName;
    themePath_ = themePath;
    pixmaps_ = std::move(pixmaps);
    Emit("NewIcon");
}

void StatusNotifierItem::SetToolTip(const std::string& title, const std::string& text) {
    toolTipTitle_ = title;
    toolTipText_ = text;
    Emit("NewToolTip");
}

void StatusNotifierItem::Emit(const char* signal) {
    if (registration_ == 0) return;
    g_dbus_connection_emit_signal(bus_, nullptr, kObjectPath, kInterface, signal, nullptr, nullptr);
}

bool StatusNotifierItem::Show() {
    if (bus_ == nullptr) return false;
    if (registration_ != 0) return true;
    static const GDBusInterfaceVTable vtable = {
        &StatusNotifierItem::OnMethodCall, &StatusNotifierItem::OnGetProperty, nullptr, {}};
    registration_ =
        g_dbus_connection_register_object(bus_, kObjectPath, InterfaceInfo(), &vtable, this, nullptr, nullptr);
    if (registration_ == 0) return false;
    // A new name for every showing: the watcher may still be tracking the name given up last.
    serviceName_ = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-" + std::to_string(++shownCount_);
    nameOwner_ = g_bus_own_name_on_connection(
        bus_, serviceName_.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
        [](GDBusConnection*, const char*, gpointer data) { static_cast<StatusNotifierItem*>(data)->Register(); },
        nullptr, this, nullptr);
    return true;
}

void StatusNotifierItem::Hide() {
    if (nameOwner_ != 0) g_bus_unown_name(nameOwner_);
    nameOwner_ = 0;
    if (registration_ != 0) g_dbus_connection_unregister_object(bus_, registration_);
    registration_ = 0;
    serviceName_.clear();
}

void StatusNotifierItem::Register() {
    if (registration_ == 0 || serviceName_.empty()) return;
    // No reply is awaited: without a watcher the call simply fails, and the watcher's appearance
    // brings the next registration.
    g_dbus_connection_call(bus_, kWatcherName, "/StatusNotifierWatcher", kWatcherName, "RegisterStatusNotifierItem",
                           g_variant_new("(s)", serviceName_.c_str()), nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, -1,
                           nullptr, nullptr, nullptr);
}

void StatusNotifierItem::OnMethodCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                                      GVariant*, GDBusMethodInvocation* invocation, void* data) {
    auto* self = static_cast<StatusNotifierItem*>(data);
    const std::string name = method;
    g_dbus_method_invocation_return_value(invocation, nullptr);
    if (name == "Activate" && self->onActivate_) self->onActivate_();
}

GVariant* StatusNotifierItem::OnGetProperty(GDBusConnection*, const char*, const char*, const char*,
                                            const char* property, GError** error, void* data) {
    auto* self = static_cast<StatusNotifierItem*>(data);
    const std::string name = property;
    if (name == "Category") return g_variant_new_string("ApplicationStatus");
    if (name == "Id") return g_variant_new_string(self->id_.c_str());
    if (name == "Title") return g_variant_new_string(self->title_.c_str());
    if (name == "Status") return g_variant_new_string("Active");
    if (name == "WindowId") return g_variant_new_int32(0);
    if (name == "IconName") return g_variant_new_string(self->iconName_.c_str());
    if (name == "IconThemePath") return g_variant_new_string(self->themePath_.c_str());
    if (name == "IconPixmap") {
        GVariantBuilder pixmaps;
        g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
        for (const IconPixmap& pixmap : self->pixmaps_) {
            GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, pixmap.argb.data(), pixmap.argb.size(), 1);
            g_variant_builder_add(&pixmaps, "(ii@ay)", pixmap.width, pixmap.height, bytes);
        }
        return g_variant_builder_end(&pixmaps);
    }
    if (name == "OverlayIconName" || name == "AttentionIconName") return g_variant_new_string("");
    if (name == "ItemIsMenu") return g_variant_new_boolean(FALSE);
    if (name == "Menu") return g_variant_new_object_path(self->menuPath_.empty() ? "/" : self->menuPath_.c_str());
    if (name == "ToolTip") {
        GVariantBuilder pixmaps;
        g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
        return g_variant_new("(sa(iiay)ss)", self->iconName_.c_str(), &pixmaps, self->toolTipTitle_.c_str(),
                             self->toolTipText_.c_str());
    }
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "Unknown property %s", property);
    return nullptr;
}

}  // namespace jv::desktop
