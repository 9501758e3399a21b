#pragma once

// The messages of the companion's frame and the command ids of its menus. The numbers are the
// ones the companion's menus and its icon have always used, so a hook, a menu item and the frame
// agree on them.
namespace tray {

// Frame messages (jv::desktop::Event::message).
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_COMMAND = 0x0111;  // wParam: the command id
constexpr unsigned WM_TIMER = 0x0113;
constexpr unsigned WM_USER = 0x0400;  // the icon's callback: wParam the icon id, lParam the mouse message
// The desktop's notification area has (re)started: a shown icon must be added again.
constexpr unsigned WM_TASKBARCREATED = 0xC000;

// Mouse messages carried by the icon's callback.
constexpr long WM_LBUTTONDBLCLK = 0x0203;
constexpr long WM_RBUTTONUP = 0x0205;

// Command ids.
constexpr int ID_VIEW_REMINDERS = 134;
constexpr int ID_OPEN_JORVANE = 135;
constexpr int ID_APP_EXIT = 136;
constexpr int ID_HIDE = 141;
constexpr int ID_APP_ABOUT = 57664;

// The tray icon's id, which is also the id of its context menu.
constexpr unsigned IDR_TRAYICON = 4;
// The "service due" icon.
constexpr unsigned IDI_SERVICE_DUE = 131;

// The companion's pages.
constexpr int IDR_REMINDERS_PAGE = 138;
constexpr unsigned IDR_ABOUT_PAGE = 145;

}  // namespace tray
