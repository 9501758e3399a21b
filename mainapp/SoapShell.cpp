#include "mainapp/SoapShell.h"

#include "platform/ui/Loop.h"
#include "shared/ui/InternetStatusDlg.h"

namespace {

// The status window as the SOAP helper drives it.
class StatusWindow : public IInternetStatusDlg {
public:
    void SetMessage(const std::string& text) override { m_dialog.SetMessage(text); }
    bool Create() override { return m_dialog.Create(); }
    void ShowWindow() override { m_dialog.ShowWindow(); }
    void DestroyWindow() override { m_dialog.DestroyWindow(); }

private:
    CInternetStatusDlg m_dialog;
};

}  // namespace

std::unique_ptr<IInternetStatusDlg> CSoapShell::NewStatusDlg() {
    return std::make_unique<StatusWindow>();
}

void CSoapShell::PumpMessage() {
    m_loop.RunPending();
}
