#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

// Asks the user before the program connects to the web service. The results are bit sets: 1
// connect, 256 remember the choice. "Always Connect" gives 257, "Connect This Time Only" 1, "Do
// Not Connect" 16, closing the dialog 2 and a page that could not be shown -1.
class CInternetConnectionDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 187;
    static constexpr unsigned kPageID = 219;
    static constexpr int kConnect = 1;
    static constexpr int kRemember = 256;

    explicit CInternetConnectionDlg(jv::ui::Dialog* parent = nullptr);

    // Completes the question's sentence (HTML the program wrote, such as "to search for
    // available updates.").
    void SetMessage(const std::string& message) { m_strMessage = message; }

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    // Enter chooses nothing: the user must pick one of the three answers.
    void OnOK() override {}

private:
    std::string m_strMessage;
};
