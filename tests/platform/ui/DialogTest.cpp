#include "platform/ui/Dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "platform/ui/BrowserHost.h"
#include "platform/ui/Document.h"
#include "tests/platform/ui/UiTestEnvironment.h"

using jv::test::ScopedResources;
using jv::test::UiEnvironment;
using jv::ui::Dialog;
using jv::ui::FakeHost;

namespace {

constexpr int kQuestion = 100;
constexpr int kConfirm = 101;
constexpr int kStatus = 102;
constexpr int kMissing = 199;

const char* const kQuestionPage = R"(<html><head><title>A Question</title></head><body>
    <p id=message>...</p><input id=answer><button id=Ask>Ask</button><button id=Done>Done</button></body></html>)";
const char* const kConfirmPage = R"(<html><head><title>Sure?</title></head><body>
    <button id=Yes>Yes</button><button id=No>No</button></body></html>)";
const char* const kStatusPage = R"(<html><body><span id=StatusText>...</span></body></html>)";
constexpr int kForm = 103;
const char* const kFormPage = R"(<html><head><title>Form</title></head><body>
    <input id=name><input id=secret type=hidden><input id=fixed readonly><input id=sold type=checkbox>
    <button id=Save disabled><b id=SaveText>Save</b></button><button id=Close>Close</button></body></html>)";

// A dialog whose buttons run whatever the test binds to them.
class TestDialog : public Dialog {
public:
    explicit TestDialog(int resourceId) : Dialog(resourceId) {}

    std::map<std::string, std::function<void()>> handlers;
    std::function<void()> onLoaded;
    bool loaded = false;

protected:
    void OnDocumentComplete(const std::string&) override {
        loaded = document() != nullptr;
        if (!loaded) EndDialog(kNotShown);
        if (onLoaded) onLoaded();
    }
    void OnClick(const std::string& id) override {
        const auto it = handlers.find(id);
        if (it != handlers.end()) it->second();
    }
};

class DialogTest : public ::testing::Test {
protected:
    ScopedResources pages_{
        {{kQuestion, kQuestionPage}, {kConfirm, kConfirmPage}, {kStatus, kStatusPage}, {kForm, kFormPage}}};
    UiEnvironment ui_;
};

TEST_F(DialogTest, ADialogOpenedFromAHandlerRunsNestedAndGivesItsButtonsResult) {
    TestDialog question(kQuestion);
    int confirmResult = 0;
    int depthInConfirm = 0;
    question.handlers["Ask"] = [&] {
        TestDialog confirm(kConfirm);
        confirm.handlers["Yes"] = [&] {
            depthInConfirm = ui_.loop.depth();
            confirm.EndDialog(6);
        };
        confirmResult = confirm.DoModal();
        // The asking dialog is still there and can be read and ended afterwards.
        question.EndDialog(confirmResult == 6 ? 40 : 41);
    };
    ui_.host.AnswerDialog(kQuestion, [](FakeHost::User& user) { user.Click("Ask"); });
    ui_.host.AnswerDialog(kConfirm, [](FakeHost::User& user) { user.Click("Yes"); });

    EXPECT_EQ(question.DoModal(), 40);
    EXPECT_EQ(confirmResult, 6);
    EXPECT_GT(depthInConfirm, 2) << "the second dialog ran in a loop nested in the first one's";
    EXPECT_EQ(ui_.host.openedDialogs(), (std::vector<int>{kQuestion, kConfirm}));
    EXPECT_FALSE(question.IsOpen());
}

// Each modal dialog runs a loop on the stack of the one beneath it: dialogs that keep opening
// dialogs stop at a bound, where DoModal gives kNotShown, instead of running the stack out.
TEST_F(DialogTest, DialogsOpenedOneOverAnotherStopAtTheBoundOfNestedLoops) {
    struct Case {
        const char* what;
        int wanted;  // dialogs the handlers open, one over the other
        int shown;
    };
    const Case cases[] = {
        {"a few", 3, 3},
        {"many more than the bound", 500, Dialog::kMaxNesting - ui_.loop.depth()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int opened = 0;
        int shown = 0;
        int notShown = 0;
        int deepest = 0;
        std::function<void()> open = [&] {
            if (opened == c.wanted) return;
            ++opened;
            TestDialog dialog(kQuestion);
            dialog.onLoaded = [&] {
                ++shown;
                deepest = std::max(deepest, ui_.loop.depth());
                open();
                dialog.EndDialog(Dialog::kOK);
            };
            if (dialog.DoModal() == Dialog::kNotShown) ++notShown;
        };
        open();
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(notShown, c.wanted > c.shown ? 1 : 0);
        EXPECT_LE(deepest, Dialog::kMaxNesting);
    }
}

TEST_F(DialogTest, EnterEscapeAndTheCloseBoxEndWithTheStandardResults) {
    const struct {
        const char* what;
        std::function<void(FakeHost::User&)> act;
        int result;
    } cases[] = {
        {"Enter", [](FakeHost::User& user) { user.PressEnter(); }, Dialog::kOK},
        {"Escape", [](FakeHost::User& user) { user.PressEscape(); }, Dialog::kCancel},
        {"close box", [](FakeHost::User& user) { user.CloseBox(); }, Dialog::kCancel},
        {"a button", [](FakeHost::User& user) { user.Click("Done"); }, 0},
    };
    for (const auto& c : cases) {
        TestDialog dialog(kQuestion);
        dialog.handlers["Done"] = [&] { dialog.EndDialog(0); };
        ui_.host.AnswerDialog(kQuestion, c.act);
        EXPECT_EQ(dialog.DoModal(), c.result) << c.what;
    }
}

TEST_F(DialogTest, TheUserSeesWhatTheDialogWroteAndTheDialogReadsWhatTheUserTyped) {
    TestDialog dialog(kQuestion);
    std::string typed;
    dialog.onLoaded = [&] {
        dialog.document()->getElementById("message")->setInnerHTML("What is your <b>name</b>?");
        dialog.document()->getElementById("answer")->setValue("nobody");
    };
    dialog.handlers["Done"] = [&] {
        typed = dialog.document()->getElementById("answer")->value();
        dialog.EndDialog(0);
    };
    std::string shown;
    ui_.host.AnswerDialog(kQuestion, [&](FakeHost::User& user) {
        // The browser's copy has the changes the dialog made when its page loaded.
        shown = ui_.host.BrowserCopy(user.document())->getElementById("message")->innerHTML();
        EXPECT_EQ(ui_.host.Caption(*user.dialog()), "A Question");
        user.Type("answer", "Fred & Wilma");
        user.Click("Done");
    });

    EXPECT_EQ(dialog.DoModal(), 0);
    EXPECT_EQ(shown, "What is your <b>name</b>?");
    EXPECT_EQ(typed, "Fred & Wilma");
    EXPECT_GT(ui_.host.patchesApplied(), 0u);
}

TEST_F(DialogTest, ADialogNobodyAnswersFailsInsteadOfHanging) {
    std::vector<std::string> failures;
    ui_.host.SetFailureHandler([&](const std::string& message) { failures.push_back(message); });

    TestDialog dialog(kConfirm);
    EXPECT_EQ(dialog.DoModal(), Dialog::kCancel);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "Nobody answers dialog 101.");

    // An answer that leaves the dialog open fails too, and the dialog still ends.
    failures.clear();
    TestDialog stubborn(kConfirm);
    stubborn.handlers["No"] = [] {};
    ui_.host.AnswerDialog(kConfirm, [](FakeHost::User& user) { user.Click("No"); });
    EXPECT_EQ(stubborn.DoModal(), Dialog::kCancel);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "Dialog 101 is still open after its answer.");
}

// The fake user does only what a person could do in the page: what is not there, disabled or
// not a field of that kind fails the test and changes nothing.
TEST_F(DialogTest, TheUserCannotActOnWhatThePageDoesNotOffer) {
    const struct {
        const char* what;
        std::function<bool(FakeHost::User&)> act;  // what the action gave (a click gives nothing)
        const char* failure;
    } cases[] = {
        {"click on nothing",
         [](FakeHost::User& user) {
             user.Click("Missing");
             return false;
         },
         "The user finds no element \"Missing\""},
        {"click on a disabled button",
         [](FakeHost::User& user) {
             user.Click("Save");
             return false;
         },
         "The user cannot click \"Save\": it is disabled."},
        {"click inside a disabled button",
         [](FakeHost::User& user) {
             user.Click("SaveText");
             return false;
         },
         "The user cannot click \"SaveText\": it is disabled."},
        {"typing into a hidden field", [](FakeHost::User& user) { return user.Type("secret", "x"); },
         "The user cannot type into \"secret\"."},
        {"typing into a read-only field", [](FakeHost::User& user) { return user.Type("fixed", "x"); },
         "The user cannot type into \"fixed\"."},
        {"typing into a check box", [](FakeHost::User& user) { return user.Type("sold", "x"); },
         "The user cannot type into \"sold\"."},
        {"ticking a text field", [](FakeHost::User& user) { return user.SetChecked("name", true); },
         "The user cannot tick \"name\"."},
    };
    for (const auto& c : cases) {
        std::vector<std::string> failures;
        ui_.host.SetFailureHandler([&](const std::string& message) { failures.push_back(message); });
        TestDialog dialog(kForm);
        int handled = 0;
        dialog.handlers["Save"] = [&] { ++handled; };
        dialog.handlers["SaveText"] = [&] { ++handled; };
        dialog.handlers["Missing"] = [&] { ++handled; };
        dialog.handlers["Close"] = [&] { dialog.EndDialog(0); };
        bool done = true;
        ui_.host.AnswerDialog(kForm, [&](FakeHost::User& user) {
            done = c.act(user);
            user.Click("Close");
        });
        EXPECT_EQ(dialog.DoModal(), 0) << c.what;
        EXPECT_FALSE(done) << c.what;
        EXPECT_EQ(handled, 0) << c.what;
        ASSERT_EQ(failures.size(), 1u) << c.what;
        EXPECT_EQ(failures[0].rfind(c.failure, 0), 0u) << c.what << ": " << failures[0];
        EXPECT_EQ(dialog.document()->getElementById("secret")->value(), "") << c.what;
        EXPECT_EQ(dialog.document()->getElementById("fixed")->value(), "") << c.what;
        EXPECT_FALSE(dialog.document()->getElementById("name")->checked()) << c.what;
    }
}

TEST_F(DialogTest, AnAnswerForADialogWithoutItsPageFailsInsteadOfCrashing) {
    std::vector<std::string> failures;
    ui_.host.SetFailureHandler([&](const std::string& message) { failures.push_back(message); });
    // A dialog that stays open although its page could not be loaded.
    class Stubborn : public Dialog {
    public:
        Stubborn() : Dialog(kMissing) {}
    } dialog;
    bool answered = false;
    ui_.host.AnswerDialog(kMissing, [&](FakeHost::User& user) {
        answered = true;
        user.Type("name", "x");
    });
    EXPECT_EQ(dialog.DoModal(), Dialog::kCancel);
    EXPECT_FALSE(answered);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "Dialog 199 has no page for the user to answer.");
}

TEST_F(DialogTest, NoPageNoHostAndNoLoopMeanTheDialogIsNotShown) {
    TestDialog missing(kMissing);
    EXPECT_EQ(missing.DoModal(), Dialog::kNotShown);
    EXPECT_FALSE(missing.loaded);

    jv::ui::InstallHost(nullptr);
    TestDialog noHost(kQuestion);
    EXPECT_EQ(noHost.DoModal(), Dialog::kNotShown);
    EXPECT_FALSE(noHost.Create());
    jv::ui::InstallHost(&ui_.host);
}

TEST_F(DialogTest, AModelessDialogStaysUntilItsOwnerDestroysIt) {
    TestDialog status(kStatus);
    status.onLoaded = [&] { status.document()->getElementById("StatusText")->setInnerHTML("Downloading ..."); };
    ASSERT_TRUE(status.Create());
    status.SetBounds({200, 200, 250, 250});
    ui_.loop.RunPending();

    EXPECT_TRUE(status.loaded);
    EXPECT_TRUE(status.IsOpen());
    EXPECT_EQ(ui_.host.BoundsOf(status).width, 250);
    EXPECT_EQ(ui_.host.BrowserCopy(*status.document())->getElementById("StatusText")->innerText(), "Downloading ...");

    status.DestroyWindow();
    EXPECT_FALSE(status.IsOpen());
    EXPECT_EQ(ui_.host.BrowserCopy(*status.document()), nullptr);
}

TEST_F(DialogTest, EventsForADialogThatIsGoneAreDropped) {
    auto dialog = std::make_unique<TestDialog>(kStatus);
    ASSERT_TRUE(dialog->Create());
    const Dialog::WeakRef ref = dialog->weakRef();
    dialog.reset();  // before its page has loaded
    EXPECT_EQ(Dialog::Resolve(ref), nullptr);
    ui_.loop.RunPending();  // the queued load finds no dialog and does nothing
}

}  // namespace
