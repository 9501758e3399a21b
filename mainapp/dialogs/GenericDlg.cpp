#include "mainapp/dialogs/GenericDlg.h"

#include "platform/ui/Document.h"

CGenericDlg::CGenericDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonOK", [this] { OnEnd0(); });
    BindClick("ButtonCancel", [this] { OnEnd1(); });
}

void CGenericDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CGenericDlg::SetTitle(const std::string& title) {
    m_strTitle = title;
    if (document()) document()->setTitle(title);
}

void CGenericDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (!document()) return;
    jv::ui::ElementPtr element;
    if (GetElement("Message", element)) element->setInnerHTML(m_strMessage);
    if (!m_strTitle.empty()) document()->setTitle(m_strTitle);
    if (!m_strOKLabel.empty() && GetElement("ButtonOK", element)) element->setInnerText(m_strOKLabel);
    if (!m_strCancelLabel.empty() && GetElement("ButtonCancel", element)) element->setInnerText(m_strCancelLabel);
    if (m_nWidth != -1) SetBounds({300, 200, m_nWidth, m_nHeight});
    if (m_bHideCancel && GetElement("ButtonCancel", element)) element->setStyle("display", "none");
}
