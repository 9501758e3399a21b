#include "mainapp/dialogs/DeleteCarDlg.h"

CDeleteCarDlg::CDeleteCarDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonOK", [this] { EndDialog(kDelete); });
    BindClick("ButtonCancel", [this] { EndDialog(kKeep); });
    BindClick("ButtonSell", [this] { EndDialog(kSold); });
    BindClick("SellLink", [this] { EndDialog(kSold); });
}

void CDeleteCarDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
    SetBounds({std::nullopt, std::nullopt, 330, 210});
}
