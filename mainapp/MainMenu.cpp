#include "mainapp/MainMenu.h"

#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "mainapp/dialogs/SelectCarDlg.h"
#include "platform/ui/BrowserHost.h"
#include "platform/ui/Document.h"
#include "shared/core/NumberUtils.h"
#include "shared/data/CarsDB.h"
#include "shared/ui/AboutDlg.h"

const std::vector<CMainMenu::Item>& CMainMenu::Items() {
    static const std::vector<Item> items = {
        {"&File", "&New\tCtrl+N", ID_FILE_NEW, false, false, ""},
        {"&File", "&Open...\tCtrl+O", ID_FILE_OPEN, false, true, ""},
        {"&File", "&Print...\tCtrl+P", ID_FILE_PRINT, true, false, ""},
        // The system's print dialog holds the printer settings; there is nothing to set before it.
        {"&File", "P&rint Setup...", ID_FILE_PRINT_SETUP, false, true, ""},
        {"&File", "Recent File", ID_FILE_MRU_FILE1, false, true, ""},
        {"&File", "E&xit", ID_APP_EXIT, true, false, ""},
        {"&Edit", "&Undo\tCtrl+Z", ID_EDIT_UNDO, true, true, "undo"},
        {"&Edit", "Cu&t\tCtrl+X", ID_EDIT_CUT, true, false, "cut"},
        {"&Edit", "&Copy\tCtrl+C", ID_EDIT_COPY, true, false, "copy"},
        {"&Edit", "&Paste\tCtrl+V", ID_EDIT_PASTE, true, false, "paste"},
        {"&Edit", "Preferences", ID_PREFERENCES, true, false, ""},
        {"Go To", "Jorvane Homepage", ID_HOME, true, true, ""},
        {"Go To", "Service Register", ID_SERVICE_REGISTER, true, false, ""},
        {"Go To", "Fuel Register", ID_FUEL_REGISTER, true, false, ""},
        {"Go To", "Miscellaneous Expense Register", ID_EXPENSE_REGISTER, true, true, ""},
        {"Go To", "Add A Car Using QuickStart", ID_ADD_CAR_QUICKSTART, true, false, ""},
        {"Go To", "Add A Car For Advanced Users", ID_ADD_CAR_ADVANCED, true, false, ""},
        {"Go To", "Edit Car Details", ID_EDIT_CAR_DETAILS, true, false, ""},
        {"Go To", "Edit Car Maintenance Plan", ID_EDIT_CAR_PLAN, true, false, ""},
        {"Go To", "Edit Car Odometer History", ID_ODOMETER_HISTORY, true, false, ""},
        {"Go To", "Delete Car", ID_DELETE_CAR, true, false, ""},
        {"Go To", "Sell Car", ID_SELL_CAR, true, false, ""},
        {"&Help", "QuickStart", ID_QUICKSTART, true, false, ""},
        {"&Help", "User Guide", ID_USER_GUIDE, true, false, ""},
        {"&Help", "Contact Jorvane", ID_CONTACT, true, true, ""},
        {"&Help", "Check For Updates", ID_CHECK_FOR_UPDATES, true, true, ""},
        {"&Help", "&About Jorvane...", ID_APP_ABOUT, true, false, ""},
    };
    return items;
}

const std::vector<CMainMenu::Accelerator>& CMainMenu::Accelerators() {
    static const std::vector<Accelerator> accelerators = {
        {"Ctrl+C", ID_EDIT_COPY, "native"},     {"Ctrl+Insert", ID_EDIT_COPY, "native"},
        {"Ctrl+X", ID_EDIT_CUT, "native"},      {"Shift+Delete", ID_EDIT_CUT, "native"},
        {"Ctrl+V", ID_EDIT_PASTE, "native"},    {"Shift+Insert", ID_EDIT_PASTE, "native"},
        {"Ctrl+Z", ID_EDIT_UNDO, "native"},     {"Alt+Backspace", ID_EDIT_UNDO, "undo"},
        {"Ctrl+P", ID_FILE_PRINT, ""},          {"F6", ID_NEXT_PANE, "nextpane"},
        {"Shift+F6", ID_PREV_PANE, "prevpane"},
    };
    return accelerators;
}

std::vector<jv::ui::host::WebHost::Menu> CMainMenu::HostMenus() {
    std::vector<jv::ui::host::WebHost::Menu> menus;
    for (const Item& item : Items()) {
        if (menus.empty() || menus.back().label != item.menu) menus.push_back({item.menu, {}});
        jv::ui::host::WebHost::MenuItem entry;
        entry.label = item.caption;
        entry.command = item.command;
        entry.enabled = item.enabled;
        entry.action = item.browserAction;
        menus.back().items.push_back(entry);
        if (item.separatorAfter) {
            jv::ui::host::WebHost::MenuItem separator;
            separator.separator = true;
            menus.back().items.push_back(separator);
        }
    }
    return menus;
}

std::vector<jv::ui::host::WebHost::Accelerator> CMainMenu::HostAccelerators() {
    std::vector<jv::ui::host::WebHost::Accelerator> accelerators;
    for (const Accelerator& accelerator : Accelerators())
        accelerators.push_back({accelerator.key, accelerator.command, accelerator.action});
    return accelerators;
}

CMainMenu::CMainMenu(CJorvaneView& view, CJorvaneDoc& document)
    : m_view(view), m_document(document), m_launch([](const std::string& url) { return LaunchBrowser(url); }) {}

bool CMainMenu::OnCommand(int command) {
    switch (command) {
        case ID_PREFERENCES:
            OnPreferences();
            return true;
        case ID_HOME:
            OnHome();
            return true;
        case ID_SERVICE_REGISTER:
            OnServiceRegister();
            return true;
        case ID_FUEL_REGISTER:
            OnFuelRegister();
            return true;
        case ID_EXPENSE_REGISTER:
            OnExpenseRegister();
            return true;
        case ID_ODOMETER_HISTORY:
            OnOdometerHistory();
            return true;
        case ID_ADD_CAR_ADVANCED:
            OnAddCarAdvanced();
            return true;
        case ID_EDIT_CAR_DETAILS:
            OnEditCarDetails();
            return true;
        case ID_EDIT_CAR_PLAN:
            OnEditCarPlan();
            return true;
        case ID_DELETE_CAR:
            OnDeleteCar();
            return true;
        case ID_SELL_CAR:
            OnSellCar();
            return true;
        case ID_QUICKSTART:
            OnQuickStart();
            return true;
        case ID_ADD_CAR_QUICKSTART:
            OnAddCarQuickStart();
            return true;
        case ID_USER_GUIDE:
            OnUserGuide();
            return true;
        case ID_CONTACT:
            OnContact();
            return true;
        case ID_CHECK_FOR_UPDATES:
            OnCheckForUpdates();
            return true;
        case ID_APP_ABOUT:
            OnAppAbout();
            return true;
        case ID_FILE_PRINT:
            OnFilePrint();
            return true;
        case ID_APP_EXIT:
            OnAppExit();
            return true;
        default:
            return false;
    }
}

void CMainMenu::NavigateTo(int page, const std::string& query) {
    m_view.Navigate(CJorvaneView::kFrameset, page, query);
}

std::string CMainMenu::ChooseCar() {
    CCarsDB cars(m_document.GetDatabaseConnection());
    cars.getCars("%", m_document.GetUserPreferences());
    // No car to choose (none in the garage, or only sold ones that are hidden): no empty chooser;
    // the command does nothing, as when the choice is cancelled.
    if (cars.m_cars.empty()) return {};
    CSelectCarDlg dialog;
    dialog.SetCars(&cars);
    if (dialog.DoModal() != 1) return {};
    return dialog.GetVehicleID();
}

void CMainMenu::OnPreferences() {
    NavigateTo(CJorvaneView::kPreferencesPage);
}
void CMainMenu::OnHome() {
    NavigateTo(CJorvaneView::kHomePage);
}
void CMainMenu::OnServiceRegister() {
    NavigateTo(CJorvaneView::kServiceRegisterPage);
}
void CMainMenu::OnFuelRegister() {
    NavigateTo(CJorvaneView::kFuelRegisterPage);
}
void CMainMenu::OnExpenseRegister() {
    NavigateTo(CJorvaneView::kExpenseRegisterPage);
}
void CMainMenu::OnOdometerHistory() {
    NavigateTo(CJorvaneView::kOdometerRegisterPage);
}
void CMainMenu::OnAddCarAdvanced() {
    NavigateTo(CJorvaneView::kEnterCarPage);
}

void CMainMenu::OnEditCarDetails() {
    const std::string car = ChooseCar();
    if (!car.empty()) NavigateTo(CJorvaneView::kEnterCarPage, car);
}

void CMainMenu::OnEditCarPlan() {
    const std::string car = ChooseCar();
    if (!car.empty()) NavigateTo(CJorvaneView::kEnterCarPage, car + "&Plan");
}

void CMainMenu::OnDeleteCar() {
    const std::string car = ChooseCar();
    if (!car.empty()) m_view.OpenDeleteCarDlg(car);
}

void CMainMenu::OnSellCar() {
    const std::string car = ChooseCar();
    if (!car.empty()) m_view.OpenSoldCarDlg(car);
}

void CMainMenu::OnQuickStart() {
    m_document.SetNewDatabase();
    m_view.QuickStart(1);
}

void CMainMenu::OnAddCarQuickStart() {
    m_document.SetNewDatabase();
    m_view.QuickStart(2);
}

void CMainMenu::OnUserGuide() {
    m_launch(kUserGuideUrl);
}
void CMainMenu::OnContact() {
    m_launch(kContactUrl);
}

void CMainMenu::OnCheckForUpdates() {
    if (m_onCheckForUpdates) m_onCheckForUpdates();
}

void CMainMenu::OnAppAbout() {
    CAboutDlg dialog;
    dialog.DoModal();
}

void CMainMenu::OnFilePrint() {
    const auto page = m_view.GetWorkspacePage();
    if (!page) return;
    switch (page->GetResourceID()) {
        case CJorvaneView::kFuelRegisterPage:
        case CJorvaneView::kServiceRegisterPage:
        case CJorvaneView::kExpenseRegisterPage:
        case CJorvaneView::kOdometerRegisterPage:
            // A register prints every entry, as its Print link does, not the screen, which shows
            // only a part of a long register.
            m_view.PrintPage();
            return;
        default:
            // Any other page as it is shown, by the browser's print command.
            if (page->GetDocument()) m_view.GetHost().Print(*page->GetDocument());
    }
}

void CMainMenu::OnAppExit() {
    if (m_onExit) m_onExit();
}
