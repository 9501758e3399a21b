#include "mainapp/dialogs/PrintPreviewDlg.h"

#include "platform/ui/BrowserHost.h"
#include "platform/ui/Document.h"
#include "shared/core/TraceLog.h"

CPrintPreviewDlg::CPrintPreviewDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {}

void CPrintPreviewDlg::Print(const std::string& html) {
    CPrintPreviewDlg dialog;
    dialog.SetMessage(html);
    dialog.DoModal();
}

void CPrintPreviewDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
    // The page is for the printer: its window stays out of sight while the print command runs.
    SetBounds({-4000, -4000, 320, 200});
}

void CPrintPreviewDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (m_nCompletions++ == 0) {
        const auto& page = document();
        jv::ui::Element* body = page ? page->body() : nullptr;
        jv::ui::BrowserHost* host = jv::ui::InstalledHost();
        if (body == nullptr) {
            TraceLog("CPrintPreviewDlg::OnDocumentComplete", TRACE_ERROR,
                     "The print page has no body: nothing printed");
        } else if (m_strMessage.empty()) {
            TraceLog("CPrintPreviewDlg::OnDocumentComplete", TRACE_ERROR, "Nothing to print");
        } else if (host != nullptr) {
            body->setInnerHTML(m_strMessage);
            host->Print(*page);
        }
    }
    EndDialog(0);
}
