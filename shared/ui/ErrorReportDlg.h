#pragma once

#include <string>

#include "shared/core/ErrorReporting.h"
#include "shared/ui/JVDialog.h"

// The problem-report dialog: shows the details of a failure (hidden until the user asks to see
// them) and lets the user add notes and an e-mail address before the report is sent. Ends with 1
// for "ButtonSend" or Enter (0 when the page lacks the fields), 0 for "ButtonDontSend", 2 for
// Escape or the close box, -1 when the page cannot be shown.
//
// As error reporting's dialog (IErrorReportDialog) it shows a new dialog of its own for each
// report, so one installed object serves every report, nested ones included.
class CErrorReportDlg : public CJVDialog, public IErrorReportDialog {
public:
    static constexpr unsigned kTemplateID = 2001;
    static constexpr unsigned kPageID = 2000;

    explicit CErrorReportDlg(jv::ui::Dialog* parent = nullptr);

    // The report details, plain text.
    void SetMessage(const std::string& message) { m_strMessage = message; }
    std::string GetUserNotes() const { return m_strUserNotes; }
    std::string GetEmailAddress() const { return m_strEmailAddress; }

    ErrorReportDialogResult Show(const std::string& details) override;

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    void OnOK() override;

private:
    void OnButtonSend();

    std::string m_strMessage;
    std::string m_strUserNotes;
    std::string m_strEmailAddress;
};
