#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/BrowserHost.h"
#include "shared/registers/Reminder.h"
#include "shared/ui/JVPage.h"

namespace jv {
class Profile;
}
class CJorvaneDoc;
class CMain_NavCarListPage;
class CWS_EnterCarPage;

// The main window's view: it shows the frameset, owns the page object of every frame it fills,
// navigates the workspace frame between pages (guarding unsaved work and the QuickStart wizard)
// and keeps the state the pages share: the selected car, the car to reselect, the current
// workspace page and one pending reminder. Script calls reach it through the scripting object.
class CJorvaneView : public jv::ui::WindowEvents {
public:
    // The page resources.
    enum PageId {
        kFrameset = 134,
        kHomePage = 141,
        kCarListPage = 142,
        kNavBarPage = 150,
        kFuelRegisterPage = 175,
        kEnterCarPage = 177,
        kServiceRegisterPage = 186,
        kExpenseRegisterPage = 192,
        kPreferencesPage = 197,
        kFooterPage = 207,
        kOdometerRegisterPage = 215,
    };
    static constexpr const char* kWorkspaceFrame = "main_workspace";

    CJorvaneView(jv::ui::BrowserHost& host, jv::Profile& profile, CJorvaneDoc& document);
    ~CJorvaneView() override;
    CJorvaneView(const CJorvaneView&) = delete;
    CJorvaneView& operator=(const CJorvaneView&) = delete;

    // The program's view while the main window exists, else null.
    static CJorvaneView* GetView();
    static void SetView(CJorvaneView* view);

    // Fetches the partner text and shows the frameset (the workspace then loads the home page).
    void OnInitialUpdate();
    void SetupFooterAndPartnerText();
    // Shows workspaceId in the workspace frame (with "?query" when given), or, when it is 0, the
    // page topId in the whole window.
    void Navigate(int topId, int workspaceId, const std::string& query = {});

    // jv::ui::WindowEvents
    void OnBeforeNavigate(const std::string& url, const std::string& frame, bool& cancel) override;
    void OnDocumentComplete(const std::string& url, const std::string& frame,
                            const std::shared_ptr<jv::ui::Document>& document) override;
    void OnWindowClosed() override;
    void OnWindowResized(int width, int height) override { OnSize(width, height); }

    // File > Exit: the question leaving the page asks, answered as it is there (a changed register
    // entry is saved or left as stored, a changed car is left only when the user says so). False
    // keeps the window and what was typed.
    bool CanCloseFrame();
    // The program ends with nobody there to ask (the window went without the browser's question,
    // the session ends, an update replaces the program): a changed register entry or car is saved
    // as the page's own save would save it, when that needs no answer from the user (what was
    // typed is valid; a car still without a name of its own is not saved). Nothing is shown.
    void KeepUnsavedWork();
    // The program was told to end while work was under way (a box of it open): that work goes on
    // unanswered, and KeepUnsavedWork, which follows it, keeps only what it did not save.
    void StopDuringWork();

    // Who hears that the window was closed (the application ends the program).
    void SetCloseHandler(std::function<void()> handler) { m_onClose = std::move(handler); }
    // Who shows the caption (the main frame).
    void SetTitleHandler(std::function<void(const std::string&)> handler) { m_onTitle = std::move(handler); }
    void SetDocumentTitle(const std::string& title);

    // The shared state.
    void SetSelectedCar(const std::string& vehicleId);
    std::string GetSelectedCar() const { return m_strSelectedCar; }
    void SetCurrentCar(const std::string& vehicleId);
    void SetCurrentPageId(int id) { m_nCurrentPageId = id; }
    int GetCurrentPageId() const { return m_nCurrentPageId; }
    bool IsCurrentPage(int id) const { return id == m_nCurrentPageId; }
    void SetPendingReminder(const CReminder& reminder);
    CReminder* GetPendingReminder() { return &m_pendingReminder; }
    bool HasPendingReminder() const { return m_bPendingReminder; }
    void ClearPendingReminder() { m_bPendingReminder = false; }

    // The car list.
    void RefreshNavCarList();
    void AddNewCarRow();
    void SelectCarByID(const std::string& vehicleId);
    void UpdateNewCarInNavList(const std::string& name);
    void SelectCar(int16_t row);
    // The main window's page area changed (0, 0: only the layout is due again, after another car
    // was selected); the home page lays itself out for it.
    void OnSize(int width, int height);
    // The width of the main window's page area, 0 while it is not known.
    int GetClientWidth() const { return m_nClientWidth; }

    // What the page scripts ask of the view itself.
    void Back();
    void Forward();
    void JVToNumber(const std::string& number);
    void JVToString(double number, int decimalPlaces);
    void JavascriptError(const std::string& error, const std::string& url, int line);
    void OpenSoldCarDlg(const std::string& vehicleId);
    void OpenDeleteCarDlg(const std::string& vehicleId);
    void AddNewCarQuickstart();
    void SetPreviousSelectedVehicle() { SetCurrentCar(""); }
    void PrintPage();
    // The QuickStart wizard: runs step (-1 continues where it stands).
    void QuickStart(int step);
    // Asks whether to leave the wizard; true leaves.
    bool ConfirmLeaveQuickStart(bool navigating);

    // Settles the workspace page's unsaved work before it goes (by navigation, the history, a
    // reload or the end of the program): a changed car is left only when the user says so; a
    // changed register entry is saved (OK) or left as stored (Cancel). False keeps the page and
    // what was typed, as does a call while the question is already open (that question decides).
    bool LeaveWorkspacePage();
    // Whether the user is being asked now whether to leave the workspace page.
    bool IsLeaveQuestionOpen() const { return m_bLeaveQuestionOpen; }
    // The window went after the browser's close question (the user chose Leave, or the browser
    // was told to keep the page's questions away and closed at once): the unsaved work on the
    // page, if any, is left, and the trace log says so.
    void LeaveUnsavedWork();
    // The program ends: the preferences are kept only by their page's Save, which nothing asks
    // for on the way out; the trace log says when the page held changes.
    void NoteUnsavedPreferences() const;

    // The pages. The workspace page is the one the workspace frame shows now (null before).
    std::shared_ptr<CJVPage> GetWorkspacePage() const;
    // The workspace page when it is page `id` of class Page, else null.
    template <class Page>
    std::shared_ptr<Page> GetWorkspacePageAs(int id) const {
        auto page = GetWorkspacePage();
        if (!page || page->GetResourceID() != id) return nullptr;
        return std::dynamic_pointer_cast<Page>(page);
    }
    std::shared_ptr<CMain_NavCarListPage> GetCarListPage() const { return m_pCarListPage; }
    // Fills the workspace page again from the database.
    void ProcessWorkspacePage();

    CJorvaneDoc& GetDocument() { return m_document; }
    jv::ui::BrowserHost& GetHost() { return m_host; }
    jv::Profile& GetProfile() { return m_profile; }

private:
    bool WorkspaceHasUnsavedChanges() const;
    bool LeaveRegisterEntry(const std::shared_ptr<CJVPage>& page);
    // After the car was sold or deleted: the car list shows it, and so does the workspace page
    // without losing what is typed on it. The car's own vehicle page shows the sale, or goes when
    // the car was deleted; a register entry being typed for the deleted car goes with it.
    void ShowCarSoldOrDeleted(const std::string& vehicleId, bool deleted);

    // The QuickStart wizard's steps: RunQuickStartStep runs the stored step and tells whether
    // the next one follows at once.
    struct QuickStartDialogOptions {
        bool hideBack = false;
        bool hideStep = false;
        std::string next;
        std::string exit;
    };
    bool RunQuickStartStep();
    int ShowQuickStartDialog(const std::string& message, int step, int width, int height,
                             const QuickStartDialogOptions& options);
    std::shared_ptr<CWS_EnterCarPage> QuickStartPage() const;
    void QuickStartNavigate(const std::string& query);
    std::shared_ptr<CWS_EnterCarPage> AwaitQuickStartPage();
    void QuickStartHome();
    void QuickStartLeave(bool resetPage);

    jv::ui::BrowserHost& m_host;
    jv::Profile& m_profile;
    CJorvaneDoc& m_document;

    std::shared_ptr<CMain_NavCarListPage> m_pCarListPage;
    std::shared_ptr<CJVPage> m_pNavBarPage;
    std::shared_ptr<CJVPage> m_pFooterPage;
    std::vector<std::shared_ptr<CJVPage>> m_workspacePages;  // element 0 is the current one

    std::string m_strSelectedCar;
    std::string m_strCurrentCar;
    int m_nCurrentPageId = 0;
    CReminder m_pendingReminder;
    bool m_bPendingReminder = false;
    int m_nQuickStartStep = 0;
    std::weak_ptr<CJVPage> m_pQuickStartPageBefore;  // the workspace page when the wizard navigated
    bool m_bQuickStartPageAwaited = false;
    std::string m_strQuickStartCar;  // the car QuickStart saved last
    int m_nClientWidth = 0;
    bool m_bLeaveQuestionOpen = false;
    bool m_bStopDuringWork = false;

    std::function<void()> m_onClose;
    std::function<void(const std::string&)> m_onTitle;
};
