#pragma once

#include <functional>
#include <string>

#include "mainapp/WindowPlacement.h"
#include "platform/ui/BrowserHost.h"
#include "platform/ui/host/BrowserWindow.h"

namespace jv {
class Profile;
}
namespace jv::ui {
class BrowserHost;
struct WindowBounds;
}  // namespace jv::ui

// The main window: its caption, its status bar with the connection pane, its place on the screen
// kept between runs ("WindowPos", maximised by default) and its answer to a second start.
class CMainFrame {
public:
    // The text a second start sends, and the first answers with.
    static constexpr const char* kAreYouMeMessage = "UWM_ARE_YOU_ME_MSG-B9AC3C0C-8DDE-4f8f-A3A3-BD4A83B46E34";
    // The status bar's connection pane.
    static constexpr int kConnectionPane = 2;

    // Where the window was when it closed, as the browser last reported it.
    using ShownBounds = jv::ui::WindowBounds;

    CMainFrame(jv::ui::BrowserHost& host, jv::Profile& profile);

    // The status bar: the connection pane in its not-connected look.
    bool OnCreate();
    // Follows the web-service connection; the pane changes only when the state does.
    void OnUpdateConnectionPane(bool connected);
    // The caption: the document's title before the program's name.
    void SetDocumentTitle(const std::string& title);

    // Where and how the window opens: the stored placement, applied last, else maximised.
    // `showCommand` is how the program was asked to show (-1 or 1 normal, 5 show; any other
    // command, such as minimised, replaces the stored one).
    jv::ui::host::BrowserWindow::Geometry ActivateFrame(int showCommand = -1);

    // The window is closing: its placement is kept for the next run.
    void OnClose(const ShownBounds& bounds);

    // A second start asks; the window comes to the front. Gives the answer the second start
    // waits for.
    std::string OnAreYouMe();
    void SetRaiseHandler(std::function<void()> raise) { m_raise = std::move(raise); }

    bool ReadWindowPlacement(WindowPlacement& placement) const;
    void WriteWindowPlacement(const WindowPlacement& placement);

    // The geometry a placement opens the window with.
    static jv::ui::host::BrowserWindow::Geometry GeometryOf(const WindowPlacement& placement);

private:
    jv::ui::BrowserHost& m_host;
    jv::Profile& m_profile;
    bool m_bShownConnected = false;
    std::function<void()> m_raise;
};
