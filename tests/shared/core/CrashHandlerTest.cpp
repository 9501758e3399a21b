#include "shared/core/CrashHandler.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/desktop/CrashDump.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// The probe copied into a folder of the test's own, so that a crash-report program can be put
// beside it. The folder's name would do harm if a shell ever saw it.
class ProbeFolder {
public:
    explicit ProbeFolder(bool withReporter) {
        fs::create_directories(folder_);
        fs::create_directories(root_.File("bin"));
        fs::copy_file(JV_CRASH_PROBE, probe_);
        if (withReporter) {
            // Records its arguments beside itself, using only shell built-ins.
            jv::test::WriteFile(folder_ + "/JVCrashReport",
                                "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" END > \"${0%/*}/reporter-arguments\"\n");
            chmod((folder_ + "/JVCrashReport").c_str(), 0755);
        }
    }

    std::string LocalAppData() const { return root_.File("local"); }
    std::string LogPath() const { return LocalAppData() + "/Jorvane/Jorvane/ERRORLOG.TXT"; }
    std::string DumpPath() const { return LocalAppData() + "/Jorvane/Jorvane/CRASH.DMP"; }
    std::string ReporterArguments() const { return folder_ + "/reporter-arguments"; }
    const std::string& folder() const { return folder_; }
    const jv::test::TempDir& root() const { return root_; }

    // Runs the probe and returns its wait status; its standard error goes to *errors. Under a
    // debugger the test plays the debugger, passing every signal on.
    int Run(const std::string& mode, const std::string& localAppData, std::string* errors = nullptr,
            bool underDebugger = false) const {
        const std::string errorFile = root_.File("stderr");
        const pid_t child = fork();
        if (child == 0) {
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            if (chdir(root_.path().c_str()) != 0) _exit(120);
            const int err = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (err >= 0) dup2(err, STDERR_FILENO);
            setenv("JV_LOCAL_APPDATA", localAppData.c_str(), 1);
            setenv("PATH", root_.File("bin").c_str(), 1);  // no browser to ask
            if (underDebugger && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(kNoDebugger);
            execl(probe_.c_str(), probe_.c_str(), mode.c_str(), static_cast<char*>(nullptr));
            _exit(121);
        }
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (;;) {
            const pid_t done = waitpid(child, &status, WNOHANG);
            if (done == child && WIFSTOPPED(status)) {
                // The stop after exec is the debugger's own; any other signal goes on to the probe.
                const int signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
                ptrace(PTRACE_CONT, child, nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(signal)));
                continue;
            }
            if (done != 0) break;
            if (std::chrono::steady_clock::now() > deadline) {
                kill(child, SIGKILL);
                waitpid(child, &status, 0);
                ADD_FAILURE() << "the probe hung in " << mode;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (errors) *errors = jv::test::ReadFile(errorFile);
        return status;
    }
    int Run(const std::string& mode) const { return Run(mode, LocalAppData()); }

    static constexpr int kNoDebugger = 122;

private:
    jv::test::TempDir root_;
    std::string folder_ = root_.File("Jorvane 'test' $(touch pwned)");
    std::string probe_ = folder_ + "/jv_crash_probe";
};

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0;
}

// Each text must follow the one before it.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& pieces, const std::string& what) {
    size_t at = 0;
    for (const std::string& piece : pieces) {
        const size_t found = text.find(piece, at);
        ASSERT_NE(found, std::string::npos) << what << ": \"" << piece << "\" missing after offset " << at << "\n"
                                            << text.substr(0, 3000);
        at = found + piece.size();
    }
}

std::vector<uint32_t> DumpRecordTypes(const std::string& dump, jv::desktop::CrashDumpInfo& info) {
    std::vector<uint32_t> types;
    size_t at = 16;
    while (at + 16 <= dump.size()) {
        uint32_t type = 0;
        uint64_t size = 0;
        std::memcpy(&type, dump.data() + at, sizeof type);
        std::memcpy(&size, dump.data() + at + 8, sizeof size);
        types.push_back(type);
        if (type == 1 && size == sizeof info) std::memcpy(&info, dump.data() + at + 16, sizeof info);
        if (type == 0) break;
        at += 16 + (size + 7) / 8 * 8;
    }
    return types;
}

// Setting up starts no browser to ask its version: the log names the browser that made requests,
// and says it could not tell before any did.
TEST(CrashHandler, SetUpStartsNoBrowserAndTheLogNamesTheOneThatMadeRequests) {
    const ProbeFolder probe(false);
    const std::string asked = probe.root().File("bin/asked");
    jv::test::WriteFile(probe.root().File("bin/chromium"),
                        "#!/bin/sh\n: > '" + asked + "'\necho 'Chromium 1.2.3.4 built on Debian'\n");
    chmod(probe.root().File("bin/chromium").c_str(), 0755);
    const struct {
        const char* mode;
        const char* line;
    } cases[] = {
        {"null-write", "\r\nIE version: Could not determine IE version\r\n"},
        {"browser-known", "\r\nIE version: Chrome 120.0.0.0\r\n"},
    };
    for (const auto& c : cases) {
        const int status = probe.Run(c.mode);
        ASSERT_TRUE(WIFSIGNALED(status)) << c.mode;
        EXPECT_NE(jv::test::ReadFile(probe.LogPath()).find(c.line), std::string::npos) << c.mode;
    }
    struct stat info {};
    EXPECT_NE(stat(asked.c_str(), &info), 0) << "a browser was started";
}

TEST(CrashHandler, EachFailureLeavesACompleteErrorLogAndDump) {
    struct Case {
        const char* mode;
        const char* exception;  // name and code as the log's first line gives them
        int signal;             // the probe dies by it
        const char* accessLine;
        const char* firstFrame;  // the function the stack starts in
    };
    const Case cases[] = {
        {"null-write", "an Access Violation (0xc0000005)", SIGSEGV,
         "Write to location 00000000 caused an access violation.\r\n", "NullWrite"},
        {"recursion", "a Stack Overflow (0xc00000fd)", SIGSEGV, nullptr, "Recurse"},
        {"exception", "a Microsoft C++ Exception (0xe06d7363)", SIGABRT, nullptr, nullptr},
        {"divide", "an Integer Divide by Zero (0xc0000094)", SIGFPE, nullptr, "DivideByZero"},
    };
    const ProbeFolder probe(false);
    for (const Case& c : cases) {
        const int status = probe.Run(c.mode);
        ASSERT_TRUE(WIFSIGNALED(status)) << c.mode << " status " << status;
        EXPECT_EQ(WTERMSIG(status), c.signal) << c.mode;

        const std::string log = jv::test::ReadFile(probe.LogPath());
        std::vector<std::string> sections = {
            std::string("jv_crash_probe caused ") + c.exception + " in module jv_crash_probe at ",
            "Error occurred at ",
            "jv_crash_probe 1.0.0.1, run by ",
            "\r\nWindows version: ",
            "\r\nIE version: Could not determine IE version\r\n",
            "MDAC version: SQLite ",
            " processor(s), type ",
            "% memory in use.\r\n",
            " MBytes physical memory.\r\n",
            " MBytes paging file free.\r\n",
            " MBytes user address space free.\r\n\r\n",
        };
        if (c.accessLine) sections.push_back(c.accessLine);
        sections.push_back("\r\nStack:\r\n");
        if (c.firstFrame) sections.push_back(std::string(c.firstFrame));
        sections.insert(sections.end(),
                        {"\r\nContext:\r\n", "RIP:    0x", "Module 1\r\n" + probe.folder() + "/jv_crash_probe\r\n",
                         "   Company:    Jorvane Inc.\r\n", "   FileVer:    1.0.0.1\r\n", "Module 2\r\n",
                         "\r\n===== [end of ERRORLOG.TXT] =====\r\n"});
        ExpectInOrder(log, sections, c.mode);
        EXPECT_EQ(log.rfind("\r\n===== [end of ERRORLOG.TXT] =====\r\n"), log.size() - 37) << c.mode;
        if (!c.accessLine) {
            EXPECT_EQ(log.find("caused an access violation"), std::string::npos) << c.mode;
        }

        const std::string dump = jv::test::ReadFile(probe.DumpPath());
        ASSERT_GE(dump.size(), 16u) << c.mode;
        EXPECT_EQ(dump.substr(0, 8), std::string("JVDUMP1\0", 8)) << c.mode;
        jv::desktop::CrashDumpInfo info{};
        EXPECT_EQ(DumpRecordTypes(dump, info), (std::vector<uint32_t>{1, 2, 3, 4, 0})) << c.mode;
        EXPECT_EQ(info.signal, std::strcmp(c.mode, "exception") == 0 ? 0 : c.signal) << c.mode;

        EXPECT_EQ(ModeOf(probe.LogPath()), 0600u) << c.mode;
        EXPECT_EQ(ModeOf(probe.DumpPath()), 0600u) << c.mode;
    }
}

TEST(CrashHandler, TheReporterTakesOverAndTheProgramEndsQuietly) {
    const ProbeFolder probe(true);
    // An older log that anyone could read is replaced by one only the user can.
    jv::test::WriteFile(probe.LogPath(), "an old report");
    chmod(probe.LogPath().c_str(), 0644);

    const int status = probe.Run("null-write");

    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGSEGV);
    // The reporter runs on after the program has ended.
    std::string arguments;
    for (int i = 0; i < 1000 && arguments.find("END\n") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        arguments = jv::test::ReadFile(probe.ReporterArguments());
    }
    EXPECT_EQ(arguments, "1\njv_crash_probe\nEND\n");
    EXPECT_FALSE(fs::exists(probe.root().File("pwned")));
    EXPECT_EQ(jv::test::ReadFile(probe.LogPath()).find("an old report"), std::string::npos);
    EXPECT_EQ(ModeOf(probe.LogPath()), 0600u);
}

TEST(CrashHandler, UnderADebuggerTheFilesAreWrittenButTheReporterIsNotStarted) {
    const ProbeFolder probe(true);
    const int status = probe.Run("null-write", probe.LocalAppData(), nullptr, true);
    if (WIFEXITED(status) && WEXITSTATUS(status) == ProbeFolder::kNoDebugger) GTEST_SKIP() << "no ptrace here";
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    const std::string log = jv::test::ReadFile(probe.LogPath());
    EXPECT_NE(log.find("an Access Violation"), std::string::npos);
    EXPECT_NE(log.find("===== [end of ERRORLOG.TXT] ====="), std::string::npos);
    EXPECT_TRUE(fs::exists(probe.DumpPath()));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(probe.ReporterArguments()));
}

TEST(CrashHandler, WithoutALogFileTheFailureTakesItsDefaultCourse) {
    struct Case {
        const char* name;
        bool belowAFile;   // the data folder cannot be created below a plain file
        bool pipeInPlace;  // a named pipe where the log goes would block the handler
    };
    const Case cases[] = {{"no folder", true, false}, {"a pipe in the log's place", false, true}};
    for (const Case& c : cases) {
        const ProbeFolder probe(true);
        jv::test::WriteFile(probe.root().File("file"), "");
        if (c.pipeInPlace) {
            fs::create_directories(fs::path(probe.LogPath()).parent_path());
            ASSERT_EQ(mkfifo(probe.LogPath().c_str(), 0600), 0);
        }
        std::string errors;
        const int status =
            probe.Run("divide", c.belowAFile ? probe.root().File("file/local") : probe.LocalAppData(), &errors);
        ASSERT_TRUE(WIFSIGNALED(status)) << c.name << " status " << status;
        EXPECT_EQ(WTERMSIG(status), SIGFPE) << c.name;
        EXPECT_NE(errors.find("Error creating exception report\r\n"), std::string::npos) << c.name << ": " << errors;
        EXPECT_FALSE(fs::exists(probe.DumpPath())) << c.name;
        EXPECT_FALSE(fs::exists(probe.ReporterArguments())) << c.name;
    }
}

// Crash concurrency: threads failing at the same moment leave one whole report, and the reporter
// still takes over. The second fault used to end the process while the first was being written.
TEST(CrashHandler, ThreadsFailingAtOnceLeaveOneWholeReport) {
    for (const bool withReporter : {false, true}) {
        for (int run = 0; run < 3; ++run) {
            SCOPED_TRACE(std::string(withReporter ? "with" : "without") + " reporter, run " + std::to_string(run));
            const ProbeFolder probe(withReporter);
            const int status = probe.Run("threads");
            if (withReporter) {
                ASSERT_TRUE(WIFEXITED(status)) << status;
                EXPECT_EQ(WEXITSTATUS(status), 128 + SIGSEGV);
            } else {
                ASSERT_TRUE(WIFSIGNALED(status)) << status;
                EXPECT_EQ(WTERMSIG(status), SIGSEGV);
            }
            const std::string log = jv::test::ReadFile(probe.LogPath());
            ExpectInOrder(log,
                          {"jv_crash_probe caused an Access Violation (0xc0000005)", "\r\nStack:\r\n", "NullWrite",
                           "\r\n===== [end of ERRORLOG.TXT] =====\r\n"},
                          "log");
            jv::desktop::CrashDumpInfo info{};
            EXPECT_EQ(DumpRecordTypes(jv::test::ReadFile(probe.DumpPath()), info),
                      (std::vector<uint32_t>{1, 2, 3, 4, 0}));
            if (withReporter) {
                std::string arguments;
                for (int i = 0; i < 1000 && arguments.find("END\n") == std::string::npos; ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    arguments = jv::test::ReadFile(probe.ReporterArguments());
                }
                EXPECT_EQ(arguments, "1\njv_crash_probe\nEND\n");
            }
        }
    }
}

TEST(CrashHandler, ExceptionNames) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0xC0000005, "an Access Violation"},       {0xC00000FD, "a Stack Overflow"},
        {0xC0000094, "an Integer Divide by Zero"}, {0xE06D7363, "a Microsoft C++ Exception"},
        {0x80000002, "a Datatype Misalignment"},   {0xC000008C, "a Array Bounds Exceeded"},
        {0xE0000006, "an Unknown exception type"}, {0, "an Unknown exception type"},
    };
    for (const auto& [code, name] : cases) EXPECT_STREQ(ExceptionName(code), name) << std::hex << code;
}

}  // namespace
