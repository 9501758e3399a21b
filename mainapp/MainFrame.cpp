#include "mainapp/MainFrame.h"

#include <algorithm>

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
    // A rectangle too small to use (or upside down) opens at a size one can work in.
    geometry.left = placement.left;
    geometry.top = placement.top;
    geometry.width = std::max(placement.right - placement.left, 400);
    geometry.height = std::max(placement.bottom - placement.top, 300);
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
    WindowPlacement placement;
    const bool hadPlacement = ReadWindowPlacement(placement);
    if (bounds.maximized) {
        // A maximised window tells nothing of its normal place: keep the one known before.
        placement.showCmd = WindowPlacement::kShowMaximized;
        if (!hadPlacement) {
            placement.left = bounds.left;
            placement.top = bounds.top;
            placement.right = bounds.left + bounds.width;
            placement.bottom = bounds.top + bounds.height;
        }
        placement.flags = 0;
    } else {
        placement.flags = 0;
        placement.showCmd = WindowPlacement::kShowNormal;
        placement.left = bounds.left;
        placement.top = bounds.top;
        placement.right = bounds.left + bounds.width;
        placement.bottom = bounds.top + bounds.height;
    }
    if (bounds.minimized) {
        // A window closed while minimised opens shown; one minimised from maximised, maximised.
        const bool wasMaximized = hadPlacement && placement.IsMaximized();
        placement.showCmd = WindowPlacement::kShow;
        if (wasMaximized) placement.flags |= WindowPlacement::kRestoreToMaximized;
    }
    if (placement.flags & WindowPlacement::kRestoreToMaximized) placement.showCmd = WindowPlacement::kShowMaximized;
    WriteWindowPlacement(placement);
}

std::string CMainFrame::OnAreYouMe() {
    if (m_raise) m_raise();
    return kAreYouMeMessage;
}
