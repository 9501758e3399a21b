#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

// Printing a workspace page. A page that prints builds an HTML fragment of what belongs on paper
// (its headings and tables, every value from the user or the database escaped) and hands it to
//
//     CPrintPreviewDlg::Print(html);
//
// which shows nothing of the screen layout: the fragment becomes the body of an empty page that
// carries only the print style sheets (233 and 258), the browser prints that page once (the
// system's print dialog), and the call returns when the print command has. The page is one of the
// program's documents, so the browser that shows the program's window is the only one that can
// fetch it. The same in steps: construct a CPrintPreviewDlg, SetMessage(html), DoModal().
//
// A request with nothing to print (no fragment, or a page without a body) prints nothing and is
// logged.
class CPrintPreviewDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 196;
    static constexpr unsigned kPageID = 232;

    explicit CPrintPreviewDlg(jv::ui::Dialog* parent = nullptr);

    // The fragment to print (copied).
    void SetMessage(const std::string& html) { m_strMessage = html; }

    // Prints the fragment; see the class comment.
    static void Print(const std::string& html);

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;

private:
    std::string m_strMessage;
    int m_nCompletions = 0;  // a second completion of the same page prints nothing more
};
