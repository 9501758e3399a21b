#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/desktop/DBusMenu.h"
#include "platform/desktop/DesktopNotifier.h"
#include "platform/desktop/EventHook.h"
#include "platform/desktop/StatusNotifierItem.h"

namespace jv::ui {
class Loop;
}

// The companion's icon in the notification area, with its tip, its context menu and its balloon
// (a desktop notification). It learns what the user does with the icon through a hook in the
// notification window's message stream: activating the icon arrives there as the icon's callback
// message and is turned into the command of the menu's first item; a restarted notification area
// arrives as WM_TASKBARCREATED and puts a shown icon back.
class CTrayIcon {
public:
    // id: the icon's id, also the id of its context menu. bus may be null (no icon can be shown).
    CTrayIcon(unsigned id, GDBusConnection* bus, jv::ui::Loop& loop);
    // Removes a shown icon.
    virtual ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // The window that receives the icon's callback message and the menu's commands (null: none).
    void SetNotificationWnd(jv::desktop::EventTarget* window, unsigned callbackMessage);
    // Shows the icon (an icon name), changes it, or with an empty name removes it; a tip given
    // here replaces the one set before. True when the icon is in the state asked for.
    bool SetIcon(const std::string& iconName, const char* tip = nullptr);
    // By icon resource id; 0 removes the icon.
    bool SetIcon(unsigned iconId);
    bool SetTip(const std::string& tip);
    // The balloon: a desktop notification with the text, the title and the time-out.
    bool ShowBalloon(const std::string& text, const std::string& title, int timeoutMs, unsigned infoFlags);

    bool shown() const { return item_.shown(); }
    const std::string& tip() const { return tip_; }

protected:
    virtual intptr_t OnTrayNotification(uint64_t id, int64_t mouseMessage);
    virtual intptr_t OnTaskbarCreated(uint64_t wParam, int64_t lParam);

private:
    class CTrayHook : public jv::desktop::EventHook {
    public:
        explicit CTrayHook(CTrayIcon& owner) : owner_(owner) {}

    protected:
        intptr_t OnEvent(const jv::desktop::Event& event) override;

    private:
        CTrayIcon& owner_;
    };

    // Hands a message to the notification window from the loop, never from inside a bus callback.
    void PostToWindow(const jv::desktop::Event& event);

    unsigned id_;
    jv::ui::Loop& loop_;
    jv::desktop::EventTarget* window_ = nullptr;
    unsigned callbackMessage_ = 0;
    std::string iconName_;
    std::vector<jv::desktop::IconPixmap> pixmaps_;  // of iconName_
    std::string tip_;
    jv::desktop::StatusNotifierItem item_;
    jv::desktop::DBusMenu menu_;
    jv::desktop::DesktopNotifier notifier_;
    CTrayHook hook_{*this};
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
