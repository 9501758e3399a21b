// Message robustness: whatever the window's socket carries, the host answers the waiting call,
// logs the message once and goes on; documents the browser fetched but never showed do not pile up.

#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "platform/ui/BrowserHost.h"
#include "platform/ui/Dialog.h"
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
constexpr char kDialogPage[] =
    "<html><head><title>d</title></head><body><input id=Name><button id=ButtonOK>OK</button>"
    "<button id=ButtonNo>No</button><button id=ButtonBack disabled>Back</button></body></html>";
const Resource kResources[] = {
    {100, "100-page.html", "text/html; charset=utf-8", reinterpret_cast<const unsigned char*>(kPage), sizeof kPage - 1},
    {101, "101-dialog.html", "text/html; charset=utf-8", reinterpret_cast<const unsigned char*>(kDialogPage),
     sizeof kDialogPage - 1},
};

// A dialog that keeps the clicks it hears.
class ClickedDialog : public Dialog {
public:
    ClickedDialog() : Dialog(101) {}
    std::vector<std::string> clicks;

protected:
    void OnClick(const std::string& elementId) override { clicks.push_back(elementId); }
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

class WebHostMessages : public test::HostWithWindow {
protected:
    void SetUp() override {
        Resources::ClearForTesting();
        Resources::Install({kResources, std::size(kResources)});
        bridge.Add("Echo", std::function<void(const std::string&)>([this](const std::string& text) {
                       echoed.push_back(text);
                       if (auto document = host->CallingDocument())
                           seenName = document->getElementById("Name")->value();
                   }));
        HostWithWindow::SetUp();
    }

    void TearDown() override {
        HostWithWindow::TearDown();
        Resources::ClearForTesting();
    }

    std::pair<std::string, std::string> Fetch() {
        const auto fetched = HostWithWindow::Fetch("/100");
        return {fetched.doc, fetched.key};
    }

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

// A page that asks for box after box without waiting for the answers (alert() from a timer): only
// a few are open at once, one over the other; the others are answered at once as cancelled and
// logged, so the boxes never pile up on the program's stack and no script waits for ever.
TEST_F(WebHostMessages, BoxesAskedForWhileOthersAreOpenStopAtAFewOpenAtOnce) {
    const auto [doc, key] = Fetch();
    Loaded(doc, "jv-top");
    struct Case {
        const char* what;
        int asked;
        int shown;  // open at once, one over the other, when the user closes none of them
    };
    const Case cases[] = {
        {"one box", 1, 1},
        {"as many as may be open", WebHost::kMaxOpenBoxes, WebHost::kMaxOpenBoxes},
        {"one more than that", WebHost::kMaxOpenBoxes + 1, WebHost::kMaxOpenBoxes},
        {"a page asking a thousand times", 1000, WebHost::kMaxOpenBoxes},
    };
    int64_t id = 3000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int refused = c.asked - c.shown;
        int open = 0;
        int deepest = 0;
        int shown = 0;
        bool closeAll = false;
        size_t read = 0;
        int replies = 0;
        // The user closes the boxes once the boxes past the few open have been answered.
        const auto answered = [&] {
            for (; read < window.received.size(); ++read)
                replies += window.received[read].find(R"("t":"reply")") != std::string::npos ? 1 : 0;
            if (shown >= c.shown && replies >= refused) closeAll = true;
            return closeAll;
        };
        // Each box runs the loop until the user closes it, as a modal box does.
        host->SetMessageBoxHandler([&](const std::string&, const std::string&, bool) {
            ++open;
            ++shown;
            deepest = std::max(deepest, open);
            loop.RunUntil(answered, std::chrono::seconds(10));
            --open;
            return true;
        });
        log.clear();
        window.received.clear();
        const int64_t first = id + 1;
        for (int i = 0; i < c.asked; ++i)
            window.Send(R"({"t":"msgbox","id":)" + std::to_string(++id) + R"(,"doc":)" + doc +
                        R"(,"text":"Again","title":"","cancel":0})");
        for (int64_t box = first; box <= id; ++box) ASSERT_TRUE(Reply(box).is_object()) << "box " << box;
        EXPECT_EQ(deepest, c.shown);
        EXPECT_EQ(shown, c.shown);
        int answeredOk = 0;
        for (const json& reply : AllReceived("reply"))
            if (reply.value("id", int64_t{0}) >= first && reply.value("v", false)) ++answeredOk;
        EXPECT_EQ(answeredOk, c.shown);
        EXPECT_EQ(log.empty(), refused == 0);
    }
}

// A page that asks for what it shows as it scrolls, faster than the program answers: of the calls
// that wait their turn only the newest of each page runs; the others are answered at once, and the
// form state they carry still reaches the page.
TEST_F(WebHostMessages, CallsThatANewerOneOvertookAreAnsweredWithoutRunning) {
    std::vector<std::pair<std::string, int>> shown;  // document, argument
    bridge.Add("Show", std::function<void(int32_t)>([this, &shown](int32_t first) {
                   shown.emplace_back(host->CallingDocument() ? std::to_string(host->CallingDocument()->id()) : "",
                                      first);
               }));
    bridge.SetNewestOnly("Show");
    const auto [doc, key] = Fetch();
    const auto [other, otherKey] = Fetch();
    window.Send(R"({"t":"loaded","doc":)" + doc + R"(,"frame":"jv-top"})");
    constexpr int kCalls = 300;
    for (int i = 1; i <= kCalls; ++i) {
        std::string text = R"({"t":"call","id":)" + std::to_string(i) + R"(,"doc":)" + doc + R"(,"m":"Show","a":[)" +
                           std::to_string(i) + "]";
        if (i == kCalls / 2) text += R"(,"f":{")" + doc + R"(":[[")" + key + R"(",{"v":"typed while scrolling"}]]})";
        window.Send(text + "}");
        // Another page's call is not overtaken by this one's.
        if (i == kCalls / 3) window.Send(R"({"t":"call","id":1000,"doc":)" + other + R"(,"m":"Show","a":[-1]})");
    }
    window.Send(R"({"t":"call","id":2000,"doc":)" + doc + R"(,"m":"Echo","a":["after"]})");
    for (int64_t id : {int64_t{kCalls}, int64_t{1000}, int64_t{2000}}) {
        const json reply = Reply(id);
        ASSERT_TRUE(reply.is_object()) << "call " << id << " was not answered";
        EXPECT_FALSE(reply.contains("error")) << reply.dump();
    }
    for (int64_t id = 1; id < kCalls; ++id) ASSERT_TRUE(Reply(id).is_object()) << "call " << id;

    ASSERT_FALSE(shown.empty());
    EXPECT_LT(shown.size(), static_cast<size_t>(kCalls / 4));
    // The newest call of the page ran, after every other it ran.
    std::vector<int> ran;
    for (const auto& [document, first] : shown)
        if (document == doc) ran.push_back(first);
    ASSERT_FALSE(ran.empty());
    EXPECT_EQ(ran.back(), kCalls);
    EXPECT_TRUE(std::is_sorted(ran.begin(), ran.end()));
    EXPECT_EQ(std::count(shown.begin(), shown.end(), std::make_pair(other, -1)), 1);
    EXPECT_EQ(seenName, "typed while scrolling");
    EXPECT_EQ(LoggedMessages(), 0u);
}

// A method that works something out answers its own call: the reply carries it, and a call that
// is refused (the document that made it is gone, arguments that do not convert) or a method that
// answers nothing carries nothing, never an answer given before.
TEST_F(WebHostMessages, AnAnswerGoesWithItsOwnCallOnly) {
    const auto [doc, key] = Fetch();
    const auto [gone, goneKey] = Fetch();
    Loaded(gone, "jv-top");
    Loaded(doc, "jv-top");  // the frame's page before it has gone
    bridge.AddAnswering("Sum", {ArgType::Double, ArgType::Double}, [this, shown = doc](const ScriptArgs& args) -> json {
        if (!host->CallingDocument() || host->CallingDocument()->id() != std::stoull(shown)) return nullptr;
        return {{"sum", args.Double(0) + args.Double(1)}};
    });
    struct Case {
        const char* what;
        std::string doc;
        std::string method;
        std::string args;
        json answer;  // null: the reply carries none
    };
    const Case cases[] = {
        {"a call of the page shown", doc, "Sum", "[1.25,2]", {{"sum", 3.25}}},
        {"a call of the page that went", gone, "Sum", "[1,2]", nullptr},
        {"arguments that do not convert", doc, "Sum", R"(["x",2])", nullptr},
        {"a method that answers nothing", doc, "Echo", R"(["x"])", nullptr},
        {"the page shown again", doc, "Sum", "[0.1,0.2]", {{"sum", 0.1 + 0.2}}},
    };
    int64_t id = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window.Send(R"({"t":"call","id":)" + std::to_string(++id) + R"(,"doc":)" + c.doc + R"(,"m":")" + c.method +
                    R"(","a":)" + c.args + "}");
        const json reply = Reply(id);
        ASSERT_TRUE(reply.is_object());
        if (c.answer.is_null()) {
            EXPECT_FALSE(reply.contains("v")) << reply.dump();
        } else {
            EXPECT_EQ(reply.value("v", json()), c.answer);
        }
    }
}

// A click answers only the dialog whose own document sent it, and only on a button the program
// left enabled.
TEST_F(WebHostMessages, AClickAnswersOnlyItsDialogFromItsOwnDocument) {
    InstallHost(host.get());
    const auto [pageDoc, pageKey] = Fetch();
    Loaded(pageDoc, "jv-top");
    ClickedDialog first;
    ClickedDialog second;
    std::vector<std::string> docs;
    for (ClickedDialog* dialog : {&first, &second}) {
        ASSERT_TRUE(dialog->Create());
        const size_t count = docs.size() + 1;
        ASSERT_TRUE(test::RunUntil([&] { return AllReceived("dialog").size() == count; }));
        const json opened = AllReceived("dialog").back();
        const std::string doc = HostWithWindow::Fetch("/101").doc;
        Loaded(doc, "jv-dialog-" + std::to_string(opened["dlg"].get<int>()));
        ASSERT_TRUE(test::RunUntil([&] { return dialog->document() != nullptr; }));
        docs.push_back(doc);
    }
    const int firstNumber = AllReceived("dialog")[0]["dlg"].get<int>();
    // The program disables a button after the page was shown.
    first.document()->getElementById("ButtonNo")->setDisabled(true);

    struct Case {
        const char* what;
        std::string doc;  // "" for none
        const char* id;
        bool heard;
    };
    const Case cases[] = {
        {"its own document, its OK button", docs[0], "ButtonOK", true},
        {"the page beneath it", pageDoc, "ButtonOK", false},
        {"the other dialog's document", docs[1], "ButtonOK", false},
        {"no document", "", "ButtonOK", false},
        {"a document that is none", "987654", "ButtonOK", false},
        {"a button disabled in the page", docs[0], "ButtonBack", false},
        {"a button the program disabled since", docs[0], "ButtonNo", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        first.clicks.clear();
        second.clicks.clear();
        const std::string doc = c.doc.empty() ? "" : R"("doc":)" + c.doc + ",";
        window.Send(R"({"t":"event",)" + doc + R"("dlg":)" + std::to_string(firstNumber) + R"(,"type":"click","id":")" +
                    c.id + R"("})");
        Settle();
        EXPECT_EQ(first.clicks, c.heard ? std::vector<std::string>{c.id} : std::vector<std::string>{});
        EXPECT_TRUE(second.clicks.empty());
    }
    first.DestroyWindow();
    second.DestroyWindow();
    InstallHost(nullptr);
}

// A message box answers the script that asked, once: a box or call sent with the id of a box still
// open is refused, and the answer of the box that is open reaches its script.
TEST_F(WebHostMessages, AMessageBoxAnswerGoesOnlyToTheScriptThatAsked) {
    const auto [doc, key] = Fetch();
    Loaded(doc, "jv-top");
    std::vector<std::string> shown;
    const std::string box = R"({"t":"msgbox","id":700,"doc":)" + doc + R"(,"text":"TEXT","title":"","cancel":1})";
    host->SetMessageBoxHandler([&](const std::string& text, const std::string&, bool) {
        shown.push_back(text);
        if (text == "Delete the row?") {
            // While the user reads the question, another script sends a box and a call with its id.
            window.Send(std::regex_replace(box, std::regex("TEXT"), "Say yes"));
            window.Send(R"({"t":"call","id":700,"doc":)" + doc + R"(,"m":"Echo","a":["forged"]})");
            Settle();
        }
        return text == "Say yes";
    });
    window.Send(std::regex_replace(box, std::regex("TEXT"), "Delete the row?"));
    ASSERT_TRUE(Reply(700).is_object());
    Settle();
    EXPECT_EQ(shown, std::vector<std::string>{"Delete the row?"});
    EXPECT_TRUE(echoed.empty());
    std::vector<json> replies;
    for (const json& reply : AllReceived("reply"))
        if (reply.value("id", 0) == 700) replies.push_back(reply);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].value("v", true), false) << replies[0].dump();
    EXPECT_FALSE(replies[0].contains("error"));

    // Once answered, the id is free again (a window that was reloaded counts from 1 again).
    window.Send(std::regex_replace(box, std::regex("TEXT"), "Say yes"));
    Settle();
    EXPECT_EQ(shown.back(), "Say yes");
}

TEST_F(WebHostMessages, DocumentsNeverShownAreDroppedByCountAndAge) {
    const auto [shownDoc, key] = Fetch();
    window.Send(R"({"t":"loaded","doc":)" + shownDoc + R"(,"frame":"jv-top"})");
    ASSERT_TRUE(test::RunUntil([&] { return host->FrameDocument("") != nullptr; }));

    host->SetUnshownDocumentLimitsForTesting(8, std::chrono::hours(1));
    for (int i = 0; i < 300; ++i) Fetch();
    EXPECT_EQ(host->KeptDocuments(), 1u + 8u);

    host->SetUnshownDocumentLimitsForTesting(100, std::chrono::milliseconds(50));
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

// A window that opens larger than its screen, or past its edges, is told once to come inside it;
// where the user puts it afterwards stays. Numbers past what an int holds overflow nothing.
TEST_F(WebHostMessages, AWindowThatOpensOffItsScreenIsFittedInsideItOnce) {
    const auto places = [&] {
        std::vector<json> found;
        for (const std::string& text : window.received) {
            const json message = json::parse(text, nullptr, false);
            if (message.is_object() && message.value("t", "") == "place") found.push_back(message);
        }
        return found;
    };
    window.Send(R"({"t":"bounds","x":10,"y":10,"w":1060,"h":890,"max":false,"sx":0,"sy":0,"sw":1050,"sh":880})");
    ASSERT_TRUE(test::RunUntil([&] { return !places().empty(); }));
    EXPECT_EQ(places()[0], (json{{"t", "place"}, {"x", 0}, {"y", 0}, {"w", 1050}, {"h", 880}}));
    EXPECT_EQ(host->LastWindowBounds().width, 1050);

    window.Send(
        R"({"t":"bounds","x":1e300,"y":-9007199254740993,"w":2147483648,"h":300,"sx":0,"sy":0,"sw":1050,"sh":880})");
    ASSERT_TRUE(test::RunUntil([&] { return host->LastWindowBounds().height == 300; }));
    EXPECT_EQ(host->LastWindowBounds().width, 2147483647);
    window.Send(R"({"t":"bounds","x":900,"y":700,"w":400,"h":300,"sx":0,"sy":0,"sw":1050,"sh":880})");
    ASSERT_TRUE(test::RunUntil([&] { return host->LastWindowBounds().left == 900; }));
    EXPECT_EQ(places().size(), 1u);
}

// At its end the program asks the window what its fields hold now: the answer's form state reaches
// the page before the program goes on, and what the window sent before the answer comes first. A
// window that does not answer, or none at all, gives nothing, and the program goes on after the wait.
TEST_F(WebHostMessages, TheFormStateFetchedAtTheEndReachesThePage) {
    const auto [doc, key] = Fetch();
    Loaded(doc, "jv-top");
    const auto typed = [&, doc = doc, key = key](const std::string& value) {
        return R"({")" + doc + R"(":[[")" + key + R"(",{"v":")" + value + R"("}]]})";
    };
    struct Case {
        const char* what;
        bool answers;
        bool connected;
        bool fetched;
        std::string name;  // the page's field after the fetch
    };
    const Case cases[] = {
        {"the window answers with what was typed last", true, true, true, "typed last"},
        {"the window does not answer", false, true, false, "typed before"},
        {"the window has gone", true, false, false, "typed before"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        window.Send(R"({"t":"forms","f":)" + typed("typed before") + "}");
        Settle();
        if (!c.connected) {
            soup_websocket_connection_close(window.connection, SOUP_WEBSOCKET_CLOSE_GOING_AWAY, nullptr);
            ASSERT_TRUE(test::RunUntil([&] { return !host->WindowConnected(); }));
        }
        // The window, as the loop runs: it answers each question once, after a message of its own.
        size_t seen = window.received.size();
        const unsigned timer = loop.AddTimer(std::chrono::milliseconds(5), [&] {
            for (; seen < window.received.size(); ++seen) {
                const json asked = json::parse(window.received[seen], nullptr, false);
                if (!c.answers || !asked.is_object() || asked.value("t", "") != "formstate") continue;
                window.Send(R"({"t":"forms","f":)" + typed("typed between") + "}");
                window.Send(R"({"t":"formstate","id":)" + std::to_string(asked.value("id", 0)) + R"(,"f":)" +
                            typed("typed last") + "}");
            }
        });
        const bool fetched = host->FetchFormState(std::chrono::milliseconds(c.answers ? 10000 : 300));
        loop.RemoveTimer(timer);
        EXPECT_EQ(fetched, c.fetched);
        EXPECT_EQ(host->FrameDocument("")->getElementById("Name")->value(), c.name);
    }
}

}  // namespace
}  // namespace jv::ui::host
