#pragma once

#include <string>

// The modeless status window that the long web-service calls (fetching a maintenance plan,
// downloading an update) show while they wait for the server. The shell provides it.
class IInternetStatusDlg {
public:
    virtual ~IInternetStatusDlg() = default;
    // The message shown in the window (HTML).
    virtual void SetMessage(const std::string& text) = 0;
    // Creates the window without showing it; true when it was created.
    virtual bool Create() = 0;
    virtual void ShowWindow() = 0;
    // Closes the window; harmless when it was never created.
    virtual void DestroyWindow() = 0;
};
