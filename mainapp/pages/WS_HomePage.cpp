#include "mainapp/pages/WS_HomePage.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <map>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/dialogs/PrintPreviewDlg.h"
#include "mainapp/dialogs/WS_Home_UpdateOdometerDlg.h"
#include "mainapp/pages/CostGraphSeries.h"
#include "mainapp/pages/HomePageMarkup.h"
#include "mainapp/pages/HtmlGraph.h"
#include "platform/base/Clock.h"
#include "platform/base/NumberText.h"
#include "platform/base/Profile.h"
#include "platform/ui/Document.h"
#include "shared/core/NumberUtils.h"
#include "shared/core/TraceLog.h"
#include "shared/data/MaintenancePlanDatabaseObject.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

namespace {

constexpr double kNextServiceDays = 365.0;
constexpr int kGraphTotalCost = 1;
constexpr int kGraphFuelEconomy = 2;

constexpr const char* kNewCarMessage =
    "As part of the Add Car process, Jorvane assumes that you have followed your service schedule. To reflect "
    "this, Jorvane may automatically create one or more entries on the Service Register.<p>Jorvane's entries are "
    "estimates based on the service schedule for your car. You can change these to better reflect your actual "
    "service history, if you choose.<p>You can review Jorvane's automatic entries by going to the Service Register "
    "by clicking on the Go To Service Register button below. To instead go to Jorvane's Homepage, click on the Go "
    "To Homepage button.";

constexpr const char* kSampleGraph =
    "<p style=\"width:500px;\">Jorvane needs more data for your car(s) so we can replace this sample with real "
    "data.  Once you've entered more information (at least three entries) in the Fuel, Service and/or "
    "Miscellaneous Expense Registers, we can make graphs for your car(s).</p><img alt=\"Sample Graph\" src=257 >";

jv::db::Connection DocumentConnection() {
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    return document != nullptr ? document->GetDatabaseConnection() : jv::db::Connection();
}

// Earlier due dates first; reminders without a valid due date last.
void SortByDueDate(std::vector<CReminder>& reminders) {
    const auto key = [](const CReminder& reminder) {
        return reminder.DueDate.IsValid() ? reminder.DueDate.Days() : std::numeric_limits<double>::infinity();
    };
    std::stable_sort(reminders.begin(), reminders.end(),
                     [&key](const CReminder& a, const CReminder& b) { return key(a) < key(b); });
}

std::string MonthDayYear(const jv::DateTime& date) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%d", date.GetMonth(), date.GetDay(), date.GetYear());
    return text;
}

// "MPG", "MPL", "KPG" or "KPL".
std::string EconomyUnit(const CUserPreferences& prefs) {
    const std::string distance = prefs.GetDistanceUnitName(true, true);
    const std::string volume = prefs.GetVolumeUnitName(true, true);
    return distance.substr(0, 1) + "P" + volume.substr(0, 1);
}

}  // namespace

CWS_HomePage::CWS_HomePage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVPage(resourceId, std::move(document)), m_cars(DocumentConnection()), m_overview(DocumentConnection()) {}

CWS_HomePage::~CWS_HomePage() = default;

CJorvaneView* CWS_HomePage::View() const {
    return CJorvaneView::GetView();
}

const CReminder* CWS_HomePage::ReminderAt(int reminderId) const {
    if (!CHomePageMarkup::IsReminderId(reminderId, m_reminders.size())) {
        TraceLog("CWS_HomePage", TRACE_WARNING, "No reminder " + std::to_string(reminderId) + " on the page.");
        return nullptr;
    }
    return &m_reminders[static_cast<size_t>(reminderId)];
}

const CCar* CWS_HomePage::CarWithId(const std::string& vehicleId) const {
    for (const CCar& car : m_cars.m_cars)
        if (car.VehicleID == vehicleId) return &car;
    return nullptr;
}

void CWS_HomePage::ProcessDocument() {
    UpdateLayout();
    if (ShowNewCarNotice()) return;
    BuildCarList();
    SetupGraphControls();
}

bool CWS_HomePage::ShowNewCarNotice() {
    CJorvaneView* view = View();
    if (view == nullptr) return false;
    jv::Profile& profile = view->GetProfile();
    if (profile.GetProfileString("Settings", "NewCar") != "1") return false;
    CGenericDlg dialog;
    dialog.SetSize(480, 400);
    dialog.SetMessage(kNewCarMessage);
    dialog.SetOKLabel("Go To Homepage");
    dialog.SetCancelLabel("Go To Service Register");
    dialog.ShowCancelButton();
    const int result = dialog.DoModal();
    profile.WriteProfileString("Settings", "NewCar", "0");
    if (result != 1) return false;
    view->SelectCarByID(profile.GetProfileString("Settings", "LastCar"));
    view->Navigate(CJorvaneView::kFrameset, CJorvaneView::kServiceRegisterPage);
    return true;
}

void CWS_HomePage::UpdateLayout() {
    CJorvaneView* view = View();
    if (view == nullptr) return;
    const int width = view->GetClientWidth();
    if (width <= 0) return;  // not known yet
    const int threshold = view->GetSelectedCar() == "%" ? kNarrowWidthAllCars : kNarrowWidthOneCar;
    const int layout = width < threshold ? 1 : 2;
    if (layout == m_nLayout) return;
    m_nLayout = layout;

    ElementPtr reminders;
    ElementPtr table;
    if (!GetElementById("ServiceRemindersDiv", reminders) || !GetTableById("HomeTable", table)) return;
    const std::string html = reminders->outerHTML();
    jv::ui::Element* holder = reminders->parentElement();
    jv::ui::Element* holderRow = holder != nullptr ? holder->parentElement() : nullptr;
    if (layout == 1) {
        ElementPtr row;
        ElementPtr cell;
        if (!InsertTableRow(table.get(), row, 1) || !InsertRowCell(row.get(), "<td valign=\"top\"></td>", cell)) return;
        cell->setInnerHTML(html);
        if (holderRow != nullptr) holderRow->deleteCell(1);
    } else {
        ElementPtr first;
        ElementPtr cell;
        if (!GetTableRow(table.get(), 0, first) || !InsertRowCell(first.get(), "<td></td>", cell)) return;
        cell->setInnerHTML(html);
        table->deleteRow(1);
    }
}

void CWS_HomePage::BuildCarList() {
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    CJorvaneView* view = View();
    if (document == nullptr) return;
    CUserPreferences& prefs = document->GetUserPreferences();
    std::string selected = view != nullptr ? view->GetSelectedCar() : "%";
    if (selected.empty()) selected = "%";

    m_cars.m_cars.clear();
    m_cars.getCars(selected, prefs);
    m_cars.getCurrentOdometers(prefs);

    CRemindersDatabaseObject remindersDB(document->GetDatabaseConnection());
    m_reminders.clear();
    if (view != nullptr) view->ClearPendingReminder();

    ElementPtr dueBy;
    if (!GetElementById("ReminderDate", dueBy)) return;
    const jv::DateTime now = CRemindersDatabaseObject::Now();
    std::string typed = GetInputValue("ReminderDate");
    typed.erase(0, typed.find_first_not_of(" \t"));
    typed.erase(typed.find_last_not_of(" \t") + 1);
    jv::DateTime to;
    if (typed.empty()) {
        to = now + CRemindersDatabaseObject::kUpcomingDays;
        SetInputValue("ReminderDate", MonthDayYear(to));
    } else if (!CHomePageMarkup::ParseDueBy(typed, to)) {
        to = jv::DateTime::Invalid();
    }
    // A date that cannot be read lists nothing and says so at the field.
    dueBy->setClassName(to.IsValid() ? "duedate" : "duedate invalid");
    dueBy->setAttribute(
        "title", to.IsValid() ? "Services due by this date (month/day/year)" : "Type the date as month/day/year");

    if (to.IsValid()) remindersDB.GetReminders(selected, jv::DateTime::Null(), to, m_reminders, prefs);
    SortByDueDate(m_reminders);

    ElementPtr element;
    if (GetElementById("DistanceUnit", element)) element->setInnerText(prefs.GetDistanceUnitName(true, true));
    if (GetElementById("CostUnit", element)) {
        bool hasDistance = false;
        for (jv::ui::Element* option : element->options()) hasDistance = hasDistance || option->value() == "Distance";
        if (!hasDistance)
            AddSelectOption(element.get(), prefs.GetDistanceUnitName(true, false), "Distance", false, false);
    }
    if (GetElementById("Efficiency", element)) element->setInnerText(EconomyUnit(prefs));

    ElementPtr table;
    if (!GetTableById("carlist", table)) return;
    for (int i = static_cast<int>(table->rows().size()) - 1; i >= 2; --i) table->deleteRow(i);

    std::vector<CCar>& cars = m_cars.m_cars;
    if (GetElementById("TimeSpan", element)) m_overview.getDistancePerTime(cars, GetSelectValue("TimeSpan"), prefs);
    if (GetElementById("CostUnit", element)) m_overview.getCostPerUnit(cars, GetSelectValue("CostUnit"));
    m_overview.getFuelEconomy(cars);

    // When the next service is due for the cars with nothing due in the window: one look a year
    // ahead for all of them.
    std::map<std::string, int> dueCounts;
    for (const CReminder& reminder : m_reminders) ++dueCounts[reminder.VehicleID];
    std::map<std::string, jv::DateTime> nextDue;
    bool anyIdle = false;
    for (const CCar& car : cars) anyIdle = anyIdle || dueCounts[car.VehicleID] == 0;
    if (anyIdle) {
        std::vector<CReminder> later;
        remindersDB.GetReminders(selected, jv::DateTime::Null(), now + kNextServiceDays, later, prefs);
        for (const CReminder& reminder : later) {
            if (!reminder.DueDate.IsValid()) continue;
            auto found = nextDue.find(reminder.VehicleID);
            if (found == nextDue.end() || reminder.DueDate < found->second)
                nextDue[reminder.VehicleID] = reminder.DueDate;
        }
    }

    const auto entry = [](const std::vector<std::string>& list, size_t i) {
        return i < list.size() ? list[i] : std::string("0");
    };
    const jv::NumberFormat& format = jv::NumberFormat::User();
    for (size_t i = 0; i < cars.size(); ++i) {
        const CCar& car = cars[i];
        ElementPtr row;
        if (!InsertTableRow(table.get(), row)) continue;
        row->setClassName("listrow");
        row->setId(car.VehicleID);
        CHomePageMarkup::Figures figures{entry(m_overview.GetDistancePerTime(), i),
                                         entry(m_overview.GetCostPerUnit(), i), entry(m_overview.GetFuelEconomy(), i),
                                         entry(m_overview.GetTotalCost(), i)};
        const auto next = nextDue.find(car.VehicleID);
        row->setInnerHTML(CHomePageMarkup::CarRowCells(
            car, m_reminders, figures, now, next != nextDue.end() ? next->second : jv::DateTime::Invalid(), format));
    }
}

void CWS_HomePage::RewriteColumn(int cell, const std::vector<std::string>& texts) {
    ElementPtr table;
    if (!GetTableById("carlist", table)) return;
    for (size_t i = 0; i < m_cars.m_cars.size(); ++i) {
        ElementPtr row;
        ElementPtr target;
        if (!GetTableRow(table.get(), static_cast<int>(i) + 2, row) || !GetRowCell(row.get(), cell, target)) continue;
        target->setInnerHTML(CHomePageMarkup::FigureText(i < texts.size() ? texts[i] : "0"));
    }
}

void CWS_HomePage::SetTimeSpan(const std::string& unit) {
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    if (document == nullptr) return;
    m_overview.getDistancePerTime(m_cars.m_cars, unit, document->GetUserPreferences());
    RewriteColumn(3, m_overview.GetDistancePerTime());
}

void CWS_HomePage::SetCostUnit(const std::string& unit) {
    m_overview.getCostPerUnit(m_cars.m_cars, unit);
    RewriteColumn(4, m_overview.GetCostPerUnit());
}

void CWS_HomePage::CarOverviewSelect(const std::string& name, const std::string& value) {
    if (name == "TimeSpan")
        SetTimeSpan(value);
    else if (name == "CostUnit")
        SetCostUnit(value);
}

// --- The reminder actions ---------------------------------------------------------------------

void CWS_HomePage::CompletedService(int reminderId) {
    const CReminder* reminder = ReminderAt(reminderId);
    CJorvaneView* view = View();
    if (reminder == nullptr || view == nullptr) return;
    view->SetPendingReminder(*reminder);
    view->Navigate(CJorvaneView::kFrameset, CJorvaneView::kServiceRegisterPage);
}

void CWS_HomePage::SkipService(int reminderId) {
    const CReminder* reminder = ReminderAt(reminderId);
    if (reminder == nullptr) return;
    const CCar* car = CarWithId(reminder->VehicleID);
    if (car == nullptr) {
        TraceLog("CWS_HomePage::SkipService", TRACE_ERROR, "Couldn't find car in list.");
        return;
    }
    const jv::DateTime now = CRemindersDatabaseObject::Now();
    CMaintenancePlanItem item;
    item.MaintenancePlanItemID = reminder->MaintenancePlanItemID;
    item.DisplayText = reminder->DisplayText;
    // The skipped service and its link to the plan item are stored together, or neither is.
    CServiceRegisterDatabaseObject services(DocumentConnection());
    std::string serviceId;
    if (!services.AddService(serviceId, car->VehicleID, now.Format("%m/%d/%Y"),
                             jv::number::FormatFixed(car->CurrentOdometer, 6), "", "", "", "", "", "", "", "", true,
                             {item}))
        TraceLog("CWS_HomePage::SkipService", TRACE_ERROR, "The skipped service could not be stored.");
    ProcessDocument();
}

void CWS_HomePage::SkipServiceAlways(int reminderId) {
    const CReminder* reminder = ReminderAt(reminderId);
    if (reminder == nullptr) return;
    CMaintenancePlanDatabaseObject plans(DocumentConnection());
    plans.DeleteMaintenanceItem(reminder->MaintenancePlanItemID);
    ProcessDocument();
}

void CWS_HomePage::EditServiceItem(const std::string& vehicleId, int reminderId) {
    const CReminder* reminder = ReminderAt(reminderId);
    CJorvaneView* view = View();
    if (reminder == nullptr || view == nullptr || CarWithId(vehicleId) == nullptr) return;
    view->Navigate(CJorvaneView::kFrameset, CJorvaneView::kEnterCarPage,
                   vehicleId + "&Plan=" + std::to_string(reminder->MaintenancePlanItemID));
}

void CWS_HomePage::ChangeReminderDate(const std::string& /*date*/) {
    // The page reads the date from its field.
    ProcessDocument();
}

void CWS_HomePage::UpdateOdometer(const std::string& vehicleId) {
    const CCar* car = CarWithId(vehicleId);
    if (car == nullptr) return;
    const jv::DateTime today = CRemindersDatabaseObject::Now();
    std::string odometer;
    DoubleToLocaleString(odometer, car->CurrentOdometer, 1);
    ShowOdometerDialog(car->VehicleID, today.Format("%m/%d/%Y"), odometer);
    ProcessDocument();
}

void CWS_HomePage::PrintHomePage(int table) {
    ElementPtr element;
    switch (table) {
        case 0:
            if (GetElementById("carlist", element)) ShowPrint(element->outerHTML());
            break;
        case 1: {
            if (!GetTableById("PrintTable", element)) return;
            element->setInnerHTML(CHomePageMarkup::ReminderPrintRows(m_reminders, CRemindersDatabaseObject::Now(),
                                                                     jv::NumberFormat::User()));
            ShowPrint(element->outerHTML());
            break;
        }
        case 2:
            if (GetElementById("Graph", element)) ShowPrint(element->outerHTML());
            break;
        default:
            break;
    }
}

void CWS_HomePage::PrintPage() {
    std::string html;
    ElementPtr element;
    if (GetElementById("carlist", element)) html = element->outerHTML();
    html += "<br/><br/>";
    if (GetElementById("reminders", element)) html += element->outerHTML();
    ShowPrint(html);
}

void CWS_HomePage::ShowPrint(const std::string& html) {
    CPrintPreviewDlg::Print(html);
}

void CWS_HomePage::ShowOdometerDialog(const std::string& vehicleId, const std::string& date,
                                      const std::string& odometer) {
    CWS_Home_UpdateOdometerDlg dialog;
    dialog.SetValues(vehicleId, date, odometer);
    dialog.DoModal();
}

// --- The graph --------------------------------------------------------------------------------

void CWS_HomePage::SetupGraphControls() {
    CJorvaneView* view = View();
    const std::string selected = view != nullptr ? view->GetSelectedCar() : "%";
    const bool allCars = selected == "%" || selected.empty();
    const std::vector<CCar>& cars = m_cars.m_cars;
    std::string car;
    if (cars.empty()) {
        // No car shown (none in the garage, or the selected one sold and hidden): the sample alone.
        HideElement("ChooseCarGraph");
        HideElement("GraphPrint");
        DrawGraph(0, "");
        return;
    }
    if (!allCars) {
        HideElement("ChooseCarGraph");
        car = selected;
    } else {
        ShowElement("ChooseCarGraph");
        car = GetSelectValue("GraphCarList");
        if (car.empty()) {
            ElementPtr list;
            if (!GetElementById("GraphCarList", list)) return;
            for (size_t i = 0; i < cars.size(); ++i)
                AddSelectOption(list.get(), cars[i].Name, cars[i].VehicleID, i == 0, i == 0, static_cast<int>(i));
            car = cars.front().VehicleID;
        }
    }

    int type = jv::CurrentClock().Now().GetMinute() % 2 + 1;
    for (int attempt = 0; attempt < 2; ++attempt, ++type) {
        if (type == 3) type = kGraphTotalCost;
        SetSelectedIndex("GraphList", type - 1);
        m_nGraphType = type;
        if (allCars) {
            for (size_t i = 0; i < cars.size(); ++i) {
                if (DrawGraph(type, cars[i].VehicleID) >= 3) {
                    SetSelectedIndex("GraphCarList", static_cast<int>(i));
                    ShowElement("GraphPrint");
                    return;
                }
            }
        } else if (DrawGraph(type, car) >= 3) {
            ShowElement("GraphPrint");
            return;
        }
    }
    // The sample is a total cost graph: the list names it so.
    SetSelectedIndex("GraphList", kGraphTotalCost - 1);
    m_nGraphType = kGraphTotalCost;
    HideElement("GraphPrint");
    DrawGraph(0, car);
}

void CWS_HomePage::SelectCarGraph() {
    std::string car = GetSelectValue("GraphCarList");
    const std::string type = GetSelectValue("GraphList");
    if (!type.empty() && type != "0") {
        const auto value = jv::number::ParseInt(type);
        if (value && (*value == kGraphTotalCost || *value == kGraphFuelEconomy))
            m_nGraphType = static_cast<int>(*value);
    }
    CJorvaneView* view = View();
    if (view != nullptr && view->GetSelectedCar() != "%") car = view->GetSelectedCar();
    if (car.empty() || CarWithId(car) == nullptr) return;
    const int points = DrawGraph(m_nGraphType, car);
    if (points >= 3 && m_nGraphType != 0) ShowElement("GraphPrint");
}

int CWS_HomePage::DrawGraph(int type, const std::string& vehicleId) {
    ElementPtr graphElement;
    if (!GetElementById("Graph", graphElement)) return 0;
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    std::vector<JVGraphPoint> series;
    HtmlGraph graph;
    const std::string name = m_cars.getCarName(vehicleId);
    if (type == kGraphTotalCost && document != nullptr) {
        std::vector<CCarCost> costs;
        m_overview.getCostHistory(vehicleId, costs);
        series = CCostGraphSeries::TotalCost(costs);
        graph.title = "Total Cost For " + name;
        graph.yCaption = "Total Cost";
        graph.tooFewMessage =
            "Jorvane needs more data for your car.  Once you've entered more information (at least three entries) in "
            "the Fuel, Service and/or Miscellaneous Expense Registers, we can draw a Total Cost graph for " +
            name + ".";
        graph.average = false;
        if (!series.empty() && series.back().Value > 1000.0f) graph.valueLabels = false;
    } else if (type == kGraphFuelEconomy && document != nullptr) {
        std::vector<CFuelPurchase> purchases;
        m_overview.getFuelEconomyHistory(vehicleId, document->GetUserPreferences(), purchases);
        series = CCostGraphSeries::FuelEconomy(purchases);
        const std::string unit = EconomyUnit(document->GetUserPreferences());
        graph.title = unit + " Over Time for " + name;
        graph.yCaption = unit;
        graph.legend = true;
        graph.width = 600;
        graph.valueLabels = false;
        graph.tooFewMessage =
            "Jorvane needs more data for your car.  Once you've entered more information (at least three entries) in "
            "the Fuel Register, we can draw a Fuel Efficiency graph for " +
            name + ".";
    } else {
        graphElement->setInnerHTML(kSampleGraph);
        return 10;
    }
    graph.points = &series;
    graph.Render(graphElement.get());
    return static_cast<int>(series.size());
}
