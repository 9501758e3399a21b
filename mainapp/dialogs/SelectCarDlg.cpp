#include "mainapp/dialogs/SelectCarDlg.h"

#include "shared/data/CarsDB.h"
#include "shared/ui/JVDialogPage.h"

CSelectCarDlg::CSelectCarDlg(jv::ui::Dialog* parent) : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonOK", [this] { OnButtonOK(); });
    BindClick("ButtonCancel", [this] { OnEnd0(); });
}

void CSelectCarDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
    SetBounds({std::nullopt, std::nullopt, 270, 250});
}

void CSelectCarDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (IsEnded()) return;
    CJVPage::ElementPtr list;
    if (!GetPage()->GetElementById("carList", list)) {
        EndDialog(0);
        return;
    }
    if (m_pCars == nullptr) return;
    for (const CCar& car : m_pCars->m_cars) {
        CJVPage::ElementPtr option;
        GetPage()->AppendNewElementWithHTML(list.get(), "<option value=\"" + EscapeHtmlQuotes(car.VehicleID) + "\">",
                                            EscapeHtmlQuotes(car.Name), option);
    }
}

void CSelectCarDlg::OnButtonOK() {
    CJVPage::ElementPtr list;
    if (!GetPage() || !GetPage()->GetElementById("CarList", list) || !list->is("select")) {
        EndDialog(0);
        return;
    }
    m_strVehicleID.clear();
    for (const jv::ui::Element* option : list->options())
        if (option->selected()) m_strVehicleID = option->value();
    EndDialog(m_strVehicleID.empty() ? 0 : 1);
}
