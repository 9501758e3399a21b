#include "shared/core/TraceLog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <regex>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

std::vector<std::string> Lines(const std::string& content) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

int CountMarkers(const std::string& content) {
    int n = 0;
    for (const auto& line : Lines(content)) n += line == g_strWrapMarker ? 1 : 0;
    return n;
}

// The line just before the marker, or "" when there is none.
std::string NewestBeforeMarker(const std::string& content) {
    const auto lines = Lines(content);
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i] == g_strWrapMarker) return lines[i - 1];
    }
    return {};
}

std::string Numbered(int n) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "line %04d ", n);
    return std::string(buffer) + std::string(40, 'x');  // 50 characters
}

long FileSize(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

}  // namespace

TEST(TraceLogFile, AppendsUntilFullThenWrapsBehindOneMarker) {
    jv::test::TempDir dir;
    const std::string path = dir.File("logs/JVtrace.log");
    CWrapAroundLogFile log;
    ASSERT_TRUE(log.Open(path.c_str(), 1, nullptr));
    for (int i = 1; i <= 10; ++i) log.WriteLine(Numbered(i));
    std::string content = jv::test::ReadFile(path);
    EXPECT_EQ(content.size(), 10u * 51u);
    EXPECT_EQ(CountMarkers(content), 0);

    for (int i = 11; i <= 100; ++i) {
        log.WriteLine(Numbered(i));
        content = jv::test::ReadFile(path);
        ASSERT_LE(content.size(), 1024u) << "after line " << i;
        if (i > 20) {
            ASSERT_EQ(CountMarkers(content), 1) << "after line " << i;
            ASSERT_EQ(NewestBeforeMarker(content), Numbered(i)) << "after line " << i;
        }
    }
    log.Close();

    // A reopen carries on just behind the newest line.
    CWrapAroundLogFile again;
    ASSERT_TRUE(again.Open(path.c_str(), 1, nullptr));
    again.WriteLine(Numbered(101));
    again.WriteLine(Numbered(102));
    content = jv::test::ReadFile(path);
    EXPECT_LE(content.size(), 1024u);
    EXPECT_EQ(CountMarkers(content), 1);
    EXPECT_EQ(NewestBeforeMarker(content), Numbered(102));
    EXPECT_NE(content.find(Numbered(101) + "\n" + Numbered(102) + "\n" + g_strWrapMarker), std::string::npos);
    EXPECT_NE(content.find(Numbered(100) + "\n" + Numbered(101)), std::string::npos);
}

TEST(TraceLogFile, ReopenOfAnUnwrappedFileAppends) {
    jv::test::TempDir dir;
    const std::string path = dir.File("JVtrace.log");
    {
        CWrapAroundLogFile log;
        ASSERT_TRUE(log.Open(path.c_str(), 1, nullptr));
        log.WriteLine("first");
    }
    CWrapAroundLogFile log;
    ASSERT_TRUE(log.Open(path.c_str(), 1, nullptr));
    log.WriteLine("second");
    EXPECT_EQ(jv::test::ReadFile(path), "first\nsecond\n");
}

TEST(TraceLogFile, ASecondOpenInOneProcessStartsFresh) {
    jv::test::TempDir dir;
    const std::string wrapped = dir.File("a.log");
    const std::string fresh = dir.File("b.log");
    CWrapAroundLogFile log;
    ASSERT_TRUE(log.Open(wrapped.c_str(), 1, nullptr));
    for (int i = 0; i < 40; ++i) log.WriteLine(Numbered(i));
    ASSERT_EQ(CountMarkers(jv::test::ReadFile(wrapped)), 1);

    ASSERT_TRUE(log.Open(fresh.c_str(), 1, nullptr));
    log.WriteLine("one");
    log.WriteLine("two");
    EXPECT_EQ(jv::test::ReadFile(fresh), "one\ntwo\n");
}

TEST(TraceLogFile, ASmallerCapOrALongLineNeverGrowsTheFilePastTheCap) {
    jv::test::TempDir dir;
    const std::string path = dir.File("JVtrace.log");
    {
        CWrapAroundLogFile big;
        ASSERT_TRUE(big.Open(path.c_str(), 8, nullptr));
        for (int i = 0; i < 150; ++i) big.WriteLine(Numbered(i));
    }
    ASSERT_GT(FileSize(path), 1024);
    CWrapAroundLogFile small;
    ASSERT_TRUE(small.Open(path.c_str(), 1, nullptr));
    small.WriteLine("after the cap shrank");
    small.WriteLine(std::string(5000, 'y'));
    small.WriteLine("and after a long line");
    const std::string content = jv::test::ReadFile(path);
    EXPECT_LE(content.size(), 1024u);
    EXPECT_EQ(CountMarkers(content), 1);
    EXPECT_EQ(NewestBeforeMarker(content), "and after a long line");
}

TEST(TraceLogFile, OnlyOneProcessWritesALog) {
    jv::test::TempDir dir;
    const std::string path = dir.File("JVtrace.log");
    CWrapAroundLogFile first;
    ASSERT_TRUE(first.Open(path.c_str(), 1, nullptr));
    CWrapAroundLogFile second;
    std::string error;
    EXPECT_FALSE(second.Open(path.c_str(), 1, &error));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_FALSE(error.empty());
    second.WriteLine("ignored");
    first.WriteLine("kept");
    EXPECT_EQ(jv::test::ReadFile(path), "kept\n");
}

TEST(TraceLog, WritesTimeLevelAndPaddedMethod) {
    jv::test::TempDir dir;
    const std::string path = dir.File("JVtrace.log");
    ASSERT_TRUE(OpenTraceLog(path.c_str(), kTraceLogSizeKB));
    TraceLog("CCarsDB::getCars", TRACE_ERROR, "Error executing query");
    TraceLog("CJorvaneApp::InitInstance", TRACE_INFO, "starting Jorvane client");
    TraceLog("CSomething::WithAVeryLongMethodNameThatIsCutAtForty", TRACE_WARNING, "w");
    TraceLog("Other", 3, "no tag");
    TraceLogError("CUserData::OpenConnections", TRACE_ERROR, "open failed", 2);
    // A number the system has no text for gets none.
    TraceLogError("CConfigApp::Initialize", TRACE_ERROR, "load failed", 0xC00CE55F);
    CloseTraceLog();
    TraceLog("CCarsDB::getCars", TRACE_ERROR, "not written once closed");

    const auto lines = Lines(jv::test::ReadFile(path));
    ASSERT_EQ(lines.size(), 10u);
    const std::string stamp = R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2} (AM|PM)  )";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(stamp + "ERR  CCarsDB::getCars {24}  Error executing query")))
        << lines[0];
    EXPECT_TRUE(
        std::regex_match(lines[1], std::regex(stamp + "inf  CJorvaneApp::InitInstance {15}  starting Jorvane client")))
        << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(stamp + "wrn  CSomething::WithAVeryLongMethodNameThatI  w")))
        << lines[2];
    EXPECT_TRUE(std::regex_match(lines[3], std::regex(stamp + "  Other {35}  no tag"))) << lines[3];
    EXPECT_TRUE(std::regex_match(lines[4], std::regex(stamp + "ERR  CUserData::OpenConnections {14}  open failed")))
        << lines[4];
    EXPECT_EQ(lines[5], "\tError number 0x2");
    EXPECT_EQ(lines[6], "\tNo such file or directory");
    EXPECT_TRUE(std::regex_match(lines[7], std::regex(stamp + "ERR  CConfigApp::Initialize {18}  load failed")))
        << lines[7];
    EXPECT_EQ(lines[8], "\tError number 0xc00ce55f");
    EXPECT_EQ(lines[9], "\t");
}

TEST(TraceLog, WritesControlCharactersAsEscapes) {
    jv::test::TempDir dir;
    const std::string path = dir.File("JVtrace.log");
    ASSERT_TRUE(OpenTraceLog(path.c_str(), kTraceLogSizeKB));
    TraceLog("CCarsDB::getCars", TRACE_ERROR, std::string("a\0b\x1b[2Jc\x7f\td", 11));
    CloseTraceLog();
    const auto lines = Lines(jv::test::ReadFile(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 20), "a\\x00b\\x1b[2Jc\\x7f\td");
}
