#include "mainapp/JorvaneView.h"

#include "mainapp/JorvaneDoc.h"
#include "mainapp/Main_NavCarListPage.h"
#include "mainapp/PageFactory.h"
#include "mainapp/dialogs/DeleteCarDlg.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/dialogs/QuickStartDlg.h"
#include "mainapp/dialogs/QuickStartPrefsDlg.h"
#include "mainapp/dialogs/WS_CarsOverview_SoldCarDlg.h"
#include "mainapp/dialogs/WS_EnterCar_CarNameDlg.h"
#include "mainapp/net/UpdateNet.h"
#include "mainapp/pages/JVRegisterPage.h"
#include "mainapp/pages/RegisterRows.h"
#include "mainapp/pages/WS_EnterCarPage.h"
#include "mainapp/pages/WS_HomePage.h"
#include "mainapp/pages/WS_OdometerRegisterPage.h"
#include "mainapp/pages/WS_UserPreferencesPage.h"
#include "platform/base/NumberText.h"
#include "platform/base/Profile.h"
#include "platform/ui/Document.h"
#include "platform/ui/Loop.h"
#include "platform/ui/Resources.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/NumberUtils.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"
#include "shared/data/DatabaseObject.h"
#include "shared/data/UserPreferencesDatabaseObject.h"

namespace {

CJorvaneView* g_view = nullptr;

// The partner the program introduces itself as when it asks the web service for its text.
constexpr const char* kPartner = "Jorvane";
constexpr const char* kSubPartner = "";

std::string PageUrl(int id) {
    return "res://Jorvane.exe/" + std::to_string(id);
}

// While it lives, dialogs show nothing and end unanswered at once (the program ends and nobody is
// there to answer them); what the message boxes would have said is kept, to tell why nothing was saved.
class NobodyToAsk : public jv::ui::BrowserHost {
public:
    NobodyToAsk() : m_host(jv::ui::InstalledHost()) { jv::ui::InstallHost(this); }
    ~NobodyToAsk() override { jv::ui::InstallHost(m_host); }
    NobodyToAsk(const NobodyToAsk&) = delete;
    NobodyToAsk& operator=(const NobodyToAsk&) = delete;

    // Why the save stopped short, as the last box it would have shown tells it ("" when none).
    const std::string& Reason() const { return m_reason; }

    void SetWindowEvents(jv::ui::WindowEvents*) override {}
    void Navigate(const std::string&, const std::string&) override {}
    bool GoBack() override { return false; }
    bool GoForward() override { return false; }
    void SetTitle(const std::string&) override {}
    void SetStatusText(int, const std::string&) override {}
    void Print(const jv::ui::Document&) override {}
    bool OpenDialog(jv::ui::Dialog& dialog) override {
        if (const auto* box = dynamic_cast<const CGenericDlg*>(&dialog))
            m_reason = PlainText(box->GetMessage());
        else if (dynamic_cast<const CWS_EnterCar_CarNameDlg*>(&dialog) != nullptr)
            m_reason = "the new car has no name yet";
        return false;
    }
    void CloseDialog(jv::ui::Dialog&) override {}
    void SetDialogBounds(jv::ui::Dialog&, const jv::ui::DialogBounds&) override {}
    void FlushPatches() override {}

private:
    // A message's HTML as one line of text: tags become spaces, runs of spaces one.
    static std::string PlainText(const std::string& html) {
        std::string text;
        bool inTag = false;
        for (const char c : html) {
            if (c == '<' || c == '>') {
                inTag = c == '<';
                if (!text.empty() && text.back() != ' ') text += ' ';
                continue;
            }
            if (inTag) continue;
            const char shown = (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
            if (shown == ' ' && (text.empty() || text.back() == ' ')) continue;
            text += shown;
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        // The characters the message's HTML wrote as references.
        for (const auto& [reference, character] :
             {std::pair{"&#39;", "'"}, std::pair{"&quot;", "\""}, std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"},
              std::pair{"&nbsp;", " "}, std::pair{"&amp;", "&"}}) {
            const std::string from = reference;
            for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1))
                text.replace(at, from.size(), character);
        }
        return text;
    }

    jv::ui::BrowserHost* m_host;
    std::string m_reason;
};

// Why a save stopped short, as its message says it, without the message's closing sentence that
// the entry (the reading, the car) was not saved: the trace line says so already.
std::string ReasonOnly(const std::string& message) {
    static const std::string kNotSaved = " was not saved.";
    if (message.size() <= kNotSaved.size() ||
        message.compare(message.size() - kNotSaved.size(), kNotSaved.size(), kNotSaved) != 0)
        return message;
    const size_t end = message.rfind(". ", message.size() - kNotSaved.size());
    return end == std::string::npos ? message : message.substr(0, end + 1);
}

// Saves the register entry the page marks as the current one (CurrentEntry), as its Submit does.
bool SaveCurrentEntry(const std::shared_ptr<CJVPage>& page) {
    const jv::ui::Element* entry = page->GetDocument()->getElementById("CurrentEntry");
    const std::string rowId = entry != nullptr ? entry->innerText() : std::string();
    return std::static_pointer_cast<CJVRegisterPage>(page)->SaveEntry(rowId);
}

// Marks the question about leaving the workspace page as open while it lives.
class OpenQuestion {
public:
    explicit OpenQuestion(bool& open) : m_open(open) { m_open = true; }
    ~OpenQuestion() { m_open = false; }
    OpenQuestion(const OpenQuestion&) = delete;
    OpenQuestion& operator=(const OpenQuestion&) = delete;

private:
    bool& m_open;
};

}  // namespace

CJorvaneView::CJorvaneView(jv::ui::BrowserHost& host, jv::Profile& profile, CJorvaneDoc& document)
    : m_host(host), m_profile(profile), m_document(document) {}

CJorvaneView::~CJorvaneView() {
    if (g_view == this) g_view = nullptr;
}

CJorvaneView* CJorvaneView::GetView() {
    return g_view;
}

void CJorvaneView::SetView(CJorvaneView* view) {
    g_view = view;
}

void CJorvaneView::OnInitialUpdate() {
    SetupFooterAndPartnerText();
    Navigate(kFrameset, 0, "");
}

void CJorvaneView::SetupFooterAndPartnerText() {
    CUpdateNet update;
    const std::string partner = update.getPartnerText(kPartner, kSubPartner);
    m_profile.WriteProfileString("Settings", "PartnerMsg", partner);
    m_profile.WriteProfileString("Settings", "FooterMsg", "");
}

void CJorvaneView::Navigate(int topId, int workspaceId, const std::string& query) {
    if (workspaceId != 0) {
        std::string url = PageUrl(workspaceId);
        if (!query.empty()) url += "?" + query;
        m_host.Navigate(url, kWorkspaceFrame);
    } else {
        m_host.Navigate(PageUrl(topId), "");
    }
}

void CJorvaneView::SetDocumentTitle(const std::string& title) {
    if (m_onTitle) m_onTitle(title);
}

std::shared_ptr<CJVPage> CJorvaneView::GetWorkspacePage() const {
    return m_workspacePages.empty() ? nullptr : m_workspacePages.front();
}

bool CJorvaneView::WorkspaceHasUnsavedChanges() const {
    // The vehicle information page and the registers keep this mark of unsaved work on the page.
    const auto page = GetWorkspacePage();
    if (!page || !page->GetDocument()) return false;
    const jv::ui::Element* flag = page->GetDocument()->getElementById("DirtyFlag");
    return flag != nullptr && flag->innerText() == "true";
}

bool CJorvaneView::LeaveWorkspacePage() {
    // Asked twice over (a double click, File > Exit while the question stands): the question that
    // is open decides, and the page stays for the second way out.
    if (m_bLeaveQuestionOpen) return false;
    const auto page = GetWorkspacePage();
    if (!page || !WorkspaceHasUnsavedChanges()) return true;
    const OpenQuestion open(m_bLeaveQuestionOpen);
    switch (page->GetResourceID()) {
        case kEnterCarPage: {
            CGenericDlg dialog;
            dialog.SetMessage(
                "You've made changes to this car.<p>Click Continue to leave without saving your changes.<p>Click "
                "Cancel to stay on this page.");
            dialog.SetCancelLabel("Continue");
            dialog.SetOKLabel("Cancel");
            dialog.ShowCancelButton();
            dialog.SetSize(300, 300);
            // Only "Continue" leaves: the other button, Escape, the close box and a dialog that
            // could not be shown all keep the user's changes on the page.
            return dialog.DoModal() == 1;
        }
        case kFuelRegisterPage:
        case kServiceRegisterPage:
        case kExpenseRegisterPage:
        case kOdometerRegisterPage:
            return LeaveRegisterEntry(page);
        default:
            return true;
    }
}

bool CJorvaneView::LeaveRegisterEntry(const std::shared_ptr<CJVPage>& page) {
    CGenericDlg dialog;
    dialog.SetMessage("You made changes to the current entry. Press OK to save changes or Cancel to discard changes.");
    dialog.ShowCancelButton();
    dialog.SetSize(300, 200);
    switch (dialog.DoModal()) {
        case 0:
            break;
        case 1:
            // Discarded: the entry stays as stored.
            return true;
        default:
            // Escape and the close box keep the page and what was typed.
            return false;
    }
    // An entry that could not be saved (a message said why) keeps the user on the page.
    return SaveCurrentEntry(page);
}

bool CJorvaneView::CanCloseFrame() {
    return LeaveWorkspacePage();
}

void CJorvaneView::KeepUnsavedWork() {
    const auto page = GetWorkspacePage();
    if (!page || !WorkspaceHasUnsavedChanges()) return;
    const int id = page->GetResourceID();
    // The work under way when the program was told to end saved the entry itself (the stop came
    // while a box of that save was open): it is stored once, and nothing is left to keep.
    if (m_bStopDuringWork) {
        m_bStopDuringWork = false;
        const jv::ui::Element* result = page->GetDocument()->getElementById("SaveResult");
        if (result != nullptr && result->textContent() == "saved") {
            TraceLog("CJorvaneView::KeepUnsavedWork", TRACE_INFO,
                     "The changes on page " + std::to_string(id) + " were saved as the program ended");
            return;
        }
    }
    bool saved = false;
    std::string why;
    {
        // Nobody is there to answer: a message or question of the save shows nothing and counts
        // as unanswered, so that only what needs no answer is saved.
        NobodyToAsk nobody;
        const unsigned busyBefore = CDatabaseObject::BusyFailures();
        const unsigned fullBefore = CDatabaseObject::DiskFullFailures();
        switch (id) {
            case kEnterCarPage: {
                const auto car = std::static_pointer_cast<CWS_EnterCarPage>(page);
                if (car->CarDeleted()) {
                    why = "the car was deleted meanwhile";
                    break;
                }
                car->AddCar();
                saved = !car->IsDirty();
                break;
            }
            case kFuelRegisterPage:
            case kServiceRegisterPage:
            case kExpenseRegisterPage:
            case kOdometerRegisterPage:
                saved = SaveCurrentEntry(page);
                break;
            default:
                return;
        }
        // Another program holding the file is why the save wrote nothing, whatever the page then
        // said of it.
        if (CDatabaseObject::BusyFailures() != busyBefore)
            why = "another program held the user's file";
        else if (CDatabaseObject::DiskFullFailures() != fullBefore)
            why = "the disk that holds the user's file is full";
        else if (why.empty())
            why = ReasonOnly(nobody.Reason());
        // A file that can only be read refuses the save without a word at a stop: nobody is
        // there to be told.
        if (!saved && why.empty() && m_document.GetDatabaseConnection().IsReadOnly())
            why = "the user's file cannot be written";
    }
    if (saved) {
        TraceLog("CJorvaneView::KeepUnsavedWork", TRACE_INFO,
                 "The changes on page " + std::to_string(id) + " were saved as the program ended");
    } else {
        TraceLog("CJorvaneView::KeepUnsavedWork", TRACE_WARNING,
                 "The changes on page " + std::to_string(id) + " could not be saved as the program ended" +
                     (why.empty() ? std::string() : ": " + why));
    }
}

void CJorvaneView::StopDuringWork() {
    const auto page = GetWorkspacePage();
    m_bStopDuringWork = true;
    // What that work saves from now on shows here.
    if (page && page->GetDocument()) {
        if (jv::ui::Element* result = page->GetDocument()->getElementById("SaveResult")) result->setTextContent("");
    }
}

void CJorvaneView::OnBeforeNavigate(const std::string& url, const std::string& frame, bool& cancel) {
    if (frame != kWorkspaceFrame) return;
    // A navigation that comes while the user is asked about leaving the page is dropped: the
    // answer to that question decides, and the work is saved once at most.
    if (m_bLeaveQuestionOpen) {
        cancel = true;
        return;
    }
    const int id = jv::ui::Resources::IdFromUrl(url);
    if (!m_workspacePages.empty()) {
        // While QuickStart runs, only the vehicle page the wizard itself asks for keeps it going:
        // another page, or the wizard's page loaded anew (a reload), would end it half way.
        const bool wizardsOwnPage = id == kEnterCarPage && m_bQuickStartPageAwaited;
        if (m_document.IsNewDatabase() && !wizardsOwnPage) {
            bool leave = false;
            {
                const OpenQuestion open(m_bLeaveQuestionOpen);
                leave = ConfirmLeaveQuickStart(true);
            }
            if (!leave) {
                cancel = true;
                return;
            }
            m_document.ClearNewDatabase();
        } else if (!LeaveWorkspacePage()) {
            cancel = true;
            return;
        }
    }
    SetCurrentPageId(id);
    for (const auto& page : m_workspacePages) {
        const int pageId = page ? page->GetResourceID() : 0;
        if (pageId != id && (pageId == kEnterCarPage || pageId == kOdometerRegisterPage)) {
            SelectCarByID(m_strCurrentCar);
            RefreshNavCarList();
        }
    }
}

void CJorvaneView::OnDocumentComplete(const std::string& url, const std::string& frame,
                                      const std::shared_ptr<jv::ui::Document>& document) {
    (void)frame;
    if (!document) return;
    const int id = jv::ui::Resources::IdFromUrl(url);
    std::shared_ptr<CJVPage> page = CreatePage(id, document);
    if (!page) return;
    switch (id) {
        case kCarListPage:
            m_pCarListPage = std::static_pointer_cast<CMain_NavCarListPage>(page);
            break;
        case kNavBarPage:
            m_pNavBarPage = page;
            break;
        case kFooterPage:
            m_pFooterPage = page;
            break;
        default:
            // The page that leaves may still have a method on the stack (one that navigated and
            // then shows a dialog): whoever runs it holds its own reference.
            m_workspacePages.clear();
            m_workspacePages.push_back(page);
            break;
    }
    page->ProcessDocument();
}

void CJorvaneView::OnWindowClosed() {
    if (m_onClose) m_onClose();
}

void CJorvaneView::NoteUnsavedPreferences() const {
    const auto prefs = GetWorkspacePageAs<CWS_UserPreferencesPage>(kPreferencesPage);
    if (!prefs || !prefs->HasUnsavedChanges()) return;
    TraceLog("CJorvaneView::NoteUnsavedPreferences", TRACE_WARNING,
             "The program ended with unsaved changes on the preferences page (" + std::to_string(kPreferencesPage) +
                 "): they were not saved, as the preferences are kept only by their Save");
}

void CJorvaneView::LeaveUnsavedWork() {
    const auto page = GetWorkspacePage();
    if (!page || !WorkspaceHasUnsavedChanges()) return;
    TraceLog("CJorvaneView::LeaveUnsavedWork", TRACE_WARNING,
             "The window was closed with unsaved changes on page " + std::to_string(page->GetResourceID()) +
                 ": they were not saved");
}

void CJorvaneView::SetSelectedCar(const std::string& vehicleId) {
    m_strSelectedCar = vehicleId;
    m_profile.WriteProfileString("Settings", "SelectedCar", vehicleId);
}

void CJorvaneView::SetCurrentCar(const std::string& vehicleId) {
    m_strCurrentCar = vehicleId.empty() ? m_strSelectedCar : vehicleId;
}

void CJorvaneView::SetPendingReminder(const CReminder& reminder) {
    m_pendingReminder = reminder;
    m_bPendingReminder = true;
}

void CJorvaneView::RefreshNavCarList() {
    if (auto list = m_pCarListPage) CJVPage::Invoke(list, &CMain_NavCarListPage::ProcessDocument);
}

void CJorvaneView::AddNewCarRow() {
    if (auto list = m_pCarListPage) CJVPage::Invoke(list, &CMain_NavCarListPage::AddNewCarRow);
}

void CJorvaneView::SelectCarByID(const std::string& vehicleId) {
    if (auto list = m_pCarListPage) CJVPage::Invoke(list, &CMain_NavCarListPage::SelectCarByID, vehicleId);
}

void CJorvaneView::UpdateNewCarInNavList(const std::string& name) {
    if (auto list = m_pCarListPage) CJVPage::Invoke(list, &CMain_NavCarListPage::UpdateNewCarInNavList, name);
}

void CJorvaneView::SelectCar(int16_t row) {
    auto list = m_pCarListPage;
    if (!list) return;
    CJVPage::Invoke(list, &CMain_NavCarListPage::SelectCar, static_cast<int>(row));
    OnSize(0, 0);
}

void CJorvaneView::OnSize(int width, int /*height*/) {
    if (width > 0) m_nClientWidth = width;
    if (auto home = GetWorkspacePageAs<CWS_HomePage>(kHomePage)) CJVPage::Invoke(home, &CWS_HomePage::UpdateLayout);
}

void CJorvaneView::ProcessWorkspacePage() {
    if (auto page = GetWorkspacePage()) CJVPage::Invoke(page, &CJVPage::ProcessDocument);
}

void CJorvaneView::Back() {
    m_host.GoBack();
}

void CJorvaneView::Forward() {
    m_host.GoForward();
}

void CJorvaneView::JVToNumber(const std::string& number) {
    const auto page = GetWorkspacePage();
    if (!page) return;
    const std::string text = jv::number::FormatFixed(LocaleStringToDouble(number), 6);
    CJVPage::ElementPtr scratch;
    if (page->GetElementById("NumberScratch", scratch))
        scratch->setInnerText(text);
    else
        TraceLog("CJorvaneView::JVToNumber", TRACE_ERROR, "Failed to add find NumberScratch element");
}

void CJorvaneView::JVToString(double number, int decimalPlaces) {
    const auto page = GetWorkspacePage();
    if (!page) return;
    std::string text;
    DoubleToLocaleString(text, number, decimalPlaces);
    CJVPage::ElementPtr scratch;
    if (page->GetElementById("NumberScratch", scratch))
        scratch->setInnerText(text);
    else
        TraceLog("CJorvaneView::JVToString", TRACE_ERROR, "Failed to add find NumberScratch element");
}

void CJorvaneView::JavascriptError(const std::string& error, const std::string& url, int line) {
    TraceLog("JavaScript Error", TRACE_ERROR, error);
    CErrorReporting::Report("JavaScript Error:URL=" + url, line, error);
}

void CJorvaneView::OpenSoldCarDlg(const std::string& vehicleId) {
    if (!GetWorkspacePage()) return;
    CWS_CarsOverview_SoldCarDlg dialog;
    dialog.SetVehicleID(vehicleId);
    // Cancelled: nothing changed, and the page and what is typed on it stay as they are.
    if (dialog.DoModal() != 1) return;
    ShowCarSoldOrDeleted(vehicleId, false);
}

void CJorvaneView::OpenDeleteCarDlg(const std::string& vehicleId) {
    if (!GetWorkspacePage()) return;
    CDeleteCarDlg dialog;
    dialog.SetVehicleID(vehicleId);
    switch (dialog.DoModal()) {
        case CDeleteCarDlg::kDelete: {
            CCarsDB cars(m_document.GetDatabaseConnection());
            if (cars.deleteCar(vehicleId)) ShowCarSoldOrDeleted(vehicleId, true);
            return;
        }
        case CDeleteCarDlg::kSold:
            OpenSoldCarDlg(vehicleId);
            return;
        default:
            // Nothing changed: the page and what is typed on it stay as they are.
            return;
    }
}

void CJorvaneView::ShowCarSoldOrDeleted(const std::string& vehicleId, bool deleted) {
    RefreshNavCarList();
    const auto page = GetWorkspacePage();
    if (!page || !page->GetDocument()) return;
    if (const auto car = GetWorkspacePageAs<CWS_EnterCarPage>(kEnterCarPage)) {
        // A new car's page or another car's holds nothing of that car: it stays as it is, and a
        // new car keeps its row in the car list.
        if (car->GetVehicleID() != vehicleId) {
            if (car->IsNewCar()) AddNewCarRow();
            return;
        }
        if (deleted) {
            // Nothing is left to save: the page of the car that is gone goes without a question.
            car->SetDirtyFlag(false);
            Navigate(kFrameset, kHomePage, "");
        } else {
            // The page shows the sale, so that saving it keeps the sale; the rest of the typing stays.
            CJVPage::Invoke(car, &CWS_EnterCarPage::ShowStoredSale);
        }
        return;
    }
    if (WorkspaceHasUnsavedChanges()) {
        // A register's entry being typed stays, unless it was for the car that is gone.
        const jv::ui::Element* entry = page->GetDocument()->getElementById("CurrentEntry");
        const std::string rowId = entry != nullptr ? entry->innerText() : std::string();
        if (!deleted || registerrows::EntryValue(registerrows::FindTopRow(*page, rowId), "carname_select") != vehicleId)
            return;
        if (jv::ui::Element* flag = page->GetDocument()->getElementById("DirtyFlag")) flag->setInnerText("false");
    }
    ProcessWorkspacePage();
}

void CJorvaneView::AddNewCarQuickstart() {
    m_document.SetNewDatabase();
    QuickStart(2);
}

void CJorvaneView::PrintPage() {
    const auto page = GetWorkspacePage();
    if (!page) return;
    // Each page that prints builds its fragment and hands it to CPrintPreviewDlg::Print; pages
    // without a printout (the preferences) do nothing.
    switch (page->GetResourceID()) {
        case kHomePage:
            CJVPage::Invoke(GetWorkspacePageAs<CWS_HomePage>(kHomePage), &CWS_HomePage::PrintPage);
            break;
        case kEnterCarPage:
            CJVPage::Invoke(GetWorkspacePageAs<CWS_EnterCarPage>(kEnterCarPage), &CWS_EnterCarPage::PrintPage);
            break;
        case kFuelRegisterPage:
        case kServiceRegisterPage:
        case kExpenseRegisterPage:
            CJVPage::Invoke(GetWorkspacePageAs<CJVRegisterPage>(page->GetResourceID()), &CJVRegisterPage::PrintPage);
            break;
        case kOdometerRegisterPage:
            CJVPage::Invoke(GetWorkspacePageAs<CWS_OdometerRegisterPage>(kOdometerRegisterPage),
                            &CWS_OdometerRegisterPage::PrintPage);
            break;
        default:
            break;
    }
}

// --- the QuickStart wizard ------------------------------------------------------------------

namespace {

constexpr const char* kQuickStartM0 =
    "<p>Is this your first time using Jorvane? Use Jorvane's QuickStart feature to get your car set up in about 5 "
    "minutes. By following QuickStart's 4 simple steps, you will quickly be on your way to superior vehicle "
    "management.</p><p>Click on the \"Begin QuickStart\" button below.</p><p style=\"FONT-SIZE: 8pt;\">"
    "(Experienced users wishing to bypass QuickStart can click on the \"Exit\" button below to go straight to the "
    "main Jorvane application.)</p>";
constexpr const char* kQuickStartM2 =
    "<p>Now you will enter your vehicle information.</p><p>Click on the Continue button and follow the instructions "
    "in the orange help balloons on the screen that follows.</p>";
constexpr const char* kQuickStartM4 =
    "<p>You've now entered all the data required for Jorvane to provide a maintenance schedule for your "
    "vehicle.</p><p>Click on the Continue button to have Jorvane search our extensive database for your vehicle's "
    "maintenance plan.</p>";
constexpr const char* kQuickStartM5a =
    "<p>Congratulations! We searched our database of thousands of plans and found one that's based on the "
    "manufacturer's recommended plan for your vehicle!</p>";
constexpr const char* kQuickStartM5b =
    "<p>Congratulations! Jorvane has a maintenance plan that we believe may be appropriate for your car.  "
    "Unfortunately, we were not able to find a manufacturer's plan to base our plan on, but instead built one based "
    "on industry standards.</p>";
constexpr const char* kQuickStartM5c =
    "<p>We highly recommend that you take the time to review Jorvane's recommended plan and compare it to the plan "
    "outlined in your vehicle's owner's manual. If you would like to make any modification to our recommended plan, "
    "simply follow the instructions in the orange help balloons on the following page.  Click the Continue button "
    "below to view your recommended plan.</p>";
constexpr const char* kQuickStartM5d =
    "<p>Once you have finished reviewing your vehicle's plan, simply click the Save Vehicle button at the bottom of "
    "the next screen. Then, you're finished! And you can begin enjoying the benefits of Jorvane!</p>";
constexpr const char* kQuickStartM7 =
    "<p>Congratulations! You have successfully saved your car's information in Jorvane!</p>"
    "<p>Should you like to enter an additional vehicle into Jorvane using QuickStart, click on the Add Another Car "
    "button.</p>"
    "<p>Should you like to finish QuickStart and go to the main Jorvane application, click the Finished button.</p>"
    "<p>(Keep in mind that you can always access all of your car's information -- and even add optional "
    "information, like VIN, color, purchase date, etc. -- by clicking on its name on the Homepage. And you can "
    "always access QuickStart from the Help drop-down menu.)</p>";
constexpr const char* kQuickStartM8 =
    "<p>Click on the Continue button and follow the instructions in the orange help balloons on the screen that "
    "follows.</p>";
constexpr const char* kQuickStartM10 =
    "<p>That's it!  You have completed QuickStart and are ready to start using Jorvane.</p><p>You'll see the car(s) "
    "you added in the blue section on the far left of the screen.  This is where you can select which car's "
    "information will be presented on the screen.</p><p>In the Car Overview, you'll see a quick overview of your "
    "cars' information, including current odometer, estimated cost per mile, etc.</p><p>The most important section "
    "of the Home page is the Service Reminders list.  It contains a list of all services which are due or overdue "
    "for your cars.  You will probably already see some items there for the cars you just added!</p><p>For more "
    "information, look at the Help menu or click on the <img alt=\"Help\" src=\"239\"/> icons.</p><p>Click on "
    "\"Done\" to end QuickStart and begin using Jorvane.</p>";

// How long the wizard waits for the vehicle information page it asked for.
constexpr std::chrono::milliseconds kPageLoadWait{10000};

// A balloon of the vehicle information page shown while the tab it belongs to is in front.
void BindTip(CWS_EnterCarPage& page, const char* id, const char* tab) {
    CJVPage::ElementPtr tip;
    if (!page.GetElementById(id, tip)) return;
    tip->setClassName(std::string("qstip qsfollow-") + tab);
    tip->setStyle("display", "");
}

void ShowTip(CWS_EnterCarPage& page, const char* id) {
    page.ShowElement(id);
}

void SetQuickStartMode(CWS_EnterCarPage& page, const char* mode) {
    page.SetQuickStartMode(mode);
}

}  // namespace

std::shared_ptr<CWS_EnterCarPage> CJorvaneView::QuickStartPage() const {
    return GetWorkspacePageAs<CWS_EnterCarPage>(kEnterCarPage);
}

void CJorvaneView::QuickStartNavigate(const std::string& query) {
    m_pQuickStartPageBefore = GetWorkspacePage();
    m_bQuickStartPageAwaited = true;
    Navigate(kFrameset, kEnterCarPage, query);
}

std::shared_ptr<CWS_EnterCarPage> CJorvaneView::AwaitQuickStartPage() {
    // The page asked for at step 2 or 8 may still be loading: wait for it, but not forever.
    const auto loaded = [this] {
        const auto page = QuickStartPage();
        return page && (!m_bQuickStartPageAwaited || page != m_pQuickStartPageBefore.lock());
    };
    if (!loaded()) {
        if (jv::ui::Loop* loop = jv::ui::Loop::Current()) loop->RunUntil(loaded, kPageLoadWait);
    }
    if (!loaded()) return nullptr;
    m_bQuickStartPageAwaited = false;
    return QuickStartPage();
}

void CJorvaneView::QuickStartHome() {
    m_document.ClearNewDatabase();
    Navigate(kFrameset, kHomePage, "");
}

void CJorvaneView::QuickStartLeave(bool resetPage) {
    if (resetPage) {
        if (auto page = QuickStartPage()) SetQuickStartMode(*page, "0");
    }
    QuickStartHome();
}

void CJorvaneView::QuickStart(int step) {
    if (step != -1) m_nQuickStartStep = step;
    // The steps follow one another here; a step that hands the user over to the vehicle
    // information page returns, and the page's script calls QuickStart again.
    while (RunQuickStartStep()) {
    }
}

int CJorvaneView::ShowQuickStartDialog(const std::string& message, int step, int width, int height,
                                       const QuickStartDialogOptions& options) {
    CQuickStartDlg dialog;
    dialog.SetMessage(message);
    dialog.SetStep(step);
    if (options.hideBack) dialog.HideBackButton(true);
    if (options.hideStep) dialog.HideStepDiv();
    if (!options.next.empty()) dialog.SetNextCaption(options.next);
    if (!options.exit.empty()) dialog.SetExitCaption(options.exit);
    dialog.SetSize(width, height);
    return dialog.DoModal();
}

bool CJorvaneView::RunQuickStartStep() {
    const int step = m_nQuickStartStep;
    if (step < 0 || step > 10) return false;
    // Exit: the leave question; staying shows the same step again.
    const auto leave = [this](bool resetPage) {
        if (!ConfirmLeaveQuickStart(false)) return true;
        QuickStartLeave(resetPage);
        return false;
    };
    switch (step) {
        case 0: {
            const int result =
                ShowQuickStartDialog(kQuickStartM0, 1, 350, 350, {true, true, "Begin QuickStart", "Exit"});
            if (result == 1) {
                m_nQuickStartStep = 1;
                return true;
            }
            return leave(false);
        }
        case 1: {
            CQuickStartPrefsDlg dialog;
            dialog.SetSize(350, 350);
            CUserPreferences& prefs = m_document.GetUserPreferences();
            dialog.SetUnits(prefs.VolumeUnit, prefs.DistanceUnit);
            const int result = dialog.DoModal();
            if (result == 0) {
                m_nQuickStartStep = 0;
                return true;
            }
            if (result == 1) {
                prefs.VolumeUnit = dialog.GetVolumeUnit();
                prefs.DistanceUnit = dialog.GetDistanceUnit();
                CUserPreferencesDatabaseObject(m_document.GetDatabaseConnection()).SaveUserPreferences(prefs);
                m_nQuickStartStep = 2;
                return true;
            }
            return leave(false);
        }
        case 2: {
            QuickStartNavigate("");
            // The page first, with what it has to say (that the web service cannot be reached, say):
            // then the step, so that one dialog stands at a time.
            AwaitQuickStartPage();
            const int result = ShowQuickStartDialog(kQuickStartM2, 2, 350, 350, {});
            if (result == 0) {
                m_nQuickStartStep = 1;
                return true;
            }
            if (result == 1) {
                m_nQuickStartStep = 3;
                return true;
            }
            return leave(false);
        }
        case 3:
        case 6:
        case 9: {
            m_nQuickStartStep = step == 3 ? 4 : 7;
            if (auto page = AwaitQuickStartPage()) {
                if (step == 3) {
                    SetQuickStartMode(*page, "1");
                    BindTip(*page, "QS_CarMake", "Car");
                } else if (step == 6) {
                    SetQuickStartMode(*page, "3");
                    BindTip(*page, "QS_ModifyItem", "Plan");
                    BindTip(*page, "QS_AddServiceItems", "Plan");
                    ShowTip(*page, "QS_SaveCar");
                } else {
                    SetQuickStartMode(*page, "2");
                    ShowTip(*page, "QS_UpdateCar");
                }
            }
            return false;
        }
        case 4: {
            const int result = ShowQuickStartDialog(kQuickStartM4, 3, 350, 300, {});
            if (result == 0) {
                m_nQuickStartStep = 2;
                return true;
            }
            if (result == 1) {
                m_nQuickStartStep = 5;
                if (auto page = QuickStartPage()) CJVPage::Invoke(page, &CWS_EnterCarPage::DownloadPlanAsButton);
                return true;
            }
            return leave(true);
        }
        case 5: {
            const auto page = QuickStartPage();
            std::string message = page && page->FoundManufacturerPlan() ? kQuickStartM5a : kQuickStartM5b;
            message += kQuickStartM5c;
            message += kQuickStartM5d;
            const int result = ShowQuickStartDialog(message, 4, 400, 450, {});
            if (result == 0) {
                m_nQuickStartStep = 4;
                return true;
            }
            if (result == 1) {
                m_nQuickStartStep = 6;
                return true;
            }
            return leave(true);
        }
        case 7: {
            if (auto page = QuickStartPage(); page && !page->GetVehicleID().empty())
                m_strQuickStartCar = page->GetVehicleID();
            const int result =
                ShowQuickStartDialog(kQuickStartM7, 1, 600, 450, {false, true, "Add Another Car", "Finished"});
            if (result == 0) {
                m_nQuickStartStep = 8;
                return true;
            }
            if (result == 1) {
                m_nQuickStartStep = 2;
                return true;
            }
            QuickStartHome();
            return false;
        }
        case 8: {
            // The car just saved: the page's own when it is still shown, else the last one saved.
            std::string vehicleId = m_strQuickStartCar;
            if (auto page = QuickStartPage(); page && !page->GetVehicleID().empty()) vehicleId = page->GetVehicleID();
            if (vehicleId.empty()) vehicleId = m_profile.GetProfileString("Settings", "LastCar", "");
            QuickStartNavigate(vehicleId);
            AwaitQuickStartPage();
            const int result = ShowQuickStartDialog(kQuickStartM8, 1, 350, 350, {false, true, "", ""});
            if (result == 0) {
                m_nQuickStartStep = 7;
                return true;
            }
            if (result == 1) {
                m_nQuickStartStep = 9;
                return true;
            }
            return leave(true);
        }
        case 10: {
            Navigate(kFrameset, kHomePage, "");
            const int result = ShowQuickStartDialog(kQuickStartM10, 7, 450, 500, {false, false, "Done", ""});
            if (result == 0) {
                m_nQuickStartStep = 7;
                return true;
            }
            QuickStartHome();
            return false;
        }
        default:
            return false;
    }
}

namespace {

// The question whether to leave QuickStart: only its Exit button leaves. Escape and the close box
// mean "Return To QuickStart", as they keep the window and the typing everywhere else.
class CLeaveQuickStartDlg : public CQuickStartDlg {
protected:
    void OnCancel() override { EndDialog(1); }
};

}  // namespace

bool CJorvaneView::ConfirmLeaveQuickStart(bool navigating) {
    CLeaveQuickStartDlg dialog;
    std::string message = navigating ? "<p>Leaving the page now will exit QuickStart, and your car will NOT be added "
                                       "to Jorvane. Is this what you want?</p>"
                                     : "<p>Are you sure you want to exit QuickStart?</p>";
    message +=
        "<p>Note that you can always return to QuickStart through the Go To or Help drop-down menus or by clicking the "
        "Add A Car link in the Car List column.</p>";
    dialog.SetMessage(message);
    dialog.SetNextCaption("Return To QuickStart");
    dialog.SetExitCaption("Exit");
    dialog.HideStepDiv();
    dialog.HideBackButton(true);
    dialog.SetSize(350, 350);
    return dialog.DoModal() != 1;
}
