#include "mainapp/dialogs/UpdateAvailableDlg.h"

CUpdateAvailableDlg::CUpdateAvailableDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonYes", [this] { OnEnd0(); });
    BindClick("ButtonLater", [this] { OnEnd1(); });
}

void CUpdateAvailableDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
    SetBounds({std::nullopt, std::nullopt, 360, 220});
}
