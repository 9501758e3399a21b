#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

// The modeless status window of the long web-service calls: "StatusText" shows the message (HTML
// the program builds) while a row of dots grows in the page. Its owner creates it, keeps the loop
// running while its call works, and destroys it at the end; Cancel only closes the window.
class CInternetStatusDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 188;
    static constexpr unsigned kPageID = 220;

    explicit CInternetStatusDlg(jv::ui::Dialog* parent = nullptr);

    void SetMessage(const std::string& message) { m_strMessage = message; }
    // The window is shown as soon as it is created; this is for callers that show it themselves.
    void ShowWindow() {}

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;

private:
    std::string m_strMessage;
};
