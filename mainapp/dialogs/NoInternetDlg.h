#pragma once

#include "shared/ui/JVDialog.h"

// Tells the user that the web service could not be reached: 1 for Retry, 0 for OK, 2 when closed.
class CNoInternetDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 195;
    static constexpr unsigned kPageID = 251;

    explicit CNoInternetDlg(jv::ui::Dialog* parent = nullptr);

protected:
    // Enter gives the default answer, OK, as its focused button does: never Retry by accident.
    void OnOK() override { OnEnd0(); }
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
};
