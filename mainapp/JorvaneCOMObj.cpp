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

// Runs a method of the vehicle information page when it is the workspace page.
template <class Method, class... Args>
void CarPage(CJorvaneView& view, Method method, Args&&... args) {
    if (auto page = view.GetWorkspacePageAs<CWS_EnterCarPage>(CJorvaneView::kEnterCarPage))
        CJVPage::Invoke(page, method, std::forward<Args>(args)...);
}

// Runs a method of the home page when it is the workspace page.
template <class Method, class... Args>
void Home(CJorvaneView& view, Method method, Args&&... args) {
    if (auto page = view.GetWorkspacePageAs<CWS_HomePage>(CJorvaneView::kHomePage))
        CJVPage::Invoke(page, method, std::forward<Args>(args)...);
}

}  // namespace

const std::vector<JorvaneScriptMethod>& CJorvaneCOMObj::Methods() {
    static const std::vector<JorvaneScriptMethod> methods = {
        {"Back", {}, kOwn},
        {"Forward", {}, kOwn},
        {"SelectCar", {S}, kOwn},
        {"EnterCarSelect", {T, T}, kCar},
        {"AddCar", {}, kCar},
        {"CarOverviewSelect", {T, T}, kHome},
        {"SaveFuelData", {T, T, T, T, T, T, B, T, T, T, T, T, T}, kFuel},
        {"DeleteFuelRegisterRow", {T}, kFuel},
        {"DisplayServiceMaintenanceItems", {T, T}, kService},
        {"AddServiceMaintenanceItem", {T, T}, kService},
        {"SaveService", Texts(12), kService},
        {"DeleteServiceRegisterRow", {T}, kService},
        {"SaveExpense", Texts(9), kExpense},
        {"DeleteExpenseRegisterRow", {T}, kExpense},
        {"UpdatePrefs", Texts(17), kPrefs},
        {"SkipService", {I}, kHome},
        {"SkipServiceAlways", {I}, kHome},
        {"UpdateOdometer", {T}, kHome},
        {"SaveOdometerValue", Texts(4), kOdometer},
        {"SelectCarByID", {T}, kOwn},
        {"DeleteOdometerValue", {T}, kOdometer},
        {"OpenSoldCarDlg", {T}, kOwn},
        {"UpdateNewCarInNavList", {T}, kOwn},
        {"UpdateMaintenancePlanItem", {I, T, T, T, T}, kCar},
        {"ChangeReminderDate", {T}, kHome},
        {"GetVendor", {T, T}, kRegisters},
        {"GetLastValuesForVendor", {T, T, T}, kRegisters},
        {"JVToNumber", {T}, kOwn},
        {"JVToString", {D, I}, kOwn},
        {"ShowAddServiceItemsDlg", {}, kCar},
        {"GetMaintenancePlan", {}, kCar},
        {"DeleteServiceItem", {I}, kCar},
        {"PrintHomePage", {I}, kHome},
        {"PrintPage", {}, kOwn},
        {"QuickStart", {}, kOwn},
        {"CompletedService", {I}, kHome},
        {"CheckMaintenanceItem", {I}, kService},
        {"RestoreService", {T}, kService},
        {"RestoreFuelData", {T}, kFuel},
        {"RestorePurchase", {T}, kExpense},
        {"RestoreOdometer", {T}, kOdometer},
        {"OpenDeleteCarDlg", {T}, kOwn},
        {"SelectCarGraph", {}, kHome},
        {"JavascriptError", {T, T, I}, kOwn},
        {"UpdateMakeList", {}, kCar},
        {"UpdateYearList", {}, kCar},
        {"UpdateModelList", {}, kCar},
        {"UpdateStyleList", {}, kCar},
        {"UpdateEngineList", {}, kCar},
        {"UpdateTransmissionList", {}, kCar},
        {"SetPreviousSelectedVehicle", {}, kOwn},
        {"EditServiceItem", {T, I}, kHome},
        {"UpdateDriveTypeList", {}, kCar},
        {"AddNewCarQuickstart", {}, kOwn},
        {"ShowRegisterEntries", {I, I, T}, kRegisters},
        {"FindPreviousOdometer", {T, T}, kFuel},
    };
    return methods;
}

const std::map<std::string, CJorvaneCOMObj::Handler>& CJorvaneCOMObj::Handlers() {
    using View = CJorvaneView;
    using Args = ScriptArgs;
    static const std::map<std::string, Handler> handlers = {
        {"Back", [](View& v, const Args&) { v.Back(); }},
        {"Forward", [](View& v, const Args&) { v.Forward(); }},
        {"SelectCar", [](View& v, const Args& a) { v.SelectCar(a.Int16(0)); }},
        {"SelectCarByID", [](View& v, const Args& a) { v.SelectCarByID(a.Text(0)); }},
        {"OpenSoldCarDlg", [](View& v, const Args& a) { v.OpenSoldCarDlg(a.Text(0)); }},
        {"UpdateNewCarInNavList", [](View& v, const Args& a) { v.UpdateNewCarInNavList(a.Text(0)); }},
        {"JVToNumber", [](View& v, const Args& a) { v.JVToNumber(a.Text(0)); }},
        {"JVToString", [](View& v, const Args& a) { v.JVToString(a.Double(0), a.Int32(1)); }},
        {"PrintPage", [](View& v, const Args&) { v.PrintPage(); }},
        {"QuickStart", [](View& v, const Args&) { v.QuickStart(-1); }},
        {"OpenDeleteCarDlg", [](View& v, const Args& a) { v.OpenDeleteCarDlg(a.Text(0)); }},
        {"JavascriptError", [](View& v, const Args& a) { v.JavascriptError(a.Text(0), a.Text(1), a.Int32(2)); }},
        {"SetPreviousSelectedVehicle", [](View& v, const Args&) { v.SetPreviousSelectedVehicle(); }},
        {"AddNewCarQuickstart", [](View& v, const Args&) { v.AddNewCarQuickstart(); }},
        // The vehicle information page.
        {"EnterCarSelect",
         [](View& v, const Args& a) { CarPage(v, &CWS_EnterCarPage::EnterCarSelect, a.Text(0), a.Text(1)); }},
        {"AddCar", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::AddCar); }},
        {"UpdateMaintenancePlanItem",
         [](View& v, const Args& a) {
             CarPage(v, &CWS_EnterCarPage::UpdateMaintenancePlanItem, a.Int32(0), a.Text(1), a.Text(2), a.Text(3),
                     a.Text(4));
         }},
        {"ShowAddServiceItemsDlg", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::ShowAddServiceItemsDlg); }},
        {"GetMaintenancePlan", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::GetMaintenancePlan); }},
        {"DeleteServiceItem",
         [](View& v, const Args& a) { CarPage(v, &CWS_EnterCarPage::DeleteServiceItem, a.Int32(0)); }},
        {"UpdateMakeList", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateMakeList); }},
        {"UpdateYearList", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateYearList); }},
        {"UpdateModelList", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateModelList); }},
        {"UpdateStyleList", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateStyleList); }},
        {"UpdateEngineList", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateEngineList); }},
        {"UpdateTransmissionList", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateTransmissionList); }},
        {"UpdateDriveTypeList", [](View& v, const Args&) { CarPage(v, &CWS_EnterCarPage::UpdateDriveTypeList); }},
        // The home page.
        {"CarOverviewSelect",
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::CarOverviewSelect, a.Text(0), a.Text(1)); }},
        {"SkipService", [](View& v, const Args& a) { Home(v, &CWS_HomePage::SkipService, a.Int32(0)); }},
        {"SkipServiceAlways", [](View& v, const Args& a) { Home(v, &CWS_HomePage::SkipServiceAlways, a.Int32(0)); }},
        {"UpdateOdometer", [](View& v, const Args& a) { Home(v, &CWS_HomePage::UpdateOdometer, a.Text(0)); }},
        {"ChangeReminderDate", [](View& v, const Args& a) { Home(v, &CWS_HomePage::ChangeReminderDate, a.Text(0)); }},
        {"PrintHomePage", [](View& v, const Args& a) { Home(v, &CWS_HomePage::PrintHomePage, a.Int32(0)); }},
        {"CompletedService", [](View& v, const Args& a) { Home(v, &CWS_HomePage::CompletedService, a.Int32(0)); }},
        {"SelectCarGraph", [](View& v, const Args&) { Home(v, &CWS_HomePage::SelectCarGraph); }},
        {"EditServiceItem",
         [](View& v, const Args& a) { Home(v, &CWS_HomePage::EditServiceItem, a.Text(0), a.Int32(1)); }},
        // The registers.
        {"GetVendor",
         [](View& v, const Args& a) {
             if (auto p = std::dynamic_pointer_cast<CJVRegisterPage>(v.GetWorkspacePage()))
                 CJVPage::Invoke(p, &CJVRegisterPage::GetVendor, a.Text(0), a.Text(1));
         }},
        {"GetLastValuesForVendor",
         [](View& v, const Args& a) {
             if (auto p = std::dynamic_pointer_cast<CJVRegisterPage>(v.GetWorkspacePage()))
                 CJVPage::Invoke(p, &CJVRegisterPage::GetLastValuesForVendor, a.Text(0), a.Text(1), a.Text(2));
         }},
        {"ShowRegisterEntries",
         [](View& v, const Args& a) {
             if (auto p = std::dynamic_pointer_cast<CJVRegisterPage>(v.GetWorkspacePage()))
                 CJVPage::Invoke(p, &CJVRegisterPage::ShowEntries, a.Int32(0), a.Int32(1), a.Text(2));
         }},
        {"FindPreviousOdometer",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_FuelRegisterPage>(kFuel))
                 CJVPage::Invoke(p, &CWS_FuelRegisterPage::FindPreviousOdometer, a.Text(0), a.Text(1));
         }},
        {"SaveFuelData",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_FuelRegisterPage>(kFuel))
                 CJVPage::Invoke(p, &CWS_FuelRegisterPage::SaveFuelData, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                                 a.Text(4), a.Text(5), a.Boolean(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10),
                                 a.Text(11), a.Text(12));
         }},
        {"DeleteFuelRegisterRow",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_FuelRegisterPage>(kFuel))
                 CJVPage::Invoke(p, &CWS_FuelRegisterPage::DeleteFuelRegisterRow, a.Text(0));
         }},
        {"SaveExpense",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ExpenseRegisterPage>(kExpense))
                 CJVPage::Invoke(p, &CWS_ExpenseRegisterPage::SaveExpense, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                                 a.Text(4), a.Text(5), a.Text(6), a.Text(7), a.Text(8));
         }},
        {"DeleteExpenseRegisterRow",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ExpenseRegisterPage>(kExpense))
                 CJVPage::Invoke(p, &CWS_ExpenseRegisterPage::DeleteExpenseRegisterRow, a.Text(0));
         }},
        {"RestorePurchase",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ExpenseRegisterPage>(kExpense))
                 CJVPage::Invoke(p, &CWS_ExpenseRegisterPage::RestorePurchase, a.Text(0));
         }},
        {"DisplayServiceMaintenanceItems",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ServiceRegisterPage>(kService))
                 CJVPage::Invoke(p, &CWS_ServiceRegisterPage::DisplayServiceMaintenanceItems, a.Text(0), a.Text(1));
         }},
        {"AddServiceMaintenanceItem",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ServiceRegisterPage>(kService))
                 CJVPage::Invoke(p, &CWS_ServiceRegisterPage::AddServiceMaintenanceItem, a.Text(0), a.Text(1));
         }},
        {"CheckMaintenanceItem",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ServiceRegisterPage>(kService))
                 CJVPage::Invoke(p, &CWS_ServiceRegisterPage::CheckMaintenanceItem, a.Int32(0));
         }},
        {"SaveService",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ServiceRegisterPage>(kService))
                 CJVPage::Invoke(p, &CWS_ServiceRegisterPage::SaveService, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                                 a.Text(4), a.Text(5), a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10),
                                 a.Text(11));
         }},
        {"DeleteServiceRegisterRow",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ServiceRegisterPage>(kService))
                 CJVPage::Invoke(p, &CWS_ServiceRegisterPage::DeleteServiceRegisterRow, a.Text(0));
         }},
        {"RestoreService",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_ServiceRegisterPage>(kService))
                 CJVPage::Invoke(p, &CWS_ServiceRegisterPage::RestoreService, a.Text(0));
         }},
        {"SaveOdometerValue",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_OdometerRegisterPage>(kOdometer))
                 CJVPage::Invoke(p, &CWS_OdometerRegisterPage::SaveOdometerValue, a.Text(0), a.Text(1), a.Text(2),
                                 a.Text(3));
         }},
        {"DeleteOdometerValue",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_OdometerRegisterPage>(kOdometer))
                 CJVPage::Invoke(p, &CWS_OdometerRegisterPage::DeleteOdometerValue, a.Text(0));
         }},
        {"RestoreOdometer",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_OdometerRegisterPage>(kOdometer))
                 CJVPage::Invoke(p, &CWS_OdometerRegisterPage::RestoreOdometer, a.Text(0));
         }},
        {"UpdatePrefs",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_UserPreferencesPage>(kPrefs))
                 CJVPage::Invoke(p, &CWS_UserPreferencesPage::UpdatePrefs, a.Text(0), a.Text(1), a.Text(2), a.Text(3),
                                 a.Text(4), a.Text(5), a.Text(6), a.Text(7), a.Text(8), a.Text(9), a.Text(10),
                                 a.Text(11), a.Text(12), a.Text(13), a.Text(14), a.Text(15), a.Text(16));
         }},
        {"RestoreFuelData",
         [](View& v, const Args& a) {
             if (auto p = v.GetWorkspacePageAs<CWS_FuelRegisterPage>(kFuel))
                 CJVPage::Invoke(p, &CWS_FuelRegisterPage::RestoreFuelData, a.Text(0));
         }},
    };
    return handlers;
}

void CJorvaneCOMObj::Register(jv::ui::host::ScriptBridge& bridge) {
    for (const JorvaneScriptMethod& method : Methods()) {
        const std::string name = method.name;
        const int pageId = method.pageId;
        bridge.Add(name, method.params, [this, name, pageId](const ScriptArgs& args) {
            CJorvaneView* view = m_pView;
            if (view == nullptr) return;
            // A page's method runs only while that page is the workspace page.
            if (pageId != JorvaneScriptMethod::kOwn) {
                const auto page = view->GetWorkspacePage();
                if (!page) return;
                const int current = page->GetResourceID();
                const bool suits = pageId == JorvaneScriptMethod::kRegisterPages
                                       ? (current == CJorvaneView::kFuelRegisterPage ||
                                          current == CJorvaneView::kExpenseRegisterPage ||
                                          current == CJorvaneView::kServiceRegisterPage ||
                                          current == CJorvaneView::kOdometerRegisterPage)
                                       : current == pageId;
                if (!suits) return;
            }
            const auto& table = Handlers();
            const auto handler = table.find(name);
            if (handler != table.end()) handler->second(*view, args);
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
