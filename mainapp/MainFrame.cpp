#include "mainapp/MainFrame.h"

#include "platform/base/Profile.h"
#include "platform/ui/BrowserHost.h"
#include "shared/core/TraceLog.h"

namespace {

constexpr const char* kNotConnectedTip = "Jorvane is not connected to the Internet";
constexpr const char* kConnectedTip = "Jorvane is connected to the Internet";

}  // namespace

CMainFrame::CMainFrame(jv::ui::BrowserHost& host, jv::Profile& profile) : m_host(host), m_profile(profile) {}

bool CMainFrame::OnCreate() {
    m_bShownConnected = false;
    m_host.SetStatusPane(0, "", "", "");
    m_host.SetStatusPane(1, "", "", "");
    m_host.SetStatusPane(kConnectionPane, "Not Connected", kNotConnectedTip, "disconnected");
    SetDocumentTitle("");
    return true;
}

void CMainFrame::OnUpdateConnectionPane(bool connected) {
    if (connected == m_bShownConnected) return;
    m_bShownConnected = connected;
    if (connected)
        m_host.SetStatusPane(kConnectionPane, "Connected", kConnectedTip, "connected");
    else
        m_host.SetStatusPane(kConnectionPane, "Not Connected", kNotConnectedTip, "disconnected");
}

void CMainFrame::SetDocumentTitle(const std::string& title) {
    m_host.SetTitle(title.empty() ? std::string("Jorvane") : title + " - Jorvane");
}

bool CMainFrame::ReadWindowPlacement(WindowPlacement& placement) const {
    return WindowPlacement::Parse(m_profile.GetProfileString("Settings", "WindowPos"), placement);
}

void CMainFrame::WriteWindowPlacement(const WindowPlacement& placement) {
    m_profile.WriteProfileString("Settings", "WindowPos", placement.Format());
}

jv::ui::host::BrowserWindow::Geometry CMainFrame::GeometryOf(const WindowPlacement& placement) {
    jv::ui::host::BrowserWindow::Geometry geometry;
    geometry.maximized = placement.showCmd == WindowPlacement::kShowMaximized;
    // A rectangle too small to use (or upside down) opens at a size one can work in; one of
    // numbers no screen has, at the farthest place and largest size a window may have.
    geometry.left = WindowPlacement::Clamped(placement.left);
    geometry.top = WindowPlacement::Clamped(placement.top);
    geometry.width = WindowPlacement::Clamped(static_cast<long long>(placement.right) - placement.left, 400,
                                              WindowPlacement::kFarthest);
    geometry.height = WindowPlacement::Clamped(static_cast<long long>(placement.bottom) - placement.top, 300,
                                               WindowPlacement::kFarthest);
    return geometry;
}

jv::ui::host::BrowserWindow::Geometry CMainFrame::ActivateFrame(int showCommand) {
    // The placement is applied last: nothing after it may undo a maximised window.
    if (showCommand == -1) showCommand = static_cast<int>(WindowPlacement::kShowNormal);
    WindowPlacement placement;
    if (!ReadWindowPlacement(placement)) {
        jv::ui::host::BrowserWindow::Geometry geometry;
        geometry.maximized = true;
        return geometry;
    }
    TraceLog("CMainFrame::ActivateFrame", TRACE_WARNING, "wp.showCmd = " + std::to_string(placement.showCmd));
    if (showCommand != static_cast<int>(WindowPlacement::kShowNormal) &&
        showCommand != static_cast<int>(WindowPlacement::kShow))
        placement.showCmd = static_cast<unsigned>(showCommand);
    TraceLog("CMainFrame::ActivateFrame", TRACE_WARNING, "wp.showCmd = " + std::to_string(placement.showCmd));
    return GeometryOf(placement);
}

void CMainFrame::OnClose(const ShownBounds& bounds) {
    if (!bounds.known) return;
    WindowPlacement stored;
    const bool hadPlacement = ReadWindowPlacement(stored);
    WindowPlacement placement = hadPlacement ? stored : WindowPlacement{};
    const auto takeRectangle = [&placement, &bounds] {
        placement.left = WindowPlacement::Clamped(bounds.left);
        placement.top = WindowPlacement::Clamped(bounds.top);
        placement.right = placement.left + WindowPlacement::Clamped(bounds.width, 0, WindowPlacement::kFarthest);
        placement.bottom = placement.top + WindowPlacement::Clamped(bounds.height, 0, WindowPlacement::kFarthest);
    };
    if (bounds.minimized) {
        // A window closed while minimised opens shown; one minimised from maximised, maximised.
        // Where a minimised window stands says nothing: the normal place known before stays.
        placement.showCmd = WindowPlacement::kShow;
        if (hadPlacement && (stored.IsMaximized() || (stored.flags & WindowPlacement::kRestoreToMaximized)))
            placement.flags |= WindowPlacement::kRestoreToMaximized;
        if (!hadPlacement) takeRectangle();
    } else if (bounds.maximized) {
        // Nor does a maximised window tell its normal place.
        placement.showCmd = WindowPlacement::kShowMaximized;
        placement.flags = 0;
        if (!hadPlacement) takeRectangle();
    } else {
        placement.showCmd = WindowPlacement::kShowNormal;
        placement.flags = 0;
        takeRectangle();
    }
    if (placement.flags & WindowPlacement::kRestoreToMaximized) placement.showCmd = WindowPlacement::kShowMaximized;
    WriteWindowPlacement(placement);
}

std::string CMainFrame::OnAreYouMe() {
    if (m_raise) m_raise();
    return kAreYouMeMessage;
}
