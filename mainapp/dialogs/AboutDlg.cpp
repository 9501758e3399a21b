#include "mainapp/dialogs/AboutDlg.h"

#include "shared/core/FileVersion.h"

CAboutDlg::CAboutDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonOK", [this] { OnEnd0(); });
}

void CAboutDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CAboutDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    jv::ui::ElementPtr version;
    if (!GetElement("Version", version)) return;
    std::string text;
    version->setInnerText(GetJVFullVersion(text));
}
