#include "mainapp/dialogs/WS_Home_UpdateOdometerDlg.h"

#include "mainapp/JorvaneDoc.h"
#include "mainapp/dialogs/TypedValue.h"
#include "mainapp/pages/RegisterRows.h"
#include "platform/base/Clock.h"
#include "platform/base/NumberText.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/ui/JVDialogPage.h"

CWS_Home_UpdateOdometerDlg::CWS_Home_UpdateOdometerDlg(jv::ui::Dialog* parent)
    : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonOK", [this] { OnButtonOK(); });
    BindClick("ButtonCancel", [this] { OnEnd0(); });
}

void CWS_Home_UpdateOdometerDlg::SetValues(const std::string& vehicleId, const std::string& date,
                                           const std::string& odometer) {
    m_strVehicleID = vehicleId;
    m_strDate = date;
    m_strOdometer = odometer;
}

void CWS_Home_UpdateOdometerDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
    SetBounds({std::nullopt, std::nullopt, 300, 260});
}

void CWS_Home_UpdateOdometerDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (IsEnded()) return;
    if (!GetPage()->SetInputValue("Date", m_strDate) || !GetPage()->SetInputValue("Odometer", m_strOdometer)) {
        EndDialog(0);
        return;
    }
    // The page checks a date typed against the program's today, as OK does.
    registerrows::PublishToday(*GetPage());
}

void CWS_Home_UpdateOdometerDlg::OnButtonOK() {
    CJVDialogPage* page = GetPage();
    CJVPage::ElementPtr date, odometer;
    if (page == nullptr || !page->GetElementById("Date", date) || !page->GetElementById("Odometer", odometer)) {
        EndDialog(0);
        return;
    }
    m_strDate = date->value();
    m_strOdometer = odometer->value();
    // The date as a register takes it, said in the words the page uses as the date is left.
    std::string problem;
    const auto when = CTypedValue::RegisterDate(m_strDate, jv::CurrentClock().Now(), problem);
    if (!when) problem += "<br/>";
    const auto reading = CTypedValue::Number(m_strOdometer);
    if (!reading) problem += "Please enter the odometer reading as a number.";
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    if (problem.empty() && document != nullptr) {
        COdometerValuesDatabaseObject readings(document->GetDatabaseConnection());
        const std::string value = jv::number::FormatFixed(*reading, 6);
        if (readings.AddOdometerValue(m_strVehicleID, *when, value)) {
            EndDialog(1);
            return;
        }
        problem = readings.IsOdometerValueValid("", m_strVehicleID, *when, value)
                      ? "The reading could not be stored."
                      : "This car already has a reading of " + EscapeHtmlQuotes(m_strOdometer) + ".";
    } else if (problem.empty()) {
        problem = "The reading could not be stored.";
    }
    CJVPage::ElementPtr message, dateShown;
    if (page->GetElementById("DateMessage", dateShown))
        problem = CTypedValue::WithoutDateShown(problem, dateShown->innerText());
    if (page->GetElementById("message", message)) message->setInnerHTML(problem);
}
