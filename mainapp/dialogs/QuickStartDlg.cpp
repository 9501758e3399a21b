#include "mainapp/dialogs/QuickStartDlg.h"

CQuickStartDlg::CQuickStartDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonBack", [this] { OnEnd0(); });
    BindClick("ButtonNext", [this] { OnEnd1(); });
    BindClick("ButtonExit", [this] { OnEnd2(); });
}

void CQuickStartDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CQuickStartDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    jv::ui::ElementPtr element;
    if (!GetElement("message", element)) {
        EndDialog(0);
        return;
    }
    element->setInnerHTML(m_strMessage);
    if (GetElement("Step", element)) element->setInnerText(std::to_string(m_nStep));
    if (m_bBackDisabled && GetElement("ButtonBack", element)) element->setDisabled(true);
    if (!m_strNextCaption.empty() && GetElement("ButtonNext", element)) element->setInnerText(m_strNextCaption);
    if (!m_strExitCaption.empty() && GetElement("ButtonExit", element)) element->setInnerText(m_strExitCaption);
    if (m_nWidth != -1) SetBounds({300, 200, m_nWidth, m_nHeight});
    if (m_bStepDivHidden && GetElement("StepDiv", element)) element->setStyle("display", "none");
    if (m_bBackHidden && GetElement("ButtonBack", element)) element->setStyle("display", "none");
}
