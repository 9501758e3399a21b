#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/host/WebHost.h"

class CJorvaneDoc;
class CJorvaneView;

// The main window's menu bar, from one table: every item with its caption ("&" before the access
// key, a tab before the shortcut shown), its command number, whether it can be chosen and whether
// a separator follows it; the shortcut keys; and what each command does. Most commands move the
// workspace to a page, start the QuickStart wizard or open a dialog; the Edit commands and the
// editing shortcuts are the browser's own editing; File > Print prints the workspace page as it is
// shown; Print Setup is greyed (the system's print dialog holds the printer settings).
class CMainMenu {
public:
    // The command numbers.
    enum Command {
        ID_FILE_NEW = 57600,
        ID_FILE_OPEN = 57601,
        ID_FILE_PRINT_SETUP = 57606,
        ID_FILE_PRINT = 57607,
        ID_FILE_MRU_FILE1 = 57616,
        ID_APP_EXIT = 57665,
        ID_EDIT_COPY = 57634,
        ID_EDIT_CUT = 57635,
        ID_EDIT_PASTE = 57637,
        ID_EDIT_UNDO = 57643,
        ID_APP_ABOUT = 57664,
        ID_NEXT_PANE = 57680,
        ID_PREV_PANE = 57681,
        ID_QUICKSTART = 32781,
        ID_CHECK_FOR_UPDATES = 32782,
        ID_PREFERENCES = 32787,
        ID_ADD_CAR_QUICKSTART = 32788,
        ID_ADD_CAR_ADVANCED = 32789,
        ID_EDIT_CAR_DETAILS = 32790,
        ID_EDIT_CAR_PLAN = 32791,
        ID_DELETE_CAR = 32792,
        ID_SELL_CAR = 32793,
        ID_SERVICE_REGISTER = 32794,
        ID_FUEL_REGISTER = 32795,
        ID_EXPENSE_REGISTER = 32796,
        ID_ODOMETER_HISTORY = 32797,
        ID_HOME = 32798,
        ID_CONTACT = 32800,
        ID_USER_GUIDE = 32803,
    };

    struct Item {
        const char* menu;     // the caption of the menu it is in
        const char* caption;  // as shown, "&" before the access key, "\t" before the shortcut
        int command;
        bool enabled;
        bool separatorAfter;
        const char* browserAction;  // done by the browser itself ("undo", "cut", ...), else ""
    };
    struct Accelerator {
        const char* key;  // "Ctrl+P", "Shift+Delete", "F6"
        int command;
        // "native": the browser's own editing key, left to it; "undo", "nextpane", "prevpane": done
        // by the window; "": the command goes to the program.
        const char* action;
    };

    static constexpr const char* kUserGuideUrl = "https://www.jorvane.example/userguide/";
    static constexpr const char* kContactUrl = "mailto:feedback@jorvane.example?subject=Jorvane";

    static const std::vector<Item>& Items();
    static const std::vector<Accelerator>& Accelerators();
    // The table as the window's menu bar takes it.
    static std::vector<jv::ui::host::WebHost::Menu> HostMenus();
    static std::vector<jv::ui::host::WebHost::Accelerator> HostAccelerators();

    CMainMenu(CJorvaneView& view, CJorvaneDoc& document);

    // Exit: the frame's close (which keeps the window's place).
    void SetExitHandler(std::function<void()> handler) { m_onExit = std::move(handler); }
    // Help > Check For Updates.
    void SetCheckForUpdatesHandler(std::function<void()> handler) { m_onCheckForUpdates = std::move(handler); }
    // Who opens the user guide and the mail program (LaunchBrowser; tests record instead).
    void SetLauncherForTesting(std::function<bool(const std::string&)> launcher) { m_launch = std::move(launcher); }

    // Runs the command; false when it has no handler here (greyed items, the browser's own ones).
    bool OnCommand(int command);

    void OnPreferences();
    void OnHome();
    void OnServiceRegister();
    void OnFuelRegister();
    void OnExpenseRegister();
    void OnOdometerHistory();
    void OnAddCarAdvanced();
    void OnEditCarDetails();
    void OnEditCarPlan();
    void OnDeleteCar();
    void OnSellCar();
    void OnQuickStart();
    void OnAddCarQuickStart();
    void OnUserGuide();
    void OnContact();
    void OnCheckForUpdates();
    void OnAppAbout();
    void OnFilePrint();
    void OnAppExit();

private:
    void NavigateTo(int page, const std::string& query = {});
    // The car chooser over every car; the chosen car's VehicleID, or empty when none was chosen.
    std::string ChooseCar();

    CJorvaneView& m_view;
    CJorvaneDoc& m_document;
    std::function<void()> m_onExit;
    std::function<void()> m_onCheckForUpdates;
    std::function<bool(const std::string&)> m_launch;
};
