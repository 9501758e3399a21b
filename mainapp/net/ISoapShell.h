#pragma once

#include <memory>

#include "mainapp/net/IInternetStatusDlg.h"

// What the SOAP helper needs of the shell while a call blocks the UI thread: the status window
// of the long calls and one step of the message loop. The program installs its implementation
// at start-up; with none installed there is no window and nothing is pumped.
class ISoapShell {
public:
    virtual ~ISoapShell() = default;
    // A new status window, not yet created; null when the shell has none.
    virtual std::unique_ptr<IInternetStatusDlg> NewStatusDlg() = 0;
    // Dispatches at most one waiting message of the UI loop without blocking.
    virtual void PumpMessage() = 0;

    // The shell used by every SOAP call (null: none). The caller keeps ownership.
    static void Install(ISoapShell* shell);
    static ISoapShell* Installed();
};
