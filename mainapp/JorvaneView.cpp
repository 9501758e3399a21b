#include "mainapp/JorvaneView.h"

#include "mainapp/JorvaneDoc.h"
#include "mainapp/Main_NavCarListPage.h"
#include "mainapp/PageFactory.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/net/UpdateNet.h"
#include "mainapp/pages/WS_HomePage.h"
#include "platform/base/NumberText.h"
#include "platform/base/Profile.h"
#include "platform/ui/Document.h"
#include "platform/ui/Resources.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/NumberUtils.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"

namespace {

CJorvaneView* g_view = nullptr;

// The partner the program introduces itself as when it asks the web service for its text.
constexpr const char* kPartner = "Jorvane";
constexpr const char* kSubPartner = "";

std::string PageUrl(int id) {
    return "res://Jorvane.exe/" + std::to_string(id);
}

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
    const auto page = GetWorkspacePage();
    if (!page || page->GetResourceID() != kEnterCarPage || !page->GetDocument()) return false;
    const jv::ui::Element* flag = page->GetDocument()->getElementById("DirtyFlag");
    return flag != nullptr && flag->innerText() == "true";
}

void CJorvaneView::OnBeforeNavigate(const std::string& url, const std::string& frame, bool& cancel) {
    if (frame != kWorkspaceFrame) return;
    const int id = jv::ui::Resources::IdFromUrl(url);
    if (!m_workspacePages.empty()) {
        if (m_document.IsNewDatabase() && id != kEnterCarPage) {
            if (!ConfirmLeaveQuickStart(true)) {
                cancel = true;
                return;
            }
            m_document.ClearNewDatabase();
        } else if (WorkspaceHasUnsavedChanges()) {
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
            if (dialog.DoModal() != 1) {
                cancel = true;
                return;
            }
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
    if (!GetWorkspacePage() || vehicleId.empty()) return;
    RefreshNavCarList();
    ProcessWorkspacePage();
}

void CJorvaneView::OpenDeleteCarDlg(const std::string& vehicleId) {
    if (!GetWorkspacePage() || vehicleId.empty()) return;
    ProcessWorkspacePage();
}

void CJorvaneView::AddNewCarQuickstart() {
    m_document.SetNewDatabase();
    QuickStart(2);
}

void CJorvaneView::PrintPage() {}

void CJorvaneView::QuickStart(int step) {
    if (step >= 0) m_nQuickStartStep = step;
}

bool CJorvaneView::ConfirmLeaveQuickStart(bool /*navigating*/) {
    return true;
}
