#include "shared/ui/ErrorReportDlg.h"

#include "shared/ui/JVDialogPage.h"

CErrorReportDlg::CErrorReportDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonSend", [this] { OnButtonSend(); });
    BindClick("ButtonDontSend", [this] { OnEnd0(); });
}

ErrorReportDialogResult CErrorReportDlg::Show(const std::string& details) {
    CErrorReportDlg dialog;
    dialog.SetMessage(details);
    ErrorReportDialogResult answer;
    answer.result = dialog.DoModal();
    answer.userNotes = dialog.GetUserNotes();
    answer.emailAddress = dialog.GetEmailAddress();
    return answer;
}

void CErrorReportDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CErrorReportDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    jv::ui::ElementPtr message;
    if (!GetElement("message", message)) {
        EndDialog(0);
        return;
    }
    // The details quote messages from anywhere (database errors, script errors, server answers):
    // they are shown as text, never as markup.
    message->setInnerHTML("<pre>" + EscapeHtmlQuotes(m_strMessage) + "</pre>");
}

void CErrorReportDlg::OnOK() {
    OnButtonSend();
}

void CErrorReportDlg::OnButtonSend() {
    jv::ui::ElementPtr notes;
    jv::ui::ElementPtr address;
    const bool found = GetElement("usernotes", notes) && notes->is("textarea") && GetElement("emailaddress", address) &&
                       address->is("input");
    if (found) {
        m_strUserNotes = notes->value();
        m_strEmailAddress = address->value();
    }
    EndDialog(found ? 1 : 0);
}
