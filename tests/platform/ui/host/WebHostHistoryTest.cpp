// The window's history as the user goes through it: Back and Forward ask the program first, and
// whatever comes while the program is asking (a second click, a key, a link) or while a page's
// message box is open neither stacks a second question nor moves the history past its ends.

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/ui/BrowserHost.h"
#include "platform/ui/Resources.h"
#include "platform/ui/host/WebHost.h"
#include "tests/platform/ui/host/HostTestSupport.h"

namespace jv::ui::host {
namespace {

using nlohmann::json;

constexpr char kPage[] = "<html><head><title>p</title></head><body><input id=Name></body></html>";
const Resource kResources[] = {
    {100, "100-page.html", "text/html; charset=utf-8", reinterpret_cast<const unsigned char*>(kPage), sizeof kPage - 1},
};
constexpr const char* kFrame = "main";

// The program in front of the window: it answers each question about leaving a page of the frame
// with `leave`; the first question runs `whileAsked` before it is answered, as a modal question
// lets the window's messages in while it is open.
struct Questions : WindowEvents {
    std::vector<std::string> asked;  // "!" marks a question asked while a page's message box was open
    int boxesOpen = 0;
    std::function<void()> whileAsked;
    bool leave = true;

    void OnBeforeNavigate(const std::string& url, const std::string& frame, bool& cancel) override {
        if (frame != kFrame) return;
        asked.push_back(url.substr(url.find('?') + 1) + (boxesOpen > 0 ? "!" : ""));
        if (auto work = std::move(whileAsked)) {
            whileAsked = nullptr;
            work();
        }
        cancel = !leave;
    }
    void OnDocumentComplete(const std::string&, const std::string&, const std::shared_ptr<Document>&) override {}
    void OnWindowClosed() override {}
};

enum class Action { Back, Forward, Link, Reload, ProgramNavigate, ProgramBack, Box };
struct Step {
    Action action;
    const char* page;  // the link's or the program's page
};
Step B() {
    return {Action::Back, ""};
}
Step F() {
    return {Action::Forward, ""};
}

struct Case {
    const char* name;
    std::vector<Step> whileAsked;    // sent while the first question (or the page's box) is open
    bool leave;                      // the answer to every question
    std::vector<Step> steps;         // what the user does, each after the one before has been dealt with
    std::vector<std::string> asked;  // the questions about the frame's page, in order
    std::vector<std::string> loads;  // the pages loaded, in order
};

// Each case starts on page c, reached from a through b by links: two steps behind, none ahead.
const Case kCases[] = {
    {"BackPastTheStart", {}, true, {B(), B(), B()}, {"b", "a"}, {"b", "a"}},
    {"BackThenForwardPastTheEnd", {}, true, {B(), F(), F()}, {"b", "c"}, {"b", "c"}},
    {"TheUserStays", {}, false, {B(), B(), F()}, {"b", "b"}, {}},
    {"ALinkDropsTheStepsAhead", {}, true, {B(), {Action::Link, "d"}, F(), B()}, {"b", "d", "b"}, {"b", "d", "b"}},
    {"BackTwiceWhileAsked", {B(), B()}, true, {B(), B()}, {"b", "a"}, {"b", "a"}},
    {"BackTwiceWhileAskedAndTheUserStays", {B(), B()}, false, {B(), B()}, {"b", "b"}, {}},
    {"ForwardAndALinkWhileAsked", {F(), {Action::Link, "d"}}, true, {B(), F()}, {"b", "c"}, {"b", "c"}},
    {"ReloadWhileAsked", {{Action::Reload, ""}}, true, {B()}, {"b"}, {"b"}},
    {"TheProgramsBackWhileAsked", {{Action::ProgramBack, ""}}, true, {B(), B()}, {"b", "a"}, {"b", "a"}},
    {"TheProgramsPageWaitsForTheAnswer", {{Action::ProgramNavigate, "e"}}, true, {B()}, {"b", "e"}, {"b", "e"}},
    // A page's box (its own question about the entry, say) is open: what comes meanwhile waits for
    // its answer and is then asked about in its turn, the window's latest wish only.
    {"BackWhileAPageBoxIsOpen", {B()}, true, {{Action::Box, ""}}, {"b"}, {"b"}},
    {"BackTwiceAndForwardWhileAPageBoxIsOpen", {B(), B(), F()}, true, {{Action::Box, ""}, B()}, {"b"}, {"b"}},
    {"ALinkWhileAPageBoxIsOpen", {{Action::Link, "d"}}, true, {{Action::Box, ""}}, {"d"}, {"d"}},
    {"ReloadWhileAPageBoxIsOpen", {{Action::Reload, ""}}, false, {{Action::Box, ""}}, {"c"}, {}},
    {"TheProgramsBackWhileAPageBoxIsOpen", {{Action::ProgramBack, ""}}, true, {{Action::Box, ""}}, {"b"}, {"b"}},
    {"TheProgramsPageWhileAPageBoxIsOpen", {{Action::ProgramNavigate, "e"}}, true, {{Action::Box, ""}}, {"e"}, {"e"}},
};

class WebHostHistory : public test::HostWithWindow, public ::testing::WithParamInterface<Case> {
protected:
    void SetUp() override {
        Resources::ClearForTesting();
        Resources::Install({kResources, std::size(kResources)});
        HostWithWindow::SetUp();
        host->SetWindowEvents(&questions);
        // The page's box lets the window's messages in while it is open, as a modal box does.
        host->SetMessageBoxHandler([this](const std::string&, const std::string&, bool) {
            ++questions.boxesOpen;
            if (auto work = std::move(questions.whileAsked)) {
                questions.whileAsked = nullptr;
                work();
            }
            --questions.boxesOpen;
            // Once answered, the page tells when it has done what the answer started.
            loop.Post([this] { window.Send(R"({"t":"settled"})"); });
            return true;
        });
    }
    void TearDown() override {
        host->SetWindowEvents(nullptr);
        HostWithWindow::TearDown();
        Resources::ClearForTesting();
    }

    // The browser shows page `name` in the frame (as it does after a load).
    void Show(const std::string& name) {
        shownDoc = Fetch("/100?" + name).doc;
        Loaded(shownDoc, kFrame);
    }
    // The pages the host has had the frame load since the last call; the last one is then shown (a
    // load replaces one still under way).
    std::vector<std::string> Loads() {
        std::vector<std::string> names;
        const std::vector<json> loads = AllReceived("load");
        for (size_t i = loadsSeen; i < loads.size(); ++i) {
            const std::string url = loads[i].value("url", "");
            names.push_back(url.substr(url.find('?') + 1));
        }
        loadsSeen = loads.size();
        if (!names.empty()) Show(names.back());
        return names;
    }
    void Perform(const Step& step) {
        switch (step.action) {
            case Action::Back:
            case Action::Forward:
                window.Send(std::string(R"({"t":"history","delta":)") + (step.action == Action::Back ? "-1" : "1") +
                            "}");
                break;
            case Action::Link:
                window.Send(R"({"t":"navigate","frame":"main","url":")" + host->Origin() + "/100?" + step.page +
                            R"("})");
                break;
            case Action::Reload:
                window.Send(R"({"t":"reload","doc":)" + shownDoc + "}");
                break;
            case Action::ProgramNavigate:
                host->Navigate("res://Test.exe/100?" + std::string(step.page), kFrame);
                break;
            case Action::ProgramBack:
                host->GoBack();
                break;
            case Action::Box:
                window.Send(R"({"t":"msgbox","id":)" + std::to_string(++boxId) + R"(,"doc":)" + shownDoc +
                            R"(,"text":"You made changes","title":"","cancel":1})");
                break;
        }
    }

    Questions questions;
    std::string shownDoc;
    size_t loadsSeen = 0;
    int64_t boxId = 5000;
};

TEST_P(WebHostHistory, StepsThroughTheHistoryAskingFirst) {
    const Case& c = GetParam();
    Show("a");
    for (const char* name : {"b", "c"}) {
        Perform({Action::Link, name});
        Settle();
        ASSERT_EQ(Loads(), std::vector<std::string>{name});
    }
    questions.asked.clear();
    questions.leave = c.leave;

    std::vector<std::string> loads;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        if (i == 0 && !c.whileAsked.empty()) {
            questions.whileAsked = [&] {
                for (const Step& step : c.whileAsked) Perform(step);
                Settle();
            };
        }
        Perform(c.steps[i]);
        Settle();
        // A page of the program's that waited for the answer comes after it.
        Settle();
        for (const std::string& name : Loads()) loads.push_back(name);
    }
    EXPECT_EQ(questions.asked, c.asked);
    EXPECT_EQ(loads, c.loads);
    EXPECT_EQ(LoggedMessages(), 0u) << (log.empty() ? "" : log.back());
}

INSTANTIATE_TEST_SUITE_P(Steps, WebHostHistory, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace jv::ui::host
