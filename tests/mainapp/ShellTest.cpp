// The application shell's own rules: the consent to connect, the window's placement, one running
// copy per session, the script methods' table, the car list's selection and the message dialog.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "mainapp/JorvaneApp.h"
#include "mainapp/JorvaneCOMObj.h"
#include "mainapp/JorvaneDoc.h"
#include "mainapp/MainFrame.h"
#include "mainapp/WindowPlacement.h"
#include "platform/base/Paths.h"
#include "platform/base/Profile.h"
#include "platform/desktop/SingleInstance.h"
#include "platform/ui/HtmlSanitizer.h"
#include "platform/ui/Loop.h"
#include "shared/data/UserPreferencesDatabaseObject.h"
#include "tests/support/FakeHost.h"
#include "tests/support/TestSupport.h"

namespace jv::test {
namespace {

// What a program started from here prints.
std::string ReadCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    return out;
}

// A home with the blank database where the installation keeps it and a web service configured.
class ShellHome {
public:
    ShellHome() {
        MakeBlank();
        WriteFile(home.CommonAppData() + "/Jorvane/Jorvane/configApp.xml",
                  "<config><web url='127.0.0.1:9' protocol='http'/></config>");
    }
    void MakeBlank() {
        jv::paths::MakeSureDirectoryPathExists(home.CommonAppData() + "/Jorvane/Jorvane");
        WriteFile(home.CommonAppData() + "/Jorvane/Jorvane/jvbdb", ReadFile(JV_BLANK_DATABASE_FILE));
    }
    std::string DatabasePath() const { return home.Documents() + "/Jorvane/user.data"; }

    IsolatedHome home;
};

TEST(Document, AFirstStartCopiesTheBlankDatabaseForTheUserOnly) {
    ShellHome shell;
    CJorvaneDoc document;
    ASSERT_TRUE(document.OnNewDocument());
    struct stat info {};
    ASSERT_EQ(stat(shell.DatabasePath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(document.IsNewDatabase());
    EXPECT_TRUE(document.GetUserData().IsConnected());
}

TEST(Document, AMissingBlankDatabaseFailsTheStartAndMakesNoFile) {
    ShellHome shell;
    std::remove((shell.home.CommonAppData() + "/Jorvane/Jorvane/jvbdb").c_str());
    CJorvaneDoc document;
    EXPECT_FALSE(document.OnNewDocument());
    EXPECT_FALSE(jv::paths::FileExists(shell.DatabasePath()));
}

// Every way a run can meet the consent question: the stored preference, this run's earlier
// answer, a new database, whether asking is allowed, and what the user answers.
TEST(Document, ConsentMatrix) {
    struct Case {
        int stored;     // Internet: 0 ask, 1 never, 2 always
        int runAnswer;  // 0 not asked, 1 refused, 2 allowed
        bool newDatabase;
        bool ask;
        int answer;  // what the dialog gives
        bool asked;  // the dialog was shown
        bool connected;
        int storedAfter;
        int runAnswerAfter;
    };
    const Case cases[] = {
        {0, 0, false, true, 257, true, true, 2, 2},    // Always Connect
        {0, 0, false, true, 1, true, true, 0, 2},      // Connect This Time Only
        {0, 0, false, true, 16, true, false, 0, 1},    // Do Not Connect
        {0, 0, false, true, 2, true, false, 0, 1},     // closed
        {0, 0, false, true, -1, true, false, 0, 1},    // the page did not load: bits 0 and 8 set, a refusal
        {0, 0, false, true, 256, true, false, 0, 1},   // remember without connect
        {0, 0, false, true, 3, true, false, 0, 1},     // no answer the dialog gives
        {0, 0, true, true, 16, false, true, 2, 2},     // a new database connects and remembers
        {0, 1, false, true, 257, false, false, 0, 1},  // refused earlier in this run
        {0, 2, false, true, 16, false, true, 0, 2},    // allowed earlier in this run
        {1, 0, false, true, 257, false, false, 1, 0},  // never
        {1, 0, true, true, 257, false, false, 1, 0},   // never, also on a new database
        {2, 0, false, true, 16, false, true, 2, 0},    // always
        {1, 1, false, false, 16, false, true, 1, 1},   // asking not allowed: connects whatever was said
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "stored " << c.stored << ", run " << c.runAnswer << ", new "
                                          << c.newDatabase << ", ask " << c.ask << ", answer " << c.answer);
        ShellHome shell;
        CJorvaneDoc document;
        ASSERT_TRUE(document.OnNewDocument());
        CUserPreferences& prefs = document.GetUserPreferences();
        prefs.Internet = c.stored;
        prefs.InternetAnswer = c.runAnswer;
        CUserPreferencesDatabaseObject(document.GetDatabaseConnection()).SaveUserPreferences(prefs);
        if (c.newDatabase)
            document.SetNewDatabase();
        else
            document.ClearNewDatabase();
        int asked = 0;
        document.SetConsentQuestionForTesting([&](const std::string& reason) {
            EXPECT_EQ(reason, "to search for available updates.");
            ++asked;
            return c.answer;
        });
        const bool connected = document.GetConnection("to search for available updates.", c.ask) != nullptr;
        EXPECT_EQ(asked, c.asked ? 1 : 0);
        EXPECT_EQ(connected, c.connected);
        EXPECT_EQ(document.GetUserPreferences().InternetAnswer, c.runAnswerAfter);
        CUserPreferences stored;
        CUserPreferencesDatabaseObject(document.GetDatabaseConnection()).GetUserPreferences(stored);
        EXPECT_EQ(stored.Internet, c.storedAfter);
        // Asked once in a run at most: a second request takes the run's answer.
        if (c.ask && c.stored == 0 && !c.newDatabase && c.runAnswer == 0) {
            document.Disconnect();
            document.GetConnection("again", true);
            EXPECT_EQ(asked, 1);
        }
    }
}

TEST(WindowPos, ReadsTenNumbersAndNothingElse) {
    struct Case {
        std::string text;
        bool read;
    };
    const Case cases[] = {
        {"0,3,-1,-1,-8,-8,10,20,1034,788", true},
        {"2,5,-32000,-32000,-1,-1,0,0,800,600", true},
        {"0,3,-1,-1,-8,-8,10,20,1034", false},  // nine fields
        {"", false},
        {"maximised", false},
        {"0,3,-1,-1,x,-8,10,20,1034,788", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WindowPlacement placement;
        placement.left = 77;
        EXPECT_EQ(WindowPlacement::Parse(c.text, placement), c.read);
        if (c.read)
            EXPECT_EQ(placement.Format(), c.text);
        else
            EXPECT_EQ(placement.left, 77);
    }
}

TEST(WindowPos, TheWindowOpensWhereItClosed) {
    IsolatedHome home;
    jv::ui::Loop loop;
    jv::ui::FakeHost host(loop);
    jv::Profile profile("Jorvane");
    CMainFrame frame(host, profile);

    // Nothing stored, or something unreadable: maximised.
    EXPECT_TRUE(frame.ActivateFrame().maximized);
    profile.WriteProfileString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,10,20,30");
    EXPECT_TRUE(frame.ActivateFrame().maximized);

    struct Case {
        CMainFrame::ShownBounds closed;
        bool maximized;
        int width;
    };
    const Case cases[] = {
        {{40, 50, 900, 700, false, false, true}, false, 900},
        {{-32000, -32000, 160, 28, false, true, true}, false, 900},  // minimised: shown where it was
        {{0, 0, 1920, 1080, true, false, true}, true, 900},          // maximised keeps the normal size
    };
    for (const Case& c : cases) {
        frame.OnClose(c.closed);
        const auto geometry = frame.ActivateFrame();
        EXPECT_EQ(geometry.maximized, c.maximized);
        EXPECT_EQ(geometry.width, c.width);
        WindowPlacement stored;
        ASSERT_TRUE(frame.ReadWindowPlacement(stored));
    }
    // Minimised from maximised opens maximised again.
    frame.OnClose({0, 0, 1920, 1080, true, false, true});
    frame.OnClose({0, 0, 1920, 1080, false, true, true});
    EXPECT_TRUE(frame.ActivateFrame().maximized);
    // A show command other than normal or show replaces the stored one.
    frame.OnClose({40, 50, 900, 700, false, false, true});
    EXPECT_TRUE(frame.ActivateFrame(WindowPlacement::kShowMaximized).maximized);
    EXPECT_FALSE(frame.ActivateFrame(WindowPlacement::kShow).maximized);
}

// Numbers no screen has, stored or reported by the window, are taken as the farthest place and
// the largest size a window may have: nothing overflows, and what is stored reads back sane.
TEST(WindowPos, AbsurdBoundsAreClampedToAPlaceAWindowCanHave) {
    IsolatedHome home;
    jv::ui::Loop loop;
    jv::ui::FakeHost host(loop);
    jv::Profile profile("Jorvane");
    CMainFrame frame(host, profile);
    constexpr int kMax = 2147483647;
    constexpr int kMin = -2147483647 - 1;
    constexpr int kFar = WindowPlacement::kFarthest;

    struct Stored {
        const char* text;
        int left, top, width, height;
    };
    const Stored stored[] = {
        {"0,1,-1,-1,-1,-1,10,20,1070,910", 10, 20, 1060, 890},
        {"0,1,-1,-1,-1,-1,-2147483648,-2147483648,2147483647,2147483647", -kFar, -kFar, kFar, kFar},
        {"0,1,-1,-1,-1,-1,2147483647,2147483647,-2147483648,-2147483648", kFar, kFar, 400, 300},
        {"0,1,-1,-1,-1,-1,2147483647,0,2147483647,600", kFar, 0, 400, 600},
        // Past what the numbers hold at all: the nearest they hold, not the low bits.
        {"0,1,-1,-1,-1,-1,4294967396,-4294967196,4294968396,600", kFar, -kFar, 400, kFar},
        {"0,1,-1,-1,-1,-1,10,20,99999999999999999999999,-99999999999999999999999", 10, 20, kFar, 300},
    };
    for (const Stored& c : stored) {
        SCOPED_TRACE(c.text);
        profile.WriteProfileString("Settings", "WindowPos", c.text);
        const auto geometry = frame.ActivateFrame();
        EXPECT_FALSE(geometry.maximized);
        EXPECT_EQ(geometry.left, c.left);
        EXPECT_EQ(geometry.top, c.top);
        EXPECT_EQ(geometry.width, c.width);
        EXPECT_EQ(geometry.height, c.height);
    }

    struct Sent {
        CMainFrame::ShownBounds closed;
        const char* stored;
    };
    const Sent sent[] = {
        {{40, 50, 900, 700, false, false, true}, "0,1,-1,-1,-1,-1,40,50,940,750"},
        {{kMax, kMax, kMax, kMax, false, false, true}, "0,1,-1,-1,-1,-1,100000,100000,200000,200000"},
        {{kMin, kMin, kMax, kMax, false, false, true}, "0,1,-1,-1,-1,-1,-100000,-100000,0,0"},
        {{kMax, kMin, kMin, kMin, false, false, true}, "0,1,-1,-1,-1,-1,100000,-100000,100000,-100000"},
    };
    for (const Sent& c : sent) {
        SCOPED_TRACE(c.stored);
        profile.WriteProfileString("Settings", "WindowPos", "");
        frame.OnClose(c.closed);
        EXPECT_EQ(profile.GetProfileString("Settings", "WindowPos"), c.stored);
    }
}

TEST(WindowPos, TheConnectionPaneChangesOnlyWithTheState) {
    IsolatedHome home;
    jv::ui::Loop loop;
    jv::ui::FakeHost host(loop);
    jv::Profile profile("Jorvane");
    CMainFrame frame(host, profile);
    frame.OnCreate();
    EXPECT_EQ(host.statusText(CMainFrame::kConnectionPane), "Not Connected");
    frame.OnUpdateConnectionPane(true);
    EXPECT_EQ(host.statusText(CMainFrame::kConnectionPane), "Connected");
    host.SetStatusText(CMainFrame::kConnectionPane, "mark");
    frame.OnUpdateConnectionPane(true);
    EXPECT_EQ(host.statusText(CMainFrame::kConnectionPane), "mark");
    frame.OnUpdateConnectionPane(false);
    EXPECT_EQ(host.statusText(CMainFrame::kConnectionPane), "Not Connected");
}

TEST(SingleInstance, OneHolderAtATimeAndTheSecondIsAnswered) {
    TempDir folder;
    const std::string name = jv::desktop::SingleInstance::SessionName(CJorvaneApp::kInstanceName);
    EXPECT_NE(name.find("JORVANE-1D2A75E3-4825-4b4e-B8EE-16B1D4240087-"), std::string::npos);

    jv::ui::Loop loop;
    jv::desktop::SingleInstance first(name, folder.path());
    ASSERT_EQ(first.Acquire(), jv::desktop::SingleInstance::Result::First);
    int asked = 0;
    ASSERT_TRUE(first.Listen(CMainFrame::kAreYouMeMessage, [&] { ++asked; }));

    // The second holder runs in another process, as a second start does.
    const pid_t child = fork();
    if (child == 0) {
        jv::desktop::SingleInstance second(name, folder.path());
        if (second.Acquire() != jv::desktop::SingleInstance::Result::Running) _exit(2);
        if (second.Ask("somebody else", std::chrono::milliseconds(200))) _exit(3);
        _exit(second.Ask(CMainFrame::kAreYouMeMessage, std::chrono::milliseconds(2000)) ? 0 : 4);
    }
    int status = -1;
    const unsigned tick = loop.AddTimer(std::chrono::milliseconds(5), [] {});
    loop.RunUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(10));
    loop.RemoveTimer(tick);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(asked, 1);

    // The lock and the socket are not handed to programs the first one starts.
    const std::string openInChild = ReadCommand("ls -l /proc/self/fd");
    EXPECT_EQ(openInChild.find(".lock"), std::string::npos) << openInChild;
    EXPECT_EQ(openInChild.find("socket:"), std::string::npos) << openInChild;
}

// Peers that connect and say nothing (a hung start, or a program holding connections open) are
// dropped after a second, and never keep a later start from being answered meanwhile.
TEST(SingleInstance, LingeringPeersDoNotKeepASecondStartUnanswered) {
    TempDir folder;
    jv::ui::Loop loop;
    jv::desktop::SingleInstance first("lingering", folder.path());
    ASSERT_EQ(first.Acquire(), jv::desktop::SingleInstance::Result::First);
    int asked = 0;
    ASSERT_TRUE(first.Listen(CMainFrame::kAreYouMeMessage, [&] { ++asked; }));
    const unsigned tick = loop.AddTimer(std::chrono::milliseconds(5), [] {});

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", first.socketPath().c_str());
    std::vector<int> lingering;
    for (int i = 0; i < 12; ++i) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        lingering.push_back(fd);
        loop.RunUntil([] { return false; }, std::chrono::milliseconds(20));
    }

    const pid_t child = fork();
    if (child == 0) {
        jv::desktop::SingleInstance second("lingering", folder.path());
        _exit(second.Ask(CMainFrame::kAreYouMeMessage, std::chrono::milliseconds(2000)) ? 0 : 4);
    }
    int status = -1;
    loop.RunUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, std::chrono::seconds(10));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(asked, 1);

    // Every silent peer is let go (its connection ends), the newest too.
    const auto closed = [](int fd) {
        char byte;
        return recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
    };
    EXPECT_TRUE(loop.RunUntil([&] { return closed(lingering.back()); }, std::chrono::seconds(5)));
    for (const int fd : lingering) {
        EXPECT_TRUE(closed(fd));
        close(fd);
    }
    loop.RemoveTimer(tick);
}

TEST(SingleInstance, TheLockGoesWithItsHolder) {
    TempDir folder;
    {
        jv::desktop::SingleInstance first("lock", folder.path());
        ASSERT_EQ(first.Acquire(), jv::desktop::SingleInstance::Result::First);
        jv::desktop::SingleInstance second("lock", folder.path());
        EXPECT_EQ(second.Acquire(), jv::desktop::SingleInstance::Result::Running);
        EXPECT_FALSE(second.Ask("anyone", std::chrono::milliseconds(50)));  // nobody listens
    }
    jv::desktop::SingleInstance third("lock", folder.path());
    EXPECT_EQ(third.Acquire(), jv::desktop::SingleInstance::Result::First);
}

TEST(Startup, RegistrationSwitchesEndTheProgram) {
    struct Case {
        std::vector<std::string> arguments;
        bool ends;
    };
    const Case cases[] = {
        {{"/Regserver"}, true},
        {{"-unregserver"}, true},
        {{"/EMBEDDING"}, true},
        {{"-Automation"}, true},
        {{"/Register"}, true},
        {{"/Unregister"}, true},
        {{}, false},
        {{"Regserver"}, false},
        {{"--help"}, false},
        {{"/"}, false},
        {{"x", "-embedding"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? std::string("(none)") : c.arguments.back());
        EXPECT_EQ(CJorvaneApp::IsRegistrationSwitch(c.arguments), c.ends);
    }
}

// The scripts call these, with these many arguments, in this order.
TEST(ScriptMethods, TheTableHoldsEveryMethodWithItsArity) {
    const std::vector<std::pair<std::string, size_t>> expected = {
        {"Back", 0},
        {"Forward", 0},
        {"SelectCar", 1},
        {"EnterCarSelect", 2},
        {"AddCar", 0},
        {"CarOverviewSelect", 2},
        {"SaveFuelData", 13},
        {"DeleteFuelRegisterRow", 1},
        {"DisplayServiceMaintenanceItems", 2},
        {"AddServiceMaintenanceItem", 2},
        {"SaveService", 12},
        {"DeleteServiceRegisterRow", 1},
        {"SaveExpense", 9},
        {"DeleteExpenseRegisterRow", 1},
        {"UpdatePrefs", 17},
        {"SkipService", 1},
        {"SkipServiceAlways", 1},
        {"UpdateOdometer", 1},
        {"SaveOdometerValue", 4},
        {"SelectCarByID", 1},
        {"DeleteOdometerValue", 1},
        {"OpenSoldCarDlg", 1},
        {"UpdateNewCarInNavList", 1},
        {"UpdateMaintenancePlanItem", 5},
        {"ChangeReminderDate", 1},
        {"GetVendor", 2},
        {"GetLastValuesForVendor", 3},
        {"JVToNumber", 1},
        {"JVToString", 2},
        {"ShowAddServiceItemsDlg", 0},
        {"GetMaintenancePlan", 0},
        {"DeleteServiceItem", 1},
        {"PrintHomePage", 1},
        {"PrintPage", 0},
        {"QuickStart", 0},
        {"CompletedService", 1},
        {"CheckMaintenanceItem", 1},
        {"RestoreService", 1},
        {"RestoreFuelData", 1},
        {"RestorePurchase", 1},
        {"RestoreOdometer", 1},
        {"OpenDeleteCarDlg", 1},
        {"SelectCarGraph", 0},
        {"JavascriptError", 3},
        {"UpdateMakeList", 0},
        {"UpdateYearList", 0},
        {"UpdateModelList", 0},
        {"UpdateStyleList", 0},
        {"UpdateEngineList", 0},
        {"UpdateTransmissionList", 0},
        {"SetPreviousSelectedVehicle", 0},
        {"EditServiceItem", 2},
        {"UpdateDriveTypeList", 0},
        {"AddNewCarQuickstart", 0},
        {"ShowRegisterEntries", 3},
        {"WorkOutDistance", 4},
        {"WorkOutOdometer", 4},
        {"SettleFuelAmounts", 4},
        {"SettleServiceAmounts", 6},
        {"CheckServiceCost", 5},
        {"CheckCustomYear", 1},
        {"CheckCar", 0},
    };
    const auto& methods = CJorvaneCOMObj::Methods();
    ASSERT_EQ(methods.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(methods[i].name, expected[i].first) << "method " << i + 1;
        EXPECT_EQ(methods[i].params.size(), expected[i].second) << methods[i].name;
        // Each name comes with what it does.
        EXPECT_TRUE(methods[i].handler) << methods[i].name;
    }
    // A number to show keeps its digits: JVToString takes a double.
    EXPECT_EQ(methods[28].params[0], jv::ui::host::ArgType::Double);

    // The bridge and the wrappers come from the same table.
    jv::ui::host::ScriptBridge bridge;
    CJorvaneCOMObj object;
    object.Register(bridge);
    EXPECT_EQ(bridge.size(), expected.size());
    const std::string wrappers = CJorvaneCOMObj::ComCallbacksScript();
    for (const auto& [name, arity] : expected) {
        const std::string wrapper = name == "Back" ? "OnClick_Back" : name == "Forward" ? "OnClick_Forward" : name;
        EXPECT_NE(wrappers.find("async function " + wrapper + "("), std::string::npos) << wrapper;
        EXPECT_NE(wrappers.find("window.external." + name + "("), std::string::npos) << name;
    }
    // The wrappers leave the pages' error trap alone.
    EXPECT_EQ(wrappers.find("onerror"), std::string::npos);
}

TEST(PartnerText, OnlyHarmlessMarkupIsKept) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"Brought to you by <b>Partner</b>", "Brought to you by <b>Partner</b>"},
        {"<p>one<br>two</p><i>three</i><span>four</span>", "<p>one<br>two</p><i>three</i><span>four</span>"},
        {"<script>alert(1)</script>safe", "safe"},
        {"<img src=x onerror=alert(1)>pic", "pic"},
        {"<b onclick=\"x()\" style=\"color:red\">bold</b>", "<b>bold</b>"},
        {"<a href=\"https://example.com/?a=1&b=2\">site</a>",
         "<a href=\"https://example.com/?a=1&amp;b=2\" target=\"_blank\" rel=\"noopener noreferrer\">site</a>"},
        {"<a href=\"javascript:alert(1)\">bad</a>", "bad"},
        {"<a href=\" JAVASCRIPT:x\">bad</a>", "bad"},
        {"<div><table><tr><td>cell</td></tr></table></div>", "cell"},
        {"a < b & \"c\"", "a &lt; b &amp; &#34;c&#34;"},
        {"<style>p{}</style><iframe src=x></iframe>end", "end"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string shown = jv::ui::SanitizeHtml(c.text);
        if (c.text == "a < b & \"c\"") {
            EXPECT_EQ(shown.find('<'), std::string::npos);
            EXPECT_EQ(shown.find('"'), std::string::npos);
        } else {
            EXPECT_EQ(shown, c.shown);
        }
    }
}

}  // namespace
}  // namespace jv::test
