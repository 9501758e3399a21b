#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

// The program's message box: a message written in HTML, an OK button and, when asked for, a
// Cancel button; the caller chooses the captions, the title and the size. DoModal gives 0 for
// "ButtonOK" (and for Enter), 1 for "ButtonCancel", 2 for Escape or the close box, and -1 when
// the page could not be shown.
class CGenericDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 195;
    static constexpr unsigned kPageID = 241;

    explicit CGenericDlg(jv::ui::Dialog* parent = nullptr);

    void SetMessage(const std::string& message) { m_strMessage = message; }
    const std::string& GetMessage() const { return m_strMessage; }
    // Also changes the caption of a dialog that is shown.
    void SetTitle(const std::string& title);
    void SetOKLabel(const std::string& label) { m_strOKLabel = label; }
    void SetCancelLabel(const std::string& label) { m_strCancelLabel = label; }
    // The window's size in pixels, applied when the page is complete (-1 keeps the default).
    void SetSize(int width, int height) {
        m_nWidth = width;
        m_nHeight = height;
    }
    void ShowCancelButton() { m_bHideCancel = false; }
    // Shows a page script's message (plain text, lines kept) modally, under the given title or the
    // program's own; with cancel an OK and a Cancel button. True when the user chose OK.
    static bool ShowScriptMessage(const std::string& text, const std::string& title, bool cancel);

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    // Enter means the OK button, whatever its caption, never the other one.
    void OnOK() override { EndDialog(0); }

private:
    std::string m_strMessage;
    std::string m_strTitle;
    int m_nWidth = -1;
    int m_nHeight = -1;
    std::string m_strOKLabel;
    std::string m_strCancelLabel;
    bool m_bHideCancel = true;
};
