#include "mainapp/JorvaneCOMObj.h"

#include "mainapp/JorvaneView.h"
#include "mainapp/pages/WS_EnterCarPage.h"
#include "mainapp/pages/WS_ExpenseRegisterPage.h"
#include "mainapp/pages/WS_FuelRegisterPage.h"
#include "mainapp/pages/WS_HomePage.h"
#include "mainapp/pages/WS_OdometerRegisterPage.h"
#include "mainapp/pages/WS_ServiceRegisterPage.h"
#include "mainapp/pages/WS_UserPreferencesPage.h"

using jv::ui::host::ArgType;
using jv::ui::host::ScriptArgs;

namespace {

constexpr ArgType T = ArgType::Text;
constexpr ArgType I = ArgType::Int32;
constexpr ArgType S = ArgType::Int16;
constexpr ArgType B = ArgType::Boolean;
constexpr ArgType D = ArgType::Double;

constexpr int kOwn = JorvaneScriptMethod::kOwn;
constexpr int kRegisters = JorvaneScriptMethod::kRegisterPages;
constexpr int kHome = CJorvaneView::kHomePage;
constexpr int kFuel = CJorvaneView::kFuelRegisterPage;
constexpr int kCar = CJorvaneView::kEnterCarPage;
constexpr int kService = CJorvaneView::kServiceRegisterPage;
constexpr int kExpense = CJorvaneView::kExpenseRegisterPage;
constexpr int kPrefs = CJorvaneView::kPreferencesPage;
constexpr int kOdometer = CJorvaneView::kOdometerRegisterPage;

std::vector<ArgType> Texts(size_t count) {
    return std::vector<ArgType>(count, T);
}

// The names the wrappers of Back and Forward go by in the page scripts.
std::string WrapperName(const std::string& method) {
    if (method == "Back") return "OnClick_Back";
    if (method == "Forward") return "OnClick_Forward";
    return method;
}

// Runs a method of the page `pageId` when it is the workspace page; gives what a method that
// answers its call returns.
template <class Page, class Result, class... Params, class... Args>
nlohmann::json OnPage(CJorvaneView& view, int pageId, Result (Page::*method)(Params...), Args&&... args) {
    const auto page = view.GetWorkspacePageAs<Page>(pageId);
    if (!page) return nullptr;
    if constexpr (std::is_same_v<Result, nlohmann::json>) {
        // `page` holds the page for the length of the call, as CJVPage::Invoke does.
        return ((*page).*method)(std::forward<Args>(args)...);
    } else {
        CJVPage::Invoke(page, method, std::forward<Args>(args)...);
        return nullptr;
    }
}

// Runs a method of the vehicle information page when it is the workspace page.
template <class Method, class... Args>
nlohmann::json CarPage(CJorvaneView& view, Method method, Args&&... args) {
    return OnPage(view, CJorvaneView::kEnterCarPage, method, std::forward<Args>(args)...);
}

// Runs a method of the home page when it is the workspace page.
template <class Method, class... Args>
void Home(CJorvaneView& view, Method method, Args&&... args) {
    OnPage(view, CJorvaneView::kHomePage, method, std::forward<Args>(args)...);
}

// Runs a method of the register the workspace shows.
template <class Method, class... Args>
void OnRegister(CJorvaneView& view, Method method, Args&&... args) {
    if (auto page = std::dynamic_pointer_cast<CJVRegisterPage>(view.GetWorkspacePage()))
        CJVPage::Invoke(page, method, std::forward<Args>(args)...);
}

}  // namespace

const std::vector<JorvaneScriptMethod>& CJorvaneCOMObj::Methods() {
    using View = CJorvaneView;
    using Args = ScriptArgs;
    static const std::vector<JorvaneScriptMethod> methods = {
        {"Back", {}, kOwn, [](View& v, const Args&) { v.Back(); }},
        {"Forward", {}, kOwn, [](View& v, const Args&) { v.Forward(); }},
        {"SelectCar", {S}, kOwn, [](View& v, const Args& a) { v.SelectCar(a.Int16(0)); }},
        {"EnterCarSelect",
         {T, T},
         kCar,
         [](View& v, const Args& a) { CarPage(v, &CWS_EnterCarPage::EnterCarSelect, a.Text(0), a.Text(1)); }},
        {"AddCar", {}, kCar, [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::AddCar); }},
        {"CarOverviewSelect",
         {T, T},
         kHome,
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::CarOverviewSelect, a.Text(0), a.Text(1)); }},
        {"SaveFuelData",
         {T, T, T, T, T, T, B, T, T, T, T, T, T},
         kFuel,
         [](View& v, const Args& a) {
             OnPage(v, kFuel, &CWS_FuelRegisterPage::SaveFuelData, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                    a.Text(4), a.Text(5), a.Boolean(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10), a.Text(11),
                    a.Text(12));
         }},
        {"DeleteFuelRegisterRow",
         {T},
         kFuel,
         [](View& v, const Args& a) { OnPage(v, kFuel, &CWS_FuelRegisterPage::DeleteFuelRegisterRow, a.Text(0)); }},
        {"DisplayServiceMaintenanceItems",
         {T, T},
         kService,
         [](View& v, const Args& a) {
             OnPage(v, kService, &CWS_ServiceRegisterPage::DisplayServiceMaintenanceItems, a.Text(0), a.Text(1));
         }},
        {"AddServiceMaintenanceItem",
         {T, T},
         kService,
         [](View& v, const Args& a) {
             OnPage(v, kService, &CWS_ServiceRegisterPage::AddServiceMaintenanceItem, a.Text(0), a.Text(1));
         }},
        {"SaveService", Texts(12), kService,
         [](View& v, const Args& a) {
             OnPage(v, kService, &CWS_ServiceRegisterPage::SaveService, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                    a.Text(4), a.Text(5), a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10), a.Text(11));
         }},
        {"DeleteServiceRegisterRow",
         {T},
         kService,
         [](View& v, const Args& a) {
             OnPage(v, kService, &CWS_ServiceRegisterPage::DeleteServiceRegisterRow, a.Text(0));
         }},
        {"SaveExpense", Texts(9), kExpense,
         [](View& v, const Args& a) {
             OnPage(v, kExpense, &CWS_ExpenseRegisterPage::SaveExpense, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                    a.Text(4), a.Text(5), a.Text(6), a.Text(7), a.Text(8));
         }},
        {"DeleteExpenseRegisterRow",
         {T},
         kExpense,
         [](View& v, const Args& a) {
             OnPage(v, kExpense, &CWS_ExpenseRegisterPage::DeleteExpenseRegisterRow, a.Text(0));
         }},
        {"UpdatePrefs", Texts(17), kPrefs,
         [](View& v, const Args& a) {
             OnPage(v, kPrefs, &CWS_UserPreferencesPage::UpdatePrefs, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                    a.Text(4), a.Text(5), a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10), a.Text(11),
                    a.Text(12), a.Text(13), a.Text(14), a.Text(15), a.Text(16));
         }},
        {"SkipService", {I}, kHome, [](View& v, const Args& a) { Home(v, &CWS_HomePage::SkipService, a.Int32(0)); }},
        {"SkipServiceAlways",
         {I},
         kHome,
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::SkipServiceAlways, a.Int32(0)); }},
        {"UpdateOdometer",
         {T},
         kHome,
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::UpdateOdometer, a.Text(0)); }},
        {"SaveOdometerValue", Texts(4), kOdometer,
         [](View& v, const Args& a) {
             OnPage(v, kOdometer, &CWS_OdometerRegisterPage::SaveOdometerValue, a.Text(0), a.Text(1), a.Text(2),
                    a.Text(3));
         }},
        {"SelectCarByID", {T}, kOwn, [](View& v, const Args& a) { v.SelectCarByID(a.Text(0)); }},
        {"DeleteOdometerValue",
         {T},
         kOdometer,
         [](View& v, const Args& a) {
             OnPage(v, kOdometer, &CWS_OdometerRegisterPage::DeleteOdometerValue, a.Text(0));
         }},
        {"OpenSoldCarDlg", {T}, kOwn, [](View& v, const Args& a) { v.OpenSoldCarDlg(a.Text(0)); }},
        {"UpdateNewCarInNavList", {T}, kOwn, [](View& v, const Args& a) { v.UpdateNewCarInNavList(a.Text(0)); }},
        {"UpdateMaintenancePlanItem",
         {I, T, T, T, T},
         kCar,
         [](View& v, const Args& a) {
             CarPage(v, &CWS_EnterCarPage::UpdateMaintenancePlanItem, a.Int32(0), a.Text(1), a.Text(2), a.Text(3),
                     a.Text(4));
         }},
        {"ChangeReminderDate",
         {T},
         kHome,
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::ChangeReminderDate, a.Text(0)); }},
        {"GetVendor",
         {T, T},
         kRegisters,
         [](View& v, const Args& a) { OnRegister(v, &CJVRegisterPage::GetVendor, a.Text(0), a.Text(1)); }},
        {"GetLastValuesForVendor",
         {T, T, T},
         kRegisters,
         [](View& v, const Args& a) {
             OnRegister(v, &CJVRegisterPage::GetLastValuesForVendor, a.Text(0), a.Text(1), a.Text(2));
         }},
        {"JVToNumber", {T}, kOwn, [](View& v, const Args& a) { v.JVToNumber(a.Text(0)); }},
        {"JVToString", {D, I}, kOwn, [](View& v, const Args& a) { v.JVToString(a.Double(0), a.Int32(1)); }},
        {"ShowAddServiceItemsDlg",
         {},
         kCar,
         [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::ShowAddServiceItemsDlg); }},
        {"GetMaintenancePlan",
         {},
         kCar,
         [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::GetMaintenancePlan); }},
        {"DeleteServiceItem",
         {I},
         kCar,
         [](View& v, const Args& a) { CarPage(v, &CWS_EnterCarPage::DeleteServiceItem, a.Int32(0)); }},
        {"PrintHomePage",
         {I},
         kHome,
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::PrintHomePage, a.Int32(0)); }},
        {"PrintPage", {}, kOwn, [](View& v, const Args&) { v.PrintPage(); }},
        {"QuickStart", {}, kOwn, [](View& v, const Args&) { v.QuickStart(-1); }},
        {"CompletedService",
         {I},
         kHome,
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::CompletedService, a.Int32(0)); }},
        {"CheckMaintenanceItem",
         {I},
         kService,
         [](View& v, const Args& a) {
             OnPage(v, kService, &CWS_ServiceRegisterPage::CheckMaintenanceItem, a.Int32(0));
         }},
        {"RestoreService",
         {T},
         kService,
         [](View& v, const Args& a) { OnPage(v, kService, &CWS_ServiceRegisterPage::RestoreService, a.Text(0)); }},
        {"RestoreFuelData",
         {T},
         kFuel,
         [](View& v, const Args& a) { OnPage(v, kFuel, &CWS_FuelRegisterPage::RestoreFuelData, a.Text(0)); }},
        {"RestorePurchase",
         {T},
         kExpense,
         [](View& v, const Args& a) { OnPage(v, kExpense, &CWS_ExpenseRegisterPage::RestorePurchase, a.Text(0)); }},
        {"RestoreOdometer",
         {T},
         kOdometer,
         [](View& v, const Args& a) { OnPage(v, kOdometer, &CWS_OdometerRegisterPage::RestoreOdometer, a.Text(0)); }},
        {"OpenDeleteCarDlg", {T}, kOwn, [](View& v, const Args& a) { v.OpenDeleteCarDlg(a.Text(0)); }},
        {"SelectCarGraph", {}, kHome, [](View& v, const Args&) { Home(v, &CWS_HomePage::SelectCarGraph); }},
        {"JavascriptError",
         {T, T, I},
         kOwn,
         [](View& v, const Args& a) { v.JavascriptError(a.Text(0), a.Text(1), a.Int32(2)); }},
        {"UpdateMakeList", {}, kCar, [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateMakeList); }},
        {"UpdateYearList", {}, kCar, [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateYearList); }},
        {"UpdateModelList", {}, kCar, [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateModelList); }},
        {"UpdateStyleList", {}, kCar, [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateStyleList); }},
        {"UpdateEngineList", {}, kCar, [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateEngineList); }},
        {"UpdateTransmissionList",
         {},
         kCar,
         [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateTransmissionList); }},
        {"SetPreviousSelectedVehicle", {}, kOwn, [](View& v, const Args&) { v.SetPreviousSelectedVehicle(); }},
        {"EditServiceItem",
         {T, I},
         kHome,
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::EditServiceItem, a.Text(0), a.Int32(1)); }},
        {"UpdateDriveTypeList",
         {},
         kCar,
         [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateDriveTypeList); }},
        {"AddNewCarQuickstart", {}, kOwn, [](View& v, const Args&) { v.AddNewCarQuickstart(); }},
        {"ShowRegisterEntries",
         {I, I, T},
         kRegisters,
         [](View& v, const Args& a) {
             OnRegister(v, &CJVRegisterPage::ShowEntries, a.Int32(0), a.Int32(1), a.Text(2));
         }},
        // The pages' arithmetic and checks, worked out by the program for the page as for its own
        // saves; each answers its call.
        {"WorkOutDistance",
         {T, T, D, D},
         kFuel,
         [](View& v, const Args& a) {
             return OnPage(v, kFuel, &CWS_FuelRegisterPage::WorkOutDistance, a.Text(0), a.Text(1), a.Double(2), a.Double(3));
         }},
        {"WorkOutOdometer",
         {T, T, D, D},
         kFuel,
         [](View& v, const Args& a) {
             return OnPage(v, kFuel, &CWS_FuelRegisterPage::WorkOutOdometer, a.Text(0), a.Text(1), a.Double(2), a.Double(3));
         }},
        {"SettleFuelAmounts",
         {D, D, D, T},
         kFuel,
         [](View& v, const Args& a) {
             return OnPage(v, kFuel, &CWS_FuelRegisterPage::SettleFuelAmounts, a.Double(0), a.Double(1), a.Double(2),
                    a.Text(3));
         }},
        {"SettleServiceAmounts",
         {D, D, D, D, D, B},
         kService,
         [](View& v, const Args& a) {
             return OnPage(v, kService, &CWS_ServiceRegisterPage::SettleServiceAmounts, a.Double(0), a.Double(1), a.Double(2),
                    a.Double(3), a.Double(4), a.Boolean(5));
         }},
        {"CheckServiceCost",
         {D, D, D, D, D},
         kService,
         [](View& v, const Args& a) {
             return OnPage(v, kService, &CWS_ServiceRegisterPage::CheckServiceCost, a.Double(0), a.Double(1), a.Double(2),
                    a.Double(3), a.Double(4));
         }},
        {"CheckCustomYear",
         {T},
         kCar,
         [](View& v, const Args& a) { return CarPage(v, &CWS_EnterCarPage::CheckCustomYear, a.Text(0)); }},
        {"CheckCar", {}, kCar, [](View& v, const Args&) { return CarPage(v, &CWS_EnterCarPage::CheckCar); }},
    };
    return methods;
}

void CJorvaneCOMObj::Register(jv::ui::host::ScriptBridge& bridge) {
    for (const JorvaneScriptMethod& method : Methods()) {
        // The table lives as long as the program: its entries are safe to keep.
        const int pageId = method.pageId;
        const JorvaneScriptMethod::Handler* handler = &method.handler;
        bridge.AddAnswering(method.name, method.params, [this, pageId, handler](const ScriptArgs& args) {
            CJorvaneView* view = m_pView;
            if (view == nullptr) return nlohmann::json();
            // A page's method runs only while that page is the workspace page, and only for a call
            // its own document made: a page that was replaced (a late call of the page before)
            // reaches nothing, not the page that took its place.
            if (pageId != JorvaneScriptMethod::kOwn) {
                const auto page = view->GetWorkspacePage();
                if (!page || !page->GetDocument() || page->GetDocument() != view->GetHost().CallingDocument())
                    return nlohmann::json();
                const int current = page->GetResourceID();
                const bool suits = pageId == JorvaneScriptMethod::kRegisterPages
                                       ? (current == CJorvaneView::kFuelRegisterPage ||
                                          current == CJorvaneView::kExpenseRegisterPage ||
                                          current == CJorvaneView::kServiceRegisterPage ||
                                          current == CJorvaneView::kOdometerRegisterPage)
                                       : current == pageId;
                if (!suits) return nlohmann::json();
            }
            return (*handler)(*view, args);
        });
    }
    // A register asks for the entries it shows as it scrolls: only what it shows now matters.
    bridge.SetNewestOnly("ShowRegisterEntries");
}

std::string CJorvaneCOMObj::ComCallbacksScript() {
    std::string script =
        "// The program's methods for the pages of the main window: the frames call them through\n"
        "// parent (parent.SaveFuelData(...)). Each returns a promise that settles once the program's\n"
        "// changes are on the page.\n";
    for (const JorvaneScriptMethod& method : Methods()) {
        std::string params;
        for (size_t i = 0; i < method.params.size(); ++i) params += (i ? ", a" : "a") + std::to_string(i + 1);
        const std::string name = method.name;
        script += "async function " + WrapperName(name) + "(" + params + ") {\n";
        script += "    await window.external." + name + "(" + params + ");\n";
        // Another car is selected: the workspace shows it.
        if (name == "SelectCar" || name == "SelectCarByID") script += "    RefreshWorkspace();\n";
        script += "}\n";
    }
    return script;
}
