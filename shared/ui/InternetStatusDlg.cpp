#include "shared/ui/InternetStatusDlg.h"

CInternetStatusDlg::CInternetStatusDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonCancel", [this] { EndDialog(-1); });
}

void CInternetStatusDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CInternetStatusDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    jv::ui::ElementPtr status;
    if (GetElement("StatusText", status)) status->setInnerHTML(m_strMessage);
    // 200 pixels right of and below the main window's corner, 250 pixels square.
    SetBounds({200, 200, 250, 250});
}
