#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/base/Paths.h"
#include "shared/core/ConfigApp.h"
#include "shared/core/ConfigUser.h"
#include "shared/core/TraceLog.h"
#include "tests/support/TestSupport.h"

namespace {

void WriteConfigApp(const jv::test::IsolatedHome& home, const std::string& content) {
    jv::test::WriteFile(home.CommonAppData() + "/Jorvane/Jorvane/configApp.xml", content);
}

std::string UserConfigPath(const jv::test::IsolatedHome& home) {
    return home.LocalAppData() + "/Jorvane/Jorvane/configUser.xml";
}

}  // namespace

TEST(ConfigApp, ReadsTheServersOfTheMachineWideFile) {
    struct Case {
        const char* name;
        const char* content;  // null: no file
        bool webOk;
        const char* web;
        bool protocolOk;
        const char* protocol;
        bool errorsOk;
        const char* errors;
    } cases[] = {
        {"complete",
         "<config><web url='ws.example.org:8080' protocol='https'/><errors url='errors.example.org'/></config>", true,
         "ws.example.org:8080", true, "https", true, "errors.example.org"},
        {"no protocol", "<c><web url='ws.example.org'/></c>", true, "ws.example.org", true, "http", false, ""},
        {"missing file", nullptr, false, "", false, "http", false, ""},
        {"corrupt", "<config><web url='x'></config", false, "", false, "http", false, ""},
        {"no web element", "<config><errors url='e'/></config>", false, "", false, "http", true, "e"},
        {"two web elements", "<config><web url='a'/><web url='b'/></config>", false, "", false, "http", false, ""},
        {"nested web element", "<config><servers><web url='deep'/></servers></config>", true, "deep", true, "http",
         false, ""},
        {"empty hosts", "<config><web url='' protocol='https'/><errors url=''/></config>", false, "", true, "https",
         false, ""},
        {"external entity is refused",
         "<!DOCTYPE c [<!ENTITY e SYSTEM 'file:///etc/hostname'>]><c><web url='&e;'/></c>", false, "", false, "http",
         false, ""},
    };
    for (const auto& c : cases) {
        jv::test::IsolatedHome home;
        if (c.content) WriteConfigApp(home, c.content);
        std::string web, protocol, errors;
        CConfigApp config;
        EXPECT_EQ(config.GetWebURL(web), c.webOk) << c.name;
        EXPECT_EQ(web, c.web) << c.name;
        EXPECT_EQ(config.GetWebProtocol(protocol), c.protocolOk) << c.name;
        EXPECT_EQ(protocol, c.protocol) << c.name;
        EXPECT_EQ(config.GetErrorsURL(errors), c.errorsOk) << c.name;
        EXPECT_EQ(errors, c.errors) << c.name;
    }
}

TEST(ConfigUser, AMissingFileIsCreatedWithTheDefaultDatabase) {
    jv::test::IsolatedHome home;
    std::string path;
    CConfigUser config;
    ASSERT_TRUE(config.GetMostRecentDBpath(path));
    EXPECT_EQ(path, home.Documents() + "/Jorvane/user.data");
    const std::string written = jv::test::ReadFile(UserConfigPath(home));
    EXPECT_NE(written.find("<?xml version='1.0' encoding='utf-8'?>"), std::string::npos) << written;
    EXPECT_NE(written.find("<jorvaneUser version=\"1.0\">"), std::string::npos) << written;
    EXPECT_NE(written.find("path=\"Jorvane\\user.data\""), std::string::npos) << written;
    EXPECT_NE(written.find("prependMyDocs=\"yes\""), std::string::npos) << written;
    // Read again by a new object, the same path results.
    CConfigUser again;
    std::string second;
    ASSERT_TRUE(again.GetMostRecentDBpath(second));
    EXPECT_EQ(second, path);
}

TEST(ConfigUser, ReadsThePathAsWritten) {
    struct Case {
        const char* name;
        const char* content;
        bool ok;
        const char* expected;  // "~" stands for the documents folder
    } cases[] = {
        {"absolute", "<jorvaneUser><mostRecentUserDB path='/data/cars.db' prependMyDocs='no'/></jorvaneUser>", true,
         "/data/cars.db"},
        {"capital Yes is used unchanged",
         "<jorvaneUser><mostRecentUserDB path='cars.db' prependMyDocs='Yes'/></jorvaneUser>", true, "cars.db"},
        {"relative to documents",
         "<jorvaneUser><mostRecentUserDB path='My Cars/garage.data' prependMyDocs='yes'/></jorvaneUser>", true,
         "~/My Cars/garage.data"},
        {"no prependMyDocs", "<jorvaneUser><mostRecentUserDB path='cars.db'/></jorvaneUser>", false, ""},
        {"no path", "<jorvaneUser><mostRecentUserDB prependMyDocs='yes'/></jorvaneUser>", false, ""},
        {"doubled element",
         "<jorvaneUser><mostRecentUserDB path='a' prependMyDocs='no'/><mostRecentUserDB path='b' "
         "prependMyDocs='no'/></jorvaneUser>",
         false, ""},
        {"no element", "<jorvaneUser/>", false, ""},
    };
    for (const auto& c : cases) {
        jv::test::IsolatedHome home;
        jv::test::WriteFile(UserConfigPath(home), c.content);
        std::string path;
        CConfigUser config;
        EXPECT_EQ(config.GetMostRecentDBpath(path), c.ok) << c.name;
        std::string expected = c.expected;
        if (!expected.empty() && expected[0] == '~') expected = home.Documents() + expected.substr(1);
        EXPECT_EQ(path, expected) << c.name;
    }
}

TEST(ConfigUser, ACorruptFileIsKeptBeforeTheDefaultReplacesIt) {
    jv::test::IsolatedHome home;
    const std::string corrupt = "<jorvaneUser><mostRecentUserDB path='/mnt/usb/cars.data' prependMyDocs='no'>";
    jv::test::WriteFile(UserConfigPath(home), corrupt);
    std::string path;
    CConfigUser config;
    ASSERT_TRUE(config.GetMostRecentDBpath(path));
    EXPECT_EQ(path, home.Documents() + "/Jorvane/user.data");
    EXPECT_EQ(jv::test::ReadFile(UserConfigPath(home) + ".bad"), corrupt);
}

TEST(ConfigUser, ProgramsWritingTheFileAtOnceLeaveItWholeForEveryReader) {
    // The main program and the companion both create the file when it is missing.
    jv::test::IsolatedHome home;
    const std::string path = UserConfigPath(home);
    ASSERT_TRUE(jv::paths::MakeSureDirectoryPathExists(jv::paths::DirName(path)));
    ASSERT_TRUE(CConfigUser().WriteDefaultFile(path));
    std::vector<pid_t> writers;
    for (int i = 0; i < 3; ++i) {
        const pid_t child = fork();
        if (child == 0) {
            int failures = 0;
            for (int n = 0; n < 100; ++n) failures += CConfigUser().WriteDefaultFile(path) ? 0 : 1;
            _exit(failures == 0 ? 0 : 1);
        }
        writers.push_back(child);
    }
    int unreadable = 0;
    for (int n = 0; n < 200; ++n) unreadable += jv::xml::Document().LoadFile(path) ? 0 : 1;
    for (const pid_t child : writers) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
    }
    EXPECT_EQ(unreadable, 0);
    const std::filesystem::directory_iterator folder(jv::paths::DirName(path));
    EXPECT_EQ(std::distance(folder, {}), 1) << "a temporary file is left";
}

TEST(ConfigFiles, LoadFailuresGiveTheSystemTextOnlyForAFileThatCannotBeRead) {
    struct Case {
        const char* name;
        bool user;            // configUser.xml, else configApp.xml
        const char* content;  // null: no file
        const char* reason;   // the start of the logged message
        const char* systemText;
    } cases[] = {
        {"missing machine-wide file", false, nullptr,
         "The system cannot locate the object specified.  Line: 0, Linepos: 0", "\tNo such file or directory"},
        {"corrupt machine-wide file", false, "<config><web url='x'></config", "", "\t"},
        {"corrupt user file", true, "<jorvaneUser><mostRecentUserDB", "", "\t"},
    };
    for (const auto& c : cases) {
        jv::test::IsolatedHome home;
        const std::string logPath = home.dir().File("JVtrace.log");
        ASSERT_TRUE(OpenTraceLog(logPath.c_str(), kTraceLogSizeKB));
        if (c.content && c.user) jv::test::WriteFile(UserConfigPath(home), c.content);
        if (c.content && !c.user) WriteConfigApp(home, c.content);
        std::string out;
        if (c.user) {
            CConfigUser().GetMostRecentDBpath(out);
        } else {
            CConfigApp().GetWebURL(out);
        }
        CloseTraceLog();
        const std::string log = jv::test::ReadFile(logPath);
        const std::string method = c.user ? "CConfigUser::Initialize" : "CConfigApp::Initialize";
        const size_t at = log.find(method);
        ASSERT_NE(at, std::string::npos) << c.name << "\n" << log;
        const size_t messageAt = at + 42;
        const size_t numberAt = log.find("\n\tError number 0x", at);
        ASSERT_NE(numberAt, std::string::npos) << c.name << "\n" << log;
        EXPECT_EQ(log.substr(messageAt, std::strlen(c.reason)), c.reason) << c.name;
        const size_t textAt = log.find('\n', numberAt + 1) + 1;
        EXPECT_EQ(log.substr(textAt, log.find('\n', textAt) - textAt), c.systemText) << c.name << "\n" << log;
    }
}

// Configuration limits: a file that declares entities is refused before anything is expanded,
// and is kept as unreadable like any other, whatever its entities would grow to.
TEST(ConfigFiles, FilesDeclaringEntitiesAreRefusedAndKept) {
    // Nested internal entities: each level ten times the one below.
    std::string laughs = "<!DOCTYPE jorvaneUser [<!ENTITY l0 'lol'>";
    for (int level = 1; level <= 4; ++level) {
        laughs += "<!ENTITY l" + std::to_string(level) + " '";
        for (int i = 0; i < 10; ++i) laughs += "&l" + std::to_string(level - 1) + ";";
        laughs += "'>";
    }
    laughs += "]>";
    const std::string user = laughs + "<jorvaneUser><mostRecentUserDB path='&l4;' prependMyDocs='no'/></jorvaneUser>";
    const std::string plain =
        "<!DOCTYPE jorvaneUser [<!ENTITY car 'cars.db'>]>"
        "<jorvaneUser><mostRecentUserDB path='&car;' prependMyDocs='no'/></jorvaneUser>";
    for (const std::string& content : {user, plain}) {
        jv::test::IsolatedHome home;
        const std::string logPath = home.dir().File("JVtrace.log");
        ASSERT_TRUE(OpenTraceLog(logPath.c_str(), kTraceLogSizeKB));
        jv::test::WriteFile(UserConfigPath(home), content);
        std::string path;
        ASSERT_TRUE(CConfigUser().GetMostRecentDBpath(path));
        CloseTraceLog();
        EXPECT_EQ(path, home.Documents() + "/Jorvane/user.data");
        EXPECT_EQ(jv::test::ReadFile(UserConfigPath(home) + ".bad"), content);
        EXPECT_NE(jv::test::ReadFile(logPath).find("declares an entity"), std::string::npos);
    }

    jv::test::IsolatedHome home;
    WriteConfigApp(home, laughs + "<config><web url='&l4;'/></config>");
    std::string web;
    EXPECT_FALSE(CConfigApp().GetWebURL(web));
    EXPECT_EQ(web, "");
}
