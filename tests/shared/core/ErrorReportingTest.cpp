#include "shared/core/ErrorReporting.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include <stdexcept>
#include <vector>

#include "platform/base/StopSignals.h"
#include "shared/core/FileVersion.h"
#include "shared/core/TraceLog.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/TestSupport.h"

using jv::test::CannedResponse;
using jv::test::LoopbackHttpServer;
using jv::test::RecordedRequest;
using jv::test::ScopedEnv;

namespace {

// Plays the person in front of the problem-report dialog.
class FakeReportDialog : public IErrorReportDialog {
public:
    explicit FakeReportDialog(ErrorReportDialogResult answer, bool fails = false) : answer_(answer), fails_(fails) {}

    ErrorReportDialogResult Show(const std::string& details) override {
        shown.push_back(details);
        if (fails_) throw std::runtime_error("no window");
        return answer_;
    }

    std::vector<std::string> shown;

private:
    ErrorReportDialogResult answer_;
    bool fails_;
};

int HexValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

std::string PercentDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> FormFields(const std::string& body) {
    std::vector<std::pair<std::string, std::string>> fields;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos) end = body.size();
        const std::string field = body.substr(start, end - start);
        const size_t equals = field.find('=');
        fields.emplace_back(field.substr(0, equals), equals == std::string::npos ? "" : field.substr(equals + 1));
        start = end + 1;
    }
    return fields;
}

class ErrorReportingTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A browser of our own, so the report's browser version is known.
        jv::test::WriteFile(browserDir_.File("chromium"), "#!/bin/sh\necho 'Chromium 99.1.2.3 built on Test'\n");
        chmod(browserDir_.File("chromium").c_str(), 0755);
        ASSERT_TRUE(OpenTraceLog(logPath_.c_str(), kTraceLogSizeKB));
    }
    void TearDown() override {
        CErrorReporting::InstallDialog(nullptr);
        CloseTraceLog();
    }

    void UseServer(const std::string& host) {
        jv::test::WriteFile(home_.CommonAppData() + "/Jorvane/Jorvane/configApp.xml",
                            "<config><web url='ws.invalid'/><errors url='" + host + "'/></config>");
    }
    std::string Log() const { return jv::test::ReadFile(logPath_); }

    jv::test::IsolatedHome home_;
    jv::test::TempDir browserDir_;
    ScopedEnv path_{"PATH", browserDir_.path()};
    ScopedEnv noProxy_{"no_proxy", "127.0.0.1,localhost"};
    ScopedEnv noProxyUpper_{"NO_PROXY", "127.0.0.1,localhost"};
    std::string logPath_ = home_.dir().File("JVtrace.log");
};

TEST_F(ErrorReportingTest, PostsTheFormWithItsFieldsInOrder) {
    LoopbackHttpServer server;
    UseServer(server.HostAndPort());
    FakeReportDialog dialog({1, "It happened after I added a car & <b>saved</b>.", "owner@example.org"});
    CErrorReporting::InstallDialog(&dialog);

    CErrorReporting::Report("CCarsDB::getCars", 17, "Select failed: 'x'");

    std::string version, os, engine;
    GetJVShortVersion(version);
    GetWindowsVersionText(os);
    GetMDACVersion(engine);
    const std::string details = "jv_core_tests version: " + version + "\r\nWindows version: " + os +
                                "\r\nIE version: Chromium 99.1.2.3\r\nMDAC version: " + engine +
                                "\r\nMethod: CCarsDB::getCars\r\nLine number: 17\r\nMessage: Select failed: 'x'";
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0], details);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/fogbugz/scoutsubmit.asp");
    EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");

    const auto fields = FormFields(requests[0].body);
    std::string encodedVersion;  // digits and dots
    for (const char c : version) encodedVersion += c == '.' ? std::string("%2E") : std::string(1, c);
    ASSERT_EQ(fields.size(), 9u) << requests[0].body;
    const std::pair<std::string, std::string> expected[] = {
        {"ScoutUserName", "Jorvane+Field+Reports"},
        {"ScoutProject", "Jorvane"},
        {"ScoutArea", "Error+in+Field"},
        {"Description", "Error%20in%20jv%5Fcore%5Ftests%20%28CCarsDB%3A%3AgetCars%3A17%29%20V" + encodedVersion},
        {"Extra", fields[4].second},
        {"Email", "owner%40example%2Eorg"},
        {"ForceNewBug", "0"},
        {"ScoutDefaultMessage",
         "Thank%20you%20for%20submitting%20your%20problem%20report%2E%20%20Your%20information%20will%20help%20us%"
         "20make%20Jorvane%20a%20better%20product%2E"},
        {"FriendlyResponse", "1"},
    };
    for (size_t i = 0; i < fields.size(); ++i) {
        EXPECT_EQ(fields[i], expected[i]) << i;
    }
    EXPECT_EQ(PercentDecode(fields[3].second), "Error in jv_core_tests (CCarsDB::getCars:17) V" + version);
    EXPECT_EQ(PercentDecode(fields[4].second),
              details + "\r\nUser message: It happened after I added a car & <b>saved</b>.");
    EXPECT_EQ(fields[4].second.find_first_not_of("%0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
              std::string::npos);
}

TEST_F(ErrorReportingTest, OnlyADialogThatWasShownAndNotDeclinedSends) {
    LoopbackHttpServer server;
    UseServer(server.HostAndPort());
    struct Case {
        const char* name;
        bool installed;
        int result;
        bool dialogFails;
        size_t posts;
        bool logged;            // the report itself is kept in the trace log
        bool stopping = false;  // the program was asked to stop (SIGTERM)
    };
    const Case cases[] = {
        {"ButtonSend or Enter", true, 1, false, 1, false},
        {"Escape or close box", true, 2, false, 1, false},
        {"ButtonDontSend", true, 0, false, 0, false},
        {"dialog could not be shown", true, -1, false, 0, true},
        {"dialog failed", true, 1, true, 0, true},
        {"no dialog installed", false, 1, false, 0, true},
        {"the program asked to stop asks nothing more", true, 1, false, 0, true, true},
    };
    size_t totalPosts = 0;
    int line = 100;
    for (const Case& c : cases) {
        FakeReportDialog dialog({c.result, "notes", "mail"}, c.dialogFails);
        CErrorReporting::InstallDialog(c.installed ? &dialog : nullptr);
        if (c.stopping) {
            ASSERT_TRUE(jv::stop::Catch({SIGTERM}));
            raise(SIGTERM);
        }
        ++line;
        CErrorReporting::Report("CExpenseDB::Add", line, "Insert failed");
        jv::stop::Reset();
        totalPosts += c.posts;
        EXPECT_EQ(server.Requests().size(), totalPosts) << c.name;
        EXPECT_EQ(dialog.shown.size(), c.installed && !c.stopping ? 1u : 0u) << c.name;
        const std::string description = "Error in jv_core_tests (CExpenseDB::Add:" + std::to_string(line) + ")";
        EXPECT_EQ(Log().find(description) != std::string::npos, c.logged) << c.name;
    }
}

TEST_F(ErrorReportingTest, PostFailuresAreLoggedAndNeverReachTheCaller) {
    LoopbackHttpServer failing([](const RecordedRequest&) {
        CannedResponse response;
        response.status = 500;
        return response;
    });
    const std::string unreachable = "127.0.0.1:" + std::to_string(LoopbackHttpServer::UnusedPort());
    struct Case {
        const char* name;
        std::string config;  // configApp.xml
        std::string logged;
    };
    const Case cases[] = {
        {"no errors element", "<config><web url='ws.invalid'/></config>",
         "Couldn't find domain in configApp.xml file."},
        {"empty server", "<config><errors url=''/></config>", "Couldn't find domain in configApp.xml file."},
        {"unusable server address", "<config><errors url='127.0.0.1:99999'/></config>",
         "Couldn't make connection to ScoutSubmit.asp for error report."},
        {"unreachable server", "<config><errors url='" + unreachable + "'/></config>",
         "Caught exception talking to ScoutSubmit.asp for error report.  Message is Failed to connect to 127.0.0.1"},
        {"server error", "<config><errors url='" + failing.HostAndPort() + "'/></config>",
         "ScoutSubmit.asp answered the error report with HTTP status 500."}};
    for (const Case& c : cases) {
        jv::test::WriteFile(home_.CommonAppData() + "/Jorvane/Jorvane/configApp.xml", c.config);
        FakeReportDialog dialog({1, "", ""});
        CErrorReporting::InstallDialog(&dialog);
        CErrorReporting::Report("CServiceDB::Update", 5, "Update failed");
        EXPECT_EQ(dialog.shown.size(), 1u) << c.name;
        const std::string log = Log();
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.name << "\n" << log;
        EXPECT_NE(log.find("ERR  CErrorReporting::Report"), std::string::npos) << c.name;
    }
    EXPECT_EQ(failing.Requests().size(), 1u);
}

// A page script that fails every moment reports again from the loop the report's dialog runs: no
// report is shown over another. Once it is closed, a problem is shown again (a user who tries a
// failing operation again is told again).
TEST_F(ErrorReportingTest, OneReportAtATime) {
    LoopbackHttpServer server;
    UseServer(server.HostAndPort());
    struct NestingDialog : IErrorReportDialog {
        ErrorReportDialogResult Show(const std::string& details) override {
            shown.push_back(details);
            CErrorReporting::Report("JavaScript Error:URL=page", 3, "x is not defined");
            CErrorReporting::Report("CCarsDB::getCars", 9, "while the report is open");
            return {0, "", ""};
        }
        std::vector<std::string> shown;
    } dialog;
    CErrorReporting::InstallDialog(&dialog);

    CErrorReporting::Report("JavaScript Error:URL=page", 3, "x is not defined");
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_NE(Log().find("x is not defined"), std::string::npos) << "the nested problem is logged";
    EXPECT_NE(Log().find("while the report is open"), std::string::npos) << "the nested problem is logged";

    CErrorReporting::Report("JavaScript Error:URL=page", 3, "x is not defined");
    EXPECT_EQ(dialog.shown.size(), 2u) << "a closed report does not hold back the next";
    EXPECT_TRUE(server.Requests().empty()) << "Don't Send sends nothing";
}

TEST(UrlEncode, KeepsLettersAndDigitsAndEncodesEveryOtherByte) {
    const std::pair<std::string, std::string> cases[] = {
        {" ", "%20"},
        {"-", "%2D"},
        {"\xC3\xA9", "%C3%A9"},  // é
        {"", ""},
        {"Oil2go", "Oil2go"},
        {"a+b&c=d%", "a%2Bb%26c%3Dd%25"},
        {"\r\n\t", "%0D%0A%09"},
        {std::string("\0\xFF", 2), "%00%FF"},
    };
    for (const auto& [text, encoded] : cases) {
        std::string out = "old";
        EXPECT_EQ(UrlEncode(out, text), encoded);
        EXPECT_EQ(out, encoded);
    }
}

TEST(VersionTexts, ReportTheSystemThatStandsInPlaceOfTheOldOnes) {
    utsname name{};
    ASSERT_EQ(uname(&name), 0);
    std::string text;
    EXPECT_EQ(GetWindowsVersionText(text), std::string(name.sysname) + " " + name.release + " " + name.machine);
    EXPECT_EQ(GetMDACVersion(text).rfind("SQLite 3.", 0), 0u) << text;

    struct Case {
        const char* script;  // the fake browser's answer to --version; null: no browser at all
        const char* expected;
    };
    const Case cases[] = {
        {"echo 'Chromium 120.0.6099.224 built on Debian GNU/Linux 12 (bookworm)'", "Chromium 120.0.6099.224"},
        {"echo 'Google Chrome 120.0.6099.109 '", "Google Chrome 120.0.6099.109"},
        {"echo 'no version here'", "Could not determine IE version"},
        {"exit 3", "Could not determine IE version"},
        {nullptr, "Could not determine IE version"},
    };
    for (const Case& c : cases) {
        jv::test::TempDir dir;
        ScopedEnv path("PATH", dir.path());
        if (c.script) {
            jv::test::WriteFile(dir.File("chromium"), std::string("#!/bin/sh\n") + c.script + "\n");
            chmod(dir.File("chromium").c_str(), 0755);
        }
        EXPECT_EQ(GetIEVersion(text), c.expected) << (c.script ? c.script : "none");
    }

    // A browser that never answers does not hang the report.
    jv::test::TempDir dir;
    jv::test::WriteFile(dir.File("chromium"), "#!/bin/sh\nexec sleep 600\n");
    chmod(dir.File("chromium").c_str(), 0755);
    ScopedEnv path("PATH", dir.path() + ":/usr/bin:/bin");
    EXPECT_EQ(GetIEVersion(text), "Could not determine IE version");
}

}  // namespace

// A page script that fails a different way every moment: each report closed would bring the next.
// After a few reports within a short while, the problems are kept in the log only; a dialog that
// could not be shown tells nobody, so it does not count.
TEST_F(ErrorReportingTest, AFewReportsWithinAWhileThenTheLogOnly) {
    LoopbackHttpServer server;
    UseServer(server.HostAndPort());
    struct Case {
        const char* name;
        int result;     // how the user ends each report
        int problems;   // problems one after the other, each once the report before is closed
        size_t shown;
    };
    const Case cases[] = {
        {"one problem", 0, 1, 1},
        {"five problems", 0, 5, 5},
        {"a storm, each report declined", 0, 40, 5},
        {"a storm, each report sent", 1, 10, 5},
        {"a storm, each report closed with Escape", 2, 10, 5},
        {"a storm while no report can be shown", -1, 10, 10},
    };
    for (const Case& c : cases) {
        FakeReportDialog dialog({c.result, "", ""});
        CErrorReporting::InstallDialog(&dialog);
        for (int i = 0; i < c.problems; ++i)
            CErrorReporting::Report("JavaScript Error:URL=page", 7,
                                    std::string(c.name) + ", failure " + std::to_string(i));
        EXPECT_EQ(dialog.shown.size(), c.shown) << c.name;
        if (dialog.shown.size() == static_cast<size_t>(c.problems)) continue;
        const std::string last = std::string(c.name) + ", failure " + std::to_string(c.problems - 1);
        EXPECT_NE(Log().find(last), std::string::npos) << c.name << ": the last problem is in the log";
    }
}
