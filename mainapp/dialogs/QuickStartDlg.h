#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

// One step of the QuickStart wizard: a message with Back, Next and Exit buttons. DoModal gives 0
// for Back, 1 for Next (also Enter) and 2 for Exit, Escape or the close box.
class CQuickStartDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 259;
    static constexpr unsigned kPageID = 242;

    explicit CQuickStartDlg(jv::ui::Dialog* parent = nullptr);

    void SetMessage(const std::string& message) { m_strMessage = message; }
    void SetStep(int step) { m_nStep = step; }
    void SetNextCaption(const std::string& caption) { m_strNextCaption = caption; }
    void SetExitCaption(const std::string& caption) { m_strExitCaption = caption; }
    // true disables and hides Back; false leaves it enabled and shown.
    void HideBackButton(bool hide) {
        m_bBackDisabled = hide;
        m_bBackHidden = hide;
    }
    void HideStepDiv() { m_bStepDivHidden = true; }
    void SetSize(int width, int height) {
        m_nWidth = width;
        m_nHeight = height;
    }

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    void OnOK() override { EndDialog(1); }
    void OnCancel() override { EndDialog(2); }

private:
    std::string m_strMessage;
    int m_nStep = 1;
    bool m_bBackDisabled = false;
    int m_nWidth = -1;
    int m_nHeight = -1;
    std::string m_strNextCaption;
    std::string m_strExitCaption;
    bool m_bBackHidden = false;
    bool m_bStepDivHidden = false;
};
