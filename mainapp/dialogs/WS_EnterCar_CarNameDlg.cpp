#include "mainapp/dialogs/WS_EnterCar_CarNameDlg.h"

#include "shared/ui/JVDialogPage.h"

CWS_EnterCar_CarNameDlg::CWS_EnterCar_CarNameDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonOK", [this] { OnButtonOK(); });
    BindClick("ButtonCancel", [this] { OnEnd0(); });
}

void CWS_EnterCar_CarNameDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
}

void CWS_EnterCar_CarNameDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (IsEnded()) return;
    GetPage()->SetInputValue("CarName", m_strCarName);
    // The box opens with the name selected: a name shown again after it was refused is replaced by
    // what the user types next, not added to.
    CJVPage::ElementPtr name;
    if (GetPage()->GetElementById("CarName", name)) name->select();
    // The window keeps its place and takes the size its page was made for.
    SetBounds({std::nullopt, std::nullopt, 350, 250});
}

void CWS_EnterCar_CarNameDlg::OnButtonOK() {
    CJVPage::ElementPtr name;
    if (!GetPage() || !GetPage()->GetElementById("CarName", name) || !name->is("input")) {
        EndDialog(0);
        return;
    }
    m_strCarName = name->value();
    if (!m_strCarName.empty()) {
        EndDialog(1);
        return;
    }
    CJVPage::ElementPtr error;
    if (GetPage()->GetElementById("ErrorMessage", error)) error->setInnerText("Please enter a name for your car.");
    name->focus();
}
