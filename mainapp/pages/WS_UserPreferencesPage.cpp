#include "mainapp/pages/WS_UserPreferencesPage.h"

#include <cstdlib>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "platform/ui/Document.h"
#include "shared/data/UserPreferencesDatabaseObject.h"

CWS_UserPreferencesPage::CWS_UserPreferencesPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVPage(resourceId, std::move(document)) {}

void CWS_UserPreferencesPage::ProcessDocument() {
    CJorvaneDoc* doc = CJorvaneDoc::GetDoc();
    if (doc == nullptr) return;
    const CUserPreferences& prefs = doc->GetUserPreferences();
    SetInputValue("UserName", prefs.UserName);
    SetInputValue("Email", prefs.Email);
    SetInputValue("PostalCode", prefs.PostalCode);
    SetSelectValue("Country", prefs.Country);
    // Each group shows the stored choice (the page's own default is the first radio).
    CheckById("Volume", prefs.VolumeUnit == 1 ? 1 : 0);
    CheckById("Distance", prefs.DistanceUnit == 1 ? 1 : 0);
    CheckById("ShowSoldCars", prefs.ShowSoldCars ? 1 : 0);
    // "Never" has no button of its own: neither is checked, so that saving the page keeps it.
    if (prefs.Internet == 1) {
        for (int index = 0; index < 2; ++index) {
            ElementPtr radio;
            if (GetDocumentItem("ConnectInternet", radio, index)) radio->setChecked(false);
        }
    } else {
        CheckById("ConnectInternet", prefs.Internet == 0 ? 1 : 0);
    }
    SetInputValue("MechanicName", prefs.MechanicName);
    SetInputValue("MechanicAddress1", prefs.MechanicAddress1);
    SetInputValue("MechanicAddress2", prefs.MechanicAddress2);
    SetInputValue("MechanicCity", prefs.MechanicCity);
    SetInputValue("MechanicState", prefs.MechanicState);
    SetInputValue("MechanicZip", prefs.MechanicZip);
    SetInputValue("MechanicPhone", prefs.MechanicPhone);
    m_filled = FormState();
}

bool CWS_UserPreferencesPage::HasUnsavedChanges() const {
    return GetDocument() && !m_filled.empty() && FormState() != m_filled;
}

std::string CWS_UserPreferencesPage::FormState() const {
    std::string state;
    for (const char* id : {"UserName", "Email", "PostalCode", "MechanicName", "MechanicAddress1", "MechanicAddress2",
                           "MechanicCity", "MechanicState", "MechanicZip", "MechanicPhone"})
        state += GetInputValue(id) + '\n';
    state += GetSelectValue("Country") + '\n';
    for (const char* group : {"Volume", "Distance", "ShowSoldCars", "ConnectInternet"}) {
        for (int index = 0; index < 2; ++index) {
            ElementPtr radio;
            state += GetDocumentItem(group, radio, index) && radio->checked() ? '1' : '0';
        }
    }
    return state;
}

void CWS_UserPreferencesPage::UpdatePrefs(const std::string& userName, const std::string& email,
                                          const std::string& country, const std::string& postalCode,
                                          const std::string& volume, const std::string& distance,
                                          const std::string& mechanicName, const std::string& mechanicAddress1,
                                          const std::string& mechanicAddress2, const std::string& mechanicCity,
                                          const std::string& mechanicState, const std::string& mechanicZip,
                                          const std::string& mechanicPhone, const std::string& showSoldCars,
                                          const std::string& connectInternet, const std::string& uploadCarData,
                                          const std::string& uploadErrorData) {
    CJorvaneDoc* doc = CJorvaneDoc::GetDoc();
    if (doc == nullptr) return;
    CUserPreferencesDatabaseObject prefs(doc->GetDatabaseConnection());
    const CUserPreferences& stored = doc->GetUserPreferences();
    const bool distanceChanged = !distance.empty() && distance != std::to_string(stored.DistanceUnit);
    const bool volumeChanged = !volume.empty() && volume != std::to_string(stored.VolumeUnit);
    CUserPreferences changed = stored;
    changed.DistanceUnit = distanceChanged ? std::atoi(distance.c_str()) : stored.DistanceUnit;
    changed.VolumeUnit = volumeChanged ? std::atoi(volume.c_str()) : stored.VolumeUnit;
    // Cancel keeps the units as they are; the other edits are saved all the same.
    const bool keepUnits =
        prefs.HoldsValuesInUnits(distanceChanged, volumeChanged) && !ConfirmUnitChange(stored, changed);
    const std::string volumeSaved = keepUnits ? std::to_string(stored.VolumeUnit) : volume;
    const std::string distanceSaved = keepUnits ? std::to_string(stored.DistanceUnit) : distance;
    // The form shows every text: one the user emptied is stored empty.
    prefs.SetEmptyFields(EmptyFields::Clear);
    const int current = doc->GetUserPreferences().Internet;
    bool connectAfterSaving = false;
    if (current == 2 && connectInternet == "0") doc->Disconnect();
    if (current != 2 && connectInternet == "2") connectAfterSaving = true;
    const bool saved =
        prefs.UpdatePreferences(userName, email, country, postalCode, volumeSaved, distanceSaved, mechanicName,
                                mechanicAddress1, mechanicAddress2, mechanicCity, mechanicState, mechanicZip,
                                mechanicPhone, showSoldCars == "Show", connectInternet, uploadCarData, uploadErrorData);
    doc->LoadUserPreferences();
    if (connectAfterSaving) doc->GetConnection("", true);
    if (CJorvaneView* view = CJorvaneView::GetView()) view->RefreshNavCarList();
    // The form shows what is stored now.
    ProcessDocument();
    SetSaved(saved, keepUnits);
}

bool CWS_UserPreferencesPage::ConfirmUnitChange(const CUserPreferences& before, const CUserPreferences& after) {
    // The example names the units of this change.
    const bool distance = before.DistanceUnit != after.DistanceUnit;
    const std::string example = distance ? "a reading of 21,400 " + before.GetDistanceUnitName(false, true) +
                                               " will read as 21,400 " + after.GetDistanceUnitName(false, true) +
                                               ", and services may show as due"
                                         : "a fill-up of 40 " + before.GetVolumeUnitName(false, true) +
                                               " will read as 40 " + after.GetVolumeUnitName(false, true);
    CGenericDlg dialog;
    dialog.SetMessage(
        "Jorvane keeps your odometer readings, fuel distances and volumes in the units you typed them in. "
        "Changing the units does not convert them: " +
        example + ".<p>Click OK to change the units anyway, or Cancel to keep them.");
    dialog.ShowCancelButton();
    dialog.SetSize(360, 300);
    return dialog.DoModal() == 0;
}

void CWS_UserPreferencesPage::SetSaved(bool saved, bool unitsKept) {
    ElementPtr span;
    if (!GetElementById("Saved", span)) return;
    if (!saved)
        span->setTextContent("");
    else if (unitsKept)
        span->setTextContent("Your preferences were saved. The units were not changed.");
    else
        span->setTextContent("Your preferences were saved.");
}
