#include "mainapp/dialogs/InternetConnectionDlg.h"

CInternetConnectionDlg::CInternetConnectionDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonYes", [this] { EndDialog(kConnect | kRemember); });
    BindClick("ButtonThisTime", [this] { EndDialog(kConnect); });
    BindClick("ButtonNo", [this] { EndDialog(16); });
}

void CInternetConnectionDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CInternetConnectionDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    jv::ui::ElementPtr text;
    if (GetElement("ConnectionText", text)) text->setInnerHTML(m_strMessage);
    SetBounds({std::nullopt, std::nullopt, 560, 230});
}
