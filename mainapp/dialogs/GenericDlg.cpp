#include "mainapp/dialogs/GenericDlg.h"

#include "platform/ui/Document.h"
#include "platform/ui/HtmlEscape.h"

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

bool CGenericDlg::ShowScriptMessage(const std::string& text, const std::string& title, bool cancel) {
    std::string html;
    size_t start = 0;
    while (true) {
        const size_t end = text.find('\n', start);
        html += jv::ui::EscapeHtml(std::string_view(text).substr(start, end - start));
        if (end == std::string::npos) break;
        html += "<br>";
        start = end + 1;
    }
    CGenericDlg dialog;
    dialog.SetMessage(html);
    if (!title.empty()) dialog.SetTitle(title);
    if (cancel) dialog.ShowCancelButton();
    return dialog.DoModal() == 0;
}
