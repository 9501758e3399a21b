#pragma once

#include "mainapp/net/ISoapShell.h"

namespace jv::ui {
class Loop;
}

// What a web-service call needs of the window while it waits: the status window of the long
// calls, and the loop kept turning so that the window stays alive.
class CSoapShell : public ISoapShell {
public:
    explicit CSoapShell(jv::ui::Loop& loop) : m_loop(loop) {}

    std::unique_ptr<IInternetStatusDlg> NewStatusDlg() override;
    void PumpMessage() override;

private:
    jv::ui::Loop& m_loop;
};
