#include "shared/ui/JVDialog.h"

#include <gtest/gtest.h>

#include "shared/ui/InternetStatusDlg.h"
#include "shared/ui/JVDialogPage.h"
#include "shared/ui/SharedUi.h"
#include "tests/platform/ui/UiTestEnvironment.h"

using jv::test::ScopedResources;
using jv::test::UiEnvironment;
using jv::ui::Document;
using jv::ui::FakeHost;

namespace {

constexpr unsigned kQuestionPage = 500;
constexpr unsigned kMissingPage = 4242;
constexpr unsigned kHomePage = 141;
constexpr unsigned kRegisterPage = 175;

// A dialog as the program's dialogs are written: buttons bound by id in the constructor.
class CQuestionDlg : public CJVDialog {
public:
    explicit CQuestionDlg(unsigned page = kQuestionPage) : CJVDialog(195, page, nullptr) {
        BindClick("ButtonOK", [this] { OnEnd0(); });
        BindClick("ButtonCancel", [this] { OnEnd1(); });
        BindClick("ButtonOther", [this] { OnEnd2(); });
    }
    bool completed = false;

protected:
    void OnDocumentComplete(const std::string& url) override {
        CJVDialog::OnDocumentComplete(url);
        completed = true;
    }
};

class SharedDialogTest : public ::testing::Test {
protected:
    SharedDialogTest() { jv::ui::Resources::Install(SharedUiResources()); }

    ScopedResources pages_{{
        {kQuestionPage, R"(<html><head><title>Please Confirm</title></head><body>
            <p id=Message>...</p><input id=Answer>
            <button id=ButtonOK><b id=OKText>OK</b></button><button id=ButtonCancel>Cancel</button>
            <button id=ButtonOther>Other</button></body></html>)"},
        {kHomePage, "<html><head><title>Home</title></head><body><div id=Home></div></body></html>"},
        {kRegisterPage, "<html><head><title>Fuel Register</title></head><body><div id=Rows></div></body></html>"},
    }};
    UiEnvironment ui_;
};

TEST_F(SharedDialogTest, ButtonsEndTheDialogWithTheirResultsAndClicksBubbleToTheirButton) {
    const struct {
        const char* clicked;
        int result;
    } cases[] = {{"ButtonOK", 0}, {"OKText", 0}, {"ButtonCancel", 1}, {"buttonother", 2}};
    for (const auto& c : cases) {
        CQuestionDlg dialog;
        std::string caption;
        ui_.host.AnswerDialog(kQuestionPage, [&](FakeHost::User& user) {
            caption = ui_.host.Caption(*user.dialog());
            user.Click(c.clicked);
        });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.clicked;
        EXPECT_EQ(caption, "Please Confirm") << "the caption is the page's title";
        ASSERT_NE(dialog.GetPage(), nullptr);
        EXPECT_EQ(dialog.GetPage()->GetDocument(), dialog.document());
        EXPECT_EQ(dialog.GetPage()->GetResourceID(), static_cast<int>(kQuestionPage));
    }
}

TEST_F(SharedDialogTest, ADialogWithoutItsPageEndsWithMinusOneAndItsHelpersFail) {
    CQuestionDlg dialog(kMissingPage);
    EXPECT_EQ(dialog.DoModal(), -1);
    EXPECT_TRUE(dialog.completed);
    ASSERT_NE(dialog.GetPage(), nullptr);
    EXPECT_EQ(dialog.GetPage()->GetDocument(), nullptr);
    jv::ui::ElementPtr element;
    EXPECT_FALSE(dialog.GetPage()->GetElementById("Message", element));
    EXPECT_FALSE(dialog.GetPage()->SetInputValue("Answer", "x"));
    EXPECT_FALSE(dialog.GetElement("Message", element));

    // A dialog that is never shown has no page object and nothing to release.
    CQuestionDlg never;
    EXPECT_EQ(never.GetPage(), nullptr);
}

TEST_F(SharedDialogTest, TheStatusWindowShowsItsMessageUntilItsOwnerDestroysIt) {
    CInternetStatusDlg status;
    status.SetMessage("Downloading your car's maintenance plan.<br>This can take a minute.");
    ASSERT_TRUE(status.Create());
    status.ShowWindow();
    ui_.loop.RunPending();

    ASSERT_TRUE(status.document());
    const auto browser = ui_.host.BrowserCopy(*status.document());
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->getElementById("StatusText")->innerHTML(),
              "Downloading your car's maintenance plan.<br>This can take a minute.");
    EXPECT_EQ(ui_.host.Caption(status), "Connecting To Internet");
    const jv::ui::DialogBounds bounds = ui_.host.BoundsOf(status);
    EXPECT_EQ(bounds.left, 200);
    EXPECT_EQ(bounds.top, 200);
    EXPECT_EQ(bounds.width, 250);
    EXPECT_EQ(bounds.height, 250);

    status.DestroyWindow();
    EXPECT_FALSE(status.IsOpen());
    status.DestroyWindow();  // harmless twice

    // Cancel closes the window; the call it stood for goes on regardless.
    CInternetStatusDlg cancelled;
    ASSERT_TRUE(cancelled.Create());
    ui_.loop.RunPending();
    cancelled.HostClick("ButtonCancel");
    EXPECT_FALSE(cancelled.IsOpen());
    EXPECT_EQ(cancelled.result(), -1);
}

// The main view's part in page lifetime: it holds the page of the workspace frame and replaces it
// when the frame shows another document.
class WorkspaceView : public jv::ui::WindowEvents {
public:
    class Page : public CJVPage {
    public:
        Page(int id, std::shared_ptr<Document> document, WorkspaceView& view) : CJVPage(id, document), view_(view) {}
        ~Page() override {
            ++view_.destroyed;
            if (view_.running == this) view_.destroyedWhileRunning = true;
        }
        void ProcessDocument() override {}

        // Navigates away, then asks a question before it finishes: the new page completes while
        // the question's loop runs.
        void SaveAndLeave(FakeHost& host) {
            view_.running = this;
            host.Navigate(host.ResourceUrl(kRegisterPage), "main_workspace");
            CQuestionDlg question;
            answer = question.DoModal();
            replacedMeanwhile = view_.workspace.get() != this;
            ElementPtr home;
            if (GetElementById("Home", home)) home->setInnerText("saved");
            view_.running = nullptr;
        }
        int answer = -1;
        bool replacedMeanwhile = false;

    private:
        WorkspaceView& view_;
    };

    void OnBeforeNavigate(const std::string&, const std::string&, bool&) override {}
    void OnDocumentComplete(const std::string& url, const std::string&,
                            const std::shared_ptr<Document>& document) override {
        workspace = std::make_shared<Page>(jv::ui::Resources::IdFromUrl(url), document, *this);
        workspace->ProcessDocument();
    }
    void OnWindowClosed() override {}

    std::shared_ptr<Page> workspace;
    int destroyed = 0;
    const Page* running = nullptr;
    bool destroyedWhileRunning = false;
};

TEST_F(SharedDialogTest, APageOutlivesItsOwnMethodWhenTheMethodNavigatesAway) {
    WorkspaceView view;
    ui_.host.SetWindowEvents(&view);
    ui_.host.Navigate(ui_.host.ResourceUrl(kHomePage), "main_workspace");
    ui_.loop.RunPending();
    ASSERT_TRUE(view.workspace);
    const std::weak_ptr<WorkspaceView::Page> home = view.workspace;
    const std::shared_ptr<Document> homeDocument = view.workspace->GetDocument();
    ui_.host.AnswerDialog(kQuestionPage, [](FakeHost::User& user) { user.Click("ButtonOK"); });

    // As the script bridge calls a page: through a reference held for the call.
    CJVPage::Invoke(view.workspace, &WorkspaceView::Page::SaveAndLeave, ui_.host);

    EXPECT_FALSE(view.destroyedWhileRunning);
    EXPECT_TRUE(home.expired()) << "let go of once its method returned";
    EXPECT_EQ(view.destroyed, 1);
    EXPECT_EQ(view.workspace->GetResourceID(), static_cast<int>(kRegisterPage));
    EXPECT_EQ(homeDocument->getElementById("Home")->innerText(), "saved") << "the method finished its work";
    ui_.host.SetWindowEvents(nullptr);
}

}  // namespace
