#include "mainapp/pages/WS_EnterCarPage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/dialogs/NoInternetDlg.h"
#include "mainapp/dialogs/PrintPreviewDlg.h"
#include "mainapp/dialogs/TypedValue.h"
#include "mainapp/dialogs/WS_EnterCar_AddServiceItemsDlg.h"
#include "mainapp/dialogs/WS_EnterCar_CarNameDlg.h"
#include "mainapp/dialogs/WS_Home_Reminders_ChangeScheduleDlg2.h"
#include "mainapp/pages/PlanSchedule.h"
#include "mainapp/pages/RegisterFields.h"
#include "mainapp/pages/SaveChecks.h"
#include "platform/base/Clock.h"
#include "platform/base/NumberFormat.h"
#include "platform/base/Profile.h"
#include "platform/ui/BrowserHost.h"
#include "platform/ui/Dialog.h"
#include "shared/core/NumberUtils.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"
#include "shared/data/MaintenancePlanDatabaseObject.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

namespace {

constexpr const char* kNoPlanHeading =
    "<br/>You don't have a maintenance plan yet. Choose a Year/Make/Model/Style first (on the Car tab) and then "
    "click on the \"Download Plan\" button below.<br/>";
constexpr const char* kPlanMayNotMatch =
    "<ul><li>The current maintenance plan may no longer match the selected car style.</li></ul>";

CJorvaneDoc* Doc() {
    return CJorvaneDoc::GetDoc();
}

CUserPreferences& Prefs() {
    static CUserPreferences fallback;
    return Doc() ? Doc()->GetUserPreferences() : fallback;
}

bool Connected() {
    return Doc() != nullptr && Doc()->IsConnected();
}

bool NewDatabase() {
    return Doc() != nullptr && Doc()->IsNewDatabase();
}

std::string FormatDate(const jv::DateTime& date) {
    return date.IsValid() ? date.Format("%m/%d/%Y") : std::string();
}

jv::DateTime ParseDate(const std::string& text) {
    jv::DateTime date = jv::DateTime::Invalid();
    if (text.empty()) return date;
    if (!date.ParseDateTime(text)) date.ParseIsoDate(text);
    return date.IsValid() ? date.DatePart() : date;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The distance or price a field holds; -1 (unknown) when it is empty.
double FieldNumber(const std::string& text) {
    return Trim(text).empty() ? -1.0 : LocaleStringToDouble(text);
}

// A stored number as the user typed it: at least `fewestDecimals` decimals (two for a price), and
// as many more as it takes to read back as the stored value, so that a save of another field
// stores it again unchanged.
std::string StoredNumber(double value, int fewestDecimals) {
    std::string out;
    for (int decimals = fewestDecimals; decimals < 6; ++decimals) {
        if (LocaleStringToDouble(DoubleToLocaleString(out, value, decimals)) == value) return out;
    }
    return DoubleToLocaleString(out, value, 6);
}

std::string PlainNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return text;
}

int FirstDueDistance(const CMaintenancePlanItem& item) {
    return item.INITIAL_MILEAGE != 0 ? item.INITIAL_MILEAGE : item.INTERVAL_MILEAGE;
}

int FirstDueMonths(const CMaintenancePlanItem& item) {
    return item.INITIAL_MONTH != 0 ? item.INITIAL_MONTH : item.INTERVAL_MONTH;
}

}  // namespace

CWS_EnterCarPage::CWS_EnterCarPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVPage(resourceId, std::move(document)) {
    m_car.DrivingCondition = "S";
    m_car.Region = "USA";
    m_car.PurchaseDate = jv::DateTime::Null();
    m_car.SoldDate = jv::DateTime::Null();
    m_carStyles.connect();
}

CWS_EnterCarPage::~CWS_EnterCarPage() = default;

std::string CWS_EnterCarPage::RowId(size_t position) {
    return "item" + std::to_string(position);
}

// --- opening the page -----------------------------------------------------------------------

void CWS_EnterCarPage::ProcessDocument() {
    ElementPtr unit;
    if (GetElementById("DistanceUnit", unit)) unit->setInnerText(Prefs().GetDistanceUnitName(false, true));
    const std::string& url = m_pDocument->URL();
    const auto mark = url.find('?');
    const std::string query = mark == std::string::npos ? std::string() : url.substr(mark);
    if (query.size() <= 1) {
        ProcessDocumentNew();
    } else {
        m_editing = true;
        ProcessDocumentEdit(query);
    }
}

bool CWS_EnterCarPage::AskForConnection() {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return false;
    const CUserPreferences& prefs = doc->GetUserPreferences();
    // Once the user has allowed it here, a connection that still fails is told as a failure.
    const bool refused =
        !m_connectionAllowed && (prefs.Internet == 1 || (prefs.Internet == 0 && prefs.InternetAnswer == 1));
    if (refused) {
        CGenericDlg dialog;
        dialog.SetMessage(
            "Jorvane needs to connect to the Internet to collect vehicle and maintenance plan information.<p/>Will "
            "you allow Jorvane to connect?");
        dialog.SetOKLabel("Yes");
        dialog.SetCancelLabel("No");
        dialog.ShowCancelButton();
        dialog.SetSize(300, 300);
        if (dialog.DoModal() != 0) return false;
        m_connectionAllowed = true;
        doc->GetConnection("", false);
    } else {
        CNoInternetDlg dialog;
        if (dialog.DoModal() != 1) return false;
        doc->GetConnection("", !m_connectionAllowed);
    }
    m_carStyles.connect();
    return true;
}

void CWS_EnterCarPage::ProcessDocumentNew() {
    std::vector<std::string> years;
    m_carStyles.getAllYears(years);
    // Each Retry asks again while the service stays out of reach; the user ends it with OK.
    bool connected = Connected();
    while (!connected && AskForConnection()) {
        years.clear();
        m_carStyles.getAllYears(years);
        connected = Connected();
    }

    ElementPtr select;
    if (GetElementById("CarYear", select)) {
        RemoveAllChildren(select.get());
        AddSelectOption(select.get(), "Choose Year", "", false, false);
        for (const std::string& year : years) AddSelectOption(select.get(), Trim(year), Trim(year), false, false);
    }
    if (GetElementById("CarMake", select)) {
        RemoveAllChildren(select.get());
        AddSelectOption(select.get(), "Choose Make", "", false, false);
        std::vector<CMake> makes;
        if (connected) m_carStyles.getAllMakes(makes);
        for (const CMake& make : makes) AddSelectOption(select.get(), make.Make, make.MakeID, false, false);
        select->setSelectedIndex(0);
    }

    if (CJorvaneView* view = CJorvaneView::GetView()) {
        view->SetCurrentCar("");
        view->AddNewCarRow();
    }
    if (!NewDatabase()) {
        CheckById("CarDriving", 0);
        // The page shows "Normal", so a plan fetched now is the normal one.
        m_car.DrivingCondition = "N";
    }
    if (!connected) SetCustomLayout(true);
}

void CWS_EnterCarPage::ProcessDocumentEdit(std::string query) {
    constexpr const char* kMethod = "CWS_EnterCarPage::ProcessDocumentEdit";
    CJorvaneView* view = CJorvaneView::GetView();
    m_vehicleID = view ? view->GetSelectedCar() : std::string();
    query.erase(0, query.find_first_not_of('?'));

    bool showPlan = false;
    int openItem = -1;
    const auto amp = query.find('&');
    const auto plan = query.find("Plan");
    if (amp != std::string::npos && plan != std::string::npos) {
        showPlan = true;
        m_vehicleID = query.substr(0, amp);
        // "&Plan=" followed by an item id opens that item, with its car selected in the list.
        if (query.compare(plan, 5, "Plan=") == 0 && plan + 5 < query.size()) {
            openItem = std::atoi(query.c_str() + plan + 5);
            if (view) {
                view->SelectCarByID(m_vehicleID);
                view->RefreshNavCarList();
            }
        }
    } else {
        m_vehicleID = query;
    }
    if (m_vehicleID.empty() && view) m_vehicleID = view->GetSelectedCar();

    CCarsDB cars(Doc()->GetDatabaseConnection());
    // The car the page is opened for, sold or not: a sold car's page (Back to it, with sold cars
    // hidden) shows its sale, and saving it keeps the sale.
    CUserPreferences prefs = Prefs();
    prefs.ShowSoldCars = true;
    if (!cars.getCars(m_vehicleID, prefs)) {
        TraceLog(kMethod, TRACE_ERROR, "Couldn't find selected car in Edit Car page. VehicleID = " + m_vehicleID);
        return;
    }
    ElementPtr element;
    if (GetElementById("AddEdit", element)) element->setInnerText("Edit Vehicle");
    EnableAddServiceItems(true);
    EnableSaveVehicle(true);
    EnableDownloadPlan(true);
    if (GetElementById("SaveVehicle", element)) element->setInnerText("Save Changes");
    if (cars.m_cars.empty()) {
        // The car was deleted since its page was last shown (Back to it): there is nothing to edit,
        // and the Home page shows instead, as it does when the open car is deleted.
        TraceLog(kMethod, TRACE_WARNING, "The car " + m_vehicleID + " is no longer stored: the Home page shows");
        if (view) view->Navigate(CJorvaneView::kFrameset, CJorvaneView::kHomePage);
        return;
    }

    m_car = cars.m_cars.front();
    m_storedCar = m_car;
    m_year = std::to_string(m_car.StyleYear);
    {
        CMaintenancePlanDatabaseObject plans(Doc()->GetDatabaseConnection());
        m_car.MaintenancePlan.Items.clear();
        plans.GetMaintenancePlan(m_car.MaintenancePlan.MaintenancePlanID, m_car.MaintenancePlan, false);
        m_car.MaintenancePlan.StyleID = m_car.StyleID;
        m_car.MaintenancePlan.DrivingCondition = m_car.DrivingCondition;
        for (const auto& item : m_car.MaintenancePlan.Items) m_storedItemIds.insert(item.MaintenancePlanItemID);
    }
    DisplayMaintenancePlan();
    ShowElement("CarNameRow");
    cars.getCurrentOdometers(Prefs());
    // Before the custom layout, which offers a plan only with the driving condition chosen.
    CheckById("CarDriving", m_car.DrivingCondition == "N" ? 0 : 1);

    if (m_car.Custom) {
        SetInputValue("CustomCarMake", m_car.Make);
        SetInputValue("CustomCarYear", std::to_string(m_car.StyleYear));
        SetInputValue("CustomCarModel", m_car.Model);
        SetInputValue("CustomCarStyle", m_car.Style);
        SetInputValue("CustomCarDriveType", m_car.DriveType);
        SetInputValue("CustomCarEngine", m_car.Engine);
        SetInputValue("CustomCarTransmission", m_car.Transmission);
        SetCheckedById("CustomStyle", true);
        SetCustomLayout(true);
    } else {
        const auto single = [this](const char* id, const std::string& text, const std::string& value) {
            ElementPtr select;
            if (!GetElementById(id, select)) return;
            RemoveAllChildren(select.get());
            AddSelectOption(select.get(), text, value, true, true);
            select->setSelectedIndex(0);
            select->setStyle("display", "");
        };
        single("CarYear", m_year, m_year);
        single("CarMake", m_car.Make, m_car.MakeID);
        single("CarModel", m_car.Model, m_car.ModelID);
        single("CarStyle", m_car.Style, m_car.StyleID);
        single("CarDriveType", m_car.DriveType, m_car.DriveType);
        single("CarEngine", m_car.Engine, m_car.Engine);
        single("CarTransmission", m_car.Transmission, m_car.Transmission);
    }

    SetInputValue("CarName", m_car.Name);
    SetInputValue("CarPurchaseDate", FormatDate(m_car.PurchaseDate));
    if (m_car.PurchasePrice != -1.0) SetInputValue("PurchasePrice", StoredNumber(m_car.PurchasePrice, 2));
    // The stored purchase odometer, not the one getCurrentOdometers may have filled in from the
    // readings: an unknown one stays unknown when the car is saved again.
    if (m_storedCar.PurchaseOdometer != -1.0)
        SetInputValue("CarInitialOdometer", StoredNumber(m_storedCar.PurchaseOdometer, 0));
    HideElement("CarCurrentOdometerRow");
    SetTextAreaValue("CarNotes", m_car.Notes);
    SetTextAreaValue("PurchasedFrom", m_car.PurchaseVendor);
    if (m_car.PurchaseOrLease == "L") CheckById("PurchaseOrLease", 1);
    if (m_car.PurchaseType == "U") CheckById("NewOrUsed", 1);
    SetInputValue("VIN", m_car.VIN);
    SetInputValue("Color", m_car.Color);
    SetInputValue("InsuranceProvider", m_car.InsuranceProvider);
    SetInputValue("PolicyNumber", m_car.PolicyNumber);
    SetInputValue("LicensePlate", m_car.LicensePlate);
    SetCheckedById("SoldCarCheckBox", m_car.Sold);
    SetInputValue("CarSoldDate", FormatDate(m_car.SoldDate));
    if (m_car.SoldPrice != -1.0) SetInputValue("SalePrice", StoredNumber(m_car.SoldPrice, 2));
    SetTextAreaValue("SoldTo", m_car.SoldVendor);

    if (showPlan) ShowTab("Plan");
    if (openItem >= 0) OpenPlanRow(openItem);
}

// --- lists ----------------------------------------------------------------------------------

void CWS_EnterCarPage::ResetList(const char* select, const char* firstOption, const char* label) {
    ElementPtr element;
    if (!GetElementById(select, element)) return;
    RemoveAllChildren(element.get());
    if (label == nullptr) {
        AddSelectOption(element.get(), firstOption, "", false, false);
        return;
    }
    ElementPtr labelElement;
    if (GetElementById(label, labelElement)) {
        labelElement->setInnerText("");
        labelElement->setStyle("display", "");
    }
    element->setStyle("display", "none");
}

void CWS_EnterCarPage::FillPlainList(const char* select, const char* /*first*/, const std::vector<ListEntry>& entries,
                                     std::string& stored, std::string* storedText) {
    ElementPtr element;
    if (!GetElementById(select, element)) return;
    for (const ListEntry& entry : entries) AddSelectOption(element.get(), entry.text, entry.value, false, false);
    if (!stored.empty()) {
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].value == stored) {
                element->setSelectedIndex(static_cast<int>(i) + 1);
                return;
            }
        }
    }
    element->setSelectedIndex(0);
    stored.clear();
    if (storedText) storedText->clear();
    EnableDownloadPlan(false);
    EnableAddServiceItems(false);
    EnableSaveVehicle(false);
}

void CWS_EnterCarPage::FillLabelledList(const char* select, const char* label, const std::vector<ListEntry>& entries,
                                        std::string& stored, void (CWS_EnterCarPage::*choose)(const std::string&)) {
    ElementPtr element, labelElement;
    if (!GetElementById(select, element) || !GetElementById(label, labelElement)) return;
    static const std::pair<const char*, const char*> kFirst[] = {{"CarStyle", "Choose Style"},
                                                                 {"CarDriveType", "Choose Drive Type"},
                                                                 {"CarEngine", "Choose Engine"},
                                                                 {"CarTransmission", "Choose Transmission"}};
    for (const auto& [id, text] : kFirst) {
        if (std::string(id) == select) AddSelectOption(element.get(), text, "", false, false);
    }
    for (const ListEntry& entry : entries) AddSelectOption(element.get(), entry.text, entry.value, false, false);
    bool found = false;
    if (!stored.empty()) {
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].value == stored) {
                element->setSelectedIndex(static_cast<int>(i) + 1);
                found = true;
                break;
            }
        }
    }
    if (!found) {
        if (entries.size() >= 2) element->setSelectedIndex(0);
        stored.clear();
        EnableDownloadPlan(false);
        EnableAddServiceItems(false);
        EnableSaveVehicle(false);
    }
    if (entries.size() >= 2) {
        labelElement->setStyle("display", "none");
        element->setStyle("display", "");
        return;
    }
    if (entries.size() == 1) {
        labelElement->setInnerText(entries[0].text);
        element->setSelectedIndex(1);
        (this->*choose)(entries[0].value);
    }
    labelElement->setStyle("display", "");
    element->setStyle("display", "none");
}

void CWS_EnterCarPage::KeepStoredChoice(const char* select, const char* label, const std::string& text,
                                        const std::string& value) {
    // Without the service the list keeps the car's own choice instead of losing it.
    ElementPtr element, labelElement;
    if (value.empty() || !GetElementById(select, element) || !GetElementById(label, labelElement)) return;
    AddSelectOption(element.get(), text, value, true, true);
    element->setSelectedIndex(0);
    labelElement->setInnerText(text);
}

void CWS_EnterCarPage::KeepStoredListChoice(const char* select, const std::string& text, std::string& value) {
    // Without the list the car keeps its own choice instead of losing it (and with it the save).
    if (!value.empty()) FillPlainList(select, nullptr, {{text, value}}, value, nullptr);
}

void CWS_EnterCarPage::UpdateYearList() {
    ResetList("CarYear", "Choose Year", nullptr);
    if (m_year.empty() && m_car.StyleYear > 0) m_year = std::to_string(m_car.StyleYear);
    std::vector<std::string> years;
    const bool fetched =
        Connected() && (!m_car.MakeID.empty() && m_car.MakeID != "0" ? m_carStyles.getYears(years, m_car.MakeID)
                                                                     : m_carStyles.getAllYears(years));
    if (!fetched) {
        KeepStoredListChoice("CarYear", m_year, m_year);
        return;
    }
    std::vector<ListEntry> entries;
    for (const std::string& year : years) entries.push_back({Trim(year), Trim(year)});
    const bool had = !m_year.empty();
    FillPlainList("CarYear", nullptr, entries, m_year, nullptr);
    if (had && m_year.empty()) m_car.StyleYear = 0;
}

void CWS_EnterCarPage::UpdateMakeList() {
    ResetList("CarMake", "Choose Make", nullptr);
    std::vector<CMake> makes;
    const bool fetched =
        Connected() && (!m_year.empty() ? m_carStyles.getMakesByYear(makes, m_year) : m_carStyles.getAllMakes(makes));
    if (!fetched) {
        KeepStoredListChoice("CarMake", m_car.Make, m_car.MakeID);
        return;
    }
    std::vector<ListEntry> entries;
    for (const CMake& make : makes) entries.push_back({Trim(make.Make), Trim(make.MakeID)});
    FillPlainList("CarMake", nullptr, entries, m_car.MakeID, &m_car.Make);
}

void CWS_EnterCarPage::UpdateModelList() {
    ResetList("CarModel", "Choose Model", nullptr);
    if (m_car.MakeID.empty() || m_year.empty()) return;
    std::vector<CModel> models;
    if (!Connected() || !m_carStyles.getModels(models, m_year, m_car.MakeID)) {
        KeepStoredListChoice("CarModel", m_car.Model, m_car.ModelID);
        return;
    }
    std::vector<ListEntry> entries;
    for (const CModel& model : models) entries.push_back({Trim(model.Model), Trim(model.ModelID)});
    FillPlainList("CarModel", nullptr, entries, m_car.ModelID, &m_car.Model);
}

void CWS_EnterCarPage::UpdateStyleList() {
    ResetList("CarStyle", nullptr, "CarStyleLabel");
    if (!Connected()) KeepStoredChoice("CarStyle", "CarStyleLabel", m_car.Style, m_car.StyleID);
    if (m_car.ModelID.empty() || !Connected()) return;
    std::vector<CCarStylesNet::TextPair> styles;
    if (!m_carStyles.getStyles(styles, m_year, m_car.MakeID, m_car.ModelID)) {
        // The list could not be fetched: the car keeps its stored choice.
        KeepStoredChoice("CarStyle", "CarStyleLabel", m_car.Style, m_car.StyleID);
        return;
    }
    std::vector<ListEntry> entries;
    for (const auto& [style, id] : styles) {
        const std::string name = Trim(style);
        entries.push_back({name.empty() ? "Base style" : name, Trim(id)});
    }
    FillLabelledList("CarStyle", "CarStyleLabel", entries, m_car.StyleID, &CWS_EnterCarPage::OnStyleChanged);
    if (m_car.StyleID.empty()) m_car.Style.clear();
}

void CWS_EnterCarPage::UpdateDriveTypeList() {
    ResetList("CarDriveType", nullptr, "CarDriveTypeLabel");
    if (!Connected()) KeepStoredChoice("CarDriveType", "CarDriveTypeLabel", m_car.DriveType, m_car.DriveType);
    if (m_car.StyleID.empty() || !Connected()) return;
    std::vector<CCarStylesNet::TextPair> list;
    if (!m_carStyles.getDriveTypes(list, m_car.StyleID)) {
        TraceLog("CWS_EnterCarPage::UpdateDriveTypeList", TRACE_INFO,
                 "Failed to retrieve any drive types for StyleID " + m_car.StyleID + ".");
        // The list could not be fetched: the car keeps its stored choice.
        KeepStoredChoice("CarDriveType", "CarDriveTypeLabel", m_car.DriveType, m_car.DriveType);
        return;
    }
    std::vector<ListEntry> entries;
    for (const auto& pair : list) entries.push_back({Trim(pair.first), Trim(pair.second)});
    FillLabelledList("CarDriveType", "CarDriveTypeLabel", entries, m_car.DriveType, &CWS_EnterCarPage::SetDriveType);
}

void CWS_EnterCarPage::UpdateEngineList() {
    ResetList("CarEngine", nullptr, "CarEngineLabel");
    if (!Connected()) KeepStoredChoice("CarEngine", "CarEngineLabel", m_car.Engine, m_car.Engine);
    if (m_car.StyleID.empty() || !Connected()) return;
    std::vector<CCarStylesNet::TextPair> list;
    if (!m_carStyles.getEngines(list, m_car.StyleID)) {
        TraceLog("CWS_EnterCarPage::UpdateEngineList", TRACE_INFO,
                 "Failed to retrieve any engines for StyleID " + m_car.StyleID + ".");
        // The list could not be fetched: the car keeps its stored choice.
        KeepStoredChoice("CarEngine", "CarEngineLabel", m_car.Engine, m_car.Engine);
        return;
    }
    std::vector<ListEntry> entries;
    for (const auto& pair : list) entries.push_back({Trim(pair.first), Trim(pair.second)});
    FillLabelledList("CarEngine", "CarEngineLabel", entries, m_car.Engine, &CWS_EnterCarPage::SetEngine);
}

void CWS_EnterCarPage::UpdateTransmissionList() {
    ResetList("CarTransmission", nullptr, "CarTransmissionLabel");
    if (!Connected())
        KeepStoredChoice("CarTransmission", "CarTransmissionLabel", m_car.Transmission, m_car.Transmission);
    if (m_car.StyleID.empty() || !Connected()) return;
    std::vector<CCarStylesNet::TextPair> list;
    if (!m_carStyles.getTransmissions(list, m_car.StyleID)) {
        TraceLog("CWS_EnterCarPage::UpdateTransmissionList", TRACE_INFO,
                 "Failed to retrieve any transmissions for StyleID " + m_car.StyleID + ".");
        // The list could not be fetched: the car keeps its stored choice.
        KeepStoredChoice("CarTransmission", "CarTransmissionLabel", m_car.Transmission, m_car.Transmission);
        return;
    }
    std::vector<ListEntry> entries;
    for (const auto& pair : list) entries.push_back({Trim(pair.first), Trim(pair.second)});
    FillLabelledList("CarTransmission", "CarTransmissionLabel", entries, m_car.Transmission,
                     &CWS_EnterCarPage::SetTransmission);
}

// --- the selection cascade ------------------------------------------------------------------

void CWS_EnterCarPage::EnterCarSelect(const std::string& name, const std::string& value) {
    if (name == "CarYear")
        OnYearChanged(value);
    else if (name == "CarMake")
        OnMakeChanged(value);
    else if (name == "CarModel")
        OnModelChanged(value);
    else if (name == "CarStyle")
        OnStyleChanged(value);
    else if (name == "CarDriveType")
        SetDriveType(value);
    else if (name == "CarEngine")
        SetEngine(value);
    else if (name == "CarTransmission")
        SetTransmission(value);
    else if (name == "CarDriving")
        SetDrivingCondition(value);
}

void CWS_EnterCarPage::ClearOptions() {
    m_car.DriveType.clear();
    m_car.Engine.clear();
    m_car.Transmission.clear();
}

void CWS_EnterCarPage::OnYearChanged(const std::string& value) {
    if (value == m_year) return;
    m_year = value;
    m_car.StyleYear = std::atoi(value.c_str());
    m_car.ModelID.clear();
    m_car.Model.clear();
    m_car.StyleID.clear();
    m_car.Style.clear();
    ClearOptions();
    UpdateMakeList();
    UpdateModelList();
    UpdateStyleList();
    UpdateDriveTypeList();
    UpdateEngineList();
    UpdateTransmissionList();
    ShowPlanWarning(true);
}

void CWS_EnterCarPage::OnMakeChanged(const std::string& value) {
    if (value == m_car.MakeID) return;
    m_car.MakeID = value;
    m_car.Make = value.empty() ? std::string() : GetSelectedOptionText("CarMake");
    m_car.ModelID.clear();
    m_car.Model.clear();
    m_car.StyleID.clear();
    m_car.Style.clear();
    ClearOptions();
    UpdateYearList();
    UpdateModelList();
    UpdateStyleList();
    UpdateDriveTypeList();
    UpdateEngineList();
    UpdateTransmissionList();
    ShowPlanWarning(true);
}

void CWS_EnterCarPage::OnModelChanged(const std::string& value) {
    if (value == m_car.ModelID) return;
    // "Choose Model" (and the old "-1") is no model.
    const bool none = value.empty() || value == "-1";
    m_car.ModelID = none ? std::string() : value;
    m_car.Model = none ? std::string() : GetSelectedOptionText("CarModel");
    m_car.StyleID.clear();
    m_car.Style.clear();
    ClearOptions();
    UpdateYearList();
    UpdateStyleList();
    UpdateDriveTypeList();
    UpdateEngineList();
    UpdateTransmissionList();
    ShowPlanWarning(true);
}

void CWS_EnterCarPage::OnStyleChanged(const std::string& value) {
    if (value == m_car.StyleID && !value.empty()) return;
    EnableDownloadPlan(false);
    if (!value.empty()) {
        m_car.StyleID = value;
        m_car.Style = GetSelectedOptionText("CarStyle");
        if (m_car.Style.empty() || m_car.Style == "Choose Style") {
            ElementPtr label;
            if (GetElementById("CarStyleLabel", label)) m_car.Style = label->innerText();
        }
        if (m_editing) {
            EnableAddServiceItems(true);
            EnableSaveVehicle(true);
        }
    } else {
        m_car.StyleID.clear();
        m_car.Style.clear();
        EnableAddServiceItems(false);
        EnableSaveVehicle(false);
    }
    ClearOptions();
    UpdateYearList();
    UpdateDriveTypeList();
    UpdateEngineList();
    UpdateTransmissionList();
    ShowPlanWarning(true);
}

void CWS_EnterCarPage::EnableDownloadForOptions() {
    EnableDownloadPlan(!m_car.DriveType.empty() && !m_car.Engine.empty() && !m_car.Transmission.empty());
}

void CWS_EnterCarPage::SetDriveType(const std::string& value) {
    if (value == m_car.DriveType) return;
    m_car.DriveType = value;
    EnableDownloadForOptions();
    ShowPlanWarning(true);
}

void CWS_EnterCarPage::SetEngine(const std::string& value) {
    if (value == m_car.Engine) return;
    m_car.Engine = value;
    EnableDownloadForOptions();
    ShowPlanWarning(true);
}

void CWS_EnterCarPage::SetTransmission(const std::string& value) {
    if (value == m_car.Transmission) return;
    m_car.Transmission = value;
    EnableDownloadForOptions();
    ShowPlanWarning(true);
}

void CWS_EnterCarPage::SetDrivingCondition(const std::string& value) {
    m_car.DrivingCondition = value;
    // The page's script enables the buttons for a custom car as soon as it is typed in, before the
    // program does; the browser's report of a button the program still has disabled is not taken,
    // so the choice the script hands over is the one the page keeps.
    if (value == "N" || value == "S") CheckById("CarDriving", value == "N" ? 0 : 1);
    ShowPlanWarning(true);
}

// --- page state -----------------------------------------------------------------------------

bool CWS_EnterCarPage::IsDirty() const {
    ElementPtr flag;
    return GetElementById("DirtyFlag", flag) && Trim(flag->innerText()) == "true";
}

void CWS_EnterCarPage::SetDirtyFlag(bool dirty) {
    ElementPtr flag;
    if (GetElementById("DirtyFlag", flag)) flag->setInnerText(dirty ? "true" : "false");
}

void CWS_EnterCarPage::SetDisabled(const std::string& id, bool disabled, int index) {
    ElementPtr element;
    if (!GetElementById(id, element, index)) return;
    // The page's script switches some of these itself, so the program's copy may be out of date:
    // setting the other state first makes sure the browser hears the state asked for.
    element->setDisabled(!disabled);
    element->setDisabled(disabled);
}

void CWS_EnterCarPage::EnableDownloadPlan(bool enable) {
    SetDisabled("DownloadPlan", !enable);
    SetDisabled("CarDriving", !enable, 0);
    SetDisabled("CarDriving", !enable, 1);
}

void CWS_EnterCarPage::EnableSaveVehicle(bool enable) {
    SetDisabled("SaveVehicle", !enable);
}

void CWS_EnterCarPage::EnableAddServiceItems(bool enable) {
    SetDisabled("AddServiceItems", !enable);
}

void CWS_EnterCarPage::SetQuickStartMode(const std::string& mode) {
    ElementPtr span;
    if (GetElementById("QuickStartEnabled", span)) span->setInnerText(mode);
    SetDisabled("Cancel", mode != "0");
}

void CWS_EnterCarPage::SetCustomLayout(bool custom) {
    SetCheckedById("CustomStyle", custom);
    ElementPtr table;
    if (!GetElementById("TableCar", table)) return;
    table->setClassName(custom ? "cartable" : "cartable custom");
    table->setClassName(custom ? "cartable custom" : "cartable");
    if (custom) {
        const bool typed = !GetInputValue("CustomCarYear").empty() && !GetInputValue("CustomCarMake").empty() &&
                           !GetInputValue("CustomCarModel").empty() && !GetInputValue("CustomCarStyle").empty();
        SetDisabled("CarDriving", !typed, 0);
        SetDisabled("CarDriving", !typed, 1);
        SetDisabled("DownloadPlan", !(typed && !GetCheckedRadioValue("CarDriving").empty()));
    }
}

void CWS_EnterCarPage::ShowTab(const std::string& name) {
    jv::ui::Element* body = m_pDocument->body();
    if (body == nullptr) return;
    body->setAttribute("data-tab", name == "Car" ? "Plan" : "Car");
    body->setAttribute("data-tab", name);
}

// --- the plan -------------------------------------------------------------------------------

void CWS_EnterCarPage::ShowPlanWarning(bool show) {
    ElementPtr warning;
    if (show) {
        if (!m_car.MaintenancePlan.MaintenancePlanID.empty() && GetElementById("Warning", warning)) {
            warning->setInnerHTML(kPlanMayNotMatch);
            warning->setStyle("display", "");
        }
        m_planMayNotMatch = true;
    } else {
        if (GetElementById("Warning", warning)) {
            warning->setInnerHTML("");
            warning->setStyle("display", "none");
        }
        m_planMayNotMatch = false;
    }
}

void CWS_EnterCarPage::ShowEmptyPlan() {
    m_car.MaintenancePlan.MaintenancePlanID.clear();
    m_car.MaintenancePlan.Items.clear();
    ElementPtr table;
    if (GetTableById("serviceitems", table)) {
        while (table->rows().size() > 1) table->deleteRow(static_cast<int>(table->rows().size()) - 1);
    }
    ElementPtr heading;
    if (GetElementById("MaintenancePlanHeading", heading)) heading->setInnerHTML(kNoPlanHeading);
}

void CWS_EnterCarPage::GetMaintenancePlan() {
    if (m_editing && MessageBox("Downloading a new maintenance plan will replace any changes you have made to your "
                                "existing plan.  Select OK to continue.",
                                "", "Cancel", -1, -1) != 0) {
        return;
    }
    ShowEmptyPlan();
    HideElement("serviceitems");
    // The plan the car had is given up: what follows is a new plan for the car.
    m_storedItemIds.clear();

    std::string make, model, year, style, driveType, engine, transmission;
    if (GetCheckedById("CustomStyle")) {
        make = Trim(GetInputValue("CustomCarMake"));
        model = Trim(GetInputValue("CustomCarModel"));
        year = Trim(GetInputValue("CustomCarYear"));
        style = Trim(GetInputValue("CustomCarStyle"));
        driveType = Trim(GetInputValue("CustomCarDriveType"));
        engine = Trim(GetInputValue("CustomCarEngine"));
        transmission = Trim(GetInputValue("CustomCarTransmission"));
    } else {
        make = m_car.Make;
        model = m_car.Model;
        year = m_year;
        style = m_car.Style;
        driveType = m_car.DriveType;
        engine = m_car.Engine;
        transmission = m_car.Transmission;
    }
    // The radios may have been answered before the program heard of it.
    const std::string checked = GetCheckedRadioValue("CarDriving");
    if (!checked.empty()) m_car.DrivingCondition = checked == "N" || checked == "n" ? "N" : "S";

    m_manufacturerPlan =
        Connected() && m_carStyles.getMaintenancePlan(make, model, year, style, driveType, engine, transmission,
                                                      m_car.DrivingCondition, m_car.Region, m_car.MaintenancePlan);
    if (!m_manufacturerPlan) {
        m_car.MaintenancePlan.Items.clear();
        CMaintenancePlanDatabaseObject plans(Doc()->GetDatabaseConnection());
        plans.GetGenericMaintenancePlan(m_car.DrivingCondition, m_car.MaintenancePlan);
    }
    if (!NewDatabase()) {
        std::string message =
            m_manufacturerPlan
                ? "Congratulations! We searched our database of thousands of plans and found one that's based on the "
                  "manufacturer's recommended plan for your vehicle!"
                : "Congratulations! Jorvane has a maintenance plan that we believe is appropriate for your car.  "
                  "Unfortunately, we were not able to find a manufacturer's plan to base our plan on, but instead "
                  "built one based on industry standards.";
        message +=
            "<p>We highly recommend that you take the time to review Jorvane's recommended plan and compare it to the "
            "plan outlined in your vehicle's owner's manual.</p>";
        MessageBox(message, "", "", 350, 350);
    }
    DisplayMaintenancePlan();
    ShowPlanWarning(false);
    EnableAddServiceItems(true);
    EnableSaveVehicle(true);
}

void CWS_EnterCarPage::DownloadPlanAsButton() {
    GetMaintenancePlan();
    ShowTab("Plan");
    SetDirtyFlag(true);
}

void CWS_EnterCarPage::DisplayMaintenancePlan() {
    HideElement("MaintenancePlanHeading");
    ShowElement("serviceitems");
    ElementPtr table;
    if (!GetTableById("serviceitems", table)) return;
    while (table->rows().size() > 1) table->deleteRow(static_cast<int>(table->rows().size()) - 1);

    const CUserPreferences& prefs = Prefs();
    ElementPtr unitElement;
    const std::string unit = GetElementById("DistanceUnit", unitElement) ? Trim(unitElement->innerText())
                                                                         : prefs.GetDistanceUnitName(false, true);
    const auto& items = m_car.MaintenancePlan.Items;
    for (size_t i = 0; i < items.size(); ++i) {
        const CMaintenancePlanItem& item = items[i];
        ElementPtr row;
        if (!InsertTableRow(table.get(), row)) return;
        row->setClassName(i % 2 == 0 ? "registerrowtop" : "registerrowbottom");
        row->setId(RowId(i + 1));
        row->setAttribute("data-item", std::to_string(item.MaintenancePlanItemID));
        ElementPtr cell;
        InsertRowCell(row.get(), "<td width=295></td>", cell);
        cell->setInnerText(item.DisplayText);

        const std::string initialDistance = std::to_string(CPlanSchedule::DisplayDistance(item.INITIAL_MILEAGE, prefs));
        const std::string intervalDistance =
            std::to_string(CPlanSchedule::DisplayDistance(item.INTERVAL_MILEAGE, prefs));
        const std::string initialMonths = std::to_string(item.INITIAL_MONTH);
        const std::string intervalMonths = std::to_string(item.INTERVAL_MONTH);
        const std::string safeUnit = EscapeHtmlQuotes(unit);
        std::string html = "<span class=\"schedule\">" +
                           CPlanSchedule::ScheduleText(item, prefs, safeUnit, jv::NumberFormat::User()) + "</span>";
        html += "<span class=\"OrigInitialDistance\" style=\"display:none;\">" + initialDistance + "</span>";
        html += "<span class=\"OrigInitialMonths\" style=\"display:none;\">" + initialMonths + "</span>";
        html += "<span class=\"OrigIntervalDistance\" style=\"display:none;\">" + intervalDistance + "</span>";
        html += "<span class=\"OrigIntervalMonths\" style=\"display:none;\">" + intervalMonths + "</span>";
        html +=
            "<span class=\"editbox\" style=\"display:none;\">at <input name=\"InputInitialDistance\" size=\"6\" "
            "value=\"" +
            initialDistance + "\"> " + safeUnit + " or <input name=\"InputInitialTime\" size=\"3\" value=\"" +
            initialMonths + "\"> months<br/>and then every <input name=\"InputIntervalDistance\" size=\"6\" value=\"" +
            intervalDistance + "\"> " + safeUnit + " or <input name=\"InputIntervalTime\" size=\"3\" value=\"" +
            intervalMonths + "\"> months <button type=\"button\" class=\"ItemSubmit\">Submit</button></span>";
        InsertRowCell(row.get(), "<td width=250></td>", cell);
        cell->setInnerHTML(html);
    }
}

void CWS_EnterCarPage::OpenPlanRow(int itemId) {
    const auto& items = m_car.MaintenancePlan.Items;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].MaintenancePlanItemID != itemId) continue;
        ElementPtr row;
        if (!GetElementById(RowId(i + 1), row)) return;
        row->setClassName("registerrowcurrent");
        for (jv::ui::Element* span :
             row->cells().size() > 1 ? row->cells()[1]->children() : std::vector<jv::ui::Element*>{}) {
            if (span->className() == "schedule") span->setStyle("display", "none");
            if (span->className() == "editbox") span->setStyle("display", "");
        }
        return;
    }
}

void CWS_EnterCarPage::UpdateMaintenancePlanItem(int rowKey, const std::string& initialDistance,
                                                 const std::string& initialMonths, const std::string& intervalDistance,
                                                 const std::string& intervalMonths) {
    ElementPtr refused;
    if (GetElementById("PlanRowRefused", refused)) refused->setInnerText("");
    const auto& items = m_car.MaintenancePlan.Items;
    if (rowKey < 1 || static_cast<size_t>(rowKey) > items.size()) return;
    const std::string* texts[] = {&initialDistance, &initialMonths, &intervalDistance, &intervalMonths};
    std::array<int, 4> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const std::optional<int> count = CTypedValue::Count(*texts[i]);
        if (!count) {
            RefusePlanSchedule(items[static_cast<size_t>(rowKey) - 1], *texts[i], false);
            if (refused) refused->setInnerText("true");
            return;
        }
        values[i] = *count;
    }
    ChangePlanSchedule(rowKey, values[0], values[1], values[2], values[3]);
}

void CWS_EnterCarPage::RefusePlanSchedule(const CMaintenancePlanItem& item, const std::string& typed, bool saving) {
    std::string message = "\"" + EscapeHtmlQuotes(typed) +
                          "\" is not a number. Please enter the distances and months of " +
                          EscapeHtmlQuotes(item.DisplayText) + " as numbers.";
    if (saving) message += "<p>Your car was not saved.</p>";
    MessageBox(message, "", "", -1, -1);
}

void CWS_EnterCarPage::ChangePlanSchedule(int rowKey, int initialDistance, int initialMonths, int intervalDistance,
                                          int intervalMonths) {
    auto& items = m_car.MaintenancePlan.Items;
    if (rowKey < 1 || static_cast<size_t>(rowKey) > items.size()) return;
    CMaintenancePlanItem& item = items[static_cast<size_t>(rowKey) - 1];
    const CUserPreferences& prefs = Prefs();
    const int initialMiles = CPlanSchedule::ToMiles(initialDistance, item.INITIAL_MILEAGE, prefs);
    const int intervalMiles = CPlanSchedule::ToMiles(intervalDistance, item.INTERVAL_MILEAGE, prefs);
    if (initialMiles == item.INITIAL_MILEAGE && initialMonths == item.INITIAL_MONTH &&
        intervalMiles == item.INTERVAL_MILEAGE && intervalMonths == item.INTERVAL_MONTH) {
        return;
    }
    SetDirtyFlag(true);
    const int oldInitial = CPlanSchedule::DisplayDistance(item.INITIAL_MILEAGE, prefs);
    const int oldInterval = CPlanSchedule::DisplayDistance(item.INTERVAL_MILEAGE, prefs);
    const int oldInitialMonths = item.INITIAL_MONTH;
    const int oldIntervalMonths = item.INTERVAL_MONTH;
    item.INITIAL_MILEAGE = initialMiles;
    item.INITIAL_MONTH = initialMonths;
    item.INTERVAL_MILEAGE = intervalMiles;
    item.INTERVAL_MONTH = intervalMonths;
    OfferScheduleChange(rowKey - 1, oldInitial, initialDistance, oldInterval, intervalDistance, oldInitialMonths,
                        initialMonths, oldIntervalMonths, intervalMonths);
    DisplayMaintenancePlan();
}

bool CWS_EnterCarPage::TakeTypedPlanRows() {
    ElementPtr table;
    if (!GetTableById("serviceitems", table)) return true;
    // Each row's inputs beside the hidden spans of its schedule as shown, in the order the row's
    // Submit hands them over.
    static const std::pair<const char*, const char*> kFields[] = {{"InputInitialDistance", "OrigInitialDistance"},
                                                                  {"InputInitialTime", "OrigInitialMonths"},
                                                                  {"InputIntervalDistance", "OrigIntervalDistance"},
                                                                  {"InputIntervalTime", "OrigIntervalMonths"}};
    std::vector<std::pair<int, std::array<int, 4>>> typed;
    for (const jv::ui::Element* row : table->rows()) {
        const auto cells = row->cells();
        const std::string id = row->id();
        if (cells.size() < 2 || id.rfind("item", 0) != 0) continue;
        std::map<std::string, std::string> texts;
        for (jv::ui::Element* span : cells[1]->children()) {
            if (span->className() != "editbox") {
                texts[span->className()] = Trim(span->innerText());
                continue;
            }
            for (jv::ui::Element* input : span->children())
                if (input->is("input")) texts[input->name()] = Trim(input->value());
        }
        // As the page weighs a row: an empty value counts as 0.
        const auto shown = [&texts](const char* name) {
            const std::string& text = texts[name];
            return text.empty() ? std::string("0") : text;
        };
        std::array<int, 4> values{};
        bool changed = false;
        const std::string* notANumber = nullptr;
        for (size_t i = 0; i < std::size(kFields); ++i) {
            changed = changed || shown(kFields[i].first) != shown(kFields[i].second);
            const std::string& text = texts[kFields[i].first];
            const std::optional<int> count = CTypedValue::Count(text);
            if (!count && notANumber == nullptr) notANumber = &text;
            values[i] = count.value_or(0);
        }
        if (!changed) continue;
        const int rowKey = std::atoi(id.c_str() + 4);
        const auto& items = m_car.MaintenancePlan.Items;
        if (notANumber != nullptr && rowKey >= 1 && static_cast<size_t>(rowKey) <= items.size()) {
            RefusePlanSchedule(items[static_cast<size_t>(rowKey) - 1], *notANumber, true);
            return false;
        }
        typed.emplace_back(rowKey, values);
    }
    for (const auto& [rowKey, values] : typed) ChangePlanSchedule(rowKey, values[0], values[1], values[2], values[3]);
    return true;
}

void CWS_EnterCarPage::SortPlanByFirstDue() {
    std::stable_sort(m_car.MaintenancePlan.Items.begin(), m_car.MaintenancePlan.Items.end(),
                     [](const CMaintenancePlanItem& a, const CMaintenancePlanItem& b) {
                         if (FirstDueDistance(a) != FirstDueDistance(b))
                             return FirstDueDistance(a) < FirstDueDistance(b);
                         return FirstDueMonths(a) < FirstDueMonths(b);
                     });
}

void CWS_EnterCarPage::ShowAddServiceItemsDlg() {
    auto& plan = m_car.MaintenancePlan.Items;
    CMaintenancePlanDatabaseObject plans(Doc()->GetDatabaseConnection());
    m_customItems.clear();
    plans.GetCustomMaintenanceItems(&plan, m_car.DrivingCondition, m_customItems);

    std::vector<CMaintenancePlanItem> working;
    for (const CMaintenancePlanItem& item : plan) {
        auto at = std::find_if(working.begin(), working.end(),
                               [&](const CMaintenancePlanItem& kept) { return kept.DisplayText > item.DisplayText; });
        working.insert(at, item);
    }
    if (!EditPlanItems(m_customItems, working)) return;

    const auto inList = [](const std::vector<CMaintenancePlanItem>& list, const std::string& text) {
        return std::any_of(list.begin(), list.end(),
                           [&](const CMaintenancePlanItem& i) { return i.DisplayText == text; });
    };
    for (size_t i = plan.size(); i-- > 0;) {
        if (!inList(working, plan[i].DisplayText)) {
            plan.erase(plan.begin() + static_cast<long>(i));
            SetDirtyFlag(true);
        }
    }
    std::vector<CMaintenancePlanItem> stored;
    plans.GetCustomMaintenanceItems(&plan, m_car.DrivingCondition, stored);
    for (size_t i = working.size(); i-- > 0;) {
        CMaintenancePlanItem& item = working[i];
        if (inList(plan, item.DisplayText)) continue;
        SetDirtyFlag(true);
        if (!inList(stored, item.DisplayText)) {
            item.severe_service_flag = m_car.DrivingCondition.empty() ? 'S' : m_car.DrivingCondition[0];
            plans.InsertCustomMaintenanceItem(item);
        }
    }
    plan = working;
    SortPlanByFirstDue();
    DisplayMaintenancePlan();
}

void CWS_EnterCarPage::DeleteServiceItem(int row) {
    auto& items = m_car.MaintenancePlan.Items;
    if (row < 1 || static_cast<size_t>(row) > items.size()) return;
    const CMaintenancePlanItem& item = items[static_cast<size_t>(row) - 1];
    // Only a row of the car's stored plan is deleted from the file; downloaded and new items
    // carry numbers that may equal another plan's row ids.
    if (!m_car.MaintenancePlan.MaintenancePlanID.empty() && m_storedItemIds.count(item.MaintenancePlanItemID) > 0) {
        CMaintenancePlanDatabaseObject plans(Doc()->GetDatabaseConnection());
        plans.DeleteMaintenanceItem(item.MaintenancePlanItemID);
        m_storedItemIds.erase(item.MaintenancePlanItemID);
    }
    items.erase(items.begin() + (row - 1));
    DisplayMaintenancePlan();
}

std::string CWS_EnterCarPage::PrintContent() const {
    std::string html = "<H2>" + EscapeHtmlQuotes(m_car.Name) + "</H2>";
    ElementPtr element;
    if (GetElementById("TableCar", element)) html += element->outerHTML();
    html += "<br/><br/><H4>Maintenance Plan</H4>";
    if (GetElementById("serviceitems", element)) {
        std::string table = element->outerHTML();
        const std::string expression = "TOP: expression(document.getElementById('DivPlan').scrollTop)";
        for (auto at = table.find(expression); at != std::string::npos; at = table.find(expression))
            table.erase(at, expression.size());
        html += table;
    }
    return html;
}

void CWS_EnterCarPage::PrintPage() {
    CPrintPreviewDlg::Print(PrintContent());
}

// --- saving ---------------------------------------------------------------------------------

bool CWS_EnterCarPage::ChooseCarName(std::string& name) {
    CCarsDB cars(Doc()->GetDatabaseConnection());
    name = Trim(GetInputValue("CarName"));
    if (m_editing && !name.empty() && name == m_storedCar.Name) return true;
    if (!name.empty() && cars.isCarNameUnique(name)) return true;
    for (;;) {
        if (!name.empty() && !(m_editing && name == m_storedCar.Name)) {
            MessageBox("I'm sorry, that vehicle name has already been used.  Please try a different name.", "", "", -1,
                       -1);
        }
        if (!AskCarName(name)) return false;
        name = Trim(name);
        if (m_editing && name == m_storedCar.Name && !name.empty()) return true;
        if (!name.empty() && cars.isCarNameUnique(name)) return true;
    }
}

void CWS_EnterCarPage::ReadCarFields() {
    m_car.VehicleID = m_vehicleID;
    m_car.Custom = GetCheckedById("CustomStyle");
    if (m_car.Custom) {
        m_car.StyleYear = std::atoi(GetInputValue("CustomCarYear").c_str());
        m_car.MakeID = "0";
        m_car.ModelID = "0";
        // addCar gives a new custom car its own style id; a stored one keeps it.
        if (!m_editing || !m_storedCar.Custom) m_car.StyleID = "0";
        m_car.Make = Trim(GetInputValue("CustomCarMake"));
        m_car.Model = Trim(GetInputValue("CustomCarModel"));
        m_car.Style = Trim(GetInputValue("CustomCarStyle"));
        m_car.DriveType = Trim(GetInputValue("CustomCarDriveType"));
        m_car.Engine = Trim(GetInputValue("CustomCarEngine"));
        m_car.Transmission = Trim(GetInputValue("CustomCarTransmission"));
    } else {
        m_car.StyleYear = std::atoi(GetSelectValue("CarYear").c_str());
        m_car.MakeID = GetSelectValue("CarMake");
        m_car.ModelID = GetSelectValue("CarModel");
        m_car.StyleID = GetSelectValue("CarStyle");
        m_car.Make = GetSelectedOptionText("CarMake");
        m_car.Model = GetSelectedOptionText("CarModel");
        m_car.Style = GetSelectedOptionText("CarStyle");
        m_car.DriveType = GetSelectValue("CarDriveType");
        m_car.Engine = GetSelectValue("CarEngine");
        m_car.Transmission = GetSelectValue("CarTransmission");
    }
    const std::string driving = GetCheckedRadioValue("CarDriving");
    m_car.DrivingCondition = (driving == "N" || driving == "n") ? "N" : "S";
    m_car.Notes = GetTextAreaValue("CarNotes");
    m_car.CurrentOdometer = static_cast<float>(LocaleStringToDouble(GetInputValue("CarCurrentOdometer")));
    m_car.PurchaseOdometer = FieldNumber(GetInputValue("CarInitialOdometer"));
    // A stored car keeps its purchase date when the field is emptied (the database is given none),
    // and the purchase's reading stays with it.
    const std::string purchaseDate = TypedDate("CarPurchaseDate", m_storedCar.PurchaseDate).text;
    m_car.PurchaseDate = !purchaseDate.empty() ? ParseDate(purchaseDate)
                         : m_editing           ? m_storedCar.PurchaseDate
                                               : jv::DateTime::Null();
    m_car.MaintenancePlan.Name = "plan for " + m_car.Name;
    m_car.MaintenancePlan.StyleID = m_car.StyleID;
    m_car.MaintenancePlan.DrivingCondition = m_car.DrivingCondition;
    m_car.VIN = GetInputValue("VIN");
    m_car.Color = GetInputValue("Color");
    m_car.PurchaseVendor = GetTextAreaValue("PurchasedFrom");
    m_car.PurchaseOrLease = GetCheckedRadioValue("PurchaseOrLease");
    m_car.PurchaseType = GetCheckedRadioValue("NewOrUsed");
    m_car.PurchasePrice = FieldNumber(GetInputValue("PurchasePrice"));
    m_car.Sold = GetCheckedById("SoldCarCheckBox");
    const std::string soldDate = TypedDate("CarSoldDate", m_storedCar.SoldDate).text;
    m_car.SoldDate = soldDate.empty() ? jv::DateTime::Null() : ParseDate(soldDate);
    m_car.SoldVendor = GetTextAreaValue("SoldTo");
    m_car.SoldPrice = FieldNumber(GetInputValue("SalePrice"));
    m_car.InsuranceProvider = GetInputValue("InsuranceProvider");
    m_car.PolicyNumber = GetInputValue("PolicyNumber");
    m_car.LicensePlate = GetInputValue("LicensePlate");
}

registerfields::EntryDate CWS_EnterCarPage::TypedDate(const char* field, const jv::DateTime& stored) const {
    return registerfields::DateForDatabase(GetInputValue(field), jv::CurrentClock().Now(), m_editing ? &stored : nullptr);
}

void CWS_EnterCarPage::RecordPurchaseReading(COdometerValuesDatabaseObject& odometers, const CCar& before) {
    const bool hadReading = before.PurchaseDate.IsValid() && before.PurchaseOdometer != -1.0;
    const bool hasReading = m_car.PurchaseDate.IsValid() && m_car.PurchaseOdometer != -1.0;
    const bool moved =
        !hasReading || before.PurchaseDate != m_car.PurchaseDate || before.PurchaseOdometer != m_car.PurchaseOdometer;
    // The reading the old purchase details made goes with them.
    if (hadReading && moved)
        odometers.DeleteOdometerValue(m_car.VehicleID, before.PurchaseDate, before.PurchaseOdometer);
    if (hasReading && (!hadReading || moved)) {
        odometers.AddOdometerValue(m_car.VehicleID, m_car.PurchaseDate.Format("%m/%d/%Y"),
                                   PlainNumber(m_car.PurchaseOdometer));
    }
}

savechecks::CarFields CWS_EnterCarPage::TypedCarFields() const {
    return {GetCheckedById("CustomStyle"),      !m_editing,
            GetInputValue("CustomCarYear"),     GetInputValue("CustomCarMake"),
            GetInputValue("CustomCarModel"),    GetInputValue("CustomCarStyle"),
            GetInputValue("CarCurrentOdometer")};
}

nlohmann::json CWS_EnterCarPage::CheckCustomYear(const std::string& year) {
    const int nextYear = jv::CurrentClock().Now().GetYear() + 1;
    return {{"refusal", savechecks::CustomYearAccepted(year, nextYear) ? "" : savechecks::YearRefusal(nextYear)}};
}

nlohmann::json CWS_EnterCarPage::CheckCar() {
    const savechecks::CarFields fields = TypedCarFields();
    const savechecks::Refusal custom = savechecks::CustomCarRefusal(fields, jv::CurrentClock().Now().GetYear() + 1);
    const savechecks::Refusal odometer = savechecks::OdometerRefusal(fields);
    ElementPtr label;
    const bool styleChosen =
        !GetSelectValue("CarStyle").empty() || (GetElementById("CarStyleLabel", label) && !label->innerText().empty());
    return {{"refusal", custom.message},
            {"field", custom.field},
            {"styleRefusal", fields.custom || styleChosen ? "" : savechecks::StyleRefusal()},
            {"odometerRefusal", odometer.message},
            {"odometerField", odometer.field}};
}

bool CWS_EnterCarPage::AddCar() {
    const bool custom = GetCheckedById("CustomStyle");
    // The car this page edits was deleted meanwhile (Go To > Delete Car): nothing is left to save.
    if (CarDeleted()) {
        TraceLog("CWS_EnterCarPage::AddCar", TRACE_WARNING, "The car " + m_vehicleID + " was deleted: not saved");
        return false;
    }
    // What the page's own Save does first, for the saves it does not start (the program ending).
    if (!TakeTypedPlanRows()) return false;
    const int nextYear = jv::CurrentClock().Now().GetYear() + 1;
    if (custom && !savechecks::CustomYearAccepted(GetInputValue("CustomCarYear"), nextYear)) {
        // As the page does with a year it does not take: emptied, with its message. The car then
        // lacks its year and is not saved; the year is why.
        ElementPtr year;
        if (GetElementById("CustomCarYear", year)) year->setValue("");
        MessageBox(savechecks::YearRefusal(nextYear), "", "", -1, -1);
        return false;
    }
    const std::string refusal = savechecks::CarRefusal(TypedCarFields(), nextYear).message;
    if (!refusal.empty()) {
        MessageBox(EscapeHtmlQuotes(refusal), "", "", -1, -1);
        return false;
    }
    const bool styleChosen =
        custom ? !Trim(GetInputValue("CustomCarStyle")).empty() : !GetSelectValue("CarStyle").empty();
    if (!styleChosen) {
        MessageBox(savechecks::StyleRefusal(), "", "", -1, -1);
        ElementPtr field;
        if (GetElementById(custom ? "CustomCarStyle" : "CarStyle", field)) field->focus();
        return false;
    }
    if (m_planMayNotMatch && MessageBox("Your Service Plan no longer matches your car.  Hit OK to save anyway.", "",
                                        "Cancel", -1, -1) != 0) {
        return false;
    }
    // Numbers typed that are not numbers are refused before anything is asked or stored.
    for (const auto& [field, label] :
         {std::pair{"CarInitialOdometer", "purchase odometer"}, std::pair{"PurchasePrice", "purchase price"},
          std::pair{"SalePrice", "sale price"}}) {
        const std::string typed = GetInputValue(field);
        if (registerfields::NumberForDatabase(typed, "", jv::NumberFormat::User())) continue;
        MessageBox(std::string("The ") + label + " \"" + EscapeHtmlQuotes(typed) +
                       "\" is not a number.<p>Your car was not saved.",
                   "", "", -1, -1);
        ElementPtr input;
        if (GetElementById(field, input)) input->focus();
        return false;
    }
    // Dates as the registers take them: none that is no date, none after today or before 1900. A
    // date the page shows as stored is kept as it is; an empty one leaves the stored date.
    for (const auto& [field, label, stored] :
         {std::tuple{"CarPurchaseDate", "purchase date", &m_storedCar.PurchaseDate},
          std::tuple{"CarSoldDate", "sale date", &m_storedCar.SoldDate}}) {
        const std::string typed = Trim(GetInputValue(field));
        const registerfields::EntryDate date = TypedDate(field, *stored);
        if (typed.empty() || date.problem == registerfields::EntryDate::Problem::None) continue;
        MessageBox(std::string("The ") + label + " \"" + EscapeHtmlQuotes(typed) + "\" " +
                       registerfields::DateRefusal(date.problem) + ".<p>Your car was not saved.",
                   "", "", -1, -1);
        ElementPtr input;
        if (GetElementById(field, input)) input->focus();
        return false;
    }
    std::string name;
    if (!ChooseCarName(name)) return false;
    m_car.Name = name;
    ReadCarFields();

    CJorvaneDoc* doc = Doc();
    CJorvaneView* view = CJorvaneView::GetView();
    CCarsDB cars(doc->GetDatabaseConnection());
    COdometerValuesDatabaseObject odometers(doc->GetDatabaseConnection());
    const bool quickStart = NewDatabase();
    const bool wasEditing = m_editing;
    bool saved = false;
    if (m_editing) {
        saved = cars.updateCar(m_car);
        if (saved) {
            SetDirtyFlag(false);
            RecordPurchaseReading(odometers, m_storedCar);
            // An emptied purchase date shows the date the car keeps.
            if (Trim(GetInputValue("CarPurchaseDate")).empty())
                SetInputValue("CarPurchaseDate", FormatDate(m_car.PurchaseDate));
            m_storedCar = m_car;
            for (const auto& item : m_car.MaintenancePlan.Items) m_storedItemIds.insert(item.MaintenancePlanItemID);
            // While QuickStart runs, its own next step follows the save.
            if (!quickStart) {
                const int answer = MessageBox("Jorvane has saved your changes.<p>Click OK to go to the Home page.", "",
                                              "Make More Changes", 350, 250);
                if (answer == 0) {
                    if (view) view->Navigate(CJorvaneView::kFrameset, CJorvaneView::kHomePage);
                    return true;
                }
            }
        }
    } else {
        saved = cars.addCar(m_car);
        if (saved) {
            SetDirtyFlag(false);
            m_vehicleID = m_car.VehicleID;
            RecordPurchaseReading(odometers, CCar{});
            const std::string current = Trim(GetInputValue("CarCurrentOdometer"));
            if (!current.empty() && m_car.CurrentOdometer != -1.0f) {
                // The reading as typed, not as the car's float holds it.
                odometers.AddOdometerValue(m_car.VehicleID, jv::CurrentClock().Now().Format("%m/%d/%Y"),
                                           PlainNumber(FieldNumber(current)));
            }
            m_car.BackwardRate = odometers.GetDistanceRate(m_car, "Day", Prefs(), false);
            m_car.ForwardRate = odometers.GetDistanceRate(m_car, "Day", Prefs(), true);
            CServiceRegisterDatabaseObject services(doc->GetDatabaseConnection());
            services.AddAutomaticEntries(m_car, m_car.CurrentOdometer, Prefs());
            if (view) {
                view->GetProfile().WriteProfileString("Settings", "NewCar", "1");
                view->GetProfile().WriteProfileString("Settings", "LastCar", m_car.VehicleID);
            }
            // From now on the page edits the car it stored.
            m_editing = true;
            m_storedCar = m_car;
        }
    }
    if (view) view->RefreshNavCarList();
    // A save that failed asks nothing more: the page keeps the user's work and its dirty flag.
    if (!saved) return true;
    ShowPlanWarning(false);
    if (!wasEditing && !quickStart) {
        CGenericDlg dialog;
        dialog.SetMessage("Would you like to add another car?");
        dialog.SetOKLabel("Yes");
        dialog.SetCancelLabel("No");
        dialog.ShowCancelButton();
        const int answer = dialog.DoModal();
        if (view) {
            view->Navigate(CJorvaneView::kFrameset,
                           answer == 0 ? CJorvaneView::kEnterCarPage : CJorvaneView::kHomePage);
        }
    }
    return true;
}

bool CWS_EnterCarPage::StillStored() const {
    CCar stored;
    return ReadStoredCar(stored);
}

bool CWS_EnterCarPage::ReadStoredCar(CCar& car) const {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr || m_vehicleID.empty()) return false;
    CUserPreferences prefs = doc->GetUserPreferences();
    prefs.ShowSoldCars = true;
    CCarsDB cars(doc->GetDatabaseConnection());
    if (!cars.getCars(m_vehicleID, prefs) || cars.m_cars.empty()) return false;
    car = cars.m_cars.front();
    return true;
}

void CWS_EnterCarPage::ShowStoredSale() {
    CCar stored;
    if (!m_editing || !ReadStoredCar(stored)) return;
    for (CCar* car : {&m_car, &m_storedCar}) {
        car->Sold = stored.Sold;
        car->SoldDate = stored.SoldDate;
        car->SoldPrice = stored.SoldPrice;
        car->SoldVendor = stored.SoldVendor;
    }
    SetCheckedById("SoldCarCheckBox", stored.Sold);
    SetInputValue("CarSoldDate", FormatDate(stored.SoldDate));
    SetInputValue("SalePrice", stored.SoldPrice != -1.0 ? StoredNumber(stored.SoldPrice, 2) : std::string());
    SetTextAreaValue("SoldTo", stored.SoldVendor);
}

// --- dialogs --------------------------------------------------------------------------------

int CWS_EnterCarPage::MessageBox(const std::string& message, const std::string& ok, const std::string& cancel,
                                 int width, int height) {
    CGenericDlg dialog;
    dialog.SetMessage(message);
    if (!ok.empty()) dialog.SetOKLabel(ok);
    if (!cancel.empty()) {
        dialog.SetCancelLabel(cancel);
        dialog.ShowCancelButton();
    }
    if (width != -1) dialog.SetSize(width, height);
    return dialog.DoModal();
}

bool CWS_EnterCarPage::AskCarName(std::string& name) {
    CWS_EnterCar_CarNameDlg dialog;
    dialog.SetCarName(name);
    if (dialog.DoModal() != 1) return false;
    name = dialog.GetCarName();
    return true;
}

bool CWS_EnterCarPage::EditPlanItems(std::vector<CMaintenancePlanItem>& available,
                                     std::vector<CMaintenancePlanItem>& selected) {
    CWS_EnterCar_AddServiceItemsDlg dialog;
    dialog.SetAvailableItems(&available);
    dialog.SetSelectedItems(&selected);
    return dialog.DoModal() == 1;
}

void CWS_EnterCarPage::OfferScheduleChange(int itemIndex, int oldInitialDistance, int newInitialDistance,
                                           int oldIntervalDistance, int newIntervalDistance, int oldInitialMonths,
                                           int newInitialMonths, int oldIntervalMonths, int newIntervalMonths) {
    auto& items = m_car.MaintenancePlan.Items;
    CWS_Home_Reminders_ChangeScheduleDlg2 dialog;
    dialog.SetSchedule(items[static_cast<size_t>(itemIndex)].MaintenancePlanItemID, oldInitialDistance,
                       newInitialDistance, oldIntervalDistance, newIntervalDistance, oldInitialMonths, newInitialMonths,
                       oldIntervalMonths, newIntervalMonths);
    dialog.SetItems(&items);
    dialog.SetChangedIndex(itemIndex);
    // No other item has a schedule like the old one: nothing to offer.
    if (!dialog.HasSimilarItems(Prefs())) return;
    dialog.DoModal();
}
