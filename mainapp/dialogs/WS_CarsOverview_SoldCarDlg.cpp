#include "mainapp/dialogs/WS_CarsOverview_SoldCarDlg.h"

#include "mainapp/JorvaneDoc.h"
#include "mainapp/dialogs/TypedValue.h"
#include "mainapp/pages/RegisterRows.h"
#include "platform/base/Clock.h"
#include "platform/base/NumberText.h"
#include "shared/data/CarsDB.h"
#include "shared/ui/JVDialogPage.h"

CWS_CarsOverview_SoldCarDlg::CWS_CarsOverview_SoldCarDlg(jv::ui::Dialog* parent)
    : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonOK", [this] { OnButtonOK(); });
    BindClick("ButtonCancel", [this] { OnEnd0(); });
}

void CWS_CarsOverview_SoldCarDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
    SetBounds({std::nullopt, std::nullopt, 480, 350});
}

void CWS_CarsOverview_SoldCarDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (IsEnded() || GetPage() == nullptr) return;
    // The page checks a date typed against the program's today, as OK does.
    registerrows::PublishToday(*GetPage());
}

std::string CWS_CarsOverview_SoldCarDlg::Validate(const std::string& date, const std::string& price,
                                                  const jv::DateTime& today, std::string& dateOut,
                                                  std::string& priceOut) {
    std::string message;
    if (date.find_first_not_of(" \t") == std::string::npos) {
        message += "Please enter a value for Selling Date.<br/>";
    } else if (const auto parsed = CTypedValue::RegisterDate(date, today, message)) {
        dateOut = *parsed;
    } else {
        // In the words the page uses as the date is left.
        message += "<br/>";
    }
    if (price.find_first_not_of(" \t") == std::string::npos) {
        message += "Please enter a value for Selling Price.";
    } else if (const auto parsed = CTypedValue::Number(price)) {
        priceOut = jv::number::FormatFixed(*parsed, 6);
    } else {
        message += "Please enter a number for Selling Price.";
    }
    return message;
}

void CWS_CarsOverview_SoldCarDlg::OnButtonOK() {
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    CJVDialogPage* page = GetPage();
    CJVPage::ElementPtr date, price, vendor, message;
    if (document == nullptr || page == nullptr || !page->GetElementById("SoldDate", date) ||
        !page->GetElementById("SoldPrice", price) || !page->GetElementById("SoldVendor", vendor) ||
        !page->GetElementById("message", message)) {
        EndDialog(0);
        return;
    }
    std::string soldDate, soldPrice;
    const std::string problem = Validate(date->value(), price->value(), jv::CurrentClock().Now(), soldDate, soldPrice);
    if (!problem.empty()) {
        CJVPage::ElementPtr dateShown;
        message->setInnerHTML(page->GetElementById("DateMessage", dateShown)
                                  ? CTypedValue::WithoutDateShown(problem, dateShown->innerText())
                                  : problem);
        return;
    }
    CCarsDB cars(document->GetDatabaseConnection());
    // Not stored (the user was told why): the box stays with what was typed, to try again or cancel.
    if (!cars.soldCar(m_strVehicleID, soldDate, soldPrice, vendor->value())) return;
    EndDialog(1);
}
