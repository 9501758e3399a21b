#include "shared/ui/ErrorReportDlg.h"

#include <gtest/gtest.h>

#include "shared/data/CarsDB.h"
#include "shared/data/UserPreferences.h"
#include "shared/ui/SharedUi.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/platform/ui/UiTestEnvironment.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/TestSupport.h"

using jv::test::LoopbackHttpServer;
using jv::test::ScopedEnv;
using jv::test::UiEnvironment;
using jv::ui::FakeHost;

namespace {

std::string FormField(const std::string& body, const std::string& name) {
    const std::string key = name + "=";
    size_t start = body.rfind("&" + key);
    start = start == std::string::npos ? (body.compare(0, key.size(), key) == 0 ? 0 : std::string::npos) : start + 1;
    if (start == std::string::npos) return "<missing>";
    start += key.size();
    const size_t end = body.find('&', start);
    std::string encoded = body.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string decoded;
    for (size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            decoded += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += encoded[i];
        }
    }
    return decoded;
}

class ErrorReportDlgTest : public ::testing::Test {
protected:
    ErrorReportDlgTest() {
        jv::ui::Resources::ClearForTesting();
        jv::ui::Resources::Install(SharedUiResources());
    }
    ~ErrorReportDlgTest() override {
        CErrorReporting::InstallDialog(nullptr);
        jv::ui::Resources::ClearForTesting();
    }

    UiEnvironment ui_;
};

TEST_F(ErrorReportDlgTest, TheButtonsAndKeysGiveTheirResultsAndWhatWasTyped) {
    const struct {
        const char* what;
        void (*act)(FakeHost::User&);
        int result;
        bool keepsTyping;
    } cases[] = {
        {"Send", [](FakeHost::User& user) { user.Click("ButtonSend"); }, 1, true},
        {"Enter", [](FakeHost::User& user) { user.PressEnter(); }, 1, true},
        {"Don't Send", [](FakeHost::User& user) { user.Click("ButtonDontSend"); }, 0, false},
        {"Escape", [](FakeHost::User& user) { user.PressEscape(); }, 2, false},
        {"close box", [](FakeHost::User& user) { user.CloseBox(); }, 2, false},
    };
    for (const auto& c : cases) {
        ui_.host.AnswerDialog(CErrorReportDlg::kPageID, [&](FakeHost::User& user) {
            user.Type("usernotes", "I saved a fuel entry.\nThen this.");
            user.Type("emailaddress", "me@example.org");
            c.act(user);
        });
        CErrorReportDlg dialog;
        dialog.SetMessage("details");
        EXPECT_EQ(dialog.DoModal(), c.result) << c.what;
        EXPECT_EQ(dialog.GetUserNotes(), c.keepsTyping ? "I saved a fuel entry.\nThen this." : "") << c.what;
        EXPECT_EQ(dialog.GetEmailAddress(), c.keepsTyping ? "me@example.org" : "") << c.what;
    }
}

TEST_F(ErrorReportDlgTest, TheDetailsAreShownAsTextHiddenUntilAskedFor) {
    const std::string details = "Message: Syntax error in 'Vendor <b>Bob's</b> & Co' </pre><script>x()</script>";
    std::string shownText;
    size_t elementsInside = 0;
    std::string display;
    ui_.host.AnswerDialog(CErrorReportDlg::kPageID, [&](FakeHost::User& user) {
        const auto browser = ui_.host.BrowserCopy(user.document());
        jv::ui::Element* message = browser->getElementById("message");
        shownText = message->innerText();
        elementsInside = message->children().front()->children().size();
        display = message->style("display");
        user.Click("ButtonDontSend");
    });
    CErrorReportDlg dialog;
    dialog.SetMessage(details);
    EXPECT_EQ(dialog.DoModal(), 0);
    EXPECT_EQ(shownText, details);
    EXPECT_EQ(elementsInside, 0u) << "no markup from the message";
    EXPECT_EQ(display, "none");
}

TEST_F(ErrorReportDlgTest, APageWithoutTheDetailsBlockEndsAtOnceWithoutSending) {
    jv::ui::Resources::ClearForTesting();
    jv::test::ScopedResources broken{
        {{static_cast<int>(CErrorReportDlg::kPageID), "<html><body><textarea id=usernotes></textarea></body></html>"}}};
    CErrorReportDlg dialog;
    EXPECT_EQ(dialog.DoModal(), 0);
}

// A failing operation reports its problem; the user reads it, adds a note and an address and
// sends it; the report server of the test receives the form.
TEST_F(ErrorReportDlgTest, AFailingOperationsReportReachesTheServerWithWhatTheUserTyped) {
    jv::test::IsolatedHome home;
    ScopedEnv noProxy{"no_proxy", "127.0.0.1,localhost"};
    ScopedEnv noProxyUpper{"NO_PROXY", "127.0.0.1,localhost"};
    LoopbackHttpServer server;
    jv::test::WriteFile(home.CommonAppData() + "/Jorvane/Jorvane/configApp.xml",
                        "<config><web url='ws.invalid'/><errors url='" + server.HostAndPort() + "'/></config>");

    // A user database that lacks the cars' table.
    const std::string databasePath = home.dir().File("user.jdb");
    jv::test::SqliteFile(databasePath).Run("CREATE TABLE Other (x INTEGER)");

    InstallSharedUi();
    std::string shownDetails;
    ui_.host.AnswerDialog(CErrorReportDlg::kPageID, [&](FakeHost::User& user) {
        shownDetails = ui_.host.BrowserCopy(user.document())->getElementById("message")->innerText();
        user.Type("usernotes", "Opened the home page & waited.");
        user.Type("emailaddress", "driver@example.org");
        user.Click("ButtonSend");
    });

    CCarsDB cars(jv::db::Connection::Open(databasePath));
    CUserPreferences preferences;
    EXPECT_FALSE(cars.getCars("%", preferences));

    EXPECT_NE(shownDetails.find("Method: CCarsDB::getCars"), std::string::npos) << shownDetails;
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/fogbugz/scoutsubmit.asp");
    const std::string extra = FormField(requests[0].body, "Extra");
    EXPECT_NE(extra.find("Method: CCarsDB::getCars"), std::string::npos) << extra;
    EXPECT_NE(extra.find("\r\nUser message: Opened the home page & waited."), std::string::npos) << extra;
    EXPECT_EQ(FormField(requests[0].body, "Email"), "driver@example.org");
}

}  // namespace
