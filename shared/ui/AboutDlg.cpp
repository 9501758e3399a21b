#include "shared/ui/AboutDlg.h"

#include "shared/core/FileVersion.h"

CAboutDlg::CAboutDlg(unsigned pageId, jv::ui::Dialog* parent) : CJVDialog(kTemplateID, pageId, parent) {
    BindClick("ButtonOK", [this] { OnEnd0(); });
}

void CAboutDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(static_cast<unsigned>(resourceId()));
}

void CAboutDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    jv::ui::ElementPtr version;
    if (!GetElement("Version", version)) return;
    std::string text;
    version->setInnerText(GetJVFullVersion(text));
}
