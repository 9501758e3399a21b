#include "mainapp/dialogs/QuickStartPrefsDlg.h"

#include <cstdlib>

#include "shared/ui/JVDialogPage.h"

CQuickStartPrefsDlg::CQuickStartPrefsDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonBack", [this] { OnEnd0(); });
    BindClick("ButtonNext", [this] { OnButtonNext(); });
    BindClick("ButtonExit", [this] { OnEnd2(); });
}

void CQuickStartPrefsDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CQuickStartPrefsDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (CJVDialogPage* page = GetPage()) {
        page->CheckById("VolumePref", m_nVolumeUnit == 1 ? 1 : 0);
        page->CheckById("DistancePref", m_nDistanceUnit == 1 ? 1 : 0);
    }
    if (m_nWidth != -1) SetBounds({300, 200, m_nWidth, m_nHeight});
}

void CQuickStartPrefsDlg::OnButtonNext() {
    if (CJVDialogPage* page = GetPage()) {
        m_nVolumeUnit = std::atoi(page->GetCheckedRadioValue("VolumePref").c_str());
        m_nDistanceUnit = std::atoi(page->GetCheckedRadioValue("DistancePref").c_str());
    }
    EndDialog(1);
}
