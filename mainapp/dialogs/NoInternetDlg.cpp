#include "mainapp/dialogs/NoInternetDlg.h"

CNoInternetDlg::CNoInternetDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonRetry", [this] { OnEnd1(); });
    BindClick("ButtonOK", [this] { OnEnd0(); });
}

void CNoInternetDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CNoInternetDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    // Always the same place on the screen, whatever the main window's.
    SetBounds({300, 200, 300, 300});
}
