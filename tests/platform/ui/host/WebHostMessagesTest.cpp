// Message robustness: whatever the window's socket carries, the host answers the waiting call,
// logs the message once and goes on; documents the browser fetched but never showed do not pile up.

#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"
#include "platform/ui/Loop.h"
#include "platform/ui/Resources.h"
#include "platform/ui/host/ScriptBridge.h"
#include "platform/ui/host/WebHost.h"
#include "tests/platform/ui/host/HostTestSupport.h"

namespace jv::ui::host {
namespace {

using nlohmann::json;

constexpr char kPage[] = "<html><head><title>t</title></head><body><input id=Name value=start></body></html>";
const Resource kResources[] = {
    {100, "100-page.html", "text/html; charset=utf-8", reinterpret_cast<const unsigned char*>(kPage), sizeof kPage - 1},
};

// A page filled in one piece of work travels as one insertion; the field the program focused in it
// still gets the focus after it.
TEST(WebHostPatches, TheFocusOfAFieldInARowJustInsertedFollowsTheInsertion) {
    const auto document = Document::Parse("<table><tbody id=body></tbody></table>");
    document->TakeMutations();
    ElementPtr row = document->createElement("tr");
    ElementPtr cell = document->createElement("td");
    ElementPtr input = document->createElement("<input name=date>");
    cell->appendChild(input);
    row->appendChild(cell);
    document->getElementById("body")->appendChild(row);
    input->setValue("12/09/26");
    input->focus();
    const json ops = WebHost::PatchOperations(*document, document->TakeMutations());
    std::vector<std::string> kinds;
    for (const json& op : ops) kinds.push_back(op["o"].get<std::string>());
    // The value set after the insertion follows it as live form state.
    EXPECT_EQ(kinds, (std::vector<std::string>{"insert", "value", "focus"}));
    EXPECT_EQ(ops.back()["k"], std::to_string(input->key()));
}

class WebHostMessages : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseLoop(&loop);
        Resources::Clear();
        Resources::Install({kResources, 1});
        bridge.Add("Echo", std::function<void(const std::string&)>([this](const std::string& text) {
                       echoed.push_back(text);
                       if (auto document = host->CallingDocument())
                           seenName = document->getElementById("Name")->value();
                   }));
        host = std::make_unique<WebHost>(loop, bridge, "Test.exe",
                                         [this](const std::string& source, int, const std::string& message) {
                                             log.push_back(source + ": " + message);
                                         });
        loop.SetAfterWork([this] { host->FlushPatches(); });
        host->Start();
        port = std::stoi(host->Origin().substr(host->Origin().rfind(':') + 1));
        const std::string url = host->OpenUrl();
        const auto opened = test::Get(port, url.substr(url.find("/jv/open")));
        ASSERT_EQ(opened.status, 200);
        const std::string setCookie = opened.headers.at("set-cookie");
        cookie = setCookie.substr(0, setCookie.find(';'));
        window.Connect(port, host->Origin(), cookie);
        ASSERT_NE(window.connection, nullptr) << window.error;
    }

    void TearDown() override {
        host.reset();
        test::UseLoop(nullptr);
        Resources::Clear();
    }

    // Fetches the page as the browser does; returns its document id and the key of its field.
    std::pair<std::string, std::string> Fetch() {
        const auto page = test::Get(port, "/100", "Cookie: " + cookie + "\r\n");
        std::smatch doc;
        std::smatch key;
        std::regex_search(page.body, doc, std::regex("data-doc=\"(\\d+)\""));
        std::regex_search(page.body, key, std::regex("<input data-jv-key=\"(\\d+)\""));
        return {doc.size() > 1 ? doc[1].str() : "", key.size() > 1 ? key[1].str() : ""};
    }

    // The reply to a call, once it has come (null on a timeout).
    json Reply(int64_t id) {
        json found;
        test::RunUntil([&] {
            for (const std::string& text : window.received) {
                const json message = json::parse(text, nullptr, false);
                if (message.is_object() && message.value("t", "") == "reply" && message.value("id", 0) == id) {
                    found = message;
                    return true;
                }
            }
            return false;
        });
        return found;
    }

    size_t LoggedMessages() const {
        size_t count = 0;
        for (const std::string& line : log) count += line.rfind("WebHost::OnMessage", 0) == 0 ? 1 : 0;
        return count;
    }

    Loop loop;
    ScriptBridge bridge;
    std::unique_ptr<WebHost> host;
    int port = 0;
    std::string cookie;
    test::SocketClient window;
    std::vector<std::string> log;
    std::vector<std::string> echoed;
    std::string seenName;
};

TEST_F(WebHostMessages, AMessageTheHostCannotUseIsAnsweredLoggedOnceAndTheProgramGoesOn) {
    const auto [doc, key] = Fetch();
    ASSERT_FALSE(doc.empty());
    ASSERT_FALSE(key.empty());
    window.Send(R"({"t":"loaded","doc":)" + doc + R"(,"frame":"jv-top"})");
    const std::string call = R"({"t":"call","id":ID,"doc":)" + doc + R"(,"m":"Echo","a":)";
    struct Case {
        const char* what;
        std::string text;  // ID stands for the call's id
        bool answered;     // the message names a call that can be answered
    };
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const Case cases[] = {
        {"a form field's key is null", call + R"(["x"],"f":{")" + doc + R"(":[[null,{"v":"typed"}]]}})", true},
        {"an argument nested 100,000 deep", call + "[" + deep + "]}", true},
        {"form state nested 100,000 deep", call + R"(["x"],"f":)" + deep + "}", true},
        {"a lone surrogate escape", call + R"(["\ud800"]})", true},
        {"a form value of the wrong type", call + R"(["x"],"f":{")" + doc + R"(":[[")" + key + R"(",{"v":5}]]}})",
         true},
        {"form state that is no object", call + R"(["x"],"f":[1]})", true},
        {"arguments that are no array", call + R"("x"})", true},
        {"a method name that is no text", R"({"t":"call","id":ID,"m":7,"a":[]})", true},
        {"a call cut short", call + R"(["x")", true},
        {"no JSON at all", "hello ID", false},
        {"an array", "[ID]", false},
        {"a call id that is text", R"({"t":"call","id":"ID","m":"Echo","a":["x"]})", false},
        {"a loaded document named by text", R"({"t":"loaded","doc":"ID"})", false},
        {"a dialog key that is a number", R"({"t":"dialogkey","dlg":1,"key":ID})", false},
    };
    int64_t id = 1;
    size_t logged = LoggedMessages();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int64_t bad = id++;
        const std::string text = std::regex_replace(c.text, std::regex("ID"), std::to_string(bad));
        window.Send(text);
        // The next ordinary call is carried out and answered.
        const int64_t good = id++;
        window.Send(std::regex_replace(call, std::regex("ID"), std::to_string(good)) + R"(["ok"]})");
        const json reply = Reply(good);
        ASSERT_TRUE(reply.is_object()) << "no answer to the call after the message";
        EXPECT_FALSE(reply.contains("error")) << reply.dump();
        if (c.answered) {
            const json refused = Reply(bad);
            ASSERT_TRUE(refused.is_object()) << "the call was not answered";
            EXPECT_TRUE(refused.contains("error")) << refused.dump();
        }
        EXPECT_EQ(LoggedMessages(), logged + 1);
        logged = LoggedMessages();
        ASSERT_FALSE(echoed.empty());
        EXPECT_EQ(echoed.back(), "ok");
        echoed.clear();
    }
    // None of the refused calls ran, nor did the form state that came with them reach the page.
    EXPECT_EQ(seenName, "start");

    // Form state that is well formed still arrives with its call.
    window.Send(std::regex_replace(call, std::regex("ID"), "999") + R"(["ok"],"f":{")" + doc + R"(":[[")" + key +
                R"(",{"v":"typed \ufffd"}]]}})");
    ASSERT_TRUE(Reply(999).is_object());
    EXPECT_EQ(seenName, "typed \xEF\xBF\xBD");
}

// A page script's message box is the program's to show; the script hears the answer, and a box the
// program cannot show (no one to show it, or a message it cannot read) counts as cancelled.
TEST_F(WebHostMessages, AScriptsMessageBoxIsAnsweredWithTheProgramsAnswer) {
    struct Shown {
        std::string text, title;
        bool cancel;
    };
    std::vector<Shown> shown;
    const auto [doc, key] = Fetch();
    window.Send(R"({"t":"loaded","doc":)" + doc + R"(,"frame":"jv-top"})");
    struct Case {
        const char* what;
        bool handler;
        bool answer;  // the program's
        std::string message;
        bool wantValue;
        bool wantError;
    };
    const Case cases[] = {
        {"a question answered OK", true, true, R"("text":"Delete the current row?","title":"","cancel":1)", true,
         false},
        {"a question answered Cancel", true, false, R"("text":"Go on?","title":"Jorvane","cancel":1)", false, false},
        {"a notice", true, true, R"("text":"Saved.\nAll of it.","title":"Update failed","cancel":0)", true, false},
        {"no one to show it", false, true, R"("text":"Go on?","cancel":1)", false, false},
        {"a text that is a number", true, true, R"("text":5,"cancel":1)", false, true},
    };
    int64_t id = 500;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        shown.clear();
        if (c.handler) {
            host->SetMessageBoxHandler([&](const std::string& text, const std::string& title, bool cancel) {
                shown.push_back({text, title, cancel});
                return c.answer;
            });
        } else {
            host->SetMessageBoxHandler({});
        }
        ++id;
        window.Send(R"({"t":"msgbox","id":)" + std::to_string(id) + R"(,"doc":)" + doc + "," + c.message + "}");
        const json reply = Reply(id);
        ASSERT_TRUE(reply.is_object()) << "the script was not answered";
        EXPECT_EQ(reply.contains("error"), c.wantError) << reply.dump();
        EXPECT_EQ(reply.value("v", false), c.wantValue) << reply.dump();
        if (c.handler && !c.wantError) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].cancel, c.message.find("\"cancel\":1") != std::string::npos);
        } else {
            EXPECT_TRUE(shown.empty());
        }
    }
}

TEST_F(WebHostMessages, DocumentsNeverShownAreDroppedByCountAndAge) {
    const auto [shownDoc, key] = Fetch();
    window.Send(R"({"t":"loaded","doc":)" + shownDoc + R"(,"frame":"jv-top"})");
    ASSERT_TRUE(test::RunUntil([&] { return host->FrameDocument("") != nullptr; }));

    host->SetUnshownDocumentLimits(8, std::chrono::hours(1));
    for (int i = 0; i < 300; ++i) Fetch();
    EXPECT_EQ(host->KeptDocuments(), 1u + 8u);

    host->SetUnshownDocumentLimits(100, std::chrono::milliseconds(50));
    for (int i = 0; i < 3; ++i) Fetch();
    const auto start = std::chrono::steady_clock::now();
    test::RunUntil([&] { return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(120); }, 1);
    const auto [lastDoc, lastKey] = Fetch();
    EXPECT_EQ(host->KeptDocuments(), 2u);

    // What stays is the shown document and the newest one, which still loads as ever.
    window.Send(R"({"t":"loaded","doc":)" + lastDoc + R"(,"frame":"jv-top"})");
    ASSERT_TRUE(test::RunUntil([&, doc = lastDoc] {
        const auto shown = host->FrameDocument("");
        return shown && std::to_string(shown->id()) == doc;
    }));
    EXPECT_EQ(host->KeptDocuments(), 1u);
}

// The window is told which mark means unsaved work; the program hears whether the window went
// after the browser asked about it, and a window that comes back starts afresh. Form state sent on
// its own (typing between calls) reaches the page.
TEST_F(WebHostMessages, TheWindowKnowsTheMarkOfUnsavedWorkAndSaysItWentAfterAsking) {
    const auto [doc, key] = Fetch();
    window.Send(R"({"t":"loaded","doc":)" + doc + R"(,"frame":"jv-top"})");
    host->SetUnsavedWorkMark("DirtyFlag", "true");
    ASSERT_TRUE(test::RunUntil([&] {
        for (const std::string& text : window.received)
            if (json::parse(text, nullptr, false) == json{{"t", "unsavedmark"}, {"id", "DirtyFlag"}, {"text", "true"}})
                return true;
        return false;
    }));
    window.Send(R"({"t":"forms","f":{")" + doc + R"(":[[")" + key + R"(",{"v":"typed"}]]}})");
    ASSERT_TRUE(test::RunUntil([&] {
        const auto shown = host->FrameDocument("");
        return shown && shown->getElementById("Name")->value() == "typed";
    }));
    EXPECT_FALSE(host->WindowLeftAfterAsking());
    window.Send(R"({"t":"leaving"})");
    ASSERT_TRUE(test::RunUntil([&] { return host->WindowLeftAfterAsking(); }));

    // The window reloads instead: it is back, and nothing was left.
    soup_websocket_connection_close(window.connection, SOUP_WEBSOCKET_CLOSE_GOING_AWAY, nullptr);
    ASSERT_TRUE(test::RunUntil([&] { return !host->WindowConnected(); }));
    test::SocketClient again;
    again.Connect(port, host->Origin(), cookie);
    ASSERT_NE(again.connection, nullptr) << again.error;
    ASSERT_TRUE(test::RunUntil([&] { return !host->WindowLeftAfterAsking(); }));
    EXPECT_TRUE(test::RunUntil([&] {
        for (const std::string& text : again.received)
            if (text.find("\"unsavedmark\"") != std::string::npos) return true;
        return false;
    }));
}

}  // namespace
}  // namespace jv::ui::host
